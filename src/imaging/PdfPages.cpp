#include "PdfPages.h"

#include "Picture.h"

#include <QFile>

#ifdef SPLITTER_WITH_PDF
#include "PdfPageImage.h"
#include "PdfPageTree.h"
#include "TurnedCut.h"

#include <QColorSpace>
#include <QFileInfo>
#include <QPainter>
#include <QTransform>
#ifdef SPLITTER_WITH_PDF_RENDERING
#include <poppler-qt6.h>
#endif
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <cmath>
#include <mutex>
#endif

namespace imaging {

bool looksLikePdf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(1024).contains("%PDF-");
}

Status PdfPages::fail(Status status, const char *reason)
{
    error_ = QString::fromUtf8(reason);
    return status;
}

#ifndef SPLITTER_WITH_PDF

class PdfPages::Document
{
};

PdfPages::PdfPages() = default;
PdfPages::~PdfPages() = default;

Status PdfPages::open(const QString &)
{
    return fail(Status::UnknownImageFormat, "此版本不能读取 PDF 文件");
}

int PdfPages::pageCount() const
{
    return 0;
}

Status PdfPages::pageSize(int, int, QSize &)
{
    return fail(Status::InvalidParameter, "此版本不能读取 PDF 文件");
}

Status PdfPages::decodePage(int, int, QImage &)
{
    return fail(Status::InvalidParameter, "此版本不能读取 PDF 文件");
}

#else

namespace {

// How far the scanned image may stand off the page's edges, in points.
constexpr double edgeTolerance = 0.5;
constexpr int maxRenderDpi = 2400;

QRectF rectangleOf(QPDFObjectHandle box)
{
    if (!box.isRectangle())
        return {};
    const auto r = box.getArrayAsRectangle();
    return QRectF(QPointF(r.llx, r.lly), QPointF(r.urx, r.ury)).normalized();
}

// The unit square drawn by the matrix covers the box, upright and unskewed.
bool coversBox(const QTransform &m, const QRectF &box)
{
    auto near = [](double a, double b) { return std::abs(a - b) <= edgeTolerance; };
    return near(m.m12(), 0) && near(m.m21(), 0) && m.m11() > 0 && m.m22() > 0 &&
           near(m.dx(), box.left()) && near(m.dx() + m.m11(), box.right()) &&
           near(m.dy(), box.top()) && near(m.dy() + m.m22(), box.bottom());
}

// Dots per metre of pixels spread over a length in points; a resolution within 0.01 dpi
// of a whole number is that number, so 2480 pixels over 595.2 pt save as 300 dpi.
int dotsPerMeter(double pixels, double points)
{
    double dpi = pixels * 72.0 / points;
    if (std::abs(dpi - std::round(dpi)) <= 0.01)
        dpi = std::round(dpi);
    return int(qBound(1.0, std::round(dpi / 0.0254), 1e9)); // absurd boxes stay in range
}

bool withinAllocationLimit(QSize size)
{
    return qint64(size.width()) * size.height() * 4 <= qint64(allocationLimitMb) * 1024 * 1024;
}

Status refuse(const char *&reason, Status status, const char *why)
{
    reason = why;
    return status;
}

#ifdef SPLITTER_WITH_PDF_RENDERING
void silencePoppler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Poppler::setDebugErrorFunction([](const QString &, const QVariant &) {}, QVariant());
    });
}
#endif

struct PageLayout
{
    int page = -1;
    QRectF box;    // the visible box in points
    int turns = 0; // quarter turns clockwise as shown
    bool onlyRender = false;
    QPDFObjectHandle image; // the one image over the whole box, when there is one
    pdf::PageImage kind;
};

} // namespace

class PdfPages::Document
{
public:
    QString path;
    QPDF qpdf;
    int pages = 0;
    bool listed = false; // the tree's counts failed once: qpdf's list of every page is used
#ifdef SPLITTER_WITH_PDF_RENDERING
    std::unique_ptr<Poppler::Document> poppler;
#endif
    PageLayout layout; // the page last looked at: pageSize is mostly followed by decodePage

    QPDFObjectHandle page(int index)
    {
        if (!listed) {
            QPDFObjectHandle found = pdf::treePage(qpdf, index);
            if (found.isDictionary())
                return found;
            listed = true;
        }
        const std::vector<QPDFObjectHandle> &all = qpdf.getAllPages();
        if (size_t(index) >= all.size())
            throw std::out_of_range("page beyond the page tree");
        return all[size_t(index)];
    }
};

PdfPages::PdfPages() = default;
PdfPages::~PdfPages() = default;

Status PdfPages::open(const QString &path)
{
    document_.reset();
    error_.clear();
    if (!QFileInfo(path).isFile())
        return fail(Status::FileNotFound, "找不到 PDF 文件");
    auto document = std::make_unique<Document>();
    document->path = path;
    try {
        document->qpdf.setSuppressWarnings(true);
        document->qpdf.setAttemptRecovery(true);
        document->qpdf.processFile(QFile::encodeName(path).constData());
        // The root's count, unless the file had to be repaired: then every page is found.
        document->pages =
            document->qpdf.anyWarnings() ? 0 : int(pdf::treePageCount(document->qpdf));
        document->listed = document->pages == 0;
        if (document->listed)
            document->pages = int(document->qpdf.getAllPages().size());
    } catch (const QPDFExc &e) {
        if (e.getErrorCode() == qpdf_e_password)
            return fail(Status::AccessDenied, "PDF 文件有密码保护，无法打开");
        return fail(Status::UnknownImageFormat, "PDF 文件已损坏，无法读取");
    } catch (const std::bad_alloc &) {
        return fail(Status::OutOfMemory, "内存不足，无法读取 PDF 文件");
    } catch (const std::exception &) {
        return fail(Status::UnknownImageFormat, "PDF 文件已损坏，无法读取");
    }
    // A file cut short may be repaired into one without its page tree.
    if (document->pages == 0)
        return fail(Status::UnknownImageFormat,
                    document->qpdf.anyWarnings() ? "PDF 文件已损坏，无法读取" : "PDF 文件没有页面");
    document_ = std::move(document);
    return Status::Ok;
}

int PdfPages::pageCount() const
{
    return document_ ? document_->pages : 0;
}

namespace {

// Finds what the page is: its box, its turn, and whether it is one image drawn over it.
PageLayout lookAtPage(PdfPages::Document &document, int index)
{
    PageLayout layout;
    layout.page = index;
    QPDFPageObjectHelper page(document.page(index));
    // A page without a media box is a US Letter page, as in the renderer.
    QRectF media = rectangleOf(page.getMediaBox());
    if (!page.getMediaBox().isRectangle())
        media = QRectF(0, 0, 612, 792);
    const QRectF crop = rectangleOf(page.getCropBox());
    layout.box = crop.isValid() ? crop.intersected(media) : media;
    QPDFObjectHandle rotate = page.getAttribute("/Rotate", false);
    const int degrees = rotate.isInteger() ? int(rotate.getIntValue() % 360) : 0;
    layout.onlyRender = degrees % 90 != 0;
    layout.turns = layout.onlyRender ? 0 : (degrees / 90 + 4) % 4;
    if (layout.onlyRender || layout.box.isEmpty())
        return layout;
    // Annotations with their own appearance draw over the scan.
    QPDFObjectHandle annotations = page.getObjectHandle().getKey("/Annots");
    if (annotations.isArray())
        for (auto &a : annotations.getArrayAsVector())
            if (a.isDictionary() && !a.getKey("/Subtype").isNameAndEquals("/Link") &&
                a.hasKey("/AP"))
                return layout;
    pdf::OneImageContent content;
    // A page without content is blank, and content qpdf cannot follow is the renderer's.
    QPDFObjectHandle contents = page.getObjectHandle().getKey("/Contents");
    if (!contents.isStream() && !contents.isArray())
        return layout;
    try {
        QPDFObjectHandle::parseContentStream(contents, &content);
    } catch (const std::exception &) {
        return layout;
    }
    if (!content.oneDraw() || !coversBox(content.matrix(), layout.box))
        return layout;
    QPDFObjectHandle resources = page.getAttribute("/Resources", false);
    if (!resources.isDictionary())
        return layout;
    QPDFObjectHandle xobjects = resources.getKey("/XObject");
    if (!xobjects.isDictionary())
        return layout;
    QPDFObjectHandle image = xobjects.getKey(content.name());
    layout.kind = pdf::pageImageKind(image);
    if (layout.kind.coding != pdf::Coding::None)
        layout.image = image;
    return layout;
}

// The scanned image's own pixels, turned as shown, with the resolution the page gives it.
Status imagePage(const PageLayout &layout, QSize *size, QImage &image, const char *&reason)
{
    const QSize stored(layout.kind.width, layout.kind.height);
    if (!withinAllocationLimit(stored))
        return refuse(reason, Status::TooLarge, "PDF 页面太大");
    if (size) {
        *size = turnedSize(stored, layout.turns);
        return Status::Ok;
    }
    QImage decoded =
        pdf::decodePageImage(layout.image, layout.kind, reason, std::exchange(image, QImage()));
    if (decoded.isNull())
        return Status::UnknownImageFormat;
    if (decoded.size() != stored)
        return refuse(reason, Status::UnknownImageFormat, "PDF 页面图像与其声明的尺寸不符");
    const int dpmX = dotsPerMeter(stored.width(), layout.box.width());
    const int dpmY = dotsPerMeter(stored.height(), layout.box.height());
    // Set before the page is handed on: set on a second holder of the pixels, it would
    // copy the whole page.
    decoded.setDotsPerMeterX(dpmX);
    decoded.setDotsPerMeterY(dpmY);
    if (layout.turns % 4 == 0) {
        image = std::move(decoded);
        return Status::Ok;
    }
    const QColorSpace colours = decoded.colorSpace();
    image = turnedImage(decoded, layout.turns);
    decoded = QImage();
    if (image.isNull())
        return refuse(reason, Status::OutOfMemory, "内存不足，无法读取 PDF 页面");
    // Qt's own turn keeps neither the swapped resolution nor, in ours, the profile.
    image.setDotsPerMeterX(layout.turns % 2 ? dpmY : dpmX);
    image.setDotsPerMeterY(layout.turns % 2 ? dpmX : dpmY);
    if (colours.isValid())
        image.setColorSpace(colours);
    return Status::Ok;
}

// Any other page, drawn by the renderer at dpi on white.
Status renderedPage(PdfPages::Document &document, const PageLayout &layout, int dpi, QSize *size,
                    QImage &image, const char *&reason)
{
    // The renderer's own size: the box at that dpi, rounded, turned as shown.
    const double w = layout.box.width() * dpi / 72, h = layout.box.height() * dpi / 72;
    if (!(w >= 0.5 && h >= 0.5)) // NaN too
        return refuse(reason, Status::UnknownImageFormat, "PDF 页面尺寸无效");
    if (w * h * 4 > double(allocationLimitMb) * 1024 * 1024)
        return refuse(reason, Status::TooLarge, "PDF 页面太大");
    const QSize pixels = turnedSize(QSize(int(w + 0.5), int(h + 0.5)), layout.turns);
    if (size) {
        *size = pixels;
        return Status::Ok;
    }
#ifndef SPLITTER_WITH_PDF_RENDERING
    Q_UNUSED(document)
    Q_UNUSED(image)
    return refuse(reason, Status::UnknownImageFormat,
                  "此版本只能读取整页是一张扫描图片的 PDF 页面");
#else
    if (!document.poppler) {
        silencePoppler();
        document.poppler = Poppler::Document::load(document.path);
        if (!document.poppler || document.poppler->isLocked()) {
            document.poppler.reset();
            return refuse(reason, Status::UnknownImageFormat, "PDF 文件已损坏，无法读取");
        }
        document.poppler->setRenderHint(Poppler::Document::Antialiasing);
        document.poppler->setRenderHint(Poppler::Document::TextAntialiasing);
        document.poppler->setPaperColor(Qt::white);
    }
    const std::unique_ptr<Poppler::Page> page = document.poppler->page(layout.page);
    QImage rendered = page ? page->renderToImage(dpi, dpi) : QImage();
    if (rendered.isNull())
        return refuse(reason, Status::UnknownImageFormat, "PDF 页面已损坏，无法读取");
    image = rendered.convertToFormat(QImage::Format_RGB888);
    if (!image.isNull() && image.size() != pixels) {
        // Odd boxes can round otherwise in the renderer: the page keeps the size it gave.
        QImage sized(pixels, QImage::Format_RGB888);
        sized.fill(Qt::white);
        QPainter(&sized).drawImage(0, 0, image);
        image = sized;
    }
    if (image.isNull())
        return refuse(reason, Status::OutOfMemory, "内存不足，无法读取 PDF 页面");
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
#endif
    return Status::Ok;
}

} // namespace

Status PdfPages::pageSize(int page, int renderDpi, QSize &size)
{
    QImage none;
    return pageOrSize(page, renderDpi, &size, none);
}

Status PdfPages::decodePage(int page, int renderDpi, QImage &image)
{
    return pageOrSize(page, renderDpi, nullptr, image);
}

Status PdfPages::pageOrSize(int page, int renderDpi, QSize *size, QImage &image)
{
    error_.clear();
    if (!document_)
        return fail(Status::InvalidParameter, "PDF 文件未打开");
    if (page < 0 || page >= document_->pages)
        return fail(Status::InvalidParameter, "PDF 页码超出范围");
    if (renderDpi <= 0 || renderDpi > maxRenderDpi)
        return fail(Status::InvalidParameter, "PDF 页面的分辨率无效");
    try {
        if (document_->layout.page != page)
            document_->layout = lookAtPage(*document_, page);
        const PageLayout &layout = document_->layout;
        if (layout.box.width() < 1 || layout.box.height() < 1)
            return fail(Status::UnknownImageFormat, "PDF 页面尺寸无效");
        const char *reason = "";
        const Status status =
            layout.image.isInitialized()
                ? imagePage(layout, size, image, reason)
                : renderedPage(*document_, layout, renderDpi, size, image, reason);
        return status == Status::Ok ? status : fail(status, reason);
    } catch (const std::bad_alloc &) {
        return fail(Status::OutOfMemory, "内存不足，无法读取 PDF 页面");
    } catch (const std::exception &) {
        document_->layout = PageLayout();
        return fail(Status::UnknownImageFormat, "PDF 页面已损坏，无法读取");
    }
}

#endif

} // namespace imaging
