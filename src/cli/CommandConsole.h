#pragma once

#include <QString>

#include <functional>

// Where qinghe-split writes: help and version to standard output; messages, the progress
// line and the end report to standard error. Tests pass their own.
struct CommandConsole
{
    std::function<void(const QString &)> writeOut;
    std::function<void(const QString &)> writeError;
    // Standard error is a terminal, so a progress line redrawn in place can be read there;
    // in a file or a pipe it would only be clutter.
    bool showProgress = false;
};

// The process's standard output and error.
CommandConsole standardConsole();
