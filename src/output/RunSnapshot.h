#pragma once

#include "app/Module1.h"

#include <QString>
#include <QStringList>

#include <vector>

// One frame as a run uses it: its rectangle in pixels of the turned picture and the
// initial letter of its pieces' names.
struct SnapshotFrame
{
    FrameRect rect;
    QString letter;
};

// Everything a run needs, copied when it starts, so that the run never reads a window.
struct RunSnapshot
{
    QStringList pictures;              // in list order
    int rotation = 0;                  // 0 none, 1 90° clockwise, 2 180°, 3 270° clockwise
    std::vector<SnapshotFrame> frames; // frame 1 first
    QString folder;                    // ends in a separator
};
