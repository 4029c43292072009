// Bad pictures through a real batch: each is either cut correctly or named among the
// unreadable pictures, never a crash and never an unbounded allocation.

#include "CraftedFiles.h"
#include "RobustSupport.h"
#include "SystemFixtures.h"
#include "TestSupport.h"
#include "imaging/Picture.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace robust;
using namespace testsupport;

using crafted::gifPalette;

class tst_BadPictures : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void hugeHeaderRefusedWithoutAllocating_data();
    void hugeHeaderRefusedWithoutAllocating();
    void unreadableNamed_data();
    void unreadableNamed();
    void truncatedOrCorrupt_data();
    void truncatedOrCorrupt();
    void endsEarly_data();
    void endsEarly();
    void a3ScanAt600Dpi();
    void badAmongGoodInOneRun();

private:
    QString file(const QString &name) const { return inputs_.filePath(name); }
    RunOutcome runOne(const QString &path, const QString &out, QSize size);

    QTemporaryDir inputs_;
};

void tst_BadPictures::initTestCase()
{
    QVERIFY(inputs_.isValid());
}

RunOutcome tst_BadPictures::runOne(const QString &path, const QString &out, QSize size)
{
    BatchEngine engine;
    return engine.runNow(snapshotFor({path}, out, gridFrames(size)));
}

void tst_BadPictures::hugeHeaderRefusedWithoutAllocating_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    const QSize huge(100000, 100000);
    QTest::newRow("PNG") << "huge.png" << crafted::pngHeader(huge);
    QTest::newRow("BMP") << "huge.bmp" << crafted::bmpHeader(huge);
    QTest::newRow("TIFF") << "huge.tif" << crafted::tiff({{huge, QByteArray(300, '\x40')}});
    // JPEG and GIF sizes stop at 65535.
    QTest::newRow("JPEG") << "huge.jpg"
                          << crafted::jpeg(
                                 QSize(1, 1), 3, [](int, int, int) { return 90; },
                                 QSize(65535, 65535));
    QTest::newRow("GIF") << "huge.gif"
                         << crafted::gif(QSize(65535, 65535), {{QRect(0, 0, 2, 1), {1, 2}}},
                                         gifPalette);
    // A 40-byte GIF with a screen of no height and a frame 65535 rows down: the header's
    // size looks small, the canvas Qt makes for it would take 16 GB.
    QTest::newRow("GIF frame far below a screen of no height")
        << "far.gif"
        << crafted::gif(QSize(65535, 0), {{QRect(0, 65535, 2, 1), {1, 2}}}, gifPalette);
}

void tst_BadPictures::hugeHeaderRefusedWithoutAllocating()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QVERIFY(writeBytes(file(name), bytes));
    QTemporaryDir out;
    const double before = peakResidentMb();
    const RunOutcome outcome = runOne(file(name), out.path(), QSize(100000, 100000));
    QCOMPARE(outcome.unreadable, QStringList{file(name)});
    QCOMPARE(outcome.piecesSaved, 0);
    QVERIFY(entries(out.path()).isEmpty());
    // Refused from its header: nothing near the claimed size was ever allocated.
    QVERIFY2(peakResidentMb() - before < 200,
             qPrintable(QString::number(peakResidentMb() - before)));
}

void tst_BadPictures::unreadableNamed_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    for (const char *ext : {"bmp", "gif", "jpg", "png", "tif", "JPG"})
        QTest::addRow("zero bytes .%s", ext) << QStringLiteral("empty.%1").arg(ext) << QByteArray();
    QTest::newRow("text named .jpg")
        << "notes.jpg" << QByteArray("These pages were scanned on Monday.\n");
    QTest::newRow("text named .tif") << "notes.tif" << QByteArray("II*\0 not a TIFF after all", 25);
    QTest::newRow("BMP signature, garbage")
        << "garbage.bmp" << QByteArray("BM") + QByteArray(60, '\xEE');
    QTest::newRow("PNG signature, garbage")
        << "garbage.png" << QByteArray("\x89PNG\r\n\x1A\n", 8) + QByteArray(60, '\x01');
    QTest::newRow("GIF signature, garbage") << "garbage.gif" << QByteArray("GIF89a") + "\0\0\0";
    QTest::newRow("JPEG signature, garbage")
        << "garbage.jpg" << QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(80, '\x33');
    QTest::newRow("zero-size PNG header") << "zero.png" << crafted::pngHeader(QSize(0, 0));
    QTest::newRow("zero-size BMP header") << "zero.bmp" << crafted::bmpHeader(QSize(0, 7));
}

void tst_BadPictures::unreadableNamed()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QVERIFY(writeBytes(file(name), bytes));
    QTemporaryDir out;
    const RunOutcome outcome = runOne(file(name), out.path(), QSize(40, 30));
    QCOMPARE(outcome.unreadable, QStringList{file(name)});
    QCOMPARE(outcome.piecesSaved, 0);
    QVERIFY(outcome.unsaved.isEmpty());
    QVERIFY(entries(out.path()).isEmpty());
}

void tst_BadPictures::truncatedOrCorrupt_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("whole"); // what the file should have been
    QTest::addColumn<bool>("refused");     // a file cut short is refused, never cut
    QTest::addColumn<int>("tolerance");
    const QImage image = testsupport::patternImage(64, 48, QImage::Format_RGB32, 7);
    QByteArray gif;
    {
        QTemporaryDir tmp;
        fixtures::writeGif(image, tmp.filePath("g.gif"));
        gif = readBytes(tmp.filePath("g.gif"));
    }
    const std::pair<const char *, QByteArray> formats[] = {
        {"bmp", encoded(image, "bmp")},      {"gif", gif},
        {"jpg", encoded(image, "jpeg", 90)}, {"png", encoded(image, "png")},
        {"tif", encoded(image, "tiff")},
    };
    for (const auto &[ext, whole] : formats) {
        for (const int percent : {5, 50, 99}) {
            const qsizetype keep = whole.size() * percent / 100;
            QTest::addRow("%s cut to %d%%", ext, percent)
                << QStringLiteral("cut%1.%2").arg(percent).arg(ext) << whole.left(keep) << whole
                << true << 0;
        }
        // Flipped bits inside the data cannot be told from a picture; decoders differ in
        // what they make of them, so only the pieces' sizes are checked.
        QByteArray corrupt = whole;
        for (qsizetype i = corrupt.size() / 3; i < corrupt.size() * 2 / 3; i += 7)
            corrupt[i] = char(corrupt[i] ^ 0x5A);
        QTest::addRow("%s corrupt middle", ext)
            << QStringLiteral("corrupt.%1").arg(ext) << corrupt << whole << false << 255;
    }
}

void tst_BadPictures::truncatedOrCorrupt()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, whole);
    QFETCH(bool, refused);
    QFETCH(int, tolerance);
    QVERIFY(writeBytes(file(name), bytes));
    QTemporaryDir out;
    const Rotation rotation = Rotation(qHash(name) % 4);
    const QSize turned = quarterTurns(rotation) % 2 ? QSize(48, 64) : QSize(64, 48);
    BatchEngine engine;
    const RunSnapshot s = snapshotFor({file(name)}, out.path(), gridFrames(turned), rotation);
    const RunOutcome outcome = engine.runNow(s);
    QVERIFY(outcome.unsaved.isEmpty());
    QVERIFY(onlyPieces(out.path()));
    if (refused || !outcome.unreadable.isEmpty()) {
        QCOMPARE(outcome.unreadable, QStringList{file(name)});
        QVERIFY(entries(out.path()).isEmpty());
        return;
    }
    // Cut: then every piece is what the complete file holds.
    const QString complete = file(QStringLiteral("complete-") + name);
    QVERIFY(writeBytes(complete, whole));
    const QImage source = QImageReader(complete).read();
    QVERIFY(!source.isNull());
    const QString mismatch =
        comparePieces(out.path(), s, 1, fixtures::turnedReference(source, quarterTurns(rotation)),
                      ".BMP", tolerance);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
}

void tst_BadPictures::endsEarly_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("reduced"); // decoded for display, not at full size
    QTest::addColumn<bool>("accepted");
    const QImage image = testsupport::patternImage(30, 20, QImage::Format_RGB32, 5);
    const QByteArray bmp = encoded(image, "bmp");
    QByteArray gif;
    {
        QTemporaryDir tmp;
        fixtures::writeGif(image, tmp.filePath("g.gif"));
        gif = readBytes(tmp.filePath("g.gif"));
    }
    const QByteArray jpeg = encoded(image, "jpeg", 90);
    QByteArray extraneous = jpeg; // stray bytes before the scan: only a warning
    extraneous.insert(extraneous.indexOf("\xFF\xDA"), QByteArray(3, '\0'));

    QTest::newRow("BMP whole") << "w.bmp" << bmp << false << true;
    QTest::newRow("BMP a byte short") << "s.bmp" << bmp.chopped(1) << false << false;
    QTest::newRow("BMP a byte short, reduced") << "s.bmp" << bmp.chopped(1) << true << false;
    QTest::newRow("GIF with zero padding")
        << "p.gif" << gif + QByteArray(16, '\0') << false << true;
    QTest::newRow("GIF without its trailer") << "t.gif" << gif.chopped(1) << false << false;
    QTest::newRow("GIF without its trailer, reduced") << "t.gif" << gif.chopped(1) << true << false;
    QTest::newRow("JPEG with bytes after its end") << "a.jpg" << jpeg + "tail" << false << true;
    QTest::newRow("JPEG with stray bytes before a marker")
        << "x.jpg" << extraneous << false << true;
    QTest::newRow("JPEG whole, reduced") << "w.jpg" << jpeg << true << true;
    QTest::newRow("JPEG cut short") << "s.jpg" << jpeg.chopped(40) << false << false;
    QTest::newRow("JPEG cut short, reduced") << "s.jpg" << jpeg.chopped(40) << true << false;
}

void tst_BadPictures::endsEarly()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, reduced);
    QFETCH(bool, accepted);
    QVERIFY(writeBytes(file(name), bytes));
    imaging::Picture picture;
    imaging::Status status = picture.open(file(name));
    if (status == imaging::Status::Ok)
        status = picture.decode(reduced ? QSize(15, 10) : QSize());
    picture.release();
    QCOMPARE(status, accepted ? imaging::Status::Ok : imaging::Status::UnknownImageFormat);
}

void tst_BadPictures::a3ScanAt600Dpi()
{
    // 7016 x 9921, a plain fill, so writing and checking it stay cheap.
    const QRgb paper = qRgb(236, 230, 214);
    const QString path = file("a3-600dpi.jpg");
    {
        QImage scan(7016, 9921, QImage::Format_RGB32);
        QVERIFY(!scan.isNull());
        scan.fill(paper);
        QVERIFY(testsupport::writePicture(scan, path, "jpeg", 90));
    }
    QTemporaryDir out;
    BatchEngine engine;
    // Turned a quarter: 9921 wide and 7016 high, cut into two pages and the margin.
    const RunSnapshot s = snapshotFor(
        {path}, out.path(),
        {{{0, 0, 4960, 7016}, "A"}, {{4960, 0, 4961, 7016}, "B"}, {{9900, 7000, 100, 100}, "C"}},
        Rotation::Clockwise90);
    const double before = peakResidentMb();
    const RunOutcome outcome = engine.runNow(s);
    QVERIFY(outcome.unreadable.isEmpty());
    QVERIFY(outcome.unsaved.isEmpty());
    QCOMPARE(outcome.piecesSaved, 3);
    // The picture is held once at 32 bits (278 MB) plus the turned copy and one piece.
    QVERIFY2(peakResidentMb() - before < 1200,
             qPrintable(QString::number(peakResidentMb() - before)));
    const std::pair<const char *, QSize> pieces[] = {{"A00001.BMP", QSize(4960, 7016)},
                                                     {"B00002.BMP", QSize(4961, 7016)},
                                                     {"C00003.BMP", QSize(21, 16)}};
    for (const auto &[name, size] : pieces) {
        const QImage piece = QImageReader(out.filePath(name)).read();
        QCOMPARE(piece.size(), size);
        for (const QPoint p : {QPoint(0, 0), QPoint(size.width() - 1, size.height() - 1),
                               QPoint(size.width() / 2, size.height() / 2)}) {
            const QRgb c = piece.pixel(p);
            QVERIFY(qAbs(qRed(c) - qRed(paper)) <= 2 && qAbs(qGreen(c) - qGreen(paper)) <= 2 &&
                    qAbs(qBlue(c) - qBlue(paper)) <= 2);
        }
    }
}

void tst_BadPictures::badAmongGoodInOneRun()
{
    // Bad pictures between good ones: each bad one is named once, in list order, and
    // keeps its running numbers unused.
    QVERIFY(writeBytes(file("one.png"),
                       encoded(testsupport::patternImage(20, 16, QImage::Format_RGB32, 1), "png")));
    QVERIFY(writeBytes(file("nothing.jpg"), {}));
    QVERIFY(writeBytes(file("two.bmp"),
                       encoded(testsupport::patternImage(20, 16, QImage::Format_RGB32, 2), "bmp")));
    QVERIFY(writeBytes(file("words.png"), "just words"));
    QVERIFY(writeBytes(file("vast.bmp"), crafted::bmpHeader(QSize(100000, 100000))));
    QVERIFY(
        writeBytes(file("three.tif"),
                   encoded(testsupport::patternImage(20, 16, QImage::Format_RGB32, 3), "tiff")));
    const QStringList pictures{file("one.png"),   file("nothing.jpg"), file("two.bmp"),
                               file("words.png"), file("vast.bmp"),    file("missing.gif"),
                               file("three.tif")};
    QTemporaryDir out;
    BatchEngine engine;
    const RunOutcome outcome = engine.runNow(
        snapshotFor(pictures, out.path(), {{{0, 0, 10, 8}, "L"}, {{10, 8, 99, 99}, "R"}}));
    QCOMPARE(outcome.unreadable, QStringList({file("nothing.jpg"), file("words.png"),
                                              file("vast.bmp"), file("missing.gif")}));
    QVERIFY(outcome.unsaved.isEmpty());
    QCOMPARE(outcome.piecesSaved, 6);
    QCOMPARE(entries(out.path()), QStringList({"L00001.BMP", "L00005.BMP", "L00013.BMP",
                                               "R00002.BMP", "R00006.BMP", "R00014.BMP"}));
}

QTEST_GUILESS_MAIN(tst_BadPictures)
#include "tst_badpictures.moc"
