#include "PieceNaming.h"

#include "PieceClip.h"
#include "PieceName.h"
#include "imaging/FileSystem.h"
#include "imaging/TurnedCut.h"

PieceNaming::PieceNaming(const RunSnapshot &snapshot)
    : folder(snapshot.folder), frames(snapshot.frames),
      firstPicture(qMax<qint64>(1, snapshot.firstPicture)),
      quarterTurns(::quarterTurns(snapshot.rotation)), skipExisting(snapshot.skipExisting)
{}

qint64 PieceNaming::number(qint64 index, qint64 frame) const
{
    return runningNumber(pictureNumber(index), qint64(frames.size()), frame);
}

QString PieceNaming::target(qint64 index, qint64 frame, OutputFormat format) const
{
    return pieceFileName(folder, frames[size_t(frame - 1)].letter, number(index, frame),
                         extensionOf(format));
}

QRect PieceNaming::cut(qint64 frame, QSize unturned) const
{
    const QSize turned = imaging::turnedSize(unturned, quarterTurns);
    // Compared as floats, as the picture's size is reported.
    return clipPiece(frames[size_t(frame - 1)].rect,
                     QSizeF(float(turned.width()), float(turned.height())));
}

bool PieceNaming::allStand(qint64 index, QSize unturned, OutputFormat format) const
{
    for (qint64 k = 1; k <= qint64(frames.size()); ++k) {
        if (!cut(k, unturned).isNull() && !imaging::fileExists(target(index, k, format)))
            return false;
    }
    return true;
}
