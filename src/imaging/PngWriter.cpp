#include "PngWriter.h"

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

// Filters one row of n bytes (3 per pixel) into out; prev is the row above or null.
void filterRow(Filter f, const uchar *row, const uchar *prev, size_t n, uchar *out)
{
    constexpr size_t bpp = 3;
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

// Every row with its filter byte in front, as the IDAT data wants them; null when there is
// no memory for them.
std::unique_ptr<uchar[]> filteredRows(const QImage &rgb888, Filter filter)
{
    const size_t width = size_t(rgb888.width());
    const size_t height = size_t(rgb888.height());
    const size_t rowBytes = width * 3;
    // Filled row by row below: no need to clear it first.
    std::unique_ptr<uchar[]> raw(new (std::nothrow) uchar[height * (rowBytes + 1)]);
    if (!raw)
        return raw;
    std::vector<uchar> trial(filter == Filter::Adaptive ? rowBytes : 0);
    for (size_t y = 0; y < height; ++y) {
        const uchar *row = rgb888.constScanLine(int(y));
        const uchar *prev = y > 0 ? rgb888.constScanLine(int(y - 1)) : nullptr;
        uchar *out = raw.get() + y * (rowBytes + 1);
        Filter f = filter;
        if (f == Filter::Adaptive) {
            f = Filter::None;
            size_t best = signedSum(row, rowBytes);
            for (Filter candidate : {Filter::Sub, Filter::Up, Filter::Average, Filter::Paeth}) {
                filterRow(candidate, row, prev, rowBytes, trial.data());
                const size_t sum = signedSum(trial.data(), rowBytes);
                if (sum < best) {
                    best = sum;
                    f = candidate;
                }
            }
        }
        out[0] = uchar(f);
        filterRow(f, row, prev, rowBytes, out + 1);
    }
    return raw;
}

} // namespace

Settings defaultSettings()
{
    return {};
}

QByteArray encode(const QImage &rgb888, Settings settings)
{
    if (rgb888.format() != QImage::Format_RGB888 || rgb888.isNull())
        return {};
    const size_t width = size_t(rgb888.width());
    const size_t height = size_t(rgb888.height());
    const size_t rawSize = height * (width * 3 + 1);
    const std::unique_ptr<uchar[]> raw = filteredRows(rgb888, settings.filter);
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
    header[8] = 8;  // bits per channel
    header[9] = 2;  // RGB
    header[10] = 0; // deflate
    header[11] = 0; // adaptive filtering
    header[12] = 0; // not interlaced
    appendChunk(out, "IHDR", header, sizeof header);
    if (rgb888.dotsPerMeterX() > 0 && rgb888.dotsPerMeterY() > 0) {
        uchar phys[9];
        qToBigEndian(quint32(rgb888.dotsPerMeterX()), phys);
        qToBigEndian(quint32(rgb888.dotsPerMeterY()), phys + 4);
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
