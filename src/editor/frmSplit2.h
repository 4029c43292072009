#pragma once

#include <QWidget>

#include <vector>

class QComboBox;
class QPushButton;
class frmSplit1;

// Step 2: the split frames laid over a sample picture.
class frmSplit2 : public QWidget
{
    Q_OBJECT

public:
    explicit frmSplit2(frmSplit1 &step1, QWidget *parent = nullptr);

    // What step 3 reads when a run starts: the number of frames, each frame's letter
    // list Combo1[1..frameCount] (element 0 is the hidden template) and the rotation
    // list Combo2 (index 0..3). The frames' picture rectangles are in frameRects.
    int frameCount = 0;
    std::vector<QComboBox *> Combo1;
    QComboBox *Combo2 = nullptr;

    QPushButton *Command1 = nullptr; // previous
    QPushButton *Command2 = nullptr; // next
    QPushButton *Command3 = nullptr; // exit

signals:
    void previousRequested();
    void nextRequested();
    void exitRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    frmSplit1 &step1_;
};
