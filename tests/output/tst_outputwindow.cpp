// Step 3 driven through its controls: layout, folder, start checks, run states, stop.

#include "EngineGate.h"
#include "PictureFixtures.h"
#include "TestSupport.h"
#include "job/SplitJob.h"
#include "editor/FrameEditorWindow.h"
#include "output/OutputWindow.h"
#include "select/PictureListWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                                  QDir::Name);
}

using Gate = testsupport::EngineGate;

} // namespace

class TestFrmSplit3 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstShow();
    void layout_data();
    void layout();
    void folderChooser();
    void startRefused_data();
    void startRefused();
    void tooManyPieces();
    void wholeRun();
    void turnedRun();
    void stopDuringRun();
    void accessKeyP();
    void formatChangedDuringRun();
    void failuresReportedOnce();
    void exitDuringRun();

private:
    void waitForEnd();

    QTemporaryDir dir_;
    QString sheet_;
    std::unique_ptr<testsupport::ScriptedBoxes> boxes_;
    std::unique_ptr<testsupport::ScriptedDialogs> dialogs_;
    std::unique_ptr<PictureListWindow> step1_;
    std::unique_ptr<FrameEditorWindow> step2_;
    std::unique_ptr<OutputWindow> step3_;
    QString out_;
};

void TestFrmSplit3::initTestCase()
{
    QVERIFY(dir_.isValid());
    sheet_ = dir_.filePath(QStringLiteral("扫描 1.png"));
    QVERIFY(testsupport::writePicture(testsupport::patternImage(40, 30, QImage::Format_RGB32, 2),
                                      sheet_, "png"));
}

void TestFrmSplit3::init()
{
    boxes_ = std::make_unique<testsupport::ScriptedBoxes>();
    dialogs_ = std::make_unique<testsupport::ScriptedDialogs>();
    step1_ = std::make_unique<PictureListWindow>();
    step1_->List1->addItem(sheet_);
    step1_->Combo1->setCurrentText(QStringLiteral("4"));
    step2_ = std::make_unique<FrameEditorWindow>(*step1_);
    step3_ = std::make_unique<OutputWindow>(*step1_, *step2_);
    QCOMPARE(step2_->frameCount, 4);
    // A 2 x 2 grid over the 40 x 30 sheet, lettered A to D by step 2.
    frameRects = {{}, {0, 0, 20, 15}, {20, 0, 20, 15}, {0, 15, 20, 15}, {20, 15, 20, 15}};
    out_ = dir_.filePath(QStringLiteral("输出 %1").arg(QTest::currentDataTag()) +
                         QTest::currentTestFunction());
    QDir().mkpath(out_);
    boxes_->clear();
}

void TestFrmSplit3::cleanup()
{
    step3_.reset();
    step2_.reset();
    step1_.reset();
    dialogs_.reset();
    boxes_.reset();
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void TestFrmSplit3::waitForEnd()
{
    QSignalSpy ended(step3_.get(), &OutputWindow::runFinished);
    if (step3_->isRunning())
        QVERIFY(ended.wait(30000));
}

void TestFrmSplit3::firstShow()
{
    OutputWindow &w = *step3_;
    QCOMPARE(w.windowTitle(), ui::windowTitle(QStringLiteral("第3步：选择保存目录")));
    QCOMPARE(w.size(), QSize(428, 222));
    QCOMPARE(w.Text1->text(), QString());
    QVERIFY(w.Option1[0]->isChecked());
    QVERIFY(!w.Option1[4]->isEnabled());
    QCOMPARE(w.Label3->text(), QStringLiteral("0 %"));
    QCOMPARE(w.Label4->width(), 1);
    QVERIFY(!w.Command2->isHidden());
    QVERIFY(w.Command5->isHidden());
    QCOMPARE(w.focusWidget(), w.Command4);
    QCOMPARE(w.Frame1->title(), QStringLiteral(" 保存格式 "));
    QCOMPARE(w.Label2->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(w.Label4->palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
    // The stop button sits exactly on the start button.
    QCOMPARE(w.Command5->geometry(), w.Command2->geometry());

    // Tab order over the controls that take the focus; GIF is never reached.
    const QList<QWidget *> expected{w.Text1,    w.Option1[0], w.Option1[1], w.Command3, w.Command2,
                                    w.Command1, w.Option1[2], w.Option1[3], w.Command5, w.Command4};
    QWidget *at = w.Command4;
    QList<QWidget *> order;
    for (int i = 0; i < 40 && order.size() < expected.size(); ++i) {
        at = at->nextInFocusChain();
        if (at->focusPolicy() & Qt::TabFocus)
            order << at;
    }
    QCOMPARE(order, expected);
}

void TestFrmSplit3::layout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::newRow("Text1") << "Text1" << QRect(240, 570, 4695, 375);
    QTest::newRow("Command4") << "Command4" << QRect(5040, 555, 1095, 375);
    QTest::newRow("Frame1") << "Frame1" << QRect(240, 1170, 5895, 855);
    QTest::newRow("Option1(0) inside Frame1") << "Option1_0" << QRect(240, 360, 660, 255);
    QTest::newRow("Option1(4) inside Frame1") << "Option1_4" << QRect(3840, 360, 660, 255);
    QTest::newRow("Shape1") << "Shape1" << QRect(240, 2250, 5895, 255);
    QTest::newRow("Label4") << "Label4" << QRect(255, 2265, 15, 225);
    QTest::newRow("Command1") << "Command1" << QRect(240, 2730, 1500, 360);
    QTest::newRow("Command2") << "Command2" << QRect(2040, 2730, 1500, 360);
    QTest::newRow("Command3") << "Command3" << QRect(4635, 2730, 1500, 360);
}

void TestFrmSplit3::layout()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    auto *widget = step3_->findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(),
             ui::fromTwips(twips.x(), twips.y(), twips.width(), twips.height()));
}

void TestFrmSplit3::folderChooser()
{
    OutputWindow &w = *step3_;
    dialogs_->pickFolder(QStringLiteral("/data/书 目"));
    dialogs_->pickFolder(QStringLiteral("/"));
    dialogs_->cancelFolder();
    QTest::mouseClick(w.Command4, Qt::LeftButton);
    QCOMPARE(w.Text1->text(), QStringLiteral("/data/书 目/"));
    QCOMPARE(dialogs_->folderRequests().back().title,
             QStringLiteral("请选择分割后文件的存放目录："));
    QTest::mouseClick(w.Command4, Qt::LeftButton);
    QCOMPARE(w.Text1->text(), QStringLiteral("/")); // no doubled separator
    QTest::mouseClick(w.Command4, Qt::LeftButton);
    QCOMPARE(w.Text1->text(), QStringLiteral("/")); // cancel keeps it
    // The box takes typing too.
    QTest::keyClicks(w.Text1, QStringLiteral("x"));
    QCOMPARE(w.Text1->text(), QStringLiteral("/x"));
}

void TestFrmSplit3::startRefused_data()
{
    QTest::addColumn<QString>("folder"); // %1: the test's folder
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text"); // the start of the box's text
    QTest::newRow("empty") << ""
                           << "错误信息"
                           << "请选择分割后文件的存放目录 ！";
    QTest::newRow("only blanks") << "   "
                                 << "错误信息"
                                 << "请选择分割后文件的存放目录 ！";
    QTest::newRow("missing folder") << "%1/gone"
                                    << "错误信息"
                                    << "保存目录不存在";
    QTest::newRow("a file, not a folder") << "%1/file"
                                          << "错误信息"
                                          << "保存目录不存在";
}

void TestFrmSplit3::startRefused()
{
    QFETCH(QString, folder);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFile file(out_ + "/file");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    OutputWindow &w = *step3_;
    w.Text1->setText(folder.contains("%1") ? folder.arg(out_) : folder);
    w.Command3->setFocus();
    QTest::mouseClick(w.Command2, Qt::LeftButton);

    QCOMPARE(boxes_->shown().size(), size_t(1));
    const platform::BoxRequest &box = boxes_->shown().front();
    QCOMPARE(box.title, title);
    QVERIFY2(box.text.startsWith(text), qPrintable(box.text));
    if (folder.contains("%1"))
        QVERIFY(box.text.contains(folder.arg(out_)));
    QCOMPARE(box.icon, platform::BoxIcon::Exclamation);
    QCOMPARE(w.focusWidget(), w.Command4);
    QVERIFY(!w.isRunning());
    QVERIFY(!w.Command2->isHidden());
    QVERIFY(w.Text1->isEnabled());
    QCOMPARE(entries(out_), QStringList{"file"});
}

void TestFrmSplit3::tooManyPieces()
{
    // 25000 pictures of four pieces: 100000 names would need six digits.
    for (int i = 0; i < 24999; ++i)
        step1_->List1->addItem(QStringLiteral("/nowhere/%1.png").arg(i));
    step3_->Text1->setText(out_);
    QTest::mouseClick(step3_->Command2, Qt::LeftButton);
    QCOMPARE(boxes_->shown().size(), size_t(1));
    QCOMPARE(boxes_->shown().front().title, QStringLiteral("提示信息"));
    QCOMPARE(boxes_->shown().front().text, QStringLiteral("分割块总数超过 99999，请分批处理！"));
    QVERIFY(!step3_->isRunning());
    QVERIFY(entries(out_).isEmpty());
}

void TestFrmSplit3::wholeRun()
{
    const QString second = dir_.filePath("second.png");
    QVERIFY(testsupport::writePicture(testsupport::patternImage(40, 30, QImage::Format_RGB32, 9),
                                      second, "png"));
    step1_->List1->addItem(second);
    step2_->Combo1[2]->setCurrentText(QStringLiteral("A")); // two frames of one book
    OutputWindow &w = *step3_;
    w.Text1->setText(QStringLiteral("  ") + out_ + QStringLiteral("  "));
    QSignalSpy ended(&w, &OutputWindow::runFinished);
    QTest::mouseClick(w.Command2, Qt::LeftButton);
    QVERIFY(w.isRunning());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QVERIFY(ended.wait(30000));

    QCOMPARE(entries(out_), QStringList({"A00001.BMP", "A00002.BMP", "A00005.BMP", "A00006.BMP",
                                         "C00003.BMP", "C00007.BMP", "D00004.BMP", "D00008.BMP"}));
    const QImage source = QImage(second).convertToFormat(QImage::Format_RGB888);
    QCOMPARE(QImage(out_ + "/D00008.BMP").convertToFormat(QImage::Format_RGB888),
             source.copy(20, 15, 20, 15));
    QCOMPARE(w.Label3->text(), QStringLiteral("100 %"));
    QCOMPARE(w.Label4->width(), (5895 - 30) / 15);
    QVERIFY(w.Command1->isEnabled() && w.Command4->isEnabled() && w.Text1->isEnabled());
    QVERIFY(!w.Command2->isHidden());
    QVERIFY(w.Command5->isHidden());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(boxes_->shown().empty()); // a clean run is silent
}

void TestFrmSplit3::turnedRun()
{
    // The picture 60 wide and 90 high, turned 90° clockwise: the frames apply to the
    // turned picture, 90 wide and 60 high.
    const QString tall = dir_.filePath("tall.png");
    const QImage picture = testsupport::patternImage(60, 90, QImage::Format_RGB32, 4);
    QVERIFY(testsupport::writePicture(picture, tall, "png"));
    step1_->List1->clear();
    step1_->List1->addItem(tall);
    step2_->Combo2->setCurrentIndex(1);
    frameRects = {{}, {0, 0, 90, 60}, {60, 40, 100, 100}, {90, 0, 5, 5}, {0, 60, 5, 5}};
    step3_->Option1[1]->click(); // TIF
    step3_->Text1->setText(out_);
    QTest::mouseClick(step3_->Command2, Qt::LeftButton);
    waitForEnd();
    QCOMPARE(entries(out_), QStringList({"A00001.TIF", "B00002.TIF"}));
    const QImage turned = fixtures::turnedReference(picture, 1);
    QCOMPARE(QImage(out_ + "/A00001.TIF").convertToFormat(QImage::Format_RGB888),
             turned.convertToFormat(QImage::Format_RGB888));
    QCOMPARE(QImage(out_ + "/B00002.TIF").size(), QSize(30, 20));
}

void TestFrmSplit3::stopDuringRun()
{
    // One piece at a time, so that the files after a stop or a switch are exact.
    step3_->engine().setThreadCount(1);
    OutputWindow &w = *step3_;
    w.Text1->setText(out_);
    Gate gate(w.engine(), 2);
    QTest::mouseClick(w.Command2, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(gate.reached(), 30000);

    // Running.
    QVERIFY(w.Command2->isHidden());
    QVERIFY(!w.Command5->isHidden());
    QVERIFY(!w.Command1->isEnabled() && !w.Command4->isEnabled() && !w.Text1->isEnabled());
    QVERIFY(w.Command3->isEnabled() && w.Option1[3]->isEnabled());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);

    // Stop requested: neither button until the run notices.
    QTest::mouseClick(w.Command5, Qt::LeftButton);
    QVERIFY(w.Command2->isHidden());
    QVERIFY(w.Command5->isHidden());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);

    QSignalSpy ended(&w, &OutputWindow::runFinished);
    gate.release();
    QVERIFY(ended.wait(30000));
    QCOMPARE(entries(out_), QStringList({"A00001.BMP", "B00002.BMP"}));
    QCOMPARE(w.Label3->text(), QStringLiteral("0 %"));
    QCOMPARE(w.Label4->width(), 0);
    QVERIFY(!w.Command2->isHidden());
    QVERIFY(w.Command5->isHidden());
    QVERIFY(!w.Command1->isEnabled() && !w.Command4->isEnabled() && !w.Text1->isEnabled());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(boxes_->shown().empty());

    // A folder gone since the stop is refused, and the folder can be chosen again.
    const QString gone = out_ + QStringLiteral("-gone");
    w.Text1->setText(gone);
    QTest::mouseClick(w.Command2, Qt::LeftButton);
    QCOMPARE(boxes_->shown().size(), size_t(1));
    QVERIFY(w.Command4->isEnabled() && w.Text1->isEnabled());
    QVERIFY(!w.Command1->isEnabled());
    w.Text1->setText(out_);

    // A later run that ends normally gives the controls back.
    QTest::mouseClick(w.Command2, Qt::LeftButton);
    waitForEnd();
    QCOMPARE(entries(out_).size(), 4);
    QVERIFY(w.Command1->isEnabled() && w.Command4->isEnabled() && w.Text1->isEnabled());
    QCOMPARE(w.Label3->text(), QStringLiteral("100 %"));
}

void TestFrmSplit3::accessKeyP()
{
    // One piece at a time, so that the files after a stop or a switch are exact.
    step3_->engine().setThreadCount(1);
    // A button's access key clicks it a moment later (Qt animates the press): wait for it.
    OutputWindow &w = *step3_;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QSignalSpy previous(&w, &OutputWindow::previousRequested);
    QTest::keyClick(&w, Qt::Key_P, Qt::AltModifier);
    QVERIFY(previous.wait(10000));

    w.Text1->setText(out_);
    Gate gate(w.engine(), 1);
    QSignalSpy started(w.Command2, &QPushButton::clicked);
    QTest::keyClick(&w, Qt::Key_B, Qt::AltModifier);
    QVERIFY(started.wait(10000));
    QTRY_VERIFY_WITH_TIMEOUT(gate.reached(), 30000);
    QSignalSpy stopped(w.Command5, &QPushButton::clicked);
    QTest::keyClick(&w, Qt::Key_P, Qt::AltModifier);
    QVERIFY(stopped.wait(10000));
    QCOMPARE(previous.size(), 1); // Alt+P is Stop while running
    QVERIFY(w.Command5->isHidden());
    gate.release();
    waitForEnd();
    QCOMPARE(entries(out_), QStringList{"A00001.BMP"});
    w.hide();
}

void TestFrmSplit3::formatChangedDuringRun()
{
    // One piece at a time, so that the files after a stop or a switch are exact.
    step3_->engine().setThreadCount(1);
    OutputWindow &w = *step3_;
    w.Text1->setText(out_);
    Gate gate(w.engine(), 2);
    QTest::mouseClick(w.Command2, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(gate.reached(), 30000);
    w.Option1[3]->click(); // JPG
    QVERIFY(w.Option1[3]->isChecked());
    gate.release();
    waitForEnd();
    QCOMPARE(entries(out_), QStringList({"A00001.BMP", "B00002.BMP", "C00003.JPG", "D00004.JPG"}));
    // GIF cannot be chosen, neither by click nor by arrow keys.
    w.Option1[4]->click();
    QTest::keyClick(w.Option1[3], Qt::Key_Right);
    QVERIFY(!w.Option1[4]->isChecked());
}

void TestFrmSplit3::failuresReportedOnce()
{
    step1_->List1->insertItem(0, dir_.filePath("missing.png"));
    QVERIFY(QDir().mkpath(out_ + "/B00006.BMP")); // a folder holds a piece's name
    OutputWindow &w = *step3_;
    w.Text1->setText(out_);
    QTest::mouseClick(w.Command2, Qt::LeftButton);
    waitForEnd();
    QCOMPARE(boxes_->shown().size(), size_t(1));
    const platform::BoxRequest &box = boxes_->shown().front();
    QCOMPARE(box.title, QStringLiteral("错误信息"));
    QCOMPARE(box.icon, platform::BoxIcon::Exclamation);
    QCOMPARE(box.buttons, platform::BoxButtons::Ok);
    QVERIFY2(box.text.startsWith(QStringLiteral("有 1 个图片无法读取，1 个分割块未能保存")),
             qPrintable(box.text));
    QVERIFY(box.text.contains(QDir::toNativeSeparators(dir_.filePath("missing.png"))));
    QVERIFY(box.text.contains(QDir::toNativeSeparators(out_ + "/B00006.BMP")));
    QCOMPARE(entries(out_), QStringList({"A00005.BMP", "B00006.BMP", "C00007.BMP", "D00008.BMP"}));
    QCOMPARE(w.Label3->text(), QStringLiteral("100 %"));
}

void TestFrmSplit3::exitDuringRun()
{
    // One piece at a time, so that the files after a stop or a switch are exact.
    step3_->engine().setThreadCount(1);
    OutputWindow &w = *step3_;
    w.Text1->setText(out_);
    auto gate = std::make_unique<Gate>(w.engine(), 2);
    // What the wizard does on Exit: the run ends after the piece in progress.
    connect(&w, &OutputWindow::exitRequested, this, [&] {
        gate->release();
        w.stopRunAndWait();
    });
    QTest::mouseClick(w.Command2, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(gate->reached(), 30000);
    QTest::mouseClick(w.Command3, Qt::LeftButton);
    QVERIFY(!w.isRunning());
    QVERIFY(!w.engine().isRunning());
    QCOMPARE(entries(out_), QStringList({"A00001.BMP", "B00002.BMP"}));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(boxes_->shown().empty());
}

QTEST_MAIN(TestFrmSplit3)
#include "tst_outputwindow.moc"
