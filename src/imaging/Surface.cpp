#include "Surface.h"

#include "Picture.h"

#include <QPainter>

namespace imaging {

Status Surface::drawPicture(Picture &picture, float x, float y, float width, float height)
{
    if (width <= 0 || height <= 0 || surface_.isNull())
        return Status::InvalidParameter;
    if (!picture.isDecoded()) {
        // Decoded at the surface's own resolution: on a screen scaled 200 % the sample
        // keeps the detail of twice as many pixels.
        const qreal ratio = surface_.devicePixelRatio();
        const Status status = picture.decode(QSize(qCeil(width * ratio), qCeil(height * ratio)));
        if (status != Status::Ok)
            return status;
    }
    QPainter painter(&surface_);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(QRectF(x, y, width, height), picture.image());
    return Status::Ok;
}

} // namespace imaging
