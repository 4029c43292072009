#pragma once

#include <QString>

// Largest running number that keeps its five digits, so that names sort.
inline constexpr qint64 maxPieces = 99999;

// The output folder from the folder box's text: blanks trimmed at both ends and the
// folder separator appended when missing. Empty text stays empty.
QString outputFolder(const QString &text);

// Running number of frame k (1-based) of picture i (1-based) with n frames per picture.
qint64 runningNumber(qint64 picture, qint64 frames, qint64 frame);

// folder + letter + running number padded to five digits + extension.
QString pieceFileName(const QString &folder, const QString &letter, qint64 number,
                      const QString &extension);

// True when a run over the pictures would number more pieces than five digits hold.
bool tooManyPieces(qint64 pictures, qint64 frames);
