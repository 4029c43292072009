// The open dialog's name buffer: any UTF-16 text with NULs anywhere must parse into a
// selection whose parts are consistent, never read past the buffer.

#include "select/FileSelection.h"

#include <QDir>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString buffer(reinterpret_cast<const QChar *>(data), qsizetype(size / 2));
    const FileSelection s = parseNameBuffer(buffer);

    if (s.fileCount != s.fileNames.size())
        std::abort();
    if (s.fileCount == 0 && !s.folderPath.isEmpty())
        std::abort();
    for (const QString &name : s.fileNames) {
        // A name is one piece of the buffer: no NUL inside, and the path it makes is
        // made of text the buffer holds.
        if (name.contains(QChar::Null))
            std::abort();
        if (s.fileCount > 1 && name.isEmpty())
            std::abort();
        if (!buffer.contains(name))
            std::abort();
    }
    if (s.fileCount > 1 && !s.folderPath.endsWith(QDir::separator()))
        std::abort();
    if (s.folderPath.contains(QChar::Null))
        std::abort();
    return 0;
}
