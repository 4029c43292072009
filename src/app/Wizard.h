#pragma once

#include <QObject>

#include <array>
#include <functional>
#include <memory>

class QWidget;
class frmSplit1;
class frmSplit2;
class frmSplit3;

// The three wizard windows and the moves between them. Each window is created on
// its first showing and afterwards only hidden and shown, so its content survives.
class Wizard : public QObject
{
    Q_OBJECT

public:
    Wizard();
    ~Wizard() override;

    // Shows step 1, centred.
    void start();

    frmSplit1 &step1() { return *step1_; }
    frmSplit2 *step2() { return step2_.get(); }
    frmSplit3 *step3() { return step3_.get(); }

    // Closes the other windows that were ever loaded and ends the program; runs once.
    void closeRoutine();
    bool ending() const { return ending_; }
    // What ending means; tests replace it with a recorder.
    void setEndProgram(std::function<void()> end) { endProgram_ = std::move(end); }

private:
    void goToStep2();
    void backToStep1();
    void goToStep3();
    void backToStep2();
    void showWindow(QWidget *window);
    // Ends without the close routines (the imaging library could not start).
    void endAtOnce();
    std::array<QWidget *, 3> windows() const;

    std::unique_ptr<frmSplit1> step1_;
    std::unique_ptr<frmSplit2> step2_;
    std::unique_ptr<frmSplit3> step3_;
    std::function<void()> endProgram_;
    bool ending_ = false;
};
