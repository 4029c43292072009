#pragma once

#include "OutputFormat.h"
#include "RunOutcome.h"
#include "RunSnapshot.h"

#include <QFuture>
#include <QObject>
#include <QThreadPool>

#include <atomic>
#include <mutex>

// Cuts every picture of a snapshot into its frames and saves the pieces, off the
// user-interface thread. Progress and the end come back as queued signals. The pieces of
// a picture are written concurrently on a pool of threads while the next picture is
// decoded. After a stop request no piece begins; pieces already begun are always
// finished. Progress counts finished pieces in running-number order, so it never goes
// back.
class BatchEngine : public QObject
{
    Q_OBJECT

public:
    explicit BatchEngine(QObject *parent = nullptr);
    ~BatchEngine() override; // stops a run and waits for it

    // Starts a run on a worker thread; false when one is already running.
    bool start(RunSnapshot snapshot);
    // Runs from the calling thread (the pieces still go to the pool) and returns when
    // every piece is finished; the signals are emitted from the calling thread.
    RunOutcome runNow(const RunSnapshot &snapshot);

    // Threads that decode pictures and cut and write pieces; 0 means one per core. The
    // default, 1, writes one piece at a time (a stop leaves exactly the pieces before
    // it). Read when a run starts.
    void setThreadCount(int threads) { threads_ = qMax(0, threads); }
    int threadCount() const;

    void requestStop() { stopRequested_ = true; }
    bool isRunning() const;
    // Blocks until the worker has ended (the current piece saved).
    void wait();
    // The outcome of the last run that ended.
    RunOutcome lastOutcome() const;

    // The format is read for every piece, so a change applies to the pieces that follow.
    void setFormat(OutputFormat format) { format_ = format; }
    OutputFormat format() const { return format_; }

signals:
    // Pieces of this run finished, skipped or without a file, of all its pieces: counted
    // within the run, also when its first picture is not the batch's first.
    void progress(qint64 done, qint64 total);
    void finished(const RunOutcome &outcome);

private:
    RunOutcome run(const RunSnapshot &snapshot);
    RunOutcome cutAll(const RunSnapshot &snapshot);

    std::atomic<OutputFormat> format_{OutputFormat::Bmp};
    std::atomic<int> threads_{1};
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> running_{false};
    mutable std::mutex outcomeMutex_;
    RunOutcome lastOutcome_;
    QFuture<void> future_;
    // Last, so that it goes first: it waits for a decode a stop left running, which reads
    // the stop request and the format above.
    QThreadPool pool_;
};
