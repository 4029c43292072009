#pragma once

#include "imaging/FileSystem.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <set>

// The run's own pictures, so that no piece replaces one: it may not have been read yet,
// and a piece that fails to save must not take it with it.
class OwnPictures
{
public:
    explicit OwnPictures(const QStringList &pictures);

    // True when writing the target would replace one of the pictures. A target that
    // exists is compared by file identity, not spelling: on a case-insensitive file system
    // (scanner sticks are FAT) or through a hard link, another spelling is the same file.
    bool wouldReplace(const QString &target) const;
    // Why such a piece is not saved, as the end-of-run report says it.
    static QString reason();

private:
    QSet<QString> paths_; // absolute and, where they exist, canonical
    std::set<imaging::FileIdentity> files_;
};
