// qinghe-split: the batch of step 3 from the command line.

#include "CommandConsole.h"
#include "SplitCommand.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char *argv[])
{
    // Pieces of pictures that carry no resolution get the default one. The windows give
    // them 96 dpi; without a screen Qt would give 100, and the pieces would differ.
    QCoreApplication::setAttribute(Qt::AA_Use96Dpi);
    QCoreApplication app(argc, argv);
    // Qt's own words (a picture reader's reason) in Chinese like every other text of the
    // command, whatever the system's language, as the windows do; English where the file
    // is missing.
    QTranslator qtWords;
    if (qtWords.load(QStringLiteral("qtbase_zh_CN"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtWords);
    return runSplitCommand(QCoreApplication::arguments(), standardConsole());
}
