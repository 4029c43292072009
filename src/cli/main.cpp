// qinghe-split: the batch of step 3 from the command line.

#include "CommandConsole.h"
#include "SplitCommand.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    // Pieces of pictures that carry no resolution get the default one. The windows give
    // them 96 dpi; without a screen Qt would give 100, and the pieces would differ.
    QCoreApplication::setAttribute(Qt::AA_Use96Dpi);
    QCoreApplication app(argc, argv);
    return runSplitCommand(QCoreApplication::arguments(), standardConsole());
}
