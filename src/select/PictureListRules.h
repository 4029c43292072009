#pragma once

#include "batch/PictureGathering.h"
#include "job/SplitJob.h"
#include "platform/Dialogs.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The open dialog's six filter pairs; the first, all pictures, is preselected.
std::vector<platform::FilterPair> pictureFilter();

// What a pick in the open dialog adds: the picked files in page order, so that p2 comes
// before p10, and the folder the dialog should start in next, the one they all lie in
// (ends in the native separator).
struct PickedPictures
{
    QStringList pictures;
    QString folder;
};
PickedPictures picturesFromPick(const QStringList &paths);

// Positions to remove for a selection, from the last to the first, so that the
// positions not yet visited stay valid while items go.
std::vector<int> removalOrder(const std::vector<bool> &selected);
