#include "BatchRun.h"

#include "PieceClip.h"
#include "PieceName.h"
#include "PieceSaver.h"
#include "imaging/FileSystem.h"
#include "imaging/Picture.h"
#include "imaging/TurnedCut.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QThreadPool>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <vector>

Q_LOGGING_CATEGORY(batchLog, "qinghe.batch")

namespace {

constexpr size_t maxSpares = 1;
// How often a wait for a decode looks at the stop request.
constexpr std::chrono::milliseconds stopPoll(10);

// The run's pictures as absolute and, where they exist, canonical paths.
QSet<QString> pictureFilesOf(const QStringList &pictures)
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

} // namespace

// One picture as the pool decoded it, unturned: the pieces turn what they cut.
struct BatchRun::Decoded
{
    imaging::Status status = imaging::Status::Ok;
    QString reason;         // why it could not be read
    bool abandoned = false; // not decoded because the run was stopped
    std::shared_ptr<const QImage> image;
};

// What the run and its pool tasks share; every task holds it, so it outlives them all.
struct BatchRun::Shared
{
    explicit Shared(qint64 total)
        : finished(size_t(total) + 1, 0), dropped(size_t(total) + 1, 0),
          verdicts(size_t(total) + 1, Verdict{})
    {}

    // Whether a piece begins, and in which format, decided under the mutex in
    // running-number order: a stop then leaves pieces 1..k, never a gap, however the
    // pool's threads happen to pick up the queued pieces.
    struct Verdict
    {
        bool begin = false;
        OutputFormat format = OutputFormat::Bmp;
    };
    Verdict verdictFor(qint64 number, bool stopped, OutputFormat format)
    {
        for (; decidedUpTo < number; ++decidedUpTo)
            verdicts[size_t(decidedUpTo + 1)] = Verdict{!stopped, format};
        return verdicts[size_t(number)];
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::map<qint64, Decoded> decoded; // by picture, until the run takes it
    int piecesRunning = 0;
    std::vector<qint64> events;    // running numbers in the order the read-out reports them
    std::vector<char> finished;    // by running number
    std::vector<char> dropped;     // queued pieces a stop kept from beginning
    std::vector<Verdict> verdicts; // by running number, up to decidedUpTo
    qint64 decidedUpTo = 0;
    size_t reported = 0;       // events already reported
    std::vector<QImage> spare; // pictures no longer needed, whose memory the next reuses
    qint64 saved = 0;
    bool anyDropped = false;
    std::map<qint64, Failure> unsaved; // by running number
    qint64 oldFilesRemoved = 0;
    std::map<qint64, QString> oldFilesKept; // by running number
    std::atomic<bool> over{false};          // the run has returned: a late decode is not wanted
};

BatchRun::BatchRun(const RunSnapshot &snapshot, QThreadPool &pool, int threads,
                   const std::atomic<bool> &stop, const std::atomic<OutputFormat> &format,
                   Progress progress)
    : snapshot_(snapshot), pool_(pool), threads_(threads), stop_(stop), format_(format),
      progress_(std::move(progress)), quarterTurns_(::quarterTurns(snapshot.rotation)),
      frames_(qint64(snapshot.frames.size())), total_(snapshot.pictures.size() * frames_),
      pictureFiles_(pictureFilesOf(snapshot.pictures)), shared_(std::make_shared<Shared>(total_))
{}

BatchRun::~BatchRun()
{
    shared_->over = true;
}

template <class Ready> void BatchRun::pump(std::unique_lock<std::mutex> &lock, Ready ready)
{
    Shared &s = *shared_;
    for (;;) {
        if (s.reported < s.events.size() && s.finished[size_t(s.events[s.reported])]) {
            const qint64 done = s.events[s.reported++];
            if (s.dropped[size_t(done)])
                continue;
            // Let go of the lock while reporting: a receiver on this thread may ask to
            // stop or change the format.
            lock.unlock();
            progress_(done, total_);
            lock.lock();
            continue;
        }
        if (ready())
            return;
        s.changed.wait_for(lock, stopPoll);
    }
}

void BatchRun::decodeLater(qint64 index)
{
    pool_.start([shared = shared_, index, path = snapshot_.pictures.at(index - 1), &stop = stop_] {
        Decoded result;
        if (stop || shared->over) {
            result.abandoned = true;
        } else {
            QImage recycled;
            {
                const std::lock_guard lock(shared->mutex);
                if (!shared->spare.empty()) {
                    recycled = std::move(shared->spare.back());
                    shared->spare.pop_back();
                }
            }
            imaging::Picture picture;
            result.status = picture.load(path, std::move(recycled));
            if (result.status != imaging::Status::Ok) {
                result.reason = picture.errorString().isEmpty() ? imaging::statusText(result.status)
                                                                : picture.errorString();
            } else {
                // When its last piece is done the picture goes to the spares.
                const std::weak_ptr<Shared> weak = shared;
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
        }
        const std::lock_guard lock(shared->mutex);
        shared->decoded[index] = std::move(result);
        shared->changed.notify_all();
    });
}

BatchRun::PieceEnd BatchRun::writePiece(const QImage &image, const QRect &cut,
                                        const QString &target, OutputFormat format) const
{
    PieceEnd end;
    // A piece never replaces one of the run's pictures: it may not have been read yet.
    if (isPictureFile(pictureFiles_, target)) {
        end.result = {imaging::Status::AccessDenied,
                      QStringLiteral("it would replace one of the run's pictures")};
        return end;
    }
    QImage piece;
    const imaging::Status cutStatus = imaging::cutTurnedPiece(image, quarterTurns_, cut, piece);
    end.result = cutStatus == imaging::Status::Ok
                     ? savePiece(piece, target, format)
                     : imaging::SaveResult{cutStatus, imaging::statusText(cutStatus)};
    // The disk works while the next pieces are cut, not after the last.
    if (end.result.ok() && !imaging::startWriteBack(target))
        end.result = {imaging::Status::WriteFailed, QStringLiteral("the disk failed to write it")};
    // An earlier run's piece left under the name of one this run could not save would
    // pass for this run's: it goes too.
    if (!end.result.ok() && imaging::fileExists(target))
        end.oldFile = imaging::removeFile(target) ? OldFile::Removed : OldFile::Kept;
    return end;
}

void BatchRun::startPiece(std::shared_ptr<const QImage> image, const QRect &cut, qint64 number,
                          const QString &letter)
{
    pool_.start([this, shared = shared_, image = std::move(image), cut, number, letter] {
        // The format is read before the stop is looked at: a piece that sees a format
        // chosen after a stop also sees the stop.
        Shared::Verdict verdict;
        {
            const OutputFormat format = format_;
            const std::lock_guard guard(shared->mutex);
            verdict = shared->verdictFor(number, stop_, format);
        }
        PieceEnd end;
        const QString target =
            pieceFileName(snapshot_.folder, letter, number, extensionOf(verdict.format));
        if (verdict.begin)
            end = writePiece(*image, cut, target, verdict.format);
        const std::lock_guard guard(shared->mutex);
        if (!verdict.begin) {
            shared->dropped[size_t(number)] = 1;
            shared->anyDropped = true;
        } else if (end.result.ok()) {
            ++shared->saved;
        } else {
            shared->unsaved.emplace(number, Failure{target, end.result.reason});
            if (end.oldFile == OldFile::Removed)
                ++shared->oldFilesRemoved;
            else if (end.oldFile == OldFile::Kept)
                shared->oldFilesKept.emplace(number, target);
        }
        shared->finished[size_t(number)] = 1;
        --shared->piecesRunning;
        shared->changed.notify_all();
    });
}

std::optional<BatchRun::Decoded> BatchRun::takeDecoded(qint64 index)
{
    Shared &s = *shared_;
    std::unique_lock lock(s.mutex);
    pump(lock, [&] { return s.decoded.count(index) > 0 || stop_; });
    // A picture not reached before the stop is neither cut nor reported.
    if (stop_)
        return std::nullopt;
    Decoded decoded = std::move(s.decoded[index]);
    s.decoded.erase(index);
    return decoded;
}

bool BatchRun::cutPicture(qint64 index, const std::shared_ptr<const QImage> &image)
{
    Shared &s = *shared_;
    const QSize turned = imaging::turnedSize(image->size(), quarterTurns_);
    const QSizeF size(float(turned.width()), float(turned.height()));
    for (qint64 k = 1; k <= frames_; ++k) {
        std::unique_lock lock(s.mutex);
        // At most one piece per thread begun and not yet reported: a slow piece holds the
        // next ones back, so a stop leaves at most that many after the read-out.
        pump(lock, [&] { return s.events.size() - s.reported < size_t(threads_); });
        if (stop_)
            return false;
        const qint64 number = runningNumber(index, frames_, k);
        s.events.push_back(number);
        const SplitFrame &frame = snapshot_.frames[size_t(k - 1)];
        const QRect cut = clipPiece(frame.rect, size);
        if (cut.isNull()) {
            s.finished[size_t(number)] = 1; // a frame without a file
            continue;
        }
        ++s.piecesRunning;
        lock.unlock();
        startPiece(image, cut, number, frame.letter);
    }
    return true;
}

RunOutcome BatchRun::execute()
{
    RunOutcome outcome;
    outcome.sampleSize = snapshot_.sampleSize;
    const qint64 count = snapshot_.pictures.size();
    if (frames_ == 0 || count == 0)
        return outcome;

    decodeLater(1);
    for (qint64 i = 1; i <= count && !outcome.stopped; ++i) {
        const std::optional<Decoded> decoded = takeDecoded(i);
        if (!decoded) {
            outcome.stopped = true;
            break;
        }
        // The next picture is decoded while this one's pieces are written.
        if (i < count)
            decodeLater(i + 1);
        const QString &picture = snapshot_.pictures.at(i - 1);
        if (decoded->status != imaging::Status::Ok) {
            outcome.unreadable << picture;
            outcome.whyUnreadable.insert(picture, decoded->reason);
            qCWarning(batchLog).noquote() << "cannot read" << picture << "-" << decoded->reason;
            continue;
        }
        // Every frame is cut at the same pixels: another size may cut pieces off.
        if (snapshot_.sampleSize.isValid() && decoded->image->size() != snapshot_.sampleSize)
            outcome.otherSize.append({picture, decoded->image->size()});
        outcome.stopped = !cutPicture(i, decoded->image);
    }
    finish(outcome);
    return outcome;
}

void BatchRun::finish(RunOutcome &outcome)
{
    Shared &s = *shared_;
    // Every begun piece is finished and reported before the run ends.
    std::unique_lock lock(s.mutex);
    pump(lock, [&] { return s.piecesRunning == 0 && s.reported == s.events.size(); });
    outcome.stopped = outcome.stopped || s.anyDropped;
    outcome.piecesSaved = s.saved;
    for (const auto &[number, failure] : s.unsaved) {
        outcome.unsaved << failure.path;
        outcome.whyUnsaved.insert(failure.path, failure.reason);
        qCWarning(batchLog).noquote() << "cannot save" << failure.path << "-" << failure.reason;
    }
    outcome.oldFilesRemoved = s.oldFilesRemoved;
    for (const auto &[number, target] : s.oldFilesKept)
        outcome.oldFilesKept << target;
}
