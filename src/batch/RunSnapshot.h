#pragma once

#include "imaging/Picture.h"
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
    // The first picture of this run is picture firstPicture of the whole batch: picture i
    // of the run gets the running numbers of picture firstPicture + i - 1, so shards of
    // one batch cut into one folder give the same files as one run over everything.
    qint64 firstPicture = 1;
    // A piece whose file already stands is not cut again (pieces are renamed into place
    // whole, so a standing piece is complete); a picture all of whose pieces stand is
    // not even decoded.
    bool skipExisting = false;
    bool recordPieces = false;    // fill RunOutcome::pieces
    imaging::ReadOptions reading; // depth kept, PDF drawing resolution
    bool makeBooks = false;       // one PDF a letter once the pieces are saved
};

// The run of a job into the folder.
RunSnapshot snapshotOf(const SplitJob &job, const QString &folder);
