#include "SplitLayout.h"

#include <algorithm>
#include <cmath>

namespace layout {

namespace {

int floorToInt(double value)
{
    const double f = std::floor(value);
    // A scale of 0 (no sample drawn yet) or a huge quotient must not overflow.
    if (!(f > -double(pictureLimit)))
        return -pictureLimit;
    if (!(f < double(pictureLimit)))
        return pictureLimit;
    return int(f);
}

// floor(n / scale) with no limit, so that the search below reaches any saved value.
qint64 pictureLength(qint64 n, double scale)
{
    return qint64(std::floor(double(n) / scale));
}

// The smallest window length n whose picture length floor(n / scale) is value; where
// none is, the one whose picture length comes nearest. scale is above 0.
qint64 windowLength(qint64 value, double scale)
{
    qint64 n = qint64(std::ceil(double(value) * scale));
    // value * scale is rounded; step to the exact edge of the conversion.
    while (n > 0 && pictureLength(n - 1, scale) >= value)
        --n;
    while (pictureLength(n, scale) < value)
        ++n;
    const qint64 over = pictureLength(n, scale) - value;
    const qint64 under = n > 0 ? value - pictureLength(n - 1, scale) : over + 1;
    return over > 0 && under < over ? n - 1 : n;
}

} // namespace

SampleFit fitSample(float w, float h)
{
    SampleFit fit;
    int width = 0;
    int height = 0;
    if (w > float(maxAreaWidth) || h > float(maxAreaHeight)) {
        const float ratio = h / w;
        if (ratio <= wideRatio) {
            fit.scale = float(maxAreaWidth) / w;
            width = maxAreaWidth;
            height = floorToInt(double(h) * double(fit.scale));
        } else {
            fit.scale = float(maxAreaHeight) / h;
            width = floorToInt(double(w) * double(fit.scale));
            height = maxAreaHeight;
        }
    } else {
        fit.scale = 1.0f;
        // Whole-pixel sizes in practice; halves go to even.
        width = int(std::lrint(w));
        height = int(std::lrint(h));
    }
    // A readable picture far thinner than wide (5000 x 3) still shows one row or column.
    fit.area = QRect(areaOrigin, areaOrigin, std::max(width, 1), std::max(height, 1));
    return fit;
}

QRect defaultFrame(int i, int frameCount, const QRect &area)
{
    const int rows = (frameCount + 1) / 2;
    const int cellWidth = area.width() / 2;
    const int rowHeight = rows > 0 ? area.height() / rows : 0;
    const int row = (i + 1) / 2 - 1;
    const int left = (i % 2 == 1) ? area.left() : cellWidth + area.left();
    return QRect(left, rowHeight * row + area.top(), cellWidth, rowHeight);
}

std::vector<QRect> defaultPictureRects(float w, float h, int frameCount)
{
    const SampleFit fit = fitSample(w, h);
    std::vector<QRect> rects;
    for (int i = 1; i <= frameCount; ++i)
        rects.push_back(pictureRect(defaultFrame(i, frameCount, fit.area), fit.scale));
    return rects;
}

QRect pictureRect(const QRect &frame, float scale)
{
    const double s = double(scale);
    return QRect(floorToInt(double(frame.left() - areaOrigin) / s),
                 floorToInt(double(frame.top() - areaOrigin) / s),
                 floorToInt(double(frame.width()) / s), floorToInt(double(frame.height()) / s));
}

QRect windowRect(const QRect &picture, float scale, const QRect &area)
{
    if (!(scale > 0.0f) || area.width() < 1 || area.height() < 1)
        return QRect(area.topLeft(), QSize(1, 1));
    const double s = double(scale);
    const qint64 width = std::clamp<qint64>(windowLength(picture.width(), s), 1, area.width());
    const qint64 height = std::clamp<qint64>(windowLength(picture.height(), s), 1, area.height());
    const qint64 left = std::clamp<qint64>(area.left() + windowLength(picture.x(), s), area.left(),
                                           area.right() - width + 1);
    const qint64 top = std::clamp<qint64>(area.top() + windowLength(picture.y(), s), area.top(),
                                          area.bottom() - height + 1);
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
