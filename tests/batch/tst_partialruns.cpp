// Runs over part of a batch, or over what a stopped run left: together they must leave the
// folder one uninterrupted run leaves; and what the records and the plan say of a run.

#include "RunSnapshots.h"
#include "TestSupport.h"
#include "batch/BatchEngine.h"
#include "batch/PiecePlan.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using testsupport::entries;
using testsupport::readBytes;

namespace {

constexpr int sheets = 5;

// Two frames inside a 40 x 30 sheet, one past its right edge (clipped), one outside it.
std::vector<SplitFrame> frames()
{
    return {{{0, 0, 20, 15}, "A"},
            {{20, 10, 20, 20}, "B"},
            {{30, 0, 20, 10}, "C"},
            {{45, 0, 5, 5}, "D"}};
}

QByteArray sha256Of(const QString &path)
{
    return QCryptographicHash::hash(readBytes(path), QCryptographicHash::Sha256).toHex();
}

} // namespace

class tst_PartialRuns : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sameFilesAsOneRun_data();
    void sameFilesAsOneRun();

private:
    // A run of pictures first..last (1-based, of the whole batch) into the folder.
    RunSnapshot part(const QString &folder, int first, int last, bool skip) const;

    QTemporaryDir inputs_;
    QStringList pictures_;
    QTemporaryDir reference_;
    RunOutcome whole_;
};

RunSnapshot tst_PartialRuns::part(const QString &folder, int first, int last, bool skip) const
{
    RunSnapshot s = testsupport::snapshotFor(pictures_.mid(first - 1, last - first + 1), folder,
                                             frames(), Rotation::Clockwise90);
    s.firstPicture = first;
    s.skipExisting = skip;
    s.recordPieces = true;
    return s;
}

void tst_PartialRuns::initTestCase()
{
    QVERIFY(inputs_.isValid() && reference_.isValid());
    // 30 x 40 before the quarter turn. BMP: a copy cut short still has its header.
    for (int i = 1; i <= sheets; ++i) {
        pictures_ << inputs_.filePath(QStringLiteral("sheet%1.bmp").arg(i));
        QVERIFY(testsupport::writePicture(
            testsupport::patternImage(30, 40, QImage::Format_RGB32, i), pictures_.last(), "bmp"));
    }
    BatchEngine engine;
    const RunSnapshot all = part(reference_.path(), 1, sheets, false);
    whole_ = engine.runNow(all);
    QCOMPARE(whole_.piecesSaved, 3 * sheets);
    QCOMPARE(whole_.pieces.size(), size_t(4 * sheets));
    // Each record's hash is the file's, and the plan foresees every name and rectangle.
    const std::vector<PieceRecord> plan = planRun(all, OutputFormat::Bmp);
    QCOMPARE(plan.size(), whole_.pieces.size());
    for (size_t i = 0; i < plan.size(); ++i) {
        const PieceRecord &record = whole_.pieces[i];
        QCOMPARE(record.runningNumber, qint64(i + 1));
        QCOMPARE(record.pictureNumber, qint64(i / 4 + 1));
        QCOMPARE(plan[i].path, record.path);
        QCOMPARE(plan[i].rect, record.rect);
        QCOMPARE(plan[i].status, record.status);
        if (record.status == PieceRecord::Status::Saved)
            QCOMPARE(record.sha256, sha256Of(record.path));
        else
            QVERIFY(record.sha256.isEmpty() && record.rect.isNull() && !QFile::exists(record.path));
    }
    QCOMPARE(whole_.pieces[2].rect, QRect(30, 0, 10, 10)); // clipped at the turned edge
    QCOMPARE(pieceStatusName(whole_.pieces[3].status), QStringLiteral("no-file"));
}

void tst_PartialRuns::sameFilesAsOneRun_data()
{
    // Runs made one after the other into one folder, each over pictures x..y of the batch;
    // a stop after that many pieces of the first run (0: none; -1: its pictures are cut
    // short after it); whether the later runs skip the pieces that stand; how many they
    // skip in all.
    QTest::addColumn<QList<QPoint>>("parts");
    QTest::addColumn<int>("stopAfter");
    QTest::addColumn<bool>("skip");
    QTest::addColumn<int>("skipped");
    const QPoint all(1, sheets);
    QTest::newRow("two shards") << QList<QPoint>{{1, 2}, {3, 5}} << 0 << false << 0;
    QTest::newRow("one shard a picture, out of order")
        << QList<QPoint>{{5, 5}, {2, 2}, {4, 4}, {1, 1}, {3, 3}} << 0 << false << 0;
    QTest::newRow("again after a stop") << QList<QPoint>{all, all} << 6 << true << 5;
    QTest::newRow("again over a finished run") << QList<QPoint>{all, all} << 0 << true << 15;
    // Every piece stands, so no picture is decoded: pictures since cut short go unnoticed.
    QTest::newRow("standing pieces, pictures not read")
        << QList<QPoint>{all, all} << -1 << true << 15;
}

void tst_PartialRuns::sameFilesAsOneRun()
{
    QFETCH(QList<QPoint>, parts);
    QFETCH(int, stopAfter);
    QFETCH(bool, skip);
    QFETCH(int, skipped);
    QTemporaryDir out;
    QTemporaryDir damaged;
    qint64 skippedInAll = 0;
    for (qsizetype r = 0; r < parts.size(); ++r) {
        BatchEngine engine;
        if (r == 0 && stopAfter > 0) {
            QObject::connect(
                &engine, &BatchEngine::progress, &engine,
                [&engine, stopAfter](qint64 done, qint64) {
                    if (done == stopAfter)
                        engine.requestStop();
                },
                Qt::DirectConnection);
        }
        RunSnapshot snapshot = part(out.path(), parts[r].x(), parts[r].y(), r > 0 && skip);
        if (r > 0 && stopAfter < 0) {
            for (QString &picture : snapshot.pictures) {
                const QString copy = damaged.filePath(QFileInfo(picture).fileName());
                QVERIFY(QFile::copy(picture, copy) && QFile::resize(copy, 100));
                picture = copy;
            }
        }
        const RunOutcome outcome = engine.runNow(snapshot);
        QCOMPARE(outcome.stopped, r == 0 && stopAfter > 0);
        QVERIFY(outcome.unreadable.isEmpty() && outcome.unsaved.isEmpty());
        skippedInAll += outcome.piecesSkipped;
        for (const PieceRecord &record : outcome.pieces) {
            const PieceRecord &same = whole_.pieces[size_t(record.runningNumber - 1)];
            QCOMPARE(record.path.mid(out.path().size()), same.path.mid(reference_.path().size()));
            QCOMPARE(record.pictureNumber, same.pictureNumber);
            QCOMPARE(record.rect, same.rect);
            if (record.status == PieceRecord::Status::Saved)
                QCOMPARE(record.sha256, same.sha256);
        }
    }
    QCOMPARE(skippedInAll, qint64(skipped));
    QCOMPARE(entries(out.path()), entries(reference_.path()));
    for (const QString &name : entries(out.path()))
        QVERIFY2(readBytes(out.filePath(name)) == readBytes(reference_.filePath(name)),
                 qPrintable(name));
}

QTEST_GUILESS_MAIN(tst_PartialRuns)
#include "tst_partialruns.moc"
