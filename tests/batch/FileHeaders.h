#pragma once

// Reads the few header fields of saved pictures that tell how they were encoded.

#include <QByteArray>
#include <QtEndian>

#include <map>
#include <vector>

namespace headers {

struct Bmp
{
    int bitCount = 0;
    int compression = -1;
    int pelsPerMeterX = 0;
};

inline Bmp bmp(const QByteArray &d)
{
    Bmp b;
    if (d.size() < 54 || !d.startsWith("BM"))
        return b;
    const auto *p = reinterpret_cast<const uchar *>(d.constData());
    b.bitCount = qFromLittleEndian<quint16>(p + 28);
    b.compression = int(qFromLittleEndian<quint32>(p + 30));
    b.pelsPerMeterX = int(qFromLittleEndian<qint32>(p + 38));
    return b;
}

struct Png
{
    int bitDepth = 0;
    int colorType = -1;
    int pixelsPerMeterX = 0; // from pHYs, 0 without
};

inline Png png(const QByteArray &d)
{
    Png r;
    if (d.size() < 33 || !d.startsWith("\x89PNG"))
        return r;
    const auto *p = reinterpret_cast<const uchar *>(d.constData());
    r.bitDepth = p[24];
    r.colorType = p[25];
    qsizetype at = 8;
    while (at + 12 <= d.size()) {
        const quint32 length = qFromBigEndian<quint32>(p + at);
        if (d.mid(at + 4, 4) == "pHYs" && p[at + 16] == 1)
            r.pixelsPerMeterX = int(qFromBigEndian<quint32>(p + at + 8));
        at += 12 + qsizetype(length);
    }
    return r;
}

// Tag -> values of the first directory; rationals give their quotient.
inline std::map<int, std::vector<double>> tiffTags(const QByteArray &d)
{
    std::map<int, std::vector<double>> tags;
    if (d.size() < 8)
        return tags;
    const bool little = d.startsWith("II");
    const auto *p = reinterpret_cast<const uchar *>(d.constData());
    auto u16 = [&](qsizetype at) -> quint32 {
        return little ? qFromLittleEndian<quint16>(p + at) : qFromBigEndian<quint16>(p + at);
    };
    auto u32 = [&](qsizetype at) -> quint32 {
        return little ? qFromLittleEndian<quint32>(p + at) : qFromBigEndian<quint32>(p + at);
    };
    const qsizetype ifd = u32(4);
    if (ifd + 2 > d.size())
        return tags;
    const int entries = int(u16(ifd));
    for (int e = 0; e < entries; ++e) {
        const qsizetype at = ifd + 2 + qsizetype(e) * 12;
        if (at + 12 > d.size())
            break;
        const int tag = int(u16(at));
        const int type = int(u16(at + 2));
        const quint32 count = u32(at + 4);
        const int size = type == 3 ? 2 : type == 4 ? 4 : type == 5 ? 8 : 1;
        const qsizetype values = qsizetype(count) * size <= 4 ? at + 8 : qsizetype(u32(at + 8));
        std::vector<double> list;
        for (quint32 i = 0; i < count && i < 16; ++i) {
            const qsizetype v = values + qsizetype(i) * size;
            if (v + size > d.size())
                break;
            if (type == 3)
                list.push_back(u16(v));
            else if (type == 4)
                list.push_back(u32(v));
            else if (type == 5)
                list.push_back(u32(v + 4) ? double(u32(v)) / u32(v + 4) : 0.0);
            else
                list.push_back(p[v]);
        }
        tags[tag] = list;
    }
    return tags;
}

struct Jpeg
{
    std::vector<int> quantisers; // every entry of every quantisation table
    int densityUnit = -1;        // JFIF: 1 = dots per inch
    int densityX = 0;
};

inline Jpeg jpeg(const QByteArray &d)
{
    Jpeg j;
    const auto *p = reinterpret_cast<const uchar *>(d.constData());
    qsizetype at = 2;
    while (at + 4 <= d.size() && p[at] == 0xFF) {
        const int marker = p[at + 1];
        const qsizetype length = qFromBigEndian<quint16>(p + at + 2);
        if (marker == 0xDA) // start of scan: the headers are over
            break;
        if (marker == 0xE0 && d.mid(at + 4, 5) == QByteArray("JFIF\0", 5)) {
            j.densityUnit = p[at + 11];
            j.densityX = qFromBigEndian<quint16>(p + at + 12);
        }
        if (marker == 0xDB) {
            qsizetype t = at + 4;
            while (t < at + 2 + length) {
                const bool wide = (p[t] >> 4) != 0;
                ++t;
                for (int i = 0; i < 64; ++i, t += wide ? 2 : 1)
                    j.quantisers.push_back(wide ? qFromBigEndian<quint16>(p + t) : p[t]);
            }
        }
        at += 2 + length;
    }
    return j;
}

} // namespace headers
