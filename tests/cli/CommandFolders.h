#pragma once

// What the tests that run qinghe-split share: folders and their contents.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QString>

namespace commandtest {

#ifdef QINGHE_SPLIT_PATH
// qinghe-split as built, by a path that stays right when a test changes the current folder:
// a Windows build made on Linux names it without a drive. First called before any change.
inline const QString &splitProgram()
{
    static const QString path = QFileInfo(QStringLiteral(QINGHE_SPLIT_PATH)).absoluteFilePath();
    return path;
}
#endif

inline bool makeFolder(const QString &path)
{
    return QDir().mkpath(path);
}

// The files of a folder, sorted, with their bytes.
inline QMap<QString, QByteArray> folderContents(const QString &folder)
{
    QMap<QString, QByteArray> contents;
    for (const QString &name : QDir(folder).entryList(QDir::Files)) {
        QFile file(QDir(folder).filePath(name));
        contents.insert(name, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
    }
    return contents;
}

} // namespace commandtest
