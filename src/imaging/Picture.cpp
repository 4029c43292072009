#include "Picture.h"

#include "BitonalTiff.h"
#include "JpegCodec.h"
#include "PageEntry.h"
#include "PdfPages.h"
#include "Readers.h"
#include "TurnedCut.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <limits>
#include <mutex>
#include <utility>

namespace imaging {

namespace {

// Brings every decoded picture to one of three layouts (24-bit RGB as the JPEG path
// decodes, or 32 bits), so that turning and cutting work the same for palette, 1-bit,
// grey and 16-bit sources; when the depth is kept, black-and-white and grey pictures
// become 1-bit or 8-bit grey instead.
QImage normalised(QImage image, bool keepDepth)
{
    if (keepDepth && image.format() != QImage::Format_RGB888) {
        QImage kept = keepingDepth(image);
        if (!kept.isNull())
            return kept;
    }
    if (image.format() == QImage::Format_RGB888)
        return image;
    const QImage::Format target =
        image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    if (image.format() == target)
        return image;
    return image.convertToFormat(target);
}

// A full-size JPEG decoded straight to 24-bit RGB (or 8-bit grey, kept); NotHandled sends
// it to Qt's reader.
jpeg::Decoded decodeJpegFile(const QString &path, QImage &image, bool keepDepth)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return jpeg::Decoded::NotHandled;
    return jpeg::decode(file.readAll(), image, keepDepth ? jpeg::Grey::Kept : jpeg::Grey::AsRgb);
}

quint32 le32(const uchar *p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

// False for an uncompressed BMP shorter than its pixel rows: the reader would leave the
// missing rows blank and report success.
bool bmpComplete(QFile &file)
{
    const QByteArray header = file.read(34);
    if (header.size() < 26)
        return false;
    const auto *p = reinterpret_cast<const uchar *>(header.constData());
    const qint64 offset = le32(p + 10);
    const quint32 infoSize = le32(p + 14);
    qint64 width = 0, height = 0, bits = 0, compression = 0;
    if (infoSize == 12) { // OS/2 core header: 16-bit sizes, never compressed
        width = p[18] | p[19] << 8;
        height = p[20] | p[21] << 8;
        bits = p[24] | p[25] << 8;
    } else {
        if (header.size() < 34)
            return false;
        width = qint32(le32(p + 18));
        height = qint32(le32(p + 22));
        bits = p[28] | p[29] << 8;
        compression = le32(p + 30);
    }
    if (compression != 0 && compression != 3) // run-length and embedded data: the reader's
        return true;
    const qint64 stride = (qAbs(width) * bits + 31) / 32 * 4;
    if (stride > 0 && qAbs(height) > (std::numeric_limits<qint64>::max() - offset) / stride)
        return false; // more rows than any file holds
    return file.size() >= offset + stride * qAbs(height);
}

// False for a GIF whose last byte (trailing zero padding aside) is not the trailer: the
// reader would return a picture cut short with the missing part blank.
bool gifComplete(QFile &file)
{
    constexpr qint64 tail = 4096;
    if (!file.seek(qMax<qint64>(0, file.size() - tail)))
        return false;
    const QByteArray end = file.read(tail);
    qsizetype last = end.size() - 1;
    while (last >= 0 && end[last] == '\0')
        --last;
    return last >= 0 && uchar(end[last]) == 0x3B;
}

// Refuses pictures whose data ends before the picture does, where the decoders would
// invent the missing pixels. The TurboJPEG path checks its own.
bool looksComplete(const QString &path, const QByteArray &format)
{
    if (format != "bmp" && format != "gif" && format != "jpeg")
        return true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    if (format == "bmp")
        return bmpComplete(file);
    if (format == "gif")
        return gifComplete(file);
    return jpeg::hasEndOfImage(file.readAll());
}

// The logical screen size in a GIF's header; empty when it cannot be read.
QSize gifScreenSize(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray header = file.read(10);
    if (header.size() < 10)
        return {};
    const auto *p = reinterpret_cast<const uchar *>(header.constData());
    return QSize(p[6] | (p[7] << 8), p[8] | (p[9] << 8));
}

} // namespace

void applyAllocationLimit()
{
    // Qt's reader keeps its allocation limit process-wide.
    static std::once_flag once;
    std::call_once(once, [] { QImageReader::setAllocationLimit(allocationLimitMb); });
}

struct OpenPdfs::Lent
{
    std::mutex mutex;
    std::vector<std::pair<QString, std::unique_ptr<PdfPages>>> idle;
};

OpenPdfs::OpenPdfs() : lent_(std::make_unique<Lent>()) {}
OpenPdfs::~OpenPdfs() = default;

std::unique_ptr<PdfPages> OpenPdfs::take(const QString &path)
{
    const std::lock_guard lock(lent_->mutex);
    for (auto it = lent_->idle.begin(); it != lent_->idle.end(); ++it) {
        if (it->first == path) {
            std::unique_ptr<PdfPages> document = std::move(it->second);
            lent_->idle.erase(it);
            return document;
        }
    }
    return nullptr;
}

void OpenPdfs::giveBack(const QString &path, std::unique_ptr<PdfPages> document)
{
    // A few: one a thread, for the book being cut.
    constexpr size_t kept = 8;
    const std::lock_guard lock(lent_->mutex);
    if (lent_->idle.size() >= kept)
        lent_->idle.erase(lent_->idle.begin());
    lent_->idle.emplace_back(path, std::move(document));
}

Picture::Picture() = default;
Picture::~Picture()
{
    release();
}

Status Picture::open(const QString &entry)
{
    release();
    applyAllocationLimit();
    const PageOfFile page = pageOfEntry(entry);
    const QString &path = page.path;
    if (looksLikePdf(path)) {
        path_ = path;
        page_ = page.page;
        const Status status = openPdf();
        if (status != Status::Ok) {
            const QString error = error_;
            release();
            error_ = error;
        }
        return status;
    }
    QImageReader reader(path);
    reader.setAutoTransform(false);
    if (!reader.canRead()) {
        error_ = reader.errorString();
        return reader.error() == QImageReader::FileNotFoundError ? Status::FileNotFound
                                                                 : Status::UnknownImageFormat;
    }
    if (page.page > 0 && !reader.jumpToImage(page.page)) {
        error_ = QStringLiteral("找不到第 %1 页").arg(page.page + 1);
        return Status::UnknownImageFormat;
    }
    QSize size = reader.size();
    // A GIF decodes to its logical screen, which the reader's size may not give (it can
    // give the first frame's).
    if (reader.format() == "gif") {
        const QSize screen = gifScreenSize(path);
        if (!screen.isEmpty())
            size = screen;
    }
    if (!size.isValid() || size.isEmpty()) {
        error_ = QStringLiteral("无法读取图片尺寸");
        return Status::UnknownImageFormat;
    }
    // Refuse pictures the decoder would not allocate before anything is decoded.
    const qint64 bytes = qint64(size.width()) * size.height() * 4;
    if (bytes > qint64(allocationLimitMb) * 1024 * 1024) {
        error_ = QStringLiteral("图片太大");
        return Status::TooLarge;
    }
    path_ = path;
    page_ = page.page;
    fileSize_ = size;
    format_ = reader.format();
    return Status::Ok;
}

Status Picture::openPdf()
{
    if (options_.openPdfs)
        pdf_ = options_.openPdfs->take(path_);
    Status status = Status::Ok;
    if (!pdf_) {
        pdf_ = std::make_unique<PdfPages>();
        status = pdf_->open(path_);
    }
    if (status == Status::Ok && page_ >= pdf_->pageCount()) {
        error_ = QStringLiteral("找不到第 %1 页").arg(page_ + 1);
        return Status::UnknownImageFormat;
    }
    QSize size;
    if (status == Status::Ok)
        status = pdf_->pageSize(page_, options_.pdfDpi, size);
    if (status != Status::Ok) {
        error_ = pdf_->errorString();
        return status;
    }
    if (qint64(size.width()) * size.height() * 4 > qint64(allocationLimitMb) * 1024 * 1024) {
        error_ = QStringLiteral("图片太大");
        return Status::TooLarge;
    }
    fileSize_ = size;
    format_ = "pdf";
    return Status::Ok;
}

Status Picture::decodePdf(QSize scaledTo)
{
    QImage image = std::exchange(image_, QImage()); // memory to reuse, if any
    const Status status = pdf_->decodePage(page_, options_.pdfDpi, image);
    if (status != Status::Ok) {
        error_ = pdf_->errorString();
        return status;
    }
    fileSize_ = image.size();
    if (scaledTo.isValid() && !scaledTo.isEmpty()) {
        if (rotation_ % 2 == 1)
            scaledTo.transpose();
        if (scaledTo.width() < image.width() || scaledTo.height() < image.height())
            image = image.scaled(scaledTo, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    image = normalised(std::move(image), options_.keepDepth);
    if (image.isNull())
        return Status::OutOfMemory;
    image_ = turnedImage(image, rotation_);
    return image_.isNull() ? Status::OutOfMemory : Status::Ok;
}

Status Picture::decode(QSize scaledTo)
{
    if (!isOpen())
        return Status::InvalidParameter;
    if (pdf_)
        return decodePdf(scaledTo);
    const bool fullSize = !scaledTo.isValid() || scaledTo.isEmpty();
    if (fullSize && format_ == "jpeg") {
        QImage image = std::exchange(image_, QImage()); // memory to reuse, if any
        const jpeg::Decoded decoded = decodeJpegFile(path_, image, options_.keepDepth);
        if (decoded == jpeg::Decoded::Failed) {
            error_ = QStringLiteral("JPEG 解码失败");
            return Status::UnknownImageFormat;
        }
        if (decoded == jpeg::Decoded::Ok) {
            image_ = turnedImage(image, rotation_);
            return image_.isNull() ? Status::OutOfMemory : Status::Ok;
        }
    }
    if (!looksComplete(path_, format_)) {
        error_ = QStringLiteral("图片数据不完整");
        return Status::UnknownImageFormat;
    }
    QBuffer changed; // the file's bytes, where read as they are they would lose colours
    changed.setData(bytesKeepingStoredColours(path_, format_));
    QImageReader reader;
    if (changed.size() > 0 && changed.open(QIODevice::ReadOnly)) {
        reader.setDevice(&changed);
        reader.setFormat(format_);
    } else {
        reader.setFileName(path_);
    }
    reader.setAutoTransform(false);
    if (page_ > 0 && !reader.jumpToImage(page_)) {
        error_ = QStringLiteral("找不到第 %1 页").arg(page_ + 1);
        return Status::UnknownImageFormat;
    }
    if (scaledTo.isValid() && !scaledTo.isEmpty()) {
        if (rotation_ % 2 == 1)
            scaledTo.transpose();
        // Reduced decoding: JPEG scales in the codec, the others scale after decoding.
        if (scaledTo.width() < fileSize_.width() || scaledTo.height() < fileSize_.height())
            reader.setScaledSize(scaledTo);
    }
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        error_ = reader.errorString();
        return Status::UnknownImageFormat;
    }
    image = normalised(std::move(image), options_.keepDepth);
    if (image.isNull())
        return Status::OutOfMemory;
    if (fullSize)
        fileSize_ = image.size(); // the pixels, should a header have said otherwise
    image_ = turnedImage(image, rotation_);
    if (image_.isNull())
        return Status::OutOfMemory;
    return Status::Ok;
}

Status Picture::load(const QString &path)
{
    return load(path, QImage());
}

Status Picture::load(const QString &path, QImage recycled)
{
    const Status status = open(path);
    if (status != Status::Ok)
        return status;
    image_ = std::move(recycled);
    const Status decoded = decode();
    if (decoded != Status::Ok)
        image_ = QImage();
    return decoded;
}

void Picture::turn(int quarterTurns)
{
    quarterTurns = ((quarterTurns % 4) + 4) % 4;
    if (isDecoded())
        image_ = turnedImage(image_, quarterTurns);
    rotation_ = (rotation_ + quarterTurns) % 4;
}

QSizeF Picture::dimensions() const
{
    QSize size = fileSize_;
    if (rotation_ % 2 == 1)
        size.transpose();
    return QSizeF(float(size.width()), float(size.height()));
}

void Picture::release()
{
    // A document that opened goes back for the next page of its file.
    if (pdf_ && options_.openPdfs && pdf_->pageCount() > 0)
        options_.openPdfs->giveBack(path_, std::move(pdf_));
    pdf_.reset();
    path_.clear();
    page_ = 0;
    fileSize_ = {};
    format_.clear();
    rotation_ = 0;
    image_ = QImage();
    error_.clear();
}

Status cutPiece(const Picture &source, int x, int y, int w, int h, QImage &piece)
{
    const Status status = cutTurnedPiece(source.image(), 0, QRect(x, y, w, h), piece);
    // An unturned cut of 24-bit rows is a view onto the picture; this piece is its own.
    if (status != Status::Ok || source.image().format() != QImage::Format_RGB888)
        return status;
    piece = piece.copy();
    return piece.isNull() ? Status::OutOfMemory : Status::Ok;
}
} // namespace imaging
