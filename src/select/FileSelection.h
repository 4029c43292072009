#pragma once

#include <QString>
#include <QStringList>

// The files picked in one go: folderPath + fileNames[i] is a full path.
struct FileSelection
{
    int fileCount = 0;
    QString folderPath; // ends in the native separator; empty when nothing was picked
    QStringList fileNames;
};

// Turns the open dialog's name buffer into a folder and names. A buffer with one
// piece is a full path; with several, the first is the folder and the rest names.
// Parsing stops at the first empty piece; text not closed by a NUL is ignored.
FileSelection parseNameBuffer(const QString &buffer);
