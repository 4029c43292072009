#pragma once

// Pictures and profiles the codec tests share.

#include "TestSupport.h"

#include <QByteArray>
#include <QColorSpace>
#include <QImage>
#include <QRect>
#include <QtEndian>

namespace codecfixtures {

// A view whose rows are longer than its pixels, as a piece cut from a larger picture.
inline QImage strideView(const QImage &big, const QRect &r)
{
    return QImage(big.constScanLine(r.y()) + qsizetype(r.x()) * 3, r.width(), r.height(),
                  big.bytesPerLine(), QImage::Format_RGB888);
}

// A 1-bit pattern with black or white as its first colour.
inline QImage monoPattern(int w, int h, bool whiteFirst,
                          QImage::Format format = QImage::Format_Mono)
{
    QImage mono = testsupport::patternImage(w, h, format, 5);
    const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
    mono.setColorTable(whiteFirst ? QList<QRgb>{white, black} : QList<QRgb>{black, white});
    return mono;
}

// 1-bit and grey pictures compare as grey, others as 24-bit RGB; pixels only.
inline QImage comparable(const QImage &image)
{
    QImage pixels = image.allGray() ? image.convertToFormat(QImage::Format_Grayscale8)
                                    : testsupport::rgb(image);
    pixels.setColorSpace(QColorSpace());
    return pixels;
}

// An RGB colour profile longer than one JPEG segment holds: Adobe RGB with bytes added
// after its tags and its length in the header to match.
inline QByteArray longProfile()
{
    QByteArray icc = QColorSpace(QColorSpace::AdobeRgb).iccProfile();
    icc.append(150000 - icc.size(), '\0');
    qToBigEndian(quint32(icc.size()), icc.data());
    return icc;
}

} // namespace codecfixtures
