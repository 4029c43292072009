#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <Qt>

// Geometry of the step-2 frame gestures, in client-area pixels of FrameEditorWindow.
// Frames, the picture area and the dotted band of a gesture are all QRects, whose right()
// and bottom() are the last column and row. While a resize drags an edge past the
// opposite one, the band is crossed: its width or height is zero or negative.
namespace geometry {

// The eight resize handles, in the order they are placed and raised.
enum class Handle { TopLeft, Top, TopRight, Left, Right, BottomLeft, Bottom, BottomRight };

// Which of the frame's edges a handle drags.
struct Edges
{
    bool left = false;
    bool top = false;
    bool right = false;
    bool bottom = false;
};

// Where the eight handles (indexed by Handle) and the number tag go around a frame.
struct HandlePlacement
{
    QPoint handles[8];
    QPoint tag;
};

// Side of a handle in pixels; the left and top handles lie this far outside the frame.
inline constexpr int handleSize = 8;

// The frame shifted by the pointer's travel since the press at (grabX, grabY), pushed
// back inside the area with its size kept; a band wider than the area ends on the right.
QRect moveBand(QRect frame, int grabX, int grabY, int px, int py, QRect area);

// The edges a handle drags.
Edges movedEdges(Handle handle);

// The frame with the handle's edges displaced by the pointer (px, py) relative to the
// handle's top-left, each displaced edge held inside the area; edges may cross.
QRect resizeBand(QRect frame, Handle handle, int px, int py, QRect area);

// The frame a released band becomes: a crossed band is normalised, size at least 1 x 1.
QRect bandToFrame(QRect band);

// Handle and tag positions around a frame.
HandlePlacement placeHandles(QRect frame);

// The frame after one arrow or keypad key: one pixel within the area, else unchanged.
QRect nudge(QRect frame, int qtKey, bool isKeypad, QRect area);

// The hover read-out of a frame's picture rectangle.
QString hoverText(const QRect &rect);

// The pointer shape shown over a handle.
Qt::CursorShape handleCursor(Handle handle);

} // namespace geometry
