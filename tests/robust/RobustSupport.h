#pragma once

// What the robustness tests share: frames over a whole picture, and the check that a
// run's pieces are the turned source's rectangles.

#include "PictureFixtures.h"
#include "RunSnapshots.h"
#include "TestSupport.h"
#include "batch/BatchEngine.h"
#include "batch/PieceClip.h"
#include "batch/PieceName.h"

#include <QFile>
#include <QImageReader>
#include <QRegularExpression>

#include <vector>

namespace robust {

// True when the folder holds nothing but finished pieces (no temporary file of a save).
inline bool onlyPieces(const QString &folder)
{
    static const QRegularExpression piece(QStringLiteral("^.+\\d{5}\\.(BMP|TIF|PNG|JPG)$"));
    for (const QString &name : testsupport::entries(folder))
        if (!piece.match(name).hasMatch())
            return false;
    return true;
}

// Four frames in a 2 x 2 grid over a picture of the given (turned) size, and a fifth
// that runs past the right and bottom edges.
inline std::vector<SplitFrame> gridFrames(QSize size)
{
    const int w = std::max(1, size.width() / 2);
    const int h = std::max(1, size.height() / 2);
    return {{{0, 0, w, h}, "A"},
            {{w, 0, size.width() - w, h}, "B"},
            {{0, h, w, size.height() - h}, "C"},
            {{w, h, size.width() - w, size.height() - h}, "D"},
            {{size.width() / 3, size.height() / 3, size.width(), size.height()}, "E"}};
}

// One piece a run should make: its file and its rectangle in the turned picture.
struct ExpectedPiece
{
    QString path;
    int picture = 0; // 0-based position in the list
    QRect rect;
};

// The pieces of every picture whose turned size is given (an invalid size: unreadable).
inline std::vector<ExpectedPiece> expectedPieces(const RunSnapshot &s,
                                                 const std::vector<QSize> &turnedSizes,
                                                 const QString &extension)
{
    std::vector<ExpectedPiece> pieces;
    const qint64 frames = qint64(s.frames.size());
    for (size_t i = 0; i < turnedSizes.size(); ++i) {
        if (!turnedSizes[i].isValid())
            continue;
        for (qint64 k = 1; k <= frames; ++k) {
            const SplitFrame &f = s.frames[size_t(k - 1)];
            const QRect rect = clipPiece(f.rect, QSizeF(turnedSizes[i]));
            if (!rect.isNull())
                pieces.push_back({pieceFileName(s.folder, f.letter,
                                                runningNumber(qint64(i) + 1, frames, k), extension),
                                  int(i), rect});
        }
    }
    return pieces;
}

// Empty when the file holds the reference's rectangle, else what is wrong.
inline QString comparePiece(const QString &path, const QImage &reference, QRect rect,
                            int tolerance = 0)
{
    const QImage piece = QImageReader(path).read();
    if (piece.isNull())
        return QStringLiteral("missing or unreadable piece ") + path;
    if (piece.size() != rect.size())
        return QStringLiteral("%1 is %2 x %3, not %4 x %5")
            .arg(path)
            .arg(piece.width())
            .arg(piece.height())
            .arg(rect.width())
            .arg(rect.height());
    const int diff = fixtures::maxDifference(piece, reference.copy(rect));
    if (diff > tolerance)
        return QStringLiteral("%1 differs by %2").arg(path).arg(diff);
    return {};
}

// Checks every piece of picture number `picture` (1-based) against the reference
// (the source as decoded and turned). Returns an empty text when all match.
inline QString comparePieces(const QString &folder, const RunSnapshot &s, int picture,
                             const QImage &reference, const QString &extension, int tolerance = 0)
{
    const qint64 frames = qint64(s.frames.size());
    for (qint64 k = 1; k <= frames; ++k) {
        const SplitFrame &f = s.frames[size_t(k - 1)];
        const QRect rect = clipPiece(f.rect, QSizeF(reference.size()));
        const QString path = pieceFileName(outputFolder(folder), f.letter,
                                           runningNumber(picture, frames, k), extension);
        if (rect.isNull()) {
            if (QFile::exists(path))
                return QStringLiteral("unexpected piece ") + path;
            continue;
        }
        const QString wrong = comparePiece(path, reference, rect, tolerance);
        if (!wrong.isEmpty())
            return wrong;
    }
    return {};
}

} // namespace robust
