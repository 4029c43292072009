#pragma once

// What the tests need from the system that Linux and Windows spell differently: second
// names for files and folders, pipes, stopping a process, who runs the tests, memory.
// Where a system has no counterpart the helper says so by returning false, and the test
// skips that case there.

#include <QString>

class QProcess;

namespace testsupport {

// Root on Linux, whom permission bits do not stop; never on Windows.
bool runningAsRoot();

// A second name for a file on the same disk (a hard link).
bool hardLink(const QString &existing, const QString &link);

// A second name for a folder (a symbolic link); false where none can be made.
bool folderLink(const QString &folder, const QString &link);

// A named pipe nobody writes to yet (Linux only).
bool makeFifo(const QString &path);

// Ctrl+C to a running program: SIGINT on Linux, the console's Ctrl+C event on Windows.
bool interrupt(QProcess &process);

// Any signal by its number (Linux only).
bool sendSignal(QProcess &process, int signalNumber);

// Ctrl+C to this very process, as the terminal gives it. On Windows the event comes on a
// thread of its own; this returns once it has been handled.
bool interruptSelf();

// This process's resident memory now, and the most it has held, in MiB; 0 where unknown.
double residentMb();
double peakResidentMb();

} // namespace testsupport
