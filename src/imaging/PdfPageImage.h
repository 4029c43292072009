#pragma once

// The one scanned image of a PDF page: how the content draws it, what kind it is, and its
// own pixels. Used by PdfPages.cpp only; built with qpdf (and libtiff for fax images).

#include "JpegCodec.h"

// qpdf's shared pointers as std::shared_ptr, without its transition warning.
#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif

#include <QByteArray>
#include <QColorSpace>
#include <QImage>
#include <QList>
#include <QTransform>
#include <qpdf/Buffer.hh>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDFObjectHandle.hh>

#ifdef SPLITTER_WITH_LIBTIFF
#include "PdfFaxImage.h"
#endif

#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace imaging::pdf {

// Follows a page's content through q, Q, cm and Do; anything else ends the parse, as the
// page is then more than one image.
class OneImageContent : public QPDFObjectHandle::ParserCallbacks
{
public:
    void handleObject(QPDFObjectHandle object) override
    {
        if (!object.isOperator()) {
            if (operands_.size() >= 6)
                stop();
            operands_.push_back(object);
            return;
        }
        const std::string op = object.getOperatorValue();
        if (op == "q" && operands_.empty() && saved_.size() < 64) {
            saved_.push_back(ctm_);
        } else if (op == "Q" && operands_.empty() && !saved_.empty()) {
            ctm_ = saved_.back();
            saved_.pop_back();
        } else if (op == "cm" && operands_.size() == 6) {
            double m[6];
            for (int i = 0; i < 6; ++i) {
                if (!operands_[size_t(i)].isNumber())
                    stop();
                m[i] = operands_[size_t(i)].getNumericValue();
            }
            ctm_ = QTransform(m[0], m[1], m[2], m[3], m[4], m[5]) * ctm_;
        } else if (op == "Do" && operands_.size() == 1 && operands_[0].isName() && !drawn_) {
            drawn_ = true;
            name_ = operands_[0].getName();
            imageMatrix_ = ctm_;
        } else {
            stop();
        }
        operands_.clear();
    }
    void handleEOF() override {}

    bool oneDraw() const { return !stopped_ && drawn_; }
    const std::string &name() const { return name_; }
    const QTransform &matrix() const { return imageMatrix_; }

private:
    void stop()
    {
        stopped_ = true;
        terminateParsing();
    }

    std::vector<QPDFObjectHandle> operands_;
    std::vector<QTransform> saved_;
    QTransform ctm_;
    QTransform imageMatrix_;
    std::string name_;
    bool drawn_ = false;
    bool stopped_ = false;
};

// The scanned images whose own pixels are given; the others are rendered.
enum class Coding { None, Jpeg, Fax, Samples };

struct PageImage
{
    Coding coding = Coding::None;
    int width = 0;
    int height = 0;
    int bits = 0;
    int components = 0;
    bool inverted = false; // /Decode [1 0]: 0 is the brightest
    bool indexed = false;
    QList<QRgb> palette;
    QByteArray profile;
#ifdef SPLITTER_WITH_LIBTIFF
    FaxCoding fax;
#endif
};

// Keeps the first bytes a stream decodes to, as many as the image needs: a stream
// inflating to far more costs time, never memory.
class CappedSink : public Pipeline
{
public:
    explicit CappedSink(qint64 cap) : Pipeline("image data", nullptr), cap_(cap) {}
    void write(unsigned char const *data, size_t length) override
    {
        const qint64 room = cap_ - bytes_.size();
        if (room > 0)
            bytes_.append(reinterpret_cast<const char *>(data),
                          qsizetype(qMin<qint64>(room, qint64(length))));
    }
    void finish() override {}
    const QByteArray &bytes() const { return bytes_; }

private:
    qint64 cap_;
    QByteArray bytes_;
};

// A stream's decoded bytes up to cap; empty when its filters are not the general ones.
inline QByteArray decodedStream(QPDFObjectHandle stream, qint64 cap)
{
    CappedSink sink(cap);
    bool attempted = false;
    if (!stream.pipeStreamData(&sink, &attempted, 0, qpdf_dl_specialized, true, false) ||
        !attempted)
        return {};
    return sink.bytes();
}

// The colour space as components, palette and profile; false where the renderer is left
// to convert (CMYK, Lab, separations, ...).
inline bool readColours(QPDFObjectHandle space, PageImage &kind, bool mayBeIndexed)
{
    if (space.isNameAndEquals("/DeviceGray") || space.isNameAndEquals("/G")) {
        kind.components = 1;
        return true;
    }
    if (space.isNameAndEquals("/DeviceRGB") || space.isNameAndEquals("/RGB")) {
        kind.components = 3;
        return true;
    }
    if (!space.isArray() || space.getArrayNItems() < 2)
        return false;
    QPDFObjectHandle family = space.getArrayItem(0);
    if (family.isNameAndEquals("/ICCBased")) {
        QPDFObjectHandle profile = space.getArrayItem(1);
        QPDFObjectHandle n = profile.isStream() ? profile.getDict().getKey("/N") : profile;
        if (!n.isInteger() || (n.getIntValue() != 1 && n.getIntValue() != 3))
            return false;
        kind.components = int(n.getIntValue());
        kind.profile = decodedStream(profile, 4 << 20);
        return true;
    }
    if (!mayBeIndexed || space.getArrayNItems() != 4 ||
        !(family.isNameAndEquals("/Indexed") || family.isNameAndEquals("/I")))
        return false;
    PageImage base;
    QPDFObjectHandle highest = space.getArrayItem(2), lookup = space.getArrayItem(3);
    if (!readColours(space.getArrayItem(1), base, false) || !highest.isInteger() ||
        highest.getIntValue() < 0 || highest.getIntValue() > 255)
        return false;
    const int last = int(highest.getIntValue());
    const QByteArray table = lookup.isString() ? QByteArray::fromStdString(lookup.getStringValue())
                             : lookup.isStream() ? decodedStream(lookup, 768)
                                                 : QByteArray();
    if (table.size() < (last + 1) * base.components)
        return false;
    const auto *t = reinterpret_cast<const uchar *>(table.constData());
    for (int i = 0; i < 256; ++i) { // indices past the last are the last, as in the renderer
        const uchar *c = t + qMin(i, last) * base.components;
        kind.palette.append(base.components == 1 ? qRgb(c[0], c[0], c[0]) : qRgb(c[0], c[1], c[2]));
    }
    kind.components = 1;
    kind.indexed = true;
    kind.profile = base.profile;
    return true;
}

// What the image is, or Coding::None where the renderer must draw it.
inline PageImage pageImageKind(QPDFObjectHandle image)
{
    PageImage kind;
    if (!image.isStream())
        return kind;
    QPDFObjectHandle dict = image.getDict();
    QPDFObjectHandle w = dict.getKey("/Width"), h = dict.getKey("/Height"),
                     bits = dict.getKey("/BitsPerComponent"), mask = dict.getKey("/ImageMask");
    if (!dict.getKey("/Subtype").isNameAndEquals("/Image") ||
        (mask.isBool() && mask.getBoolValue()) || dict.hasKey("/SMask") || dict.hasKey("/Mask") ||
        !w.isInteger() || !h.isInteger() || !bits.isInteger() || w.getIntValue() < 1 ||
        h.getIntValue() < 1 || w.getIntValue() > 1 << 20 || h.getIntValue() > 1 << 20)
        return kind;
    const int bpc = int(bits.getIntValue());
    std::vector<std::string> filters;
    QPDFObjectHandle filter = dict.getKey("/Filter"), parms = dict.getKey("/DecodeParms");
    for (auto &f : filter.isArray() ? filter.getArrayAsVector() : std::vector{filter})
        if (f.isName())
            filters.push_back(f.getName());
        else if (!f.isNull())
            return kind;
    if (parms.isArray())
        parms = parms.getArrayNItems() == 1 ? parms.getArrayItem(0) : QPDFObjectHandle();
    if (!readColours(dict.getKey("/ColorSpace"), kind, true))
        return kind;
    QPDFObjectHandle decode = dict.getKey("/Decode");
    if (decode.isArray()) {
        const int top = kind.indexed ? (1 << bpc) - 1 : 1;
        std::vector<double> wanted, inverted;
        for (int c = 0; c < kind.components; ++c) {
            wanted.insert(wanted.end(), {0.0, double(top)});
            inverted.insert(inverted.end(), {1.0, 0.0});
        }
        std::vector<double> given;
        for (auto &v : decode.getArrayAsVector())
            given.push_back(v.isNumber() ? v.getNumericValue() : -1);
        kind.inverted = !kind.indexed && given == inverted;
        if (given != wanted && !kind.inverted)
            return kind;
    }
    kind.width = int(w.getIntValue());
    kind.height = int(h.getIntValue());
    kind.bits = bpc;
    auto intParm = [&parms](const char *key, long long fallback) {
        QPDFObjectHandle v = parms.isDictionary() ? parms.getKey(key) : QPDFObjectHandle();
        return v.isInteger() ? v.getIntValue()
               : v.isBool()  ? (long long)v.getBoolValue()
                             : fallback;
    };
    const std::string only = filters.size() == 1 ? filters[0] : std::string();
    if (only == "/DCTDecode" || only == "/DCT") {
        if (!kind.indexed && !kind.inverted && intParm("/ColorTransform", -1) == -1)
            kind.coding = Coding::Jpeg;
        return kind;
    }
    if (only == "/CCITTFaxDecode" || only == "/CCF") {
#ifdef SPLITTER_WITH_LIBTIFF
        kind.fax = {kind.width,
                    kind.height,
                    int(qBound(-1LL, intParm("/K", 0), 1LL)),
                    intParm("/BlackIs1", 0) != 0,
                    intParm("/EncodedByteAlign", 0) != 0,
                    kind.inverted};
        const long long rows = intParm("/Rows", 0);
        // Group 3 without end-of-line codes and byte-aligned Group 4 are the renderer's.
        if (bpc == 1 && !kind.indexed && intParm("/Columns", 1728) == kind.width &&
            (rows == 0 || rows == kind.height) &&
            (kind.fax.k < 0 ? !kind.fax.byteAligned : intParm("/EndOfLine", 0) != 0))
            kind.coding = Coding::Fax;
#endif
        return kind;
    }
    static const std::set<std::string> general = {
        "/FlateDecode",   "/Fl",  "/LZWDecode",      "/LZW", "/RunLengthDecode", "/RL",
        "/ASCII85Decode", "/A85", "/ASCIIHexDecode", "/AHx"};
    for (const std::string &f : filters)
        if (!general.count(f))
            return kind;
    if (bpc == 1 || bpc == 2 || bpc == 4 || bpc == 8 || (bpc == 16 && !kind.indexed))
        kind.coding = Coding::Samples;
    return kind;
}

// Bits per sample of 1, 2, 4, 8 or 16, read big-endian as PDF stores them.
inline int sampleAt(const uchar *row, qint64 i, int bits)
{
    if (bits == 8)
        return row[i];
    if (bits == 16)
        return row[2 * i] << 8 | row[2 * i + 1];
    const qint64 bit = i * bits;
    return (row[bit >> 3] >> (8 - bits - (bit & 7))) & ((1 << bits) - 1);
}

// Rows of samples (inflated, LZW, run-length or plain) as a grey, RGB, 1-bit or palette
// picture; null when the data ends before the picture does.
inline QImage decodeSamples(QPDFObjectHandle image, const PageImage &kind, const char *&reason)
{
    const int w = kind.width, h = kind.height, bits = kind.bits;
    const qint64 rowBytes = (qint64(w) * kind.components * bits + 7) / 8;
    const QByteArray data = decodedStream(image, rowBytes * h);
    if (data.size() < rowBytes * h) {
        reason = "PDF 页面图像数据不完整";
        return {};
    }
    const auto *in = reinterpret_cast<const uchar *>(data.constData());
    const bool mono = kind.components == 1 && bits == 1 && !kind.indexed;
    const QImage::Format format = kind.indexed           ? QImage::Format_Indexed8
                                  : mono                 ? QImage::Format_Mono
                                  : kind.components == 1 ? QImage::Format_Grayscale8
                                                         : QImage::Format_RGB888;
    QImage out(w, h, format);
    if (out.isNull()) {
        reason = "内存不足，无法读取 PDF 页面";
        return {};
    }
    // A 1-bit image keeps its bits; /Decode [1 0] turns its table round.
    if (mono && kind.inverted)
        out.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    else if (kind.indexed || mono)
        out.setColorTable(mono ? QList<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)} : kind.palette);
    const qint64 samples = qint64(w) * kind.components;
    const int top = bits == 16 ? 65535 : (1 << bits) - 1;
    for (int y = 0; y < h; ++y) {
        const uchar *row = in + y * rowBytes;
        uchar *line = out.scanLine(y);
        if (mono || bits == 8)
            std::memcpy(line, row, size_t(rowBytes));
        else if (kind.indexed)
            for (qint64 i = 0; i < samples; ++i)
                line[i] = uchar(sampleAt(row, i, bits));
        else
            for (qint64 i = 0; i < samples; ++i)
                line[i] = uchar((sampleAt(row, i, bits) * 255 + top / 2) / top);
        if (kind.inverted && !mono)
            for (qint64 i = 0; i < samples; ++i)
                line[i] = uchar(~line[i]);
    }
    return out;
}

// The image's own pixels with its colour profile; null with a reason on failure. A JPEG
// decodes into the memory of recycled when it fits, as a batch's pages are of one size.
inline QImage decodePageImage(QPDFObjectHandle image, const PageImage &kind, const char *&reason,
                              QImage recycled = QImage())
{
    QImage out = std::move(recycled);
    reason = "PDF 页面图像已损坏";
    if (kind.coding != Coding::Jpeg)
        out = QImage();
    if (kind.coding == Coding::Samples) {
        out = decodeSamples(image, kind, reason);
    } else {
        const std::shared_ptr<Buffer> raw = image.getRawStreamData();
        const QByteArray bytes = QByteArray::fromRawData(
            reinterpret_cast<const char *>(raw->getBuffer()), qsizetype(raw->getSize()));
        if (kind.coding == Coding::Jpeg &&
            jpeg::decode(bytes, out, jpeg::Grey::Kept) != jpeg::Decoded::Ok)
            out = QImage();
#ifdef SPLITTER_WITH_LIBTIFF
        if (kind.coding == Coding::Fax)
            out = decodeFax(bytes, kind.fax, reason);
#endif
    }
    if (!out.isNull() && !kind.profile.isEmpty()) {
        const QColorSpace colours = QColorSpace::fromIccProfile(kind.profile);
        if (colours.isValid())
            out.setColorSpace(colours);
    }
    return out;
}

} // namespace imaging::pdf
