#pragma once

#include "job/SplitJob.h"

#include <QMargins>
#include <QObject>

#include <array>
#include <functional>
#include <memory>

class QWidget;

// Where a window's frame goes so that the window as the user sees it, frame included, is
// centred in the available area.
QPoint centredFramePosition(const QRect &available, const QSize &frameSize);
class PictureListWindow;
class FrameEditorWindow;
class OutputWindow;

// The job and the three wizard windows that fill it in, and the moves between them. Each
// window is created on its first showing and afterwards only hidden and shown, so its
// content survives.
class Wizard : public QObject
{
    Q_OBJECT

public:
    Wizard();
    ~Wizard() override;

    // Shows step 1, centred.
    void start();

    SplitJob &job() { return job_; }
    PictureListWindow &step1() { return *step1_; }
    FrameEditorWindow *step2() { return step2_.get(); }
    OutputWindow *step3() { return step3_.get(); }

    // Closes the other windows that were ever loaded and ends the program; runs once.
    void closeRoutine();
    bool ending() const { return ending_; }
    // What ending means; tests replace it with a recorder.
    void setEndProgram(std::function<void()> end) { endProgram_ = std::move(end); }

protected:
    // Learns the window manager's frame from a window's first exposure.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void goToStep2();
    void backToStep1();
    void goToStep3();
    void backToStep2();
    void showWindow(QWidget *window);
    void centre(QWidget *window);
    // Ends without the close routines (a picture kind has no reader).
    void endAtOnce();
    std::array<QWidget *, 3> windows() const;

    SplitJob job_;
    std::unique_ptr<PictureListWindow> step1_;
    std::unique_ptr<FrameEditorWindow> step2_;
    std::unique_ptr<OutputWindow> step3_;
    std::function<void()> endProgram_;
    bool ending_ = false;
    QMargins frameMargins_; // of the windows shown so far; none until one is framed
};
