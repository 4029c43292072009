#include "Wizard.h"

#include "editor/FrameEditorWindow.h"
#include "output/OutputWindow.h"
#include "select/PictureListWindow.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

Wizard::Wizard() : step1_(std::make_unique<PictureListWindow>(job_))
{
    endProgram_ = [] { QCoreApplication::exit(0); };
    connect(step1_.get(), &PictureListWindow::nextRequested, this, &Wizard::goToStep2);
    connect(step1_.get(), &PictureListWindow::exitRequested, this, &Wizard::closeRoutine);
}

Wizard::~Wizard()
{
    // A run in progress finishes its current piece before the windows go.
    if (step3_)
        step3_->stopRunAndWait();
}

void Wizard::start()
{
    showWindow(step1_.get());
}

QPoint centredFramePosition(const QRect &available, const QSize &frameSize)
{
    QRect frame(QPoint(0, 0), frameSize);
    frame.moveCenter(available.center());
    return frame.topLeft();
}

void Wizard::centre(QWidget *window)
{
    if (QScreen *screen = QGuiApplication::primaryScreen())
        window->move(centredFramePosition(screen->availableGeometry(),
                                          window->size().grownBy(frameMargins_)));
}

void Wizard::showWindow(QWidget *window)
{
    if (!window->property("shownBefore").toBool()) {
        window->setProperty("shownBefore", true);
        // Centred with the frame the last window had; once the window manager has
        // framed this one, centred again should its frame differ.
        centre(window);
        window->winId();
        if (QWindow *handle = window->windowHandle())
            handle->installEventFilter(this);
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void Wizard::goToStep2()
{
    if (ending_)
        return;
    step1_->hide();
    if (!step2_) {
        step2_ = std::make_unique<FrameEditorWindow>(job_);
        connect(step2_.get(), &FrameEditorWindow::previousRequested, this, &Wizard::backToStep1);
        connect(step2_.get(), &FrameEditorWindow::nextRequested, this, &Wizard::goToStep3);
        connect(step2_.get(), &FrameEditorWindow::exitRequested, this, &Wizard::closeRoutine);
        // A picture kind without a reader ends the program at once, without the
        // close routines, and no window is shown after it.
        connect(step2_.get(), &FrameEditorWindow::imagingFailed, this, &Wizard::endAtOnce);
        step2_->load();
        // Loading may have ended the program (a picture kind has no reader).
        if (ending_)
            return;
    }
    showWindow(step2_.get());
}

void Wizard::backToStep1()
{
    if (ending_)
        return;
    step2_->hide();
    showWindow(step1_.get());
}

void Wizard::goToStep3()
{
    if (ending_)
        return;
    step2_->hide();
    if (!step3_) {
        step3_ = std::make_unique<OutputWindow>(job_);
        connect(step3_.get(), &OutputWindow::previousRequested, this, &Wizard::backToStep2);
        connect(step3_.get(), &OutputWindow::exitRequested, this, &Wizard::closeRoutine);
    }
    showWindow(step3_.get());
}

void Wizard::backToStep2()
{
    if (ending_)
        return;
    step3_->hide();
    showWindow(step2_.get());
}

bool Wizard::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Expose)
        return false;
    auto *handle = static_cast<QWindow *>(watched);
    handle->removeEventFilter(this);
    const QMargins margins = handle->frameMargins();
    if (margins == frameMargins_)
        return false;
    frameMargins_ = margins;
    for (QWidget *window : windows()) {
        if (window && window->windowHandle() == handle)
            centre(window);
    }
    return false;
}

void Wizard::endAtOnce()
{
    if (ending_)
        return;
    ending_ = true;
    for (QWidget *window : windows()) {
        if (window)
            window->hide();
    }
    endProgram_();
}

std::array<QWidget *, 3> Wizard::windows() const
{
    return {step1_.get(), step2_.get(), step3_.get()};
}

void Wizard::closeRoutine()
{
    // Closing a window below re-enters through its close box; the first call wins.
    if (ending_)
        return;
    ending_ = true;
    for (QWidget *window : windows()) {
        if (window)
            window->close();
    }
    if (step3_)
        step3_->stopRunAndWait();
    endProgram_();
}
