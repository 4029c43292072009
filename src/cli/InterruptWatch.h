#pragma once

// Ctrl+C as the stop button: while a watch lives, SIGINT only raises a flag, which the
// run polls and turns into the engine's stop request, so that the pieces under way are
// finished and no temporary file is left behind. One watch at a time.
class InterruptWatch
{
public:
    InterruptWatch();
    ~InterruptWatch(); // the earlier handler again
    InterruptWatch(const InterruptWatch &) = delete;
    InterruptWatch &operator=(const InterruptWatch &) = delete;

    bool requested() const;

private:
    void (*previous_)(int) = nullptr;
};
