#include "Progress.h"

#include <cmath>

int progressPercent(qint64 done, qint64 total)
{
    if (total <= 0)
        return 0;
    const double fraction = double(done) / double(total);
    return int(std::floor(fraction * 100.0));
}

QString progressText(qint64 done, qint64 total)
{
    return QString::number(progressPercent(done, total)) + QStringLiteral(" %");
}

int progressBarTwips(int outlineTwips, qint64 done, qint64 total)
{
    if (total <= 0)
        return 0;
    return int(std::floor(double(outlineTwips - 30) * double(done) / double(total)));
}
