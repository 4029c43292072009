#pragma once

// Fax-coded (CCITT) page images decoded by libtiff: the coded bytes become the one strip
// of a TIFF held in memory. Used by PdfPageImage.h only.

#include <QByteArray>
#include <QImage>
#include <tiffio.h>

#include <cstring>
#include <memory>
#include <utility>

namespace imaging::pdf {

// The coding of a /CCITTFaxDecode image, from its parameters.
struct FaxCoding
{
    int width = 0;
    int height = 0;
    int k = 0; // below 0 Group 4, else Group 3 (1-D at 0)
    bool blackIs1 = false;
    bool byteAligned = false;
    bool inverted = false; // /Decode [1 0]
};

// A TIFF file held in memory, for libtiff's client procedures.
struct MemoryTiff
{
    QByteArray bytes;
    qint64 at = 0;
    bool failed = false; // libtiff reported an error
};

inline TIFF *openMemoryTiff(MemoryTiff &file, const char *mode)
{
    TIFFReadWriteProc read = [](thandle_t h, void *buffer, tmsize_t n) -> tmsize_t {
        MemoryTiff *f = static_cast<MemoryTiff *>(h);
        n = qBound<qint64>(0, qint64(n), f->bytes.size() - f->at);
        std::memcpy(buffer, f->bytes.constData() + f->at, size_t(n));
        f->at += n;
        return n;
    };
    TIFFReadWriteProc write = [](thandle_t h, void *buffer, tmsize_t n) -> tmsize_t {
        MemoryTiff *f = static_cast<MemoryTiff *>(h);
        if (f->at + n > f->bytes.size())
            f->bytes.resize(f->at + n);
        std::memcpy(f->bytes.data() + f->at, buffer, size_t(n));
        f->at += n;
        return n;
    };
    TIFFSeekProc seek = [](thandle_t h, toff_t offset, int whence) -> toff_t {
        MemoryTiff *f = static_cast<MemoryTiff *>(h);
        const qint64 base = whence == SEEK_CUR ? f->at : whence == SEEK_END ? f->bytes.size() : 0;
        f->at = base + qint64(offset);
        return toff_t(f->at);
    };
    // Errors mark the file failed (warnings have no file to mark); nothing reaches stderr.
    TIFFErrorHandlerExtR note = [](TIFF *, void *user, const char *, const char *, va_list) {
        if (user)
            static_cast<MemoryTiff *>(user)->failed = true;
        return 1;
    };
    const std::unique_ptr<TIFFOpenOptions, void (*)(TIFFOpenOptions *)> options(
        TIFFOpenOptionsAlloc(), TIFFOpenOptionsFree);
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), note, &file);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), note, nullptr);
    return TIFFClientOpenExt(
        "page", mode, &file, read, write, seek, [](thandle_t) { return 0; },
        [](thandle_t h) { return toff_t(static_cast<MemoryTiff *>(h)->bytes.size()); },
        [](thandle_t, void **, toff_t *) { return 0; }, [](thandle_t, void *, toff_t) {},
        options.get());
}

struct TiffCloser
{
    void operator()(TIFF *tiff) const { TIFFClose(tiff); }
};

// A fax image's bytes, wrapped as the one strip of a TIFF and decoded by libtiff, as a
// 1-bit picture whose 0 is black.
inline QImage decodeFax(const QByteArray &raw, const FaxCoding &kind, const char *&reason)
{
    reason = "PDF 页面中的传真图像已损坏";
    const uint32_t w = uint32_t(kind.width), h = uint32_t(kind.height);
    MemoryTiff file;
    {
        const std::unique_ptr<TIFF, TiffCloser> tiff(openMemoryTiff(file, "w"));
        if (!tiff)
            return {};
        const std::pair<ttag_t, uint32_t> tags[] = {
            {TIFFTAG_IMAGEWIDTH, w},
            {TIFFTAG_IMAGELENGTH, h},
            {TIFFTAG_BITSPERSAMPLE, 1},
            {TIFFTAG_SAMPLESPERPIXEL, 1},
            {TIFFTAG_ROWSPERSTRIP, h},
            {TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE},
            {TIFFTAG_COMPRESSION, kind.k < 0 ? COMPRESSION_CCITTFAX4 : COMPRESSION_CCITTFAX3}};
        for (const auto &[tag, value] : tags)
            TIFFSetField(tiff.get(), tag, value);
        if (kind.k >= 0)
            TIFFSetField(tiff.get(), TIFFTAG_GROUP3OPTIONS,
                         uint32_t((kind.k > 0 ? GROUP3OPT_2DENCODING : 0) |
                                  (kind.byteAligned ? GROUP3OPT_FILLBITS : 0)));
        if (TIFFWriteRawStrip(tiff.get(), 0, const_cast<char *>(raw.constData()), raw.size()) < 0)
            return {};
    }
    file.at = 0;
    const std::unique_ptr<TIFF, TiffCloser> tiff(openMemoryTiff(file, "r"));
    const qint64 rowBytes = (w + 7) / 8;
    QByteArray strip(rowBytes * h, Qt::Uninitialized);
    QImage out(kind.width, kind.height, QImage::Format_Mono);
    if (out.isNull() || strip.size() != rowBytes * h) {
        reason = "内存不足，无法读取 PDF 页面";
        return {};
    }
    if (file.failed || !tiff ||
        TIFFReadEncodedStrip(tiff.get(), 0, strip.data(), strip.size()) != strip.size() ||
        file.failed)
        return {};
    // libtiff gives the coding's black runs as 1; /BlackIs1 and /Decode say whether a 1
    // of the decoded image shows black or white. The bits stay as coded and the table
    // says what they show, as a TIFF of the same coding reads: its pieces are the same.
    const bool oneIsBlack = kind.blackIs1 == kind.inverted;
    if (oneIsBlack)
        out.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    else
        out.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (qint64 y = 0; y < qint64(kind.height); ++y)
        std::memcpy(out.scanLine(int(y)), strip.constData() + y * rowBytes, size_t(rowBytes));
    return out;
}

} // namespace imaging::pdf
