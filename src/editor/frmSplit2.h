#pragma once

#include "FrameGeometry.h"

#include <QImage>
#include <QWidget>

#include <array>
#include <vector>

class FrameShape;
class HandleLabel;
class QComboBox;
class QKeyEvent;
class QLabel;
class QPushButton;
class frmSplit1;

// Step 2: the split frames laid over a sample picture.
class frmSplit2 : public QWidget
{
    Q_OBJECT

public:
    // Loads the window: builds the frame set from step 1's number of parts and draws
    // the last picture of step 1's list unturned.
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

    // The frame set, indexed 0..frameCount with element 0 the hidden template.
    std::vector<FrameShape *> Shape1; // the frames
    std::vector<QLabel *> Label1;     // frame-number tags
    std::vector<QLabel *> Label2;     // letter-row captions
    QLabel *Label3 = nullptr;         // the note

    // The eight size handles, in the order they are shown and raised.
    HandleLabel *labLeftUp = nullptr;
    HandleLabel *labUpMid = nullptr;
    HandleLabel *labRightUp = nullptr;
    HandleLabel *labLeftMid = nullptr;
    HandleLabel *labRightMid = nullptr;
    HandleLabel *labLeftDown = nullptr;
    HandleLabel *labDownMid = nullptr;
    HandleLabel *labRightDown = nullptr;

    // Window state, in client pixels.
    float picScale = 0.0f; // window pixels per picture pixel; 0 until a sample is drawn
    int areaLeft = 18;
    int areaTop = 18;
    int areaRight = 817;  // last column of the displayed picture
    int areaBottom = 617; // last row of the displayed picture
    int rotateIndex = 0;  // rotation the displayed sample has
    bool handlesShown = false;
    int activeFrame = 0;

    // Clears the picture area, draws the sample turned by rotation (0..3), lays the
    // default grid over it and recomputes frameRects.
    void Initialize(int rotation);
    // frameRects[1..frameCount] from the frames' window rectangles and picScale.
    void PicFrameArray();
    void FrmEnabled(bool flag);
    void ShowLabel(bool visible);
    // Places the eight handles and the number tag around frame index.
    void MoveLab(int index);
    // Ends a gesture or a key press: applies the band, if one was drawn, to the active
    // frame, re-places its handles and recomputes frameRects.
    void ChangeShape();

    // The persistent drawing surface the window shows.
    const QImage &surface() const { return surface_; }

signals:
    void previousRequested();
    void nextRequested();
    void exitRequested();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    std::array<HandleLabel *, 8> handles() const;
    void createTemplates();
    void createHandles();
    void buildFrameSet(int count);
    void clearFrameSet();
    void layDefaultGrid();
    void windowClick();
    void rotationChosen(int index);
    void next();
    int partsFromStep1() const;

    // Gestures on the frames and handles, in their own pixels.
    void framePressed(int index, Qt::MouseButton button, QPoint pos);
    void frameMoved(int index, Qt::MouseButtons buttons, QPoint pos);
    void frameReleased();
    void frameClicked(int index);
    void handleMoved(HandleLabel *handle, Qt::MouseButtons buttons, QPoint pos);
    void showHoverText(int index);
    void drawBand(const geometry::Band &band);
    void invertBand(const geometry::Band &band);
    // Every key pressed in the window, before the focused control gets it.
    void keyDown(const QKeyEvent &key);
    geometry::Area area() const;
    QRect activeRect() const;

    frmSplit1 &step1_;
    QImage surface_;
    bool backgroundPressed_ = false;

    // The gesture in progress.
    bool dragging = false;
    bool bandShown = false;
    geometry::Band bandRect;
    int grabX = 0;
    int grabY = 0;
    bool pressBanded_ = false; // this press drew a band, so its release is no click
};
