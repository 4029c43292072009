#include "PngWriter.h"

#include "BitonalTiff.h"

#include <libdeflate.h>

#include <QtEndian>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace imaging::png {

namespace {

struct CompressorFree
{
    void operator()(libdeflate_compressor *c) const { libdeflate_free_compressor(c); }
};

void appendChunk(QByteArray &out, const char type[4], const uchar *data, size_t size)
{
    uchar length[4];
    qToBigEndian(quint32(size), length);
    out.append(reinterpret_cast<const char *>(length), 4);
    const qsizetype typeAt = out.size();
    out.append(type, 4);
    if (size > 0)
        out.append(reinterpret_cast<const char *>(data), qsizetype(size));
    const quint32 crc = libdeflate_crc32(0, out.constData() + typeAt, size_t(out.size() - typeAt));
    uchar crcBytes[4];
    qToBigEndian(crc, crcBytes);
    out.append(reinterpret_cast<const char *>(crcBytes), 4);
}

inline uchar paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc)
        return uchar(a);
    return uchar(pb <= pc ? b : c);
}

// Filters one row of n bytes (bpp per pixel, at least one) into out; prev is the row
// above or null.
void filterRow(Filter f, const uchar *row, const uchar *prev, size_t n, size_t bpp, uchar *out)
{
    switch (f) {
    case Filter::None:
    case Filter::Adaptive:
        std::memcpy(out, row, n);
        return;
    case Filter::Sub:
        for (size_t i = 0; i < n; ++i)
            out[i] = uchar(row[i] - (i >= bpp ? row[i - bpp] : 0));
        return;
    case Filter::Up:
        for (size_t i = 0; i < n; ++i)
            out[i] = uchar(row[i] - (prev ? prev[i] : 0));
        return;
    case Filter::Average:
        for (size_t i = 0; i < n; ++i) {
            const int left = i >= bpp ? row[i - bpp] : 0;
            const int up = prev ? prev[i] : 0;
            out[i] = uchar(row[i] - ((left + up) >> 1));
        }
        return;
    case Filter::Paeth:
        for (size_t i = 0; i < n; ++i) {
            const int left = i >= bpp ? row[i - bpp] : 0;
            const int up = prev ? prev[i] : 0;
            const int upLeft = (prev && i >= bpp) ? prev[i - bpp] : 0;
            out[i] = uchar(row[i] - paeth(left, up, upLeft));
        }
        return;
    }
}

// The usual heuristic: the filter whose bytes, read as signed, sum smallest.
size_t signedSum(const uchar *bytes, size_t n)
{
    size_t sum = 0;
    for (size_t i = 0; i < n; ++i)
        sum += size_t(std::abs(int(qint8(bytes[i]))));
    return sum;
}

// The rows as the file stores them: RGB and grey rows as they are; 1-bit rows with 1 for
// white (inverted when the table has white first) and the bits after the last pixel
// cleared. Null for other pictures or without memory.
struct Rows
{
    const QImage &image;
    size_t rowBytes = 0;
    size_t bpp = 0;
    std::unique_ptr<uchar[]> packed; // 1-bit rows only

    explicit Rows(const QImage &picture) : image(picture)
    {
        const size_t width = size_t(picture.width());
        if (picture.format() == QImage::Format_RGB888) {
            rowBytes = width * 3;
            bpp = 3;
        } else if (picture.format() == QImage::Format_Grayscale8) {
            rowBytes = width;
            bpp = 1;
        } else if (picture.format() == QImage::Format_Mono && isBlackAndWhite(picture)) {
            rowBytes = (width + 7) / 8;
            packed.reset(new (std::nothrow) uchar[rowBytes * size_t(picture.height())]);
            if (!packed)
                return;
            bpp = 1;
            const uchar flip = qGray(picture.color(0)) > 127 ? 0xFF : 0;
            const uchar lastMask = width % 8 ? uchar(0xFF00 >> (width % 8)) : 0xFF;
            for (int y = 0; y < picture.height(); ++y) {
                const uchar *in = picture.constScanLine(y);
                uchar *out = packed.get() + size_t(y) * rowBytes;
                for (size_t i = 0; i < rowBytes; ++i)
                    out[i] = in[i] ^ flip;
                out[rowBytes - 1] &= lastMask;
            }
        }
    }
    bool usable() const { return bpp > 0 && !image.isNull(); }
    const uchar *row(size_t y) const
    {
        return packed ? packed.get() + y * rowBytes : image.constScanLine(int(y));
    }
};

// Every row with its filter byte in front, as the IDAT data wants them; null when there is
// no memory for them.
std::unique_ptr<uchar[]> filteredRows(const Rows &rows, Filter filter)
{
    const size_t height = size_t(rows.image.height());
    const size_t rowBytes = rows.rowBytes;
    const size_t bpp = rows.bpp;
    // Filled row by row below: no need to clear it first.
    std::unique_ptr<uchar[]> raw(new (std::nothrow) uchar[height * (rowBytes + 1)]);
    if (!raw)
        return raw;
    std::vector<uchar> trial(filter == Filter::Adaptive ? rowBytes : 0);
    for (size_t y = 0; y < height; ++y) {
        const uchar *row = rows.row(y);
        const uchar *prev = y > 0 ? rows.row(y - 1) : nullptr;
        uchar *out = raw.get() + y * (rowBytes + 1);
        Filter f = filter;
        if (f == Filter::Adaptive) {
            f = Filter::None;
            size_t best = signedSum(row, rowBytes);
            for (Filter candidate : {Filter::Sub, Filter::Up, Filter::Average, Filter::Paeth}) {
                filterRow(candidate, row, prev, rowBytes, bpp, trial.data());
                const size_t sum = signedSum(trial.data(), rowBytes);
                if (sum < best) {
                    best = sum;
                    f = candidate;
                }
            }
        }
        out[0] = uchar(f);
        filterRow(f, row, prev, rowBytes, bpp, out + 1);
    }
    return raw;
}

// The colour profile in an iCCP chunk: a name, the compression method 0, the profile
// zlib-compressed. Nothing to do for an empty profile; false when it cannot be written.
bool appendProfile(QByteArray &out, libdeflate_compressor *compressor, const QByteArray &profile)
{
    if (profile.isEmpty())
        return true;
    static constexpr char name[] = "ICC Profile";
    const size_t bound = libdeflate_zlib_compress_bound(compressor, size_t(profile.size()));
    std::vector<uchar> chunk(sizeof name + 1 + bound);
    std::memcpy(chunk.data(), name, sizeof name); // with its ending zero
    chunk[sizeof name] = 0;                       // deflate
    const size_t size =
        libdeflate_zlib_compress(compressor, profile.constData(), size_t(profile.size()),
                                 chunk.data() + sizeof name + 1, bound);
    if (size == 0)
        return false;
    appendChunk(out, "iCCP", chunk.data(), sizeof name + 1 + size);
    return true;
}

} // namespace

Settings defaultSettings()
{
    return {};
}

QByteArray encode(const QImage &image, Settings settings)
{
    const Rows rows(image);
    if (!rows.usable())
        return {};
    const size_t width = size_t(image.width());
    const size_t height = size_t(image.height());
    const size_t rawSize = height * (rows.rowBytes + 1);
    const std::unique_ptr<uchar[]> raw = filteredRows(rows, settings.filter);
    if (!raw)
        return {};

    const std::unique_ptr<libdeflate_compressor, CompressorFree> compressor(
        libdeflate_alloc_compressor(qBound(1, settings.level, 12)));
    if (!compressor)
        return {};
    const size_t bound = libdeflate_zlib_compress_bound(compressor.get(), rawSize);

    QByteArray out;
    out.reserve(qsizetype(bound + 128));
    out.append("\x89PNG\r\n\x1a\n", 8);
    uchar header[13];
    qToBigEndian(quint32(width), header);
    qToBigEndian(quint32(height), header + 4);
    header[8] = rows.packed ? 1 : 8;                             // bits per channel
    header[9] = image.format() == QImage::Format_RGB888 ? 2 : 0; // RGB or grey
    header[10] = 0;                                              // deflate
    header[11] = 0;                                              // adaptive filtering
    header[12] = 0;                                              // not interlaced
    appendChunk(out, "IHDR", header, sizeof header);
    if (!appendProfile(out, compressor.get(), embeddableProfile(image)))
        return {};
    if (image.dotsPerMeterX() > 0 && image.dotsPerMeterY() > 0) {
        uchar phys[9];
        qToBigEndian(quint32(image.dotsPerMeterX()), phys);
        qToBigEndian(quint32(image.dotsPerMeterY()), phys + 4);
        phys[8] = 1; // metres
        appendChunk(out, "pHYs", phys, sizeof phys);
    }
    // Deflated straight into the file's IDAT chunk.
    const qsizetype idatAt = out.size();
    out.resize(idatAt + 8 + qsizetype(bound));
    auto *idat = reinterpret_cast<uchar *>(out.data() + idatAt);
    const size_t size =
        libdeflate_zlib_compress(compressor.get(), raw.get(), rawSize, idat + 8, bound);
    if (size == 0 || size > 0x7FFFFFFFu)
        return {};
    qToBigEndian(quint32(size), idat);
    std::memcpy(idat + 4, "IDAT", 4);
    uchar crc[4];
    qToBigEndian(quint32(libdeflate_crc32(0, idat + 4, size + 4)), crc);
    out.resize(idatAt + 8 + qsizetype(size));
    out.append(reinterpret_cast<const char *>(crc), 4);
    appendChunk(out, "IEND", nullptr, 0);
    return out;
}

} // namespace imaging::png
