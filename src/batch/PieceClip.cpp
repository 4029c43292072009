#include "PieceClip.h"

#include <algorithm>

QRect clipPiece(const QRect &frame, QSizeF picture)
{
    // Compared as floats, as the picture's size is reported.
    if (!(picture.width() > double(frame.x()) && picture.height() > double(frame.y())))
        return {};
    const qint64 width = qint64(picture.width());
    const qint64 height = qint64(picture.height());
    // One past the last column and row, in 64 bits: a frame reaching the 32-bit limit
    // must not wrap.
    const qint64 right = std::min<qint64>(qint64(frame.right()) + 1, width);
    const qint64 bottom = std::min<qint64>(qint64(frame.bottom()) + 1, height);
    // A frame reaching left of or above the picture keeps only its part inside it.
    const qint64 left = std::max<qint64>(frame.x(), 0);
    const qint64 top = std::max<qint64>(frame.y(), 0);
    if (right <= left || bottom <= top)
        return {};
    return QRect(int(left), int(top), int(right - left), int(bottom - top));
}
