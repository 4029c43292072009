#pragma once

#include <QWidget>

class QPushButton;
class frmSplit1;
class frmSplit2;

// Step 3: output format and folder, and the batch run.
class frmSplit3 : public QWidget
{
    Q_OBJECT

public:
    frmSplit3(frmSplit1 &step1, frmSplit2 &step2, QWidget *parent = nullptr);
    ~frmSplit3() override;

    QPushButton *Command1 = nullptr; // previous
    QPushButton *Command2 = nullptr; // start
    QPushButton *Command3 = nullptr; // exit
    QPushButton *Command5 = nullptr; // stop

    // Ends a run in progress once its current piece is saved.
    void stopRunAndWait();

signals:
    void previousRequested();
    void exitRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    frmSplit1 &step1_;
    frmSplit2 &step2_;
};
