// Unusual but valid pictures through a real batch: every pixel format the readers decode
// is cut to the colours the file stores (alpha dropped), only an animation's first frame,
// and every page of a multi-page TIFF or a PDF as its own picture.

#include "CraftedFiles.h"
#include "RobustSupport.h"
#include "TestSupport.h"
#include "batch/PictureGathering.h"
#include "imaging/Picture.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace robust;
using namespace testsupport;
using crafted::gifIndices;
using crafted::gifPalette;

namespace {

// The GIF frame's pixels as the codec shows them: palette colours, row by row.
QImage gifFrameImage(QSize size, const std::vector<uchar> &indices)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, gifPalette[indices[size_t(y * size.width() + x)]]);
    return image;
}

// Runs a Debian tool; false when it is missing or fails.
bool runTool(const QString &tool, const QStringList &arguments)
{
    if (QStandardPaths::findExecutable(tool).isEmpty())
        return false;
    QProcess process;
    process.start(tool, arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// Three pages of one kind, each written as a single file; the multi-page file made of them
// by another tool.
struct PagedFixture
{
    QStringList singles;
    QString paged;
};

} // namespace

class tst_UnusualPictures : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(inputs_.isValid()); }

    void unusualKindsCut_data();
    void unusualKindsCut();
    void gifFirstFrameSmallerThanScreen();
    void pagesCutLikeSingleFiles_data();
    void pagesCutLikeSingleFiles();

private:
    QString file(const QString &name) const { return inputs_.filePath(name); }

    QTemporaryDir inputs_;
};

void tst_UnusualPictures::unusualKindsCut_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QImage>("reference"); // the picture the file holds, as RGB
    QTest::addColumn<int>("tolerance");

    const QImage base = testsupport::patternImage(45, 31, QImage::Format_RGB32, 11);
    auto add = [](const char *row, const char *name, const QByteArray &bytes, const QImage &ref,
                  int tolerance = 0) {
        QTest::newRow(row) << QString::fromLatin1(name) << bytes << ref << tolerance;
    };
    const QImage mono = base.convertToFormat(QImage::Format_Mono);
    add("1-bit PNG", "mono.png", encoded(mono, "png"), mono);
    add("1-bit TIFF", "mono.tif", encoded(mono, "tiff"), mono);
    add("1-bit BMP", "mono.bmp", encoded(mono, "bmp"), mono);
    const QImage palette = base.convertToFormat(QImage::Format_Indexed8);
    add("palette BMP", "palette.bmp", encoded(palette, "bmp"), palette);
    add("palette PNG", "palette.png", encoded(palette, "png"), palette);
    const QImage grey = base.convertToFormat(QImage::Format_Grayscale8);
    add("grey PNG", "grey.png", encoded(grey, "png"), grey);
    const QByteArray greyJpeg = encoded(grey, "jpeg", 95);
    add("grey JPEG", "grey.jpg", greyJpeg, QImage::fromData(greyJpeg), 2);
    const QImage grey16 = base.convertToFormat(QImage::Format_Grayscale16);
    add("16-bit grey PNG", "grey16.png", encoded(grey16, "png"), grey16, 1);
    const QImage rgb48 = base.convertToFormat(QImage::Format_RGBX64);
    add("48-bit PNG", "rgb48.png", encoded(rgb48, "png"), rgb48, 1);
    add("48-bit TIFF", "rgb48.tif", encoded(rgb48, "tiff"), rgb48, 1);
    QImage alpha = base.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < alpha.height(); ++y)
        for (int x = 0; x < alpha.width(); ++x) {
            const QRgb c = alpha.pixel(x, y);
            alpha.setPixel(x, y, qRgba(qRed(c), qGreen(c), qBlue(c), (x * 29 + y * 3) & 0xFF));
        }
    add("alpha PNG", "alpha.png", encoded(alpha, "png"), alpha);
    // TIFF keeps alpha premultiplied: faint pixels lose their colour in the file itself.
    QImage opaqueish = alpha;
    for (int y = 0; y < alpha.height(); ++y)
        for (int x = 0; x < alpha.width(); ++x)
            opaqueish.setPixel(x, y, alpha.pixel(x, y) | 0x80000000u);
    add("alpha TIFF", "alpha.tif", encoded(opaqueish, "tiff"), opaqueish, 1);
    // Alpha not premultiplied in the file: libtiff premultiplies it when it reads.
    add("unassociated alpha TIFF", "unassociated.tif",
        crafted::tiff({{alpha.size(), crafted::rgbBytes(alpha, true), 2}}), alpha);
    const QImage rgba64 = alpha.convertToFormat(QImage::Format_RGBA64);
    add("64-bit alpha PNG", "rgba64.png", encoded(rgba64, "png"), rgba64, 1);

    // A transparent colour (tRNS) keeps its stored colour, at every depth; 16-bit samples
    // are 257 times an 8-bit level, so they give that level back exactly.
    std::vector<QByteArray> rgb16;
    for (int y = 0; y < base.height(); ++y) {
        rgb16.emplace_back();
        for (int x = 0; x < base.width(); ++x)
            for (const int v :
                 {qRed(base.pixel(x, y)), qGreen(base.pixel(x, y)), qBlue(base.pixel(x, y))})
                crafted::be16(rgb16.back(), v * 257);
    }
    add("16-bit colour PNG with a transparent colour", "rgb16-key.png",
        crafted::png(base.size(), 16, 2, rgb16, rgb16[1].mid(6 * 2, 6)), base);
    for (const int depth : {1, 2, 4, 8, 16}) {
        const int top = (1 << depth) - 1;
        QImage greyKeyed(base.size(), QImage::Format_RGB32);
        std::vector<QByteArray> rows(size_t(base.height()));
        for (int y = 0; y < base.height(); ++y) {
            QByteArray &row = rows[size_t(y)];
            row.fill('\0', (base.width() * depth + 7) / 8);
            for (int x = 0; x < base.width(); ++x) {
                const int level = (x * 29 + y * 13) % 256;
                const int sample = depth == 16 ? level * 257 : level >> (8 - depth);
                const int grey = depth == 16 ? level : sample * 255 / top;
                greyKeyed.setPixel(x, y, qRgb(grey, grey, grey));
                if (depth == 16) {
                    row[x * 2] = char(sample >> 8);
                    row[x * 2 + 1] = char(sample);
                } else {
                    row[x * depth / 8] |= char(sample << (8 - depth - x * depth % 8));
                }
            }
        }
        QByteArray key;
        crafted::be16(key, depth == 16 ? 200 * 257 : 200 >> (8 - depth));
        QTest::addRow("%d-bit grey PNG with a transparent grey", depth)
            << QStringLiteral("grey%1-key.png").arg(depth)
            << crafted::png(base.size(), depth, 0, rows, key) << greyKeyed << 0;
    }

    // Adobe CMYK, stored inverted as Photoshop writes it: the codec shows each block as
    // (C x K, M x K, Y x K) / 255.
    auto ink = [](int bx, int by, int c) { return (40 + bx * 37 + by * 53 + c * 71) % 256; };
    QImage cmykRef(48, 32, QImage::Format_RGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 48; ++x) {
            const int k = ink(x / 8, y / 8, 3);
            cmykRef.setPixel(x, y,
                             qRgb(ink(x / 8, y / 8, 0) * k / 255, ink(x / 8, y / 8, 1) * k / 255,
                                  ink(x / 8, y / 8, 2) * k / 255));
        }
    add("CMYK JPEG", "cmyk.jpg", crafted::jpeg(QSize(6, 4), 4, ink), cmykRef, 1);

    // Only the first frame or page is cut: the program cuts pictures, not animations.
    const std::vector<uchar> first = gifIndices(QSize(12, 9), 1);
    add("animated GIF", "animated.gif",
        crafted::gif(
            QSize(12, 9),
            {{QRect(0, 0, 12, 9), first}, {QRect(0, 0, 12, 9), gifIndices(QSize(12, 9), 2)}},
            gifPalette),
        gifFrameImage(QSize(12, 9), first));
    const QImage page1 = testsupport::patternImage(30, 20, QImage::Format_RGB32, 3);
    const QImage page2 = testsupport::patternImage(50, 40, QImage::Format_RGB32, 4);
    add("multi-page TIFF", "pages.tif",
        crafted::tiff(
            {{page1.size(), crafted::rgbBytes(page1)}, {page2.size(), crafted::rgbBytes(page2)}}),
        page1);
}

void tst_UnusualPictures::unusualKindsCut()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QImage, reference);
    QFETCH(int, tolerance);
    QVERIFY(!bytes.isEmpty());
    QVERIFY(writeBytes(file(name), bytes));

    const Rotation rotation = Rotation(qHash(name) % 4);
    const QImage turned = fixtures::turnedReference(reference, quarterTurns(rotation));
    QTemporaryDir out;
    BatchEngine engine;
    const RunSnapshot s =
        snapshotFor({file(name)}, out.path(), gridFrames(turned.size()), rotation);
    const RunOutcome outcome = engine.runNow(s);
    QVERIFY(outcome.unreadable.isEmpty());
    QVERIFY(outcome.unsaved.isEmpty());
    QCOMPARE(outcome.piecesSaved, 5);
    QCOMPARE(entries(out.path()).size(), 5);
    const QString mismatch = comparePieces(out.path(), s, 1, turned, ".BMP", tolerance);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
}

void tst_UnusualPictures::gifFirstFrameSmallerThanScreen()
{
    // A wide GIF screen (beyond about 2000 pixels) with a smaller first frame:
    // QImageReader::size() then gives the frame's width, read() the whole screen. The
    // frames must be clipped to the pixels, not to the header.
    const std::vector<uchar> indices = gifIndices(QSize(6, 4), 3);
    const QString path = file("small-frame.gif");
    QVERIFY(writeBytes(path,
                       crafted::gif(QSize(3000, 20), {{QRect(0, 0, 6, 4), indices}}, gifPalette)));
    const QImage decoded = QImageReader(path).read();
    QCOMPARE(decoded.size(), QSize(3000, 20));

    QTemporaryDir out;
    BatchEngine engine;
    const RunSnapshot s = snapshotFor({path}, out.path(), gridFrames(decoded.size()));
    const RunOutcome outcome = engine.runNow(s);
    QVERIFY(outcome.unsaved.isEmpty());
    QVERIFY(onlyPieces(out.path()));
    const QString mismatch = comparePieces(out.path(), s, 1, decoded, ".BMP");
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));

    // Step 2 fits the sample by the picture's dimensions: they must be the pixels' too.
    imaging::Picture picture;
    const imaging::Status status = picture.load(path);
    const QSizeF dimensions = picture.dimensions();
    picture.release();
    QCOMPARE(status, imaging::Status::Ok);
    QCOMPARE(dimensions, QSizeF(3000, 20));
}

void tst_UnusualPictures::pagesCutLikeSingleFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("keepDepth");
    QTest::addColumn<int>("format");
    QTest::newRow("multi-page colour TIFF") << "tiff" << false << int(OutputFormat::Bmp);
    QTest::newRow("multi-page Group 4 TIFF, depth kept")
        << "g4tiff" << true << int(OutputFormat::Tif);
    QTest::newRow("PDF of JPEG scans (img2pdf)") << "img2pdf" << false << int(OutputFormat::Bmp);
    QTest::newRow("PDF of JPEG scans, as JPEG") << "img2pdf" << true << int(OutputFormat::Jpg);
    QTest::newRow("PDF of a Group 4 TIFF (tiff2pdf), depth kept")
        << "tiff2pdf" << true << int(OutputFormat::Tif);
    QTest::newRow("PDF of a Group 4 TIFF, as PNG") << "tiff2pdf" << true << int(OutputFormat::Png);
}

void tst_UnusualPictures::pagesCutLikeSingleFiles()
{
    QFETCH(QString, kind);
    QFETCH(bool, keepDepth);
    QFETCH(int, format);
    QTemporaryDir dir;
    const auto path = [&dir](const QString &name) { return dir.filePath(name); };
    PagedFixture fixture;
    const bool bitonal = kind == QLatin1String("g4tiff") || kind == QLatin1String("tiff2pdf");
    for (int page = 0; page < 3; ++page) {
        QImage picture = testsupport::patternImage(64 + page % 2, 48, QImage::Format_RGB32, page);
        picture.setDotsPerMeterX(11811); // 300 dpi
        picture.setDotsPerMeterY(11811);
        if (bitonal)
            picture = picture.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
        const QString single =
            path(QStringLiteral("page%1.%2").arg(page).arg(kind == "img2pdf" ? "jpg" : "tif"));
        QVERIFY(picture.save(single, nullptr, 90));
        if (bitonal) {
            const QString g4 = path(QStringLiteral("g4-%1.tif").arg(page));
            if (!runTool(QStringLiteral("tiffcp"), {"-c", "g4", single, g4}))
                QSKIP("tiffcp (libtiff-tools) is needed");
            fixture.singles << g4;
        } else {
            fixture.singles << single;
        }
    }
    fixture.paged = path(kind.endsWith("pdf") ? "book.pdf" : "book.tif");
    const QString tiff = kind == QLatin1String("tiff2pdf") ? path("pages.tif") : fixture.paged;
    if (kind != QLatin1String("img2pdf") &&
        !runTool(QStringLiteral("tiffcp"), QStringList(fixture.singles) << tiff))
        QSKIP("tiffcp (libtiff-tools) is needed");
    if (kind == QLatin1String("tiff2pdf") &&
        !runTool(QStringLiteral("tiff2pdf"), {"-o", fixture.paged, tiff}))
        QSKIP("tiff2pdf (libtiff-tools) is needed");
    if (kind == QLatin1String("img2pdf") &&
        !runTool(QStringLiteral("img2pdf"), QStringList(fixture.singles) << "-o" << fixture.paged))
        QSKIP("img2pdf is needed");

    // Gathered, the file gives one entry a page.
    const DroppedPictures dropped = picturesFromDrop({fixture.paged});
    QStringList expected;
    for (int page = 1; page <= 3; ++page)
        expected << QDir::toNativeSeparators(fixture.paged) +
                        QStringLiteral("（第 %1 页）").arg(page);
    QCOMPARE(dropped.pictures, expected);

    // Its pages give the same files as the single pictures, byte for byte.
    QTemporaryDir fromPages, fromSingles;
    const auto run = [&](const QStringList &pictures, const QString &folder) {
        RunSnapshot s =
            snapshotFor(pictures, folder, gridFrames(QSize(64, 48)), Rotation(format % 4));
        s.reading.keepDepth = keepDepth;
        BatchEngine engine;
        engine.setFormat(OutputFormat(format));
        return engine.runNow(s);
    };
    const RunOutcome paged = run(dropped.pictures, fromPages.path());
    QVERIFY2(paged.unreadable.isEmpty(), qPrintable(paged.unreadable.join(", ")));
    const RunOutcome singles = run(fixture.singles, fromSingles.path());
    QCOMPARE(paged.piecesSaved, 15);
    QCOMPARE(singles.piecesSaved, 15);
    const QStringList names = entries(fromSingles.path());
    QCOMPARE(entries(fromPages.path()), names);
    for (const QString &name : names) {
        QFile a(QDir(fromPages.path()).filePath(name)), b(QDir(fromSingles.path()).filePath(name));
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QVERIFY2(a.readAll() == b.readAll(), qPrintable(name));
    }
    // Kept depth: a 1-bit page's pieces are 1-bit.
    if (bitonal && keepDepth)
        QCOMPARE(QImageReader(QDir(fromPages.path()).filePath(names.first())).read().depth(), 1);
}

QTEST_GUILESS_MAIN(tst_UnusualPictures)
#include "tst_unusualpictures.moc"
