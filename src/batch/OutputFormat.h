#pragma once

#include <QString>

// The four formats a piece can be saved in, in the order of the format options.
enum class OutputFormat { Bmp = 0, Tif = 1, Png = 2, Jpg = 3 };

// The file extension of a format as the option's caption spells it: ".BMP", ".TIF", ...
QString extensionOf(OutputFormat format);
