#include "InterruptWatch.h"

#include <atomic>
#include <csignal>

namespace {

// Process-wide because a signal handler reaches nothing else. A lock-free atomic is the
// one thing it may safely touch besides volatile sig_atomic_t.
static_assert(std::atomic<bool>::is_always_lock_free);
std::atomic<bool> interruptRequested{false};

void raiseInterruptFlag(int)
{
    interruptRequested.store(true, std::memory_order_relaxed);
}

} // namespace

InterruptWatch::InterruptWatch()
{
    interruptRequested = false;
    previous_ = std::signal(SIGINT, raiseInterruptFlag);
    if (previous_ == SIG_ERR)
        previous_ = SIG_DFL;
}

InterruptWatch::~InterruptWatch()
{
    std::signal(SIGINT, previous_);
}

bool InterruptWatch::requested() const
{
    return interruptRequested.load(std::memory_order_relaxed);
}
