#include "InstanceLock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QGuiApplication>
#include <QLockFile>
#include <QRegularExpression>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace platform {

namespace {

QString currentUser()
{
#ifdef Q_OS_WIN
    return qEnvironmentVariable("USERNAME");
#else
    return QString::number(::getuid());
#endif
}

#ifndef Q_OS_WIN
// The desktop this copy shows its windows on (on Windows the mutex's namespace is the
// session).
QString currentDesktop()
{
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb"))
        return qEnvironmentVariable("DISPLAY");
    if (platform.startsWith(QLatin1String("wayland")))
        return qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
    return platform;
}
#endif

} // namespace

QString instanceLockFileName(const QString &program, const QString &user, const QString &desktop)
{
    // A display such as ":1.0" or "host:10" becomes a plain file name.
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]"));
    QString key = user + QLatin1Char('-') + desktop;
    key.replace(unsafe, QStringLiteral("_"));
    return program + QLatin1Char('-') + key + QStringLiteral(".lock");
}

#ifdef Q_OS_WIN

// A named mutex in the session's own namespace: the system lets go of it when the copy
// that made it ends, however it ends, so a killed copy never blocks the next start. A
// folder, where given, only keeps separate locks apart.
InstanceLock::InstanceLock(const QString &program, const QString &folder)
{
    QString name = QStringLiteral("Local\\") + program + QLatin1Char('-') + currentUser();
    if (!folder.isEmpty())
        name += QLatin1Char('-') +
                QString::fromLatin1(QCryptographicHash::hash(QDir::cleanPath(folder).toUtf8(),
                                                             QCryptographicHash::Sha1)
                                        .toHex());
    name.replace(QLatin1Char('/'), QLatin1Char('_')); // the one character a name may not hold
    path_ = name;
    mutex_ = ::CreateMutexW(nullptr, FALSE, reinterpret_cast<const wchar_t *>(name.utf16()));
    // Only a mutex another copy made refuses the start; one that cannot be made at all
    // says nothing about another copy.
    acquired_ = !mutex_ || ::GetLastError() != ERROR_ALREADY_EXISTS;
    // A refused copy lets go at once: its handle would keep the mutex alive after the
    // copy that made it ends.
    if (!acquired_) {
        ::CloseHandle(mutex_);
        mutex_ = nullptr;
    }
}

InstanceLock::~InstanceLock()
{
    if (mutex_)
        ::CloseHandle(mutex_);
}

#else

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

#endif

} // namespace platform
