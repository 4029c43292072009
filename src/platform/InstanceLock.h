#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace platform {

// The lock file's name for a program run by a user on a desktop (an X display, a Wayland
// socket, a Windows session): copies on other desktops or of other users never meet.
QString instanceLockFileName(const QString &program, const QString &user, const QString &desktop);

// Held for the life of the program: tells whether another copy runs for this user on
// this desktop. A lock left by a crashed copy is taken over. On Windows it is a named
// mutex of the user's session, which the system releases when its copy ends.
class InstanceLock
{
public:
    // The lock lives in folder, or where none is given in the user's runtime folder (a
    // temporary folder shared by all users otherwise, hence the user in the name).
    explicit InstanceLock(const QString &program, const QString &folder = QString());
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // False only when another live copy holds the lock. Also true when no lock could be
    // made at all, so that a broken lock folder never keeps the program from starting.
    bool acquired() const { return acquired_; }
    // The lock file, or on Windows the mutex's name.
    QString path() const { return path_; }

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
    void *mutex_ = nullptr; // the Windows mutex's handle
    bool acquired_ = false;
};

} // namespace platform
