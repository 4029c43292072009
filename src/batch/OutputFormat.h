#pragma once

#include "imaging/Encoders.h"

#include <QString>

#include <span>

// The formats a piece can be saved in, in the order of step 3's options.
enum class OutputFormat { Bmp = 0, Tif = 1, Png = 2, Jpg = 3 };

// One output format: the caption of its option, the extension of its files as the
// caption spells it, and how a piece is written. Adding a format is one row in
// outputFormats() and one encoder.
struct OutputFormatInfo
{
    OutputFormat format;
    const char *caption;
    const char *extension;
    imaging::Encoder encode;
};

// Every format, in the order of the options.
std::span<const OutputFormatInfo> outputFormats();
const OutputFormatInfo &formatInfo(OutputFormat format);

// ".BMP", ".TIF", ".PNG" or ".JPG".
QString extensionOf(OutputFormat format);
