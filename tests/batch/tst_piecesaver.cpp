// Saving one piece: the table of formats and what the written files hold.

#include "FileHeaders.h"
#include "TestSupport.h"
#include "batch/PieceSaver.h"

#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(OutputFormat)

class tst_PieceSaver : public QObject
{
    Q_OBJECT

private slots:
    void formatTable();
    void savedFile_data();
    void savedFile();
    void failedSaveSaysWhy();
};

void tst_PieceSaver::formatTable()
{
    // The options' order, captions and extensions, each format once.
    QStringList captions, extensions;
    int position = 0;
    for (const OutputFormatInfo &info : outputFormats()) {
        QCOMPARE(int(info.format), position++);
        QVERIFY(info.encode);
        captions << QLatin1String(info.caption);
        extensions << extensionOf(info.format);
    }
    QCOMPARE(captions, (QStringList{"BMP", "TIF", "PNG", "JPG"}));
    QCOMPARE(extensions, (QStringList{".BMP", ".TIF", ".PNG", ".JPG"}));
}

void tst_PieceSaver::savedFile_data()
{
    QTest::addColumn<OutputFormat>("format");
    QTest::addColumn<bool>("lossless");
    QTest::newRow("BMP") << OutputFormat::Bmp << true;
    QTest::newRow("TIF") << OutputFormat::Tif << true;
    QTest::newRow("PNG") << OutputFormat::Png << true;
    QTest::newRow("JPG") << OutputFormat::Jpg << false;
}

void tst_PieceSaver::savedFile()
{
    QFETCH(OutputFormat, format);
    QFETCH(bool, lossless);
    const QString extension = extensionOf(format);

    QTemporaryDir dir;
    QImage piece = testsupport::patternImage(37, 23, QImage::Format_RGB888, 3);
    const int dpm300 = testsupport::dotsPerMetre300;
    piece.setDotsPerMeterX(dpm300);
    piece.setDotsPerMeterY(dpm300);
    const QString path = dir.filePath(QStringLiteral("A00001") + extension);
    QVERIFY(savePiece(piece, path, format).ok());

    const QByteArray data = testsupport::readBytes(path);
    if (extension == ".BMP") {
        const headers::Bmp bmp = headers::bmp(data);
        QCOMPARE(bmp.bitCount, 24);
        QCOMPARE(bmp.compression, 0);
        QCOMPARE(bmp.pelsPerMeterX, dpm300);
    } else if (extension == ".PNG") {
        const headers::Png png = headers::png(data);
        QCOMPARE(png.colorType, 2); // RGB, no alpha
        QCOMPARE(png.bitDepth, 8);
        QCOMPARE(png.pixelsPerMeterX, dpm300);
    } else if (extension == ".TIF") {
        const auto tags = headers::tiffTags(data);
        QCOMPARE(tags.at(258), (std::vector<double>{8, 8, 8})); // BitsPerSample
        QCOMPARE(tags.at(277), std::vector<double>{3});         // SamplesPerPixel
        QCOMPARE(tags.at(259), std::vector<double>{1});         // Compression: none
        QCOMPARE(tags.at(262), std::vector<double>{2});         // Photometric: RGB
        QCOMPARE(tags.at(296), std::vector<double>{2});         // ResolutionUnit: inch
        QCOMPARE(qRound(tags.at(282).at(0)), 300);
    } else {
        const headers::Jpeg jpeg = headers::jpeg(data);
        QVERIFY(!jpeg.quantisers.empty());
        // Quality 100 scales every quantiser down to 1.
        for (int q : jpeg.quantisers)
            QCOMPARE(q, 1);
        QCOMPARE(jpeg.densityUnit, 1);
        QCOMPARE(jpeg.densityX, 300);
    }

    const QImage back = testsupport::rgb(QImage(path));
    QCOMPARE(back.size(), piece.size());
    if (lossless)
        QCOMPARE(back, piece);
}

void tst_PieceSaver::failedSaveSaysWhy()
{
    QTemporaryDir dir;
    const QImage piece = testsupport::patternImage(8, 8, QImage::Format_RGB888);
    // A folder that does not exist: no file, a failure and its reason.
    const QString missing = dir.filePath(QStringLiteral("gone/A00001.BMP"));
    const imaging::SaveResult result = savePiece(piece, missing, OutputFormat::Bmp);
    QVERIFY(!result.ok());
    QVERIFY(!result.reason.isEmpty());
    QVERIFY(!QFile::exists(missing));
    QVERIFY(testsupport::entries(dir.path()).isEmpty());
}

QTEST_GUILESS_MAIN(tst_PieceSaver)
#include "tst_piecesaver.moc"
