#pragma once

#include <QString>

namespace imaging {

// Result of every platform operation; Ok is 0 like the imaging library's own status.
enum class Status {
    Ok = 0,
    GenericError,
    InvalidParameter,
    OutOfMemory,
    FileNotFound,
    UnknownImageFormat,
    TooLarge,
    AccessDenied,
    WriteFailed,
    NotStarted,
};

QString statusText(Status status);

} // namespace imaging
