#pragma once

#include <QString>
#include <QStringList>

// True for a name with one of the five picture kinds' extensions, in any case.
bool isPictureName(const QString &name);

// A folder as the open dialog is given it: native separators, ending in one.
QString dialogFolder(const QString &folder);

// What a drop of files and folders adds, and what qinghe-split cuts of its arguments: the
// pictures among the files, and the pictures directly inside the folders, folder by folder
// (folders in page order of their paths), each in page order; how many other files were
// left out; and the folder the open dialog should start in next (ends in the native
// separator).
struct DroppedPictures
{
    QStringList pictures;
    int leftOut = 0;
    QString folder;
};
DroppedPictures picturesFromDrop(const QStringList &paths);
