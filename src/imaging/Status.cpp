#include "Status.h"

#include <array>

namespace imaging {

QString statusText(Status status)
{
    // In the order of the enumeration.
    static constexpr std::array<const char *, 9> texts = {
        "OK",
        "general error",
        "invalid parameter",
        "out of memory",
        "file not found",
        "not a readable picture",
        "picture too large",
        "access denied",
        "write failed",
    };
    const auto index = size_t(status);
    return index < texts.size() ? QString::fromLatin1(texts[index])
                                : QStringLiteral("unknown status");
}

} // namespace imaging
