#include "SystemFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>

#ifdef Q_OS_WIN
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>
#else
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace testsupport {

namespace {

std::filesystem::path nativePath(const QString &path)
{
    return std::filesystem::path(QDir::toNativeSeparators(path).toStdU16String());
}

#ifdef Q_OS_WIN

// A Ctrl+C reaches every program on the console, the test's own too: this handler, the
// first installed and so the last asked, keeps it from ending the test.
BOOL WINAPI keepRunning(DWORD event)
{
    return event == CTRL_C_EVENT ? TRUE : FALSE;
}

const bool ctrlCKept = SetConsoleCtrlHandler(keepRunning, TRUE) != 0;

// A console of this process's own, keeping the standard handles, which lead to ctest.
// Wine gives a program started without a terminal a console that takes no events: that
// one is let go first.
bool ownConsole()
{
    const HANDLE handles[] = {GetStdHandle(STD_INPUT_HANDLE), GetStdHandle(STD_OUTPUT_HANDLE),
                              GetStdHandle(STD_ERROR_HANDLE)};
    FreeConsole();
    const bool made = AllocConsole() != 0;
    SetStdHandle(STD_INPUT_HANDLE, handles[0]);
    SetStdHandle(STD_OUTPUT_HANDLE, handles[1]);
    SetStdHandle(STD_ERROR_HANDLE, handles[2]);
    return made;
}

#endif

} // namespace

bool runningAsRoot()
{
#ifdef Q_OS_WIN
    return false;
#else
    return geteuid() == 0;
#endif
}

bool hardLink(const QString &existing, const QString &link)
{
    std::error_code code;
    std::filesystem::create_hard_link(nativePath(existing), nativePath(link), code);
    return !code;
}

bool folderLink(const QString &folder, const QString &link)
{
#ifdef Q_OS_WIN
    // Without the developer mode only an administrator may; Wine 8 does not make them.
    const std::wstring target = QDir::toNativeSeparators(folder).toStdWString();
    const std::wstring name = QDir::toNativeSeparators(link).toStdWString();
    if (!CreateSymbolicLinkW(name.c_str(), target.c_str(),
                             SYMBOLIC_LINK_FLAG_DIRECTORY |
                                 SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE))
        return false;
    return QFileInfo(link).isDir();
#else
    return QFile::link(folder, link);
#endif
}

bool makeFifo(const QString &path)
{
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    return false;
#else
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
#endif
}

bool interrupt(QProcess &process)
{
#ifdef Q_OS_WIN
    // Ctrl+C goes to a whole console: join the program's for the moment it takes.
    const bool hadConsole = GetConsoleWindow() != nullptr;
    FreeConsole();
    bool sent = false;
    if (AttachConsole(DWORD(process.processId()))) {
        sent = GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) != 0;
        // The event reaches this process too, on a thread of its own.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        FreeConsole();
    }
    if (hadConsole)
        AttachConsole(ATTACH_PARENT_PROCESS);
    return sent;
#else
    return sendSignal(process, SIGINT);
#endif
}

bool sendSignal(QProcess &process, int signalNumber)
{
#ifdef Q_OS_WIN
    Q_UNUSED(process);
    Q_UNUSED(signalNumber);
    return false;
#else
    return process.processId() > 0 && ::kill(pid_t(process.processId()), signalNumber) == 0;
#endif
}

bool interruptSelf()
{
#ifdef Q_OS_WIN
    if (!ctrlCKept)
        return false;
    if (!GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) &&
        !(ownConsole() && GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)))
        return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    return true;
#else
    return ::raise(SIGINT) == 0;
#endif
}

double residentMb()
{
#ifdef Q_OS_WIN
    PROCESS_MEMORY_COUNTERS counters{};
    if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return double(counters.WorkingSetSize) / 1048576.0;
#else
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / 1048576.0
                             : 0;
#endif
}

double peakResidentMb()
{
#ifdef Q_OS_WIN
    PROCESS_MEMORY_COUNTERS counters{};
    if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return double(counters.PeakWorkingSetSize) / 1048576.0;
#else
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0)
        return 0;
    return double(usage.ru_maxrss) / 1024.0;
#endif
}

} // namespace testsupport
