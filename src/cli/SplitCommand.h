#pragma once

#include <QStringList>

struct CommandConsole;

// qinghe-split's exit statuses.
namespace splitexit {
inline constexpr int allSaved = 0;
// A picture could not be read, a piece not saved, or nothing at all was saved.
inline constexpr int failures = 1;
// Refused before anything was cut: the command line or what it names is wrong.
inline constexpr int refused = 2;
// Stopped by a signal: 128 + its number, as shells say (130 for Ctrl+C).
inline constexpr int stoppedBy(int signalNumber)
{
    return 128 + signalNumber;
}
} // namespace splitexit

// The whole command: arguments[0] is the program. Cuts the pictures into the folder with
// the batch engine step 3 runs, so the pieces are the program's own, byte for byte.
// Needs a QCoreApplication (the run reports through the event loop).
int runSplitCommand(const QStringList &arguments, const CommandConsole &console);
