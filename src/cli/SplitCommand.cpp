#include "SplitCommand.h"

#include "CommandConsole.h"
#include "LogRelay.h"
#include "PieceListing.h"
#include "ProgressLine.h"
#include "SplitOptions.h"
#include "batch/BatchEngine.h"
#include "batch/EndReport.h"
#include "batch/OwnPictures.h"
#include "batch/PictureGathering.h"
#include "batch/PieceName.h"
#include "batch/PiecePlan.h"
#include "imaging/AtomicFile.h"
#include "imaging/FileSystem.h"
#include "imaging/InterruptWatch.h"
#include "imaging/Picture.h"
#include "job/LayoutFile.h"
#include "job/SplitLayout.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <csignal>
#include <optional>

namespace {

// How often the run looks whether Ctrl+C was pressed.
constexpr int interruptPollMs = 20;

// How a run ended, as the command saw it.
struct RunEnd
{
    RunOutcome outcome;
    int signalNumber = 0; // the signal that asked for the stop; 0 when none came
    qint64 pictures = 0;
    double seconds = 0;
};

// The sample's size after the rotation, read from its header as step 2 reads it; the
// reason when it cannot be read.
std::optional<QSizeF> turnedSampleSize(const QString &path, Rotation rotation, int pdfDpi,
                                       QString &why)
{
    imaging::Picture sample;
    imaging::ReadOptions reading;
    reading.pdfDpi = pdfDpi;
    sample.setOptions(reading);
    const imaging::Status status = sample.open(path);
    if (status != imaging::Status::Ok) {
        why = sample.errorString().isEmpty() ? imaging::statusText(status) : sample.errorString();
        return std::nullopt;
    }
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
        if (!collectPictures() || !placeFrames() || !checkFolder() || !checkManifest())
            return status_;
        return options_.dryRun ? plan() : cut();
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
    bool checkManifest();
    int plan();
    int cut();
    bool writeManifest(const std::vector<PieceRecord> &pieces);
    RunEnd runEngine();

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
            return refuse(splitexit::refused, QStringLiteral("找不到图片或目录：%1").arg(input));
    }
    // In the order a drop of the same files and folders onto step 1 lists them.
    const DroppedPictures dropped = picturesFromDrop(options_.inputs);
    if (dropped.leftOut > 0)
        console_.writeError(QStringLiteral("qinghe-split：有 %1 个文件不是图片（BMP、GIF、JPG、"
                                           "TIF、PNG）或 PDF，没有分割。\n")
                                .arg(dropped.leftOut));
    if (dropped.pictures.isEmpty())
        return refuse(splitexit::refused, QStringLiteral("没有要分割的图片。"));
    job_.pictures = dropped.pictures;
    job_.keepDepth = options_.keepDepth;
    job_.pdfDpi = options_.pdfDpi;
    job_.makeBooks = options_.makeBooks;
    return true;
}

bool SplitCommand::placeFrames()
{
    if (!options_.layoutFile.isEmpty()) {
        const LayoutReadResult read = loadLayoutFile(options_.layoutFile);
        if (!read.layout)
            return refuse(splitexit::refused, read.error);
        // The rectangles are in pixels of the picture turned by the layout's rotation: under
        // another one they would be clipped to a picture of other proportions.
        if (options_.rotation && *options_.rotation != read.layout->rotation)
            return refuse(splitexit::refused,
                          QStringLiteral("布局的分割框是按旋转 %1 度放置的，不能用 --rotate %2 "
                                         "切割；请去掉 --rotate，或在第2步按 %2 度重新保存布局。")
                              .arg(rotationDegrees(read.layout->rotation))
                              .arg(rotationDegrees(*options_.rotation)));
        job_.frames = read.layout->frames;
        job_.partCount = int(job_.frames.size());
        job_.rotation = read.layout->rotation;
        job_.sampleSize = read.layout->sampleSize;
        return true;
    }
    job_.partCount = options_.parts;
    job_.rotation = options_.rotation.value_or(Rotation::None);
    QString why;
    const std::optional<QSizeF> size =
        turnedSampleSize(job_.samplePicture(), job_.rotation, options_.pdfDpi, why);
    if (!size)
        return refuse(splitexit::refused,
                      QStringLiteral("无法读取样本图片 %1：%2")
                          .arg(QDir::toNativeSeparators(job_.samplePicture()), why));
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
    snapshot_.firstPicture = options_.firstPicture;
    snapshot_.skipExisting = options_.skipExisting;
    snapshot_.recordPieces = !options_.manifest.isEmpty();
    // Six digits would break the names' sort order; a shard's names go on from the pictures
    // before it.
    if (tooManyPieces(options_.firstPicture - 1 + snapshot_.pictures.size(),
                      qint64(snapshot_.frames.size())))
        return refuse(splitexit::refused, QStringLiteral("分割块总数超过 99999，请分批处理！"));
    // Without these every piece would fail one by one.
    if (!imaging::folderExists(folder))
        return refuse(splitexit::refused, QStringLiteral("保存目录不存在：%1").arg(folder));
    if (!imaging::folderWritable(folder))
        return refuse(splitexit::refused, QStringLiteral("保存目录无法写入：%1").arg(folder));
    return true;
}

// A manifest that could not be written at the end would leave a run without its record.
bool SplitCommand::checkManifest()
{
    if (options_.manifest.isEmpty())
        return true;
    const QFileInfo manifest(options_.manifest);
    const QString shown = QDir::toNativeSeparators(options_.manifest);
    if (imaging::folderExists(options_.manifest))
        return refuse(splitexit::refused, QStringLiteral("清单文件是一个目录：%1").arg(shown));
    if (!imaging::folderExists(manifest.absolutePath()))
        return refuse(splitexit::refused,
                      QStringLiteral("清单文件所在的目录不存在：%1").arg(shown));
    // Compared as files, not spellings: separators, case and links may differ.
    if (OwnPictures(snapshot_.pictures).wouldReplace(manifest.absoluteFilePath()))
        return refuse(splitexit::refused,
                      QStringLiteral("清单文件不能是要分割的图片：%1").arg(shown));
    return true;
}

// --dry-run: the run's plan on standard output, what it adds up to on standard error.
int SplitCommand::plan()
{
    const std::vector<PieceRecord> records = planRun(snapshot_, options_.format);
    qint64 counts[4] = {};
    QString lines;
    for (const PieceRecord &record : records) {
        ++counts[int(record.status)];
        lines += planLine(record) + QLatin1Char('\n');
        if (lines.size() > 1 << 16) {
            console_.writeOut(lines);
            lines.clear();
        }
    }
    console_.writeOut(lines);
    const qint64 saved = counts[int(PieceRecord::Status::Saved)];
    const qint64 skipped = counts[int(PieceRecord::Status::Skipped)];
    const qint64 failed = counts[int(PieceRecord::Status::Failed)];
    console_.writeError(QStringLiteral("qinghe-split：计划保存 %1 个分割块，跳过 %2 个已有的，"
                                       "%3 个会失败，%4 个无文件；没有切割任何图片。\n")
                            .arg(saved)
                            .arg(skipped)
                            .arg(failed)
                            .arg(counts[int(PieceRecord::Status::NoFile)]));
    // The plan of a run that would fail says so, as the run would.
    return failed > 0 || saved + skipped == 0 ? splitexit::failures : splitexit::allSaved;
}

bool SplitCommand::writeManifest(const std::vector<PieceRecord> &pieces)
{
    QString error;
    if (imaging::writeFileAtomically(options_.manifest, manifestBytes(pieces), &error) ==
        imaging::Status::Ok)
        return true;
    console_.writeError(QStringLiteral("qinghe-split：无法写入清单文件 %1：%2\n")
                            .arg(QDir::toNativeSeparators(options_.manifest), error));
    return false;
}

int SplitCommand::cut()
{
    const RunEnd end = runEngine();
    const RunOutcome &outcome = end.outcome;
    const QString report = failureReport(outcome);
    if (!report.isEmpty())
        console_.writeError(report + QLatin1Char('\n'));
    // Written after a stop too: it says which pieces the next run still has to cut.
    const bool recorded = options_.manifest.isEmpty() || writeManifest(outcome.pieces);
    // A signal after the last piece began stops nothing: the run is whole.
    if (outcome.stopped) {
        console_.writeError(QStringLiteral("qinghe-split：已停止，保存了 %1 个分割块。\n")
                                .arg(outcome.piecesSaved));
        return splitexit::stoppedBy(end.signalNumber != 0 ? end.signalNumber : SIGINT);
    }
    const bool failed = !outcome.unreadable.isEmpty() || !outcome.unsaved.isEmpty() ||
                        !outcome.unwrittenBooks.isEmpty() || !recorded;
    if (!failed && outcome.piecesSaved == 0 && outcome.piecesSkipped == 0) {
        console_.writeError(QStringLiteral("qinghe-split：没有保存任何分割块：分割框都在图片之外"
                                           "（或面积为零）。\n"));
        return splitexit::failures;
    }
    console_.writeError(QStringLiteral("qinghe-split：%1\n")
                            .arg(summaryText(outcome.piecesSaved, outcome.piecesSkipped,
                                             end.pictures, end.seconds)));
    return failed ? splitexit::failures : splitexit::allSaved;
}

// The engine on its own thread, as step 3 starts it; this thread draws the progress and
// turns a signal into the stop request.
RunEnd SplitCommand::runEngine()
{
    // These outlive the engine, whose end waits for a decode a stop left running (a picture
    // on a hung mount): a second signal must still end the process then.
    const imaging::InterruptWatch interrupt;
    ProgressLine progress(console_.writeError, qint64(snapshot_.frames.size()));
    const LogRelay relay(progress);
    BatchEngine engine;
    engine.setFormat(options_.format);
    engine.setThreadCount(options_.threads);
    QEventLoop loop;
    RunEnd end;
    end.pictures = snapshot_.pictures.size();
    if (console_.showProgress)
        QObject::connect(&engine, &BatchEngine::progress, &loop,
                         [&progress](qint64 done, qint64 total) { progress.show(done, total); });
    QObject::connect(&engine, &BatchEngine::finished, &loop,
                     [&end, &loop](const RunOutcome &ended) {
                         end.outcome = ended;
                         loop.quit();
                     });
    QTimer poll;
    bool stopAsked = false;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (stopAsked || !interrupt.requested())
            return;
        stopAsked = true;
        engine.requestStop();
        // Saying so at once: a piece under way on a slow disk can take a while.
        progress.interject(QStringLiteral("qinghe-split：正在停止，正在保存的分割块保存完后结束；"
                                          "再按一次 Ctrl+C 立即退出。"));
    });
    poll.start(interruptPollMs);
    if (!engine.start(snapshot_)) {
        end.outcome = engine.lastOutcome(); // a fresh engine is never busy
        return end;
    }
    loop.exec();
    engine.wait();
    progress.finish();
    end.signalNumber = interrupt.signalNumber();
    end.seconds = progress.secondsSinceStart();
    return end;
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
        return splitexit::refused;
    }
    return SplitCommand(parsed.options, console).run();
}
