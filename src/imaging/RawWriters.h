#pragma once

#include <QByteArray>
#include <QImage>

namespace imaging::raw {

// An uncompressed BMP (BITMAPINFOHEADER, rows bottom-up, each padded to four bytes)
// with the picture's resolution: 24 bits of a 24-bit RGB picture whose rows may be a
// view into a larger one, 8 bits with a grey palette of an 8-bit grey one, 1 bit with
// its two colours of a black and white Format_Mono one. Empty on failure.
QByteArray encodeBmp(const QImage &image);

// A baseline uncompressed TIFF (little-endian, one strip) of the same three kinds: RGB
// with 8 bits per sample, 8-bit grey with black as 0, or 1 bit with black or white as 0
// as the picture's table has it; its resolution in dots per inch, and its colour
// profile when it has one that fits. Empty on failure.
QByteArray encodeTiff(const QImage &image);

} // namespace imaging::raw
