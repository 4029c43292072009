// The built qinghe-split run as processes: shards of one batch on many workers, and the
// signals that stop a run, then the rest of it.

#include "CommandFolders.h"
#include "SystemFixtures.h"
#include "TestSupport.h"
#include "cli/SplitCommand.h"
#include "job/LayoutFile.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using commandtest::folderContents;
using commandtest::makeFolder;

class tst_SplitRuns : public QObject
{
    Q_OBJECT

private slots:
    void shardsMatchOneRun();
    void signalStopsBetweenPieces_data();
    void signalStopsBetweenPieces();
};

void tst_SplitRuns::shardsMatchOneRun()
{
#ifndef Q_OS_LINUX
    QSKIP("GNU parallel runs the shards only on Linux");
#endif
    const QString parallel = QStandardPaths::findExecutable("parallel");
    if (parallel.isEmpty())
        QSKIP("GNU parallel is not installed (bash scripts/setup installs it)");
    QTemporaryDir work;
    const QString book = work.filePath("book");
    QVERIFY(makeFolder(book) && makeFolder(work.filePath("whole")) &&
            makeFolder(work.filePath("shards")));
    for (int i = 1; i <= 10; ++i)
        QVERIFY(
            testsupport::writePicture(testsupport::patternImage(300, 200, QImage::Format_RGB32, i),
                                      book + QStringLiteral("/第%1页.png").arg(i)));
    SavedLayout layout{
        {{{0, 0, 150, 200}, "A"}, {{150, 0, 150, 200}, "B"}}, Rotation::HalfTurn, {300, 200}};
    QVERIFY(saveLayoutFile(work.filePath("layout.json"), layout, nullptr));
    const QStringList common{"--layout", work.filePath("layout.json"), "--format", "png"};

    QProcess command;
    command.start(QINGHE_SPLIT_PATH, common + QStringList{"--out", work.filePath("whole"), book});
    QVERIFY(command.waitForFinished(60000));
    QCOMPARE(command.exitCode(), splitexit::allSaved);
    // The page order as the command reads it, from its plan.
    command.start(QINGHE_SPLIT_PATH,
                  common + QStringList{"--dry-run", "--out", work.filePath("shards"), book});
    QVERIFY(command.waitForFinished(60000));
    QCOMPARE(command.exitCode(), splitexit::allSaved);
    QStringList pages;
    for (const QString &line : QString::fromLocal8Bit(command.readAllStandardOutput()).split('\n'))
        if (const QString page = line.section('\t', 1, 1); !page.isEmpty() && !pages.contains(page))
            pages << page;
    QCOMPARE(pages.size(), 10);
    QFile list(work.filePath("pages.txt"));
    QVERIFY(list.open(QIODevice::WriteOnly) && list.write(pages.join('\n').toLocal8Bit()) > 0);
    list.close();

    // Four shards of three pictures (the last of one), four at a time, into one folder.
    command.start(parallel, QStringList{"-j4", "-N3", "-a", list.fileName(), QINGHE_SPLIT_PATH} +
                                common +
                                QStringList{"--first-picture", "$(( ({#} - 1) * 3 + 1 ))",
                                            "--manifest", work.filePath("shard{#}.jsonl"), "--out",
                                            work.filePath("shards"), "{}"});
    QVERIFY(command.waitForFinished(120000));
    QVERIFY2(command.exitCode() == 0, command.readAllStandardError().constData());
    const QMap<QString, QByteArray> pieces = folderContents(work.filePath("shards"));
    QCOMPARE(pieces.size(), 20);
    QVERIFY(pieces == folderContents(work.filePath("whole")));

    // Each shard's records name its pieces, their pictures and the SHA-256 of their bytes.
    QStringList recorded;
    for (int shard = 1; shard <= 4; ++shard) {
        QFile manifest(work.filePath(QStringLiteral("shard%1.jsonl").arg(shard)));
        QVERIFY(manifest.open(QIODevice::ReadOnly));
        for (const QByteArray &line : manifest.readAll().split('\n')) {
            if (line.isEmpty())
                continue;
            const QJsonObject record = QJsonDocument::fromJson(line).object();
            const QString name = record["name"].toString();
            QCOMPARE(record["status"].toString(), "saved");
            QCOMPARE(record["picture"].toString(),
                     pages.value(record["pictureNumber"].toInt() - 1));
            QCOMPARE(record["rect"].toObject()["width"].toInt(), 150);
            QCOMPARE(
                record["sha256"].toString().toLatin1(),
                QCryptographicHash::hash(pieces.value(name), QCryptographicHash::Sha256).toHex());
            recorded << name;
        }
    }
    recorded.sort();
    QCOMPARE(recorded, pieces.keys());
}

void tst_SplitRuns::signalStopsBetweenPieces_data()
{
    QTest::addColumn<int>("signalNumber");
    // The last picture turns into a pipe nobody writes to, as a picture on a hung mount:
    // the run cannot end by itself, and a second signal ends it.
    QTest::addColumn<bool>("stuck");
    QTest::addColumn<bool>("resume"); // then run again with --skip-existing
    QTest::newRow("Ctrl+C, then the rest") << int(SIGINT) << false << true;
    // Windows has no such signals, and no pipe to stand for a hung mount.
#ifdef Q_OS_LINUX
    QTest::newRow("SIGTERM") << int(SIGTERM) << false << false;
    QTest::newRow("SIGHUP (the terminal closed)") << int(SIGHUP) << false << false;
    QTest::newRow("a second Ctrl+C ends a stuck run") << int(SIGINT) << true << false;
#endif
}

void tst_SplitRuns::signalStopsBetweenPieces()
{
    QFETCH(int, signalNumber);
    QFETCH(bool, stuck);
    QFETCH(bool, resume);
    // Enough large pictures that the run is still going when the signal comes: one sheet
    // under many names.
    QTemporaryDir work;
    const QString sheets = work.filePath("sheets");
    QVERIFY(makeFolder(sheets) && makeFolder(work.filePath("out")));
    QVERIFY(testsupport::writePicture(testsupport::patternImage(2000, 2800),
                                      work.filePath("sheet.jpg"), "jpeg", 90));
    constexpr int sheetCount = 60;
    const QString last = sheets + QStringLiteral("/s%1.jpg").arg(sheetCount);
    for (int i = 1; i <= sheetCount; ++i)
        QVERIFY(testsupport::hardLink(work.filePath("sheet.jpg"),
                                      sheets + QStringLiteral("/s%1.jpg").arg(i)));
    // One small frame a sheet, so that the run soon reaches the last one.
    SavedLayout small{{{{0, 0, 64, 64}, "A"}}, Rotation::None, {2000, 2800}};
    QVERIFY(saveLayoutFile(work.filePath("small.json"), small, nullptr));

    QStringList arguments{"--format", "png", "--out", work.filePath("out"), sheets};
    if (stuck)
        arguments << "--layout" << work.filePath("small.json");
    QProcess command;
    command.start(QStringLiteral(QINGHE_SPLIT_PATH), arguments);
    QVERIFY(command.waitForStarted());
    const QDir out(work.filePath("out"));
    QTRY_VERIFY_WITH_TIMEOUT(!out.entryList({"*.PNG"}, QDir::Files).isEmpty(), 60000);
    QByteArray said;
    if (stuck) {
        // Listed as a picture when the run began; now it never gives a byte.
        QVERIFY(QFile::remove(last) && testsupport::makeFifo(last));
        QTRY_COMPARE_WITH_TIMEOUT(out.entryList({"*.PNG"}, QDir::Files).size(), sheetCount - 1,
                                  60000);
    }
    const auto send = [&] {
        return signalNumber == SIGINT ? testsupport::interrupt(command)
                                      : testsupport::sendSignal(command, signalNumber);
    };
    QVERIFY(send());
    QTRY_VERIFY_WITH_TIMEOUT((said += command.readAllStandardError()).contains("正在停止"), 20000);
    if (stuck) {
        QVERIFY(!command.waitForFinished(500));
        QVERIFY(send());
    }
    // It may have ended already, while its words were being read.
    QVERIFY(command.state() == QProcess::NotRunning || command.waitForFinished(60000));

    QCOMPARE(command.exitStatus(), QProcess::NormalExit);
    QCOMPARE(command.exitCode(), splitexit::stoppedBy(signalNumber));
    // The second signal does not wait for the run to end.
    QCOMPARE((said + command.readAllStandardError()).contains("已停止"), !stuck);
    if (stuck)
        return;
    QCOMPARE(out.entryList(QDir::Files | QDir::Hidden).filter(".tmp"), QStringList());
    const QStringList pieces = out.entryList(QDir::Files);
    QVERIFY2(pieces.size() < 4 * sheetCount, qPrintable(QString::number(pieces.size())));
    // Every piece there is whole.
    for (const QString &piece : pieces)
        QVERIFY2(!QImage(out.filePath(piece)).isNull(), qPrintable(piece));
    if (!resume)
        return;

    // The rest, and the same folder as one run that nobody stopped.
    command.start(QStringLiteral(QINGHE_SPLIT_PATH), QStringList{"--skip-existing"} + arguments);
    QVERIFY(command.waitForFinished(120000));
    QCOMPARE(command.exitCode(), splitexit::allSaved);
    QVERIFY(command.readAllStandardError().contains(
        QStringLiteral("（跳过 %1 个已有的）").arg(pieces.size()).toUtf8()));
    QVERIFY(makeFolder(work.filePath("whole")));
    command.start(QStringLiteral(QINGHE_SPLIT_PATH),
                  {"--format", "png", "--out", work.filePath("whole"), sheets});
    QVERIFY(command.waitForFinished(120000));
    QCOMPARE(command.exitCode(), splitexit::allSaved);
    QVERIFY(folderContents(work.filePath("out")) == folderContents(work.filePath("whole")));
}

QTEST_MAIN(tst_SplitRuns)
#include "tst_splitruns.moc"
