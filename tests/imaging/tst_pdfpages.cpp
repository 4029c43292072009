// PDF pages as pictures: a scanned page gives its image's own pixels and resolution, any
// other page is rendered, and a damaged or locked file or page fails with a reason. The
// PDF files are made by the Debian tools (img2pdf, tiff2pdf, tiffcp, qpdf) and by qpdf's
// and Qt's own writers; a row whose tool is missing is skipped.

#include "imaging/BitonalTiff.h"
#include "imaging/JpegCodec.h"
#include "imaging/PdfPages.h"
#include "imaging/TurnedCut.h"

#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#ifdef SPLITTER_WITH_PDF
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>
#endif

using imaging::PdfPages;
using imaging::Status;

#ifdef SPLITTER_WITH_PDF
namespace {

// A scan-like picture: gradients with fine detail, so that every coding has work to do.
QImage scan(int w, int h, QImage::Format format)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb((x * 7 + y) & 255, (y * 5) & 255, ((x ^ y) * 3) & 255));
    return image.convertToFormat(format);
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Runs a Debian tool; an empty string when it ran well, else what went wrong.
QString run(const QString &tool, const QStringList &arguments)
{
    if (QStandardPaths::findExecutable(tool).isEmpty())
        return QStringLiteral("missing");
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return tool + QStringLiteral(": ") + QString::fromLocal8Bit(process.readAllStandardError());
    return {};
}

// Rewrites a PDF with qpdf's own API: edit gets the document and its pages.
template <typename Edit> bool rewritePdf(const QString &path, Edit edit)
{
    {
        QPDF pdf; // reads the file as it goes: written elsewhere, then moved
        pdf.processFile(QFile::encodeName(path).constData());
        std::vector<QPDFObjectHandle> pages = pdf.getAllPages();
        edit(pdf, pages);
        const QByteArray written = QFile::encodeName(path + ".new"); // the writer keeps the pointer
        QPDFWriter writer(pdf, written.constData());
        writer.write();
    }
    return QFile::remove(path) && QFile::rename(path + ".new", path);
}

// The colours of every pixel, whatever the layout: 1-bit, palette, grey or RGB.
QImage colours(const QImage &image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}

} // namespace
#endif

class TestPdfPages : public QObject
{
    Q_OBJECT

private slots:
    void scannedPageGivesItsOwnPixels_data();
    void scannedPageGivesItsOwnPixels();
    void otherPagesRenderOrFailAlone_data();
    void otherPagesRenderOrFailAlone();

private:
    QTemporaryDir dir_;
};

void TestPdfPages::scannedPageGivesItsOwnPixels_data()
{
    QTest::addColumn<QString>("source"); // the scanned picture, written by Qt or our encoder
    QTest::addColumn<QString>("made");   // how it became a PDF, and what was done to that
    QTest::addColumn<int>("turns");      // quarter turns the page is shown with
    QTest::addColumn<int>("format");     // the layout the pixels come in; -1 as the decoder's
    QTest::addColumn<double>("dpiX");    // as shown
    QTest::addColumn<double>("dpiY");

    const int asDecoder = -1;
    QTest::newRow("jpeg, 300 dpi") << "rgb.jpg"
                                   << "img2pdf" << 0 << asDecoder << 300. << 300.;
    QTest::newRow("grey jpeg, kept grey")
        << "grey.jpg"
        << "img2pdf" << 0 << int(QImage::Format_Grayscale8) << 200. << 200.;
    QTest::newRow("jpeg, 300 x 150 dpi, shown turned")
        << "wide.jpg"
        << "img2pdf --rotation=90" << 1 << asDecoder << 150. << 300.;
    QTest::newRow("jpeg turned back by qpdf")
        << "rgb.jpg"
        << "img2pdf, qpdf --rotate=-90" << 3 << asDecoder << 300. << 300.;
    QTest::newRow("turn inherited through a nested page tree")
        << "rgb.jpg"
        << "img2pdf, tree turn -90" << 3 << asDecoder << 300. << 300.;
    QTest::newRow("opens without a password")
        << "rgb.jpg"
        << "img2pdf, qpdf --encrypt" << 0 << asDecoder << 300. << 300.;
    QTest::newRow("damaged cross-reference table")
        << "rgb.jpg"
        << "img2pdf, break xref" << 0 << asDecoder << 300. << 300.;
    QTest::newRow("png, flate with predictor")
        << "rgb.png"
        << "img2pdf" << 0 << int(QImage::Format_RGB888) << 300. << 300.;
    QTest::newRow("grey png") << "grey.png"
                              << "img2pdf" << 0 << int(QImage::Format_Grayscale8) << 300. << 300.;
    QTest::newRow("palette png") << "palette.png"
                                 << "img2pdf" << 0 << int(QImage::Format_Indexed8) << 300. << 300.;
    QTest::newRow("group 4 tiff, 400 dpi")
        << "mono.tif"
        << "tiffcp -c g4, tiff2pdf" << 0 << int(QImage::Format_Mono) << 400. << 400.;
    QTest::newRow("1-bit tiff, flate, black is 1")
        << "mono.tif"
        << "tiff2pdf -z" << 0 << int(QImage::Format_Mono) << 400. << 400.;
}

void TestPdfPages::scannedPageGivesItsOwnPixels()
{
#ifndef SPLITTER_WITH_PDF
    QSKIP("built without PDF pages");
#else
    QFETCH(QString, source);
    QFETCH(QString, made);
    QFETCH(int, turns);
    QFETCH(int, format);
    QFETCH(double, dpiX);
    QFETCH(double, dpiY);

    // Odd sizes, and resolutions that make the page sizes in points non-round.
    const QString picture = dir_.filePath(source);
    QImage image = scan(1237, 611, QImage::Format_RGB888);
    image.setDotsPerMeterX(qRound(300 / 0.0254));
    image.setDotsPerMeterY(qRound(300 / 0.0254));
    if (source == "rgb.jpg" || source == "wide.jpg") {
        if (source == "wide.jpg")
            image.setDotsPerMeterY(qRound(150 / 0.0254));
        QVERIFY(writeBytes(picture, imaging::jpeg::encode(image, 90)));
    } else if (source == "grey.jpg") {
        image = image.convertToFormat(QImage::Format_Grayscale8);
        image.setDotsPerMeterX(qRound(200 / 0.0254));
        image.setDotsPerMeterY(qRound(200 / 0.0254));
        QVERIFY(image.save(picture, "jpeg", 85));
    } else if (source == "mono.tif") {
        image = image.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
        image.setDotsPerMeterX(qRound(400 / 0.0254));
        image.setDotsPerMeterY(qRound(400 / 0.0254));
        QVERIFY(image.save(picture + ".plain.tif", "tiff"));
    } else {
        const auto kind = source == "grey.png"      ? QImage::Format_Grayscale8
                          : source == "palette.png" ? QImage::Format_Indexed8
                                                    : QImage::Format_RGB888;
        const QImage png = image.convertToFormat(kind);
        QVERIFY(png.save(picture, "png"));
    }

    const QString pdf = picture + ".pdf";
    QString failed;
    if (made.startsWith("img2pdf"))
        failed = run("img2pdf", QStringList{picture, "-o", pdf} +
                                    (made.contains("--rotation") ? QStringList{"--rotation=90"}
                                                                 : QStringList{}));
    else if (made.startsWith("tiffcp"))
        failed = run("tiffcp", {"-c", "g4", picture + ".plain.tif", picture});
    else
        failed = run("tiffcp", {"-c", "none", picture + ".plain.tif", picture});
    if (failed.isEmpty() && made.contains("tiff2pdf"))
        failed = run("tiff2pdf", QStringList{"-o", pdf} +
                                     (made.contains("-z") ? QStringList{"-z"} : QStringList{}) +
                                     QStringList{picture});
    const QString edited = pdf + ".edited.pdf";
    if (failed.isEmpty() && made.contains("qpdf --rotate"))
        failed = run("qpdf", {"--rotate=-90", pdf, edited});
    if (failed.isEmpty() && made.contains("qpdf --encrypt"))
        failed = run("qpdf", {"--encrypt", "", "owner", "256", "--", pdf, edited});
    if (failed == "missing")
        QSKIP("a Debian tool is missing");
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    if (QFile::exists(edited))
        QVERIFY(QFile::remove(pdf) && QFile::rename(edited, pdf));
    if (made.contains("tree turn"))
        QVERIFY(rewritePdf(pdf, [](QPDF &doc, std::vector<QPDFObjectHandle> &pages) {
            // The page under a node of its own, which turns it.
            QPDFObjectHandle root = doc.getRoot().getKey("/Pages");
            QPDFObjectHandle node = doc.makeIndirectObject(
                QPDFObjectHandle::parse("<< /Type /Pages /Count 1 /Rotate -90 >>"));
            node.replaceKey("/Kids", root.getKey("/Kids"));
            node.replaceKey("/Parent", root);
            pages[0].removeKey("/Rotate");
            pages[0].replaceKey("/Parent", node);
            root.replaceKey("/Kids", QPDFObjectHandle::newArray({node}));
        }));
    if (made.contains("break xref")) {
        QByteArray bytes = fileBytes(pdf);
        const qsizetype at = bytes.lastIndexOf("xref");
        QVERIFY(at > 0);
        bytes.replace(at, 4, "xXxX");
        QVERIFY(writeBytes(pdf, bytes));
    }

    // What the picture's own decoder gives, turned as the page is shown.
    QImage expected;
    if (source.endsWith(".jpg"))
        QCOMPARE(imaging::jpeg::decode(fileBytes(picture), expected, imaging::jpeg::Grey::Kept),
                 imaging::jpeg::Decoded::Ok);
    else
        QVERIFY(QImageReader(picture).read(&expected));
    expected = imaging::turnedImage(expected, turns);

    QVERIFY(imaging::looksLikePdf(pdf));
    PdfPages pages;
    QCOMPARE(pages.open(pdf), Status::Ok);
    QCOMPARE(pages.pageCount(), 1);
    QSize size;
    QCOMPARE(pages.pageSize(0, 300, size), Status::Ok);
    QCOMPARE(size, expected.size());
    QImage decoded;
    QCOMPARE(pages.decodePage(0, 300, decoded), Status::Ok);
    QCOMPARE(decoded.format(), format < 0 ? expected.format() : QImage::Format(format));
    QCOMPARE(decoded.size(), expected.size());
    QVERIFY(colours(decoded) == colours(expected));
    QCOMPARE(decoded.dotsPerMeterX(), qRound(dpiX / 0.0254));
    QCOMPARE(decoded.dotsPerMeterY(), qRound(dpiY / 0.0254));
    if (decoded.format() == QImage::Format_Mono) // black and white, in either order
        QVERIFY(imaging::isBlackAndWhite(decoded));
#endif
}

void TestPdfPages::otherPagesRenderOrFailAlone_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<int>("openStatus");
    QTest::addColumn<int>("pageStatus"); // of page 0
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("rendered"); // page 0 drawn by the renderer at 150 dpi

    const int ok = int(Status::Ok), bad = int(Status::UnknownImageFormat);
    QTest::newRow("text page") << "text" << ok << ok << "" << true;
    QTest::newRow("picture drawn by Qt's PDF writer") << "qtpicture" << ok << ok << "" << true;
    QTest::newRow("needs a password")
        << "locked" << int(Status::AccessDenied) << ok << "PDF 文件有密码保护，无法打开" << false;
    QTest::newRow("cut short, no trailer left")
        << "truncated" << bad << ok << "PDF 文件已损坏，无法读取" << false;
    QTest::newRow("page without content") << "blank" << ok << ok << "" << true;
    QTest::newRow("page of 0 x 0 points") << "zero" << ok << bad << "PDF 页面尺寸无效" << false;
    QTest::newRow("page of 200000 points")
        << "huge" << ok << int(Status::TooLarge) << "PDF 页面太大" << false;
    QTest::newRow("broken image data") << "broken" << ok << bad << "PDF 页面图像已损坏" << false;
    QTest::newRow("no such file") << "missing" << int(Status::FileNotFound) << ok
                                  << "找不到 PDF 文件" << false;
    QTest::newRow("not a PDF") << "notpdf" << bad << ok << "PDF 文件已损坏，无法读取" << false;
}

void TestPdfPages::otherPagesRenderOrFailAlone()
{
#ifndef SPLITTER_WITH_PDF
    PdfPages pages;
    QCOMPARE(pages.open(dir_.filePath("any.pdf")), Status::UnknownImageFormat);
    QCOMPARE(pages.errorString(), QStringLiteral("此版本不能读取 PDF 文件"));
#else
    QFETCH(QString, fixture);
    QFETCH(int, openStatus);
    QFETCH(int, pageStatus);
    QFETCH(QString, reason);
    QFETCH(bool, rendered);

    const QString pdf = dir_.filePath(fixture + ".pdf");
    // Two scanned pages: the first is then spoiled, the second must still decode.
    const QString jpeg = dir_.filePath(fixture + ".jpg");
    QImage scanned = scan(640, 480, QImage::Format_RGB888);
    scanned.setDotsPerMeterX(qRound(300 / 0.0254));
    scanned.setDotsPerMeterY(qRound(300 / 0.0254));
    QVERIFY(writeBytes(jpeg, imaging::jpeg::encode(scanned, 90)));
    if (fixture == "text" || fixture == "qtpicture") {
        QPdfWriter writer(pdf);
        writer.setResolution(72);
        QPainter painter(&writer);
        if (fixture == "text") {
            painter.setFont(QFont("sans", 24));
            painter.drawText(QPointF(72, 100), QStringLiteral("第一页 Page one"));
        } else {
            painter.drawImage(QPointF(0, 0), scanned);
        }
        QVERIFY(writer.newPage()); // a second page, left blank
        painter.end();
    } else if (fixture == "notpdf") {
        QVERIFY(writeBytes(pdf, "%PDF-1.4\nnot a PDF at all\n"));
    } else if (fixture != "missing") {
        const QString failed = run("img2pdf", {jpeg, jpeg, "-o", pdf});
        if (failed == "missing")
            QSKIP("img2pdf is missing");
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
    }
    if (fixture == "locked") {
        const QString failed =
            run("qpdf", {"--encrypt", "user", "owner", "256", "--", pdf, "--replace-input"});
        if (failed == "missing")
            QSKIP("qpdf is missing");
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
    }
    if (fixture == "truncated") {
        // The end of the first image and everything after it are lost.
        const QByteArray bytes = fileBytes(pdf);
        QVERIFY(writeBytes(pdf, bytes.left(bytes.indexOf("\xFF\xD9") - 100)));
    }
    if (fixture == "zero" || fixture == "huge" || fixture == "broken" || fixture == "blank")
        QVERIFY(rewritePdf(pdf, [&fixture](QPDF &, std::vector<QPDFObjectHandle> &pages) {
            const double side = fixture == "huge" ? 200000 : 0;
            if (fixture == "blank")
                pages[0].removeKey("/Contents");
            else if (fixture == "broken")
                pages[0]
                    .getKey("/Resources")
                    .getKey("/XObject")
                    .getDictAsMap()
                    .begin()
                    ->second.replaceStreamData("\xFF\xD8 no JPEG after all",
                                               QPDFObjectHandle::newName("/DCTDecode"),
                                               QPDFObjectHandle::newNull());
            else
                pages[0].replaceKey(
                    "/MediaBox",
                    QPDFObjectHandle::newArray(
                        {QPDFObjectHandle::newReal(0, 1), QPDFObjectHandle::newReal(0, 1),
                         QPDFObjectHandle::newReal(side, 1), QPDFObjectHandle::newReal(side, 1)}));
        }));

    PdfPages pages;
    QCOMPARE(int(pages.open(pdf)), openStatus);
    if (openStatus != int(Status::Ok)) {
        QCOMPARE(pages.errorString(), reason);
        QCOMPARE(pages.pageCount(), 0);
        return;
    }
    QCOMPARE(pages.pageCount(), 2);
    QSize size;
    QImage page;
#ifndef SPLITTER_WITH_PDF_RENDERING
    // A build without the renderer refuses such a page, saying why.
    if (rendered) {
        QCOMPARE(pages.decodePage(0, 150, page), Status::UnknownImageFormat);
        QCOMPARE(pages.errorString(),
                 QStringLiteral("此版本只能读取整页是一张扫描图片的 PDF 页面"));
        return;
    }
#endif
    const Status sized = pages.pageSize(0, 150, size);
    QCOMPARE(int(pages.decodePage(0, 150, page)), pageStatus);
    if (pageStatus != int(Status::Ok)) {
        QCOMPARE(pages.errorString(), reason);
        QVERIFY(page.isNull());
    } else {
        QCOMPARE(sized, Status::Ok);
        QCOMPARE(page.size(), size);
        QCOMPARE(page.format(), QImage::Format_RGB888);
        QCOMPARE(page.dotsPerMeterX(), qRound(150 / 0.0254));
        QCOMPARE(page.dotsPerMeterY(), qRound(150 / 0.0254));
        QVERIFY(rendered);
        // Drawn on white, and something drawn.
        QCOMPARE(page.pixel(page.width() - 1, page.height() - 1), qRgb(255, 255, 255));
        int dark = 0;
        for (int y = 0; y < page.height(); y += 2)
            for (int x = 0; x < page.width(); x += 2)
                dark += qGray(page.pixel(x, y)) < 128;
        QCOMPARE(dark > 50, fixture != "blank");
    }
    // The other page is not spoiled by the first.
    QImage second;
    QCOMPARE(pages.decodePage(1, 150, second), Status::Ok);
    if (!rendered) {
        QImage expected;
        QCOMPARE(imaging::jpeg::decode(fileBytes(jpeg), expected), imaging::jpeg::Decoded::Ok);
        QVERIFY(colours(second) == colours(expected));
    }
#endif
}

QTEST_MAIN(TestPdfPages)
#include "tst_pdfpages.moc"
