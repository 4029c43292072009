#include "PictureGathering.h"

#include "imaging/FileSystem.h"
#include "imaging/PageEntry.h"
#include "job/NaturalOrder.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace {

// Passed over without a word where a folder is gathered: hidden files (the "._" files
// some systems write beside every scan on a USB stick) and the layouts step 2 saves
// into the pictures' folder.
bool isFolderClutter(const QString &file)
{
    const QFileInfo info(file);
    return info.fileName().startsWith(QLatin1Char('.')) || info.isHidden() ||
           info.suffix().compare(QLatin1String("json"), Qt::CaseInsensitive) == 0;
}

// A path however it was typed ("a", "./a", "$PWD/a", "a/"), as one spelling.
QString cleanAbsolute(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

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
                                      QStringLiteral("tif"), QStringLiteral("tiff"),
                                      QStringLiteral("png"), QStringLiteral("pdf")};
    return kinds.contains(QFileInfo(name).suffix(), Qt::CaseInsensitive);
}

DroppedPictures picturesFromDrop(const QStringList &paths)
{
    DroppedPictures dropped;
    // A file or folder given twice, or a file given beside its folder, is taken once.
    QSet<QString> taken;
    auto take = [&dropped, &taken](const QString &file) {
        if (taken.contains(file))
            return;
        taken.insert(file);
        if (isPictureName(file))
            dropped.pictures << file;
        else
            ++dropped.leftOut;
    };
    for (const QString &path : paths) {
        if (path.isEmpty())
            continue; // it would read as the current folder
        const QString clean = cleanAbsolute(path);
        if (imaging::folderExists(clean)) {
            if (taken.contains(clean))
                continue;
            taken.insert(clean);
            for (const QString &file : imaging::filesInFolder(clean)) {
                if (!isFolderClutter(file))
                    take(QDir::cleanPath(file));
            }
        } else if (imaging::fileExists(clean)) {
            take(clean);
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
    if (!dropped.pictures.isEmpty())
        dropped.folder = dialogFolder(QFileInfo(dropped.pictures.first()).path());
    // A multi-page TIFF or a PDF gives one entry a page.
    QStringList entries;
    for (const QString &picture : std::as_const(dropped.pictures))
        entries << imaging::entriesOfFile(QDir::toNativeSeparators(picture));
    dropped.pictures = entries;
    return dropped;
}
