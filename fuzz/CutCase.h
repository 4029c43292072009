#pragma once

#include "job/SplitJob.h"

#include <QByteArray>
#include <QImage>

#include <cstddef>
#include <cstdint>
#include <vector>

// One whole cut as the cut fuzzer reads it from bytes: a small picture, its input and
// output formats, a rotation and up to ten frames with any 32-bit x, y, width and height;
// an edge beyond the int range is held at its end, as a job's rectangles are.
struct CutCase
{
    int width = 1;        // 1..64
    int height = 1;       // 1..64
    int inputFormat = 0;  // index into inputFormats
    int rotation = 0;     // 0..3
    int outputFormat = 0; // OutputFormat's value 0..3
    int seed = 0;
    std::vector<QRect> frames; // 1..10
};

inline constexpr const char *inputFormats[] = {"bmp", "png", "tif"};

CutCase parseCutCase(const uint8_t *data, size_t size);
QByteArray encodeCutCase(const CutCase &c);
// The case's picture: every pixel differs from its neighbours.
QImage cutCasePicture(const CutCase &c);
