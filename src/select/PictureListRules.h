#pragma once

#include "platform/Dialogs.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The open dialog's six filter pairs; the first, all pictures, is preselected.
std::vector<platform::FilterPair> pictureFilter();

// The number of parts typed or picked in step 1: a whole number from 1 to 10 after
// trimming, or nothing.
std::optional<int> partsCount(const QString &text);

// True for a name with one of the five picture kinds' extensions, in any case.
bool isPictureName(const QString &name);

// What a pick in the open dialog adds: the picked files in page order, so that p2 comes
// before p10, and the folder the dialog should start in next, the one they all lie in
// (ends in the native separator).
struct PickedPictures
{
    QStringList pictures;
    QString folder;
};
PickedPictures picturesFromPick(const QStringList &paths);

// What a drop of files and folders adds: the pictures among the files, and the pictures
// directly inside the folders, folder by folder (folders in page order of their paths),
// each in page order; how many other files were left out; and
// the folder the open dialog should start in next (ends in the native separator).
struct DroppedPictures
{
    QStringList pictures;
    int leftOut = 0;
    QString folder;
};
DroppedPictures picturesFromDrop(const QStringList &paths);

// Positions to remove for a selection, from the last to the first, so that the
// positions not yet visited stay valid while items go.
std::vector<int> removalOrder(const std::vector<bool> &selected);
