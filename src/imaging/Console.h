#pragma once

#include <QString>

#include <cstdio>

namespace imaging {

// True when the stream is a terminal (a console window on Windows), not a file or a pipe.
bool isTerminal(std::FILE *stream);
// Writes the text and flushes it: UTF-16 straight to a Windows console, whatever its code
// page, and UTF-8 everywhere else.
void writeText(std::FILE *stream, const QString &text);

} // namespace imaging
