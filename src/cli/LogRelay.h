#pragma once

#include <QtGlobal>

class ProgressLine;

// While a relay lives, Qt's messages (the engine's log of what it could not read or save,
// Qt's own warnings) from any thread go through the progress line, which ends the line
// first: on a terminal they would otherwise land in the middle of it. The earlier handler
// comes back when the relay ends. One relay at a time.
class LogRelay
{
public:
    explicit LogRelay(ProgressLine &line);
    ~LogRelay();
    LogRelay(const LogRelay &) = delete;
    LogRelay &operator=(const LogRelay &) = delete;

private:
    QtMessageHandler previous_;
};
