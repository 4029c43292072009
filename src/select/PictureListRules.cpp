#include "PictureListRules.h"

#include "batch/PictureGathering.h"
#include "imaging/PageEntry.h"
#include "job/NaturalOrder.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

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
        {QStringLiteral("All Pictures"),
         QStringLiteral("*.bmp;*.gif;*.jpg;*.jpeg;*.tif;*.png;*.pdf")},
        {QStringLiteral("Bitmap (*.bmp)"), QStringLiteral("*.bmp")},
        {QStringLiteral("GIF (*.gif)"), QStringLiteral("*.gif")},
        {QStringLiteral("JPG (*.jpg;*.jpeg)"), QStringLiteral("*.jpg;*.jpeg")},
        {QStringLiteral("TIF (*.tif)"), QStringLiteral("*.tif")},
        {QStringLiteral("PNG (*.png)"), QStringLiteral("*.png")},
        {QStringLiteral("PDF (*.pdf)"), QStringLiteral("*.pdf")},
    };
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

PickedPictures picturesFromPick(const QStringList &paths)
{
    PickedPictures picked;
    if (paths.isEmpty())
        return picked;
    QStringList files;
    for (const QString &path : paths)
        files << QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    // A multi-page TIFF or a PDF gives one entry a page.
    for (const QString &file : naturallySorted(files))
        picked.pictures << imaging::entriesOfFile(QDir::toNativeSeparators(file));
    // Names typed into the dialog may lie in other folders than the one shown.
    picked.folder = dialogFolder(sharedFolder(files));
    return picked;
}
