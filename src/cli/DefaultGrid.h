#pragma once

#include "job/SplitJob.h"

#include <QSizeF>

#include <vector>

// The frames step 2 shows for `parts` parts over a sample of turnedSize pixels (after the
// rotation), before any is moved: the default grid over the sample as it is displayed,
// each window rectangle converted to picture pixels, lettered A, B, C, ...
std::vector<SplitFrame> defaultGridFrames(QSizeF turnedSize, int parts);
