#pragma once

#include "Status.h"

#include <QImage>
#include <QRect>
#include <QSize>

namespace imaging {

// The size of a picture after turning it by code (0 none, 1 90° clockwise, 2 180°,
// 3 270° clockwise).
QSize turnedSize(QSize size, int code);

// The whole picture turned by code, in its own pixel format with its resolution and
// colour space; 1-bit, 8-bit grey, 24- and 32-bit pictures are turned by a plain tiled
// copy, others by Qt's transform.
QImage turnedImage(const QImage &picture, int code);

// Cuts a piece out of a picture as if the picture had been turned by code first, without
// turning the whole picture: only the piece's own pixels are read, turned and written
// into a piece carrying the picture's resolution and colour space. A 1-bit picture gives
// a 1-bit piece with its table, an 8-bit grey one a grey piece, others a 24-bit RGB
// piece. For an unturned 24-bit picture the piece is a view onto its rows (no copy): the
// picture must outlive it.
// The rectangle is in the turned picture and must lie inside it. A turned piece given
// back in piece has its memory reused when the sizes agree; never give back a view.
Status cutTurnedPiece(const QImage &picture, int code, const QRect &inTurned, QImage &piece);

} // namespace imaging
