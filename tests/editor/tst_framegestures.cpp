#include "TestSupport.h"
#include "job/SplitJob.h"
#include "editor/FrameGeometry.h"
#include "editor/FrameShape.h"
#include "editor/SizeHandle.h"
#include "editor/SplitLayout.h"
#include "editor/FrameEditorWindow.h"
#include "select/PictureListWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using Handle = geometry::Handle;
Q_DECLARE_METATYPE(geometry::Handle)

namespace {

const QColor grey(128, 128, 128);
const QColor blue(0, 0, 255);

QRect asRect(const FrameRect &r)
{
    return QRect(r.x, r.y, r.width, r.height);
}

QColor tagColour(const FrameEditorWindow &step2, int i)
{
    return step2.Label1[size_t(i)]->palette().color(QPalette::WindowText);
}

// A pointer move with no button held, as the platform reports hovering.
void hover(QWidget *widget, QPoint pos)
{
    QMouseEvent move(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

} // namespace

// The editor over a 640 x 480 sample shown at its own size, four frames:
// (18,18) (338,18) (18,258) (338,258), each 320 x 240; area right 657, bottom 497.
class tst_FrameGestures : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void clickSelectsAndDeselects();
    void handlesInFrontOfOtherFrames();
    void move_data();
    void move();
    void resize_data();
    void resize();
    void pressWithoutMoveIsAClick();
    void secondButtonFreezesBand();
    void rightButtonMovesNothing();
    void pressOnAnotherFrameMovesNothing();
    void releaseBeforeAnySelection();
    void lastSelectedFrameMovesAfterDeselection();
    void rotationKeepsSelection();
    void hoverReadOutAndHighlight();
    void keys_data();
    void keys();
    void keysWithNothingSelected();

private:
    void select(int i);
    void pressKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    QTemporaryDir dir_;
    QString samplePath_;
    std::unique_ptr<testsupport::ScriptedBoxes> boxes_;
    std::unique_ptr<PictureListWindow> step1_;
    std::unique_ptr<FrameEditorWindow> step2_;
};

void tst_FrameGestures::initTestCase()
{
    QVERIFY(dir_.isValid());
    samplePath_ = dir_.filePath(QStringLiteral("样本.png"));
    QVERIFY(testsupport::writePicture(testsupport::patternImage(640, 480), samplePath_, "PNG"));
    setFatalEnd([] { QFAIL("the program would end"); });
}

void tst_FrameGestures::init()
{
    boxes_ = std::make_unique<testsupport::ScriptedBoxes>();
    step1_ = std::make_unique<PictureListWindow>();
    step1_->List1->addItem(samplePath_);
    step1_->Combo1->setCurrentText(QStringLiteral("4"));
    step2_ = std::make_unique<FrameEditorWindow>(*step1_);
    step2_->show();
    QVERIFY(QTest::qWaitForWindowExposed(step2_.get()));
    QCOMPARE(step2_->Shape1[4]->geometry(), QRect(338, 258, 320, 240));
}

void tst_FrameGestures::cleanup()
{
    QVERIFY(boxes_->shown().empty());
    step2_.reset();
    step1_.reset();
    boxes_.reset();
}

void tst_FrameGestures::select(int i)
{
    QTest::mouseClick(step2_->Shape1[size_t(i)], Qt::LeftButton, {}, QPoint(100, 100));
    QVERIFY(step2_->handlesShown);
    QCOMPARE(step2_->activeFrame, i);
}

void tst_FrameGestures::pressKey(int key, Qt::KeyboardModifiers modifiers)
{
    QWidget *focused = step2_->focusWidget() ? step2_->focusWidget() : step2_.get();
    QTest::keyClick(focused, Qt::Key(key), modifiers);
}

void tst_FrameGestures::clickSelectsAndDeselects()
{
    FrameEditorWindow &w = *step2_;
    select(2);
    QVERIFY(w.labLeftUp->isVisible() && w.labRightDown->isVisible());
    const geometry::HandlePlacement places = geometry::placeHandles(w.Shape1[2]->geometry());
    QCOMPARE(w.labLeftUp->pos(), places.handles[int(Handle::TopLeft)]);
    QCOMPARE(w.labDownMid->pos(), places.handles[int(Handle::Bottom)]);
    QCOMPARE(w.Label1[2]->pos(), QPoint(338 + 8, 18 + 8));
    QCOMPARE(tagColour(w, 2), blue);
    QCOMPARE(tagColour(w, 1), grey);
    for (int i = 1; i <= 4; ++i)
        QVERIFY(!w.Combo1[size_t(i)]->isEnabled());
    QVERIFY(!w.Command1->isEnabled() && !w.Command2->isEnabled() && !w.Command3->isEnabled());
    QVERIFY(w.Combo2->isEnabled());

    // Another frame takes the selection in one step.
    select(3);
    QCOMPARE(tagColour(w, 2), grey);
    QCOMPARE(tagColour(w, 3), blue);
    QCOMPARE(w.labLeftUp->pos(), QPoint(10, 250));

    // The selected frame clicked again drops the selection and keeps activeFrame.
    QTest::mouseClick(w.Shape1[3], Qt::LeftButton, {}, QPoint(100, 100));
    QVERIFY(!w.handlesShown);
    QVERIFY(!w.labLeftUp->isVisible());
    QCOMPARE(w.activeFrame, 3);
    QCOMPARE(tagColour(w, 3), grey);
    QVERIFY(w.Combo1[1]->isEnabled() && w.Command2->isEnabled());
}

void tst_FrameGestures::handlesInFrontOfOtherFrames()
{
    select(1);
    // labRightMid and labRightUp of frame 1 lie over frame 2.
    for (SizeHandle *handle : {step2_->labRightUp, step2_->labRightMid, step2_->labRightDown}) {
        const QPoint centre = handle->geometry().center();
        QCOMPARE(step2_->childAt(centre), handle);
    }
}

void tst_FrameGestures::move_data()
{
    QTest::addColumn<int>("frame");
    QTest::addColumn<QPoint>("to"); // pointer, pressed at (100, 100) of the frame
    QTest::addColumn<QRect>("expected");

    QTest::newRow("small move") << 1 << QPoint(110, 105) << QRect(28, 23, 320, 240);
    QTest::newRow("held at the left") << 2 << QPoint(-900, 100) << QRect(18, 18, 320, 240);
    QTest::newRow("held at the right: last column on the picture's last")
        << 1 << QPoint(1100, 100) << QRect(338, 18, 320, 240);
    QTest::newRow("held at the top") << 3 << QPoint(100, -900) << QRect(18, 18, 320, 240);
    QTest::newRow("held at the bottom") << 1 << QPoint(100, 900) << QRect(18, 258, 320, 240);
    QTest::newRow("held in a corner") << 4 << QPoint(-900, -900) << QRect(18, 18, 320, 240);
}

void tst_FrameGestures::move()
{
    QFETCH(int, frame);
    QFETCH(QPoint, to);
    QFETCH(QRect, expected);

    FrameEditorWindow &w = *step2_;
    select(frame);
    FrameShape *shape = w.Shape1[size_t(frame)];
    const QImage before = w.surface().copy();

    QTest::mousePress(shape, Qt::LeftButton, {}, QPoint(100, 100));
    QCOMPARE(w.cursor().shape(), Qt::SizeAllCursor);
    QTest::mouseMove(shape, QPoint(150, 130));
    QVERIFY(w.surface() != before); // the band shows
    QTest::mouseMove(shape, to);
    QTest::mouseRelease(shape, Qt::LeftButton, {}, to);

    QCOMPARE(shape->geometry(), expected);
    QCOMPARE(w.surface(), before); // the band left no trace
    QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(asRect(frameRects[size_t(frame)]), asRect(layout::pictureRect(expected, w.picScale)));
    QCOMPARE(w.labLeftUp->pos(), expected.topLeft() - QPoint(8, 8));
    QCOMPARE(w.Label1[size_t(frame)]->pos(), expected.topLeft() + QPoint(8, 8));
    // A drag is no click: the frame stays selected for the keys.
    QVERIFY(w.handlesShown);
    QVERIFY(w.labLeftUp->isVisible());
}

void tst_FrameGestures::resize_data()
{
    QTest::addColumn<int>("frame");
    QTest::addColumn<Handle>("handle");
    QTest::addColumn<QPoint>("to"); // pointer inside the handle, pressed at (0, 0)
    QTest::addColumn<QRect>("expected");

    QTest::newRow("right edge 10 further")
        << 1 << Handle::Right << QPoint(10, 0) << QRect(18, 18, 330, 240);
    QTest::newRow("right edge to the picture's last column")
        << 1 << Handle::Right << QPoint(900, 0) << QRect(18, 18, 640, 240);
    QTest::newRow("bottom edge held at the last row")
        << 1 << Handle::Bottom << QPoint(0, 900) << QRect(18, 18, 320, 480);
    QTest::newRow("top-left corner past the picture's corner")
        << 4 << Handle::TopLeft << QPoint(-900, -900) << QRect(18, 18, 640, 480);
    QTest::newRow("top edge up, bottom stays")
        << 3 << Handle::Top << QPoint(0, -50) << QRect(18, 208, 320, 290);
    QTest::newRow("left edge past the right: crossed band normalised")
        << 1 << Handle::Left << QPoint(400, 0) << QRect(338, 18, 80, 240);
    QTest::newRow("right edge onto the left one: at least 1 wide")
        << 2 << Handle::Right << QPoint(-320, 0) << QRect(338, 18, 1, 240);
    QTest::newRow("bottom-left corner")
        << 2 << Handle::BottomLeft << QPoint(-28, 20) << QRect(310, 18, 348, 260);
}

void tst_FrameGestures::resize()
{
    QFETCH(int, frame);
    QFETCH(Handle, handle);
    QFETCH(QPoint, to);
    QFETCH(QRect, expected);

    FrameEditorWindow &w = *step2_;
    select(frame);
    const SizeHandle *all[] = {w.labLeftUp,   w.labUpMid,    w.labRightUp, w.labLeftMid,
                                w.labRightMid, w.labLeftDown, w.labDownMid, w.labRightDown};
    auto *label = const_cast<SizeHandle *>(all[int(handle)]);
    QCOMPARE(label->cursor().shape(), geometry::handleCursor(handle));
    const QImage before = w.surface().copy();

    QTest::mousePress(label, Qt::LeftButton, {}, QPoint(0, 0));
    QTest::mouseMove(label, QPoint(to.x() / 2, to.y() / 2));
    QTest::mouseMove(label, to);
    QTest::mouseRelease(label, Qt::LeftButton, {}, to);

    QCOMPARE(w.Shape1[size_t(frame)]->geometry(), expected);
    QCOMPARE(w.surface(), before);
    QCOMPARE(asRect(frameRects[size_t(frame)]), asRect(layout::pictureRect(expected, w.picScale)));
    QCOMPARE(w.labRightDown->pos(), expected.bottomRight() + QPoint(1, 1));
    QVERIFY(w.handlesShown);
}

void tst_FrameGestures::pressWithoutMoveIsAClick()
{
    FrameEditorWindow &w = *step2_;
    select(2);
    frameRects[2] = FrameRect{1, 2, 3, 4};
    QTest::mouseClick(w.Shape1[2], Qt::LeftButton, {}, QPoint(60, 60));
    QCOMPARE(w.Shape1[2]->geometry(), QRect(338, 18, 320, 240));
    QCOMPARE(asRect(frameRects[2]), QRect(320, 0, 320, 240)); // recomputed all the same
    QVERIFY(!w.handlesShown);

    // A pointer brought back to where it was pressed moves nothing, and was a drag.
    select(2);
    QTest::mousePress(w.Shape1[2], Qt::LeftButton, {}, QPoint(60, 60));
    QTest::mouseMove(w.Shape1[2], QPoint(90, 80));
    QTest::mouseMove(w.Shape1[2], QPoint(60, 60));
    QTest::mouseRelease(w.Shape1[2], Qt::LeftButton, {}, QPoint(60, 60));
    QCOMPARE(w.Shape1[2]->geometry(), QRect(338, 18, 320, 240));
    QVERIFY(w.handlesShown);
}

void tst_FrameGestures::secondButtonFreezesBand()
{
    FrameEditorWindow &w = *step2_;
    select(1);
    FrameShape *shape = w.Shape1[1];
    const QImage before = w.surface().copy();
    QTest::mousePress(shape, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(shape, QPoint(110, 100));
    const QImage banded = w.surface().copy();
    QTest::mousePress(shape, Qt::RightButton, {}, QPoint(110, 100));
    QTest::mouseMove(shape, QPoint(160, 140));
    QCOMPARE(w.surface(), banded); // frozen
    QTest::mouseRelease(shape, Qt::RightButton, {}, QPoint(160, 140));
    QTest::mouseRelease(shape, Qt::LeftButton, {}, QPoint(160, 140));
    QCOMPARE(shape->geometry(), QRect(28, 18, 320, 240));
    QCOMPARE(w.surface(), before);
    QVERIFY(w.handlesShown);
}

void tst_FrameGestures::rightButtonMovesNothing()
{
    FrameEditorWindow &w = *step2_;
    select(1);
    FrameShape *shape = w.Shape1[1];
    const QImage before = w.surface().copy();
    QTest::mousePress(shape, Qt::RightButton, {}, QPoint(100, 100));
    QCOMPARE(w.cursor().shape(), Qt::SizeAllCursor);
    QTest::mouseMove(shape, QPoint(200, 200));
    QTest::mouseRelease(shape, Qt::RightButton, {}, QPoint(200, 200));
    QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(shape->geometry(), QRect(18, 18, 320, 240));
    QCOMPARE(w.surface(), before);
    QVERIFY(w.handlesShown);
}

void tst_FrameGestures::pressOnAnotherFrameMovesNothing()
{
    FrameEditorWindow &w = *step2_;
    select(1);
    w.labLeftUp->move(0, 0);
    const QImage before = w.surface().copy();
    FrameShape *other = w.Shape1[4];
    QTest::mousePress(other, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(other, QPoint(-50, -30));
    QCOMPARE(w.surface(), before);
    // Released off the frame, so no click selects it.
    QTest::mouseRelease(other, Qt::LeftButton, {}, QPoint(-50, -30));
    QCOMPARE(other->geometry(), QRect(338, 258, 320, 240));
    QCOMPARE(w.Shape1[1]->geometry(), QRect(18, 18, 320, 240));
    // The release re-placed the active frame's handles.
    QCOMPARE(w.labLeftUp->pos(), QPoint(10, 10));
    QCOMPARE(w.activeFrame, 1);
}

void tst_FrameGestures::releaseBeforeAnySelection()
{
    FrameEditorWindow &w = *step2_;
    QList<QRect> frames;
    for (int i = 1; i <= 4; ++i)
        frames.append(w.Shape1[size_t(i)]->geometry());
    QTest::mousePress(w.Shape1[2], Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(w.Shape1[2], QPoint(10, 10));
    QTest::mouseRelease(w.Shape1[2], Qt::RightButton, {}, QPoint(10, 10));
    for (int i = 1; i <= 4; ++i)
        QCOMPARE(w.Shape1[size_t(i)]->geometry(), frames[i - 1]);
    QCOMPARE(asRect(frameRects[2]), QRect(320, 0, 320, 240));
    QTest::mouseRelease(w.Shape1[2], Qt::LeftButton, {}, QPoint(10, 10));
}

void tst_FrameGestures::lastSelectedFrameMovesAfterDeselection()
{
    FrameEditorWindow &w = *step2_;
    select(3);
    QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(900, 620));
    QVERIFY(!w.handlesShown);
    FrameShape *shape = w.Shape1[3];
    QTest::mousePress(shape, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(shape, QPoint(130, 90));
    QTest::mouseRelease(shape, Qt::LeftButton, {}, QPoint(130, 90));
    QCOMPARE(shape->geometry(), QRect(48, 248, 320, 240));
    QCOMPARE(asRect(frameRects[3]), QRect(30, 230, 320, 240));
    // The drag was no click, so it did not select the frame either.
    QVERIFY(!w.handlesShown);
    QVERIFY(!w.labLeftUp->isVisible());
}

void tst_FrameGestures::rotationKeepsSelection()
{
    FrameEditorWindow &w = *step2_;
    select(4);
    pressKey(Qt::Key_Up);
    QCOMPARE(w.labRightDown->pos(), QPoint(658, 497));
    w.Combo2->setCurrentIndex(2);
    QVERIFY(w.handlesShown);
    QCOMPARE(w.activeFrame, 4);
    QVERIFY(!w.Command2->isEnabled());
    QCOMPARE(w.Shape1[4]->geometry(), QRect(338, 258, 320, 240));
    QCOMPARE(w.labRightDown->pos(), QPoint(658, 498));
    QCOMPARE(tagColour(w, 4), blue);
}

void tst_FrameGestures::hoverReadOutAndHighlight()
{
    FrameEditorWindow &w = *step2_;
    hover(w.Shape1[2], QPoint(50, 50));
    QCOMPARE(w.Shape1[2]->toolTip(), QStringLiteral("起始X：320  起始Y：0  尺寸：320×240 像素"));
    QCOMPARE(tagColour(w, 2), blue);
    hover(w.Shape1[3], QPoint(50, 50));
    QCOMPARE(tagColour(w, 2), grey);
    QCOMPARE(tagColour(w, 3), blue);
    QTest::mouseMove(&w, QPoint(900, 620));
    QCOMPARE(tagColour(w, 3), blue);

    // While a frame is selected hovering changes no colour, but the text still follows.
    select(1);
    frameRects[4] = FrameRect{0, 0, 1200, 1600};
    hover(w.Shape1[4], QPoint(50, 50));
    QCOMPARE(w.Shape1[4]->toolTip(), QStringLiteral("起始X：0  起始Y：0  尺寸：1200×1600 像素"));
    QCOMPARE(tagColour(w, 1), blue);
    QCOMPARE(tagColour(w, 4), grey);
}

void tst_FrameGestures::keys_data()
{
    QTest::addColumn<int>("frame");
    QTest::addColumn<QPoint>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QPoint>("expected");

    const int none = Qt::NoModifier;
    QTest::newRow("left at the limit")
        << 1 << QPoint(18, 18) << int(Qt::Key_Left) << none << QPoint(18, 18);
    QTest::newRow("left") << 1 << QPoint(19, 18) << int(Qt::Key_Left) << none << QPoint(18, 18);
    QTest::newRow("up at the limit")
        << 1 << QPoint(18, 18) << int(Qt::Key_Up) << none << QPoint(18, 18);
    QTest::newRow("right at the limit")
        << 2 << QPoint(338, 18) << int(Qt::Key_Right) << none << QPoint(338, 18);
    QTest::newRow("right, one short of the limit")
        << 2 << QPoint(337, 18) << int(Qt::Key_Right) << none << QPoint(338, 18);
    QTest::newRow("down at the limit")
        << 3 << QPoint(18, 258) << int(Qt::Key_Down) << none << QPoint(18, 258);
    QTest::newRow("down") << 1 << QPoint(18, 18) << int(Qt::Key_Down) << none << QPoint(18, 19);
    QTest::newRow("shift with right: still one pixel")
        << 1 << QPoint(18, 18) << int(Qt::Key_Right) << int(Qt::ShiftModifier) << QPoint(19, 18);
    QTest::newRow("keypad 6") << 1 << QPoint(18, 18) << int(Qt::Key_6) << int(Qt::KeypadModifier)
                              << QPoint(19, 18);
    QTest::newRow("keypad 8") << 3 << QPoint(18, 258) << int(Qt::Key_8) << int(Qt::KeypadModifier)
                              << QPoint(18, 257);
    QTest::newRow("digit 6 off the keypad")
        << 1 << QPoint(18, 18) << int(Qt::Key_6) << none << QPoint(18, 18);
    QTest::newRow("space bar") << 1 << QPoint(40, 40) << int(Qt::Key_Space) << none
                               << QPoint(40, 40);
}

void tst_FrameGestures::keys()
{
    QFETCH(int, frame);
    QFETCH(QPoint, start);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QPoint, expected);

    FrameEditorWindow &w = *step2_;
    w.Shape1[size_t(frame)]->move(start);
    select(frame);
    frameRects[size_t(frame)] = FrameRect{-1, -1, -1, -1};
    const int rotation = w.Combo2->currentIndex();

    pressKey(key, Qt::KeyboardModifiers(modifiers));

    const QRect moved(expected, QSize(320, 240));
    QCOMPARE(w.Shape1[size_t(frame)]->geometry(), moved);
    // Every key while selected re-places the handles and recomputes frameRects.
    QCOMPARE(asRect(frameRects[size_t(frame)]), asRect(layout::pictureRect(moved, w.picScale)));
    QCOMPARE(w.labLeftUp->pos(), expected - QPoint(8, 8));
    QCOMPARE(w.Combo2->currentIndex(), rotation);
    QVERIFY(w.handlesShown);
}

void tst_FrameGestures::keysWithNothingSelected()
{
    FrameEditorWindow &w = *step2_;
    frameRects[1] = FrameRect{-1, -1, -1, -1};
    w.Combo1[1]->setFocus();
    QTest::keyClick(w.Combo1[1], Qt::Key_Down);
    // The focused control got the key; the frames did not.
    QCOMPARE(w.Combo1[1]->currentText(), QStringLiteral("B"));
    QCOMPARE(w.Shape1[1]->geometry(), QRect(18, 18, 320, 240));
    QCOMPARE(asRect(frameRects[1]), QRect(-1, -1, -1, -1));

    // After a deselection the keys are ignored again.
    select(1);
    QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(900, 620));
    QVERIFY(!w.handlesShown);
    QTest::keyClick(&w, Qt::Key_Right);
    QCOMPARE(w.Shape1[1]->geometry(), QRect(18, 18, 320, 240));
}

QTEST_MAIN(tst_FrameGestures)
#include "tst_framegestures.moc"
