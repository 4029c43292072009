#include "CommandConsole.h"

#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

void write(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

bool errorIsTerminal()
{
#ifdef Q_OS_WIN
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

} // namespace

CommandConsole standardConsole()
{
    CommandConsole console;
    console.writeOut = [](const QString &text) { write(stdout, text); };
    console.writeError = [](const QString &text) { write(stderr, text); };
    console.showProgress = errorIsTerminal();
    return console;
}
