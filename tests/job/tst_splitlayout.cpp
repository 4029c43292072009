#include "TestSupport.h"
#include "job/SplitLayout.h"

#include <QTest>

using RectList = QList<QRect>;

class tst_SplitLayout : public QObject
{
    Q_OBJECT

private slots:
    void fitSample_data();
    void fitSample();
    void defaultGrid_data();
    void defaultGrid();
    void pictureRect_data();
    void pictureRect();
    void windowRect_data();
    void windowRect();
    void books_data();
    void books();
};

void tst_SplitLayout::fitSample_data()
{
    QTest::addColumn<float>("w");
    QTest::addColumn<float>("h");
    QTest::addColumn<float>("scale");
    QTest::addColumn<QRect>("area"); // where the sample is drawn

    QTest::newRow("portrait A4 scan")
        << 2480.f << 3508.f << 600.f / 3508.f << QRect(18, 18, 424, 600);
    QTest::newRow("same scan turned")
        << 3508.f << 2480.f << 800.f / 3508.f << QRect(18, 18, 800, 565);
    QTest::newRow("fits as it is") << 640.f << 480.f << 1.f << QRect(18, 18, 640, 480);
    QTest::newRow("exactly 4:3 is width-limited")
        << 1000.f << 750.f << 0.8f << QRect(18, 18, 800, 600);
    QTest::newRow("exactly the area") << 800.f << 600.f << 1.f << QRect(18, 18, 800, 600);
    QTest::newRow("one column too wide")
        << 801.f << 600.f << 800.f / 801.f << QRect(18, 18, 800, 599);
    QTest::newRow("too high, narrow enough")
        << 500.f << 700.f << 600.f / 700.f << QRect(18, 18, 428, 600);
    QTest::newRow("turned 500x700 fits") << 700.f << 500.f << 1.f << QRect(18, 18, 700, 500);
    QTest::newRow("small picture") << 100.f << 80.f << 1.f << QRect(18, 18, 100, 80);
    QTest::newRow("both too large, taller than 4:3")
        << 900.f << 700.f << 600.f / 700.f << QRect(18, 18, 771, 600);
    QTest::newRow("thin strip keeps one row") << 5000.f << 3.f << 0.16f << QRect(18, 18, 800, 1);
    QTest::newRow("thin column keeps one column")
        << 3.f << 5000.f << 0.12f << QRect(18, 18, 1, 600);
}

void tst_SplitLayout::fitSample()
{
    QFETCH(float, w);
    QFETCH(float, h);
    QFETCH(float, scale);
    QFETCH(QRect, area);

    const layout::SampleFit fit = layout::fitSample(w, h);
    // The stored scale is the single-precision quotient, bit for bit.
    QCOMPARE(fit.scale, scale);
    QCOMPARE(fit.area, area);
}

void tst_SplitLayout::defaultGrid_data()
{
    QTest::addColumn<int>("frameCount");
    QTest::addColumn<QRect>("area");
    QTest::addColumn<RectList>("frames");

    QTest::newRow("424x600, 4") << 4 << QRect(18, 18, 424, 600)
                                << RectList{{18, 18, 212, 300},
                                            {230, 18, 212, 300},
                                            {18, 318, 212, 300},
                                            {230, 318, 212, 300}};
    QTest::newRow("800x565, 4") << 4 << QRect(18, 18, 800, 565)
                                << RectList{{18, 18, 400, 282},
                                            {418, 18, 400, 282},
                                            {18, 300, 400, 282},
                                            {418, 300, 400, 282}};
    QTest::newRow("640x480, 3: last alone on the left")
        << 3 << QRect(18, 18, 640, 480)
        << RectList{{18, 18, 320, 240}, {338, 18, 320, 240}, {18, 258, 320, 240}};
    QTest::newRow("800x600, 5") << 5 << QRect(18, 18, 800, 600)
                                << RectList{{18, 18, 400, 200},
                                            {418, 18, 400, 200},
                                            {18, 218, 400, 200},
                                            {418, 218, 400, 200},
                                            {18, 418, 400, 200}};
    QTest::newRow("one frame: left half, full height")
        << 1 << QRect(18, 18, 640, 480) << RectList{{18, 18, 320, 480}};
    QTest::newRow("odd width rounds the column down")
        << 2 << QRect(18, 18, 100, 80) << RectList{{18, 18, 50, 80}, {68, 18, 50, 80}};
    QTest::newRow("ten frames, 800x600")
        << 10 << QRect(18, 18, 800, 600)
        << RectList{{18, 18, 400, 120},   {418, 18, 400, 120},  {18, 138, 400, 120},
                    {418, 138, 400, 120}, {18, 258, 400, 120},  {418, 258, 400, 120},
                    {18, 378, 400, 120},  {418, 378, 400, 120}, {18, 498, 400, 120},
                    {418, 498, 400, 120}};
}

void tst_SplitLayout::defaultGrid()
{
    QFETCH(int, frameCount);
    QFETCH(QRect, area);
    QFETCH(RectList, frames);

    QCOMPARE(frames.size(), frameCount);
    for (int i = 1; i <= frameCount; ++i)
        QCOMPARE(layout::defaultFrame(i, frameCount, area), frames[i - 1]);
}

void tst_SplitLayout::pictureRect_data()
{
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<float>("scale");
    QTest::addColumn<QRect>("expected");

    QTest::newRow("unscaled: shifted by the origin")
        << QRect(338, 258, 320, 240) << 1.f << QRect(320, 240, 320, 240);
    QTest::newRow("stored 0.8 rounds 400 down to 499")
        << QRect(418, 218, 400, 200) << 0.8f << QRect(499, 249, 499, 249);
    QTest::newRow("portrait scan, frame 4")
        << QRect(230, 318, 212, 300) << 600.f / 3508.f << QRect(1239, 1753, 1239, 1753);
    QTest::newRow("turned scan, frame 4")
        << QRect(418, 300, 400, 282) << 800.f / 3508.f << QRect(1753, 1236, 1753, 1236);
    QTest::newRow("left on the area edge is column 0")
        << QRect(18, 18, 1, 1) << 600.f / 3508.f << QRect(0, 0, 5, 5);
    QTest::newRow("left of the area floors below zero")
        << QRect(17, 17, 10, 10) << 0.5f << QRect(-2, -2, 20, 20);
}

void tst_SplitLayout::pictureRect()
{
    QFETCH(QRect, frame);
    QFETCH(float, scale);
    QFETCH(QRect, expected);
    QCOMPARE(layout::pictureRect(frame, scale), expected);
}

// Placing a saved picture rectangle: exactly where the read-out gives it back, else the
// nearest window rectangle, always inside the picture area.
void tst_SplitLayout::windowRect_data()
{
    QTest::addColumn<QRect>("picture");
    QTest::addColumn<float>("scale");
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QRect>("expected");
    QTest::addColumn<bool>("exact");

    const QRect largest = layout::largestArea;
    QTest::newRow("unscaled") << QRect(320, 240, 320, 240) << 1.f << largest
                              << QRect(338, 258, 320, 240) << true;
    QTest::newRow("portrait scan, frame 4")
        << QRect(1239, 1753, 1239, 1753) << 600.f / 3508.f << QRect(18, 18, 424, 600)
        << QRect(230, 318, 212, 300) << true;
    QTest::newRow("turned scan, a moved frame")
        << QRect(999, 8, 333, 1113) << 800.f / 3508.f << QRect(18, 18, 800, 565)
        << QRect(246, 20, 76, 254) << true;
    QTest::newRow("upscaled small picture")
        << QRect(3, 5, 7, 9) << 4.f << largest << QRect(30, 38, 28, 36) << true;
    QTest::newRow("no window length gives 3 at half size: the nearest")
        << QRect(3, 3, 3, 3) << 0.5f << largest << QRect(20, 20, 2, 2) << false;
    QTest::newRow("beyond the area: pushed back inside")
        << QRect(5000, 0, 100, 100) << 0.2f << largest << QRect(798, 18, 20, 20) << false;
    QTest::newRow("wider than the area: as wide as the area")
        << QRect(0, 0, 10000, 10) << 0.1f << largest << QRect(18, 18, 800, 1) << false;
}

void tst_SplitLayout::windowRect()
{
    QFETCH(QRect, picture);
    QFETCH(float, scale);
    QFETCH(QRect, area);
    QFETCH(QRect, expected);
    QFETCH(bool, exact);
    const QRect window = layout::windowRect(picture, scale, area);
    QCOMPARE(window, expected);
    QCOMPARE(layout::pictureRect(window, scale) == picture, exact);
}

void tst_SplitLayout::books_data()
{
    QTest::addColumn<QStringList>("letters");
    QTest::addColumn<int>("books");
    QTest::addColumn<bool>("ask");

    QTest::newRow("A A B B") << QStringList{"A", "A", "B", "B"} << 2 << false;
    QTest::newRow("A B C D") << QStringList{"A", "B", "C", "D"} << 4 << true;
    QTest::newRow("A A B B C") << QStringList{"A", "A", "B", "B", "C"} << 3 << true;
    QTest::newRow("A A A B B") << QStringList{"A", "A", "A", "B", "B"} << 2 << false;
    QTest::newRow("single frame") << QStringList{"A"} << 1 << true;
    QTest::newRow("blanks trimmed") << QStringList{" A", "A ", "B", "B"} << 2 << false;
    QTest::newRow("case counts") << QStringList{"a", "A", "B", "B"} << 3 << true;
    QTest::newRow("empty adds no book") << QStringList{"", "A", "A", ""} << 1 << false;
}

void tst_SplitLayout::books()
{
    QFETCH(QStringList, letters);
    QFETCH(int, books);
    QFETCH(bool, ask);
    QCOMPARE(layout::countBooks(letters), books);
    QCOMPARE(layout::booksNeedConfirmation(int(letters.size()), books), ask);
}

QTEST_APPLESS_MAIN(tst_SplitLayout)
#include "tst_splitlayout.moc"
