#pragma once

#include "Status.h"

class QImage;

namespace imaging {

class Picture;

// A drawing context on a surface image (the frame editor's persistent surface).
class Surface
{
public:
    explicit Surface(QImage &surface) : surface_(surface) {}
    Surface(const Surface &) = delete;
    Surface &operator=(const Surface &) = delete;

    // Draws the picture scaled into the destination, in the surface's logical pixels;
    // decodes it at the drawn size in device pixels first when it has not been decoded yet.
    Status drawPicture(Picture &picture, float x, float y, float width, float height);

private:
    QImage &surface_;
};

} // namespace imaging
