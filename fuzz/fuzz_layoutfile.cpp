// Layout files: any bytes must either be refused with a reason or give a layout that the
// rest of the program can trust (1 to 10 frames inside 32-bit pictures, letters step 2
// offers, a known rotation, a real sample size), and that writes back to the same text.

#include "job/LayoutFile.h"

#include <cstdlib>
#include <limits>

namespace {

bool trustworthy(const SavedLayout &layout)
{
    constexpr qint64 max = std::numeric_limits<qint32>::max();
    const size_t count = layout.frames.size();
    if (count < 1 || count > size_t(layoutMaxFrames))
        return false;
    if (layout.sampleSize.width() < 1 || layout.sampleSize.height() < 1)
        return false;
    if (quarterTurns(layout.rotation) < 0 || quarterTurns(layout.rotation) > 3)
        return false;
    for (const SplitFrame &frame : layout.frames) {
        const QRect &r = frame.rect;
        if (r.x() < 0 || r.y() < 0 || r.width() < 1 || r.height() < 1 || r.right() >= max ||
            r.bottom() >= max)
            return false;
        if (frame.letter.size() != 1 || frame.letter.at(0) < QLatin1Char('A') ||
            frame.letter.at(0).unicode() >= u'A' + count)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const LayoutReadResult read = parseLayoutFile(bytes);
    if (read.layout.has_value() == !read.error.isEmpty())
        std::abort(); // exactly one of a layout and a reason
    if (!read.layout)
        return 0;
    if (!trustworthy(*read.layout))
        std::abort();
    const QByteArray written = layoutFileBytes(*read.layout);
    const LayoutReadResult again = parseLayoutFile(written);
    if (!again.layout || layoutFileBytes(*again.layout) != written)
        std::abort();
    return 0;
}
