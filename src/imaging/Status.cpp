#include "Status.h"

namespace imaging {

QString statusText(Status status)
{
    switch (status) {
    case Status::Ok:
        return QStringLiteral("OK");
    case Status::GenericError:
        return QStringLiteral("general error");
    case Status::InvalidParameter:
        return QStringLiteral("invalid parameter");
    case Status::OutOfMemory:
        return QStringLiteral("out of memory");
    case Status::FileNotFound:
        return QStringLiteral("file not found");
    case Status::UnknownImageFormat:
        return QStringLiteral("not a readable picture");
    case Status::TooLarge:
        return QStringLiteral("picture too large");
    case Status::AccessDenied:
        return QStringLiteral("access denied");
    case Status::WriteFailed:
        return QStringLiteral("write failed");
    }
    return QStringLiteral("unknown status");
}

} // namespace imaging
