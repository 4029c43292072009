#include "RawWriters.h"

#include "BitonalTiff.h"

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

enum class Kind { None, Rgb, Grey, Bitonal };

Kind kindOf(const QImage &image)
{
    if (image.isNull())
        return Kind::None;
    if (image.format() == QImage::Format_RGB888)
        return Kind::Rgb;
    if (image.format() == QImage::Format_Grayscale8)
        return Kind::Grey;
    if (image.format() == QImage::Format_Mono && isBlackAndWhite(image))
        return Kind::Bitonal;
    return Kind::None;
}

qint64 rowBytesOf(Kind kind, qint64 width)
{
    return kind == Kind::Rgb ? width * 3 : kind == Kind::Grey ? width : (width + 7) / 8;
}

// A row of the picture as the file stores it: BGR for a BMP's 24 bits, the bits beyond
// the last pixel of a 1-bit row cleared (Qt leaves them undefined).
void storeRow(Kind kind, const uchar *src, qint64 width, bool bgr, uchar *dst)
{
    if (kind == Kind::Rgb && bgr) {
        for (qint64 x = 0; x < width; ++x, src += 3, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
        return;
    }
    const qint64 n = rowBytesOf(kind, width);
    std::memcpy(dst, src, size_t(n));
    if (kind == Kind::Bitonal && width % 8)
        dst[n - 1] &= uchar(0xFF00 >> (width % 8));
}

} // namespace

QByteArray encodeBmp(const QImage &image)
{
    const Kind kind = kindOf(image);
    if (kind == Kind::None)
        return {};
    const qint64 width = image.width();
    const qint64 height = image.height();
    const int bits = kind == Kind::Rgb ? 24 : kind == Kind::Grey ? 8 : 1;
    const qint64 colours = kind == Kind::Rgb ? 0 : kind == Kind::Grey ? 256 : 2;
    const qint64 stride = (width * bits + 31) / 32 * 4;
    const qint64 headerSize = 14 + 40 + colours * 4;
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
    put16(p + 28, quint16(bits));
    put32(p + 30, 0); // no compression
    put32(p + 34, quint32(stride * height));
    put32(p + 38, quint32(qMax(0, image.dotsPerMeterX())));
    put32(p + 42, quint32(qMax(0, image.dotsPerMeterY())));
    put32(p + 46, quint32(colours));
    // The palette, blue green red and a spare byte each: a grey ramp, or the 1-bit
    // picture's own two colours so that its bits are stored as they are.
    for (qint64 i = 0; i < colours; ++i) {
        const QRgb c = kind == Kind::Grey ? qRgb(int(i), int(i), int(i)) : image.color(int(i));
        uchar *entry = p + 54 + i * 4;
        entry[0] = uchar(qBlue(c));
        entry[1] = uchar(qGreen(c));
        entry[2] = uchar(qRed(c));
    }
    const qint64 rowBytes = rowBytesOf(kind, width);
    for (qint64 y = 0; y < height; ++y) {
        uchar *dst = p + headerSize + y * stride;
        storeRow(kind, image.constScanLine(int(height - 1 - y)), width, true, dst);
        std::memset(dst + rowBytes, 0, size_t(stride - rowBytes));
    }
    return out;
}

namespace {

// An uncompressed TIFF: the header, one directory of 13 entries (14 with a colour
// profile), then its out-of-line values, then the pixels in one strip.
struct TiffLayout
{
    int entries = 13;
    qint64 bitsAt = 0; // three shorts, RGB only
    qint64 xResolutionAt = 0;
    qint64 yResolutionAt = 0;
    qint64 profileAt = 0;
    qint64 pixelsAt = 0;
};

constexpr qint64 tiffDirectoryAt = 8;

TiffLayout tiffLayout(Kind kind, qint64 profileSize)
{
    TiffLayout l;
    l.entries = profileSize > 0 ? 14 : 13;
    qint64 at = tiffDirectoryAt + 2 + l.entries * 12 + 4;
    if (kind == Kind::Rgb) {
        l.bitsAt = at;
        at += 6;
    }
    l.xResolutionAt = at; // rational
    l.yResolutionAt = at + 8;
    at += 16;
    l.profileAt = at;
    l.pixelsAt = at + ((profileSize + 1) & ~qint64(1)); // values start on a word
    return l;
}

// Everything before the pixels of a width x height picture with its resolution.
void writeTiffHeader(uchar *p, const TiffLayout &l, Kind kind, const QImage &image,
                     const QByteArray &profile)
{
    const qint64 width = image.width();
    const qint64 height = image.height();
    std::memset(p, 0, size_t(l.pixelsAt));
    p[0] = 'I';
    p[1] = 'I';
    put16(p + 2, 42);
    put32(p + 4, quint32(tiffDirectoryAt));
    uchar *e = p + tiffDirectoryAt;
    put16(e, quint16(l.entries));
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
    constexpr quint16 shortType = 3, longType = 4, rationalType = 5, undefinedType = 7;
    const bool rgb = kind == Kind::Rgb;
    // Photometric: RGB; black is zero; for a 1-bit picture, as its table says.
    const quint32 photometric = rgb                  ? 2
                                : kind == Kind::Grey ? 1
                                                     : (qGray(image.color(0)) > 127 ? 0 : 1);
    const quint32 pixelBytes = quint32(rowBytesOf(kind, width) * height);
    entry(256, longType, 1, quint32(width));  // ImageWidth
    entry(257, longType, 1, quint32(height)); // ImageLength
    if (rgb)
        entry(258, shortType, 3, quint32(l.bitsAt)); // BitsPerSample 8, 8, 8
    else
        entry(258, shortType, 1, kind == Kind::Grey ? 8 : 1);
    entry(259, shortType, 1, 1);                           // Compression: none
    entry(262, shortType, 1, photometric);                 // PhotometricInterpretation
    entry(273, longType, 1, quint32(l.pixelsAt));          // StripOffsets
    entry(277, shortType, 1, rgb ? 3 : 1);                 // SamplesPerPixel
    entry(278, longType, 1, quint32(height));              // RowsPerStrip: one strip
    entry(279, longType, 1, pixelBytes);                   // StripByteCounts
    entry(282, rationalType, 1, quint32(l.xResolutionAt)); // XResolution
    entry(283, rationalType, 1, quint32(l.yResolutionAt)); // YResolution
    entry(284, shortType, 1, 1);                           // PlanarConfiguration: chunky
    entry(296, shortType, 1, 2);                           // ResolutionUnit: inch
    if (!profile.isEmpty())
        entry(34675, undefinedType, quint32(profile.size()), quint32(l.profileAt)); // ICC
    put32(e, 0); // no next directory
    if (rgb)
        for (int i = 0; i < 3; ++i)
            put16(p + l.bitsAt + 2 * i, 8);
    // Dots per inch as a fraction with a denominator of 100, as exact as the metre
    // value allows.
    auto resolution = [p](qint64 at, int dotsPerMeter) {
        const quint32 hundredths = quint32(qMax(1LL, qRound64(dotsPerMeter * 2.54)));
        put32(p + at, hundredths);
        put32(p + at + 4, 100);
    };
    resolution(l.xResolutionAt, image.dotsPerMeterX() > 0 ? image.dotsPerMeterX() : 2835);
    resolution(l.yResolutionAt, image.dotsPerMeterY() > 0 ? image.dotsPerMeterY() : 2835);
    if (!profile.isEmpty())
        std::memcpy(p + l.profileAt, profile.constData(), size_t(profile.size()));
}

} // namespace

QByteArray encodeTiff(const QImage &image)
{
    const Kind kind = kindOf(image);
    if (kind == Kind::None)
        return {};
    const QByteArray profile = embeddableProfile(image);
    const TiffLayout layout = tiffLayout(kind, profile.size());
    const qint64 width = image.width();
    const qint64 height = image.height();
    const qint64 rowBytes = rowBytesOf(kind, width);
    const qint64 fileSize = layout.pixelsAt + rowBytes * height;
    if (fileSize > 0xFFFFFFFFLL)
        return {};
    QByteArray out(qsizetype(fileSize), Qt::Uninitialized);
    auto *p = reinterpret_cast<uchar *>(out.data());
    writeTiffHeader(p, layout, kind, image, profile);
    for (qint64 y = 0; y < height; ++y)
        storeRow(kind, image.constScanLine(int(y)), width, false,
                 p + layout.pixelsAt + y * rowBytes);
    return out;
}

} // namespace imaging::raw
