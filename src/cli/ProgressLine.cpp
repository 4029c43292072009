#include "ProgressLine.h"

#include "batch/Progress.h"

namespace {

constexpr qint64 redrawEveryMs = 100;

} // namespace

QString progressLineText(qint64 done, qint64 total, double picturesPerSecond)
{
    return QStringLiteral("分割进度 %1  %2/%3 块  %4 张/秒")
        .arg(progressText(done, total))
        .arg(done)
        .arg(total)
        .arg(picturesPerSecond, 0, 'f', 1);
}

QString summaryText(qint64 saved, qint64 skipped, qint64 pictures, double seconds)
{
    const QString skippedText =
        skipped > 0 ? QStringLiteral("（跳过 %1 个已有的）").arg(skipped) : QString();
    return QStringLiteral("已保存 %1 个分割块%2，%3 张图片，用时 %4 秒。")
        .arg(saved)
        .arg(skippedText)
        .arg(pictures)
        .arg(seconds, 0, 'f', 1);
}

ProgressLine::ProgressLine(std::function<void(const QString &)> write, qint64 piecesPerPicture)
    : write_(std::move(write)), piecesPerPicture_(qMax<qint64>(1, piecesPerPicture))
{
    sinceStart_.start();
}

void ProgressLine::show(qint64 done, qint64 total)
{
    const std::lock_guard lock(mutex_);
    const qint64 now = sinceStart_.elapsed();
    if (done < total && lastDrawnAt_ >= 0 && now - lastDrawnAt_ < redrawEveryMs)
        return;
    lastDrawnAt_ = now;
    const double pictures = double(done / piecesPerPicture_);
    const double rate = now > 0 ? pictures * 1000.0 / double(now) : 0.0;
    QString line = progressLineText(done, total, rate);
    // Blanks over the end of a longer line drawn before (the rate can lose a digit).
    const qsizetype width = line.size();
    if (width < drawnWidth_)
        line += QString(drawnWidth_ - width, QLatin1Char(' '));
    drawnWidth_ = qMax(drawnWidth_, width);
    write_(QLatin1Char('\r') + line);
}

void ProgressLine::interject(const QString &text)
{
    const std::lock_guard lock(mutex_);
    endLine();
    write_(text.endsWith(QLatin1Char('\n')) ? text : text + QLatin1Char('\n'));
}

void ProgressLine::finish()
{
    const std::lock_guard lock(mutex_);
    endLine();
}

void ProgressLine::endLine()
{
    if (lastDrawnAt_ >= 0)
        write_(QStringLiteral("\n"));
    lastDrawnAt_ = -1;
    drawnWidth_ = 0;
}
