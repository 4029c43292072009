#pragma once

// What the tests that run qinghe-split share: folders and their contents.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QString>

namespace commandtest {

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
