#pragma once

// What a run and its pool tasks share; private to the run.

#include "BatchRun.h"
#include "BookMaking.h"

#include <QImage>

#include <condition_variable>
#include <map>
#include <mutex>
#include <vector>

// One picture as the pool decoded it, unturned: the pieces turn what they cut.
struct BatchRun::Decoded
{
    imaging::Status status = imaging::Status::Ok;
    QString reason;         // why it could not be read
    bool abandoned = false; // not decoded because the run was stopped
    std::shared_ptr<const QImage> image;
    QSize size; // unturned, also when not decoded
    // Every piece's file stood in that format when the header was read: not decoded.
    bool allStanding = false;
    OutputFormat standingFormat = OutputFormat::Bmp;
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
    size_t reported = 0;              // events already reported
    std::vector<QImage> spare;        // pictures no longer needed, whose memory the next reuses
    std::vector<QImage> pieceBuffers; // turned pieces saved, whose memory the next reuses
    qint64 saved = 0;
    qint64 skipped = 0;
    bool anyDropped = false;
    std::map<qint64, Failure> unsaved; // by running number
    qint64 oldFilesRemoved = 0;
    std::map<qint64, QString> oldFilesKept; // by running number
    qint64 piecesRemoved = 0;
    std::map<qint64, QString> piecesKept;   // by running number
    std::map<qint64, PieceRecord> records;  // by running number, when asked for
    std::map<qint64, BookPiece> bookPieces; // by running number, when books are asked for
    std::atomic<bool> over{false};          // the run has returned: a late decode is not wanted
};
