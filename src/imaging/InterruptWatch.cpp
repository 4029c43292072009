#include "InterruptWatch.h"

#include <QtGlobal>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <iterator>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <signal.h>
#endif

namespace {

// Process-wide because a signal handler reaches nothing else. A lock-free atomic is the
// one thing it may safely touch besides volatile sig_atomic_t.
static_assert(std::atomic<int>::is_always_lock_free);
std::atomic<int> firstSignal{0};

// The first signal asks for the stop; a second one means the user will not wait.
void noteSignal(int signalNumber)
{
    int none = 0;
    if (!firstSignal.compare_exchange_strong(none, signalNumber))
        std::_Exit(128 + signalNumber);
}

#ifdef Q_OS_WIN

BOOL WINAPI noteConsoleEvent(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
        // After a close event Windows ends the process once this returns, whatever it says.
        noteSignal(SIGINT);
        return TRUE;
    default:
        return FALSE;
    }
}

#else

constexpr int watchedSignals[] = {SIGINT, SIGTERM, SIGHUP};

#endif

} // namespace

namespace imaging {

struct InterruptWatch::Previous
{
#ifndef Q_OS_WIN
    struct sigaction actions[std::size(watchedSignals)];
#endif
};

InterruptWatch::InterruptWatch() : previous_(std::make_unique<Previous>())
{
    firstSignal = 0;
#ifdef Q_OS_WIN
    SetConsoleCtrlHandler(noteConsoleEvent, TRUE);
#else
    struct sigaction action = {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    // Reads and writes under way go on: the run's own threads are not to see EINTR.
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(watchedSignals); ++i)
        sigaction(watchedSignals[i], &action, &previous_->actions[i]);
#endif
}

InterruptWatch::~InterruptWatch()
{
#ifdef Q_OS_WIN
    SetConsoleCtrlHandler(noteConsoleEvent, FALSE);
#else
    for (size_t i = 0; i < std::size(watchedSignals); ++i)
        sigaction(watchedSignals[i], &previous_->actions[i], nullptr);
#endif
}

int InterruptWatch::signalNumber() const
{
    return firstSignal.load(std::memory_order_relaxed);
}

} // namespace imaging
