// The batch run without windows: real pictures cut, turned, named and saved.

#include "FileHeaders.h"
#include "PictureFixtures.h"
#include "RunSnapshots.h"
#include "SystemFixtures.h"
#include "TestSupport.h"
#include "batch/BatchEngine.h"

#include <QDir>
#include <QImageReader>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <optional>

using testsupport::entries;
using testsupport::rgb;
using testsupport::snapshotFor;

namespace {

// Four frames lettered A to D laid 2 x 2 over a picture of 40 x 30 or larger.
std::vector<SplitFrame> fourFrames()
{
    return {{{0, 0, 20, 15}, "A"},
            {{20, 0, 20, 15}, "B"},
            {{0, 15, 20, 15}, "C"},
            {{20, 15, 20, 15}, "D"}};
}

// Calls act on the worker, inside the run, when the run reports `frames` frames done.
void whenDone(BatchEngine &engine, qint64 frames, std::function<void()> act)
{
    QObject::connect(
        &engine, &BatchEngine::progress, &engine,
        [frames, act = std::move(act)](qint64 done, qint64) {
            if (done == frames)
                act();
        },
        Qt::DirectConnection);
}

// Runs the snapshot on the worker to its end. Gives what the run's one finished signal
// carried; nothing when the engine refused to start or announced the end other than once.
std::optional<RunOutcome> runOnWorker(BatchEngine &engine, const RunSnapshot &s)
{
    QSignalSpy finished(&engine, &BatchEngine::finished);
    if (!engine.start(s))
        return std::nullopt;
    // The end is announced on the worker; waiting on its future cannot miss it, where
    // QSignalSpy::wait() would if the run ended before the wait began.
    engine.wait();
    if (finished.size() != 1)
        return std::nullopt;
    return finished.at(0).at(0).value<RunOutcome>();
}

// How a test makes the output folder refuse every piece or one of them.
enum class Blocker { FolderAtPieceName, ReadOnlyFolder, RemovedFolder };

} // namespace

Q_DECLARE_METATYPE(Blocker)

class tst_BatchEngine : public QObject
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
    void ownPictureNeverReplaced_data();
    void ownPictureNeverReplaced();
    void unsavablePiecesReported_data();
    void unsavablePiecesReported();
    void workerRunEnds();
    void secondStartRefused();

    void anyThreadCountSameFiles_data();
    void anyThreadCountSameFiles();
    void concurrentStop_data();
    void concurrentStop();
    void concurrentFormatChange();
    void concurrentFailuresInOrder();
    void otherSizesReported();
    void nothingToCut_data();
    void nothingToCut();

private:
    QString picture(const QString &name) const { return inputs_.filePath(name); }
    QString writeSheet(const QString &name, int seed = 0);
    QStringList manySheets(int count);

    QTemporaryDir inputs_;
};

void tst_BatchEngine::initTestCase()
{
    QVERIFY(inputs_.isValid());
    QImage base = testsupport::patternImage(61, 43, QImage::Format_RGB32, 5);
    base.setDotsPerMeterX(testsupport::dotsPerMetre300);
    base.setDotsPerMeterY(testsupport::dotsPerMetre300);
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
    QCOMPARE(headers::png(testsupport::readBytes(picture("deep.png"))).bitDepth, 16);
    QCOMPARE(headers::png(testsupport::readBytes(picture("palette.png"))).colorType, 3);
    QCOMPARE(headers::bmp(testsupport::readBytes(picture("mono.bmp"))).bitCount, 1);
    QCOMPARE(QImageReader(picture("palette.gif")).read().size(), base.size());
}

QString tst_BatchEngine::writeSheet(const QString &name, int seed)
{
    const QString path = inputs_.filePath(name);
    testsupport::writePicture(testsupport::patternImage(40, 30, QImage::Format_RGB32, seed), path,
                              "png");
    return path;
}

QStringList tst_BatchEngine::manySheets(int count)
{
    QStringList pictures;
    for (int i = 0; i < count; ++i)
        pictures << writeSheet(QStringLiteral("many%1.png").arg(i), 100 + i);
    return pictures;
}

void tst_BatchEngine::everyInputThroughEveryOutput_data()
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

void tst_BatchEngine::everyInputThroughEveryOutput()
{
    QFETCH(QString, input);
    QFETCH(int, format);
    QFETCH(int, rotation);

    QTemporaryDir out;
    BatchEngine engine;
    engine.setFormat(OutputFormat(format));
    // The second frame runs past the right and bottom edges in either orientation.
    const RunSnapshot s =
        snapshotFor({picture(input)}, out.path(), {{{3, 5, 20, 17}, "A"}, {{30, 25, 50, 50}, "B"}},
                    Rotation(rotation));
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
        const QImage expected = rgb(turned.copy(rect));
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
        QCOMPARE(testsupport::dpi(piece).width(), testsupport::dpi(source).width());
    }
    QCOMPARE(entries(out.path()).size(), 2);
}

void tst_BatchEngine::numberingSkipsUnreadablePicture()
{
    QTemporaryDir out;
    const QString corrupt = inputs_.filePath("corrupt.jpg");
    QVERIFY(testsupport::writeBytes(corrupt, "\xFF\xD8 not really a picture"));
    const QStringList pictures{writeSheet("one.png", 1), inputs_.filePath("missing.png"),
                               writeSheet("three.png", 3), corrupt};
    BatchEngine engine;
    QSignalSpy progress(&engine, &BatchEngine::progress);
    for (const QString &bad : {pictures.at(1), corrupt})
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^cannot read ") +
                                                              QRegularExpression::escape(bad) +
                                                              QStringLiteral(" - .+")));
    const RunOutcome outcome = engine.runNow(snapshotFor(pictures, out.path(), fourFrames()));

    QCOMPARE(entries(out.path()),
             QStringList({"A00001.BMP", "A00009.BMP", "B00002.BMP", "B00010.BMP", "C00003.BMP",
                          "C00011.BMP", "D00004.BMP", "D00012.BMP"}));
    QCOMPARE(outcome.unreadable, QStringList({pictures.at(1), corrupt}));
    // Each with its reason, which the log shows too.
    QCOMPARE(outcome.whyUnreadable.size(), 2);
    QVERIFY(!outcome.whyUnreadable.value(corrupt).isEmpty());
    QCOMPARE(outcome.piecesSaved, 8);
    // The read-out does not move for a skipped picture.
    QCOMPARE(progress.size(), 8);
    QCOMPARE(progress.at(4).at(0).toLongLong(), 9);
    QCOMPARE(progress.at(4).at(1).toLongLong(), 16);
}

void tst_BatchEngine::frameOutsideGivesNoFile()
{
    QTemporaryDir out;
    BatchEngine engine;
    QSignalSpy progress(&engine, &BatchEngine::progress);
    // 40 x 30 picture: X = width, Y = height, and a frame cut down to nothing.
    const RunOutcome outcome = engine.runNow(snapshotFor({writeSheet("sheet.png")}, out.path(),
                                                         {{{40, 0, 10, 10}, "A"},
                                                          {{0, 30, 10, 10}, "B"},
                                                          {{5, 5, 0, 9}, "C"},
                                                          {{30, 20, 50, 50}, "D"}}));
    QCOMPARE(entries(out.path()), QStringList{"D00004.BMP"});
    QCOMPARE(QImage(out.filePath("D00004.BMP")).size(), QSize(10, 10));
    QVERIFY(outcome.unsaved.isEmpty());
    QCOMPARE(progress.size(), 4); // the read-out still moves for frames without a file
}

void tst_BatchEngine::progressSequence()
{
    QTemporaryDir out;
    BatchEngine engine;
    QSignalSpy progress(&engine, &BatchEngine::progress);
    QSignalSpy finished(&engine, &BatchEngine::finished);
    engine.runNow(snapshotFor({writeSheet("sheet.png")}, out.path(), fourFrames()));
    QCOMPARE(progress.size(), 4);
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(progress.at(k).at(0).toLongLong(), k + 1);
        QCOMPARE(progress.at(k).at(1).toLongLong(), 4);
    }
    QCOMPARE(finished.size(), 1);
    QVERIFY(!finished.at(0).at(0).value<RunOutcome>().stopped);
}

void tst_BatchEngine::stopKeepsEarlierPieces()
{
    QTemporaryDir out;
    BatchEngine engine;
    // Stop while the run is between frames 2 and 3.
    whenDone(engine, 2, [&engine] { engine.requestStop(); });
    const std::optional<RunOutcome> outcome =
        runOnWorker(engine, snapshotFor({writeSheet("sheet.png")}, out.path(), fourFrames()));
    QVERIFY(outcome);
    QVERIFY(outcome->stopped);
    QCOMPARE(outcome->piecesSaved, 2);
    QCOMPARE(entries(out.path()), QStringList({"A00001.BMP", "B00002.BMP"}));
}

void tst_BatchEngine::formatChangeApplies()
{
    QTemporaryDir out;
    BatchEngine engine;
    whenDone(engine, 2, [&engine] { engine.setFormat(OutputFormat::Jpg); });
    QVERIFY(runOnWorker(engine, snapshotFor({writeSheet("sheet.png")}, out.path(), fourFrames())));
    QCOMPARE(entries(out.path()),
             QStringList({"A00001.BMP", "B00002.BMP", "C00003.JPG", "D00004.JPG"}));
    QCOMPARE(QImageReader(out.filePath("C00003.JPG")).format(), QByteArray("jpeg"));
}

void tst_BatchEngine::existingFileReplaced()
{
    QTemporaryDir out;
    QVERIFY(testsupport::writeBytes(out.filePath("A00001.PNG"), "an older file of the same name"));
    BatchEngine engine;
    engine.setFormat(OutputFormat::Png);
    const QString sheet = writeSheet("sheet.png", 7);
    const RunOutcome outcome = engine.runNow(snapshotFor({sheet}, out.path(), fourFrames()));
    QVERIFY(outcome.unsaved.isEmpty());
    QCOMPARE(rgb(QImage(out.filePath("A00001.PNG"))), rgb(QImage(sheet).copy(0, 0, 20, 15)));
    QCOMPARE(entries(out.path()).size(), 4); // nothing kept beside it
}

void tst_BatchEngine::ownPictureNeverReplaced_data()
{
    // The output folder as the run is given it, within the test's folder: each time "pics",
    // which holds the first sheet's B piece ("linked" is a link to it); and the list's
    // second picture, which is that file or a hard link to it.
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("second");
    QTest::newRow("same path") << "pics"
                               << "pics/B00002.PNG";
    QTest::newRow("path with dots") << "pics/../pics"
                                    << "pics/B00002.PNG";
    QTest::newRow("linked folder") << "linked"
                                   << "pics/B00002.PNG";
    // Same file, other name, as on a case-insensitive file system.
    QTest::newRow("hard link under the piece's name") << "pics"
                                                      << "elsewhere.png";
}

void tst_BatchEngine::ownPictureNeverReplaced()
{
    QFETCH(QString, folder);
    QFETCH(QString, second);
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath("pics")));
    if (!testsupport::folderLink(dir.filePath("pics"), dir.filePath("linked")) &&
        folder == QLatin1String("linked"))
        QSKIP("this system makes no folder links here (Wine, or Windows without the right)");
    const QString first = dir.filePath("pics/sheet.png");
    const QString atPieceName = dir.filePath("pics/B00002.PNG"); // the first sheet's B piece
    QVERIFY(QFile::copy(writeSheet("own1.png", 1), first));
    QVERIFY(QFile::copy(writeSheet("own2.png", 2), atPieceName));
    if (dir.filePath(second) != atPieceName)
        QVERIFY(testsupport::hardLink(atPieceName, dir.filePath(second)));
    const QByteArray original = testsupport::readBytes(atPieceName);

    BatchEngine engine;
    engine.setFormat(OutputFormat::Png);
    const RunOutcome outcome =
        engine.runNow(snapshotFor({first, dir.filePath(second)}, dir.filePath(folder),
                                  {{{0, 0, 20, 15}, "A"}, {{0, 0, 40, 30}, "B"}}));
    QVERIFY(outcome.unreadable.isEmpty());
    QCOMPARE(outcome.unsaved.size(), 1);
    QCOMPARE(QFileInfo(outcome.unsaved.first()).fileName(), QStringLiteral("B00002.PNG"));
    QCOMPARE(outcome.whyUnsaved.value(outcome.unsaved.first()),
             QStringLiteral("会覆盖本次分割的图片"));
    QCOMPARE(outcome.piecesSaved, 3); // the run goes on
    QCOMPARE(testsupport::readBytes(atPieceName), original);
    // The second picture was read whole: its B piece is the picture itself.
    QCOMPARE(rgb(QImage(dir.filePath("pics/B00004.PNG"))), rgb(QImage(atPieceName)));
}

void tst_BatchEngine::unsavablePiecesReported_data()
{
    QTest::addColumn<Blocker>("blocker");
    QTest::newRow("target name held by a folder") << Blocker::FolderAtPieceName;
    QTest::newRow("read-only folder") << Blocker::ReadOnlyFolder;
    QTest::newRow("folder removed before the run") << Blocker::RemovedFolder;
}

void tst_BatchEngine::unsavablePiecesReported()
{
    QFETCH(Blocker, blocker);
    QTemporaryDir out;
    const QString folder = out.filePath("pieces");
    QVERIFY(QDir().mkpath(folder));
    switch (blocker) {
    case Blocker::FolderAtPieceName:
        QVERIFY(QDir().mkpath(folder + "/B00002.BMP"));
        break;
    case Blocker::ReadOnlyFolder: {
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        QFile probe(folder + "/probe");
        if (probe.open(QIODevice::WriteOnly)) {
            probe.close();
            probe.remove();
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QSKIP("permission bits do not stop root, nor anyone on Windows; the other rows "
                  "cover it");
        }
        break;
    }
    case Blocker::RemovedFolder:
        QVERIFY(QDir(folder).removeRecursively());
        break;
    }

    BatchEngine engine;
    const RunOutcome outcome =
        engine.runNow(snapshotFor({writeSheet("sheet.png")}, folder, fourFrames()));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QVERIFY(!outcome.stopped);
    for (const QString &piece : outcome.unsaved)
        QVERIFY2(!outcome.whyUnsaved.value(piece).isEmpty(), qPrintable(piece));
    if (blocker == Blocker::FolderAtPieceName) {
        QCOMPARE(outcome.unsaved, QStringList{outputFolder(folder) + "B00002.BMP"});
        // The run went on; no partial or temporary file is left beside the pieces.
        QCOMPARE(entries(folder),
                 QStringList({"A00001.BMP", "B00002.BMP", "C00003.BMP", "D00004.BMP"}));
        QVERIFY(QFileInfo(folder + "/B00002.BMP").isDir());
    } else {
        QCOMPARE(outcome.unsaved.size(), 4);
        QCOMPARE(outcome.piecesSaved, 0);
        if (blocker == Blocker::ReadOnlyFolder)
            QCOMPARE(entries(folder), QStringList());
        else
            QVERIFY(!QFileInfo::exists(folder));
    }
}

void tst_BatchEngine::workerRunEnds()
{
    QTemporaryDir out;
    const QStringList pictures{writeSheet("one.png", 1), writeSheet("two.png", 2)};
    BatchEngine engine;
    QVERIFY(runOnWorker(engine, snapshotFor(pictures, out.path(), fourFrames())));
    QCOMPARE(entries(out.path()).size(), 8);
}

void tst_BatchEngine::secondStartRefused()
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
    const RunSnapshot s = snapshotFor({writeSheet("sheet.png")}, out.path(), fourFrames());
    QVERIFY(engine.start(s));
    QVERIFY(engine.isRunning());
    QVERIFY(!engine.start(s));
    release = true;
    // The end is announced on the worker; waiting on its future cannot miss it, where
    // QSignalSpy::wait() would if the run ended before the wait began.
    engine.wait();
    QCOMPARE(finished.size(), 1);
    QVERIFY(!engine.isRunning());
    QVERIFY(engine.start(s)); // and again once it ended
    engine.wait();
}

// The pool changes the order of the work, never its result: the same files, byte for
// byte, the same outcome, and a read-out that only moves forward to the same end.
void tst_BatchEngine::anyThreadCountSameFiles_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("rotation");
    QTest::addColumn<int>("threads");
    const char *formats[] = {"BMP", "TIF", "PNG", "JPG"};
    for (int f = 0; f < 4; ++f)
        for (int threads : {2, 3, 0})
            QTest::addRow("%s, %d threads, turned %d", formats[f], threads, (f + threads) % 4)
                << f << (f + threads) % 4 << threads;
}

void tst_BatchEngine::anyThreadCountSameFiles()
{
    QFETCH(int, format);
    QFETCH(int, rotation);
    QFETCH(int, threads);
    QStringList pictures = manySheets(5);
    pictures.insert(2, inputs_.filePath("missing.png"));
    pictures << picture("photo.jpg") << picture("alpha.png");
    // A frame past the edge, one outside every picture, one cut to nothing.
    const std::vector<SplitFrame> frames{{{0, 0, 20, 15}, "A"},
                                         {{7, 3, 50, 50}, "B"},
                                         {{500, 0, 10, 10}, "C"},
                                         {{5, 5, 0, 9}, "D"},
                                         {{1, 11, 13, 17}, "E"}};

    auto runWith = [&](int count, QTemporaryDir &out, QList<qint64> &done) {
        BatchEngine engine;
        engine.setFormat(OutputFormat(format));
        engine.setThreadCount(count);
        connect(
            &engine, &BatchEngine::progress, &engine, [&done](qint64 d, qint64) { done << d; },
            Qt::DirectConnection);
        return engine.runNow(snapshotFor(pictures, out.path(), frames, Rotation(rotation)));
    };
    QTemporaryDir oneOut, manyOut;
    QList<qint64> oneDone, manyDone;
    const RunOutcome one = runWith(1, oneOut, oneDone);
    const RunOutcome many = runWith(threads, manyOut, manyDone);

    QCOMPARE(many.piecesSaved, one.piecesSaved);
    QCOMPARE(many.piecesSaved, 7 * 2 + 7); // A, B everywhere; E where it fits
    QCOMPARE(many.unreadable, QStringList{pictures.at(2)});
    QVERIFY(many.unsaved.isEmpty());
    const QStringList names = entries(oneOut.path());
    QCOMPARE(entries(manyOut.path()), names);
    for (const QString &name : names) {
        const QByteArray a = testsupport::readBytes(oneOut.filePath(name));
        QVERIFY2(!a.isEmpty() && a == testsupport::readBytes(manyOut.filePath(name)),
                 qPrintable(name));
    }
    QCOMPARE(manyDone, oneDone);
    QVERIFY(std::is_sorted(manyDone.cbegin(), manyDone.cend()));
    QCOMPARE(manyDone.last(), qint64(pictures.size()) * 5);
}

// A stop while pieces run on one or several threads, among good, missing and corrupt
// pictures, after any piece or at a moment the test does not choose: the run ends
// stopped, pieces already begun are finished and whole, none begins after the stop (the
// stop switches the format, so such a piece would be a PNG), a picture not reached is
// never reported unreadable, nothing temporary is left, and the read-out only moves
// forward, to the pieces really written.
void tst_BatchEngine::concurrentStop_data()
{
    QTest::addColumn<int>("threads");
    QTest::addColumn<int>("stopAfter"); // good pieces reported before the stop; 0: on a timer
    QTest::addColumn<int>("delayUs");
    for (const int threads : {1, 2, 4}) {
        for (int k = 1; k < 16; ++k)
            QTest::addRow("%d threads, after piece %d", threads, k) << threads << k << 0;
        for (const int delay : {0, 200, 1000, 3000})
            QTest::addRow("%d threads, after %d us", threads, delay) << threads << 0 << delay;
    }
}

void tst_BatchEngine::concurrentStop()
{
    QFETCH(int, threads);
    QFETCH(int, stopAfter);
    QFETCH(int, delayUs);
    const QStringList sheets = manySheets(4);
    const QString missing = inputs_.filePath("missing.png");
    const QString corrupt = inputs_.filePath("corrupt.png");
    QVERIFY(testsupport::writeBytes(corrupt, "\x89PNG\r\n\x1a\n this is no picture"));
    const QStringList pictures = {sheets[0], missing, sheets[1], corrupt, sheets[2], sheets[3]};
    // The running numbers of the good pictures' pieces, in order.
    QList<qint64> goodNumbers;
    for (const int position : {1, 3, 5, 6})
        for (int frame = 1; frame <= 4; ++frame)
            goodNumbers << (position - 1) * 4 + frame;

    QTemporaryDir out;
    BatchEngine engine;
    engine.setThreadCount(threads);
    engine.setFormat(OutputFormat::Bmp);
    auto stop = [&engine] {
        engine.requestStop();
        engine.setFormat(OutputFormat::Png);
    };
    QList<qint64> done;
    connect(
        &engine, &BatchEngine::progress, &engine,
        [&, stopAfter](qint64 d, qint64) {
            done << d;
            if (done.size() == stopAfter)
                stop();
        },
        Qt::DirectConnection);
    QSignalSpy finished(&engine, &BatchEngine::finished);
    QVERIFY(engine.start(snapshotFor(pictures, out.path(), fourFrames())));
    if (stopAfter == 0) {
        QThread::usleep(delayUs);
        stop();
    }
    // The end is announced on the worker; waiting on its future cannot miss it, where
    // QSignalSpy::wait() would if the run ended before the wait began.
    engine.wait();
    QCOMPARE(finished.size(), 1);
    const RunOutcome outcome = finished.at(0).at(0).value<RunOutcome>();
    QVERIFY(!engine.isRunning());
    // A stop after the last piece began ends nothing.
    QVERIFY(outcome.stopped || outcome.piecesSaved == goodNumbers.size());
    QVERIFY(outcome.unsaved.isEmpty());
    for (const QString &unreadable : outcome.unreadable)
        QVERIFY2(unreadable == missing || unreadable == corrupt, qPrintable(unreadable));
    if (stopAfter > 0) {
        // At most the pieces that could have been running when the stop came.
        QVERIFY(outcome.piecesSaved >= stopAfter);
        QVERIFY(outcome.piecesSaved <= stopAfter + threads);
    }

    const QStringList names = entries(out.path());
    QCOMPARE(qint64(names.size()), outcome.piecesSaved);
    const QRegularExpression pieceName(QStringLiteral("^[A-D](\\d{5})\\.BMP$"));
    QList<qint64> saved;
    for (const QString &name : names) {
        const QRegularExpressionMatch m = pieceName.match(name);
        QVERIFY2(m.hasMatch(), qPrintable(name)); // neither temporary nor begun after the stop
        const qint64 number = m.captured(1).toLongLong();
        QVERIFY(goodNumbers.contains(number));
        const qint64 frame = (number - 1) % 4;
        const QRect rect(int(frame % 2) * 20, int(frame / 2) * 15, 20, 15);
        // Every piece is whole.
        QCOMPARE(rgb(QImage(out.filePath(name))),
                 rgb(QImage(pictures.at((number - 1) / 4)).copy(rect)));
        saved << number;
    }
    // The read-out named every piece written, in order, and what the stop left is the
    // first pieces with no gap, however the workers picked up the queued ones.
    std::sort(saved.begin(), saved.end());
    QCOMPARE(done, saved);
    QCOMPARE(saved, goodNumbers.mid(0, saved.size()));
}

// The format is read as each piece starts: pieces begun before the change keep the old
// one, pieces begun after it take the new one, each piece written once and whole.
void tst_BatchEngine::concurrentFormatChange()
{
    const QStringList pictures = manySheets(5);
    QTemporaryDir out;
    BatchEngine engine;
    engine.setThreadCount(3);
    whenDone(engine, 4, [&engine] { engine.setFormat(OutputFormat::Jpg); });
    const std::optional<RunOutcome> outcome =
        runOnWorker(engine, snapshotFor(pictures, out.path(), fourFrames()));
    QVERIFY(outcome);
    QCOMPARE(outcome->piecesSaved, 20);

    const QStringList names = entries(out.path());
    QCOMPARE(names.size(), 20);
    for (qint64 number = 1; number <= 20; ++number) {
        const QString stem = QString(QChar(u'A' + int((number - 1) % 4))) +
                             QStringLiteral("%1").arg(number, 5, 10, QLatin1Char('0'));
        const bool bmp = names.contains(stem + ".BMP");
        const bool jpg = names.contains(stem + ".JPG");
        QVERIFY2(bmp != jpg, qPrintable(stem));
        // Pieces 1 to 4 were finished before the change; at most three pieces (one per
        // thread) can have begun after them, so from piece 8 on every piece is JPEG.
        if (number <= 4)
            QVERIFY(bmp);
        if (number >= 8)
            QVERIFY2(jpg, qPrintable(stem));
        const QString path = out.filePath(stem + (bmp ? ".BMP" : ".JPG"));
        QCOMPARE(QImageReader(path).format(), QByteArray(bmp ? "bmp" : "jpeg"));
    }
}

// Failures on several threads are reported in running-number order and the run goes on.
void tst_BatchEngine::concurrentFailuresInOrder()
{
    const QStringList pictures = manySheets(4);
    QTemporaryDir out;
    const QString folder = out.filePath("pieces");
    for (const char *held : {"D00012.BMP", "B00002.BMP", "C00007.BMP"})
        QVERIFY(QDir().mkpath(folder + "/" + held));
    BatchEngine engine;
    engine.setThreadCount(3);
    const RunOutcome outcome = engine.runNow(snapshotFor(pictures, folder, fourFrames()));
    // Named in the run's own folder, with the separator the run appends.
    const QString named = outputFolder(folder);
    QCOMPARE(outcome.unsaved,
             QStringList({named + "B00002.BMP", named + "C00007.BMP", named + "D00012.BMP"}));
    QCOMPARE(outcome.piecesSaved, 13);
    QCOMPARE(entries(folder).size(), 16);
}

// Every frame is cut at the same pixels, so pictures of another size than the sample are
// named with their sizes; the run itself is unchanged.
void tst_BatchEngine::otherSizesReported()
{
    QStringList pictures;
    for (const QSize size : {QSize(40, 30), QSize(30, 40), QSize(60, 20), QSize(40, 30)}) {
        const QString path =
            inputs_.filePath(QStringLiteral("size%1x%2.png").arg(size.width()).arg(size.height()));
        QVERIFY(testsupport::writePicture(testsupport::patternImage(size.width(), size.height()),
                                          path, "png"));
        pictures << path;
    }
    QTemporaryDir out;
    BatchEngine engine;
    RunSnapshot s = snapshotFor(pictures, out.path(), fourFrames());
    s.sampleSize = QSize(40, 30);
    const RunOutcome outcome = engine.runNow(s);
    QCOMPARE(outcome.sampleSize, QSize(40, 30));
    QCOMPARE(outcome.otherSize.size(), 2);
    QCOMPARE(outcome.otherSize[0].path, pictures[1]);
    QCOMPARE(outcome.otherSize[0].size, QSize(30, 40));
    QCOMPARE(outcome.otherSize[1].path, pictures[2]);
    QCOMPARE(outcome.otherSize[1].size, QSize(60, 20));
    QCOMPARE(outcome.piecesSaved, 16); // pieces cut off at the smaller edges, none left out

    // No sample drawn: nothing to compare with.
    s.sampleSize = QSize();
    QVERIFY(engine.runNow(s).otherSize.isEmpty());
}

void tst_BatchEngine::nothingToCut_data()
{
    QTest::addColumn<int>("pictures");
    QTest::addColumn<bool>("frames");
    QTest::newRow("no picture") << 0 << true;
    QTest::newRow("no frame") << 2 << false;
}

void tst_BatchEngine::nothingToCut()
{
    QFETCH(int, pictures);
    QFETCH(bool, frames);
    QTemporaryDir out;
    BatchEngine engine;
    engine.setThreadCount(2);
    QSignalSpy progress(&engine, &BatchEngine::progress);
    const RunOutcome outcome = engine.runNow(snapshotFor(
        manySheets(pictures), out.path(), frames ? fourFrames() : std::vector<SplitFrame>{}));
    QVERIFY(!outcome.stopped);
    QCOMPARE(outcome.piecesSaved, 0);
    QCOMPARE(progress.size(), 0);
    QCOMPARE(entries(out.path()), QStringList());
}

QTEST_GUILESS_MAIN(tst_BatchEngine)
#include "tst_batchengine.moc"
