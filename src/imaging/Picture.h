#pragma once

#include "Status.h"

#include <QImage>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <memory>

namespace imaging {

class PdfPages;

// PDF files a run keeps open between its pages: opening a PDF reads its cross-reference
// table, which for a book of thousands of pages costs more than a page. A document is
// lent to one picture at a time, so each stays with one thread while it is used.
class OpenPdfs
{
public:
    OpenPdfs();
    ~OpenPdfs();
    // An open document of the file, or null when none is free.
    std::unique_ptr<PdfPages> take(const QString &path);
    void giveBack(const QString &path, std::unique_ptr<PdfPages> document);

private:
    struct Lent;
    std::unique_ptr<Lent> lent_;
};

// How pictures are read for a run.
struct ReadOptions
{
    // A 1-bit black-and-white picture stays 1-bit and an 8-bit grey one stays grey;
    // otherwise every picture decodes to 24 or 32 bits.
    bool keepDepth = false;
    // The resolution a PDF page that is not one scanned image is drawn at.
    int pdfDpi = 300;
    // Shared by the pictures of one run; none: every page opens its file anew.
    std::shared_ptr<OpenPdfs> openPdfs;
};

// Largest picture the decoder will allocate: a 1200-dpi A3 scan in 32 bits.
inline constexpr int allocationLimitMb = 1100;
// Gives Qt's reader that limit, once per process; every open does it first.
void applyAllocationLimit();

// A picture loaded from a file. The header is read by open(); the pixels are decoded
// on demand, at full size or reduced for display.
class Picture
{
public:
    Picture();
    ~Picture();
    void setOptions(const ReadOptions &options) { options_ = options; }

    // The path is a file, or a page of a multi-page TIFF or PDF (PageEntry.h).
    Status open(const QString &path);
    // Decodes at full size, or at scaledTo (in the turned orientation) when given.
    Status decode(QSize scaledTo = {});
    Status load(const QString &path); // open and decode at full size
    // The same, reusing the memory of a picture no longer needed where the decoder can
    // (a batch decodes many pictures of one size; fresh memory costs page faults).
    Status load(const QString &path, QImage recycled);

    // Turns the picture in place by quarter turns clockwise (1: 90°, 2: 180°, 3: 270°).
    void turn(int quarterTurns);
    // Size in pixels after turning, as the full-size picture has it.
    QSizeF dimensions() const;
    bool isOpen() const { return !path_.isEmpty(); }
    bool isDecoded() const { return !image_.isNull(); }
    const QImage &image() const { return image_; }
    QString path() const { return path_; }
    QString errorString() const { return error_; }
    void release();

private:
    Status openPdf();
    Status decodePdf(QSize scaledTo);

    ReadOptions options_;
    QString path_; // the file, without its page
    int page_ = 0;
    std::unique_ptr<PdfPages> pdf_; // open while a PDF page is
    QSize fileSize_;
    QByteArray format_;
    int rotation_ = 0;
    QImage image_;
    QString error_;
};

// A new w x h 24-bit RGB bitmap holding the source rectangle copied 1:1, with the
// source's resolution. The rectangle must lie inside the source.
Status cutPiece(const Picture &source, int x, int y, int w, int h, QImage &piece);

} // namespace imaging
