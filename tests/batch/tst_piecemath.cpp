// The arithmetic of a run: clipping and names.

#include "batch/PieceClip.h"
#include "batch/PieceName.h"

#include <QDir>
#include <QtTest>

class tst_PieceMath : public QObject
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
};

void tst_PieceMath::clipping_data()
{
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QSizeF>("picture");
    QTest::addColumn<QRect>("piece"); // null: no file

    const QSizeF size(1000, 1500);
    QTest::newRow("inside keeps its size")
        << QRect(10, 20, 300, 400) << size << QRect(10, 20, 300, 400);
    QTest::newRow("exactly to the edges")
        << QRect(0, 0, 1000, 1500) << size << QRect(0, 0, 1000, 1500);
    QTest::newRow("50 past the right edge")
        << QRect(750, 0, 300, 100) << size << QRect(750, 0, 250, 100);
    QTest::newRow("past the bottom edge")
        << QRect(0, 1400, 100, 300) << size << QRect(0, 1400, 100, 100);
    QTest::newRow("X equals the width") << QRect(1000, 0, 10, 10) << size << QRect();
    QTest::newRow("Y equals the height") << QRect(0, 1500, 10, 10) << size << QRect();
    QTest::newRow("last column") << QRect(999, 1499, 5, 5) << size << QRect(999, 1499, 1, 1);
    QTest::newRow("zero width") << QRect(10, 10, 0, 10) << size << QRect();
    QTest::newRow("negative height") << QRect(10, 10, 10, -4) << size << QRect();
    QTest::newRow("edges at the 32-bit limit")
        << QRect(10, 10, 2147483637, 2147483637) << size << QRect(10, 10, 990, 1490);
    QTest::newRow("left of the picture") << QRect(-5, 0, 10, 10) << size << QRect(0, 0, 5, 10);
}

void tst_PieceMath::clipping()
{
    QFETCH(QRect, frame);
    QFETCH(QSizeF, picture);
    QFETCH(QRect, piece);
    QCOMPARE(clipPiece(frame, picture), piece);
}

void tst_PieceMath::folder_data()
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

void tst_PieceMath::folder()
{
    QFETCH(QString, text);
    QFETCH(QString, folder);
    QCOMPARE(outputFolder(text), folder);
}

void tst_PieceMath::names_data()
{
    QTest::addColumn<int>("picture");
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("frame");
    QTest::addColumn<QString>("letter");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("name");
    const auto row = [](const char *tag, int picture, int frames, int frame, const char *letter,
                        const char *extension, const char *name) {
        QTest::newRow(tag) << picture << frames << frame << QString(letter) << QString(extension)
                           << QString(name);
    };
    row("first", 1, 4, 1, "A", ".BMP", "/o/A00001.BMP");
    row("third picture, frame 2", 3, 4, 2, "B", ".BMP", "/o/B00010.BMP");
    row("picture 3 of 4 frames ends at 12", 3, 4, 4, "D", ".JPG", "/o/D00012.JPG");
    row("123", 13, 10, 3, "C", ".PNG", "/o/C00123.PNG");
    row("five digits unchanged", 9000, 10, 9, "A", ".TIF", "/o/A89999.TIF");
    row("the last allowed", 10000, 10, 9, "A", ".TIF", "/o/A99999.TIF");
    // Numbers past 32767 must not wrap, as 16-bit numbers would.
    row("past 16 bits", 4000, 10, 1, "A", ".BMP", "/o/A39991.BMP");
}

void tst_PieceMath::names()
{
    QFETCH(int, picture);
    QFETCH(int, frames);
    QFETCH(int, frame);
    QFETCH(QString, letter);
    QFETCH(QString, extension);
    QFETCH(QString, name);
    QCOMPARE(pieceFileName("/o/", letter, runningNumber(picture, frames, frame), extension), name);
}

void tst_PieceMath::pieceLimit()
{
    QVERIFY(!tooManyPieces(9999, 10));
    QVERIFY(!tooManyPieces(99999, 1));
    QVERIFY(tooManyPieces(10000, 10));
    QVERIFY(tooManyPieces(100000, 1));
    QVERIFY(tooManyPieces(2147483647, 10)); // no wrap-around into an allowed count
}

QTEST_GUILESS_MAIN(tst_PieceMath)
#include "tst_piecemath.moc"
