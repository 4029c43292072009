#include "TestSupport.h"
#include "app/Wizard.h"
#include "editor/FrameCanvas.h"
#include "editor/FrameEditorWindow.h"
#include "imaging/Readers.h"
#include "job/SplitJob.h"
#include "output/OutputWindow.h"
#include "platform/ComboBoxAccessible.h"
#include "select/PictureListWindow.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using testsupport::requiredControl;

namespace {

QStringList visibleWindows()
{
    QStringList names;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible())
            names << w->objectName();
    }
    return names;
}

// Centred on the screen: the window's middle within its frame's width of the screen's.
bool centred(const QWidget *window)
{
    const QPoint offset = window->geometry().center() -
                          QGuiApplication::primaryScreen()->availableGeometry().center();
    const QMargins frame(window->geometry().left() - window->frameGeometry().left(),
                         window->geometry().top() - window->frameGeometry().top(), 0, 0);
    return qAbs(offset.x()) <= frame.left() + 1 && qAbs(offset.y()) <= frame.top() + 1;
}

} // namespace

class tst_Wizard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startShowsStep1Only();
    void moves_data();
    void moves();
    void stateKeptAcrossPreviousAndNext();
    void positions();
    void everyControlNamedForScreenReaders();
    void closeRoutines_data();
    void closeRoutines();
    void exitAfterCloseBoxStillEndsOnce();
    void missingReaderEndsAtOnce();

private:
    QTemporaryDir dir;
    QStringList pictures;
    std::unique_ptr<testsupport::ScriptedBoxes> boxes;
    std::unique_ptr<testsupport::ScriptedDialogs> dialogs;
    std::unique_ptr<Wizard> wizard;
    int ends = 0;

    void addPictures(const QStringList &paths)
    {
        dialogs->pickFiles(paths);
        requiredControl<QPushButton>(wizard->step1(), "addButton")->click();
    }
    // Clicks a wizard button: "1.Next", "2.Previous", "3.Exit", "2.Close" (the close box).
    void move(const QString &step);
};

void tst_Wizard::initTestCase()
{
    platform::nameComboBoxesOnTheBus(); // as main() does
    QVERIFY(dir.isValid());
    for (int i = 0; i < 2; ++i) {
        const QString path = dir.filePath(QStringLiteral("第%1页.png").arg(i + 1));
        QVERIFY(testsupport::writePicture(testsupport::patternImage(80 + i * 20, 60), path));
        pictures << path;
    }
}

void tst_Wizard::init()
{
    ends = 0;
    boxes = std::make_unique<testsupport::ScriptedBoxes>();
    dialogs = std::make_unique<testsupport::ScriptedDialogs>();
    wizard = std::make_unique<Wizard>();
    wizard->setEndProgram([this] { ++ends; });
}

void tst_Wizard::cleanup()
{
    wizard.reset();
    dialogs.reset();
    boxes.reset();
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void tst_Wizard::move(const QString &step)
{
    const QStringList parts = step.split(QLatin1Char('.'));
    QWidget *window = parts[0] == QLatin1String("1")   ? static_cast<QWidget *>(&wizard->step1())
                      : parts[0] == QLatin1String("2") ? static_cast<QWidget *>(wizard->step2())
                                                       : static_cast<QWidget *>(wizard->step3());
    QVERIFY2(window, qPrintable(step + QStringLiteral(": window not loaded")));
    const QString what = parts[1];
    if (what == QLatin1String("Close")) {
        window->close();
        return;
    }
    const char *name = what == QLatin1String("Next")       ? "nextButton"
                       : what == QLatin1String("Previous") ? "previousButton"
                                                           : "exitButton";
    auto *button = testsupport::control<QPushButton>(*window, QLatin1String(name));
    QVERIFY(button);
    QVERIFY(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
}

void tst_Wizard::startShowsStep1Only()
{
    wizard->start();
    QCOMPARE(visibleWindows(), QStringList{"PictureListWindow"});
    QVERIFY(!wizard->step2());
    QVERIFY(!wizard->step3());
    QVERIFY(!wizard->step1().windowIcon().isNull());
}

void tst_Wizard::moves_data()
{
    QTest::addColumn<int>("pictureCount");
    QTest::addColumn<QStringList>("steps");   // the moves, in order
    QTest::addColumn<QStringList>("showing"); // the one window visible after each
    QTest::addColumn<int>("questionsYes");    // answers queued for step 2's question

    QTest::newRow("empty list stays on step 1")
        << 0 << QStringList{"1.Next"} << QStringList{"PictureListWindow"} << 0;
    QTest::newRow("step 1 to 2 and back")
        << 1 << QStringList{"1.Next", "2.Previous", "1.Next"}
        << QStringList{"FrameEditorWindow", "PictureListWindow", "FrameEditorWindow"} << 0;
    QTest::newRow("to step 3 and back to step 1")
        << 2 << QStringList{"1.Next", "2.Next", "3.Previous", "2.Previous"}
        << QStringList{"FrameEditorWindow", "OutputWindow", "FrameEditorWindow",
                       "PictureListWindow"}
        << 1;
    QTest::newRow("question answered No stays on step 2")
        << 1 << QStringList{"1.Next", "2.Next"}
        << QStringList{"FrameEditorWindow", "FrameEditorWindow"} << 0;
    QTest::newRow("back and forth twice")
        << 2 << QStringList{"1.Next",     "2.Next",     "3.Previous", "2.Next",
                            "3.Previous", "2.Previous", "1.Next"}
        << QStringList{"FrameEditorWindow", "OutputWindow",      "FrameEditorWindow",
                       "OutputWindow",      "FrameEditorWindow", "PictureListWindow",
                       "FrameEditorWindow"}
        << 2;
}

void tst_Wizard::moves()
{
    QFETCH(int, pictureCount);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, showing);
    QFETCH(int, questionsYes);

    for (int i = 0; i < questionsYes; ++i)
        boxes->answerNext(platform::BoxAnswer::Yes);
    wizard->start();
    if (pictureCount > 0)
        addPictures(pictures.mid(0, pictureCount));

    FrameEditorWindow *firstStep2 = nullptr;
    OutputWindow *firstStep3 = nullptr;
    for (int i = 0; i < steps.size(); ++i) {
        move(steps[i]);
        QCOMPARE(visibleWindows(), QStringList{showing[i]});
        // A window is loaded once and then only hidden and shown.
        if (!firstStep2)
            firstStep2 = wizard->step2();
        if (!firstStep3)
            firstStep3 = wizard->step3();
        QCOMPARE(wizard->step2(), firstStep2);
        QCOMPARE(wizard->step3(), firstStep3);
    }
    // Every Next on step 2 asks again (four frames, four letters), also after a Previous.
    qsizetype questions = 0;
    for (const platform::BoxRequest &box : boxes->shown())
        questions += box.buttons == platform::BoxButtons::YesNo ? 1 : 0;
    QCOMPARE(questions, steps.count(QStringLiteral("2.Next")));
    if (!showing.contains(QStringLiteral("FrameEditorWindow")))
        QVERIFY(!wizard->step2());
    if (!showing.contains(QStringLiteral("OutputWindow")))
        QVERIFY(!wizard->step3());
    QCOMPARE(ends, 0);
}

void tst_Wizard::stateKeptAcrossPreviousAndNext()
{
    wizard->start();
    PictureListWindow &step1 = wizard->step1();
    auto *list = requiredControl<QListWidget>(step1, "pictureList");
    auto *partsBox = requiredControl<QComboBox>(step1, "partsBox");
    addPictures(pictures);
    partsBox->setCurrentIndex(5); // "6"
    list->item(0)->setSelected(true);

    move(QStringLiteral("1.Next"));
    FrameEditorWindow *step2 = wizard->step2();
    QVERIFY(step2);
    QCOMPARE(step2->canvas().frameCount(), 6);
    auto *rotationBox = requiredControl<QComboBox>(*step2, "rotationBox");
    rotationBox->setCurrentIndex(2);
    move(QStringLiteral("2.Previous"));

    QCOMPARE(list->count(), 2);
    QCOMPARE(list->item(0)->text(), QDir::toNativeSeparators(pictures[0]));
    QCOMPARE(list->item(1)->text(), QDir::toNativeSeparators(pictures[1]));
    QVERIFY(list->item(0)->isSelected());
    QCOMPARE(partsBox->currentText(), QStringLiteral("6"));
    QCOMPARE(requiredControl<QLabel>(step1, "pictureCount")->text(), QStringLiteral("2"));

    move(QStringLiteral("1.Next"));
    QCOMPARE(wizard->step2(), step2);
    QCOMPARE(step2->canvas().frameCount(), 6);
    QCOMPARE(rotationBox->currentIndex(), 2);
    QCOMPARE(wizard->job().rotation, Rotation::HalfTurn);
}

void tst_Wizard::positions()
{
    wizard->start();
    PictureListWindow &step1 = wizard->step1();
    QVERIFY(centred(&step1));
    addPictures(pictures.mid(0, 1));

    step1.move(40, 30); // the user moves step 1 away
    move(QStringLiteral("1.Next"));
    FrameEditorWindow *step2 = wizard->step2();
    QVERIFY(centred(step2));
    QCOMPARE(step2->size(), QSize(954, 636));
    step2->move(10, 20);
    move(QStringLiteral("2.Previous"));
    QCOMPARE(step1.pos(), QPoint(40, 30));
    move(QStringLiteral("1.Next"));
    QCOMPARE(step2->pos(), QPoint(10, 20));

    boxes->answerNext(platform::BoxAnswer::Yes);
    move(QStringLiteral("2.Next"));
    QVERIFY(centred(wizard->step3()));
    QCOMPARE(wizard->step3()->size(), QSize(428, 262));

    // Under a window manager the frame is centred, not the client area: a 30-pixel title
    // bar and 1-pixel borders put the frame's corner half of them higher and to the left.
    const QRect screen(0, 0, 1920, 1040);
    QCOMPARE(centredFramePosition(screen, QSize(437, 235)), QPoint(741, 402));
    QCOMPARE(centredFramePosition(screen, QSize(437 + 2, 235 + 31)), QPoint(740, 387));
}

void tst_Wizard::everyControlNamedForScreenReaders()
{
    wizard->start();
    addPictures(pictures.mid(0, 1));
    move(QStringLiteral("1.Next"));
    boxes->answerNext(platform::BoxAnswer::Yes);
    move(QStringLiteral("2.Next"));
    const QList<QWidget *> windows = {&wizard->step1(), wizard->step2(), wizard->step3()};
    int checked = 0;
    for (QWidget *window : windows) {
        // Every control the keyboard reaches, and every split frame.
        for (QWidget *control : window->findChildren<QWidget *>()) {
            const bool isFrame = control->objectName().startsWith(QLatin1String("frameShapes_"));
            if (control->focusPolicy() == Qt::NoFocus && !isFrame)
                continue;
            // Inner parts of a control (its edit field, scroll bars) speak for it; every
            // control of the program has a name.
            if (control->objectName().isEmpty() ||
                control->objectName().startsWith(QLatin1String("qt_")))
                continue;
            const QString name = control->accessibleName();
            QVERIFY2(!name.isEmpty(), qPrintable(control->objectName()));
            // What a screen reader is told, not just the property (Qt names a combo box by
            // its text on Linux unless the program says otherwise, as main() does).
            QAccessibleInterface *spoken = QAccessible::queryAccessibleInterface(control);
            QVERIFY(spoken);
            QCOMPARE(spoken->text(QAccessible::Name), name);
            QVERIFY2(!name.contains(QLatin1Char('&')), qPrintable(name));
            ++checked;
        }
    }
    QVERIFY(checked >= 25); // 6 + 4 frames, 4 letters, 4 + 11, at the least
}

void tst_Wizard::closeRoutines_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("step2Loaded");
    QTest::addColumn<bool>("step3Loaded");

    QTest::newRow("exit on step 1 before the others were shown")
        << QStringList{"1.Exit"} << false << false;
    QTest::newRow("close box of step 1 before the others were shown")
        << QStringList{"1.Close"} << false << false;
    QTest::newRow("exit on step 2") << QStringList{"1.Next", "2.Exit"} << true << false;
    QTest::newRow("close box of step 2") << QStringList{"1.Next", "2.Close"} << true << false;
    QTest::newRow("exit on step 3") << QStringList{"1.Next", "2.Next", "3.Exit"} << true << true;
    QTest::newRow("close box of step 3")
        << QStringList{"1.Next", "2.Next", "3.Close"} << true << true;
    QTest::newRow("exit on step 1 after all were shown")
        << QStringList{"1.Next", "2.Next", "3.Previous", "2.Previous", "1.Exit"} << true << true;
    QTest::newRow("close box of step 2 after step 3 was shown")
        << QStringList{"1.Next", "2.Next", "3.Previous", "2.Close"} << true << true;
}

void tst_Wizard::closeRoutines()
{
    QFETCH(QStringList, steps);
    QFETCH(bool, step2Loaded);
    QFETCH(bool, step3Loaded);

    boxes->answerNext(platform::BoxAnswer::Yes);
    wizard->start();
    addPictures(pictures);
    for (const QString &step : steps)
        move(step);

    QCOMPARE(ends, 1);
    QVERIFY(wizard->ending());
    QCOMPARE(visibleWindows(), QStringList{});
    QCOMPARE(wizard->step2() != nullptr, step2Loaded);
    QCOMPARE(wizard->step3() != nullptr, step3Loaded);
    // Nothing is asked on the way out, whatever the windows hold.
    for (const platform::BoxRequest &box : boxes->shown())
        QVERIFY(box.buttons != platform::BoxButtons::YesNo || box.owner == wizard->step2());
}

void tst_Wizard::exitAfterCloseBoxStillEndsOnce()
{
    wizard->start();
    addPictures(pictures);
    move(QStringLiteral("1.Next"));
    move(QStringLiteral("2.Close"));
    // Late events of the closed windows must neither end the program again nor move on.
    emit requiredControl<QPushButton>(wizard->step1(), "exitButton")->clicked();
    emit wizard->step1().nextRequested();
    requiredControl<QPushButton>(*wizard->step2(), "previousButton")->click();
    wizard->closeRoutine();
    QCOMPARE(ends, 1);
    QCOMPARE(visibleWindows(), QStringList{});
    QVERIFY(!wizard->step3());
}

void tst_Wizard::missingReaderEndsAtOnce()
{
    wizard->start();
    addPictures(pictures);
    // Qt here has no reader for some kind of picture step 1 offers.
    imaging::setAvailableReadersResponder([] { return QList<QByteArray>{"png"}; });
    QTest::ignoreMessage(QtWarningMsg, "no picture reader for bmp, gif, jpeg, tiff");
    move(QStringLiteral("1.Next"));
    imaging::setAvailableReadersResponder({});

    QCOMPARE(boxes->lines(), QStringList{testsupport::boxLine("加载错误", "加载GDI+失败！",
                                                              platform::BoxIcon::Critical)});
    QCOMPARE(ends, 1);
    QVERIFY(wizard->ending());
    QCOMPARE(visibleWindows(), QStringList{});
    // Nothing moves after the end, and the close routines do not end it a second time.
    if (wizard->step2())
        requiredControl<QPushButton>(*wizard->step2(), "previousButton")->click();
    requiredControl<QPushButton>(wizard->step1(), "exitButton")->click();
    QCOMPARE(visibleWindows(), QStringList{});
    QCOMPARE(ends, 1);
}

QTEST_MAIN(tst_Wizard)
#include "tst_wizard.moc"
