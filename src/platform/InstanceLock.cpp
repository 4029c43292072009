#include "InstanceLock.h"

#include <QDir>
#include <QGuiApplication>
#include <QLockFile>
#include <QRegularExpression>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace platform {

namespace {

QString currentUser()
{
#ifdef Q_OS_UNIX
    return QString::number(::getuid());
#else
    return qEnvironmentVariable("USERNAME");
#endif
}

// The desktop this copy shows its windows on.
QString currentDesktop()
{
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb"))
        return qEnvironmentVariable("DISPLAY");
    if (platform.startsWith(QLatin1String("wayland")))
        return qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
    if (platform == QLatin1String("windows"))
        return qEnvironmentVariable("SESSIONNAME");
    return platform;
}

} // namespace

QString instanceLockFileName(const QString &program, const QString &user, const QString &desktop)
{
    // A display such as ":1.0" or "host:10" becomes a plain file name.
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]"));
    QString key = user + QLatin1Char('-') + desktop;
    key.replace(unsafe, QStringLiteral("_"));
    return program + QLatin1Char('-') + key + QStringLiteral(".lock");
}

InstanceLock::InstanceLock(const QString &program, const QString &folder)
{
    QString place = folder;
    if (place.isEmpty())
        place = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (place.isEmpty())
        place = QDir::tempPath();
    QDir().mkpath(place);
    path_ = QDir(place).filePath(instanceLockFileName(program, currentUser(), currentDesktop()));
    lock_ = std::make_unique<QLockFile>(path_);
    // Never treat a live holder's lock as stale; a dead holder's lock is removed by tryLock.
    lock_->setStaleLockTime(0);
    // Only a lock held by a live copy refuses the start; a lock that cannot be made at all
    // (an unwritable folder) says nothing about another copy.
    acquired_ = lock_->tryLock(0) || lock_->error() != QLockFile::LockFailedError;
}

InstanceLock::~InstanceLock() = default;

} // namespace platform
