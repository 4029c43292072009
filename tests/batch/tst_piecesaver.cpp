// Saving one piece: the encoder table and what the written files hold.

#include "FileHeaders.h"
#include "TestSupport.h"
#include "batch/PieceSaver.h"
#include "imaging/Library.h"

#include <QDir>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

namespace enc = imaging::encoders;

class TestSavePic : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(imaging::Library::startup(token_), imaging::Status::Ok); }
    void cleanupTestCase() { imaging::Library::shutdown(token_); }

    void encoderTable_data();
    void encoderTable();
    void savedFile_data();
    void savedFile();
    void failedSaveKeepsStatus();

private:
    imaging::Token token_ = 0;
};

void TestSavePic::encoderTable_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("encoder"); // empty: no encoder
    QTest::addColumn<QStringList>("categories");
    QTest::addColumn<QList<int>>("values");

    QTest::newRow("jpeg") << ".JPG" << enc::jpeg << QStringList{enc::quality} << QList<int>{100};
    QTest::newRow("png") << ".PNG" << enc::png << QStringList{} << QList<int>{};
    QTest::newRow("tiff: compression, then depth")
        << ".TIF" << enc::tiff << QStringList{enc::compression, enc::colorDepth}
        << QList<int>{6, 24};
    QTest::newRow("bmp") << ".BMP" << enc::bmp << QStringList{} << QList<int>{};
    // The extension is compared exactly.
    QTest::newRow("lower case") << ".jpg" << QString() << QStringList{} << QList<int>{};
    QTest::newRow("gif") << ".GIF" << QString() << QStringList{} << QList<int>{};
    QTest::newRow("no dot") << "BMP" << QString() << QStringList{} << QList<int>{};
    QTest::newRow("long form") << ".TIFF" << QString() << QStringList{} << QList<int>{};
}

void TestSavePic::encoderTable()
{
    QFETCH(QString, extension);
    QFETCH(QString, encoder);
    QFETCH(QStringList, categories);
    QFETCH(QList<int>, values);

    const auto choice = encoderFor(extension, 100, 24, 6);
    QCOMPARE(choice.has_value(), !encoder.isEmpty());
    if (!choice)
        return;
    QCOMPARE(choice->encoder, encoder);
    QCOMPARE(qsizetype(choice->parameters.size()), categories.size());
    for (size_t i = 0; i < choice->parameters.size(); ++i) {
        QCOMPARE(choice->parameters[i].category, categories.at(qsizetype(i)));
        QCOMPARE(choice->parameters[i].type, 4);
        QCOMPARE(choice->parameters[i].value, values.at(qsizetype(i)));
    }
}

void TestSavePic::savedFile_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<bool>("lossless");
    QTest::newRow("BMP") << ".BMP" << true;
    QTest::newRow("TIF") << ".TIF" << true;
    QTest::newRow("PNG") << ".PNG" << true;
    QTest::newRow("JPG") << ".JPG" << false;
}

void TestSavePic::savedFile()
{
    QFETCH(QString, extension);
    QFETCH(bool, lossless);

    QTemporaryDir dir;
    QImage piece = testsupport::patternImage(37, 23, QImage::Format_RGB888, 3);
    const int dpm300 = 11811; // 300 dots per inch
    piece.setDotsPerMeterX(dpm300);
    piece.setDotsPerMeterY(dpm300);
    const QString path = dir.filePath(QStringLiteral("A00001") + extension);
    imaging::Status lastStatus = imaging::Status::GenericError;
    QCOMPARE(savePiece(piece, path, extension, 100, 24, 6, lastStatus), imaging::Status::Ok);
    QCOMPARE(lastStatus, imaging::Status::Ok);

    const QByteArray data = headers::readAll(path);
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

    QImage back(path);
    QCOMPARE(back.size(), piece.size());
    back = back.convertToFormat(QImage::Format_RGB888);
    if (lossless)
        QCOMPARE(back, piece);
}

void TestSavePic::failedSaveKeepsStatus()
{
    QTemporaryDir dir;
    const QImage piece = testsupport::patternImage(8, 8, QImage::Format_RGB888);
    imaging::Status lastStatus = imaging::Status::Ok;

    // A folder that does not exist: no file, a failure status.
    const QString missing = dir.filePath(QStringLiteral("gone/A00001.BMP"));
    QVERIFY(savePiece(piece, missing, ".BMP", 100, 24, 6, lastStatus) != imaging::Status::Ok);
    QVERIFY(lastStatus != imaging::Status::Ok);
    QVERIFY(!QFile::exists(missing));

    // An extension without an encoder writes nothing.
    const QString gif = dir.filePath(QStringLiteral("A00001.GIF"));
    QCOMPARE(savePiece(piece, gif, ".GIF", 100, 24, 6, lastStatus),
             imaging::Status::InvalidParameter);
    QCOMPARE(lastStatus, imaging::Status::InvalidParameter);
    QVERIFY(!QFile::exists(gif));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
}

QTEST_GUILESS_MAIN(TestSavePic)
#include "tst_piecesaver.moc"
