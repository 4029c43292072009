#include "SplitCommand.h"

#include "CommandConsole.h"
#include "InterruptWatch.h"
#include "ProgressLine.h"
#include "SplitOptions.h"
#include "batch/BatchEngine.h"
#include "batch/EndReport.h"
#include "batch/PictureGathering.h"
#include "batch/PieceName.h"
#include "imaging/FileSystem.h"
#include "imaging/Picture.h"
#include "job/LayoutFile.h"
#include "job/SplitLayout.h"

#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include <optional>

namespace {

// How often the run looks whether Ctrl+C was pressed.
constexpr int interruptPollMs = 20;

// The sample's size after the rotation, read from its header as step 2 reads it.
std::optional<QSizeF> turnedSampleSize(const QString &path, Rotation rotation)
{
    imaging::Picture sample;
    if (sample.open(path) != imaging::Status::Ok)
        return std::nullopt;
    sample.turn(quarterTurns(rotation));
    return sample.dimensions();
}

// The command after its arguments were parsed: step 1's pictures, step 2's frames and
// step 3's checks and run, in that order. Each stage answers false once it has refused.
class SplitCommand
{
public:
    SplitCommand(const SplitOptions &options, const CommandConsole &console)
        : options_(options), console_(console)
    {}

    int run()
    {
        if (!collectPictures() || !placeFrames() || !checkFolder())
            return status_;
        return cut();
    }

private:
    bool refuse(int status, const QString &message)
    {
        console_.writeError(QStringLiteral("qinghe-split：%1\n").arg(message));
        status_ = status;
        return false;
    }

    bool collectPictures();
    bool placeFrames();
    bool checkFolder();
    int cut();
    RunOutcome runEngine(bool &interrupted);

    const SplitOptions &options_;
    const CommandConsole &console_;
    SplitJob job_;
    RunSnapshot snapshot_;
    int status_ = splitexit::allSaved;
};

bool SplitCommand::collectPictures()
{
    for (const QString &input : options_.inputs) {
        if (!imaging::fileExists(input) && !imaging::folderExists(input))
            return refuse(splitexit::usage, QStringLiteral("找不到图片或目录：%1").arg(input));
    }
    // In the order a drop of the same files and folders onto step 1 lists them.
    const DroppedPictures dropped = picturesFromDrop(options_.inputs);
    if (dropped.leftOut > 0)
        console_.writeError(QStringLiteral("qinghe-split：有 %1 个文件不是图片（BMP、GIF、JPG、"
                                           "TIF、PNG），没有分割。\n")
                                .arg(dropped.leftOut));
    if (dropped.pictures.isEmpty())
        return refuse(splitexit::usage, QStringLiteral("没有要分割的图片。"));
    job_.pictures = dropped.pictures;
    return true;
}

bool SplitCommand::placeFrames()
{
    if (!options_.layoutFile.isEmpty()) {
        const LayoutReadResult read = loadLayoutFile(options_.layoutFile);
        if (!read.layout)
            return refuse(splitexit::usage, read.error);
        // The rectangles stay in pixels of the turned picture whatever --rotate says.
        job_.frames = read.layout->frames;
        job_.partCount = int(job_.frames.size());
        job_.rotation = options_.rotation.value_or(read.layout->rotation);
        job_.sampleSize = read.layout->sampleSize;
        return true;
    }
    job_.partCount = options_.parts;
    job_.rotation = options_.rotation.value_or(Rotation::None);
    const std::optional<QSizeF> size = turnedSampleSize(job_.samplePicture(), job_.rotation);
    if (!size)
        return refuse(splitexit::failures, QStringLiteral("无法读取样本图片：") +
                                               QDir::toNativeSeparators(job_.samplePicture()));
    job_.sampleSize =
        quarterTurns(job_.rotation) % 2 == 1 ? size->toSize().transposed() : size->toSize();
    // Step 2's default grid over the sample, lettered A, B, C, ...
    job_.resetFrames(job_.partCount);
    const std::vector<QRect> rects =
        layout::defaultPictureRects(float(size->width()), float(size->height()), job_.partCount);
    for (size_t i = 0; i < rects.size(); ++i)
        job_.frames[i].rect = rects[i];
    return true;
}

// Step 3's checks before a run, in its order.
bool SplitCommand::checkFolder()
{
    const QString folder = outputFolder(options_.folder);
    snapshot_ = snapshotOf(job_, folder);
    // Six digits would break the names' sort order.
    if (tooManyPieces(snapshot_.pictures.size(), qint64(snapshot_.frames.size())))
        return refuse(splitexit::usage, QStringLiteral("分割块总数超过 99999，请分批处理！"));
    // Without these every piece would fail one by one.
    if (!imaging::folderExists(folder))
        return refuse(splitexit::usage, QStringLiteral("保存目录不存在：%1").arg(folder));
    if (!imaging::folderWritable(folder))
        return refuse(splitexit::usage, QStringLiteral("保存目录无法写入：%1").arg(folder));
    return true;
}

int SplitCommand::cut()
{
    bool interrupted = false;
    const RunOutcome outcome = runEngine(interrupted);
    const QString report = failureReport(outcome);
    if (!report.isEmpty())
        console_.writeError(report + QLatin1Char('\n'));
    if (interrupted) {
        console_.writeError(QStringLiteral("qinghe-split：已停止，保存了 %1 个分割块。\n")
                                .arg(outcome.piecesSaved));
        return splitexit::interrupted;
    }
    const bool failed = !outcome.unreadable.isEmpty() || !outcome.unsaved.isEmpty();
    return failed ? splitexit::failures : splitexit::allSaved;
}

// The engine on its own thread, as step 3 starts it; this thread draws the progress and
// turns Ctrl+C into the stop request.
RunOutcome SplitCommand::runEngine(bool &interrupted)
{
    BatchEngine engine;
    engine.setFormat(options_.format);
    engine.setThreadCount(options_.threads);
    const InterruptWatch interrupt;
    ProgressLine progress(console_.writeError, qint64(snapshot_.frames.size()));
    QEventLoop loop;
    RunOutcome outcome;
    if (console_.showProgress)
        QObject::connect(&engine, &BatchEngine::progress, &loop,
                         [&progress](qint64 done, qint64 total) { progress.show(done, total); });
    QObject::connect(&engine, &BatchEngine::finished, &loop,
                     [&outcome, &loop](const RunOutcome &ended) {
                         outcome = ended;
                         loop.quit();
                     });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&interrupt, &engine] {
        if (interrupt.requested())
            engine.requestStop();
    });
    poll.start(interruptPollMs);
    if (!engine.start(snapshot_))
        return engine.lastOutcome(); // a fresh engine is never busy
    loop.exec();
    engine.wait();
    progress.finish();
    interrupted = interrupt.requested();
    return outcome;
}

} // namespace

int runSplitCommand(const QStringList &arguments, const CommandConsole &console)
{
    const ParsedArguments parsed = parseSplitArguments(arguments);
    if (parsed.request == CommandRequest::Help) {
        console.writeOut(usageText());
        return splitexit::allSaved;
    }
    if (parsed.request == CommandRequest::Version) {
        console.writeOut(versionText());
        return splitexit::allSaved;
    }
    if (!parsed.error.isEmpty()) {
        console.writeError(
            QStringLiteral("qinghe-split：%1\n请运行 qinghe-split --help 查看用法。\n")
                .arg(parsed.error));
        return splitexit::usage;
    }
    return SplitCommand(parsed.options, console).run();
}
