// Faults on disk during a real batch: a full disk, the folder removed, a read-only
// folder, a target name held by a folder or held open by another program, Exit in the
// middle. Each failed piece is
// reported, every other piece is whole and right, and no partial or temporary file stays.

#include "DiskLimits.h"
#include "EngineGate.h"
#include "RobustSupport.h"
#include "TestSupport.h"
#include "imaging/FileSystem.h"
#include "job/SplitJob.h"
#include "output/OutputWindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>

using namespace robust;
using namespace testsupport;

namespace {

// Pixels no codec can compress, so that a piece's file size follows its area.
QImage noise(QSize size, quint32 seed)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            image.setPixel(x, y, 0xFF000000u | (seed >> 8));
        }
    return image;
}

using Gate = testsupport::EngineGate;

} // namespace

class tst_DiskFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void diskFull_data();
    void diskFull();
    void folderRemovedDuringRun();
    void readOnlyFolder();
    void targetHeldByFolder();
    void targetHeldOpen_data();
    void targetHeldOpen();
    void exitDuringRun();
    void inputPictureNotOverwritten();
    void flushFolder_data();
    void flushFolder();

private:
    // What is wrong with the first saved BMP piece of the three sheets; empty when none is.
    QString wrongSavedPiece(const RunSnapshot &s, const RunOutcome &outcome) const;

    QTemporaryDir dir_;
    QStringList sheets_;
    QImage sheetImages_[3];
};

QString tst_DiskFaults::wrongSavedPiece(const RunSnapshot &s, const RunOutcome &outcome) const
{
    for (const ExpectedPiece &p : expectedPieces(s, {{120, 100}, {120, 100}, {120, 100}}, ".BMP")) {
        if (outcome.unsaved.contains(p.path))
            continue;
        const QString wrong = comparePiece(p.path, sheetImages_[p.picture], p.rect);
        if (!wrong.isEmpty())
            return wrong;
    }
    return QString();
}

void tst_DiskFaults::initTestCase()
{
    QVERIFY(dir_.isValid());
    for (int i = 0; i < 3; ++i) {
        sheetImages_[i] = noise(QSize(120, 100), quint32(20 + i));
        sheets_ << dir_.filePath(QStringLiteral("sheet%1.png").arg(i + 1));
        QVERIFY(testsupport::writePicture(sheetImages_[i], sheets_.last(), "png"));
    }
}

void tst_DiskFaults::diskFull_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<bool>("overEarlierRun"); // the folder holds a whole earlier run
    // A 120 x 100 piece takes 36 kB in every format (the pattern does not compress),
    // a 40 x 30 one under 4 kB.
    for (const auto &[name, format] : {std::pair{"BMP", OutputFormat::Bmp},
                                       {"TIF", OutputFormat::Tif},
                                       {"PNG", OutputFormat::Png},
                                       {"JPG", OutputFormat::Jpg}}) {
        QTest::addRow("%s, large pieces do not fit", name) << int(format) << qint64(20000) << false;
        QTest::addRow("%s, nothing fits", name) << int(format) << qint64(0) << false;
        QTest::addRow("%s, nothing fits, over an earlier run", name)
            << int(format) << qint64(0) << true;
    }
}

void tst_DiskFaults::diskFull()
{
    QFETCH(int, format);
    QFETCH(qint64, limit);
    QFETCH(bool, overEarlierRun);
#ifndef Q_OS_LINUX
    QSKIP("a file-size limit standing for a full disk can be set only on Linux");
#endif
    const QString out = dir_.filePath(QStringLiteral("full %1").arg(QTest::currentDataTag()));
    QVERIFY(QDir().mkpath(out));
    if (overEarlierRun) {
        BatchEngine earlier;
        earlier.setFormat(OutputFormat(format));
        QCOMPARE(earlier.runNow(snapshotFor(sheets_, out, mixedFrames())).unsaved.size(), 0);
    }

    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                QStringList{"--file-size-limited-run", QString::number(limit),
                            QString::number(format), out} +
                    sheets_);
    QVERIFY(child.waitForFinished(300000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);

    qint64 saved = -1;
    QStringList unsaved;
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        if (line.startsWith("saved "))
            saved = line.mid(6).toLongLong();
        else if (line.startsWith("unsaved "))
            unsaved << QString::fromLocal8Bit(line.mid(8));
        else if (line.startsWith("why ")) // the cause, for the log
            QCOMPARE(QString::fromLocal8Bit(line.mid(4)), QString::fromLocal8Bit(strerror(EFBIG)));
        else
            QVERIFY2(line.isEmpty(), line.constData());
    }

    qInfo("%lld pieces saved, %lld reported unsaved", saved, qint64(unsaved.size()));
    const OutputFormat f = OutputFormat(format);
    const RunSnapshot s = snapshotFor(sheets_, out, mixedFrames());
    const std::vector<ExpectedPiece> pieces =
        expectedPieces(s, {QSize(120, 100), QSize(120, 100), QSize(120, 100)}, extensionOf(f));
    QCOMPARE(saved + unsaved.size(), qint64(pieces.size()));
    if (limit == 0)
        QCOMPARE(unsaved.size(), qsizetype(pieces.size()));
    else
        QVERIFY(unsaved.size() >= 3); // at least every whole-sheet piece
    // Every piece is either whole and right, or missing and reported; nothing else stays.
    QVERIFY(onlyPieces(out));
    qint64 present = 0;
    for (const ExpectedPiece &p : pieces) {
        if (unsaved.contains(p.path)) {
            QVERIFY2(!QFile::exists(p.path), qPrintable(p.path));
            continue;
        }
        ++present;
        // JPEG loses much on noise: there only the size is checked.
        const QString wrong =
            comparePiece(p.path, sheetImages_[p.picture], p.rect, f == OutputFormat::Jpg ? 255 : 0);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }
    QCOMPARE(present, saved);
    QCOMPARE(qint64(entries(out).size()), saved);
}

void tst_DiskFaults::folderRemovedDuringRun()
{
    const QString out = dir_.filePath(QStringLiteral("removed"));
    QVERIFY(QDir().mkpath(out));
    BatchEngine engine;
    // One piece at a time, so that however many cores the machine has, only the first
    // sheet's pieces can be under way when the folder goes.
    engine.setThreadCount(1);
    std::atomic<bool> removed{false};
    connect(
        &engine, &BatchEngine::progress, &engine,
        [&](qint64, qint64) {
            if (!removed.exchange(true))
                QDir(out).removeRecursively();
        },
        Qt::DirectConnection);
    const RunSnapshot s = snapshotFor(sheets_, out, mixedFrames());
    const RunOutcome outcome = engine.runNow(s);
    QVERIFY(removed);
    qInfo("%lld pieces saved, %lld reported unsaved", outcome.piecesSaved,
          qint64(outcome.unsaved.size()));
    QVERIFY(!outcome.stopped);
    QCOMPARE(outcome.piecesSaved + outcome.unsaved.size(), 9);
    QVERIFY(outcome.unsaved.size() >= 6); // the pieces of the last two sheets at least
    // Whatever is there (a piece saved while the folder was being removed) is whole.
    QVERIFY(onlyPieces(out));
    for (const QString &name : entries(out))
        QVERIFY(!outcome.unsaved.contains(s.folder + name));
}

void tst_DiskFaults::readOnlyFolder()
{
    const QString out = dir_.filePath(QStringLiteral("read-only"));
    QVERIFY(QDir().mkpath(out));
    RunOutcome outcome;
    {
        const ReadOnlyFolder readOnly(out);
        if (!readOnly.ok())
            QSKIP("a folder is made read-only only on Linux, for root where the file system "
                  "allows");
        BatchEngine engine;
        outcome = engine.runNow(snapshotFor(sheets_, out, mixedFrames()));
    }
    QCOMPARE(outcome.piecesSaved, 0);
    QCOMPARE(outcome.unsaved.size(), 9);
    QVERIFY(entries(out).isEmpty());
}

void tst_DiskFaults::targetHeldByFolder()
{
    const QString out = dir_.filePath(QStringLiteral("held"));
    QVERIFY(QDir().mkpath(out + "/B00002.BMP"));
    QVERIFY(QDir().mkpath(out + "/C00006.BMP"));
    QVERIFY(writeBytes(out + "/C00006.BMP/keep.txt", "kept"));
    BatchEngine engine;
    const RunSnapshot s = snapshotFor(sheets_, out, mixedFrames());
    const RunOutcome outcome = engine.runNow(s);
    QCOMPARE(outcome.unsaved, QStringList({s.folder + "B00002.BMP", s.folder + "C00006.BMP"}));
    QCOMPARE(outcome.piecesSaved, 7);
    // The folders are untouched, every other piece is right, and nothing else appeared.
    QVERIFY(QFileInfo(out + "/B00002.BMP").isDir());
    QCOMPARE(readBytes(out + "/C00006.BMP/keep.txt"), QByteArray("kept"));
    QCOMPARE(entries(out).size(), 9);
    const QString wrong = wrongSavedPiece(s, outcome);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
}

void tst_DiskFaults::targetHeldOpen_data()
{
    QTest::addColumn<int>("heldMs"); // -1: for the whole run
    QTest::newRow("held for the whole run") << -1;
    QTest::newRow("let go 300 ms into the run") << 300;
}

void tst_DiskFaults::targetHeldOpen()
{
    QFETCH(int, heldMs);
    // A viewer shows the first piece of an earlier run while the batch is run again.
    const QString out = dir_.filePath(QStringLiteral("open %1").arg(QTest::currentDataTag()));
    QVERIFY(QDir().mkpath(out));
    const QString held = out + "/A00001.BMP";
    const QByteArray earlier("an earlier run's piece");
    QVERIFY(writeBytes(held, earlier));
    QFile viewer(held);
    QVERIFY(viewer.open(QIODevice::ReadOnly));
    if (heldMs >= 0)
        QTimer::singleShot(heldMs, &viewer, [&viewer] { viewer.close(); });
    BatchEngine engine;
    QSignalSpy finished(&engine, &BatchEngine::finished);
    const RunSnapshot s = snapshotFor(sheets_, out, mixedFrames());
    QVERIFY(engine.start(s));
    QVERIFY(finished.wait(60000));
    viewer.close();
    const RunOutcome outcome = engine.lastOutcome();

    // QFile on Windows lets others read and write but not delete, so nothing takes the
    // file's place while it is open; Linux renames over an open file.
#ifdef Q_OS_WIN
    const bool refused = heldMs < 0;
#else
    const bool refused = false;
#endif
    if (refused) {
        QCOMPARE(outcome.unsaved, QStringList{s.folder + "A00001.BMP"});
        QCOMPARE(outcome.whyUnsaved.value(outcome.unsaved.first()),
                 QStringLiteral("同名文件正被其他程序使用，无法替换"));
        QCOMPARE(outcome.oldFilesKept, outcome.unsaved);
        QCOMPARE(readBytes(held), earlier);
    } else {
        QCOMPARE(outcome.unsaved, QStringList());
    }
    QCOMPARE(outcome.piecesSaved, refused ? 8 : 9);
    QVERIFY(onlyPieces(out));
    QCOMPARE(entries(out).size(), 9);
    const QString wrong = wrongSavedPiece(s, outcome);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
}

void tst_DiskFaults::exitDuringRun()
{
    // What the wizard does on Exit or the close box while step 3 runs.
    testsupport::ScriptedBoxes boxes;
    SplitJob job;
    for (int i = 0; i < 40; ++i)
        job.pictures << sheets_.at(i % 3);
    job.frames = mixedFrames();
    OutputWindow step3(job);
    const QString out = dir_.filePath(QStringLiteral("exit"));
    QVERIFY(QDir().mkpath(out));
    auto *folder = testsupport::control<QLineEdit>(step3, "folderEdit");
    QVERIFY(folder);
    folder->setText(out);

    Gate gate(step3.engine(), 10);
    step3.startRun();
    QVERIFY(step3.isRunning());
    QTRY_VERIFY_WITH_TIMEOUT(gate.reached(), 60000);
    // Exit: the stop is asked for while a piece is being reported, then the run ends.
    step3.engine().requestStop();
    gate.release();
    step3.stopRunAndWait();

    QVERIFY(!step3.isRunning());
    QVERIFY(!step3.engine().isRunning());
    const RunOutcome outcome = step3.engine().lastOutcome();
    QVERIFY(outcome.stopped);
    QVERIFY(outcome.unsaved.isEmpty());
    QVERIFY(outcome.piecesSaved < 120);
    QVERIFY(onlyPieces(out));
    QCOMPARE(qint64(entries(out).size()), outcome.piecesSaved);
    std::vector<QSize> sizes(40, QSize(120, 100));
    const RunSnapshot s = snapshotFor(QStringList(), out, mixedFrames());
    for (const ExpectedPiece &p : expectedPieces(s, sizes, ".BMP")) {
        if (!QFile::exists(p.path))
            continue;
        const QString wrong = comparePiece(p.path, sheetImages_[p.picture % 3], p.rect);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }
    QVERIFY(boxes.shown().empty());
}

void tst_DiskFaults::inputPictureNotOverwritten()
{
    // Pieces of an earlier run split again into their own folder: the first sheet's
    // piece B00002.BMP would replace the list's second picture before it is read.
    const QString folder = dir_.filePath(QStringLiteral("again"));
    QVERIFY(QDir().mkpath(folder));
    const QString first = folder + "/sheet.png";
    const QString second = folder + "/B00002.BMP";
    QVERIFY(QFile::copy(sheets_.at(0), first));
    QVERIFY(testsupport::writePicture(sheetImages_[1], second, "bmp"));
    const QByteArray original = readBytes(second);

    BatchEngine engine;
    const RunSnapshot s =
        snapshotFor({first, second}, folder, {{{0, 0, 40, 30}, "A"}, {{0, 0, 120, 100}, "B"}});
    const RunOutcome outcome = engine.runNow(s);
    QVERIFY(outcome.unreadable.isEmpty());
    QCOMPARE(readBytes(second), original);
    QCOMPARE(outcome.unsaved, QStringList{s.folder + "B00002.BMP"});
    // The run goes on: the first sheet's A, the second sheet's A and B.
    QCOMPARE(outcome.piecesSaved, 3);
    QCOMPARE(entries(folder),
             QStringList({"A00001.BMP", "A00003.BMP", "B00002.BMP", "B00004.BMP", "sheet.png"}));
}

void tst_DiskFaults::flushFolder_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("flushed");
    QTest::newRow("folder") << dir_.path() << true;
    QTest::newRow("missing folder") << dir_.filePath("no-such-folder") << false;
    QTest::newRow("a file") << sheets_.at(0) << false;
}

void tst_DiskFaults::flushFolder()
{
    QFETCH(QString, path);
    QFETCH(bool, flushed);
    QCOMPARE(imaging::flushFolder(path), flushed);
}

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--file-size-limited-run") == 0)
        return fileSizeLimitedRun(argc, argv);
    QApplication app(argc, argv);
    tst_DiskFaults test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_diskfaults.moc"
