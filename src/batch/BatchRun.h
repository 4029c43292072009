#pragma once

#include "OutputFormat.h"
#include "OwnPictures.h"
#include "PieceNaming.h"
#include "RunOutcome.h"
#include "RunSnapshot.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QImage;
class QRect;
class QThreadPool;

// One run of a snapshot, the engine's working part. Pictures are decoded on the pool one
// ahead of the pieces; the pieces of a picture are cut, turned and saved on the pool;
// finished pieces are reported in running-number order. With skipExisting, pieces whose
// files stand are reported as finished without being cut, and a picture all of whose
// pieces stand is not decoded.
//
// A stop lets no piece begin after it: pieces already being cut or written are finished,
// queued ones are dropped, a picture not yet reached is not reported, and a decode under
// way is left to end on its own instead of being waited for.
class BatchRun
{
public:
    using Progress = std::function<void(qint64 done, qint64 total)>;

    // stop and format belong to the engine and outlive the pool's tasks; threads is the
    // most pieces begun at once.
    BatchRun(const RunSnapshot &snapshot, QThreadPool &pool, int threads,
             const std::atomic<bool> &stop, const std::atomic<OutputFormat> &format,
             Progress progress);
    ~BatchRun();
    BatchRun(const BatchRun &) = delete;
    BatchRun &operator=(const BatchRun &) = delete;

    // Cuts every picture; returns once every begun piece is finished and reported.
    RunOutcome execute();

private:
    struct Shared;
    struct Decoded;
    // What became of the file at the target of a piece that could not be saved: an
    // earlier one, or the piece itself when the disk failed to write it after the rename.
    enum class LeftFile { None, OldRemoved, OldKept, PieceRemoved, PieceKept };
    struct PieceEnd
    {
        imaging::SaveResult result;
        LeftFile left = LeftFile::None;
    };
    struct Failure
    {
        QString path;
        QString reason;
    };

    void decodeLater(qint64 index);
    // The decoded picture, once there; nothing when a stop came first.
    std::optional<Decoded> takeDecoded(qint64 index);
    // Begins the picture's pieces; false when a stop kept some from beginning.
    bool cutPicture(qint64 index, const Decoded &decoded);
    void startPiece(std::shared_ptr<const QImage> image, const QRect &cut, qint64 index,
                    qint64 frame);
    PieceEnd writePiece(const QImage &image, const QRect &cut, const QString &target,
                        OutputFormat format, imaging::ByteSink *written) const;
    // A record of the frame of the run's picture index.
    QString letterOf(qint64 frame) const { return snapshot_.frames[size_t(frame - 1)].letter; }
    PieceRecord recordOf(qint64 index, qint64 frame, const QString &path,
                         PieceRecord::Status status) const;
    void recordUnreadable(qint64 index, const QString &reason);
    // Waits for every begun piece and fills in what the pieces left.
    void finish(RunOutcome &outcome);
    // Reports finished pieces until ready() holds.
    template <class Ready> void pump(std::unique_lock<std::mutex> &lock, Ready ready);

    const RunSnapshot &snapshot_;
    QThreadPool &pool_;
    const int threads_;
    const std::atomic<bool> &stop_;
    const std::atomic<OutputFormat> &format_;
    Progress progress_;
    const int quarterTurns_;
    const qint64 frames_;
    const qint64 total_;
    const OwnPictures ownPictures_;
    // Copied for the decodes, which may outlive the run after a stop.
    std::shared_ptr<const PieceNaming> naming_;
    std::shared_ptr<Shared> shared_;
    imaging::ReadOptions reading_; // with the open PDFs the run's pictures share
};
