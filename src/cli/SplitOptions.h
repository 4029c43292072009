#pragma once

#include "batch/OutputFormat.h"
#include "job/SplitJob.h"

#include <QString>
#include <QStringList>

#include <optional>

// What the command line asks qinghe-split to do, before anything on disk is looked at.
struct SplitOptions
{
    QString layoutFile;                      // a saved layout; empty: the default grid of `parts`
    int parts = 4;                           // step 1's default number of parts
    std::optional<Rotation> rotation;        // given: overrides the layout's; else none
    OutputFormat format = OutputFormat::Bmp; // step 3's preselected format
    int threads = 0;                         // 0: one per core, as step 3 runs
    QString folder;                          // as typed
    QStringList inputs;                      // pictures and folders, as typed
    // Runs across many machines: this run's first picture is picture firstPicture of the
    // whole batch; pieces already there are kept; a plan instead of a run; a record of
    // every piece.
    qint64 firstPicture = 1;
    bool skipExisting = false;
    bool dryRun = false;
    QString manifest; // empty: none
    // Step 3's check boxes: pieces of 1-bit and grey pictures keep their depth; one PDF a
    // book beside the pieces. PDF pages that are not one scanned image are drawn at pdfDpi.
    bool keepDepth = false;
    bool makeBooks = false;
    int pdfDpi = 300;
};

enum class CommandRequest { Run, Help, Version };

struct ParsedArguments
{
    CommandRequest request = CommandRequest::Run;
    SplitOptions options;
    QString error; // what is wrong with the command line; empty when it can run
};

// Most threads --threads accepts.
inline constexpr int maxThreads = 256;
// Largest --first-picture: picture 99999 still gets five-digit names with one frame.
inline constexpr qint64 maxFirstPicture = 99999;
// The range of --pdf-dpi: from a screen's to a fine scanner's.
inline constexpr int minPdfDpi = 72;
inline constexpr int maxPdfDpi = 1200;

// arguments[0] is the program. Options take their value as the next argument or after
// "="; "--" ends the options; -h/--help and --version win over everything else.
ParsedArguments parseSplitArguments(const QStringList &arguments);

// The text of --help and --version.
QString usageText();
QString versionText();
