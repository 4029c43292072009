#include "editor/FrameGeometry.h"
#include "job/SplitLayout.h"

#include <QTest>

using namespace geometry;

Q_DECLARE_METATYPE(geometry::Handle)

namespace {

// A frame well inside the default 800 x 600 area.
const QRect frame(100, 100, 200, 150);
const QRect area = layout::largestArea;

// The band from (left, top) up to, not including, (right, bottom); crossed where right
// or bottom is the smaller.
QRect band(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

// The picture rectangle at scale 1, as the layout computes it from a frame.
QRect atScaleOne(QRect f)
{
    return f.translated(-18, -18);
}

} // namespace

class tst_FrameGeometry : public QObject
{
    Q_OBJECT

private slots:
    void moveBand_data();
    void moveBand();
    void resizeBand_data();
    void resizeBand();
    void resizedEdgesFollowThePointer();
    void rightEdgeReachesPictureWidth();
    void bandToFrame_data();
    void bandToFrame();
    void placeHandles_data();
    void placeHandles();
    void nudge_data();
    void nudge();
    void hoverText_data();
    void hoverText();
    void handleCursor();
};

void tst_FrameGeometry::moveBand_data()
{
    QTest::addColumn<QRect>("start");
    QTest::addColumn<QPoint>("pointer"); // grabbed at (50, 50)
    QTest::addColumn<QRect>("expected");

    QTest::newRow("back at start") << frame << QPoint(50, 50) << band(100, 100, 300, 250);
    QTest::newRow("inside") << frame << QPoint(60, 45) << band(110, 95, 310, 245);
    QTest::newRow("far left") << frame << QPoint(-500, 50) << band(18, 100, 218, 250);
    QTest::newRow("far right") << frame << QPoint(2000, 50) << band(618, 100, 818, 250);
    QTest::newRow("far up") << frame << QPoint(50, -500) << band(100, 18, 300, 168);
    QTest::newRow("far down") << frame << QPoint(50, 2000) << band(100, 468, 300, 618);
    QTest::newRow("past top-left") << frame << QPoint(-500, -500) << band(18, 18, 218, 168);
    QTest::newRow("past bottom-right") << frame << QPoint(2000, 2000) << band(618, 468, 818, 618);
    QTest::newRow("just inside right")
        << QRect(617, 100, 200, 150) << QPoint(51, 50) << band(618, 100, 818, 250);
    QTest::newRow("wider than area")
        << QRect(18, 18, 900, 100) << QPoint(50, 50) << band(-82, 18, 818, 118);
    QTest::newRow("taller than area")
        << QRect(18, 18, 100, 700) << QPoint(50, 50) << band(18, -82, 118, 618);
}

void tst_FrameGeometry::moveBand()
{
    QFETCH(QRect, start);
    QFETCH(QPoint, pointer);
    QFETCH(QRect, expected);
    const QRect b = geometry::moveBand(start, 50, 50, pointer.x(), pointer.y(), area);
    QCOMPARE(b, expected);
    QCOMPARE(b.size(), start.size());
}

void tst_FrameGeometry::resizeBand_data()
{
    QTest::addColumn<Handle>("handle");
    QTest::addColumn<QPoint>("pointer");
    QTest::addColumn<QRect>("expected");
    QTest::addColumn<QRect>("released");

    // Each handle drags only its own edges.
    const QPoint p(7, -5);
    QTest::newRow("TopLeft") << Handle::TopLeft << p << band(107, 95, 300, 250)
                             << QRect(107, 95, 193, 155);
    QTest::newRow("Top") << Handle::Top << p << band(100, 95, 300, 250) << QRect(100, 95, 200, 155);
    QTest::newRow("TopRight") << Handle::TopRight << p << band(100, 95, 307, 250)
                              << QRect(100, 95, 207, 155);
    QTest::newRow("Left") << Handle::Left << p << band(107, 100, 300, 250)
                          << QRect(107, 100, 193, 150);
    QTest::newRow("Right") << Handle::Right << p << band(100, 100, 307, 250)
                           << QRect(100, 100, 207, 150);
    QTest::newRow("BottomLeft") << Handle::BottomLeft << p << band(107, 100, 300, 245)
                                << QRect(107, 100, 193, 145);
    QTest::newRow("Bottom") << Handle::Bottom << p << band(100, 100, 300, 245)
                            << QRect(100, 100, 200, 145);
    QTest::newRow("BottomRight") << Handle::BottomRight << p << band(100, 100, 307, 245)
                                 << QRect(100, 100, 207, 145);

    QTest::newRow("Right 10 further")
        << Handle::Right << QPoint(10, 3) << band(100, 100, 310, 250) << QRect(100, 100, 210, 150);
    QTest::newRow("TopLeft past the corner") << Handle::TopLeft << QPoint(-500, -500)
                                             << band(18, 18, 300, 250) << QRect(18, 18, 282, 232);
    QTest::newRow("BottomRight past the corner")
        << Handle::BottomRight << QPoint(2000, 2000) << band(100, 100, 818, 618)
        << QRect(100, 100, 718, 518);
    QTest::newRow("Top above the area")
        << Handle::Top << QPoint(0, -500) << band(100, 18, 300, 250) << QRect(100, 18, 200, 232);
    QTest::newRow("Bottom below the area") << Handle::Bottom << QPoint(0, 2000)
                                           << band(100, 100, 300, 618) << QRect(100, 100, 200, 518);
    // Crossed bands: a dragged edge passes the opposite one and is held at the far limit.
    QTest::newRow("left past right limit")
        << Handle::Left << QPoint(2000, 0) << band(817, 100, 300, 250) << QRect(300, 100, 517, 150);
    QTest::newRow("right past left limit")
        << Handle::Right << QPoint(-2000, 0) << band(100, 100, 18, 250) << QRect(18, 100, 82, 150);
    QTest::newRow("top past bottom limit")
        << Handle::Top << QPoint(0, 2000) << band(100, 617, 300, 250) << QRect(100, 250, 200, 367);
    QTest::newRow("bottom onto top")
        << Handle::Bottom << QPoint(0, -150) << band(100, 100, 300, 100) << QRect(100, 100, 200, 1);
}

void tst_FrameGeometry::resizeBand()
{
    QFETCH(Handle, handle);
    QFETCH(QPoint, pointer);
    QFETCH(QRect, expected);
    QFETCH(QRect, released);
    const QRect b = geometry::resizeBand(frame, handle, pointer.x(), pointer.y(), area);
    QCOMPARE(b, expected);
    QCOMPARE(geometry::bandToFrame(b), released);
}

// Against the handles as placed: a dragged right/bottom edge lies under the pointer and a
// dragged left/top edge handleSize pixels right of or below it.
void tst_FrameGeometry::resizedEdgesFollowThePointer()
{
    const QPoint pointer(250, 200);
    const HandlePlacement placed = geometry::placeHandles(frame);
    for (int i = 0; i < 8; ++i) {
        const auto handle = Handle(i);
        const QPoint rel = pointer - placed.handles[i];
        const QRect b = geometry::resizeBand(frame, handle, rel.x(), rel.y(), area);
        const Edges e = geometry::movedEdges(handle);
        QCOMPARE(b.left(), e.left ? pointer.x() + handleSize : frame.left());
        QCOMPARE(b.top(), e.top ? pointer.y() + handleSize : frame.top());
        QCOMPARE(b.right(), e.right ? pointer.x() - 1 : frame.right());
        QCOMPARE(b.bottom(), e.bottom ? pointer.y() - 1 : frame.bottom());
    }
}

// A 640 x 480 picture at scale 1 fills columns 18..657 and rows 18..497; dragging the
// corner past them gives the frame the whole picture, as the keys would.
void tst_FrameGeometry::rightEdgeReachesPictureWidth()
{
    const QRect picture(18, 18, 640, 480);
    const QRect start(18, 18, 320, 240);
    const QRect released = geometry::bandToFrame(
        geometry::resizeBand(start, Handle::BottomRight, 1000, 1000, picture));
    QCOMPARE(atScaleOne(released), QRect(0, 0, 640, 480));

    const QRect moved = geometry::bandToFrame(geometry::moveBand(start, 0, 0, 1000, 1000, picture));
    QCOMPARE(atScaleOne(moved), QRect(320, 240, 320, 240));
}

void tst_FrameGeometry::bandToFrame_data()
{
    QTest::addColumn<QRect>("crossed");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("plain") << band(10, 20, 110, 70) << QRect(10, 20, 100, 50);
    QTest::newRow("crossed across") << band(110, 20, 10, 70) << QRect(10, 20, 100, 50);
    QTest::newRow("crossed both") << band(110, 70, 10, 20) << QRect(10, 20, 100, 50);
    QTest::newRow("no width") << band(40, 20, 40, 70) << QRect(40, 20, 1, 50);
    QTest::newRow("a point") << band(40, 20, 40, 20) << QRect(40, 20, 1, 1);
}

void tst_FrameGeometry::bandToFrame()
{
    QFETCH(QRect, crossed);
    QFETCH(QRect, expected);
    QCOMPARE(geometry::bandToFrame(crossed), expected);
}

void tst_FrameGeometry::placeHandles_data()
{
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<int>("midX");
    QTest::addColumn<int>("midY");
    QTest::newRow("even") << frame << 196 << 171;
    QTest::newRow("odd") << QRect(101, 50, 201, 99) << 197 << 95;
    QTest::newRow("one pixel") << QRect(30, 40, 1, 1) << 26 << 36;
    QTest::newRow("negative size floors") << QRect(30, 40, -3, -5) << 24 << 33;
}

void tst_FrameGeometry::placeHandles()
{
    QFETCH(QRect, rect);
    QFETCH(int, midX);
    QFETCH(int, midY);
    const int l = rect.x(), t = rect.y(), r = rect.x() + rect.width(), b = rect.y() + rect.height();
    const HandlePlacement p = geometry::placeHandles(rect);
    const QPoint expected[8] = {{l - 8, t - 8}, {midX, t - 8}, {r, t - 8}, {l - 8, midY},
                                {r, midY},      {l - 8, b},    {midX, b},  {r, b}};
    for (int i = 0; i < 8; ++i)
        QCOMPARE(p.handles[i], expected[i]);
    QCOMPARE(p.tag, QPoint(l + 8, t + 8));
}

void tst_FrameGeometry::nudge_data()
{
    QTest::addColumn<QRect>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("keypad");
    QTest::addColumn<QPoint>("expected");

    // Width 200 and height 150: the last column is on 817 at Left 618, the last row on
    // 617 at Top 468.
    const auto at = [](int x, int y) { return QRect(x, y, 200, 150); };
    QTest::newRow("left at limit") << at(18, 100) << int(Qt::Key_Left) << false << QPoint(18, 100);
    QTest::newRow("left short") << at(19, 100) << int(Qt::Key_Left) << false << QPoint(18, 100);
    QTest::newRow("up at limit") << at(100, 18) << int(Qt::Key_Up) << false << QPoint(100, 18);
    QTest::newRow("up short") << at(100, 19) << int(Qt::Key_Up) << false << QPoint(100, 18);
    QTest::newRow("right at limit")
        << at(618, 100) << int(Qt::Key_Right) << false << QPoint(618, 100);
    QTest::newRow("right short") << at(617, 100) << int(Qt::Key_Right) << false << QPoint(618, 100);
    QTest::newRow("down at limit")
        << at(100, 468) << int(Qt::Key_Down) << false << QPoint(100, 468);
    QTest::newRow("down short") << at(100, 467) << int(Qt::Key_Down) << false << QPoint(100, 468);
    QTest::newRow("keypad 4") << at(100, 100) << int(Qt::Key_4) << true << QPoint(99, 100);
    QTest::newRow("keypad 8") << at(100, 100) << int(Qt::Key_8) << true << QPoint(100, 99);
    QTest::newRow("keypad 6") << at(100, 100) << int(Qt::Key_6) << true << QPoint(101, 100);
    QTest::newRow("keypad 2") << at(100, 100) << int(Qt::Key_2) << true << QPoint(100, 101);
    QTest::newRow("keypad arrow") << at(100, 100) << int(Qt::Key_Left) << true << QPoint(99, 100);
    QTest::newRow("main-row 6") << at(100, 100) << int(Qt::Key_6) << false << QPoint(100, 100);
    QTest::newRow("space") << at(100, 100) << int(Qt::Key_Space) << false << QPoint(100, 100);
}

void tst_FrameGeometry::nudge()
{
    QFETCH(QRect, start);
    QFETCH(int, key);
    QFETCH(bool, keypad);
    QFETCH(QPoint, expected);
    const QRect moved = geometry::nudge(start, key, keypad, area);
    QCOMPARE(moved.topLeft(), expected);
    QCOMPARE(moved.size(), start.size());
}

void tst_FrameGeometry::hoverText_data()
{
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<QString>("expected");
    QTest::newRow("page") << QRect(0, 0, 1200, 1600)
                          << QString::fromUtf16(u"起始X\uFF1A0  起始Y\uFF1A0  "
                                                u"尺寸\uFF1A1200\u00D71600 像素");
    QTest::newRow("negative") << QRect(-5, 12, -1, 3)
                              << QString::fromUtf16(u"起始X\uFF1A-5  起始Y\uFF1A12  "
                                                    u"尺寸\uFF1A-1\u00D73 像素");
}

void tst_FrameGeometry::hoverText()
{
    QFETCH(QRect, rect);
    QFETCH(QString, expected);
    QCOMPARE(geometry::hoverText(rect), expected);
}

void tst_FrameGeometry::handleCursor()
{
    const Qt::CursorShape expected[8] = {
        Qt::SizeFDiagCursor, Qt::SizeVerCursor,   Qt::SizeBDiagCursor, Qt::SizeHorCursor,
        Qt::SizeHorCursor,   Qt::SizeBDiagCursor, Qt::SizeVerCursor,   Qt::SizeFDiagCursor};
    for (int i = 0; i < 8; ++i)
        QCOMPARE(geometry::handleCursor(Handle(i)), expected[i]);
}

QTEST_APPLESS_MAIN(tst_FrameGeometry)
#include "tst_framegeometry.moc"
