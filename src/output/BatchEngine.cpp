#include "BatchEngine.h"

#include "PieceClip.h"
#include "PieceName.h"
#include "SavePic.h"

#include "platform/Imaging.h"

#include <QDir>
#include <QtConcurrent>

namespace {

// The run's own imaging instance, given back however the run ends.
class ImagingInstance
{
public:
    ImagingInstance() : status_(platform::Imaging::startup(token_)) {}
    ~ImagingInstance()
    {
        if (status_ == platform::Status::Ok)
            platform::Imaging::shutdown(token_);
    }
    ImagingInstance(const ImagingInstance &) = delete;
    ImagingInstance &operator=(const ImagingInstance &) = delete;
    bool ok() const { return status_ == platform::Status::Ok; }

private:
    platform::ImagingToken token_ = 0;
    platform::Status status_;
};

constexpr qint32 jpegQuality = 100;
constexpr qint32 tiffColorDepth = 24;

} // namespace

BatchEngine::BatchEngine(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<RunOutcome>();
}

BatchEngine::~BatchEngine()
{
    requestStop();
    wait();
}

bool BatchEngine::start(RunSnapshot snapshot)
{
    if (running_)
        return false;
    wait(); // a run that announced its end may still be returning
    running_ = true;
    stopRequested_ = false;
    // The worker gets its own copy of the snapshot; `this` outlives it (see the destructor).
    future_ = QtConcurrent::run([this, snapshot = std::move(snapshot)] { run(snapshot); });
    return true;
}

RunOutcome BatchEngine::runNow(const RunSnapshot &snapshot)
{
    if (running_)
        return {};
    wait();
    running_ = true;
    stopRequested_ = false;
    return run(snapshot);
}

bool BatchEngine::isRunning() const
{
    return running_;
}

void BatchEngine::wait()
{
    if (future_.isValid())
        future_.waitForFinished();
}

RunOutcome BatchEngine::lastOutcome() const
{
    std::lock_guard lock(outcomeMutex_);
    return lastOutcome_;
}

RunOutcome BatchEngine::run(const RunSnapshot &snapshot)
{
    // The imaging instance is shut down before the end is announced.
    const RunOutcome outcome = cutAll(snapshot);
    {
        std::lock_guard lock(outcomeMutex_);
        lastOutcome_ = outcome;
    }
    running_ = false;
    emit finished(outcome);
    return outcome;
}

RunOutcome BatchEngine::cutAll(const RunSnapshot &snapshot)
{
    RunOutcome outcome;
    const ImagingInstance imaging;
    if (!imaging.ok()) {
        outcome.startFailed = true;
        return outcome;
    }

    const qint64 count = snapshot.pictures.size();
    const qint64 frames = qint64(snapshot.frames.size());
    const qint64 total = count * frames;
    platform::Status lastStatus = platform::Status::Ok;

    for (qint64 i = 1; i <= count && frames > 0; ++i) {
        const QString &path = snapshot.pictures.at(i - 1);
        platform::Picture picture;
        lastStatus = picture.load(path);
        if (lastStatus != platform::Status::Ok) {
            outcome.unreadable << path;
            continue;
        }
        picture.rotateFlip(snapshot.rotation);
        const QSizeF size = picture.dimensions();

        for (qint64 k = 1; k <= frames; ++k) {
            if (stopRequested_) {
                outcome.stopped = true;
                return outcome;
            }
            const SnapshotFrame &frame = snapshot.frames[size_t(k - 1)];
            const QRect cut = clipPiece(frame.rect, size);
            if (!cut.isNull()) {
                const QString extension = extensionOf(format_);
                const QString target = pieceFileName(snapshot.folder, frame.letter,
                                                     runningNumber(i, frames, k), extension);
                QImage piece;
                lastStatus =
                    platform::cutPiece(picture, cut.x(), cut.y(), cut.width(), cut.height(), piece);
                if (lastStatus == platform::Status::Ok)
                    SavePic(piece, target, extension, jpegQuality, tiffColorDepth,
                            platform::encoders::compressionNone, lastStatus);
                if (lastStatus == platform::Status::Ok)
                    ++outcome.piecesSaved;
                else
                    outcome.unsaved << target;
            }
            emit progress(runningNumber(i, frames, k), total);
        }
    }
    return outcome;
}
