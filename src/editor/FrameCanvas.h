#pragma once

#include "FrameGeometry.h"
#include "job/SplitJob.h"
#include "job/SplitLayout.h"

#include <QImage>
#include <QWidget>

#include <array>
#include <memory>
#include <optional>
#include <vector>

class FrameShape;
class QKeyEvent;
class QLabel;
class SizeHandle;

namespace imaging {
class Picture;
class Surface;
} // namespace imaging

// The left part of the frame editor: the sample picture on a persistent surface, the
// split frames laid over it with their number tags, the eight size handles of the
// selected frame, and every gesture on them. It covers the whole window, so its pixels
// are the window's client pixels. Each frame's rectangle in picture pixels is kept in
// the job.
class FrameCanvas : public QWidget
{
    Q_OBJECT

public:
    FrameCanvas(SplitJob &job, QWidget *parent);
    ~FrameCanvas() override;

    // Gives the surface the device pixel ratio of the screen the sample is shown on (the
    // primary screen's at first); the next sample is drawn at it.
    void setSurfaceRatio(qreal ratio);
    // Makes count frames with their tags (none selected) and lays the default grid when a
    // sample has been drawn; the job's frames must number count.
    void buildFrames(int count);
    // Removes every frame but the hidden template.
    void clearFrames();
    // Clears the picture area, draws the job's sample turned by rotation, lays the
    // default grid over it and recomputes the frames' picture rectangles. False when the
    // sample could not be drawn: the frames keep the last picture's places.
    bool showSample(Rotation rotation);
    // Shows the box about an unreadable sample that waited for the window to be on screen.
    void showPendingNotice();
    // Gives each frame the given picture rectangle, kept exactly until the user moves or
    // resizes that frame; the window shows it as near as the scale and the area allow.
    void placeFrames(const std::vector<SplitFrame> &frames);
    // The job's frame rectangles: a kept one as it is, else from the frame's window
    // rectangle and the scale.
    void updateFrameRects();
    void setHandlesVisible(bool visible);
    // Places the eight handles and the number tag around frame index.
    void placeHandles(int index);
    // Ends a gesture or a key press: applies the band, if one was drawn, to the selected
    // frame, re-places its handles and recomputes the frame rectangles.
    void applyBand();
    // A click on the bare background: no frame selected, every tag grey.
    void deselect();
    // What a release does: ends a press on a frame or a handle, applying its band. For
    // the press whose release a popped-up menu takes.
    void endGesture();
    // Moves the selected frame by one pixel for an arrow or keypad key.
    void nudgeSelected(const QKeyEvent &key);

    int frameCount() const { return int(frameShapes_.size()) - 1; }
    float scale() const { return scale_; }
    QRect area() const { return area_; }
    Rotation shownRotation() const { return shownRotation_; }
    bool handlesShown() const { return handlesShown_; }
    // Whether the last showSample drew the sample.
    bool sampleDrawn() const { return sampleDrawn_; }
    int selectedFrame() const { return selectedFrame_; }
    const QImage &surface() const { return surface_; }

signals:
    // A frame was selected (true) or the selection was dropped (false).
    void selectionChanged(bool selected);
    // A picture kind has no reader: the program must end.
    void imagingFailed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // False, after the box that ends the program, when a picture kind cannot be read.
    bool readersPresent();
    // Lets go of the sample's decoded pixels once they are drawn.
    void releaseSample();
    void layDefaultGrid();
    // Moves frame index and its tag to the window rectangle.
    void putFrame(int index, const QRect &frame);
    // Gives the selected frame a new window rectangle; a real change drops its kept one.
    void reshapeSelected(const QRect &frame);
    void framePressed(int index, Qt::MouseButton button, QPoint pos);
    void frameMoved(int index, Qt::MouseButtons buttons, QPoint pos);
    void frameClicked(int index);
    void handleMoved(SizeHandle *handle, Qt::MouseButtons buttons, QPoint pos);
    void showHoverText(int index);
    void drawBand(const QRect &band);
    void invertBand(const QRect &band);
    void setTagsGrey();
    QRect selectedRect() const;

    SplitJob &job_;
    QImage surface_;
    bool readersChecked_ = false;
    std::unique_ptr<imaging::Picture> samplePicture_;
    std::unique_ptr<imaging::Surface> sampleSurface_;
    QString pendingNotice_; // an unreadable sample's box, until the window shows

    // The frame set, indexed 0..frameCount with element 0 the hidden template.
    std::vector<FrameShape *> frameShapes_;
    std::vector<QLabel *> frameTags_;
    std::array<SizeHandle *, 8> handles_{}; // in the order of geometry::Handle
    // A frame's picture rectangle as a layout file gave it, indexed as the frames; the
    // window's pixels are too coarse to give it back at scales below 1.
    std::vector<std::optional<QRect>> keptRects_;

    float scale_ = 0.0f;               // window pixels per picture pixel; 0 until a sample is drawn
    QRect area_ = layout::largestArea; // the displayed sample
    Rotation shownRotation_ = Rotation::None;
    bool handlesShown_ = false;
    bool sampleDrawn_ = false;
    int selectedFrame_ = 0;

    // The gesture in progress.
    bool backgroundPressed_ = false;
    bool dragging_ = false;
    bool bandShown_ = false;
    QRect band_;
    int grabX_ = 0;
    int grabY_ = 0;
    bool pressBanded_ = false; // this press drew a band, so its release is no click
};
