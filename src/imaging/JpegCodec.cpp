#include "JpegCodec.h"

#include "BitonalTiff.h"

#include <QColorSpace>

#include <turbojpeg.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <jpeglib.h>

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

// What the segments before the first scan say about the picture.
struct Header
{
    Density density; // the JFIF header's, read as the general reader reads it
    bool hasProfile = false;
};

Header readHeader(const QByteArray &file)
{
    const auto *p = reinterpret_cast<const uchar *>(file.constData());
    const qsizetype n = file.size();
    Header header;
    bool jfifSeen = false;
    qsizetype at = 2; // after SOI
    while (at + 4 <= n && p[at] == 0xFF) {
        const uchar marker = p[at + 1];
        const int length = (p[at + 2] << 8) | p[at + 3];
        if (marker == 0xDA || length < 2)
            break;
        if (!jfifSeen && marker == 0xE0 && length >= 14 && at + 4 + 12 <= n &&
            std::memcmp(p + at + 4, "JFIF\0", 5) == 0) {
            const uchar *d = p + at + 4 + 7;
            header.density = {d[0], (d[1] << 8) | d[2], (d[3] << 8) | d[4]};
            jfifSeen = true;
        }
        if (marker == 0xE2 && length >= 16 && at + 4 + 12 <= n &&
            std::memcmp(p + at + 4, "ICC_PROFILE\0", 12) == 0)
            header.hasProfile = true;
        at += 2 + length;
    }
    return header;
}

// libjpeg's errors end in a jump back, never in exit(); its messages are dropped.
struct QuietErrors
{
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void jumpBack(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<QuietErrors *>(info->err)->jump, 1);
}

void dropMessage(j_common_ptr) {}

// What libjpeg reads of a header, in plain values: the jump would skip C++ destructors.
struct PlainHeader
{
    int width = 0, height = 0, components = 0;
    int densityUnit = 0, densityX = 0, densityY = 0;
};

// The ICC profile of a JPEG, put together by libjpeg from its APP2 segments in their
// order; only the header is read. Kept free of C++ objects, which the jump would skip.
bool readProfile(const unsigned char *data, unsigned long size, JOCTET **profile,
                 unsigned int *profileSize, PlainHeader *header = nullptr)
{
    jpeg_decompress_struct info;
    QuietErrors errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jumpBack;
    errors.manager.output_message = dropMessage;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, size);
    jpeg_save_markers(&info, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&info, TRUE);
    if (header)
        *header = {int(info.image_width), int(info.image_height), info.num_components,
                   info.density_unit,     info.X_density,         info.Y_density};
    const bool found = jpeg_read_icc_profile(&info, profile, profileSize);
    jpeg_destroy_decompress(&info);
    return found;
}

} // namespace

bool readHeaderFacts(const QByteArray &file, HeaderFacts &facts)
{
    JOCTET *profile = nullptr;
    unsigned int size = 0;
    PlainHeader plain;
    const bool found =
        readProfile(reinterpret_cast<const unsigned char *>(file.constData()),
                    static_cast<unsigned long>(file.size()), &profile, &size, &plain);
    const std::unique_ptr<JOCTET, void (*)(void *)> owned(profile, std::free);
    const double perInch = plain.densityUnit == 1 ? 1 : plain.densityUnit == 2 ? 2.54 : 0;
    facts = {plain.width,
             plain.height,
             plain.components,
             plain.densityX * perInch,
             plain.densityY * perInch,
             found && profile ? QByteArray(reinterpret_cast<const char *>(profile), size)
                              : QByteArray()};
    return facts.width > 0 && facts.height > 0;
}

namespace {

QColorSpace colourSpace(const QByteArray &file)
{
    JOCTET *profile = nullptr;
    unsigned int size = 0;
    const bool found = readProfile(reinterpret_cast<const unsigned char *>(file.constData()),
                                   static_cast<unsigned long>(file.size()), &profile, &size);
    const std::unique_ptr<JOCTET, void (*)(void *)> owned(profile, std::free);
    if (!found || !profile || size == 0)
        return {};
    return QColorSpace::fromIccProfile(QByteArray(reinterpret_cast<const char *>(profile), size));
}

// Stores the profile in APP2 segments right after the JFIF header the encoder wrote, as
// libjpeg's own writer does: "ICC_PROFILE\0", the segment's number from 1, the count,
// then at most 65519 bytes of the profile. False when it cannot.
bool insertProfile(QByteArray &jpeg, const QByteArray &profile)
{
    constexpr qsizetype chunk = 65519;
    const qsizetype count = (profile.size() + chunk - 1) / chunk;
    if (count < 1 || count > 255 || jpeg.size() < 6 || uchar(jpeg[2]) != 0xFF ||
        uchar(jpeg[3]) != 0xE0)
        return false;
    const qsizetype at = 4 + ((uchar(jpeg[4]) << 8) | uchar(jpeg[5]));
    if (at > jpeg.size())
        return false;
    QByteArray segments;
    segments.reserve(profile.size() + count * 18);
    for (qsizetype i = 0; i < count; ++i) {
        const QByteArray part = profile.mid(i * chunk, chunk);
        const qsizetype length = 2 + 14 + part.size();
        segments.append(char(0xFF)).append(char(0xE2));
        segments.append(char(length >> 8)).append(char(length & 0xFF));
        segments.append("ICC_PROFILE\0", 12);
        segments.append(char(i + 1)).append(char(count));
        segments.append(part);
    }
    jpeg.insert(at, segments);
    return true;
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

Decoded decode(const QByteArray &file, QImage &image, Grey grey)
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
    const bool keptGrey = grey == Grey::Kept && colorspace == TJCS_GRAY;
    const QImage::Format format = keptGrey ? QImage::Format_Grayscale8 : QImage::Format_RGB888;
    // A picture handed in of the same size is written over: its memory is already mapped.
    if (image.size() != QSize(width, height) || image.format() != format || !image.isDetached())
        image = QImage(width, height, format);
    if (image.isNull())
        return Decoded::Failed;
    if (tjDecompress2(handle.get(), data, size, image.bits(), width, int(image.bytesPerLine()),
                      height, keptGrey ? TJPF_GRAY : TJPF_RGB, 0) != 0 &&
        (tjGetErrorCode(handle.get()) == TJERR_FATAL || endsEarly(handle.get()))) {
        image = QImage();
        return Decoded::Failed;
    }
    const Header header = readHeader(file);
    applyDensity(image, header.density);
    image.setColorSpace(header.hasProfile ? colourSpace(file) : QColorSpace());
    return Decoded::Ok;
}

bool hasEndOfImage(const QByteArray &file)
{
    // Entropy-coded data never holds FF followed by a marker byte (FF is stuffed as
    // FF 00), so the last start-of-scan found is the last scan's.
    const qsizetype scan = file.lastIndexOf(QByteArrayView("\xFF\xDA", 2));
    return scan >= 0 && file.indexOf(QByteArrayView("\xFF\xD9", 2), scan + 2) >= 0;
}

QByteArray encode(const QImage &picture, int quality)
{
    // A 1-bit picture is stored as grey: JPEG has no 1-bit pictures.
    const bool mono =
        picture.format() == QImage::Format_Mono || picture.format() == QImage::Format_MonoLSB;
    const QImage rgb888 = mono ? picture.convertToFormat(QImage::Format_Grayscale8) : picture;
    const bool grey = rgb888.format() == QImage::Format_Grayscale8;
    if ((rgb888.format() != QImage::Format_RGB888 && !grey) || rgb888.isNull())
        return {};
    const int subsampling = grey ? TJSAMP_GRAY : TJSAMP_420;
    const Handle handle(tjInitCompress());
    if (!handle)
        return {};
    // Encoded straight into the returned bytes, sized for the worst case: only the
    // pages really written are touched, and nothing is copied afterwards.
    const unsigned long bound = tjBufSize(rgb888.width(), rgb888.height(), subsampling);
    if (bound == static_cast<unsigned long>(-1) || bound > 0x7FFFFFFFul)
        return {};
    QByteArray jpeg(qsizetype(bound), Qt::Uninitialized);
    auto *out = reinterpret_cast<unsigned char *>(jpeg.data());
    unsigned long outSize = bound;
    if (tjCompress2(handle.get(), rgb888.constBits(), rgb888.width(), int(rgb888.bytesPerLine()),
                    rgb888.height(), grey ? TJPF_GRAY : TJPF_RGB, &out, &outSize, subsampling,
                    quality,
                    // Below quality 96 it would pick the fast DCT; Qt's writer does not.
                    TJFLAG_ACCURATEDCT | TJFLAG_NOREALLOC) != 0)
        return {};
    jpeg.truncate(qsizetype(outSize));
    patchDensity(jpeg, picture);
    const QByteArray profile = embeddableProfile(picture);
    if (!profile.isEmpty() && !insertProfile(jpeg, profile))
        return {};
    return jpeg;
}

} // namespace imaging::jpeg
