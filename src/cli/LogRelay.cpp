#include "LogRelay.h"

#include "ProgressLine.h"
#include "imaging/Console.h"

#include <mutex>

namespace {

// A message handler is a plain function, so the line it writes to is process-wide. The
// lock lets the relay end while a decode the run left behind may still log.
std::mutex relayMutex;
ProgressLine *relayedLine = nullptr;

void relayMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const QString text = qFormatLogMessage(type, context, message);
    const std::lock_guard lock(relayMutex);
    if (relayedLine)
        relayedLine->interject(text);
    else
        imaging::writeText(stderr, text + QLatin1Char('\n'));
}

} // namespace

LogRelay::LogRelay(ProgressLine &line)
{
    {
        const std::lock_guard lock(relayMutex);
        relayedLine = &line;
    }
    previous_ = qInstallMessageHandler(relayMessage);
}

LogRelay::~LogRelay()
{
    qInstallMessageHandler(previous_);
    const std::lock_guard lock(relayMutex);
    relayedLine = nullptr;
}
