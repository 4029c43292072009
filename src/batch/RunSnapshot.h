#pragma once

#include "job/SplitJob.h"

#include <QSize>
#include <QString>
#include <QStringList>

#include <vector>

// Everything a run needs, copied when it starts, so that the run never reads the job or
// a window while it goes on.
struct RunSnapshot
{
    QStringList pictures; // in list order
    Rotation rotation = Rotation::None;
    std::vector<SplitFrame> frames; // frame 1 first; letters trimmed
    QString folder;                 // ends in a separator
    QSize sampleSize;               // unturned; invalid when no sample was drawn
};

// The run of a job into the folder.
RunSnapshot snapshotOf(const SplitJob &job, const QString &folder);
