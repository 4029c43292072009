#include "SplitJob.h"

Rotation rotationAt(int listIndex)
{
    return listIndex >= 0 && listIndex <= 3 ? Rotation(listIndex) : Rotation::None;
}

QString SplitJob::samplePicture() const
{
    return pictures.isEmpty() ? QString() : pictures.last();
}

QString defaultLetter(int frameIndex)
{
    return QString(QChar(u'A' + frameIndex));
}

void SplitJob::resetFrames(int count)
{
    frames.assign(size_t(qMax(count, 0)), SplitFrame{});
    for (size_t i = 0; i < frames.size(); ++i)
        frames[i].letter = defaultLetter(int(i));
}

std::optional<int> partsCount(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    for (const QChar c : trimmed) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const int n = trimmed.toInt(&ok);
    if (!ok || n < 1 || n > 10)
        return std::nullopt;
    return n;
}
