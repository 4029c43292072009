#include "InstanceLock.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

namespace platform {

namespace {

QString &lockFolder()
{
    static QString folder;
    return folder;
}

QString defaultFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder;
}

} // namespace

void InstanceLock::setLockFolder(const QString &folder)
{
    lockFolder() = folder;
}

InstanceLock::InstanceLock(const QString &name)
{
    const QString folder = lockFolder().isEmpty() ? defaultFolder() : lockFolder();
    QDir().mkpath(folder);
    path_ = QDir(folder).filePath(name + QStringLiteral(".lock"));
    lock_ = std::make_unique<QLockFile>(path_);
    // Never treat a live holder's lock as stale; a dead holder's lock is removed by tryLock.
    lock_->setStaleLockTime(0);
    // Only a lock held by a live copy refuses the start; a lock that cannot be made at all
    // (an unwritable folder) says nothing about another copy.
    acquired_ = lock_->tryLock(0) || lock_->error() != QLockFile::LockFailedError;
}

InstanceLock::~InstanceLock() = default;

} // namespace platform
