#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// True when a regular file (not a folder) exists at the path.
bool fileExists(const QString &path);
// Deletes one file, never a folder; true when no file is left at the path.
bool removeFile(const QString &path);
bool folderExists(const QString &path);
// The regular files directly inside a folder (not in its subfolders), as full paths.
QStringList filesInFolder(const QString &folder);
// True when a file can be created in the folder (tried for real, then removed).
bool folderWritable(const QString &path);
// Writes everything cached for the folder's file system to disk (once per run, instead of
// a sync per file); false when the folder cannot be opened or the flush fails.
bool flushFolder(const QString &folder);

} // namespace platform
