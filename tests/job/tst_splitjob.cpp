// The job the three steps share: its defaults and conversions.

#include "job/SplitJob.h"

#include <QtTest>

class tst_SplitJob : public QObject
{
    Q_OBJECT

private slots:
    void framesAndSample();
    void rotations_data();
    void rotations();
};

void tst_SplitJob::framesAndSample()
{
    SplitJob job;
    QCOMPARE(job.samplePicture(), QString());
    job.pictures = {"/scans/p1.jpg", "/scans/p2.jpg"};
    QCOMPARE(job.samplePicture(), QStringLiteral("/scans/p2.jpg"));

    job.frames = {SplitFrame{{1, 2, 3, 4}, "Z"}};
    job.resetFrames(3);
    QCOMPARE(job.frames.size(), size_t(3));
    for (size_t i = 0; i < 3; ++i) {
        QCOMPARE(job.frames[i].rect, QRect());
        QCOMPARE(job.frames[i].letter, QString(QChar(u'A' + int(i))));
    }
    job.resetFrames(-1);
    QVERIFY(job.frames.empty());
}

void tst_SplitJob::rotations_data()
{
    QTest::addColumn<int>("listIndex");
    QTest::addColumn<int>("quarterTurns");
    QTest::newRow("none") << 0 << 0;
    QTest::newRow("+90 is a quarter turn clockwise") << 1 << 1;
    QTest::newRow("180") << 2 << 2;
    QTest::newRow("-90 is three quarter turns clockwise") << 3 << 3;
    QTest::newRow("no selection") << -1 << 0;
    QTest::newRow("beyond the list") << 4 << 0;
}

void tst_SplitJob::rotations()
{
    QFETCH(int, listIndex);
    QFETCH(int, quarterTurns);
    QCOMPARE(::quarterTurns(rotationAt(listIndex)), quarterTurns);
}

QTEST_GUILESS_MAIN(tst_SplitJob)
#include "tst_splitjob.moc"
