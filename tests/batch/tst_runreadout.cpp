// What step 3 shows of a run: the progress read-out and the end report.

#include "batch/EndReport.h"
#include "batch/Progress.h"

#include <QDir>
#include <QtTest>

class tst_RunReadout : public QObject
{
    Q_OBJECT

private slots:
    void progress_data();
    void progress();
    void report();
};

void tst_RunReadout::progress_data()
{
    QTest::addColumn<int>("done");
    QTest::addColumn<int>("total");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("barTwips");
    // The bar of a 5895-twip outline grows to 5865.
    QTest::newRow("1 of 4") << 1 << 4 << "25 %" << 1466;
    QTest::newRow("2 of 4") << 2 << 4 << "50 %" << 2932;
    QTest::newRow("3 of 4") << 3 << 4 << "75 %" << 4398;
    QTest::newRow("4 of 4") << 4 << 4 << "100 %" << 5865;
    QTest::newRow("7 of 100") << 7 << 100 << "7 %" << 410;
    QTest::newRow("29 of 100 reads 28") << 29 << 100 << "28 %" << 1700;
    QTest::newRow("57 of 100 reads 56") << 57 << 100 << "56 %" << 3343;
    QTest::newRow("none") << 0 << 12 << "0 %" << 0;
    QTest::newRow("no frames at all") << 0 << 0 << "0 %" << 0;
    QTest::newRow("large run") << 99998 << 99999 << "99 %" << 5864;
}

void tst_RunReadout::progress()
{
    QFETCH(int, done);
    QFETCH(int, total);
    QFETCH(QString, text);
    QFETCH(int, barTwips);
    QCOMPARE(progressText(done, total), text);
    QCOMPARE(progressBarTwips(5895, done, total), barTwips);
}

void tst_RunReadout::report()
{
    RunOutcome clean;
    clean.piecesSaved = 8;
    QCOMPARE(failureReport(clean), QString());

    RunOutcome failed;
    failed.unreadable << "/in/bad.jpg";
    failed.whyUnreadable.insert("/in/bad.jpg", QStringLiteral("不是可读取的图片"));
    for (int i = 1; i <= 12; ++i)
        failed.unsaved << QStringLiteral("/out/A%1.BMP").arg(i, 5, 10, QLatin1Char('0'));
    failed.whyUnsaved.insert("/out/A00001.BMP", QStringLiteral("会覆盖本次分割的图片"));
    const QString text = failureReport(failed);
    // One file a line, with its reason where there is one.
    QVERIFY(text.startsWith(
        QStringLiteral("有 1 个图片无法读取，12 个分割块未能保存：\n\n") +
        QDir::toNativeSeparators("/in/bad.jpg") + QStringLiteral("：不是可读取的图片\n") +
        QDir::toNativeSeparators("/out/A00001.BMP") + QStringLiteral("：会覆盖本次分割的图片\n") +
        QDir::toNativeSeparators("/out/A00002.BMP") + "\n"));
    QVERIFY(text.contains(QDir::toNativeSeparators("/out/A00009.BMP")));
    QVERIFY(!text.contains("A00010.BMP")); // ten files named in all
    QVERIFY(text.endsWith(QStringLiteral("……")));
    // Earlier files under unsaved names: deleted ones counted, kept ones named; apart from
    // them, pieces written whose disk then failed.
    RunOutcome overEarlier = failed;
    overEarlier.oldFilesRemoved = 9;
    overEarlier.oldFilesKept << "/out/A00012.BMP";
    overEarlier.piecesRemovedAfterDiskError = 1;
    overEarlier.piecesLeftAfterDiskError << "/out/A00011.BMP";
    QCOMPARE(failureReport(overEarlier),
             text +
                 QStringLiteral("\n\n未能保存的分割块的 9 个同名旧文件已删除。\n\n"
                                "有 1 个同名旧文件无法删除，仍是以前的内容：\n\n") +
                 QDir::toNativeSeparators("/out/A00012.BMP") +
                 QStringLiteral("\n\n有 1 个分割块已写入，但磁盘报告写入出错，已将其删除。\n\n"
                                "有 1 个分割块写入时磁盘报告出错，且无法删除，可能不完整：\n\n") +
                 QDir::toNativeSeparators("/out/A00011.BMP"));

    // Pictures of another size are named with theirs, after the failures or alone.
    failed.sampleSize = QSize(2480, 3508);
    failed.otherSize = {{"/in/landscape.jpg", QSize(3508, 2480)},
                        {"/in/single.jpg", QSize(1240, 1754)}};
    const QString both = failureReport(failed);
    QVERIFY(both.startsWith(text));
    QVERIFY(both.contains(
        QStringLiteral("\n\n有 2 个图片的尺寸与样本（2480 x 3508）不同，分割块可能不完整：")));
    QVERIFY(both.contains(QDir::toNativeSeparators("/in/landscape.jpg") +
                          QStringLiteral("（3508 x 2480）")));
    RunOutcome sizesOnly;
    sizesOnly.sampleSize = failed.sampleSize;
    sizesOnly.otherSize = failed.otherSize;
    QVERIFY(failureReport(sizesOnly).startsWith(QStringLiteral("有 2 个图片的尺寸与样本")));
}

QTEST_GUILESS_MAIN(tst_RunReadout)
#include "tst_runreadout.moc"
