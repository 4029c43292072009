#pragma once

#include <QByteArray>
#include <QImage>

namespace imaging::png {

// The row filter applied before deflate.
enum class Filter { None = 0, Sub = 1, Up = 2, Average = 3, Paeth = 4, Adaptive = 5 };

struct Settings
{
    int level = 1; // libdeflate level, 1 (fastest) .. 12
    Filter filter = Filter::Up;
};

// The settings pieces are written with: chosen on scans for speed at a size close to
// other tools' output (see bench/RESULTS.md).
Settings defaultSettings();

// Encodes a 24-bit RGB picture (rows may be a view into a larger picture) as an 8-bit
// RGB PNG, an 8-bit grey one as 8-bit grey, a black and white Format_Mono one as 1-bit
// grey; with its resolution, and its colour profile when it has one that fits. Empty on
// failure.
QByteArray encode(const QImage &image, Settings settings = defaultSettings());

} // namespace imaging::png
