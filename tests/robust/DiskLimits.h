#pragma once

// Faults on disk that only Linux lets a test make: a file-size limit standing for a
// nearly full disk, and a folder nobody may write into, root included. Windows has
// neither (no per-process file-size limit; a folder's read-only mark does not stop
// writing into it), so there the tests that need them skip.

#include "RobustSupport.h"
#include "SystemFixtures.h"

#include <QCoreApplication>
#include <QFile>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <vector>

#ifdef Q_OS_LINUX
#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace robust {

// Small pieces fit under the child's file-size limit, the whole-sheet piece does not.
inline std::vector<SplitFrame> mixedFrames()
{
    return {{{0, 0, 40, 30}, "A"}, {{0, 0, 120, 100}, "B"}, {{40, 30, 40, 30}, "C"}};
}

// Runs a batch with a file-size limit, as on a nearly full disk. Arguments: the limit
// in bytes, the format, the folder, then the pictures. Prints what the run reported.
inline int fileSizeLimitedRun(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 6)
        return 2;
#ifdef Q_OS_LINUX
    const rlim_t limit = rlim_t(std::strtoull(argv[2], nullptr, 10));
    const rlimit r{limit, limit};
    std::signal(SIGXFSZ, SIG_IGN); // a write beyond the limit fails with EFBIG instead
    if (setrlimit(RLIMIT_FSIZE, &r) != 0)
        return 3;
#else
    return 3;
#endif
    QStringList pictures;
    for (int i = 5; i < argc; ++i)
        pictures << QString::fromLocal8Bit(argv[i]);
    BatchEngine engine;
    engine.setFormat(OutputFormat(std::atoi(argv[3])));
    const RunOutcome outcome = engine.runNow(
        testsupport::snapshotFor(pictures, QString::fromLocal8Bit(argv[4]), mixedFrames()));
    std::printf("saved %lld\n", static_cast<long long>(outcome.piecesSaved));
    for (const QString &path : outcome.unsaved)
        std::printf("unsaved %s\nwhy %s\n", path.toLocal8Bit().constData(),
                    outcome.whyUnsaved.value(path).toLocal8Bit().constData());
    for (const QString &path : outcome.unreadable)
        std::printf("unreadable %s\n", path.toLocal8Bit().constData());
    return 0;
}

// Makes a folder unwritable for the life of the guard. Root ignores permission bits, so
// as root (as in CI) the folder is made immutable instead, where the file system allows.
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(const QString &path) : path_(path)
    {
#ifdef Q_OS_LINUX
        if (!testsupport::runningAsRoot()) {
            ok_ = QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
            return;
        }
        fd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        if (fd_ >= 0 && ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            ok_ = ioctl(fd_, FS_IOC_SETFLAGS, &flags) == 0;
        }
#endif
    }
    ~ReadOnlyFolder()
    {
#ifdef Q_OS_LINUX
        if (fd_ >= 0) {
            int flags = 0;
            if (ok_ && ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ioctl(fd_, FS_IOC_SETFLAGS, &flags);
            }
            ::close(fd_);
        } else if (ok_) {
            QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
#endif
    }
    ReadOnlyFolder(const ReadOnlyFolder &) = delete;
    ReadOnlyFolder &operator=(const ReadOnlyFolder &) = delete;
    bool ok() const
    {
        return ok_;
    }

private:
    QString path_;
    int fd_ = -1;
    bool ok_ = false;
};

} // namespace robust
