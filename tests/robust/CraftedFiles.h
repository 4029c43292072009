#pragma once

// Picture files written byte by byte, for the kinds Qt cannot write: animated GIF,
// multi-page TIFF, CMYK JPEG, PNG with a transparent colour, and headers that lie about
// the picture's size.

#include "GifData.h"
#include "TestSupport.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>
#include <QRgb>
#include <QSize>
#include <QtEndian>

#include <cstdlib>
#include <functional>
#include <vector>

namespace crafted {

inline void le16(QByteArray &out, int v)
{
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

inline void le32(QByteArray &out, quint32 v)
{
    le16(out, int(v & 0xFFFF));
    le16(out, int(v >> 16));
}

inline void be16(QByteArray &out, int v)
{
    out.append(char((v >> 8) & 0xFF));
    out.append(char(v & 0xFF));
}

inline void be32(QByteArray &out, quint32 v)
{
    be16(out, int(v >> 16));
    be16(out, int(v & 0xFFFF));
}

// One frame of a GIF: where it lies on the screen and one palette index per pixel.
struct GifFrame
{
    QRect rect;
    std::vector<uchar> indices; // 0..3, row by row
};

// The four colours the GIF tests use, and a pattern of indices into them.
inline constexpr QRgb gifPalette[4] = {0xFF000000u, 0xFFFFFFFFu, 0xFFC81E28u, 0xFF145ADCu};

inline std::vector<uchar> gifIndices(QSize size, int seed)
{
    std::vector<uchar> v;
    for (int i = 0; i < size.width() * size.height(); ++i)
        v.push_back(uchar((i * 7 + i / size.width() + seed) % 4));
    return v;
}

// A GIF89a with a four-colour table, its frames without compression.
inline QByteArray gif(QSize screen, const std::vector<GifFrame> &frames, const QRgb (&palette)[4])
{
    QByteArray out("GIF89a");
    le16(out, screen.width());
    le16(out, screen.height());
    out.append(char(0x81)); // global table of 4 entries
    out.append(char(0));
    out.append(char(0));
    for (const QRgb c : palette) {
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    for (const GifFrame &f : frames) {
        out.append("\x21\xF9\x04\x00\x0A\x00\x00\x00", 8); // graphic control, 0.1 s
        out.append(char(0x2C));
        le16(out, f.rect.x());
        le16(out, f.rect.y());
        le16(out, f.rect.width());
        le16(out, f.rect.height());
        out.append(char(0));
        out.append(testsupport::uncompressedGifData(f.indices, 2, 2)); // 4 colours
    }
    out.append(char(0x3B));
    return out;
}

// An uncompressed 8-bit RGB TIFF with one page per picture, each page its own IFD.
// A page's claimed size may differ from its pixels (a lying header).
struct TiffPage
{
    QSize claimed;
    QByteArray rgb; // row by row, 3 bytes per pixel (4 with alpha)
    int alpha = -1; // ExtraSamples of a fourth sample (1 associated, 2 not); none if < 0
};

inline QByteArray tiff(const std::vector<TiffPage> &pages)
{
    QByteArray out("II*\0", 4);
    le32(out, 0); // first IFD, patched below
    qsizetype linkAt = 4;
    for (const TiffPage &page : pages) {
        const quint32 dataAt = quint32(out.size());
        out.append(page.rgb);
        if (out.size() % 2)
            out.append(char(0));
        const int samples = page.alpha < 0 ? 3 : 4;
        const quint32 bitsAt = quint32(out.size());
        for (int i = 0; i < samples; ++i)
            le16(out, 8);
        const quint32 ifdAt = quint32(out.size());
        qToLittleEndian<quint32>(ifdAt, out.data() + linkAt);
        auto entry = [&out](int tag, int type, quint32 count, quint32 value) {
            le16(out, tag);
            le16(out, type);
            le32(out, count);
            le32(out, value);
        };
        constexpr int shortType = 3;
        constexpr int longType = 4;
        le16(out, samples == 3 ? 10 : 11);
        entry(256, longType, 1, quint32(page.claimed.width()));
        entry(257, longType, 1, quint32(page.claimed.height()));
        entry(258, shortType, quint32(samples), bitsAt);
        entry(259, shortType, 1, 1); // no compression
        entry(262, shortType, 1, 2); // RGB
        entry(273, longType, 1, dataAt);
        entry(277, shortType, 1, quint32(samples));
        entry(278, longType, 1, quint32(page.claimed.height()));
        entry(279, longType, 1, quint32(page.rgb.size()));
        entry(284, shortType, 1, 1); // contiguous
        if (samples == 4)
            entry(338, shortType, 1, quint32(page.alpha));
        linkAt = out.size();
        le32(out, 0); // next IFD
    }
    return out;
}

inline QByteArray rgbBytes(const QImage &image, bool withAlpha = false)
{
    QByteArray rgb;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            rgb.append(char(qRed(c)));
            rgb.append(char(qGreen(c)));
            rgb.append(char(qBlue(c)));
            if (withAlpha)
                rgb.append(char(qAlpha(c)));
        }
    return rgb;
}

// A PNG chunk: length, type, body and the CRC of type and body.
inline void pngChunk(QByteArray &out, const char *type, const QByteArray &body)
{
    be32(out, quint32(body.size()));
    const QByteArray typed = QByteArray(type) + body;
    out.append(typed);
    be32(out, testsupport::crc32(typed));
}

// A PNG of the given bit depth and colour type from its packed sample rows (each row
// gets filter 0 here), with an optional palette and transparency chunk.
inline QByteArray png(QSize size, int depth, int colourType, const std::vector<QByteArray> &rows,
                      const QByteArray &trns = {}, const QByteArray &plte = {})
{
    QByteArray out("\x89PNG\r\n\x1A\n", 8);
    QByteArray ihdr;
    be32(ihdr, quint32(size.width()));
    be32(ihdr, quint32(size.height()));
    ihdr.append(char(depth)).append(char(colourType)).append(QByteArray(3, '\0'));
    pngChunk(out, "IHDR", ihdr);
    if (!plte.isEmpty())
        pngChunk(out, "PLTE", plte);
    if (!trns.isEmpty())
        pngChunk(out, "tRNS", trns);
    QByteArray raw;
    for (const QByteArray &row : rows)
        raw.append(char(0)).append(row);
    pngChunk(out, "IDAT", qCompress(raw).mid(4)); // qCompress puts the length first
    pngChunk(out, "IEND", {});
    return out;
}

// A PNG whose header claims the size; its only data is an empty compressed stream.
inline QByteArray pngHeader(QSize claimed)
{
    QByteArray out("\x89PNG\r\n\x1A\n", 8);
    QByteArray ihdr;
    be32(ihdr, quint32(claimed.width()));
    be32(ihdr, quint32(claimed.height()));
    ihdr.append("\x08\x02\x00\x00\x00", 5); // 8-bit RGB
    pngChunk(out, "IHDR", ihdr);
    pngChunk(out, "IDAT", QByteArray("\x78\x9C\x03\x00\x00\x00\x00\x01", 8));
    pngChunk(out, "IEND", {});
    return out;
}

// A 24-bit BMP whose header claims the size, followed by a few bytes of pixels.
inline QByteArray bmpHeader(QSize claimed)
{
    QByteArray out("BM");
    le32(out, 54 + 16);
    le32(out, 0);
    le32(out, 54);
    le32(out, 40);
    le32(out, quint32(claimed.width()));
    le32(out, quint32(claimed.height()));
    le16(out, 1);
    le16(out, 24);
    le32(out, 0);
    le32(out, 0);
    le32(out, 2835);
    le32(out, 2835);
    le32(out, 0);
    le32(out, 0);
    out.append(QByteArray(16, '\x7F'));
    return out;
}

// A baseline JPEG of uniform 8 x 8 blocks, one byte per block and component from
// sample(blockX, blockY, component). Four components are written as Adobe CMYK. Every
// quantiser is 1 and only DC coefficients are coded, so the codec gives the blocks back
// exactly. The claimed size may exceed the blocks written (a lying header).
inline QByteArray jpeg(QSize blocks, int components,
                       const std::function<int(int, int, int)> &sample, QSize claimed = {})
{
    if (!claimed.isValid())
        claimed = blocks * 8;
    QByteArray out("\xFF\xD8", 2);
    auto segment = [&out](int marker, const QByteArray &body) {
        out.append(char(0xFF));
        out.append(char(marker));
        be16(out, int(body.size()) + 2);
        out.append(body);
    };
    if (components == 4)
        segment(0xEE, QByteArray("Adobe\x00\x64\x00\x00\x00\x00\x00", 12)); // no transform
    segment(0xDB, QByteArray(1, '\0') + QByteArray(64, '\1'));
    QByteArray sof;
    sof.append(char(8));
    be16(sof, claimed.height());
    be16(sof, claimed.width());
    sof.append(char(components));
    for (int c = 1; c <= components; ++c)
        sof.append(char(c)).append(char(0x11)).append(char(0));
    segment(0xC0, sof);
    // DC: categories 0..11, every code 4 bits long. AC: only end-of-block, code "0".
    QByteArray dht(1, '\0');
    QByteArray counts(16, '\0');
    counts[3] = 12;
    dht.append(counts);
    for (int s = 0; s < 12; ++s)
        dht.append(char(s));
    dht.append(char(0x10));
    QByteArray acCounts(16, '\0');
    acCounts[0] = 1;
    dht.append(acCounts);
    dht.append(char(0));
    segment(0xC4, dht);
    QByteArray sos(1, char(components));
    for (int c = 1; c <= components; ++c)
        sos.append(char(c)).append(char(0));
    sos.append(QByteArray("\x00\x3F\x00", 3));
    segment(0xDA, sos);

    QByteArray data;
    quint32 acc = 0;
    int count = 0;
    auto put = [&](quint32 value, int length) {
        for (int i = length - 1; i >= 0; --i) {
            acc = (acc << 1) | ((value >> i) & 1u);
            if (++count == 8) {
                data.append(char(acc));
                if (uchar(acc) == 0xFF)
                    data.append(char(0)); // byte stuffing
                acc = 0;
                count = 0;
            }
        }
    };
    std::vector<int> previous(size_t(components), 0);
    for (int by = 0; by < blocks.height(); ++by)
        for (int bx = 0; bx < blocks.width(); ++bx)
            for (int c = 0; c < components; ++c) {
                const int dc = 8 * (sample(bx, by, c) - 128);
                const int diff = dc - previous[size_t(c)];
                previous[size_t(c)] = dc;
                int category = 0;
                while ((std::abs(diff) >> category) != 0)
                    ++category;
                put(quint32(category), 4);
                if (category > 0)
                    put(quint32(diff >= 0 ? diff : diff + (1 << category) - 1), category);
                put(0, 1); // end of block
            }
    if (count > 0)
        put(0xFF, 8 - count); // pad with ones
    out.append(data);
    out.append("\xFF\xD9", 2);
    return out;
}

} // namespace crafted
