#pragma once

#include "Status.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

namespace imaging {

// True when the file's first bytes say PDF ("%PDF-" within the first 1024 bytes).
bool looksLikePdf(const QString &path);

// The pages of one PDF file as pictures. A page that is one scanned image drawn over the
// whole page gives that image's own pixels, unresampled, with the resolution the page
// gives it; any other page is rendered at the dpi asked for. Pages are numbered from 0
// and turned as a viewer shows them. One object per thread: it is never shared.
class PdfPages
{
public:
    PdfPages();
    ~PdfPages();
    PdfPages(const PdfPages &) = delete;
    PdfPages &operator=(const PdfPages &) = delete;

    // Keeps the document open for any number of pages; reads no page yet.
    Status open(const QString &path);
    int pageCount() const;
    // The size decodePage gives, turned as shown; decodes no pixels of a scanned page.
    Status pageSize(int page, int renderDpi, QSize &size);
    Status decodePage(int page, int renderDpi, QImage &image);
    // Why the last call failed, in Simplified Chinese.
    QString errorString() const { return error_; }

    class Document; // the libraries' state, where the build has them

private:
    Status fail(Status status, const char *reason);
    Status pageOrSize(int page, int renderDpi, QSize *size, QImage &image);

    std::unique_ptr<Document> document_;
    QString error_;
};

} // namespace imaging
