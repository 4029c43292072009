#pragma once

#include "SplitLayout.h"

#include <QPoint>
#include <QRect>
#include <QString>
#include <Qt>

struct FrameRect;

// Geometry of the step-2 frame gestures, in client-area pixels of FrameEditorWindow.
// A frame is a QRect (Left, Top, Width, Height); a band has exclusive right and bottom
// edges (right = Left + Width), the rectangle that drawFocusRect outlines on the frame.
namespace geometry {

// The displayed picture: right/bottom are its last pixel column and row (inclusive).
struct Area
{
    int left = layout::largestArea.left();
    int top = layout::largestArea.top();
    int right = layout::largestArea.right();
    int bottom = layout::largestArea.bottom();
};

// The dotted band of a gesture; right and bottom are one past the last column and row.
struct Band
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const Band &, const Band &) = default;
};

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

// The band that outlines a frame exactly.
Band bandOf(QRect frame);

// The frame shifted by the pointer's travel since the press at (grabX, grabY), pushed
// back inside the area with its size kept; a band wider than the area ends on the right.
Band moveBand(QRect frame, int grabX, int grabY, int px, int py, Area area);

// The edges a handle drags.
Edges movedEdges(Handle handle);

// The frame with the handle's edges displaced by the pointer (px, py) relative to the
// handle's top-left, each displaced edge held inside the area; edges may cross.
Band resizeBand(QRect frame, Handle handle, int px, int py, Area area);

// The frame a released band becomes: a crossed band is normalised, size at least 1 x 1.
QRect bandToFrame(Band band);

// Handle and tag positions around a frame.
HandlePlacement placeHandles(QRect frame);

// The frame after one arrow or keypad key: one pixel within the area, else unchanged.
QRect nudge(QRect frame, int qtKey, bool isKeypad, Area area);

// The hover read-out of a frame's picture rectangle.
QString hoverText(const FrameRect &rect);

// The pointer shape shown over a handle.
Qt::CursorShape handleCursor(Handle handle);

} // namespace geometry
