#include "JpegCodec.h"

#include <turbojpeg.h>

#include <cmath>
#include <cstring>
#include <memory>

namespace imaging::jpeg {

namespace {

struct HandleCloser
{
    void operator()(void *handle) const { tjDestroy(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

struct Density
{
    int unit = 0; // 0 aspect only, 1 dots per inch, 2 dots per cm
    int x = 0;
    int y = 0;
};

// The JFIF header's density, read as the general reader reads it.
Density jfifDensity(const QByteArray &file)
{
    const auto *p = reinterpret_cast<const uchar *>(file.constData());
    const qsizetype n = file.size();
    qsizetype at = 2; // after SOI
    while (at + 4 <= n && p[at] == 0xFF) {
        const uchar marker = p[at + 1];
        const int length = (p[at + 2] << 8) | p[at + 3];
        if (marker == 0xDA || length < 2)
            break;
        if (marker == 0xE0 && length >= 14 && at + 4 + 12 <= n &&
            std::memcmp(p + at + 4, "JFIF\0", 5) == 0) {
            const uchar *d = p + at + 4 + 7;
            return {d[0], (d[1] << 8) | d[2], (d[3] << 8) | d[4]};
        }
        at += 2 + length;
    }
    return {};
}

void applyDensity(QImage &image, const Density &d)
{
    if (d.unit == 1) {
        image.setDotsPerMeterX(int(100. * d.x / 2.54));
        image.setDotsPerMeterY(int(100. * d.y / 2.54));
    } else if (d.unit == 2) {
        image.setDotsPerMeterX(int(100. * d.x));
        image.setDotsPerMeterY(int(100. * d.y));
    }
}

// Writes the resolution into the JFIF header the encoder made (it always writes one
// with aspect-only density).
void patchDensity(QByteArray &jpeg, const QImage &image)
{
    if (jpeg.size() < 20 || std::memcmp(jpeg.constData() + 6, "JFIF\0", 5) != 0)
        return;
    const int x = qMax(1, qRound(image.dotsPerMeterX() * 0.0254));
    const int y = qMax(1, qRound(image.dotsPerMeterY() * 0.0254));
    char *d = jpeg.data() + 13;
    d[0] = 1;
    d[1] = char(x >> 8);
    d[2] = char(x & 0xFF);
    d[3] = char(y >> 8);
    d[4] = char(y & 0xFF);
}

// The decoder only warns when the data ends early and fills the rest with grey; other
// warnings (extraneous bytes and the like) leave the picture whole.
bool endsEarly(tjhandle handle)
{
    const char *why = tjGetErrorStr2(handle);
    return why && QByteArray(why).toLower().contains("premature end");
}

} // namespace

Decoded decode(const QByteArray &file, QImage &image)
{
    if (file.size() < 4 || uchar(file[0]) != 0xFF || uchar(file[1]) != 0xD8)
        return Decoded::NotHandled;
    const Handle handle(tjInitDecompress());
    if (!handle)
        return Decoded::NotHandled;
    auto *data = reinterpret_cast<const unsigned char *>(file.constData());
    const auto size = static_cast<unsigned long>(file.size());
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(handle.get(), data, size, &width, &height, &subsampling, &colorspace) !=
        0)
        return Decoded::NotHandled;
    // CMYK and YCCK keep the general reader's own conversion.
    if (colorspace == TJCS_CMYK || colorspace == TJCS_YCCK || width <= 0 || height <= 0)
        return Decoded::NotHandled;
    // A picture handed in of the same size is written over: its memory is already mapped.
    if (image.size() != QSize(width, height) || image.format() != QImage::Format_RGB888 ||
        !image.isDetached())
        image = QImage(width, height, QImage::Format_RGB888);
    if (image.isNull())
        return Decoded::Failed;
    if (tjDecompress2(handle.get(), data, size, image.bits(), width, int(image.bytesPerLine()),
                      height, TJPF_RGB, 0) != 0 &&
        (tjGetErrorCode(handle.get()) == TJERR_FATAL || endsEarly(handle.get()))) {
        image = QImage();
        return Decoded::Failed;
    }
    applyDensity(image, jfifDensity(file));
    return Decoded::Ok;
}

bool hasEndOfImage(const QByteArray &file)
{
    // Entropy-coded data never holds FF followed by a marker byte (FF is stuffed as
    // FF 00), so the last start-of-scan found is the last scan's.
    const qsizetype scan = file.lastIndexOf(QByteArrayView("\xFF\xDA", 2));
    return scan >= 0 && file.indexOf(QByteArrayView("\xFF\xD9", 2), scan + 2) >= 0;
}

QByteArray encode(const QImage &rgb888, int quality)
{
    if (rgb888.format() != QImage::Format_RGB888 || rgb888.isNull())
        return {};
    const Handle handle(tjInitCompress());
    if (!handle)
        return {};
    // Encoded straight into the returned bytes, sized for the worst case: only the
    // pages really written are touched, and nothing is copied afterwards.
    const unsigned long bound = tjBufSize(rgb888.width(), rgb888.height(), TJSAMP_420);
    if (bound == static_cast<unsigned long>(-1) || bound > 0x7FFFFFFFul)
        return {};
    QByteArray jpeg(qsizetype(bound), Qt::Uninitialized);
    auto *out = reinterpret_cast<unsigned char *>(jpeg.data());
    unsigned long outSize = bound;
    if (tjCompress2(handle.get(), rgb888.constBits(), rgb888.width(), int(rgb888.bytesPerLine()),
                    rgb888.height(), TJPF_RGB, &out, &outSize, TJSAMP_420, quality,
                    // Below quality 96 it would pick the fast DCT; Qt's writer does not.
                    TJFLAG_ACCURATEDCT | TJFLAG_NOREALLOC) != 0)
        return {};
    jpeg.truncate(qsizetype(outSize));
    patchDensity(jpeg, rgb888);
    return jpeg;
}

} // namespace imaging::jpeg
