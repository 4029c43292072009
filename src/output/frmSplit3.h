#pragma once

#include "BatchEngine.h"

#include <QWidget>

#include <vector>

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class frmSplit1;
class frmSplit2;

// Step 3: output format and folder, and the batch run with its progress and stop.
class frmSplit3 : public QWidget
{
    Q_OBJECT

public:
    frmSplit3(frmSplit1 &step1, frmSplit2 &step2, QWidget *parent = nullptr);
    ~frmSplit3() override;

    QLabel *Label2 = nullptr;            // caption of the folder box
    QLineEdit *Text1 = nullptr;          // output folder
    QPushButton *Command4 = nullptr;     // browse
    QGroupBox *Frame1 = nullptr;         // the format options
    std::vector<QRadioButton *> Option1; // BMP, TIF, PNG, JPG, GIF (never selectable)
    QFrame *Shape1 = nullptr;            // outline of the progress bar
    QLabel *Label4 = nullptr;            // the bar's fill
    QLabel *Label3 = nullptr;            // percentage read-out
    QPushButton *Command1 = nullptr;     // previous
    QPushButton *Command2 = nullptr;     // start
    QPushButton *Command3 = nullptr;     // exit
    QPushButton *Command5 = nullptr;     // stop, in Command2's place while a run goes on

    // Ends a run in progress once its current piece is saved.
    void stopRunAndWait();
    bool isRunning() const { return running_; }
    BatchEngine &engine() { return engine_; }

    void chooseFolder();
    void startRun();
    void requestStop();

signals:
    void previousRequested();
    void exitRequested();
    // A run ended and the window shows its end state.
    void runFinished();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    RunSnapshot takeSnapshot(const QString &folder) const;
    void lockForRun();
    void showProgress(qint64 done, qint64 total);
    void setBarTwips(int twips);
    void endRun(const RunOutcome &outcome, bool report);
    void refuse(const QString &title, const QString &text, QWidget *focus);

    frmSplit1 &step1_;
    frmSplit2 &step2_;
    BatchEngine engine_;
    bool running_ = false;
};
