#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace platform {

// Held for the life of the program: tells whether another copy runs for this user.
// A lock left by a crashed copy is taken over.
class InstanceLock
{
public:
    explicit InstanceLock(const QString &name);
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // False only when another live copy holds the lock. Also true when no lock could be
    // made at all, so that a broken lock folder never keeps the program from starting.
    bool acquired() const { return acquired_; }
    QString path() const { return path_; }

    // Folder the lock lives in; tests point it at a temporary folder.
    static void setLockFolder(const QString &folder);

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
    bool acquired_ = false;
};

} // namespace platform
