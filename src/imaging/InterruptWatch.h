#pragma once

#include <memory>

namespace imaging {

// Ctrl+C as the stop button: while a watch lives, SIGINT, SIGTERM and SIGHUP (a closed
// terminal, `timeout`, a cluster's scheduler) only raise a flag, which the run polls and
// turns into the engine's stop request, so that the pieces under way are finished and no
// temporary file is left behind. A second signal ends the process at once with
// 128 + its number, for a run stuck on a hung mount. On Windows the console's Ctrl+C,
// Ctrl+Break and close events do the same. One watch at a time.
class InterruptWatch
{
public:
    InterruptWatch();
    ~InterruptWatch(); // the earlier handlers again
    InterruptWatch(const InterruptWatch &) = delete;
    InterruptWatch &operator=(const InterruptWatch &) = delete;

    bool requested() const { return signalNumber() != 0; }
    // The first signal that came (SIGINT for every Windows event); 0 when none.
    int signalNumber() const;

private:
    struct Previous; // the handlers the watch replaced
    std::unique_ptr<Previous> previous_;
};

} // namespace imaging
