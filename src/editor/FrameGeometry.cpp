#include "FrameGeometry.h"

#include "job/SplitJob.h"

#include <algorithm>

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

Band bandOf(QRect frame)
{
    return {frame.x(), frame.y(), frame.x() + frame.width(), frame.y() + frame.height()};
}

Band moveBand(QRect frame, int grabX, int grabY, int px, int py, Area area)
{
    const int w = frame.width();
    const int h = frame.height();
    Band b = bandOf(frame.translated(px - grabX, py - grabY));
    // Four tests in order, each later one winning, so an oversized band sits on the
    // right and bottom limits. Right and bottom are exclusive, hence the + 1.
    if (b.left < area.left) {
        b.left = area.left;
        b.right = b.left + w;
    }
    if (b.right > area.right + 1) {
        b.right = area.right + 1;
        b.left = b.right - w;
    }
    if (b.top < area.top) {
        b.top = area.top;
        b.bottom = b.top + h;
    }
    if (b.bottom > area.bottom + 1) {
        b.bottom = area.bottom + 1;
        b.top = b.bottom - h;
    }
    return b;
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

Band resizeBand(QRect frame, Handle handle, int px, int py, Area area)
{
    // The handles stand still during the gesture and the right/bottom ones start on the
    // frame's exclusive edge, so a dragged right or bottom edge lands under the pointer
    // and a dragged left or top edge lands handleSize pixels right of or below it.
    const Edges e = movedEdges(handle);
    Band b = bandOf(frame);
    if (e.left)
        b.left = std::clamp(b.left + px, area.left, area.right);
    if (e.right)
        b.right = std::clamp(b.right + px, area.left, area.right + 1);
    if (e.top)
        b.top = std::clamp(b.top + py, area.top, area.bottom);
    if (e.bottom)
        b.bottom = std::clamp(b.bottom + py, area.top, area.bottom + 1);
    return b;
}

QRect bandToFrame(Band band)
{
    const int left = std::min(band.left, band.right);
    const int top = std::min(band.top, band.bottom);
    const int width = std::max(1, std::max(band.left, band.right) - left);
    const int height = std::max(1, std::max(band.top, band.bottom) - top);
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

QRect nudge(QRect frame, int qtKey, bool isKeypad, Area area)
{
    // Keypad digits count only from the keypad; with NumLock off Qt reports the arrows.
    const auto is = [&](Qt::Key arrow, Qt::Key digit) {
        return qtKey == arrow || (isKeypad && qtKey == digit);
    };
    const int l = frame.x();
    const int t = frame.y();
    if (is(Qt::Key_Left, Qt::Key_4)) {
        if (l > area.left)
            frame.moveLeft(l - 1);
    } else if (is(Qt::Key_Up, Qt::Key_8)) {
        if (t > area.top)
            frame.moveTop(t - 1);
    } else if (is(Qt::Key_Right, Qt::Key_6)) {
        if (l + frame.width() - 1 < area.right)
            frame.moveLeft(l + 1);
    } else if (is(Qt::Key_Down, Qt::Key_2)) {
        if (t + frame.height() - 1 < area.bottom)
            frame.moveTop(t + 1);
    }
    return frame;
}

QString hoverText(const FrameRect &rect)
{
    return QStringLiteral("起始X：%1  起始Y：%2  尺寸：%3×%4 像素")
        .arg(rect.x)
        .arg(rect.y)
        .arg(rect.width)
        .arg(rect.height);
}

Qt::CursorShape handleCursor(Handle handle)
{
    switch (handle) {
    case Handle::TopLeft:
    case Handle::BottomRight:
        return Qt::SizeFDiagCursor;
    case Handle::TopRight:
    case Handle::BottomLeft:
        return Qt::SizeBDiagCursor;
    case Handle::Top:
    case Handle::Bottom:
        return Qt::SizeVerCursor;
    case Handle::Left:
    case Handle::Right:
        return Qt::SizeHorCursor;
    }
    return Qt::ArrowCursor;
}

} // namespace geometry
