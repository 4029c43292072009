#include "RawWriters.h"

#include <QtEndian>

#include <cstring>

namespace imaging::raw {

namespace {

void put16(uchar *p, quint16 v)
{
    qToLittleEndian(v, p);
}

void put32(uchar *p, quint32 v)
{
    qToLittleEndian(v, p);
}

bool usable(const QImage &image)
{
    return !image.isNull() && image.format() == QImage::Format_RGB888;
}

} // namespace

QByteArray encodeBmp(const QImage &rgb888)
{
    if (!usable(rgb888))
        return {};
    const qint64 width = rgb888.width();
    const qint64 height = rgb888.height();
    const qint64 stride = (width * 3 + 3) & ~qint64(3);
    const qint64 headerSize = 14 + 40;
    const qint64 fileSize = headerSize + stride * height;
    if (fileSize > 0xFFFFFFFFLL)
        return {};
    QByteArray out(qsizetype(fileSize), Qt::Uninitialized);
    auto *p = reinterpret_cast<uchar *>(out.data());
    std::memset(p, 0, size_t(headerSize));
    p[0] = 'B';
    p[1] = 'M';
    put32(p + 2, quint32(fileSize));
    put32(p + 10, quint32(headerSize));
    put32(p + 14, 40);
    put32(p + 18, quint32(width));
    put32(p + 22, quint32(height)); // positive: bottom-up
    put16(p + 26, 1);
    put16(p + 28, 24);
    put32(p + 30, 0); // no compression
    put32(p + 34, quint32(stride * height));
    put32(p + 38, quint32(qMax(0, rgb888.dotsPerMeterX())));
    put32(p + 42, quint32(qMax(0, rgb888.dotsPerMeterY())));
    for (qint64 y = 0; y < height; ++y) {
        const uchar *src = rgb888.constScanLine(int(height - 1 - y));
        uchar *dst = p + headerSize + y * stride;
        for (qint64 x = 0; x < width; ++x, src += 3, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
        for (qint64 pad = width * 3; pad < stride; ++pad)
            *dst++ = 0;
    }
    return out;
}

namespace {

// An uncompressed TIFF: the header, one directory of 13 entries, then its out-of-line
// values, then the pixels in one strip.
constexpr int tiffEntries = 13;
constexpr qint64 tiffDirectoryAt = 8;
constexpr qint64 tiffBitsAt = tiffDirectoryAt + 2 + tiffEntries * 12 + 4; // three shorts
constexpr qint64 tiffXResolutionAt = tiffBitsAt + 6;                      // rational
constexpr qint64 tiffYResolutionAt = tiffXResolutionAt + 8;               // rational
constexpr qint64 tiffPixelsAt = tiffYResolutionAt + 8;

// Everything before the pixels of a width x height picture with its resolution.
void writeTiffHeader(uchar *p, qint64 width, qint64 height, const QImage &rgb888)
{
    std::memset(p, 0, size_t(tiffPixelsAt));
    p[0] = 'I';
    p[1] = 'I';
    put16(p + 2, 42);
    put32(p + 4, quint32(tiffDirectoryAt));
    uchar *e = p + tiffDirectoryAt;
    put16(e, tiffEntries);
    e += 2;
    auto entry = [&e](quint16 tag, quint16 type, quint32 count, quint32 value) {
        put16(e, tag);
        put16(e + 2, type);
        put32(e + 4, count);
        if (type == 3 && count == 1)
            put16(e + 8, quint16(value));
        else
            put32(e + 8, value);
        e += 12;
    };
    constexpr quint16 shortType = 3, longType = 4, rationalType = 5;
    const quint32 pixelBytes = quint32(width * 3 * height);
    entry(256, longType, 1, quint32(width));                 // ImageWidth
    entry(257, longType, 1, quint32(height));                // ImageLength
    entry(258, shortType, 3, quint32(tiffBitsAt));           // BitsPerSample 8, 8, 8
    entry(259, shortType, 1, 1);                             // Compression: none
    entry(262, shortType, 1, 2);                             // Photometric: RGB
    entry(273, longType, 1, quint32(tiffPixelsAt));          // StripOffsets
    entry(277, shortType, 1, 3);                             // SamplesPerPixel
    entry(278, longType, 1, quint32(height));                // RowsPerStrip: one strip
    entry(279, longType, 1, pixelBytes);                     // StripByteCounts
    entry(282, rationalType, 1, quint32(tiffXResolutionAt)); // XResolution
    entry(283, rationalType, 1, quint32(tiffYResolutionAt)); // YResolution
    entry(284, shortType, 1, 1);                             // PlanarConfiguration: chunky
    entry(296, shortType, 1, 2);                             // ResolutionUnit: inch
    put32(e, 0);                                             // no next directory
    for (int i = 0; i < 3; ++i)
        put16(p + tiffBitsAt + 2 * i, 8);
    // Dots per inch as a fraction with a denominator of 100, as exact as the metre
    // value allows.
    auto resolution = [p](qint64 at, int dotsPerMeter) {
        const quint32 hundredths = quint32(qMax(1LL, qRound64(dotsPerMeter * 2.54)));
        put32(p + at, hundredths);
        put32(p + at + 4, 100);
    };
    resolution(tiffXResolutionAt, rgb888.dotsPerMeterX() > 0 ? rgb888.dotsPerMeterX() : 2835);
    resolution(tiffYResolutionAt, rgb888.dotsPerMeterY() > 0 ? rgb888.dotsPerMeterY() : 2835);
}

} // namespace

QByteArray encodeTiff(const QImage &rgb888)
{
    if (!usable(rgb888))
        return {};
    const qint64 width = rgb888.width();
    const qint64 height = rgb888.height();
    const qint64 rowBytes = width * 3;
    const qint64 fileSize = tiffPixelsAt + rowBytes * height;
    if (fileSize > 0xFFFFFFFFLL)
        return {};
    QByteArray out(qsizetype(fileSize), Qt::Uninitialized);
    auto *p = reinterpret_cast<uchar *>(out.data());
    writeTiffHeader(p, width, height, rgb888);
    for (qint64 y = 0; y < height; ++y)
        std::memcpy(p + tiffPixelsAt + y * rowBytes, rgb888.constScanLine(int(y)),
                    size_t(rowBytes));
    return out;
}

} // namespace imaging::raw
