#pragma once

#include <QString>
#include <QStringList>

// True for a name with one of the five picture kinds' extensions (.tif or .tiff) or a
// PDF's, in any case.
bool isPictureName(const QString &name);

// A folder as the open dialog is given it: native separators, ending in one.
QString dialogFolder(const QString &folder);

// What a drop of files and folders adds, and what qinghe-split cuts of its arguments: the
// pictures among the files, and the pictures directly inside the folders, folder by folder
// (folders in page order of their clean absolute paths), each in page order, as clean
// absolute paths with native separators, each once however often and however spelled it
// was given; how many other files were left out (a folder's hidden files and saved
// layouts are passed over, not counted); and the folder the open dialog should start in
// next (ends in the native separator). A multi-page TIFF or a PDF gives one entry a page
// (imaging/PageEntry.h).
struct DroppedPictures
{
    QStringList pictures;
    int leftOut = 0;
    QString folder;
};
DroppedPictures picturesFromDrop(const QStringList &paths);
