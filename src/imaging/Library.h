#pragma once

#include "Status.h"

#include <QtGlobal>

namespace imaging {

// Hands out one token per start of the imaging library; its stop gives it back.
using Token = quint32;

// The imaging library's life: every start hands out a token that its stop gives back.
// Pictures can only be loaded, drawn and saved while an instance is live.
class Library
{
public:
    static Status startup(Token &token);
    static void shutdown(Token token);
    static bool started();
    static int liveInstances();
    static int totalStartups();
    static int totalShutdowns();
    // Test switch: the next startup fails with GenericError.
    static void failNextStartup();

    // Largest picture the decoder will allocate: a 1200-dpi A3 scan in 32 bits.
    static constexpr int allocationLimitMb = 1100;
};

} // namespace imaging
