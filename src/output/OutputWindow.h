#pragma once

#include "batch/BatchEngine.h"
#include "platform/WizardPage.h"

#include <vector>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class SplitJob;

// Step 3: output format and folder, and the batch run with its progress and stop.
class OutputWindow : public ui::WizardPage
{
    Q_OBJECT

public:
    // Runs the job's pictures through its frames; of the job, the window sets only the
    // choices of its check boxes.
    explicit OutputWindow(SplitJob &job, QWidget *parent = nullptr);
    ~OutputWindow() override;

    // Ends a run in progress once its current piece is saved.
    void stopRunAndWait();
    bool isRunning() const { return running_; }
    BatchEngine &engine() { return engine_; }

    void chooseFolder();
    void startRun();
    void requestStop();

signals:
    // A run ended and the window shows its end state.
    void runFinished();

private:
    void createFormatButtons();
    // Below the buttons, so that every other control keeps its place.
    void createCheckBoxes();
    // The outline, then the fill, then the read-out over both.
    void createProgressBar();
    // What a screen reader says for each control.
    void nameForScreenReaders();
    void lockForRun();
    void showProgress(qint64 done, qint64 total);
    // The percentage over the bar, as shown and as a screen reader says it.
    void showReadout(const QString &percentage);
    void setBarTwips(int twips);
    void endRun(const RunOutcome &outcome, bool report);
    void refuse(const QString &title, const QString &text, QWidget *focus);

    SplitJob &job_;
    QLabel *folderLabel_ = nullptr;
    QLineEdit *folderEdit_ = nullptr;
    QPushButton *browseButton_ = nullptr;
    QGroupBox *formatGroup_ = nullptr;
    std::vector<QRadioButton *> formatButtons_; // BMP, TIF, PNG, JPG, GIF (never selectable)
    QFrame *progressOutline_ = nullptr;
    QLabel *progressFill_ = nullptr;
    QLabel *progressText_ = nullptr; // the percentage over the bar
    QPushButton *startButton_ = nullptr;
    QPushButton *stopButton_ = nullptr; // in the start button's place while a run goes on
    QCheckBox *keepDepthBox_ = nullptr;
    QCheckBox *bookBox_ = nullptr;

    BatchEngine engine_;
    bool running_ = false;
};
