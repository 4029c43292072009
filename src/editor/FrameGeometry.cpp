#include "FrameGeometry.h"

#include <algorithm>
#include <cstdlib>

namespace geometry {

namespace {

// Floor of n / 2, also for negative n (integer division truncates towards zero).
int halfDown(int n)
{
    return n >= 0 ? n / 2 : -((-n + 1) / 2);
}

// The number tag sits this far inside the frame's top-left corner.
constexpr int tagInset = 8;

} // namespace

QRect moveBand(QRect frame, int grabX, int grabY, int px, int py, QRect area)
{
    QRect band = frame.translated(px - grabX, py - grabY);
    // Four tests in order, each later one winning, so that a band larger than the area
    // sits on its right and bottom limits.
    if (band.left() < area.left())
        band.moveLeft(area.left());
    if (band.right() > area.right())
        band.moveRight(area.right());
    if (band.top() < area.top())
        band.moveTop(area.top());
    if (band.bottom() > area.bottom())
        band.moveBottom(area.bottom());
    return band;
}

Edges movedEdges(Handle handle)
{
    // Left, top, right, bottom, in the order of Handle.
    static constexpr Edges edges[] = {
        {true, true, false, false},  {false, true, false, false}, {false, true, true, false},
        {true, false, false, false}, {false, false, true, false}, {true, false, false, true},
        {false, false, false, true}, {false, false, true, true},
    };
    const auto index = size_t(handle);
    return index < std::size(edges) ? edges[index] : Edges{};
}

QRect resizeBand(QRect frame, Handle handle, int px, int py, QRect area)
{
    // The handles stand still during the gesture and the right/bottom ones start just
    // past the frame, so a dragged right or bottom edge ends one pixel short of the
    // pointer and a dragged left or top edge lands handleSize pixels right of or below it.
    const Edges e = movedEdges(handle);
    QRect band = frame;
    if (e.left)
        band.setLeft(std::clamp(frame.left() + px, area.left(), area.right()));
    if (e.right)
        band.setRight(std::clamp(frame.right() + px, area.left() - 1, area.right()));
    if (e.top)
        band.setTop(std::clamp(frame.top() + py, area.top(), area.bottom()));
    if (e.bottom)
        band.setBottom(std::clamp(frame.bottom() + py, area.top() - 1, area.bottom()));
    return band;
}

QRect bandToFrame(QRect band)
{
    // A crossed band turns back over its fixed edge; the frame keeps at least one pixel.
    const int left = std::min(band.left(), band.right() + 1);
    const int top = std::min(band.top(), band.bottom() + 1);
    const int width = std::max(1, std::abs(band.width()));
    const int height = std::max(1, std::abs(band.height()));
    return QRect(left, top, width, height);
}

HandlePlacement placeHandles(QRect frame)
{
    const int l = frame.x();
    const int t = frame.y();
    const int w = frame.width();
    const int h = frame.height();
    const int midX = halfDown(w) + l - handleSize / 2;
    const int midY = halfDown(h) + t - handleSize / 2;
    const int leftX = l - handleSize;
    const int topY = t - handleSize;
    HandlePlacement p;
    p.handles[int(Handle::TopLeft)] = {leftX, topY};
    p.handles[int(Handle::Top)] = {midX, topY};
    p.handles[int(Handle::TopRight)] = {l + w, topY};
    p.handles[int(Handle::Left)] = {leftX, midY};
    p.handles[int(Handle::Right)] = {l + w, midY};
    p.handles[int(Handle::BottomLeft)] = {leftX, t + h};
    p.handles[int(Handle::Bottom)] = {midX, t + h};
    p.handles[int(Handle::BottomRight)] = {l + w, t + h};
    p.tag = {l + tagInset, t + tagInset};
    return p;
}

QRect nudge(QRect frame, int qtKey, bool isKeypad, QRect area)
{
    // Keypad digits count only from the keypad; with NumLock off Qt reports the arrows.
    const auto is = [&](Qt::Key arrow, Qt::Key digit) {
        return qtKey == arrow || (isKeypad && qtKey == digit);
    };
    if (is(Qt::Key_Left, Qt::Key_4)) {
        if (frame.left() > area.left())
            frame.translate(-1, 0);
    } else if (is(Qt::Key_Up, Qt::Key_8)) {
        if (frame.top() > area.top())
            frame.translate(0, -1);
    } else if (is(Qt::Key_Right, Qt::Key_6)) {
        if (frame.right() < area.right())
            frame.translate(1, 0);
    } else if (is(Qt::Key_Down, Qt::Key_2)) {
        if (frame.bottom() < area.bottom())
            frame.translate(0, 1);
    }
    return frame;
}

QString hoverText(const QRect &rect)
{
    return QStringLiteral("起始X：%1  起始Y：%2  尺寸：%3×%4 像素")
        .arg(rect.x())
        .arg(rect.y())
        .arg(rect.width())
        .arg(rect.height());
}

Qt::CursorShape handleCursor(Handle handle)
{
    // Diagonal at the corners, vertical on the top and bottom, horizontal at the sides,
    // in the order of Handle.
    static constexpr Qt::CursorShape cursors[] = {
        Qt::SizeFDiagCursor, Qt::SizeVerCursor,   Qt::SizeBDiagCursor, Qt::SizeHorCursor,
        Qt::SizeHorCursor,   Qt::SizeBDiagCursor, Qt::SizeVerCursor,   Qt::SizeFDiagCursor,
    };
    const auto index = size_t(handle);
    return index < std::size(cursors) ? cursors[index] : Qt::ArrowCursor;
}

} // namespace geometry
