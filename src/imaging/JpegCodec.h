#pragma once

#include <QByteArray>
#include <QImage>

namespace imaging::jpeg {

enum class Decoded {
    Ok,         // the picture is in the image, 24-bit RGB (or 8-bit grey when kept)
    NotHandled, // not a JPEG this path takes (CMYK, not JPEG): use the general reader
    Failed,     // a JPEG that could not be decoded
};

// What a one-component (grey) JPEG is decoded to.
enum class Grey { AsRgb, Kept };

// Decodes a whole JPEG file straight to 24-bit RGB with its resolution and its colour
// profile, the way the general reader would (same decoder, same upsampling), only
// without the detour through 32 bits; with Grey::Kept a grey JPEG becomes 8-bit grey.
// An image handed in with the same size and layout, and not shared, is decoded into, so
// its memory is reused.
Decoded decode(const QByteArray &file, QImage &image, Grey grey = Grey::AsRgb);

// What a JPEG's header says, no pixel decoded: size, components, resolution in dots per
// inch (0 when it gives none) and colour profile. False when the header cannot be read.
struct HeaderFacts
{
    int width = 0;
    int height = 0;
    int components = 0;
    double dpiX = 0;
    double dpiY = 0;
    QByteArray profile;
};
bool readHeaderFacts(const QByteArray &file, HeaderFacts &facts);

// True when the file has an end-of-image marker after its last scan: JPEG data cut
// short lacks it, and the general reader would fill the rest with grey.
bool hasEndOfImage(const QByteArray &file);

// Encodes a 24-bit RGB picture (rows may be a view into a larger picture) as the
// general writer does: baseline, 4:2:0, standard Huffman tables, its resolution in
// the JFIF header. An 8-bit grey or a 1-bit picture becomes a grey JPEG. A colour
// profile that fits is stored after the JFIF header. Empty on failure.
QByteArray encode(const QImage &picture, int quality);

} // namespace imaging::jpeg
