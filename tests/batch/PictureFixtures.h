#pragma once

// Pictures of every input kind, written by the tests, and the references a piece is
// compared with.

#include "GifData.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QString>

#include <algorithm>
#include <cstdlib>

namespace fixtures {

// Writes an 8-bit GIF without compression (Qt reads GIF but cannot write it).
inline bool writeGif(const QImage &source, const QString &path)
{
    const QImage image = source.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    QByteArray out("GIF89a");
    auto le16 = [&out](int v) {
        out.append(char(v & 0xFF));
        out.append(char((v >> 8) & 0xFF));
    };
    le16(image.width());
    le16(image.height());
    out.append(char(0xF7)); // global table of 256 entries
    out.append(char(0));
    out.append(char(0));
    const QList<QRgb> table = image.colorTable();
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < table.size() ? table.at(i) : 0;
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    out.append(char(0x2C));
    le16(0);
    le16(0);
    le16(image.width());
    le16(image.height());
    out.append(char(0));
    std::vector<uchar> indices;
    indices.reserve(size_t(image.width()) * size_t(image.height()));
    for (int y = 0; y < image.height(); ++y)
        indices.insert(indices.end(), image.constScanLine(y),
                       image.constScanLine(y) + image.width());
    out.append(testsupport::uncompressedGifData(indices, 8, 200));
    out.append(char(0x3B));

    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(out) == out.size();
}

// The picture turned by a rotation code, pixel by pixel: 1 is 90° clockwise, so the
// turned picture's (x, y) is the source's (y, H - 1 - x).
inline QImage turnedReference(const QImage &source, int code)
{
    const QImage src = source.convertToFormat(QImage::Format_ARGB32);
    const int w = src.width();
    const int h = src.height();
    QImage out(code % 2 ? h : w, code % 2 ? w : h, QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            QPoint from;
            switch (code) {
            case 1:
                from = QPoint(y, h - 1 - x);
                break;
            case 2:
                from = QPoint(w - 1 - x, h - 1 - y);
                break;
            case 3:
                from = QPoint(w - 1 - y, x);
                break;
            default:
                from = QPoint(x, y);
            }
            out.setPixel(x, y, src.pixel(from));
        }
    }
    return out;
}

// Largest difference of one colour channel; -1 when the sizes differ.
inline int maxDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return -1;
    const QImage x = a.convertToFormat(QImage::Format_RGB888);
    const QImage y = b.convertToFormat(QImage::Format_RGB888);
    int worst = 0;
    for (int row = 0; row < x.height(); ++row) {
        const uchar *p = x.constScanLine(row);
        const uchar *q = y.constScanLine(row);
        for (int i = 0; i < x.width() * 3; ++i)
            worst = std::max(worst, std::abs(int(p[i]) - int(q[i])));
    }
    return worst;
}

// The picture as a JPEG at quality 100 gives it back.
inline QImage jpegRoundTrip(const QImage &image)
{
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(100);
    if (!writer.write(image))
        return {};
    buffer.seek(0);
    return QImageReader(&buffer, "jpeg").read();
}

} // namespace fixtures
