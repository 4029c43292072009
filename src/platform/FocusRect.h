#pragma once

#include <QRect>

class QImage;

namespace platform {

// Draws a dotted rectangle by inverting every other pixel of its outline, so that a
// second call with the same rectangle restores every pixel. left/top are inclusive,
// right/bottom exclusive: the outline covers columns left..right-1, rows top..bottom-1.
void drawFocusRect(QImage &surface, int left, int top, int right, int bottom);

} // namespace platform
