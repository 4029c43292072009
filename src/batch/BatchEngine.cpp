#include "BatchEngine.h"

#include "PieceClip.h"
#include "PieceName.h"
#include "PieceSaver.h"

#include "platform/FileSystem.h"
#include "imaging/Library.h"
#include "imaging/Picture.h"
#include "imaging/TurnedCut.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QThreadPool>
#include <QtConcurrent>

#include <condition_variable>
#include <map>
#include <memory>
#include <vector>

namespace {

// The run's own imaging instance, given back however the run ends.
class ImagingInstance
{
public:
    ImagingInstance() : status_(imaging::Library::startup(token_)) {}
    ~ImagingInstance()
    {
        if (status_ == imaging::Status::Ok)
            imaging::Library::shutdown(token_);
    }
    ImagingInstance(const ImagingInstance &) = delete;
    ImagingInstance &operator=(const ImagingInstance &) = delete;
    bool ok() const { return status_ == imaging::Status::Ok; }

private:
    imaging::Token token_ = 0;
    imaging::Status status_;
};

// One picture as the pool decoded it, unturned: the pieces turn what they cut.
struct Decoded
{
    imaging::Status status = imaging::Status::Ok;
    std::shared_ptr<const QImage> image;
};

// What the run and its pool tasks share; every task holds it, so it outlives them all.
struct RunState
{
    explicit RunState(qint64 total) : finished(size_t(total) + 1, 0) {}

    std::mutex mutex;
    std::condition_variable changed;
    std::map<qint64, Decoded> decoded; // by picture, until the run takes it
    int piecesRunning = 0;
    std::vector<qint64> events; // running numbers in the order the read-out reports them
    std::vector<char> finished; // by running number
    size_t reported = 0;        // events already reported
    std::vector<QImage> spare;  // pictures no longer needed, whose memory the next reuses
    qint64 saved = 0;
    std::map<qint64, QString> unsaved; // by running number
};

// The run's pictures as absolute and, where they exist, canonical paths.
QSet<QString> pictureFiles(const QStringList &pictures)
{
    QSet<QString> files;
    for (const QString &picture : pictures) {
        const QFileInfo info(picture);
        files.insert(info.absoluteFilePath());
        const QString canonical = info.canonicalFilePath();
        if (!canonical.isEmpty())
            files.insert(canonical);
    }
    return files;
}

// True when writing the target would replace one of the run's own pictures (pieces of an
// earlier run split again into their folder): it may not have been read yet.
bool isPictureFile(const QSet<QString> &pictures, const QString &target)
{
    const QFileInfo info(target);
    if (pictures.contains(info.absoluteFilePath()))
        return true;
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return pictures.contains(canonical);
    // Not there yet: a link to it could only be through the folder.
    const QString folder = info.absoluteDir().canonicalPath();
    return !folder.isEmpty() && pictures.contains(folder + QLatin1Char('/') + info.fileName());
}

constexpr size_t maxSpares = 1;
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

int BatchEngine::threadCount() const
{
    const int threads = threads_;
    return threads > 0 ? threads : qMax(1, QThread::idealThreadCount());
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
    if (frames == 0 || count == 0)
        return outcome;
    const int threads = threadCount();
    const int rotation = quarterTurns(snapshot.rotation);

    // Declared before the pool, so that the pool (which waits for its tasks) goes first.
    const auto state = std::make_shared<RunState>(total);
    const QSet<QString> pictures = pictureFiles(snapshot.pictures);
    QThreadPool pool;
    pool.setMaxThreadCount(threads);

    // Waits until ready() holds, reporting finished pieces in running-number order
    // meanwhile. The lock is let go while a signal is emitted: a receiver on this thread
    // may ask to stop or change the format.
    auto pump = [&](std::unique_lock<std::mutex> &lock, auto ready) {
        for (;;) {
            if (state->reported < state->events.size() &&
                state->finished[size_t(state->events[state->reported])]) {
                const qint64 done = state->events[state->reported++];
                lock.unlock();
                emit progress(done, total);
                lock.lock();
                continue;
            }
            if (ready())
                return;
            state->changed.wait(lock);
        }
    };

    auto decodeLater = [&](qint64 index) {
        pool.start([state, index, path = snapshot.pictures.at(index - 1), this] {
            Decoded result;
            if (!stopRequested_) {
                QImage recycled;
                {
                    const std::lock_guard lock(state->mutex);
                    if (!state->spare.empty()) {
                        recycled = std::move(state->spare.back());
                        state->spare.pop_back();
                    }
                }
                imaging::Picture picture;
                result.status = picture.load(path, std::move(recycled));
                if (result.status == imaging::Status::Ok) {
                    // When its last piece is done the picture goes to the spares.
                    const std::weak_ptr<RunState> weak = state;
                    result.image = std::shared_ptr<const QImage>(
                        new QImage(picture.image()), [weak](const QImage *image) {
                            if (const auto s = weak.lock()) {
                                const std::lock_guard lock(s->mutex);
                                if (s->spare.size() < maxSpares)
                                    s->spare.push_back(*image);
                            }
                            delete image;
                        });
                }
            } else {
                result.status = imaging::Status::GenericError;
            }
            const std::lock_guard lock(state->mutex);
            state->decoded[index] = std::move(result);
            state->changed.notify_all();
        });
    };

    std::unique_lock lock(state->mutex, std::defer_lock);
    decodeLater(1);
    for (qint64 i = 1; i <= count && !outcome.stopped; ++i) {
        lock.lock();
        pump(lock, [&] { return state->decoded.count(i) > 0; });
        const Decoded decoded = std::move(state->decoded[i]);
        state->decoded.erase(i);
        lock.unlock();
        // The next picture is decoded while this one's pieces are written.
        if (i < count)
            decodeLater(i + 1);
        if (decoded.status != imaging::Status::Ok) {
            outcome.unreadable << snapshot.pictures.at(i - 1);
            continue;
        }
        const QSize turned = imaging::turnedSize(decoded.image->size(), rotation);
        const QSizeF size(float(turned.width()), float(turned.height()));

        for (qint64 k = 1; k <= frames; ++k) {
            lock.lock();
            // At most one piece per thread begun and not yet reported: a slow piece holds
            // the next ones back, so a stop leaves at most that many after the read-out.
            pump(lock, [&] { return state->events.size() - state->reported < size_t(threads); });
            if (stopRequested_) {
                outcome.stopped = true;
                lock.unlock();
                break;
            }
            const qint64 number = runningNumber(i, frames, k);
            state->events.push_back(number);
            const SplitFrame &frame = snapshot.frames[size_t(k - 1)];
            const QRect cut = clipPiece(frame.rect, size);
            if (cut.isNull()) {
                state->finished[size_t(number)] = 1; // a frame without a file
                lock.unlock();
                continue;
            }
            ++state->piecesRunning;
            lock.unlock();
            pool.start([this, state, &pictures, image = decoded.image, rotation, cut, number,
                        folder = snapshot.folder, letter = frame.letter] {
                // The format is read as the piece starts.
                const QString extension = extensionOf(format_);
                const QString target = pieceFileName(folder, letter, number, extension);
                // A piece never replaces one of the run's pictures.
                imaging::Status status = imaging::Status::AccessDenied;
                if (!isPictureFile(pictures, target)) {
                    QImage piece;
                    status = imaging::cutTurnedPiece(*image, rotation, cut, piece);
                    if (status == imaging::Status::Ok)
                        savePiece(piece, target, extension, jpegQuality, tiffColorDepth,
                                imaging::encoders::compressionNone, status);
                }
                const std::lock_guard guard(state->mutex);
                if (status == imaging::Status::Ok)
                    ++state->saved;
                else
                    state->unsaved.emplace(number, target);
                state->finished[size_t(number)] = 1;
                --state->piecesRunning;
                state->changed.notify_all();
            });
        }
    }

    // Every started piece is finished and reported before the run ends.
    lock.lock();
    pump(lock,
         [&] { return state->piecesRunning == 0 && state->reported == state->events.size(); });
    outcome.piecesSaved = state->saved;
    for (const auto &[number, target] : state->unsaved)
        outcome.unsaved << target;
    lock.unlock();
    pool.waitForDone(); // a picture decoded ahead of a stop
    // Pieces are renamed into place without a sync each; one flush of the folder's file
    // system makes the whole run durable. A failed flush loses no piece already reported
    // saved unless the machine goes down, so it is not counted against any piece.
    if (total > 0)
        platform::flushFolder(snapshot.folder);
    return outcome;
}
