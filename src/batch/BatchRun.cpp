#include "BatchRun.h"

#include "BatchRunState.h"
#include "PieceName.h"
#include "PieceNaming.h"
#include "PieceSaver.h"
#include "Sha256.h"
#include "imaging/FileSystem.h"
#include "imaging/Picture.h"
#include "imaging/TurnedCut.h"

#include <QLoggingCategory>
#include <QThreadPool>

#include <chrono>
#include <mutex>

Q_LOGGING_CATEGORY(batchLog, "qinghe.batch")

namespace {

constexpr size_t maxSpares = 1;
// How often a wait for a decode looks at the stop request.
constexpr std::chrono::milliseconds stopPoll(10);

QString diskFailedReason()
{
    return QStringLiteral("磁盘未能写入");
}

} // namespace

BatchRun::BatchRun(const RunSnapshot &snapshot, QThreadPool &pool, int threads,
                   const std::atomic<bool> &stop, const std::atomic<OutputFormat> &format,
                   Progress progress)
    : snapshot_(snapshot), pool_(pool), threads_(threads), stop_(stop), format_(format),
      progress_(std::move(progress)), quarterTurns_(::quarterTurns(snapshot.rotation)),
      frames_(qint64(snapshot.frames.size())), total_(snapshot.pictures.size() * frames_),
      ownPictures_(snapshot.pictures), naming_(std::make_shared<PieceNaming>(snapshot)),
      shared_(std::make_shared<Shared>(total_)), reading_(snapshot.reading)
{
    // The run's pages of one PDF share its open document.
    if (!reading_.openPdfs)
        reading_.openPdfs = std::make_shared<imaging::OpenPdfs>();
}

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
    pool_.start([shared = shared_, naming = naming_, index, path = snapshot_.pictures.at(index - 1),
                 &stop = stop_, &format = format_, reading = reading_] {
        Decoded result;
        imaging::Picture picture;
        picture.setOptions(reading);
        if (stop || shared->over) {
            result.abandoned = true;
        } else if (naming->skipExisting && picture.open(path) == imaging::Status::Ok) {
            // The header tells which pieces give files; when they all stand, nothing is
            // decoded.
            result.size = picture.dimensions().toSize();
            result.standingFormat = format;
            result.allStanding = naming->allStand(index, result.size, result.standingFormat);
        }
        if (!result.abandoned && !result.allStanding) {
            QImage recycled;
            {
                const std::lock_guard lock(shared->mutex);
                if (!shared->spare.empty()) {
                    recycled = std::move(shared->spare.back());
                    shared->spare.pop_back();
                }
            }
            result.status = picture.load(path, std::move(recycled));
            if (result.status != imaging::Status::Ok) {
                result.reason = picture.errorString().isEmpty() ? imaging::statusText(result.status)
                                                                : picture.errorString();
            } else {
                result.size = picture.image().size();
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
                                        const QString &target, OutputFormat format,
                                        imaging::ByteSink *written) const
{
    PieceEnd end;
    // A piece never replaces one of the run's pictures: it may not have been read yet, and
    // a failed save would remove it below.
    if (ownPictures_.wouldReplace(target)) {
        end.result = {imaging::Status::AccessDenied, OwnPictures::reason()};
        return end;
    }
    QImage piece;
    // An unturned piece is a view onto the picture; a turned one has its own memory, which
    // the next turned piece reuses.
    if (quarterTurns_ != 0) {
        const std::lock_guard lock(shared_->mutex);
        if (!shared_->pieceBuffers.empty()) {
            piece = std::move(shared_->pieceBuffers.back());
            shared_->pieceBuffers.pop_back();
        }
    }
    const imaging::Status cutStatus = imaging::cutTurnedPiece(image, quarterTurns_, cut, piece);
    end.result = cutStatus == imaging::Status::Ok
                     ? savePiece(piece, target, format, written)
                     : imaging::SaveResult{cutStatus, imaging::statusText(cutStatus)};
    if (quarterTurns_ != 0 && !piece.isNull()) {
        const std::lock_guard lock(shared_->mutex);
        if (shared_->pieceBuffers.size() < size_t(threads_))
            shared_->pieceBuffers.push_back(std::move(piece));
    }
    // The disk works while the next pieces are cut, not after the last.
    if (end.result.ok() && !imaging::startWriteBack(target)) {
        // The piece replaced any earlier file, but the disk may not hold it whole: it goes.
        end.result = {imaging::Status::WriteFailed, diskFailedReason()};
        end.left = imaging::removeFile(target) ? LeftFile::PieceRemoved : LeftFile::PieceKept;
        return end;
    }
    // An earlier run's piece left under the name of one this run could not save would
    // pass for this run's: it goes too.
    if (!end.result.ok() && imaging::fileExists(target))
        end.left = imaging::removeFile(target) ? LeftFile::OldRemoved : LeftFile::OldKept;
    return end;
}

PieceRecord BatchRun::recordOf(qint64 index, qint64 frame, const QString &path,
                               PieceRecord::Status status) const
{
    PieceRecord record;
    record.path = path;
    record.picture = snapshot_.pictures.at(index - 1);
    record.pictureNumber = naming_->pictureNumber(index);
    record.runningNumber = naming_->number(index, frame);
    record.frame = int(frame);
    record.status = status;
    return record;
}

void BatchRun::startPiece(std::shared_ptr<const QImage> image, const QRect &cut, qint64 index,
                          qint64 frame)
{
    pool_.start([this, shared = shared_, image = std::move(image), cut, index, frame] {
        const qint64 number = runningNumber(index, frames_, frame);
        // The format is read before the stop is looked at: a piece that sees a format
        // chosen after a stop also sees the stop.
        Shared::Verdict verdict;
        {
            const OutputFormat format = format_;
            const std::lock_guard guard(shared->mutex);
            verdict = shared->verdictFor(number, stop_, format);
        }
        PieceEnd end;
        const QString target = naming_->target(index, frame, verdict.format);
        // Fed the bytes as they are written, on this thread: the file is never read back.
        std::optional<Sha256> digest;
        if (snapshot_.recordPieces)
            digest.emplace();
        if (verdict.begin)
            end = writePiece(*image, cut, target, verdict.format, digest ? &*digest : nullptr);
        const std::lock_guard guard(shared->mutex);
        if (!verdict.begin) {
            shared->dropped[size_t(number)] = 1;
            shared->anyDropped = true;
        } else {
            if (end.result.ok()) {
                ++shared->saved;
                if (snapshot_.makeBooks)
                    shared->bookPieces.emplace(number, BookPiece{letterOf(frame), target});
            } else {
                shared->unsaved.emplace(number, Failure{target, end.result.reason});
                if (end.left == LeftFile::OldRemoved)
                    ++shared->oldFilesRemoved;
                else if (end.left == LeftFile::OldKept)
                    shared->oldFilesKept.emplace(number, target);
                else if (end.left == LeftFile::PieceRemoved)
                    ++shared->piecesRemoved;
                else if (end.left == LeftFile::PieceKept)
                    shared->piecesKept.emplace(number, target);
            }
            if (snapshot_.recordPieces) {
                PieceRecord record = recordOf(index, frame, target,
                                              end.result.ok() ? PieceRecord::Status::Saved
                                                              : PieceRecord::Status::Failed);
                record.rect = cut;
                if (end.result.ok())
                    record.sha256 = digest->hex();
                else
                    record.reason = end.result.reason;
                shared->records.emplace(number, std::move(record));
            }
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

bool BatchRun::cutPicture(qint64 index, const Decoded &decoded)
{
    Shared &s = *shared_;
    for (qint64 k = 1; k <= frames_; ++k) {
        std::unique_lock lock(s.mutex);
        // At most one piece per thread begun and not yet reported: a slow piece holds the
        // next ones back, so a stop leaves at most that many after the read-out.
        pump(lock, [&] { return s.events.size() - s.reported < size_t(threads_); });
        if (stop_)
            return false;
        const qint64 number = runningNumber(index, frames_, k);
        s.events.push_back(number);
        PieceRecord record =
            recordOf(index, k,
                     naming_->target(index, k,
                                     decoded.allStanding ? decoded.standingFormat : format_.load()),
                     PieceRecord::Status::NoFile);
        record.rect = naming_->cut(k, decoded.size);
        // A standing piece was renamed into place whole: it is complete.
        if (!record.rect.isNull() && snapshot_.skipExisting &&
            (decoded.allStanding || imaging::fileExists(record.path)))
            record.status = PieceRecord::Status::Skipped;
        if (record.rect.isNull() || record.status == PieceRecord::Status::Skipped) {
            s.finished[size_t(number)] = 1; // reported as done in its turn
            if (!record.rect.isNull()) {
                ++s.skipped;
                if (snapshot_.makeBooks)
                    s.bookPieces.emplace(number, BookPiece{letterOf(k), record.path});
            }
            if (snapshot_.recordPieces)
                s.records.emplace(number, std::move(record));
            continue;
        }
        ++s.piecesRunning;
        lock.unlock();
        startPiece(decoded.image, record.rect, index, k);
    }
    return true;
}

void BatchRun::recordUnreadable(qint64 index, const QString &reason)
{
    if (!snapshot_.recordPieces)
        return;
    const std::lock_guard lock(shared_->mutex);
    for (qint64 k = 1; k <= frames_; ++k) {
        PieceRecord record =
            recordOf(index, k, naming_->target(index, k, format_), PieceRecord::Status::Failed);
        record.reason = reason;
        shared_->records.emplace(runningNumber(index, frames_, k), std::move(record));
    }
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
            recordUnreadable(i, decoded->reason);
            continue;
        }
        // Every frame is cut at the same pixels: another size may cut pieces off.
        if (snapshot_.sampleSize.isValid() && decoded->size != snapshot_.sampleSize)
            outcome.otherSize.append({picture, decoded->size});
        outcome.stopped = !cutPicture(i, *decoded);
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
    outcome.piecesSkipped = s.skipped;
    for (const auto &[number, failure] : s.unsaved) {
        outcome.unsaved << failure.path;
        outcome.whyUnsaved.insert(failure.path, failure.reason);
        qCWarning(batchLog).noquote() << "cannot save" << failure.path << "-" << failure.reason;
    }
    outcome.oldFilesRemoved = s.oldFilesRemoved;
    for (const auto &[number, target] : s.oldFilesKept)
        outcome.oldFilesKept << target;
    outcome.piecesRemovedAfterDiskError = s.piecesRemoved;
    for (const auto &[number, target] : s.piecesKept)
        outcome.piecesLeftAfterDiskError << target;
    outcome.pieces.reserve(s.records.size());
    for (auto &[number, record] : s.records)
        outcome.pieces.push_back(std::move(record));
    if (!snapshot_.makeBooks)
        return;
    lock.unlock(); // every piece is done: the books need no lock
    // A book of part of a run would pass for the whole book.
    if (outcome.stopped)
        outcome.booksStopped = true;
    else
        makeBooks(s.bookPieces, snapshot_.folder, ownPictures_, outcome);
}
