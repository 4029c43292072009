#include "PictureListRules.h"

#include "platform/FileSystem.h"
#include "platform/NaturalOrder.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

// A folder as the open dialog is given it: native separators, ending in one.
QString dialogFolder(const QString &folder)
{
    QString native = QDir::toNativeSeparators(folder);
    if (!native.endsWith(QDir::separator()))
        native += QDir::separator();
    return native;
}

// The deepest folder every file lies in; the files are clean absolute paths.
QString sharedFolder(const QStringList &files)
{
    QString folder = QFileInfo(files.first()).path();
    const auto withSlash = [](const QString &path) {
        return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    };
    for (const QString &file : files) {
        while (!file.startsWith(withSlash(folder))) {
            const QString parent = QFileInfo(folder).path();
            if (parent == folder)
                break; // no folder in common (another drive)
            folder = parent;
        }
    }
    return folder;
}

} // namespace

std::vector<platform::FilterPair> pictureFilter()
{
    return {
        {QStringLiteral("All Pictures"), QStringLiteral("*.bmp;*.gif;*.jpg;*.jpeg;*.tif;*.png")},
        {QStringLiteral("Bitmap (*.bmp)"), QStringLiteral("*.bmp")},
        {QStringLiteral("GIF (*.gif)"), QStringLiteral("*.gif")},
        {QStringLiteral("JPG (*.jpg;*.jpeg)"), QStringLiteral("*.jpg;*.jpeg")},
        {QStringLiteral("TIF (*.tif)"), QStringLiteral("*.tif")},
        {QStringLiteral("PNG (*.png)"), QStringLiteral("*.png")},
    };
}

std::optional<int> partsCount(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    for (const QChar c : trimmed) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const int n = trimmed.toInt(&ok);
    if (!ok || n < 1 || n > 10)
        return std::nullopt;
    return n;
}

std::vector<int> removalOrder(const std::vector<bool> &selected)
{
    std::vector<int> order;
    for (int i = int(selected.size()) - 1; i >= 0; --i) {
        if (selected[size_t(i)])
            order.push_back(i);
    }
    return order;
}

bool isPictureName(const QString &name)
{
    static const QStringList kinds = {QStringLiteral("bmp"), QStringLiteral("gif"),
                                      QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                      QStringLiteral("tif"), QStringLiteral("png")};
    return kinds.contains(QFileInfo(name).suffix(), Qt::CaseInsensitive);
}

PickedPictures picturesFromPick(const QStringList &paths)
{
    PickedPictures picked;
    if (paths.isEmpty())
        return picked;
    QStringList files;
    for (const QString &path : paths)
        files << QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    for (const QString &file : platform::naturallySorted(files))
        picked.pictures << QDir::toNativeSeparators(file);
    // Names typed into the dialog may lie in other folders than the one shown.
    picked.folder = dialogFolder(sharedFolder(files));
    return picked;
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
        if (platform::folderExists(path)) {
            for (const QString &file : platform::filesInFolder(path))
                take(file);
        } else if (platform::fileExists(path)) {
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
                             return platform::naturalLess(folderA, folderB);
                         return platform::naturalLess(infoA.fileName(), infoB.fileName());
                     });
    for (QString &picture : dropped.pictures)
        picture = QDir::toNativeSeparators(picture);
    if (!dropped.pictures.isEmpty())
        dropped.folder = dialogFolder(QFileInfo(dropped.pictures.first()).path());
    return dropped;
}
