#include "FocusRect.h"

#include <QImage>

#include <algorithm>

namespace platform {

namespace {

void invert(QImage &surface, int x, int y)
{
    if (x < 0 || y < 0 || x >= surface.width() || y >= surface.height())
        return;
    // The dot pattern follows the surface grid, as the platform's focus rectangle does.
    if ((x + y) % 2 != 0)
        return;
    QRgb *line = reinterpret_cast<QRgb *>(surface.scanLine(y));
    line[x] ^= 0x00FFFFFFu;
}

} // namespace

void drawFocusRect(QImage &surface, int left, int top, int right, int bottom)
{
    if (surface.depth() != 32 || right <= left || bottom <= top)
        return;
    const int lastX = right - 1;
    const int lastY = bottom - 1;
    // Only the part of the outline on the surface is walked, so that a rectangle reaching
    // far outside costs no more than one on the surface.
    const int fromX = std::max(left, 0);
    const int toX = std::min(lastX, surface.width() - 1);
    const int fromY = std::max(top + 1, 0);
    const int toY = std::min(lastY - 1, surface.height() - 1);
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
