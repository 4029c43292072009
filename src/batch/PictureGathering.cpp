#include "PictureGathering.h"

#include "imaging/FileSystem.h"
#include "job/NaturalOrder.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

// A folder as the open dialog is given it: native separators, ending in one.
QString dialogFolder(const QString &folder)
{
    QString native = QDir::toNativeSeparators(folder);
    if (!native.endsWith(QDir::separator()))
        native += QDir::separator();
    return native;
}

bool isPictureName(const QString &name)
{
    static const QStringList kinds = {QStringLiteral("bmp"), QStringLiteral("gif"),
                                      QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                      QStringLiteral("tif"), QStringLiteral("png")};
    return kinds.contains(QFileInfo(name).suffix(), Qt::CaseInsensitive);
}

DroppedPictures picturesFromDrop(const QStringList &paths)
{
    DroppedPictures dropped;
    auto take = [&dropped](const QString &file) {
        if (isPictureName(file))
            dropped.pictures << file;
        else
            ++dropped.leftOut;
    };
    for (const QString &path : paths) {
        if (imaging::folderExists(path)) {
            for (const QString &file : imaging::filesInFolder(path))
                take(file);
        } else if (imaging::fileExists(path)) {
            take(path);
        }
    }
    // Folder by folder, each folder's pictures in page order: two books dropped together
    // never interleave their pages.
    std::stable_sort(dropped.pictures.begin(), dropped.pictures.end(),
                     [](const QString &a, const QString &b) {
                         const QFileInfo infoA(a), infoB(b);
                         const QString folderA = infoA.path(), folderB = infoB.path();
                         if (folderA != folderB)
                             return naturalLess(folderA, folderB);
                         return naturalLess(infoA.fileName(), infoB.fileName());
                     });
    for (QString &picture : dropped.pictures)
        picture = QDir::toNativeSeparators(picture);
    if (!dropped.pictures.isEmpty())
        dropped.folder = dialogFolder(QFileInfo(dropped.pictures.first()).path());
    return dropped;
}
