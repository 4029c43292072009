#pragma once

#include <QRect>
#include <QSizeF>

// The part of a frame that is cut from a picture of the given (turned) size. A frame
// whose top-left corner lies on or beyond the right or bottom edge, or that is cut
// down to nothing, gives a null rectangle: no piece and no file.
QRect clipPiece(const QRect &frame, QSizeF picture);
