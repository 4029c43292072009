#include "TurnedCut.h"

#include <QColorSpace>
#include <QTransform>

#include <cstring>
#include <memory>
#include <new>

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

bool isMono(const QImage &picture)
{
    return picture.format() == QImage::Format_Mono || picture.format() == QImage::Format_MonoLSB;
}

// The block from of a 1-bit picture turned by code into turned, in the picture's format
// and with its table: the bits are spread to a byte each, turned as 8-bit pixels and
// packed again. turned's memory is reused when its size and format agree.
Status turnMono(const QImage &picture, int code, const QRect &from, QImage &turned)
{
    const int w = from.width();
    const int h = from.height();
    const size_t count = size_t(w) * size_t(h);
    const std::unique_ptr<uchar[]> bytes(new (std::nothrow) uchar[count * 2]);
    if (!bytes)
        return Status::OutOfMemory;
    const bool lsb = picture.format() == QImage::Format_MonoLSB;
    for (int y = 0; y < h; ++y) {
        const uchar *row = picture.constScanLine(from.y() + y);
        uchar *out = bytes.get() + size_t(y) * size_t(w);
        for (int x = 0, sx = from.x(); x < w; ++x, ++sx)
            out[x] = (row[sx >> 3] >> (lsb ? sx & 7 : 7 - (sx & 7))) & 1;
    }
    const QSize size = turnedSize(from.size(), code);
    uchar *spun = bytes.get() + count;
    turnPixels<1>(bytes.get(), w, w, h, code, spun, size.width());
    if (turned.size() != size || turned.format() != picture.format())
        turned = QImage(size, picture.format());
    if (turned.isNull())
        return Status::OutOfMemory;
    for (int y = 0; y < size.height(); ++y) {
        uchar *row = turned.scanLine(y);
        std::memset(row, 0, size_t(turned.bytesPerLine()));
        const uchar *in = spun + size_t(y) * size_t(size.width());
        for (int x = 0; x < size.width(); ++x)
            row[x >> 3] |= uchar(in[x] << (lsb ? x & 7 : 7 - (x & 7)));
    }
    turned.setColorTable(picture.colorTable());
    return Status::Ok;
}

// Resolution and colour space of the picture on its turned piece; a quarter turn swaps
// the horizontal and vertical resolutions.
void keepMetadata(const QImage &picture, int code, QImage &turned)
{
    turned.setDotsPerMeterX(code % 2 ? picture.dotsPerMeterY() : picture.dotsPerMeterX());
    turned.setDotsPerMeterY(code % 2 ? picture.dotsPerMeterX() : picture.dotsPerMeterY());
    turned.setColorSpace(picture.colorSpace());
}

} // namespace

QImage turnedImage(const QImage &picture, int code)
{
    code = ((code % 4) + 4) % 4;
    if (code == 0 || picture.isNull())
        return picture;
    QImage turned;
    if (isMono(picture)) {
        if (turnMono(picture, code, picture.rect(), turned) != Status::Ok)
            return {};
        keepMetadata(picture, code, turned);
        return turned;
    }
    const int bytesPerPixel = picture.depth() / 8;
    const bool grey = picture.format() == QImage::Format_Grayscale8;
    if (picture.depth() % 8 != 0 || (bytesPerPixel != 3 && bytesPerPixel != 4 && !grey))
        return picture.transformed(QTransform().rotate(90 * code));
    turned = QImage(turnedSize(picture.size(), code), picture.format());
    if (turned.isNull())
        return turned;
    if (bytesPerPixel == 1)
        turnPixels<1>(picture.constBits(), picture.bytesPerLine(), picture.width(),
                      picture.height(), code, turned.bits(), turned.bytesPerLine());
    else if (bytesPerPixel == 3)
        turnPixels<3>(picture.constBits(), picture.bytesPerLine(), picture.width(),
                      picture.height(), code, turned.bits(), turned.bytesPerLine());
    else
        turnPixels<4>(picture.constBits(), picture.bytesPerLine(), picture.width(),
                      picture.height(), code, turned.bits(), turned.bytesPerLine());
    keepMetadata(picture, code, turned);
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
    const QRect from = sourceRect(picture.size(), code, inTurned);
    if (isMono(picture)) {
        // A 1-bit piece stays 1-bit with the picture's table.
        Status status = Status::Ok;
        if (code != 0)
            status = turnMono(picture, code, from, piece);
        else if ((piece = picture.copy(from)).isNull())
            status = Status::OutOfMemory;
        if (status != Status::Ok)
            return status;
        keepMetadata(picture, code, piece);
        return Status::Ok;
    }
    const int bytesPerPixel = picture.depth() / 8;
    if (picture.depth() % 8 != 0 || bytesPerPixel < 1)
        return Status::InvalidParameter;
    const bool grey = picture.format() == QImage::Format_Grayscale8;
    // A view onto the source rows: nothing is copied until the piece is made.
    const QImage view(picture.constScanLine(from.y()) + qsizetype(from.x()) * bytesPerPixel,
                      from.width(), from.height(), picture.bytesPerLine(), picture.format());
    if (code == 0 && view.format() == QImage::Format_RGB888) {
        // Built on the rows directly (not from the const view), so that setting the
        // resolution below does not detach it into a copy. Nothing writes through it.
        piece = QImage(const_cast<uchar *>(view.constBits()), view.width(), view.height(),
                       view.bytesPerLine(), QImage::Format_RGB888);
    } else if (code == 0 && grey) {
        // A grey piece stays grey, and has its own copy of the rows.
        piece = view.copy();
    } else if (code == 0) {
        piece = view.convertToFormat(QImage::Format_RGB888);
    } else if (bytesPerPixel == 3 || bytesPerPixel == 4 || grey) {
        // The memory of a turned piece made before is reused: fresh pages for every piece
        // cost more than the turn itself.
        QImage turned = piece.size() == inTurned.size() && piece.format() == picture.format()
                            ? std::move(piece)
                            : QImage(inTurned.size(), picture.format());
        if (turned.isNull())
            return Status::OutOfMemory;
        if (bytesPerPixel == 1)
            turnPixels<1>(view.constBits(), view.bytesPerLine(), view.width(), view.height(), code,
                          turned.bits(), turned.bytesPerLine());
        else if (bytesPerPixel == 3)
            turnPixels<3>(view.constBits(), view.bytesPerLine(), view.width(), view.height(), code,
                          turned.bits(), turned.bytesPerLine());
        else
            turnPixels<4>(view.constBits(), view.bytesPerLine(), view.width(), view.height(), code,
                          turned.bits(), turned.bytesPerLine());
        piece = turned.format() == QImage::Format_RGB888 || grey
                    ? turned
                    : turned.convertToFormat(QImage::Format_RGB888);
    } else {
        const QImage turned = view.transformed(QTransform().rotate(90 * code));
        piece = turned.convertToFormat(QImage::Format_RGB888);
    }
    if (piece.isNull())
        return Status::OutOfMemory;
    keepMetadata(picture, code, piece);
    return Status::Ok;
}

} // namespace imaging
