#pragma once

#include <QByteArray>
#include <QImage>

namespace imaging::raw {

// A 24-bit uncompressed BMP (BITMAPINFOHEADER, rows bottom-up, each padded to four
// bytes) of a 24-bit RGB picture whose rows may be a view into a larger one, with its
// resolution. Empty on failure.
QByteArray encodeBmp(const QImage &rgb888);

// A baseline uncompressed RGB TIFF (little-endian, 8 bits per sample, one strip) with
// its resolution in dots per inch. Empty on failure.
QByteArray encodeTiff(const QImage &rgb888);

} // namespace imaging::raw
