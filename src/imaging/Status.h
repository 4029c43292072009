#pragma once

#include <QString>

namespace imaging {

// Result of every imaging operation; no exception crosses the layer.
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
};

// What the status means, in Simplified Chinese.
QString statusText(Status status);

} // namespace imaging
