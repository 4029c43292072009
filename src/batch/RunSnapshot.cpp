#include "RunSnapshot.h"

RunSnapshot snapshotOf(const SplitJob &job, const QString &folder)
{
    RunSnapshot snapshot;
    snapshot.pictures = job.pictures;
    snapshot.rotation = job.rotation;
    snapshot.frames = job.frames;
    for (SplitFrame &frame : snapshot.frames)
        frame.letter = frame.letter.trimmed();
    snapshot.folder = folder;
    snapshot.sampleSize = job.sampleSize;
    snapshot.reading.keepDepth = job.keepDepth;
    snapshot.reading.pdfDpi = job.pdfDpi;
    snapshot.makeBooks = job.makeBooks;
    return snapshot;
}
