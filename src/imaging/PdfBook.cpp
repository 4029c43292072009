#include "PdfBook.h"

#ifdef SPLITTER_WITH_PDF
#include "BitonalTiff.h"
#include "JpegCodec.h"
#include "Picture.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QImageReader>

// qpdf 11 without its old PointerHolder type.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>

#include <cstdio>
#include <map>
#include <memory>
#include <new>
#include <stdexcept>
#include <tuple>

#endif

namespace imaging {

#ifdef SPLITTER_WITH_PDF

namespace {

using Object = QPDFObjectHandle;
constexpr double defaultDpi = 300;

// A JPEG's bytes as they are, a Group 4 strip, or the decoded samples, deflated by the writer.
enum class Coding { Jpeg, Group4, Flate };

// One page's picture, as far as the page must know it before its samples are written.
struct PageImage
{
    QString file;
    Coding coding = Coding::Flate;
    int width = 0;
    int height = 0;
    int components = 3; // 1 grey or black and white, 3 RGB
    int bits = 8;
    bool blackIs1 = false;
    double dpiX = defaultDpi;
    double dpiY = defaultDpi;
    QByteArray icc;
    // What the page's dictionary says of the samples; the writer must get just those.
    bool sameSamples(const PageImage &o) const
    {
        return std::tie(coding, width, height, components, bits, blackIs1, icc) ==
               std::tie(o.coding, o.width, o.height, o.components, o.bits, o.blackIs1, o.icc);
    }
};

QString pieceReason(const QString &file, const QString &why)
{
    return QStringLiteral("无法读取分割块 %1：%2").arg(QDir::toNativeSeparators(file), why);
}

// A piece of a picture without a resolution carries the one Qt gives it (a new image's, or
// 72 dpi): a scanned page would print three or four times its size.
double dpiOrDefault(double dpi)
{
    const double qtDefault = QImage(1, 1, QImage::Format_Mono).dotsPerMeterX() * 0.0254;
    return dpi < 72.5 || qAbs(dpi - qtDefault) < 0.5 ? defaultDpi : dpi;
}

// A profile for the page's kind of colour; a mismatched one would make the page unreadable.
QByteArray fittingProfile(const QByteArray &icc, int components)
{
    const bool fits = icc.size() >= 128 && icc.mid(16, 4) == (components == 1 ? "GRAY" : "RGB ");
    return fits ? icc : QByteArray();
}

// A JPEG's header, no pixel decoded; false when unreadable or neither grey nor RGB (CMYK).
bool readJpegHeader(const QByteArray &file, PageImage &page)
{
    jpeg::HeaderFacts header;
    if (!jpeg::readHeaderFacts(file, header))
        return false;
    page.width = header.width;
    page.height = header.height;
    page.components = header.components;
    page.dpiX = dpiOrDefault(header.dpiX);
    page.dpiY = dpiOrDefault(header.dpiY);
    page.icc = fittingProfile(header.profile, page.components);
    return page.components == 1 || page.components == 3;
}

// A piece as its page takes it: what the page must know and, when asked for, its samples.
struct PieceContent
{
    PageImage page;
    QByteArray coded;
    QImage samples;
};

SaveResult readPiece(const QString &path, bool withSamples, PieceContent &piece)
{
    PageImage &page = piece.page;
    page.file = path;
    auto failed = [&path](Status status, const QString &why) {
        return SaveResult{status, pieceReason(path, why)};
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failed(Status::FileNotFound, file.errorString());
    // A JPEG's header and last bytes tell enough until its page is written; others are read whole.
    QByteArray bytes = file.read(withSamples ? file.size() : 256 * 1024);
    const bool isJpeg = bytes.startsWith("\xFF\xD8");
    if (!(isJpeg && readJpegHeader(bytes, page)) && !file.atEnd())
        bytes += file.readAll();
    const bool header = isJpeg && readJpegHeader(bytes, page);
    if (file.error() != QFileDevice::NoError)
        return failed(Status::GenericError, file.errorString());
    Group4Strip strip;
    if (isJpeg) {
        page.coding = Coding::Jpeg;
        // Data cut short would go in as it is. Pieces end with the end-of-image marker.
        bool complete = file.seek(file.size() - 2) && file.read(2) == "\xFF\xD9";
        if (!complete && file.seek(0))
            complete = jpeg::hasEndOfImage(bytes = file.readAll());
        if (!header || !complete)
            return failed(Status::UnknownImageFormat, QStringLiteral("JPEG 文件无效或不完整"));
        piece.coded = withSamples ? std::move(bytes) : QByteArray();
        return {};
    }
    if (!readGroup4Strip(bytes, strip)) {
        applyAllocationLimit();
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        reader.setAutoTransform(false);
        const QImage image = reader.read();
        if (image.isNull())
            return failed(Status::UnknownImageFormat, reader.errorString());
        // Stored as 1-bit black and white, 8-bit grey, or 24-bit RGB (an alpha dropped).
        QImage samples = keepingDepth(image);
        if (samples.isNull() && (samples = image.convertToFormat(QImage::Format_RGB888)).isNull())
            return failed(Status::OutOfMemory, statusText(Status::OutOfMemory));
        page.dpiX = dpiOrDefault(image.dotsPerMeterX() * 0.0254);
        page.dpiY = dpiOrDefault(image.dotsPerMeterY() * 0.0254);
        page.width = samples.width();
        page.height = samples.height();
        page.components = samples.depth() == 24 ? 3 : 1;
        if (samples.depth() > 1) {
            page.coding = Coding::Flate;
            page.icc = fittingProfile(image.colorSpace().iccProfile(), page.components);
            piece.samples = withSamples ? std::move(samples) : QImage();
            return {};
        }
        page.coding = Coding::Group4;
        page.bits = 1;
        // The coder stores the bits as they are: a table with black first is min-is-black.
        page.blackIs1 = qGray(samples.color(0)) == 0;
        if (!withSamples)
            return {};
        if (!readGroup4Strip(encodeGroup4Tiff(samples), strip))
            return failed(Status::GenericError, QStringLiteral("无法编码为 Group 4"));
    } else {
        page.coding = Coding::Group4;
        page.width = strip.width;
        page.height = strip.height;
        page.components = page.bits = 1;
        page.blackIs1 = strip.blackIs1;
        page.dpiX = dpiOrDefault(strip.dpiX);
        page.dpiY = dpiOrDefault(strip.dpiY);
    }
    piece.coded = withSamples ? strip.data : QByteArray();
    return {};
}

// Hands the writer a page's samples when it reaches them, so only one piece is in memory.
class PieceSamples : public QPDFObjectHandle::StreamDataProvider
{
public:
    PieceSamples(const PageImage &page, SaveResult &failure) : page_(page), failure_(failure) {}
    using StreamDataProvider::provideStreamData;

    void provideStreamData(QPDFObjGen const &, Pipeline *out) override
    {
        PieceContent piece;
        failure_ = readPiece(page_.file, true, piece);
        if (failure_.ok() && !piece.page.sameSamples(page_))
            failure_ = {Status::GenericError,
                        pieceReason(page_.file, QStringLiteral("文件已改动"))};
        if (!failure_.ok())
            throw std::runtime_error("piece unreadable");
        out->write(reinterpret_cast<const unsigned char *>(piece.coded.constData()),
                   size_t(piece.coded.size()));
        const size_t rowBytes = size_t(page_.width) * size_t(page_.components);
        for (int y = 0; y < piece.samples.height(); ++y)
            out->write(piece.samples.constScanLine(y), rowBytes);
        out->finish();
    }

private:
    PageImage page_;
    SaveResult &failure_;
};

// Passes the writer's bytes into the file as they come. A write cut short by a full disk
// reports no error; only the next one fails and says why.
class FileOutput : public Pipeline
{
public:
    explicit FileOutput(QIODevice &file) : Pipeline("book file", nullptr), file_(file) {}

    void write(unsigned char const *data, size_t size) override
    {
        while (size > 0) {
            const qint64 written = file_.write(reinterpret_cast<const char *>(data), qint64(size));
            if (written <= 0)
                throw std::runtime_error("book not written");
            data += written;
            size -= size_t(written);
        }
    }
    void finish() override {} // the file is unbuffered

private:
    QIODevice &file_;
};

Object dictionary(std::initializer_list<std::pair<const char *, Object>> keys)
{
    Object made = Object::newDictionary();
    for (const auto &[key, value] : keys)
        made.replaceKey(key, value);
    return made;
}

// PDF's date form, with the offset from UTC.
std::string pdfDate(QDateTime when)
{
    if (!when.isValid())
        when = QDateTime::currentDateTime();
    const QDate day = when.date();
    const QTime time = when.time();
    return QUtil::qpdf_time_to_pdf_time({day.year(), day.month(), day.day(), time.hour(),
                                         time.minute(), time.second(), -when.offsetFromUtc() / 60});
}

Object colourSpace(QPDF &pdf, const PageImage &page, std::map<QByteArray, Object> &profiles)
{
    const Object device = Object::newName(page.components == 1 ? "/DeviceGray" : "/DeviceRGB");
    if (page.icc.isEmpty())
        return device;
    // Pieces of one run share their profile: it goes into the book once.
    Object &profile = profiles[page.icc];
    if (!profile.isInitialized()) {
        profile = pdf.newStream(page.icc.toStdString());
        profile.replaceDict(
            dictionary({{"/N", Object::newInteger(page.components)}, {"/Alternate", device}}));
    }
    return Object::newArray({Object::newName("/ICCBased"), profile});
}

void addPage(QPDF &pdf, const PageImage &page, SaveResult &failure,
             std::map<QByteArray, Object> &profiles)
{
    Object image = pdf.newStream();
    image.replaceDict(dictionary({{"/Type", Object::newName("/XObject")},
                                  {"/Subtype", Object::newName("/Image")},
                                  {"/Width", Object::newInteger(page.width)},
                                  {"/Height", Object::newInteger(page.height)},
                                  {"/BitsPerComponent", Object::newInteger(page.bits)},
                                  {"/ColorSpace", colourSpace(pdf, page, profiles)}}));
    const auto samples = std::make_shared<PieceSamples>(page, failure);
    const Object filter = page.coding == Coding::Flate  ? Object::newNull()
                          : page.coding == Coding::Jpeg ? Object::newName("/DCTDecode")
                                                        : Object::newName("/CCITTFaxDecode");
    const Object group4 = dictionary({{"/K", Object::newInteger(-1)},
                                      {"/Columns", Object::newInteger(page.width)},
                                      {"/Rows", Object::newInteger(page.height)},
                                      {"/BlackIs1", Object::newBool(page.blackIs1)}});
    image.replaceStreamData(samples, filter,
                            page.coding == Coding::Group4 ? group4 : Object::newNull());
    // Coded pages go in byte for byte; the writer must not try to recode them.
    image.setFilterOnWrite(page.coding == Coding::Flate);

    const std::string width = QUtil::double_to_string(page.width / page.dpiX * 72, 3);
    const std::string height = QUtil::double_to_string(page.height / page.dpiY * 72, 3);
    const Object mediaBox = Object::newArray({Object::newInteger(0), Object::newInteger(0),
                                              Object::newReal(width), Object::newReal(height)});
    const std::string content = "q " + width + " 0 0 " + height + " 0 0 cm /Im0 Do Q";
    const Object pageObject = pdf.makeIndirectObject(
        dictionary({{"/Type", Object::newName("/Page")},
                    {"/MediaBox", mediaBox},
                    {"/Resources", dictionary({{"/XObject", dictionary({{"/Im0", image}})}})},
                    {"/Contents", pdf.newStream(content)}}));
    QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(pageObject), false);
}

SaveResult writeBook(const QList<PageImage> &pages, const QString &target, const PdfBookInfo &info)
{
    SaveResult failure;
    const QString notWritten =
        QStringLiteral("无法写入 %1：").arg(QDir::toNativeSeparators(target));
    // Written under a temporary name and renamed into place like a piece: a failed book
    // leaves no part behind, and an older book stays as it was.
    const auto write = [&](QIODevice &file) {
        try {
            QPDF pdf;
            pdf.emptyPDF();
            pdf.setSuppressWarnings(true);
            std::map<QByteArray, Object> profiles;
            for (const PageImage &page : pages)
                addPage(pdf, page, failure, profiles);
            pdf.getTrailer().replaceKey(
                "/Info", pdf.makeIndirectObject(dictionary(
                             {{"/Title", Object::newUnicodeString(info.title.toStdString())},
                              {"/Producer", Object::newUnicodeString("青禾图片分割器 1.2")},
                              {"/CreationDate", Object::newString(pdfDate(info.created))}})));
            FileOutput out(file);
            QPDFWriter writer(pdf);
            writer.setOutputPipeline(&out);
            writer.setCompressStreams(true);
            writer.write();
            return true;
        } catch (const std::bad_alloc &) {
            failure = {Status::OutOfMemory, notWritten + statusText(Status::OutOfMemory)};
        } catch (...) {
            // A piece that failed said why where it failed.
            const auto *device = qobject_cast<QFileDevice *>(&file);
            if (failure.ok())
                failure = {Status::WriteFailed,
                           notWritten + (device && device->error() != QFileDevice::NoError
                                             ? device->errorString()
                                             : statusText(Status::WriteFailed))};
        }
        return false;
    };
    QString error;
    const Status status = writeFileAtomically(target, write, &error);
    if (status != Status::Ok && failure.ok())
        failure = {status, notWritten + error};
    return failure;
}

} // namespace

SaveResult writePdfBook(const QStringList &pieceFiles, const QString &target,
                        const PdfBookInfo &info)
{
    if (pieceFiles.isEmpty())
        return {Status::InvalidParameter, QStringLiteral("没有可写入 PDF 的分割块")};
    // Each piece is read once first: one that cannot be read fails the book before it begins.
    QList<PageImage> pages;
    for (const QString &path : pieceFiles) {
        PieceContent piece;
        const SaveResult read = readPiece(path, false, piece);
        if (!read.ok())
            return read;
        pages << piece.page;
    }
    return writeBook(pages, target, info);
}

#else

SaveResult writePdfBook(const QStringList &, const QString &, const PdfBookInfo &)
{
    return {Status::GenericError, QStringLiteral("此版本不能生成 PDF 文件")};
}

#endif

} // namespace imaging
