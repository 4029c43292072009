#include "DefaultGrid.h"

#include "editor/SplitLayout.h"

std::vector<SplitFrame> defaultGridFrames(QSizeF turnedSize, int parts)
{
    SplitJob job;
    job.resetFrames(parts);
    const layout::SampleFit fit =
        layout::fitSample(float(turnedSize.width()), float(turnedSize.height()));
    for (int i = 1; i <= int(job.frames.size()); ++i) {
        const QRect frame = layout::defaultFrame(i, parts, fit.areaRight, fit.areaBottom);
        job.frames[size_t(i - 1)].rect = layout::pictureRect(frame, fit.scale);
    }
    return job.frames;
}
