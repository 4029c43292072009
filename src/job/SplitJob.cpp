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
