#include "OwnPictures.h"

#include "imaging/PageEntry.h"

#include <QDir>
#include <QFileInfo>

OwnPictures::OwnPictures(const QStringList &pictures)
{
    for (const QString &entry : pictures) {
        // The pages of one file are that file.
        const QString picture = imaging::pageOfEntry(entry).path;
        const QFileInfo info(picture);
        paths_.insert(info.absoluteFilePath());
        const QString canonical = info.canonicalFilePath();
        if (!canonical.isEmpty())
            paths_.insert(canonical);
        if (const auto identity = imaging::fileIdentity(picture))
            files_.insert(*identity);
    }
}

bool OwnPictures::wouldReplace(const QString &target) const
{
    if (const auto identity = imaging::fileIdentity(target); identity && files_.count(*identity))
        return true;
    // Spelled paths still matter for a picture that was missing when the run began.
    const QFileInfo info(target);
    if (paths_.contains(info.absoluteFilePath()))
        return true;
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return paths_.contains(canonical);
    // Not there yet: a link to it could only be through the folder.
    const QString folder = info.absoluteDir().canonicalPath();
    return !folder.isEmpty() && paths_.contains(folder + QLatin1Char('/') + info.fileName());
}

QString OwnPictures::reason()
{
    return QStringLiteral("会覆盖本次分割的图片");
}
