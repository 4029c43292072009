#pragma once

#include <QElapsedTimer>
#include <QString>

#include <functional>

// The line a terminal shows while a run goes on: "分割进度 42 %  27/64 块  3.1 张/秒".
QString progressLineText(qint64 done, qint64 total, double picturesPerSecond);

// Redraws the progress line in place (a carriage return, no new line), at most a few times
// a second and always at the end, so that a fast run does not spend its time on the
// terminal.
class ProgressLine
{
public:
    // piecesPerPicture turns pieces done into pictures for the rate.
    ProgressLine(std::function<void(const QString &)> write, qint64 piecesPerPicture);

    void show(qint64 done, qint64 total);
    // Ends the line, so that what follows starts on a line of its own.
    void finish();

private:
    std::function<void(const QString &)> write_;
    qint64 piecesPerPicture_;
    QElapsedTimer sinceStart_;
    qint64 lastDrawnAt_ = -1; // ms since the start
    qsizetype drawnWidth_ = 0;
};
