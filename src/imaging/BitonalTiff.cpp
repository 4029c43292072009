#include "BitonalTiff.h"

#include <QColorSpace>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#ifdef SPLITTER_WITH_LIBTIFF
#include <tiffio.h>
#endif

namespace imaging {

namespace {

bool isBlack(QRgb c)
{
    return (c & 0xFFFFFF) == 0;
}

bool isWhite(QRgb c)
{
    return (c & 0xFFFFFF) == 0xFFFFFF;
}

bool isGrey(QRgb c)
{
    return qRed(c) == qGreen(c) && qGreen(c) == qBlue(c);
}

} // namespace

bool isBlackAndWhite(const QImage &image)
{
    if (image.format() != QImage::Format_Mono && image.format() != QImage::Format_MonoLSB)
        return false;
    const QList<QRgb> table = image.colorTable();
    return table.size() == 2 &&
           ((isBlack(table[0]) && isWhite(table[1])) || (isWhite(table[0]) && isBlack(table[1])));
}

namespace {

// A palette picture whose colours are all grey as 8-bit grey, or as 1-bit when they are
// just black and white; null otherwise. The pixels are looked up in the table by hand:
// Qt's conversions may go through the colour space and round a grey to its neighbour.
QImage fromGreyPalette(const QImage &indexed8)
{
    const QList<QRgb> table = indexed8.colorTable();
    if (indexed8.isNull() || table.isEmpty() || !std::all_of(table.begin(), table.end(), isGrey))
        return {};
    const bool bitonal =
        std::all_of(table.begin(), table.end(), [](QRgb c) { return isBlack(c) || isWhite(c); });
    QImage kept(indexed8.size(), bitonal ? QImage::Format_Mono : QImage::Format_Grayscale8);
    if (kept.isNull())
        return {};
    if (bitonal)
        kept.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < indexed8.height(); ++y) {
        const uchar *in = indexed8.constScanLine(y);
        uchar *out = kept.scanLine(y);
        if (bitonal)
            std::memset(out, 0, size_t(kept.bytesPerLine()));
        for (int x = 0; x < indexed8.width(); ++x) {
            const int grey = in[x] < table.size() ? qRed(table[in[x]]) : 0;
            if (!bitonal)
                out[x] = uchar(grey);
            else if (grey)
                out[x >> 3] |= uchar(0x80 >> (x & 7));
        }
    }
    return kept;
}

} // namespace

QImage keepingDepth(QImage decoded)
{
    QImage kept;
    switch (decoded.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        if (isBlackAndWhite(decoded))
            kept = decoded.convertToFormat(QImage::Format_Mono);
        else // two greys, say
            kept = fromGreyPalette(decoded.convertToFormat(QImage::Format_Indexed8));
        break;
    case QImage::Format_Grayscale8:
        return decoded;
    case QImage::Format_Grayscale16:
        kept = decoded.convertToFormat(QImage::Format_Grayscale8);
        break;
    case QImage::Format_Indexed8:
        kept = fromGreyPalette(decoded);
        break;
    default:
        break;
    }
    if (kept.isNull())
        return {};
    kept.setDotsPerMeterX(decoded.dotsPerMeterX());
    kept.setDotsPerMeterY(decoded.dotsPerMeterY());
    kept.setColorSpace(decoded.colorSpace());
    return kept;
}

QByteArray embeddableProfile(const QImage &image)
{
    if (!image.colorSpace().isValid())
        return {};
    const QByteArray icc = image.colorSpace().iccProfile();
    const bool grey = image.format() == QImage::Format_Mono ||
                      image.format() == QImage::Format_MonoLSB ||
                      image.format() == QImage::Format_Grayscale8;
    // The header's data colour space, bytes 16 to 19.
    if (icc.size() < 132 || icc.mid(16, 4) != (grey ? "GRAY" : "RGB "))
        return {};
    return icc;
}

#ifdef SPLITTER_WITH_LIBTIFF

namespace {

// The bytes libtiff reads or writes, in memory; a write that cannot grow them fails.
struct MemoryFile
{
    QByteArray bytes;
    qint64 at = 0;
};

tmsize_t readMemory(thandle_t handle, void *buffer, tmsize_t size)
{
    auto *file = static_cast<MemoryFile *>(handle);
    const qint64 left = qMax<qint64>(0, file->bytes.size() - file->at);
    const qint64 n = qBound(qint64(0), qint64(size), left);
    if (n > 0)
        std::memcpy(buffer, file->bytes.constData() + file->at, size_t(n));
    file->at += n;
    return tmsize_t(n);
}

tmsize_t writeMemory(thandle_t handle, void *buffer, tmsize_t size)
{
    auto *file = static_cast<MemoryFile *>(handle);
    if (size < 0 || file->at + size > 0x7FFFFFFF)
        return -1;
    if (file->at + size > file->bytes.size())
        file->bytes.resize(qsizetype(file->at + size), '\0');
    std::memcpy(file->bytes.data() + file->at, buffer, size_t(size));
    file->at += size;
    return size;
}

toff_t seekMemory(thandle_t handle, toff_t offset, int whence)
{
    auto *file = static_cast<MemoryFile *>(handle);
    const qint64 base = whence == SEEK_CUR ? file->at : whence == SEEK_END ? file->bytes.size() : 0;
    const qint64 to = base + qint64(offset);
    if (to < 0 || to > 0x7FFFFFFF)
        return toff_t(-1);
    file->at = to;
    return toff_t(to);
}

int closeMemory(thandle_t)
{
    return 0;
}

toff_t memorySize(thandle_t handle)
{
    return toff_t(static_cast<MemoryFile *>(handle)->bytes.size());
}

int mapNothing(thandle_t, void **, toff_t *)
{
    return 0;
}

void unmapNothing(thandle_t, void *, toff_t) {}

// libtiff's complaints are the caller's failure value; nothing goes to the console.
int quiet(TIFF *, void *, const char *, const char *, va_list)
{
    return 1;
}

struct TiffCloser
{
    void operator()(TIFF *tif) const { TIFFClose(tif); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

TiffHandle openMemory(MemoryFile &file, const char *mode)
{
    const std::unique_ptr<TIFFOpenOptions, void (*)(TIFFOpenOptions *)> options(
        TIFFOpenOptionsAlloc(), TIFFOpenOptionsFree);
    if (!options)
        return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), quiet, nullptr);
    return TiffHandle(TIFFClientOpenExt("memory", mode, &file, readMemory, writeMemory, seekMemory,
                                        closeMemory, memorySize, mapNothing, unmapNothing,
                                        options.get()));
}

// Dots per inch as the uncompressed writers store them: hundredths of the metre value's
// inch equivalent, 72 dpi when the picture has none.
double dotsPerInch(int dotsPerMeter)
{
    return double(qMax(1LL, qRound64((dotsPerMeter > 0 ? dotsPerMeter : 2835) * 2.54))) / 100.;
}

} // namespace

QByteArray encodeGroup4Tiff(const QImage &mono)
{
    if (!isBlackAndWhite(mono))
        return {};
    const QImage image =
        mono.format() == QImage::Format_Mono ? mono : mono.convertToFormat(QImage::Format_Mono);
    if (image.isNull())
        return {};
    MemoryFile file;
    TiffHandle tif = openMemory(file, "w");
    if (!tif)
        return {};
    const bool zeroIsWhite = isWhite(image.color(0));
    const QByteArray icc = embeddableProfile(mono);
    bool ok =
        TIFFSetField(tif.get(), TIFFTAG_IMAGEWIDTH, uint32_t(image.width())) &&
        TIFFSetField(tif.get(), TIFFTAG_IMAGELENGTH, uint32_t(image.height())) &&
        TIFFSetField(tif.get(), TIFFTAG_BITSPERSAMPLE, uint16_t(1)) &&
        TIFFSetField(tif.get(), TIFFTAG_SAMPLESPERPIXEL, uint16_t(1)) &&
        TIFFSetField(tif.get(), TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_CCITTFAX4)) &&
        TIFFSetField(tif.get(), TIFFTAG_PHOTOMETRIC,
                     uint16_t(zeroIsWhite ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK)) &&
        TIFFSetField(tif.get(), TIFFTAG_FILLORDER, uint16_t(FILLORDER_MSB2LSB)) &&
        TIFFSetField(tif.get(), TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG)) &&
        TIFFSetField(tif.get(), TIFFTAG_ROWSPERSTRIP, uint32_t(image.height())) &&
        TIFFSetField(tif.get(), TIFFTAG_RESOLUTIONUNIT, uint16_t(RESUNIT_INCH)) &&
        TIFFSetField(tif.get(), TIFFTAG_XRESOLUTION, dotsPerInch(image.dotsPerMeterX())) &&
        TIFFSetField(tif.get(), TIFFTAG_YRESOLUTION, dotsPerInch(image.dotsPerMeterY()));
    if (ok && !icc.isEmpty())
        ok = TIFFSetField(tif.get(), TIFFTAG_ICCPROFILE, uint32_t(icc.size()), icc.constData());
    // A row of its own for libtiff, which takes the row as writable.
    const size_t rowBytes = size_t(image.width() + 7) / 8;
    std::vector<uchar> row(rowBytes);
    for (int y = 0; ok && y < image.height(); ++y) {
        std::memcpy(row.data(), image.constScanLine(y), rowBytes);
        ok = TIFFWriteScanline(tif.get(), row.data(), uint32_t(y), 0) == 1;
    }
    ok = ok && TIFFFlush(tif.get()) == 1;
    tif.reset();
    return ok ? file.bytes : QByteArray();
}

bool readGroup4Strip(const QByteArray &tiff, Group4Strip &out)
{
    MemoryFile file{tiff, 0};
    const TiffHandle tif = openMemory(file, "rm");
    if (!tif || TIFFIsTiled(tif.get()) || TIFFNumberOfStrips(tif.get()) != 1)
        return false;
    uint32_t width = 0, height = 0;
    uint16_t compression = 0, bits = 0, samples = 0, photometric = 0, fill = 0, unit = 0;
    if (!TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height) ||
        !TIFFGetField(tif.get(), TIFFTAG_COMPRESSION, &compression) ||
        !TIFFGetFieldDefaulted(tif.get(), TIFFTAG_BITSPERSAMPLE, &bits) ||
        !TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLESPERPIXEL, &samples) ||
        !TIFFGetField(tif.get(), TIFFTAG_PHOTOMETRIC, &photometric) ||
        !TIFFGetFieldDefaulted(tif.get(), TIFFTAG_FILLORDER, &fill) ||
        !TIFFGetFieldDefaulted(tif.get(), TIFFTAG_RESOLUTIONUNIT, &unit))
        return false;
    if (compression != COMPRESSION_CCITTFAX4 || bits != 1 || samples != 1 || width == 0 ||
        height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF ||
        (photometric != PHOTOMETRIC_MINISWHITE && photometric != PHOTOMETRIC_MINISBLACK))
        return false;
    const uint64_t size = TIFFRawStripSize64(tif.get(), 0);
    if (size == 0 || size == uint64_t(-1) || size > uint64_t(tiff.size()))
        return false;
    QByteArray data(qsizetype(size), Qt::Uninitialized);
    const tmsize_t read = TIFFReadRawStrip(tif.get(), 0, data.data(), tmsize_t(size));
    if (read <= 0)
        return false;
    data.truncate(qsizetype(read));
    if (fill == FILLORDER_LSB2MSB)
        TIFFReverseBits(reinterpret_cast<uint8_t *>(data.data()), tmsize_t(data.size()));
    float x = 0, y = 0;
    const double perInch = unit == RESUNIT_CENTIMETER ? 2.54 : unit == RESUNIT_INCH ? 1. : 0.;
    out.dpiX = TIFFGetField(tif.get(), TIFFTAG_XRESOLUTION, &x) && x > 0 ? x * perInch : 0.;
    out.dpiY = TIFFGetField(tif.get(), TIFFTAG_YRESOLUTION, &y) && y > 0 ? y * perInch : 0.;
    out.data = data;
    out.width = int(width);
    out.height = int(height);
    out.blackIs1 = photometric == PHOTOMETRIC_MINISBLACK;
    return true;
}

#else

QByteArray encodeGroup4Tiff(const QImage &)
{
    return {};
}

bool readGroup4Strip(const QByteArray &, Group4Strip &)
{
    return false;
}

#endif

} // namespace imaging
