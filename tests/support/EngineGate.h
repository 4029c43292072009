#pragma once

#include "batch/BatchEngine.h"

#include <QObject>
#include <QThread>

#include <atomic>
#include <memory>

namespace testsupport {

// Holds the run in its report of the given piece until released, so that a test acts
// while the run is certainly going on. Released at the latest when it goes.
class EngineGate
{
public:
    EngineGate(BatchEngine &engine, qint64 atDone) : state_(std::make_shared<State>())
    {
        QObject::connect(
            &engine, &BatchEngine::progress, &engine,
            [state = state_, atDone](qint64 done, qint64) {
                if (done != atDone)
                    return;
                state->reached = true;
                while (!state->released)
                    QThread::yieldCurrentThread();
            },
            Qt::DirectConnection);
    }
    ~EngineGate() { release(); }
    bool reached() const { return state_->reached; }
    void release() { state_->released = true; }

private:
    struct State
    {
        std::atomic<bool> reached{false};
        std::atomic<bool> released{false};
    };
    std::shared_ptr<State> state_;
};

} // namespace testsupport
