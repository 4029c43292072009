#pragma once

#include "platform/WizardPage.h"

#include <QString>

#include <optional>

class FrameCanvas;
class LetterRows;
class QComboBox;
class QKeyEvent;
class QLabel;
class QMenu;
class SplitJob;

// Step 2: the split frames laid over a sample picture, their letters and the rotation.
class FrameEditorWindow : public ui::WizardPage
{
    Q_OBJECT

public:
    explicit FrameEditorWindow(SplitJob &job, QWidget *parent = nullptr);

    // The load proper: builds the job's number of frames and draws the last picture
    // unturned. Separate from the constructor so that the imaging failure it may report
    // reaches a receiver.
    void load();
    // Switches the letter lists and the three buttons on or off together.
    void setNavigationEnabled(bool enabled);

    FrameCanvas &canvas() { return *canvas_; }

signals:
    // A picture kind has no reader: the program must end at once.
    void imagingFailed();

protected:
    void showEvent(QShowEvent *event) override;

private:
    // A new frame set of the job's number of parts, laid on the current sample.
    void rebuildFrames();
    void rotationChosen(int index);
    // Every key pressed in the window: Ctrl+S and Ctrl+O with no frame selected, the
    // arrows for the selected frame.
    void keyPressed(const QKeyEvent &key);
    // The sample's right-click menu: save and open a layout, a frame selected or not.
    void createLayoutMenu();
    // The layout file the user names in a save or an open dialog; nothing on Cancel.
    std::optional<QString> chooseLayoutFile(bool save);
    // Writes the frames, letters and rotation to a layout file the user names.
    void saveLayout();
    // Reads a layout file the user picks and places its frames, letters and rotation.
    void loadLayout();
    void next();

    SplitJob &job_;
    FrameCanvas *canvas_ = nullptr;
    LetterRows *letterRows_ = nullptr;
    QComboBox *rotationBox_ = nullptr;
    QLabel *noteLabel_ = nullptr;
    QMenu *layoutMenu_ = nullptr;
};
