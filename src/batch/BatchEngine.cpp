#include "BatchEngine.h"

#include "BatchRun.h"
#include "imaging/FileSystem.h"

#include <QtConcurrent>

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
    // Every piece is durable before the end is announced.
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
    const int threads = threadCount();
    pool_.setMaxThreadCount(threads);
    BatchRun run(snapshot, pool_, threads, stopRequested_, format_,
                 [this](qint64 done, qint64 total) { emit progress(done, total); });
    const RunOutcome outcome = run.execute();
    // Pieces are renamed into place without a sync each; one flush of the folder's file
    // system makes the whole run durable. A failed flush loses no piece already reported
    // saved unless the machine goes down, so it is not counted against any piece.
    if (!snapshot.pictures.isEmpty() && !snapshot.frames.empty())
        imaging::flushFolder(snapshot.folder);
    return outcome;
}
