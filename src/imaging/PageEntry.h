#pragma once

#include <QString>
#include <QStringList>

namespace imaging {

// One page of a picture file. A multi-page TIFF or PDF is listed and cut page by page;
// its pages are named by the file's path followed by "（第 N 页）", which no picture
// file's own name can end in (it would lack a picture extension). Any other entry is a
// whole file, its first page.
struct PageOfFile
{
    QString path;
    int page = 0; // 0-based
};

PageOfFile pageOfEntry(const QString &entry);
// The entry of page (0-based) of the file.
QString pageEntry(const QString &path, int page);
// The entries a picture file adds to a list: one per page, in page order, for a TIFF or
// PDF of several pages; the path alone for any other file, one that has a single page,
// and one that cannot be read (its reading fails later with the reason).
QStringList entriesOfFile(const QString &path);

} // namespace imaging
