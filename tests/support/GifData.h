#pragma once

#include <QByteArray>

#include <vector>

namespace testsupport {

// One GIF frame's image data without compression (Qt reads GIF but cannot write it): a
// clear code before every clearEvery pixels keeps the codes at minCodeSize + 1 bits, so
// no real compressor is needed. Returns the minimum code size byte, the data sub-blocks
// and their terminator.
inline QByteArray uncompressedGifData(const std::vector<uchar> &indices, int minCodeSize,
                                      int clearEvery)
{
    const int clear = 1 << minCodeSize;
    const int width = minCodeSize + 1;
    QByteArray codes;
    quint32 bits = 0;
    int bitCount = 0;
    auto put = [&](int code) {
        bits |= quint32(code) << bitCount;
        bitCount += width;
        while (bitCount >= 8) {
            codes.append(char(bits & 0xFF));
            bits >>= 8;
            bitCount -= 8;
        }
    };
    for (size_t i = 0; i < indices.size(); ++i) {
        if (i % size_t(clearEvery) == 0)
            put(clear);
        put(indices[i] & (clear - 1));
    }
    put(clear + 1); // end of information
    if (bitCount > 0)
        codes.append(char(bits & 0xFF));

    QByteArray out(1, char(minCodeSize));
    for (qsizetype at = 0; at < codes.size(); at += 255) {
        const QByteArray block = codes.mid(at, 255);
        out.append(char(block.size()));
        out.append(block);
    }
    out.append(char(0));
    return out;
}

} // namespace testsupport
