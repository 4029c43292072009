#pragma once

#include <QElapsedTimer>
#include <QString>

#include <functional>
#include <mutex>

// The line a terminal shows while a run goes on: "分割进度 42 %  27/64 块  3.1 张/秒".
QString progressLineText(qint64 done, qint64 total, double picturesPerSecond);

// The line that ends a run that saved something: "已保存 64 个分割块（跳过 8 个已有的），
// 16 张图片，用时 3.2 秒。" The skipped ones are named only when there are some.
QString summaryText(qint64 saved, qint64 skipped, qint64 pictures, double seconds);

// Redraws the progress line in place (a carriage return, no new line), at most a few times
// a second and always at the end, so that a fast run does not spend its time on the
// terminal. Other output goes through it, from any thread, so that it never lands inside
// the line.
class ProgressLine
{
public:
    // piecesPerPicture turns pieces done into pictures for the rate.
    ProgressLine(std::function<void(const QString &)> write, qint64 piecesPerPicture);

    void show(qint64 done, qint64 total);
    // Ends a line drawn, then writes the text on lines of its own; the next show() draws
    // the line again.
    void interject(const QString &text);
    // Ends the line, so that what follows starts on a line of its own.
    void finish();
    double secondsSinceStart() const { return double(sinceStart_.elapsed()) / 1000.0; }

private:
    void endLine(); // under the lock

    std::mutex mutex_;
    std::function<void(const QString &)> write_;
    qint64 piecesPerPicture_;
    QElapsedTimer sinceStart_;
    qint64 lastDrawnAt_ = -1; // ms since the start; -1: no line drawn since the last end
    qsizetype drawnWidth_ = 0;
};
