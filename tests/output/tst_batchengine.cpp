// The batch run without windows: real pictures cut, turned, named and saved.

#include "FileHeaders.h"
#include "PictureFixtures.h"
#include "TestSupport.h"
#include "output/BatchEngine.h"

#include <QDir>
#include <QImageReader>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                                  QDir::Name);
}

RunSnapshot snapshotOf(const QStringList &pictures, const QString &folder,
                       std::vector<SnapshotFrame> frames, int rotation = 0)
{
    RunSnapshot s;
    s.pictures = pictures;
    s.folder = folder + QLatin1Char('/');
    s.frames = std::move(frames);
    s.rotation = rotation;
    return s;
}

// Four frames lettered A to D laid 2 x 2 over a picture of 40 x 30 or larger.
std::vector<SnapshotFrame> fourFrames()
{
    return {{{0, 0, 20, 15}, "A"},
            {{20, 0, 20, 15}, "B"},
            {{0, 15, 20, 15}, "C"},
            {{20, 15, 20, 15}, "D"}};
}

} // namespace

class TestBatchEngine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void everyInputThroughEveryOutput_data();
    void everyInputThroughEveryOutput();
    void numberingSkipsUnreadablePicture();
    void frameOutsideGivesNoFile();
    void progressSequence();
    void stopKeepsEarlierPieces();
    void formatChangeApplies();
    void existingFileReplaced();
    void unsavablePiecesReported_data();
    void unsavablePiecesReported();
    void failedStartTouchesNothing();
    void workerRunsOwnInstance();
    void secondStartRefused();

private:
    QString picture(const QString &name) const { return inputs_.filePath(name); }
    QString writeSheet(const QString &name, int seed = 0);

    QTemporaryDir inputs_;
};

void TestBatchEngine::initTestCase()
{
    QVERIFY(inputs_.isValid());
    const int dpm300 = 11811;
    QImage base = testsupport::patternImage(61, 43, QImage::Format_RGB32, 5);
    base.setDotsPerMeterX(dpm300);
    base.setDotsPerMeterY(dpm300);
    using testsupport::writePicture;
    QVERIFY(writePicture(base, picture("rgb.bmp"), "bmp"));
    QVERIFY(fixtures::writeGif(base, picture("palette.gif")));
    QVERIFY(writePicture(base, picture("photo.jpg"), "jpeg", 90));
    QVERIFY(writePicture(base, picture("scan.tif"), "tiff"));
    QVERIFY(writePicture(base, picture("rgb.png"), "png"));
    QVERIFY(
        writePicture(base.convertToFormat(QImage::Format_Indexed8), picture("palette.png"), "png"));
    QVERIFY(writePicture(base.convertToFormat(QImage::Format_Mono), picture("mono.bmp"), "bmp"));
    QImage alpha = base.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < alpha.height(); ++y)
        for (int x = 0; x < alpha.width(); ++x) {
            const QRgb c = alpha.pixel(x, y);
            alpha.setPixel(x, y, qRgba(qRed(c), qGreen(c), qBlue(c), (x * 37 + y) & 0xFF));
        }
    QVERIFY(writePicture(alpha, picture("alpha.png"), "png"));
    QVERIFY(writePicture(base.convertToFormat(QImage::Format_RGBX64), picture("deep.png"), "png"));
    // The fixtures really are what their names say.
    QCOMPARE(headers::png(headers::readAll(picture("deep.png"))).bitDepth, 16);
    QCOMPARE(headers::png(headers::readAll(picture("palette.png"))).colorType, 3);
    QCOMPARE(headers::bmp(headers::readAll(picture("mono.bmp"))).bitCount, 1);
    QCOMPARE(QImageReader(picture("palette.gif")).read().size(), base.size());
}

QString TestBatchEngine::writeSheet(const QString &name, int seed)
{
    const QString path = inputs_.filePath(name);
    testsupport::writePicture(testsupport::patternImage(40, 30, QImage::Format_RGB32, seed), path,
                              "png");
    return path;
}

void TestBatchEngine::everyInputThroughEveryOutput_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("rotation");
    const QStringList inputs{"rgb.bmp",     "palette.gif", "photo.jpg", "scan.tif", "rgb.png",
                             "palette.png", "mono.bmp",    "alpha.png", "deep.png"};
    const char *formats[] = {"BMP", "TIF", "PNG", "JPG"};
    for (int i = 0; i < inputs.size(); ++i)
        for (int f = 0; f < 4; ++f) {
            // Every input meets every rotation once across the four formats.
            const int rotation = (i + f) % 4;
            QTest::addRow("%s to %s, turned %d", qPrintable(inputs.at(i)), formats[f], rotation)
                << inputs.at(i) << f << rotation;
        }
}

void TestBatchEngine::everyInputThroughEveryOutput()
{
    QFETCH(QString, input);
    QFETCH(int, format);
    QFETCH(int, rotation);

    QTemporaryDir out;
    BatchEngine engine;
    engine.setFormat(OutputFormat(format));
    // The second frame runs past the right and bottom edges in either orientation.
    const RunSnapshot s = snapshotOf({picture(input)}, out.path(),
                                     {{{3, 5, 20, 17}, "A"}, {{30, 25, 50, 50}, "B"}}, rotation);
    const RunOutcome outcome = engine.runNow(s);
    QVERIFY(outcome.unreadable.isEmpty());
    QVERIFY(outcome.unsaved.isEmpty());
    QCOMPARE(outcome.piecesSaved, 2);

    const QImage source = QImageReader(picture(input)).read();
    QVERIFY(!source.isNull());
    const QImage turned = fixtures::turnedReference(source, rotation);
    const QString extension = extensionOf(OutputFormat(format));
    const QRect second = QRect(30, 25, 50, 50).intersected(QRect(QPoint(0, 0), turned.size()));
    const std::pair<QString, QRect> pieces[] = {{"A00001", QRect(3, 5, 20, 17)},
                                                {"B00002", second}};
    for (const auto &[name, rect] : pieces) {
        const QString path = out.filePath(name + extension);
        QImageReader reader(path);
        const QImage piece = reader.read();
        QVERIFY2(!piece.isNull(), qPrintable(path));
        const QImage expected = turned.copy(rect).convertToFormat(QImage::Format_RGB888);
        QCOMPARE(piece.size(), rect.size());
        if (format == int(OutputFormat::Jpg)) {
            // The codec's own loss (4:2:0 chroma even at quality 100) is what the exact
            // piece makes when encoded the same way: compare with that, so that a piece
            // cut one pixel off still shows.
            QCOMPARE(fixtures::maxDifference(piece, fixtures::jpegRoundTrip(expected)), 0);
        } else {
            QCOMPARE(fixtures::maxDifference(piece, expected), 0);
        }
        // The piece keeps the source's resolution.
        QCOMPARE(qRound(piece.dotsPerMeterX() * 0.0254), qRound(source.dotsPerMeterX() * 0.0254));
    }
    QCOMPARE(entries(out.path()).size(), 2);
}

void TestBatchEngine::numberingSkipsUnreadablePicture()
{
    QTemporaryDir out;
    const QString corrupt = inputs_.filePath("corrupt.jpg");
    {
        QFile file(corrupt);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\xFF\xD8 not really a picture");
    }
    const QStringList pictures{writeSheet("one.png", 1), inputs_.filePath("missing.png"),
                               writeSheet("three.png", 3), corrupt};
    BatchEngine engine;
    QSignalSpy progress(&engine, &BatchEngine::progress);
    const RunOutcome outcome = engine.runNow(snapshotOf(pictures, out.path(), fourFrames()));

    QCOMPARE(entries(out.path()),
             QStringList({"A00001.BMP", "A00009.BMP", "B00002.BMP", "B00010.BMP", "C00003.BMP",
                          "C00011.BMP", "D00004.BMP", "D00012.BMP"}));
    QCOMPARE(outcome.unreadable, QStringList({pictures.at(1), corrupt}));
    QCOMPARE(outcome.piecesSaved, 8);
    // The read-out does not move for a skipped picture.
    QCOMPARE(progress.size(), 8);
    QCOMPARE(progress.at(4).at(0).toLongLong(), 9);
    QCOMPARE(progress.at(4).at(1).toLongLong(), 16);
}

void TestBatchEngine::frameOutsideGivesNoFile()
{
    QTemporaryDir out;
    BatchEngine engine;
    QSignalSpy progress(&engine, &BatchEngine::progress);
    // 40 x 30 picture: X = width, Y = height, and a frame cut down to nothing.
    const RunOutcome outcome = engine.runNow(snapshotOf({writeSheet("sheet.png")}, out.path(),
                                                        {{{40, 0, 10, 10}, "A"},
                                                         {{0, 30, 10, 10}, "B"},
                                                         {{5, 5, 0, 9}, "C"},
                                                         {{30, 20, 50, 50}, "D"}}));
    QCOMPARE(entries(out.path()), QStringList{"D00004.BMP"});
    QCOMPARE(QImage(out.filePath("D00004.BMP")).size(), QSize(10, 10));
    QVERIFY(outcome.unsaved.isEmpty());
    QCOMPARE(progress.size(), 4); // the read-out still moves for frames without a file
}

void TestBatchEngine::progressSequence()
{
    QTemporaryDir out;
    BatchEngine engine;
    QSignalSpy progress(&engine, &BatchEngine::progress);
    QSignalSpy finished(&engine, &BatchEngine::finished);
    engine.runNow(snapshotOf({writeSheet("sheet.png")}, out.path(), fourFrames()));
    QCOMPARE(progress.size(), 4);
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(progress.at(k).at(0).toLongLong(), k + 1);
        QCOMPARE(progress.at(k).at(1).toLongLong(), 4);
    }
    QCOMPARE(finished.size(), 1);
    QVERIFY(!finished.at(0).at(0).value<RunOutcome>().stopped);
}

void TestBatchEngine::stopKeepsEarlierPieces()
{
    QTemporaryDir out;
    BatchEngine engine;
    // Stop while the run is between frames 2 and 3 (the slot runs on the worker).
    connect(
        &engine, &BatchEngine::progress, &engine,
        [&engine](qint64 done, qint64) {
            if (done == 2)
                engine.requestStop();
        },
        Qt::DirectConnection);
    QSignalSpy finished(&engine, &BatchEngine::finished);
    QVERIFY(engine.start(snapshotOf({writeSheet("sheet.png")}, out.path(), fourFrames())));
    QVERIFY(finished.wait(30000));
    const RunOutcome outcome = finished.at(0).at(0).value<RunOutcome>();
    QVERIFY(outcome.stopped);
    QCOMPARE(outcome.piecesSaved, 2);
    QCOMPARE(entries(out.path()), QStringList({"A00001.BMP", "B00002.BMP"}));
}

void TestBatchEngine::formatChangeApplies()
{
    QTemporaryDir out;
    BatchEngine engine;
    connect(
        &engine, &BatchEngine::progress, &engine,
        [&engine](qint64 done, qint64) {
            if (done == 2)
                engine.setFormat(OutputFormat::Jpg);
        },
        Qt::DirectConnection);
    QSignalSpy finished(&engine, &BatchEngine::finished);
    QVERIFY(engine.start(snapshotOf({writeSheet("sheet.png")}, out.path(), fourFrames())));
    QVERIFY(finished.wait(30000));
    QCOMPARE(entries(out.path()),
             QStringList({"A00001.BMP", "B00002.BMP", "C00003.JPG", "D00004.JPG"}));
    QCOMPARE(QImageReader(out.filePath("C00003.JPG")).format(), QByteArray("jpeg"));
}

void TestBatchEngine::existingFileReplaced()
{
    QTemporaryDir out;
    {
        QFile old(out.filePath("A00001.PNG"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older file of the same name");
    }
    BatchEngine engine;
    engine.setFormat(OutputFormat::Png);
    const QString sheet = writeSheet("sheet.png", 7);
    const RunOutcome outcome = engine.runNow(snapshotOf({sheet}, out.path(), fourFrames()));
    QVERIFY(outcome.unsaved.isEmpty());
    QCOMPARE(QImage(out.filePath("A00001.PNG")).convertToFormat(QImage::Format_RGB888),
             QImage(sheet).copy(0, 0, 20, 15).convertToFormat(QImage::Format_RGB888));
    QCOMPARE(entries(out.path()).size(), 4); // nothing kept beside it
}

void TestBatchEngine::unsavablePiecesReported_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("target name held by a folder") << "folder";
    QTest::newRow("read-only folder") << "read-only";
    QTest::newRow("folder removed before the run") << "removed";
}

void TestBatchEngine::unsavablePiecesReported()
{
    QFETCH(QString, how);
    QTemporaryDir out;
    const QString folder = out.filePath("pieces");
    QVERIFY(QDir().mkpath(folder));
    if (how == "folder") {
        QVERIFY(QDir().mkpath(folder + "/B00002.BMP"));
    } else if (how == "read-only") {
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        QFile probe(folder + "/probe");
        if (probe.open(QIODevice::WriteOnly)) {
            probe.close();
            probe.remove();
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QSKIP("permission bits are ignored for this user (root); the other rows cover it");
        }
    } else {
        QVERIFY(QDir(folder).removeRecursively());
    }

    BatchEngine engine;
    const RunOutcome outcome =
        engine.runNow(snapshotOf({writeSheet("sheet.png")}, folder, fourFrames()));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QVERIFY(!outcome.stopped);
    if (how == "folder") {
        QCOMPARE(outcome.unsaved, QStringList{folder + "/B00002.BMP"});
        // The run went on; no partial or temporary file is left beside the pieces.
        QCOMPARE(entries(folder),
                 QStringList({"A00001.BMP", "B00002.BMP", "C00003.BMP", "D00004.BMP"}));
        QVERIFY(QFileInfo(folder + "/B00002.BMP").isDir());
    } else {
        QCOMPARE(outcome.unsaved.size(), 4);
        QCOMPARE(outcome.piecesSaved, 0);
        if (how == "read-only")
            QCOMPARE(entries(folder), QStringList());
        else
            QVERIFY(!QFileInfo::exists(folder));
    }
}

void TestBatchEngine::failedStartTouchesNothing()
{
    QTemporaryDir out;
    BatchEngine engine;
    QSignalSpy progress(&engine, &BatchEngine::progress);
    platform::Imaging::failNextStartup();
    const RunOutcome outcome =
        engine.runNow(snapshotOf({writeSheet("sheet.png")}, out.path(), fourFrames()));
    QVERIFY(outcome.startFailed);
    QCOMPARE(progress.size(), 0);
    QCOMPARE(entries(out.path()), QStringList());
}

void TestBatchEngine::workerRunsOwnInstance()
{
    QTemporaryDir out;
    const QStringList pictures{writeSheet("one.png", 1), writeSheet("two.png", 2)};
    const int startups = platform::Imaging::totalStartups();
    const int live = platform::Imaging::liveInstances();
    BatchEngine engine;
    QSignalSpy finished(&engine, &BatchEngine::finished);
    QVERIFY(engine.start(snapshotOf(pictures, out.path(), fourFrames())));
    QVERIFY(finished.wait(30000));
    // One instance for the whole run, given back before the end is announced.
    QCOMPARE(platform::Imaging::totalStartups(), startups + 1);
    QCOMPARE(platform::Imaging::liveInstances(), live);
    QCOMPARE(entries(out.path()).size(), 8);
}

void TestBatchEngine::secondStartRefused()
{
    QTemporaryDir out;
    BatchEngine engine;
    // Hold the worker inside its first progress report until the second start was tried.
    std::atomic<bool> release{false};
    connect(
        &engine, &BatchEngine::progress, &engine,
        [&release](qint64, qint64) {
            while (!release)
                QThread::yieldCurrentThread();
        },
        Qt::DirectConnection);
    QSignalSpy finished(&engine, &BatchEngine::finished);
    const RunSnapshot s = snapshotOf({writeSheet("sheet.png")}, out.path(), fourFrames());
    QVERIFY(engine.start(s));
    QVERIFY(engine.isRunning());
    QVERIFY(!engine.start(s));
    release = true;
    QVERIFY(finished.wait(30000));
    QCOMPARE(finished.size(), 1);
    QVERIFY(!engine.isRunning());
    QVERIFY(engine.start(s)); // and again once it ended
    engine.wait();
}

QTEST_GUILESS_MAIN(TestBatchEngine)
#include "tst_batchengine.moc"
