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

} // namespace

Status writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error)
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
        opened = temporary.open(QIODevice::WriteOnly | QIODevice::NewOnly);
        if (!opened && temporary.error() != QFileDevice::OpenError)
            break;
    }
    if (!opened)
        return fail(Status::AccessDenied, temporary.errorString());
    const bool written = temporary.write(bytes) == bytes.size() && temporary.flush();
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
        return fail(Status::WriteFailed, QString::fromStdString(code.message()));
    }
    return Status::Ok;
}

} // namespace imaging
