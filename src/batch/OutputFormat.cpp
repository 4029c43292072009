#include "OutputFormat.h"

#include <array>

namespace {

// BMP and uncompressed TIFF at 24 bits, PNG, and JPEG at quality 100.
constexpr std::array<OutputFormatInfo, 4> formats = {{
    {OutputFormat::Bmp, "BMP", ".BMP", imaging::encodeBmp},
    {OutputFormat::Tif, "TIF", ".TIF", imaging::encodeUncompressedTiff},
    {OutputFormat::Png, "PNG", ".PNG", imaging::encodePng},
    {OutputFormat::Jpg, "JPG", ".JPG", imaging::encodeJpegQuality100},
}};

} // namespace

std::span<const OutputFormatInfo> outputFormats()
{
    return formats;
}

const OutputFormatInfo &formatInfo(OutputFormat format)
{
    for (const OutputFormatInfo &info : formats) {
        if (info.format == format)
            return info;
    }
    return formats.front();
}

QString extensionOf(OutputFormat format)
{
    return QString::fromLatin1(formatInfo(format).extension);
}
