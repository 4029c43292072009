#include "AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace imaging {

namespace {

#ifndef Q_OS_WIN
std::filesystem::path nativePath(const QString &path)
{
    return std::filesystem::path(path.toStdU16String());
}
#endif

// Writes until every byte is out. A write cut short by a full disk or a file-size limit
// reports no error; only the next one fails and says why.
bool writeAll(QFile &file, const QByteArray &bytes, ByteSink *sink)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0)
            return false;
        if (sink)
            sink->add(QByteArrayView(bytes.constData() + done, written));
        done += written;
    }
    return true;
}

#ifdef Q_OS_WIN

// A file another program holds open (a viewer, the indexer, a virus scanner) cannot be
// replaced on Windows until it lets go, which such programs do within moments.
bool heldByAnotherProgram(DWORD error, const wchar_t *target)
{
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
        return true;
    if (error != ERROR_ACCESS_DENIED)
        return false;
    // Access is also denied for a folder or a read-only file: no wait makes those go.
    const DWORD attributes = ::GetFileAttributesW(target);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
}

#endif

// Puts the temporary file in the target's place; an empty reason when it is there.
QString renameOver(const QString &from, const QString &to)
{
#ifdef Q_OS_WIN
    const std::wstring source = QDir::toNativeSeparators(from).toStdWString();
    const std::wstring target = QDir::toNativeSeparators(to).toStdWString();
    auto pause = std::chrono::milliseconds(20);
    for (auto waited = std::chrono::milliseconds(0);; waited += pause, pause *= 2) {
        if (::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
            return QString();
        const DWORD error = ::GetLastError();
        if (!heldByAnotherProgram(error, target.c_str()))
            return qt_error_string(int(error));
        if (waited >= std::chrono::seconds(2))
            return QStringLiteral("同名文件正被其他程序使用，无法替换");
        std::this_thread::sleep_for(pause);
    }
#else
    std::error_code code;
    std::filesystem::rename(nativePath(from), nativePath(to), code);
    // Qt's words for the system's error, as for every other file error.
    return code ? qt_error_string(code.value()) : QString();
#endif
}

// Opens a new temporary file beside the target.
bool openTemporary(const QString &path, QFile &temporary, QIODevice::OpenMode mode)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        temporary.setFileName(path +
                              QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(),
                                                            8, 16, QLatin1Char('0')));
        // NewOnly: an existing file of that name is never reused.
        if (temporary.open(QIODevice::WriteOnly | QIODevice::NewOnly | mode))
            return true;
        if (temporary.error() != QFileDevice::OpenError)
            return false;
    }
    return false;
}

} // namespace

Status writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error,
                           ByteSink *sink)
{
    // Unbuffered: each write reaches the file, so a failing one reports its cause.
    return writeFileAtomically(
        path,
        [&bytes, sink](QIODevice &file) {
            return writeAll(static_cast<QFile &>(file), bytes, sink);
        },
        error);
}

Status writeFileAtomically(const QString &path, const std::function<bool(QIODevice &)> &write,
                           QString *error)
{
    auto fail = [error](Status status, const QString &why) {
        if (error && error->isEmpty())
            *error = why;
        return status;
    };
    if (error)
        error->clear();
    QFile temporary;
    if (!openTemporary(path, temporary, QIODevice::Unbuffered))
        return fail(Status::AccessDenied, temporary.errorString());
    const bool written = write(temporary);
    const QString writeError = temporary.errorString();
    temporary.close();
    if (!written || temporary.error() != QFileDevice::NoError) {
        temporary.remove();
        return fail(Status::WriteFailed, writeError);
    }
    const QString renameError = renameOver(temporary.fileName(), path);
    if (!renameError.isEmpty()) {
        temporary.remove();
        return fail(Status::WriteFailed, renameError);
    }
    return Status::Ok;
}

} // namespace imaging
