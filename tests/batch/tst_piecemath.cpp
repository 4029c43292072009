// The arithmetic of a run: clipping, names, the progress read-out and the end report.

#include "output/EndReport.h"
#include "batch/PieceClip.h"
#include "batch/PieceName.h"
#include "output/Progress.h"

#include <QDir>
#include <QtTest>

class TestPieceMath : public QObject
{
    Q_OBJECT

private slots:
    void clipping_data();
    void clipping();
    void folder_data();
    void folder();
    void names_data();
    void names();
    void pieceLimit();
    void progress_data();
    void progress();
    void report();
};

void TestPieceMath::clipping_data()
{
    QTest::addColumn<FrameRect>("frame");
    QTest::addColumn<QSizeF>("picture");
    QTest::addColumn<QRect>("piece"); // null: no file

    const QSizeF size(1000, 1500);
    QTest::newRow("inside keeps its size")
        << FrameRect{10, 20, 300, 400} << size << QRect(10, 20, 300, 400);
    QTest::newRow("exactly to the edges")
        << FrameRect{0, 0, 1000, 1500} << size << QRect(0, 0, 1000, 1500);
    QTest::newRow("50 past the right edge")
        << FrameRect{750, 0, 300, 100} << size << QRect(750, 0, 250, 100);
    QTest::newRow("past the bottom edge")
        << FrameRect{0, 1400, 100, 300} << size << QRect(0, 1400, 100, 100);
    QTest::newRow("X equals the width") << FrameRect{1000, 0, 10, 10} << size << QRect();
    QTest::newRow("Y equals the height") << FrameRect{0, 1500, 10, 10} << size << QRect();
    QTest::newRow("last column") << FrameRect{999, 1499, 5, 5} << size << QRect(999, 1499, 1, 1);
    QTest::newRow("zero width") << FrameRect{10, 10, 0, 10} << size << QRect();
    QTest::newRow("negative height") << FrameRect{10, 10, 10, -4} << size << QRect();
    QTest::newRow("sum beyond 32 bits")
        << FrameRect{10, 10, 2147483647, 2147483647} << size << QRect(10, 10, 990, 1490);
    QTest::newRow("left of the picture") << FrameRect{-5, 0, 10, 10} << size << QRect(0, 0, 5, 10);
}

void TestPieceMath::clipping()
{
    QFETCH(FrameRect, frame);
    QFETCH(QSizeF, picture);
    QFETCH(QRect, piece);
    QCOMPARE(clipPiece(frame, picture), piece);
}

void TestPieceMath::folder_data()
{
    const QString sep = QDir::separator();
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("folder");
    QTest::newRow("separator appended") << "/data/out"
                                        << "/data/out" + sep;
    QTest::newRow("kept") << "/data/out/"
                          << "/data/out/";
    QTest::newRow("root") << "/"
                          << "/";
    QTest::newRow("blanks trimmed") << "  /data/out  "
                                    << "/data/out" + sep;
    QTest::newRow("only blanks") << "   "
                                 << "";
    QTest::newRow("Chinese and blanks inside") << " /书 目/输出 "
                                               << "/书 目/输出" + sep;
}

void TestPieceMath::folder()
{
    QFETCH(QString, text);
    QFETCH(QString, folder);
    QCOMPARE(outputFolder(text), folder);
}

void TestPieceMath::names_data()
{
    QTest::addColumn<int>("picture");
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("frame");
    QTest::addColumn<QString>("letter");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("name");
    QTest::newRow("first") << 1 << 4 << 1 << "A"
                           << ".BMP"
                           << "/o/A00001.BMP";
    QTest::newRow("third picture, frame 2") << 3 << 4 << 2 << "B"
                                            << ".BMP"
                                            << "/o/B00010.BMP";
    QTest::newRow("picture 3 of 4 frames ends at 12") << 3 << 4 << 4 << "D"
                                                      << ".JPG"
                                                      << "/o/D00012.JPG";
    QTest::newRow("123") << 13 << 10 << 3 << "C"
                         << ".PNG"
                         << "/o/C00123.PNG";
    QTest::newRow("five digits unchanged") << 9000 << 10 << 9 << "A"
                                           << ".TIF"
                                           << "/o/A89999.TIF";
    QTest::newRow("the last allowed") << 10000 << 10 << 9 << "A"
                                      << ".TIF"
                                      << "/o/A99999.TIF";
    // Numbers past 32767 must not wrap, as 16-bit numbers would.
    QTest::newRow("past 16 bits") << 4000 << 10 << 1 << "A"
                                  << ".BMP"
                                  << "/o/A39991.BMP";
}

void TestPieceMath::names()
{
    QFETCH(int, picture);
    QFETCH(int, frames);
    QFETCH(int, frame);
    QFETCH(QString, letter);
    QFETCH(QString, extension);
    QFETCH(QString, name);
    QCOMPARE(pieceFileName("/o/", letter, runningNumber(picture, frames, frame), extension), name);
}

void TestPieceMath::pieceLimit()
{
    QVERIFY(!tooManyPieces(9999, 10));
    QVERIFY(!tooManyPieces(99999, 1));
    QVERIFY(tooManyPieces(10000, 10));
    QVERIFY(tooManyPieces(100000, 1));
    QVERIFY(tooManyPieces(2147483647, 10)); // no wrap-around into an allowed count
}

void TestPieceMath::progress_data()
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

void TestPieceMath::progress()
{
    QFETCH(int, done);
    QFETCH(int, total);
    QFETCH(QString, text);
    QFETCH(int, barTwips);
    QCOMPARE(progressText(done, total), text);
    QCOMPARE(progressBarTwips(5895, done, total), barTwips);
}

void TestPieceMath::report()
{
    RunOutcome clean;
    clean.piecesSaved = 8;
    QCOMPARE(failureReport(clean), QString());

    RunOutcome failed;
    failed.unreadable << "/in/bad.jpg";
    for (int i = 1; i <= 12; ++i)
        failed.unsaved << QStringLiteral("/out/A%1.BMP").arg(i, 5, 10, QLatin1Char('0'));
    const QString text = failureReport(failed);
    QVERIFY(text.startsWith(QStringLiteral("有 1 个图片无法读取，12 个分割块未能保存：")));
    QVERIFY(text.contains(QDir::toNativeSeparators("/in/bad.jpg")));
    QVERIFY(text.contains(QDir::toNativeSeparators("/out/A00009.BMP")));
    QVERIFY(!text.contains("A00010.BMP")); // ten files named in all
    QVERIFY(text.endsWith(QStringLiteral("……")));

    RunOutcome notStarted;
    notStarted.startFailed = true;
    QVERIFY(!failureReport(notStarted).isEmpty());
}

QTEST_GUILESS_MAIN(TestPieceMath)
#include "tst_piecemath.moc"
