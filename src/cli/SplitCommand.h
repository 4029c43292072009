#pragma once

#include <QStringList>

struct CommandConsole;

// qinghe-split's exit statuses.
namespace splitexit {
inline constexpr int allSaved = 0;
inline constexpr int failures = 1;      // a picture could not be read or a piece not saved
inline constexpr int usage = 2;         // the command line or what it names is wrong; nothing cut
inline constexpr int interrupted = 130; // stopped by Ctrl+C (128 + SIGINT, as shells say)
} // namespace splitexit

// The whole command: arguments[0] is the program. Cuts the pictures into the folder with
// the batch engine step 3 runs, so the pieces are the program's own, byte for byte.
// Needs a QCoreApplication (the run reports through the event loop).
int runSplitCommand(const QStringList &arguments, const CommandConsole &console);
