#pragma once

#include <QByteArray>
#include <QImage>

namespace imaging::jpeg {

enum class Decoded {
    Ok,         // the picture is in the image, 24-bit RGB
    NotHandled, // not a JPEG this path takes (CMYK, not JPEG): use the general reader
    Failed,     // a JPEG that could not be decoded
};

// Decodes a whole JPEG file straight to 24-bit RGB with its resolution, the way the
// general reader would (same decoder, same upsampling), only without the detour
// through 32 bits. An image handed in with the same size and layout, and not shared, is
// decoded into, so its memory is reused.
Decoded decode(const QByteArray &file, QImage &image);

// True when the file has an end-of-image marker after its last scan: JPEG data cut
// short lacks it, and the general reader would fill the rest with grey.
bool hasEndOfImage(const QByteArray &file);

// Encodes a 24-bit RGB picture (rows may be a view into a larger picture) as the
// general writer does: baseline, 4:2:0, standard Huffman tables, its resolution in
// the JFIF header. Empty on failure.
QByteArray encode(const QImage &rgb888, int quality);

} // namespace imaging::jpeg
