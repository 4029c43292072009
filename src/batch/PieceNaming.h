#pragma once

#include "OutputFormat.h"
#include "RunSnapshot.h"

#include <QSize>
#include <QString>

#include <vector>

// Where the pieces of a run's pictures go: the running numbers and file names of a
// snapshot, its first picture counted in the whole batch.
struct PieceNaming
{
    explicit PieceNaming(const RunSnapshot &snapshot);

    QString folder;
    std::vector<SplitFrame> frames;
    qint64 firstPicture = 1; // of the whole batch; never below 1
    int quarterTurns = 0;
    bool skipExisting = false;

    // The run's picture index (1-based) in the whole batch.
    qint64 pictureNumber(qint64 index) const { return firstPicture + index - 1; }
    qint64 number(qint64 index, qint64 frame) const;
    QString target(qint64 index, qint64 frame, OutputFormat format) const;
    // What frame k cuts from a picture of that unturned size; null when it gives no file.
    QRect cut(qint64 frame, QSize unturned) const;
    // True when every piece of the picture of that unturned size stands in the format.
    bool allStand(qint64 index, QSize unturned, OutputFormat format) const;
};
