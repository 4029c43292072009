#pragma once

#include <QString>
#include <QStringList>

#include <compare>
#include <optional>

namespace imaging {

// True when a regular file (not a folder) exists at the path.
bool fileExists(const QString &path);
// Deletes one file, never a folder; true when no file is left at the path.
bool removeFile(const QString &path);
bool folderExists(const QString &path);
// The regular files directly inside a folder (not in its subfolders), as full paths.
QStringList filesInFolder(const QString &folder);
// True when a file can be created in the folder (tried for real, then removed).
bool folderWritable(const QString &path);
// Starts writing a file just saved to the disk without waiting for it, so that the
// flush at the end of a run finds little left to do. False only when the disk reports an
// error writing it. Windows has no such call: there the file is flushed before this
// returns. Where the system has neither it does nothing.
bool startWriteBack(const QString &path);
// Which file a path leads to, whatever spells it: device and inode (on Windows the
// volume and the file's index). Two paths with the same identity are one file, be they
// spelled in another case on a case-insensitive file system, linked or hard-linked.
struct FileIdentity
{
    quint64 device = 0;
    quint64 file = 0;
    auto operator<=>(const FileIdentity &) const = default;
};
// The identity of the file at the path (links followed); nothing when there is none.
std::optional<FileIdentity> fileIdentity(const QString &path);
// Writes everything cached for the folder's file system to disk (once per run, instead of
// a sync per file); false when the folder cannot be opened or the flush fails.
bool flushFolder(const QString &folder);

} // namespace imaging
