#include "CommandConsole.h"

#include "imaging/Console.h"

CommandConsole standardConsole()
{
    CommandConsole console;
    console.writeOut = [](const QString &text) { imaging::writeText(stdout, text); };
    console.writeError = [](const QString &text) { imaging::writeText(stderr, text); };
    console.showProgress = imaging::isTerminal(stderr);
    return console;
}
