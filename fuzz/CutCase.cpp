#include "CutCase.h"

#include "FuzzInput.h"

#include <algorithm>
#include <iterator>
#include <limits>

namespace {

// The last column or row of a run of length pixels from first, held within the int range.
int lastPixel(int32_t first, int32_t length)
{
    return int(std::clamp<qint64>(qint64(first) + length - 1, std::numeric_limits<int>::min(),
                                  std::numeric_limits<int>::max()));
}

} // namespace

CutCase parseCutCase(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    CutCase c;
    c.width = 1 + in.take<uint8_t>() % 64;
    c.height = 1 + in.take<uint8_t>() % 64;
    const uint8_t flags = in.take<uint8_t>();
    c.inputFormat = (flags & 3) % int(std::size(inputFormats));
    c.rotation = (flags >> 2) & 3;
    c.outputFormat = (flags >> 4) & 3;
    c.seed = in.take<uint8_t>();
    const int n = 1 + in.take<uint8_t>() % 10;
    for (int k = 0; k < n; ++k) {
        const int32_t x = in.take<int32_t>();
        const int32_t y = in.take<int32_t>();
        const int32_t width = in.take<int32_t>();
        const int32_t height = in.take<int32_t>();
        c.frames.emplace_back(QPoint(x, y), QPoint(lastPixel(x, width), lastPixel(y, height)));
    }
    return c;
}

QByteArray encodeCutCase(const CutCase &c)
{
    QByteArray out;
    out.append(char(c.width - 1));
    out.append(char(c.height - 1));
    out.append(char(c.inputFormat | (c.rotation << 2) | (c.outputFormat << 4)));
    out.append(char(c.seed));
    out.append(char(c.frames.size() - 1));
    const auto length = [](int first, int last) { return int32_t(qint64(last) - first + 1); };
    for (const QRect &r : c.frames)
        for (const int32_t v :
             {r.left(), r.top(), length(r.left(), r.right()), length(r.top(), r.bottom())})
            out.append(reinterpret_cast<const char *>(&v), sizeof v);
    return out;
}

QImage cutCasePicture(const CutCase &c)
{
    QImage image(c.width, c.height, QImage::Format_RGB32);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            image.setPixel(x, y,
                           qRgb((x * 37 + c.seed) & 0xFF, (y * 53 + c.seed * 3) & 0xFF,
                                ((x + y) * 11 + x * y) & 0xFF));
    return image;
}
