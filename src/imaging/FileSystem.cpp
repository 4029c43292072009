#include "FileSystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <cerrno>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/stat.h>
#endif
#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace imaging {

namespace {

// Windows names files in UTF-16, whatever the code page; elsewhere a name is the bytes
// the system's encoding gives.
std::filesystem::path fsPath(const QString &path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

QString fromFsPath(const std::filesystem::path &path)
{
#ifdef Q_OS_WIN
    return QDir::fromNativeSeparators(QString::fromStdWString(path.wstring()));
#else
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
#endif
}

#ifdef Q_OS_WIN
// Writes out what the system holds for a file (or, with backup semantics, a folder's
// entries): nothing when it cannot be opened for writing, else the flush's error code.
std::optional<DWORD> flushToDisk(const QString &path, DWORD flags)
{
    const HANDLE handle =
        ::CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return std::nullopt;
    const DWORD error = ::FlushFileBuffers(handle) ? ERROR_SUCCESS : ::GetLastError();
    ::CloseHandle(handle);
    return error;
}
#endif

} // namespace

bool fileExists(const QString &path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(fsPath(path), ec);
}

bool removeFile(const QString &path)
{
    std::error_code ec;
    // std::filesystem::remove would also take an empty folder of that name.
    if (std::filesystem::is_directory(std::filesystem::symlink_status(fsPath(path), ec)))
        return false;
    // A file that was not there is gone as well; only an error keeps it.
    std::filesystem::remove(fsPath(path), ec);
    return !ec;
}

bool folderExists(const QString &path)
{
    std::error_code ec;
    return std::filesystem::is_directory(fsPath(path), ec);
}

QStringList filesInFolder(const QString &folder)
{
    QStringList files;
    std::error_code ec;
    // Incremented with an error code: a folder that vanishes midway ends the list, it
    // never throws.
    for (std::filesystem::directory_iterator it(fsPath(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError))
            files << fromFsPath(it->path());
    }
    return files;
}

bool folderWritable(const QString &path)
{
    if (!folderExists(path))
        return false;
    // Permission bits do not tell the whole story (read-only mounts, ACLs): try it.
    QTemporaryFile probe(path + QStringLiteral("/.qinghe-probe-XXXXXX"));
    return probe.open();
}

bool startWriteBack(const QString &path)
{
#ifdef Q_OS_LINUX
    // A file that cannot be opened again, or a file system without the call, has nothing
    // to start; only the disk's own error is a failure.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return true;
    // Asks the kernel to begin writing the file's pages now and returns at once; measured
    // faster than an fdatasync on the worker, which holds the worker until the disk is done.
    const bool failed = ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE) != 0 && errno == EIO;
    ::close(fd);
    return !failed;
#elif defined(Q_OS_WIN)
    // Windows has no call that starts the write and returns: the piece's data is written
    // out here, on the worker, which is what the flush at the end would otherwise wait for.
    const std::optional<DWORD> error = flushToDisk(path, FILE_ATTRIBUTE_NORMAL);
    // Only the disk's own error counts; a file system without the call has nothing to do.
    return !error || *error == ERROR_SUCCESS || *error == ERROR_INVALID_FUNCTION ||
           *error == ERROR_NOT_SUPPORTED || *error == ERROR_ACCESS_DENIED;
#else
    Q_UNUSED(path);
    return true;
#endif
}

std::optional<FileIdentity> fileIdentity(const QString &path)
{
#ifdef Q_OS_WIN
    // Opened for no access at all: a file another program holds open still answers.
    const HANDLE handle =
        ::CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), 0,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = ::GetFileInformationByHandle(handle, &info) != 0;
    ::CloseHandle(handle);
    if (!known)
        return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber,
                        quint64(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
#else
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return FileIdentity{quint64(info.st_dev), quint64(info.st_ino)};
#endif
}

bool flushFolder(const QString &folder)
{
#ifdef Q_OS_LINUX
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool flushed = ::syncfs(fd) == 0;
    ::close(fd);
    return flushed;
#elif defined(Q_OS_WIN)
    // The pieces' data went out as each was saved; flushing the folder writes its entries,
    // the renames, to the disk. Backup semantics would open a plain file as well.
    if (!folderExists(folder))
        return false;
    const std::optional<DWORD> error = flushToDisk(folder, FILE_FLAG_BACKUP_SEMANTICS);
    return error && *error == ERROR_SUCCESS;
#else
    // No per-file-system flush elsewhere; the renamed files are left to the system.
    return folderExists(folder);
#endif
}

} // namespace imaging
