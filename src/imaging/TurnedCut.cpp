#include "TurnedCut.h"

#include <QTransform>

#include <cstring>

namespace imaging {

namespace {

// The rectangle of the unturned picture that becomes inTurned once turned.
QRect sourceRect(QSize picture, int code, const QRect &r)
{
    const int w0 = picture.width();
    const int h0 = picture.height();
    switch (code) {
    case 1:
        return QRect(r.y(), h0 - r.x() - r.width(), r.height(), r.width());
    case 2:
        return QRect(w0 - r.x() - r.width(), h0 - r.y() - r.height(), r.width(), r.height());
    case 3:
        return QRect(w0 - r.y() - r.height(), r.x(), r.height(), r.width());
    default:
        return r;
    }
}

// Turns a block of Bpp-byte pixels; the block's rows are read in tiles so that the
// column-wise reads of a quarter turn stay in the cache.
template <int Bpp>
void turnPixels(const uchar *src, qsizetype srcStride, int srcW, int srcH, int code, uchar *dst,
                qsizetype dstStride)
{
    const int dstW = code % 2 ? srcH : srcW;
    const int dstH = code % 2 ? srcW : srcH;
    constexpr int tile = 64;
    for (int ty = 0; ty < dstH; ty += tile) {
        const int yEnd = qMin(dstH, ty + tile);
        for (int tx = 0; tx < dstW; tx += tile) {
            const int xEnd = qMin(dstW, tx + tile);
            for (int y = ty; y < yEnd; ++y) {
                uchar *out = dst + y * dstStride + qsizetype(tx) * Bpp;
                for (int x = tx; x < xEnd; ++x, out += Bpp) {
                    int sx, sy;
                    if (code == 1) {
                        sx = y;
                        sy = srcH - 1 - x;
                    } else if (code == 2) {
                        sx = srcW - 1 - x;
                        sy = srcH - 1 - y;
                    } else {
                        sx = srcW - 1 - y;
                        sy = x;
                    }
                    std::memcpy(out, src + sy * srcStride + qsizetype(sx) * Bpp, Bpp);
                }
            }
        }
    }
}

} // namespace

QImage turnedImage(const QImage &picture, int code)
{
    code = ((code % 4) + 4) % 4;
    if (code == 0 || picture.isNull())
        return picture;
    const int bytesPerPixel = picture.depth() / 8;
    if (picture.depth() % 8 != 0 || (bytesPerPixel != 3 && bytesPerPixel != 4))
        return picture.transformed(QTransform().rotate(90 * code));
    QImage turned(turnedSize(picture.size(), code), picture.format());
    if (turned.isNull())
        return turned;
    if (bytesPerPixel == 3)
        turnPixels<3>(picture.constBits(), picture.bytesPerLine(), picture.width(),
                      picture.height(), code, turned.bits(), turned.bytesPerLine());
    else
        turnPixels<4>(picture.constBits(), picture.bytesPerLine(), picture.width(),
                      picture.height(), code, turned.bits(), turned.bytesPerLine());
    turned.setDotsPerMeterX(code % 2 ? picture.dotsPerMeterY() : picture.dotsPerMeterX());
    turned.setDotsPerMeterY(code % 2 ? picture.dotsPerMeterX() : picture.dotsPerMeterY());
    return turned;
}

QSize turnedSize(QSize size, int code)
{
    return code % 2 ? size.transposed() : size;
}

Status cutTurnedPiece(const QImage &picture, int code, const QRect &inTurned, QImage &piece)
{
    code = ((code % 4) + 4) % 4;
    if (picture.isNull() || inTurned.isEmpty() ||
        !QRect(QPoint(0, 0), turnedSize(picture.size(), code)).contains(inTurned))
        return Status::InvalidParameter;
    const int bytesPerPixel = picture.depth() / 8;
    if (picture.depth() % 8 != 0 || bytesPerPixel < 1)
        return Status::InvalidParameter;
    const QRect from = sourceRect(picture.size(), code, inTurned);
    // A view onto the source rows: nothing is copied until the piece is made.
    const QImage view(picture.constScanLine(from.y()) + qsizetype(from.x()) * bytesPerPixel,
                      from.width(), from.height(), picture.bytesPerLine(), picture.format());
    if (code == 0 && view.format() == QImage::Format_RGB888) {
        // Built on the rows directly (not from the const view), so that setting the
        // resolution below does not detach it into a copy. Nothing writes through it.
        piece = QImage(const_cast<uchar *>(view.constBits()), view.width(), view.height(),
                       view.bytesPerLine(), QImage::Format_RGB888);
    } else if (code == 0) {
        piece = view.convertToFormat(QImage::Format_RGB888);
    } else if (bytesPerPixel == 3 || bytesPerPixel == 4) {
        // The memory of a turned piece made before is reused: fresh pages for every piece
        // cost more than the turn itself.
        QImage turned = piece.size() == inTurned.size() && piece.format() == picture.format()
                            ? std::move(piece)
                            : QImage(inTurned.size(), picture.format());
        if (turned.isNull())
            return Status::OutOfMemory;
        if (bytesPerPixel == 3)
            turnPixels<3>(view.constBits(), view.bytesPerLine(), view.width(), view.height(), code,
                          turned.bits(), turned.bytesPerLine());
        else
            turnPixels<4>(view.constBits(), view.bytesPerLine(), view.width(), view.height(), code,
                          turned.bits(), turned.bytesPerLine());
        piece = turned.format() == QImage::Format_RGB888
                    ? turned
                    : turned.convertToFormat(QImage::Format_RGB888);
    } else {
        const QImage turned = view.transformed(QTransform().rotate(90 * code));
        piece = turned.convertToFormat(QImage::Format_RGB888);
    }
    if (piece.isNull())
        return Status::OutOfMemory;
    // A quarter turn swaps the picture's horizontal and vertical resolutions.
    piece.setDotsPerMeterX(code % 2 ? picture.dotsPerMeterY() : picture.dotsPerMeterX());
    piece.setDotsPerMeterY(code % 2 ? picture.dotsPerMeterX() : picture.dotsPerMeterY());
    return Status::Ok;
}

} // namespace imaging
