// Step 2's layout files: Ctrl+S and Ctrl+O, and the same two through the sample's menu.

#include "EditorControls.h"
#include "TestSupport.h"
#include "job/LayoutFile.h"
#include "job/SplitLayout.h"

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

using namespace editorcontrols;
using RectList = QList<QRect>;

Q_DECLARE_METATYPE(SavedLayout)

namespace {

// Right-clicks frame 1 and picks entry 0 (save) or 1 (open) of the menu that opens, as a
// user and a screen reader find it.
void chooseFromMenu(FrameEditorWindow &window, int entry)
{
    FrameShape *frame = frameShape(window, 1);
    const QPoint at(6, 6);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, frame->mapToGlobal(at));
    QApplication::sendEvent(frame, &event);
    auto *menu = requiredControl<QMenu>(window, QStringLiteral("layoutMenu"));
    QTRY_VERIFY(menu->isVisible());
    const QList<QAction *> actions = menu->actions();
    QCOMPARE(actions.size(), 2);
    QCOMPARE(actions[0]->text(), QStringLiteral("保存分割布局(&S)…"));
    QCOMPARE(actions[1]->text(), QStringLiteral("打开分割布局(&O)…"));
    QCOMPARE(actions[0]->shortcut().toString(), QStringLiteral("Ctrl+S"));
    QCOMPARE(actions[1]->shortcut().toString(), QStringLiteral("Ctrl+O"));
    QAccessibleInterface *access = QAccessible::queryAccessibleInterface(menu);
    QVERIFY(access && access->childCount() == 2);
    QCOMPARE(access->child(entry)->text(QAccessible::Name), actions[entry]->text().remove('&'));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(actions[entry]).center());
    QTRY_VERIFY(!menu->isVisible());
}

} // namespace

class tst_EditorLayouts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }
    void cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }

    void layoutKeys_data();
    void layoutKeys();
    void openThenSave_data();
    void openThenSave();

private:
    QString sample(int w, int h);

    QTemporaryDir dir_;
};

QString tst_EditorLayouts::sample(int w, int h)
{
    const QString path = dir_.filePath(QStringLiteral("样本 %1x%2.jpg").arg(w).arg(h));
    if (!QFile::exists(path)) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(Qt::red);
        testsupport::writePicture(image, path, "JPEG");
    }
    return path;
}

// Ctrl+S keeps the frames, letters and rotation in a file; Ctrl+O in an editor of the
// same number of parts puts them back exactly, on a sample of the same size; a file with
// another number of parts is refused with a box, and a selected frame keeps the keys. The
// sample's menu does the same, a frame selected or not.
void tst_EditorLayouts::layoutKeys_data()
{
    QTest::addColumn<int>("loadingParts");
    QTest::addColumn<bool>("frameSelected");
    QTest::addColumn<bool>("viaMenu");
    QTest::newRow("same parts") << 4 << false << false;
    QTest::newRow("other parts refused") << 2 << false << false;
    QTest::newRow("a selected frame takes the keys") << 4 << true << false;
    QTest::newRow("the menu, a frame selected") << 4 << true << true;
}

void tst_EditorLayouts::layoutKeys()
{
    QFETCH(int, loadingParts);
    QFETCH(bool, frameSelected);
    QFETCH(bool, viaMenu);
    testsupport::ScriptedBoxes boxes;
    testsupport::ScriptedDialogs dialogs;
    const QString picture = sample(2480, 3508);
    const QString file = dir_.filePath(QStringLiteral("布局 %1.json").arg(QTest::currentDataTag()));
    const auto act = [viaMenu](FrameEditorWindow &window, Qt::Key key) {
        if (viaMenu)
            chooseFromMenu(window, key == Qt::Key_S ? 0 : 1);
        else
            pressCtrl(window, key);
    };

    SplitJob job = jobFor(picture, 4);
    FrameEditorWindow editor(job);
    editor.load();
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    rotationBox(editor)->setCurrentIndex(1);
    frameShape(editor, 2)->setGeometry(423, 71, 97, 203);
    editor.canvas().updateFrameRects();
    letterBox(editor, 3)->setCurrentIndex(0);
    const RectList savedRects = pictureRects(job);
    if (frameSelected)
        QTest::mouseClick(frameShape(editor, 1), Qt::LeftButton, {}, QPoint(5, 5));
    dialogs.pickFile(file);
    act(editor, Qt::Key_S);
    if (frameSelected && !viaMenu) {
        QVERIFY(dialogs.fileRequests().empty());
        return;
    }
    // Once, though the menu's entry shows the same keys.
    QCOMPARE(dialogs.fileRequests().size(), size_t(1));
    QVERIFY(dialogs.fileRequests().front().save);
    QCOMPARE(QFileInfo(dialogs.fileRequests().front().startPath).fileName(),
             QStringLiteral("分割布局.json"));
    QVERIFY(QFile::exists(file));

    SplitJob other = jobFor(picture, loadingParts);
    FrameEditorWindow loading(other);
    loading.load();
    loading.show();
    QVERIFY(QTest::qWaitForWindowExposed(&loading));
    if (frameSelected)
        QTest::mouseClick(frameShape(loading, 2), Qt::LeftButton, {}, QPoint(5, 5));
    const RectList defaults = pictureRects(other);
    dialogs.pickFile(file);
    act(loading, Qt::Key_O);
    if (loadingParts != 4) {
        QCOMPARE(boxes.shown().size(), size_t(1));
        QVERIFY2(boxes.shown().front().text.contains(QStringLiteral("有 4 个分割框")) &&
                     boxes.shown().front().text.contains(QStringLiteral("分割数量是 2")),
                 qPrintable(boxes.shown().front().text));
        QCOMPARE(pictureRects(other), defaults);
        return;
    }
    QVERIFY(boxes.shown().empty());
    // The read-out shows the saved numbers, and so does the job step 3 cuts with.
    QCOMPARE(pictureRects(other), savedRects);
    QCOMPARE(other.rotation, Rotation::Clockwise90);
    QCOMPARE(jobLetters(other), (QStringList{"A", "B", "A", "D"}));
    QCOMPARE(letters(loading), jobLetters(other));
    QCOMPARE(windowRects(loading), windowRects(editor));
    // The frames moved under the selection: it is dropped rather than left on a stale place.
    QVERIFY(!loading.canvas().handlesShown());
    QVERIFY(button(loading, "nextButton")->isEnabled());
}

// A layout opened keeps the file's rectangles exactly, whatever the scale and rotation, in
// the job and in the read-out, until its frame is moved; saved again, the file is the same.
// A sample of another size still takes it, after a notice.
void tst_EditorLayouts::openThenSave_data()
{
    QTest::addColumn<QSize>("picture");      // the sample shown, unturned
    QTest::addColumn<SavedLayout>("layout"); // the file opened
    QTest::addColumn<QString>("typedName");  // what the user types to save it again
    QTest::addColumn<QString>("savedName");
    QTest::addColumn<QString>("notice"); // the box on opening; empty: none

    const QSize a4(2480, 3508);
    QTest::newRow("A4 turned +90, scale 800 in 3508")
        << a4
        << SavedLayout{{{{0, 0, 1754, 1240}, "A"}, {{1754, 0, 1754, 1240}, "B"}},
                       Rotation::Clockwise90,
                       a4}
        << "again.json"
        << "again.json" << QString();
    QTest::newRow("A4 unturned, scale 600 in 3508, typed without a suffix")
        << a4
        << SavedLayout{{{{1000, 0, 1754, 1754}, "A"}, {{1241, 1754, 1239, 1754}, "A"}},
                       Rotation::None,
                       a4}
        << "again"
        << "again.json" << QString();
    QTest::newRow("4:3 turned 180, scale 0.8, another suffix kept")
        << QSize(1000, 750)
        << SavedLayout{{{{1, 1, 499, 374}, "B"},
                        {{501, 375, 499, 375}, "A"},
                        {{3, 7, 11, 13}, "C"}},
                       Rotation::HalfTurn,
                       {1000, 750}}
        << "again.layout"
        << "again.layout" << QString();
    QTest::newRow("turned -90, scale 600 in 640")
        << QSize(640, 480)
        << SavedLayout{{{{0, 0, 480, 320}, "A"}, {{7, 320, 473, 320}, "B"}},
                       Rotation::Anticlockwise90,
                       {640, 480}}
        << "again.json"
        << "again.json" << QString();
    QTest::newRow("sample of another size: placed, with a notice")
        << a4
        << SavedLayout{{{{0, 0, 1000, 1500}, "A"}, {{1000, 1500, 1000, 1500}, "B"}},
                       Rotation::None,
                       {2000, 3000}}
        << "again.json"
        << "again.json"
        << QStringLiteral("此分割布局是在 2000×3000 像素的图片上放置的，而当前样本图片是 "
                          "2480×3508 像素，分割出的图片可能会被截掉一部分。");
}

void tst_EditorLayouts::openThenSave()
{
    QFETCH(QSize, picture);
    QFETCH(SavedLayout, layout);
    QFETCH(QString, typedName);
    QFETCH(QString, savedName);
    QFETCH(QString, notice);
    testsupport::ScriptedBoxes boxes;
    testsupport::ScriptedDialogs dialogs;
    QTemporaryDir out;
    const QString file = out.filePath(QStringLiteral("手写.json"));
    QVERIFY(testsupport::writeBytes(file, layoutFileBytes(layout)));
    RectList rects;
    QStringList fileLetters;
    for (const SplitFrame &frame : layout.frames) {
        rects.append(frame.rect);
        fileLetters.append(frame.letter);
    }

    SplitJob job = jobFor(sample(picture.width(), picture.height()), int(rects.size()));
    FrameEditorWindow editor(job);
    editor.load();
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    dialogs.pickFile(file);
    pressCtrl(editor, Qt::Key_O);
    QCOMPARE(boxes.lines(),
             notice.isEmpty() ? QStringList()
                              : QStringList{testsupport::boxLine("提示信息", notice,
                                                                 platform::BoxIcon::Exclamation)});
    QCOMPARE(job.rotation, layout.rotation);
    QCOMPARE(pictureRects(job), rects);
    QCOMPARE(jobLetters(job), fileLetters);
    QTest::mouseMove(frameShape(editor, 2), QPoint(2, 2));
    QCOMPARE(frameShape(editor, 2)->toolTip(), geometry::hoverText(rects[1]));

    dialogs.pickFile(out.filePath(typedName));
    pressCtrl(editor, Qt::Key_S);
    SavedLayout again = layout;
    again.sampleSize = picture; // the sample the frames now lie on
    QCOMPARE(testsupport::readBytes(out.filePath(savedName)), layoutFileBytes(again));
    QCOMPARE(QDir(out.path()).entryList(QDir::Files),
             QStringList({savedName, QStringLiteral("手写.json")}));

    // A click keeps the file's numbers; a key that moves frame 1 gives it the window's.
    QTest::mouseClick(frameShape(editor, 1), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(job.frames[0].rect, rects[0]);
    const QRect before = frameShape(editor, 1)->geometry();
    QTest::keyClick(editor.focusWidget() ? editor.focusWidget() : &editor, Qt::Key_Down);
    QCOMPARE(frameShape(editor, 1)->geometry(), before.translated(0, 1));
    QCOMPARE(job.frames[0].rect,
             layout::pictureRect(before.translated(0, 1), editor.canvas().scale()));
    QCOMPARE(job.frames[1].rect, rects[1]);
}

QTEST_MAIN(tst_EditorLayouts)
#include "tst_editorlayouts.moc"
