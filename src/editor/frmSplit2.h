#pragma once

#include <QWidget>

class QPushButton;
class frmSplit1;

// Step 2: the split frames laid over a sample picture.
class frmSplit2 : public QWidget
{
    Q_OBJECT

public:
    explicit frmSplit2(frmSplit1 &step1, QWidget *parent = nullptr);

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
