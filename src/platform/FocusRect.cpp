#include "FocusRect.h"

#include <QImage>

#include <algorithm>

namespace platform {

namespace {

// The surface's size in logical pixels: a surface drawn at a device pixel ratio of 2 has
// four device pixels to each logical one.
QSize logicalSize(const QImage &surface)
{
    return (QSizeF(surface.size()) / surface.devicePixelRatio()).toSize();
}

void invert(QImage &surface, int x, int y)
{
    const QSize size = logicalSize(surface);
    if (x < 0 || y < 0 || x >= size.width() || y >= size.height())
        return;
    // The dot pattern follows the logical grid, as the platform's focus rectangle does.
    if ((x + y) % 2 != 0)
        return;
    // Every device pixel of the logical one, so that the dots keep their size on a
    // high-resolution screen and a second call restores exactly the same pixels.
    const qreal ratio = surface.devicePixelRatio();
    const int fromX = int(x * ratio), toX = std::min(int((x + 1) * ratio), surface.width());
    const int fromY = int(y * ratio), toY = std::min(int((y + 1) * ratio), surface.height());
    for (int dy = fromY; dy < toY; ++dy) {
        QRgb *line = reinterpret_cast<QRgb *>(surface.scanLine(dy));
        for (int dx = fromX; dx < toX; ++dx)
            line[dx] ^= 0x00FFFFFFu;
    }
}

} // namespace

void drawFocusRect(QImage &surface, const QRect &rect)
{
    const int left = rect.left();
    const int top = rect.top();
    const int lastX = rect.right();
    const int lastY = rect.bottom();
    if (surface.depth() != 32 || lastX < left || lastY < top)
        return;
    // Only the part of the outline on the surface is walked, so that a rectangle reaching
    // far outside costs no more than one on the surface.
    const QSize size = logicalSize(surface);
    const int fromX = std::max(left, 0);
    const int toX = std::min(lastX, size.width() - 1);
    const int fromY = std::max(top + 1, 0);
    const int toY = std::min(lastY - 1, size.height() - 1);
    // Each outline pixel is visited exactly once, corners included.
    for (int x = fromX; x <= toX; ++x) {
        invert(surface, x, top);
        if (lastY != top)
            invert(surface, x, lastY);
    }
    for (int y = fromY; y <= toY; ++y) {
        invert(surface, left, y);
        if (lastX != left)
            invert(surface, lastX, y);
    }
}

} // namespace platform
