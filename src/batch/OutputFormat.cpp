#include "OutputFormat.h"

QString extensionOf(OutputFormat format)
{
    switch (format) {
    case OutputFormat::Bmp:
        return QStringLiteral(".BMP");
    case OutputFormat::Tif:
        return QStringLiteral(".TIF");
    case OutputFormat::Png:
        return QStringLiteral(".PNG");
    case OutputFormat::Jpg:
        return QStringLiteral(".JPG");
    }
    return QStringLiteral(".BMP");
}
