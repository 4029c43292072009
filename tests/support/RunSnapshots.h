#pragma once

#include "batch/PieceName.h"
#include "batch/RunSnapshot.h"

#include <vector>

namespace testsupport {

// A run of the pictures into the folder, built without a job, so that a test can give
// frames and a rotation the windows would never make (frames past the edges, empty ones).
inline RunSnapshot snapshotFor(const QStringList &pictures, const QString &folder,
                               std::vector<SplitFrame> frames, Rotation rotation = Rotation::None)
{
    RunSnapshot s;
    s.pictures = pictures;
    s.folder = outputFolder(folder);
    s.frames = std::move(frames);
    s.rotation = rotation;
    return s;
}

} // namespace testsupport
