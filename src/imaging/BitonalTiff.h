#pragma once

#include <QByteArray>
#include <QImage>

namespace imaging {

// A 1-bit picture (Format_Mono or MonoLSB whose two colours are black and white) as a
// one-strip CCITT Group 4 TIFF with its resolution in dots per inch and its colour
// profile. Index 0 white is written min-is-white, index 0 black min-is-black, so the
// bits are stored as they are. Empty on failure, and always without libtiff.
QByteArray encodeGroup4Tiff(const QImage &mono);

// The coded strip of a Group 4 TIFF, to be placed in a PDF as it is.
struct Group4Strip
{
    QByteArray data; // Group 4 codes, first bit in the high bit of each byte
    int width = 0;
    int height = 0;
    // The CCITTFaxDecode BlackIs1 that shows the pixels as the TIFF does: the codes call
    // 0 bits white, and in a min-is-black TIFF those are its black pixels.
    bool blackIs1 = false;
    double dpiX = 0; // 0 when the file gives none
    double dpiY = 0;
};

// Reads the one strip of a 1-bit Group 4 TIFF without decoding it. False for any other
// TIFF (other codings, several strips or tiles, several samples) and without libtiff.
bool readGroup4Strip(const QByteArray &tiff, Group4Strip &out);

// True for a 1-bit picture whose two table colours are black and white, in either order.
bool isBlackAndWhite(const QImage &image);

// The picture at the depth it was stored with, where a piece can keep it: a black and
// white picture (1-bit, or a palette of just black and white) as Format_Mono with its
// table; a grey one (Grayscale8 or 16, a palette of greys) as Format_Grayscale8. Null for
// any other picture, which is then worked on as 24-bit RGB. Resolution and colour
// space are kept.
QImage keepingDepth(QImage decoded);

// The colour profile to store in a file of the picture: its colour space's ICC bytes when
// they describe the picture's kind (a grey profile for 1-bit and grey pictures, an RGB one
// for others, as a reader refuses the file or the profile otherwise); else empty.
QByteArray embeddableProfile(const QImage &image);

} // namespace imaging
