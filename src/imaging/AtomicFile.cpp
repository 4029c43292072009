#include "AtomicFile.h"

#include <QFile>
#include <QRandomGenerator>

#include <filesystem>
#include <system_error>

namespace imaging {

namespace {

std::filesystem::path nativePath(const QString &path)
{
    return std::filesystem::path(path.toStdU16String());
}

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

} // namespace

Status writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error,
                           ByteSink *sink)
{
    auto fail = [error](Status status, const QString &why) {
        if (error)
            *error = why;
        return status;
    };
    QFile temporary;
    bool opened = false;
    for (int attempt = 0; attempt < 16 && !opened; ++attempt) {
        temporary.setFileName(path +
                              QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(),
                                                            8, 16, QLatin1Char('0')));
        // NewOnly: an existing file of that name is never reused.
        // Unbuffered: each write reaches the file, so a failing one reports its cause.
        opened = temporary.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered);
        if (!opened && temporary.error() != QFileDevice::OpenError)
            break;
    }
    if (!opened)
        return fail(Status::AccessDenied, temporary.errorString());
    const bool written = writeAll(temporary, bytes, sink);
    const QString writeError = temporary.errorString();
    temporary.close();
    if (!written || temporary.error() != QFileDevice::NoError) {
        temporary.remove();
        return fail(Status::WriteFailed, writeError);
    }
    std::error_code code;
    std::filesystem::rename(nativePath(temporary.fileName()), nativePath(path), code);
    if (code) {
        temporary.remove();
        // Qt's words for the system's error, as for every other file error.
        return fail(Status::WriteFailed, qt_error_string(code.value()));
    }
    return Status::Ok;
}

} // namespace imaging
