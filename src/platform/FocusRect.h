#pragma once

#include <QRect>

class QImage;

namespace platform {

// Draws a dotted rectangle by inverting every other pixel of its outline, so that a
// second call with the same rectangle restores every pixel. The outline covers the
// rectangle's own columns and rows; an empty one draws nothing.
void drawFocusRect(QImage &surface, const QRect &rect);

} // namespace platform
