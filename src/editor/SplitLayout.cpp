#include "SplitLayout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace layout {

namespace {

qint32 floorToInt(double value)
{
    const double f = std::floor(value);
    // A scale of 0 (no sample drawn yet) or a huge quotient must not overflow.
    if (!(f > double(std::numeric_limits<qint32>::min())))
        return std::numeric_limits<qint32>::min();
    if (!(f < double(std::numeric_limits<qint32>::max())))
        return std::numeric_limits<qint32>::max();
    return qint32(f);
}

// The smallest window length n whose picture length floor(n / scale) is value; where
// none is, the one whose picture length comes nearest.
qint64 windowLength(qint32 value, double scale)
{
    qint64 n = qint64(std::ceil(double(value) * scale));
    // value * scale is rounded; step to the exact edge of the conversion.
    while (n > 0 && floorToInt(double(n - 1) / scale) >= value)
        --n;
    while (floorToInt(double(n) / scale) < value)
        ++n;
    const qint64 over = floorToInt(double(n) / scale) - qint64(value);
    const qint64 under = n > 0 ? qint64(value) - floorToInt(double(n - 1) / scale) : over + 1;
    return over > 0 && under < over ? n - 1 : n;
}

} // namespace

SampleFit fitSample(float w, float h)
{
    SampleFit fit;
    if (w > float(maxAreaWidth) || h > float(maxAreaHeight)) {
        const float ratio = h / w;
        if (ratio <= wideRatio) {
            fit.scale = float(maxAreaWidth) / w;
            fit.width = maxAreaWidth;
            fit.height = floorToInt(double(h) * double(fit.scale));
        } else {
            fit.scale = float(maxAreaHeight) / h;
            fit.width = floorToInt(double(w) * double(fit.scale));
            fit.height = maxAreaHeight;
        }
    } else {
        fit.scale = 1.0f;
        // Whole-pixel sizes in practice; halves go to even.
        fit.width = int(std::lrint(w));
        fit.height = int(std::lrint(h));
    }
    // A readable picture far thinner than wide (5000 x 3) still shows one row or column.
    fit.width = std::max(fit.width, 1);
    fit.height = std::max(fit.height, 1);
    fit.areaRight = areaOrigin - 1 + fit.width;
    fit.areaBottom = areaOrigin - 1 + fit.height;
    return fit;
}

QRect defaultFrame(int i, int frameCount, int areaRight, int areaBottom)
{
    const int rows = (frameCount + 1) / 2;
    const int cellWidth = (areaRight - (areaOrigin - 1)) / 2;
    const int rowHeight = rows > 0 ? (areaBottom - (areaOrigin - 1)) / rows : 0;
    const int row = (i + 1) / 2 - 1;
    const int left = (i % 2 == 1) ? areaOrigin : cellWidth + areaOrigin;
    return QRect(left, rowHeight * row + areaOrigin, cellWidth, rowHeight);
}

std::vector<FrameRect> defaultPictureRects(float w, float h, int frameCount)
{
    const SampleFit fit = fitSample(w, h);
    std::vector<FrameRect> rects;
    for (int i = 1; i <= frameCount; ++i)
        rects.push_back(
            pictureRect(defaultFrame(i, frameCount, fit.areaRight, fit.areaBottom), fit.scale));
    return rects;
}

FrameRect pictureRect(const QRect &frame, float scale)
{
    const double s = double(scale);
    FrameRect r;
    r.x = floorToInt(double(frame.left() - areaOrigin) / s);
    r.y = floorToInt(double(frame.top() - areaOrigin) / s);
    r.width = floorToInt(double(frame.width()) / s);
    r.height = floorToInt(double(frame.height()) / s);
    return r;
}

QRect windowRect(const FrameRect &picture, float scale, int areaRight, int areaBottom)
{
    const qint64 areaWidth = areaRight - areaOrigin + 1, areaHeight = areaBottom - areaOrigin + 1;
    if (!(scale > 0.0f) || areaWidth < 1 || areaHeight < 1)
        return QRect(areaOrigin, areaOrigin, 1, 1);
    const double s = double(scale);
    const qint64 width = std::clamp<qint64>(windowLength(picture.width, s), 1, areaWidth);
    const qint64 height = std::clamp<qint64>(windowLength(picture.height, s), 1, areaHeight);
    const qint64 left = std::clamp<qint64>(areaOrigin + windowLength(picture.x, s), areaOrigin,
                                           areaRight - width + 1);
    const qint64 top = std::clamp<qint64>(areaOrigin + windowLength(picture.y, s), areaOrigin,
                                          areaBottom - height + 1);
    return QRect(int(left), int(top), int(width), int(height));
}

int countBooks(const QStringList &letters)
{
    QStringList distinct{QString()};
    for (const QString &letter : letters) {
        const QString text = letter.trimmed();
        if (!distinct.contains(text, Qt::CaseSensitive))
            distinct.append(text);
    }
    return int(distinct.size()) - 1;
}

bool booksNeedConfirmation(int frameCount, int books)
{
    return double(frameCount) / 2.0 < double(books);
}

} // namespace layout
