#pragma once

#include <QRect>
#include <QWidget>

class QPushButton;

namespace ui {

// One step of the wizard, a window of its own: the program's title and icon, the buttons
// that move between the steps, and a close box that asks to exit as the Exit button does.
class WizardPage : public QWidget
{
    Q_OBJECT

signals:
    void previousRequested();
    void nextRequested();
    void exitRequested();

protected:
    // objectName: the window's name for tests; step: what the title says of the step.
    WizardPage(const char *objectName, const QString &step, QWidget *parent);

    // The buttons, each at the window's own place and created where the window wants it
    // in the tab order. Previous and Exit ask for their move at once; Next is connected
    // by the window, which checks its step first.
    void createPreviousButton(QRect geometry);
    void createNextButton(QRect geometry);
    void createExitButton(QRect geometry);
    QPushButton *previousButton() const { return previousButton_; }
    QPushButton *nextButton() const { return nextButton_; }
    QPushButton *exitButton() const { return exitButton_; }

    void closeEvent(QCloseEvent *event) override;

private:
    QPushButton *previousButton_ = nullptr;
    QPushButton *nextButton_ = nullptr;
    QPushButton *exitButton_ = nullptr;
};

} // namespace ui
