#include "EditorControls.h"
#include "TestSupport.h"
#include "editor/FrameGeometry.h"
#include "job/SplitLayout.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace editorcontrols;
using Handle = geometry::Handle;
Q_DECLARE_METATYPE(geometry::Handle)

namespace {

const QColor grey(128, 128, 128);
const QColor blue(0, 0, 255);

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

    void clickSelects();
    void wheelNeedsFocus();
    void clickDropsSelection_data();
    void clickDropsSelection();
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
    QRect &pictureRect(int i) { return job_.frames[size_t(i - 1)].rect; }

    QTemporaryDir dir_;
    QString samplePath_;
    std::unique_ptr<testsupport::ScriptedBoxes> boxes_;
    SplitJob job_;
    std::unique_ptr<FrameEditorWindow> editor_;
    std::unique_ptr<QSignalSpy> imagingFailures_;
};

void tst_FrameGestures::initTestCase()
{
    QVERIFY(dir_.isValid());
    samplePath_ = dir_.filePath(QStringLiteral("样本.png"));
    QVERIFY(testsupport::writePicture(testsupport::patternImage(640, 480), samplePath_, "PNG"));
}

void tst_FrameGestures::init()
{
    boxes_ = std::make_unique<testsupport::ScriptedBoxes>();
    job_ = SplitJob{};
    job_.pictures = {samplePath_};
    job_.partCount = 4;
    editor_ = std::make_unique<FrameEditorWindow>(job_);
    imagingFailures_ =
        std::make_unique<QSignalSpy>(editor_.get(), &FrameEditorWindow::imagingFailed);
    editor_->load();
    editor_->show();
    QVERIFY(QTest::qWaitForWindowExposed(editor_.get()));
    QCOMPARE(frameShape(*editor_, 4)->geometry(), QRect(338, 258, 320, 240));
}

void tst_FrameGestures::cleanup()
{
    QVERIFY(boxes_->shown().empty());
    QCOMPARE(imagingFailures_->count(), 0);
    imagingFailures_.reset();
    editor_.reset();
    boxes_.reset();
}

void tst_FrameGestures::select(int i)
{
    QTest::mouseClick(frameShape(*editor_, i), Qt::LeftButton, {}, QPoint(100, 100));
    QVERIFY(editor_->canvas().handlesShown());
    QCOMPARE(editor_->canvas().selectedFrame(), i);
}

void tst_FrameGestures::pressKey(int key, Qt::KeyboardModifiers modifiers)
{
    QWidget *focused = editor_->focusWidget() ? editor_->focusWidget() : editor_.get();
    QTest::keyClick(focused, Qt::Key(key), modifiers);
}

void tst_FrameGestures::clickSelects()
{
    FrameEditorWindow &w = *editor_;
    select(2);
    QVERIFY(sizeHandle(w, Handle::TopLeft)->isVisible() &&
            sizeHandle(w, Handle::BottomRight)->isVisible());
    const geometry::HandlePlacement places = geometry::placeHandles(frameShape(w, 2)->geometry());
    QCOMPARE(sizeHandle(w, Handle::TopLeft)->pos(), places.handles[int(Handle::TopLeft)]);
    QCOMPARE(sizeHandle(w, Handle::Bottom)->pos(), places.handles[int(Handle::Bottom)]);
    QCOMPARE(frameTag(w, 2)->pos(), QPoint(338 + 8, 18 + 8));
    QCOMPARE(tagColour(w, 2), blue);
    QCOMPARE(tagColour(w, 1), grey);
    for (int i = 1; i <= 4; ++i)
        QVERIFY(!letterBox(w, i)->isEnabled());
    for (const char *name : {"previousButton", "nextButton", "exitButton"})
        QVERIFY2(!button(w, name)->isEnabled(), name);
    QVERIFY(rotationBox(w)->isEnabled());

    // Another frame takes the selection in one step.
    select(3);
    QCOMPARE(tagColour(w, 2), grey);
    QCOMPARE(tagColour(w, 3), blue);
    QCOMPARE(sizeHandle(w, Handle::TopLeft)->pos(), QPoint(10, 250));

    // A double-click acts as one click: it selects and does not drop again.
    // Through the window, so that Qt makes the presses, the releases and the double-click.
    QTest::mouseDClick(w.windowHandle(), Qt::LeftButton, {},
                       frameShape(w, 4)->mapTo(&w, QPoint(50, 50)));
    QCOMPARE(w.canvas().selectedFrame(), 4);
    QVERIFY(w.canvas().handlesShown());
    QCOMPARE(tagColour(w, 4), blue);
}

void tst_FrameGestures::wheelNeedsFocus()
{
    FrameEditorWindow &w = *editor_;
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto turnWheel = [](QComboBox *list) {
        const QPointF at(list->width() / 2.0, list->height() / 2.0);
        QWheelEvent wheel(at, list->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(list, &wheel);
    };
    for (QComboBox *list : {rotationBox(w), letterBox(w, 2)}) {
        const int before = list->currentIndex();
        button(w, "nextButton")->setFocus();
        turnWheel(list);
        QCOMPARE(list->currentIndex(), before);
        QVERIFY(!list->hasFocus());
        list->setFocus();
        turnWheel(list);
        QCOMPARE(list->currentIndex(), before + 1);
    }
    QCOMPARE(job_.rotation, Rotation::Clockwise90);
}

void tst_FrameGestures::clickDropsSelection_data()
{
    QTest::addColumn<QString>("target"); // object name of the control clicked
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<bool>("dropped");

    QTest::newRow("the selected frame again") << "frameShapes_3" << QPoint(100, 100) << true;
    QTest::newRow("the bare background") << "canvas" << QPoint(900, 5) << true;
    QTest::newRow("the note is no background") << "noteLabel" << QPoint(5, 5) << false;
}

void tst_FrameGestures::clickDropsSelection()
{
    QFETCH(QString, target);
    QFETCH(QPoint, at);
    QFETCH(bool, dropped);

    FrameEditorWindow &w = *editor_;
    select(3);
    QTest::mouseClick(requiredControl<QWidget>(w, target), Qt::LeftButton, {}, at);

    QCOMPARE(w.canvas().handlesShown(), !dropped);
    for (int k = 0; k < 8; ++k)
        QCOMPARE(sizeHandle(w, Handle(k))->isVisible(), !dropped);
    // The last selected frame is kept for the next drag.
    QCOMPARE(w.canvas().selectedFrame(), 3);
    for (int i = 1; i <= 4; ++i) {
        QCOMPARE(tagColour(w, i), i == 3 && !dropped ? blue : grey);
        QCOMPARE(letterBox(w, i)->isEnabled(), dropped);
    }
    for (const char *name : {"previousButton", "nextButton", "exitButton"})
        QCOMPARE(button(w, name)->isEnabled(), dropped);
}

void tst_FrameGestures::handlesInFrontOfOtherFrames()
{
    select(1);
    // The right-hand handles of frame 1 lie over frame 2.
    for (Handle h : {Handle::TopRight, Handle::Right, Handle::BottomRight}) {
        SizeHandle *handle = sizeHandle(*editor_, h);
        QCOMPARE(editor_->childAt(handle->geometry().center()), handle);
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

    FrameEditorWindow &w = *editor_;
    FrameCanvas &canvas = w.canvas();
    select(frame);
    FrameShape *shape = frameShape(w, frame);
    const QImage before = canvas.surface().copy();

    QTest::mousePress(shape, Qt::LeftButton, {}, QPoint(100, 100));
    QCOMPARE(canvas.cursor().shape(), Qt::SizeAllCursor);
    QTest::mouseMove(shape, QPoint(150, 130));
    QVERIFY(canvas.surface() != before); // the band shows
    QTest::mouseMove(shape, to);
    QTest::mouseRelease(shape, Qt::LeftButton, {}, to);

    QCOMPARE(shape->geometry(), expected);
    QCOMPARE(canvas.surface(), before); // the band left no trace
    QCOMPARE(canvas.cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(pictureRect(frame), layout::pictureRect(expected, canvas.scale()));
    QCOMPARE(sizeHandle(w, Handle::TopLeft)->pos(), expected.topLeft() - QPoint(8, 8));
    QCOMPARE(frameTag(w, frame)->pos(), expected.topLeft() + QPoint(8, 8));
    // A drag is no click: the frame stays selected for the keys.
    QVERIFY(canvas.handlesShown());
    QVERIFY(sizeHandle(w, Handle::TopLeft)->isVisible());
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

    FrameEditorWindow &w = *editor_;
    FrameCanvas &canvas = w.canvas();
    select(frame);
    SizeHandle *dragged = sizeHandle(w, handle);
    QCOMPARE(dragged->cursor().shape(), geometry::handleCursor(handle));
    const QImage before = canvas.surface().copy();

    QTest::mousePress(dragged, Qt::LeftButton, {}, QPoint(0, 0));
    QTest::mouseMove(dragged, QPoint(to.x() / 2, to.y() / 2));
    QTest::mouseMove(dragged, to);
    QTest::mouseRelease(dragged, Qt::LeftButton, {}, to);

    QCOMPARE(frameShape(w, frame)->geometry(), expected);
    QCOMPARE(canvas.surface(), before);
    QCOMPARE(pictureRect(frame), layout::pictureRect(expected, canvas.scale()));
    QCOMPARE(sizeHandle(w, Handle::BottomRight)->pos(), expected.bottomRight() + QPoint(1, 1));
    QVERIFY(canvas.handlesShown());
}

void tst_FrameGestures::pressWithoutMoveIsAClick()
{
    FrameEditorWindow &w = *editor_;
    FrameShape *shape = frameShape(w, 2);
    select(2);
    pictureRect(2) = QRect(1, 2, 3, 4);
    QTest::mouseClick(shape, Qt::LeftButton, {}, QPoint(60, 60));
    QCOMPARE(shape->geometry(), QRect(338, 18, 320, 240));
    QCOMPARE(pictureRect(2), QRect(320, 0, 320, 240)); // recomputed all the same
    QVERIFY(!w.canvas().handlesShown());

    // A pointer brought back to where it was pressed moves nothing, and was a drag.
    select(2);
    QTest::mousePress(shape, Qt::LeftButton, {}, QPoint(60, 60));
    QTest::mouseMove(shape, QPoint(90, 80));
    QTest::mouseMove(shape, QPoint(60, 60));
    QTest::mouseRelease(shape, Qt::LeftButton, {}, QPoint(60, 60));
    QCOMPARE(shape->geometry(), QRect(338, 18, 320, 240));
    QVERIFY(w.canvas().handlesShown());
}

void tst_FrameGestures::secondButtonFreezesBand()
{
    FrameCanvas &canvas = editor_->canvas();
    select(1);
    FrameShape *shape = frameShape(*editor_, 1);
    const QImage before = canvas.surface().copy();
    QTest::mousePress(shape, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(shape, QPoint(110, 100));
    const QImage banded = canvas.surface().copy();
    QTest::mousePress(shape, Qt::RightButton, {}, QPoint(110, 100));
    QTest::mouseMove(shape, QPoint(160, 140));
    QCOMPARE(canvas.surface(), banded); // frozen
    QTest::mouseRelease(shape, Qt::RightButton, {}, QPoint(160, 140));
    QTest::mouseRelease(shape, Qt::LeftButton, {}, QPoint(160, 140));
    QCOMPARE(shape->geometry(), QRect(28, 18, 320, 240));
    QCOMPARE(canvas.surface(), before);
    QVERIFY(canvas.handlesShown());
}

void tst_FrameGestures::rightButtonMovesNothing()
{
    FrameCanvas &canvas = editor_->canvas();
    select(1);
    FrameShape *shape = frameShape(*editor_, 1);
    const QImage before = canvas.surface().copy();
    QTest::mousePress(shape, Qt::RightButton, {}, QPoint(100, 100));
    QCOMPARE(canvas.cursor().shape(), Qt::SizeAllCursor);
    QTest::mouseMove(shape, QPoint(200, 200));
    QTest::mouseRelease(shape, Qt::RightButton, {}, QPoint(200, 200));
    QCOMPARE(canvas.cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(shape->geometry(), QRect(18, 18, 320, 240));
    QCOMPARE(canvas.surface(), before);
    QVERIFY(canvas.handlesShown());
}

void tst_FrameGestures::pressOnAnotherFrameMovesNothing()
{
    FrameEditorWindow &w = *editor_;
    select(1);
    SizeHandle *topLeft = sizeHandle(w, Handle::TopLeft);
    topLeft->move(0, 0);
    const QImage before = w.canvas().surface().copy();
    FrameShape *other = frameShape(w, 4);
    QTest::mousePress(other, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(other, QPoint(-50, -30));
    QCOMPARE(w.canvas().surface(), before);
    // Released off the frame, so no click selects it.
    QTest::mouseRelease(other, Qt::LeftButton, {}, QPoint(-50, -30));
    QCOMPARE(other->geometry(), QRect(338, 258, 320, 240));
    QCOMPARE(frameShape(w, 1)->geometry(), QRect(18, 18, 320, 240));
    // The release re-placed the selected frame's handles.
    QCOMPARE(topLeft->pos(), QPoint(10, 10));
    QCOMPARE(w.canvas().selectedFrame(), 1);
}

void tst_FrameGestures::releaseBeforeAnySelection()
{
    FrameEditorWindow &w = *editor_;
    const QList<QRect> frames = windowRects(w);
    FrameShape *shape = frameShape(w, 2);
    QTest::mousePress(shape, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(shape, QPoint(10, 10));
    QTest::mouseRelease(shape, Qt::RightButton, {}, QPoint(10, 10));
    QCOMPARE(windowRects(w), frames);
    QCOMPARE(pictureRect(2), QRect(320, 0, 320, 240));
    QTest::mouseRelease(shape, Qt::LeftButton, {}, QPoint(10, 10));
}

void tst_FrameGestures::lastSelectedFrameMovesAfterDeselection()
{
    FrameEditorWindow &w = *editor_;
    select(3);
    QTest::mouseClick(&w.canvas(), Qt::LeftButton, {}, QPoint(900, 620));
    QVERIFY(!w.canvas().handlesShown());
    FrameShape *shape = frameShape(w, 3);
    QTest::mousePress(shape, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(shape, QPoint(130, 90));
    QTest::mouseRelease(shape, Qt::LeftButton, {}, QPoint(130, 90));
    QCOMPARE(shape->geometry(), QRect(48, 248, 320, 240));
    QCOMPARE(pictureRect(3), QRect(30, 230, 320, 240));
    // The drag was no click, so it did not select the frame either.
    QVERIFY(!w.canvas().handlesShown());
    QVERIFY(!sizeHandle(w, Handle::TopLeft)->isVisible());
}

void tst_FrameGestures::rotationKeepsSelection()
{
    FrameEditorWindow &w = *editor_;
    SizeHandle *bottomRight = sizeHandle(w, Handle::BottomRight);
    select(4);
    pressKey(Qt::Key_Up);
    QCOMPARE(bottomRight->pos(), QPoint(658, 497));
    rotationBox(w)->setCurrentIndex(2);
    QVERIFY(w.canvas().handlesShown());
    QCOMPARE(w.canvas().selectedFrame(), 4);
    QVERIFY(!button(w, "nextButton")->isEnabled());
    QCOMPARE(frameShape(w, 4)->geometry(), QRect(338, 258, 320, 240));
    QCOMPARE(bottomRight->pos(), QPoint(658, 498));
    QCOMPARE(tagColour(w, 4), blue);
}

void tst_FrameGestures::hoverReadOutAndHighlight()
{
    FrameEditorWindow &w = *editor_;
    hover(frameShape(w, 2), QPoint(50, 50));
    QCOMPARE(frameShape(w, 2)->toolTip(),
             QStringLiteral("起始X：320  起始Y：0  尺寸：320×240 像素"));
    QCOMPARE(tagColour(w, 2), blue);
    hover(frameShape(w, 3), QPoint(50, 50));
    QCOMPARE(tagColour(w, 2), grey);
    QCOMPARE(tagColour(w, 3), blue);
    QTest::mouseMove(&w.canvas(), QPoint(900, 620));
    QCOMPARE(tagColour(w, 3), blue);

    // While a frame is selected hovering changes no colour, but the text still follows.
    select(1);
    pictureRect(4) = QRect(0, 0, 1200, 1600);
    hover(frameShape(w, 4), QPoint(50, 50));
    QCOMPARE(frameShape(w, 4)->toolTip(),
             QStringLiteral("起始X：0  起始Y：0  尺寸：1200×1600 像素"));
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

    FrameEditorWindow &w = *editor_;
    frameShape(w, frame)->move(start);
    select(frame);
    pictureRect(frame) = QRect(-1, -1, -1, -1);
    const int rotation = rotationBox(w)->currentIndex();

    pressKey(key, Qt::KeyboardModifiers(modifiers));

    const QRect moved(expected, QSize(320, 240));
    QCOMPARE(frameShape(w, frame)->geometry(), moved);
    // Every key while selected re-places the handles and recomputes the picture rectangles.
    QCOMPARE(pictureRect(frame), layout::pictureRect(moved, w.canvas().scale()));
    QCOMPARE(sizeHandle(w, Handle::TopLeft)->pos(), expected - QPoint(8, 8));
    QCOMPARE(rotationBox(w)->currentIndex(), rotation);
    QVERIFY(w.canvas().handlesShown());
}

void tst_FrameGestures::keysWithNothingSelected()
{
    FrameEditorWindow &w = *editor_;
    QComboBox *firstLetter = letterBox(w, 1);
    pictureRect(1) = QRect(-1, -1, -1, -1);
    firstLetter->setFocus();
    QTest::keyClick(firstLetter, Qt::Key_Down);
    // The focused control got the key; the frames did not.
    QCOMPARE(firstLetter->currentText(), QStringLiteral("B"));
    QCOMPARE(frameShape(w, 1)->geometry(), QRect(18, 18, 320, 240));
    QCOMPARE(pictureRect(1), QRect(-1, -1, -1, -1));

    // After a deselection the keys are ignored again.
    select(1);
    QTest::mouseClick(&w.canvas(), Qt::LeftButton, {}, QPoint(900, 620));
    QVERIFY(!w.canvas().handlesShown());
    QTest::keyClick(&w, Qt::Key_Right);
    QCOMPARE(frameShape(w, 1)->geometry(), QRect(18, 18, 320, 240));
}

QTEST_MAIN(tst_FrameGestures)
#include "tst_framegestures.moc"
