#include "FileSelection.h"

#include <QDir>

namespace {

QString trimBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

} // namespace

FileSelection parseNameBuffer(const QString &buffer)
{
    FileSelection result;
    const QString text = trimBlanks(buffer);
    if (text.isEmpty())
        return result;

    QStringList pieces;
    qsizetype p = 0; // index just after the last NUL taken
    while (true) {
        const qsizetype nul = text.indexOf(QChar::Null, p);
        if (nul < 0 || nul == p)
            break;
        pieces << text.mid(p, nul - p);
        p = nul + 1;
    }
    if (pieces.isEmpty())
        return result;

    const QChar sep = QDir::separator();
    if (pieces.size() == 1) {
        const QString &path = pieces.first();
        const qsizetype k = path.lastIndexOf(sep) + 1;
        result.folderPath = path.left(k);
        result.fileNames << path.mid(k);
        result.fileCount = 1;
        return result;
    }
    QString folder = pieces.first();
    if (!folder.endsWith(sep))
        folder += sep;
    result.folderPath = folder;
    result.fileNames = pieces.mid(1);
    result.fileCount = int(result.fileNames.size());
    return result;
}
