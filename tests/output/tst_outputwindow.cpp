// Step 3 driven through its controls: layout, folder, start checks, run states, stop.

#include "EngineGate.h"
#include "PictureFixtures.h"
#include "TestSupport.h"
#include "job/SplitJob.h"
#include "output/OutputWindow.h"
#include "platform/Controls.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using testsupport::entries;
using testsupport::rgb;

namespace {

using Gate = testsupport::EngineGate;

// The window's controls, looked up once per test.
struct Controls
{
    explicit Controls(const OutputWindow &w)
    {
        using testsupport::control;
        folderLabel = control<QLabel>(w, "folderLabel");
        folderEdit = control<QLineEdit>(w, "folderEdit");
        browse = control<QPushButton>(w, "browseButton");
        formatGroup = control<QGroupBox>(w, "formatGroup");
        for (int i = 0; i < 5; ++i)
            format[i] = control<QRadioButton>(w, QStringLiteral("formatButtons_%1").arg(i));
        fill = control<QLabel>(w, "progressFill");
        percent = control<QLabel>(w, "progressText");
        previous = control<QPushButton>(w, "previousButton");
        start = control<QPushButton>(w, "startButton");
        exit = control<QPushButton>(w, "exitButton");
        stop = control<QPushButton>(w, "stopButton");
        keepDepth = control<QCheckBox>(w, "keepDepthBox");
        book = control<QCheckBox>(w, "bookBox");
    }
    bool complete() const
    {
        return folderLabel && folderEdit && browse && formatGroup && format[0] && format[1] &&
               format[2] && format[3] && format[4] && fill && percent && previous && start &&
               exit && stop && keepDepth && book;
    }

    QLabel *folderLabel;
    QLineEdit *folderEdit;
    QPushButton *browse;
    QGroupBox *formatGroup;
    QRadioButton *format[5]; // BMP TIF PNG JPG GIF
    QLabel *fill;
    QLabel *percent;
    QPushButton *previous;
    QPushButton *start;
    QCheckBox *keepDepth;
    QCheckBox *book;
    QPushButton *exit;
    QPushButton *stop;
};

} // namespace

class tst_OutputWindow : public QObject
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
    // Starts a run of one piece at a time, so that the files after a stop or a switch are
    // exact, and waits until the gate holds it.
    void startHeldRun(Gate &gate);

    QTemporaryDir dir_;
    QString sheet_;
    std::unique_ptr<testsupport::ScriptedBoxes> boxes_;
    std::unique_ptr<testsupport::ScriptedDialogs> dialogs_;
    SplitJob job_;
    std::unique_ptr<OutputWindow> window_;
    std::unique_ptr<Controls> c_;
    QString out_;
};

void tst_OutputWindow::initTestCase()
{
    QVERIFY(dir_.isValid());
    sheet_ = dir_.filePath(QStringLiteral("扫描 1.png"));
    QVERIFY(testsupport::writePicture(testsupport::patternImage(40, 30, QImage::Format_RGB32, 2),
                                      sheet_, "png"));
}

void tst_OutputWindow::init()
{
    boxes_ = std::make_unique<testsupport::ScriptedBoxes>();
    dialogs_ = std::make_unique<testsupport::ScriptedDialogs>();
    // The sheet in a 2 x 2 grid of 40 x 30, lettered A to D.
    job_ = SplitJob();
    job_.pictures = QStringList{sheet_};
    job_.frames = {{{0, 0, 20, 15}, "A"},
                   {{20, 0, 20, 15}, "B"},
                   {{0, 15, 20, 15}, "C"},
                   {{20, 15, 20, 15}, "D"}};
    window_ = std::make_unique<OutputWindow>(job_);
    c_ = std::make_unique<Controls>(*window_);
    QVERIFY(c_->complete());
    out_ = dir_.filePath(QStringLiteral("输出 %1").arg(QTest::currentDataTag()) +
                         QTest::currentTestFunction());
    QDir().mkpath(out_);
    boxes_->clear();
}

void tst_OutputWindow::cleanup()
{
    c_.reset();
    window_.reset();
    dialogs_.reset();
    boxes_.reset();
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void tst_OutputWindow::startHeldRun(Gate &gate)
{
    window_->engine().setThreadCount(1);
    c_->folderEdit->setText(out_);
    QTest::mouseClick(c_->start, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(gate.reached(), 30000);
}

void tst_OutputWindow::waitForEnd()
{
    QSignalSpy ended(window_.get(), &OutputWindow::runFinished);
    if (window_->isRunning())
        QVERIFY(ended.wait(30000));
}

void tst_OutputWindow::firstShow()
{
    OutputWindow &w = *window_;
    const Controls &c = *c_;
    QCOMPARE(w.windowTitle(), ui::windowTitle(QStringLiteral("第3步：选择保存目录")));
    QCOMPARE(w.size(), QSize(428, 262));
    QCOMPARE(c.folderEdit->text(), QString());
    QVERIFY(c.format[0]->isChecked());
    QVERIFY(!c.format[4]->isEnabled());
    QCOMPARE(c.percent->text(), QStringLiteral("0 %"));
    QCOMPARE(c.fill->width(), 1);
    QVERIFY(!c.start->isHidden());
    QVERIFY(c.stop->isHidden());
    QCOMPARE(w.focusWidget(), c.browse);
    QCOMPARE(c.formatGroup->title(), QStringLiteral(" 保存格式 "));
    QCOMPARE(c.folderLabel->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(c.fill->palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
    // The stop button sits exactly on the start button.
    QCOMPARE(c.stop->geometry(), c.start->geometry());

    // Tab order over the controls that take the focus; GIF is never reached.
    const QList<QWidget *> expected{c.folderEdit, c.format[0], c.format[1], c.exit,
                                    c.start,      c.previous,  c.format[2], c.format[3],
                                    c.stop,       c.keepDepth, c.book,      c.browse};
    QWidget *at = c.browse;
    QList<QWidget *> order;
    for (int i = 0; i < 40 && order.size() < expected.size(); ++i) {
        at = at->nextInFocusChain();
        if (at->focusPolicy() & Qt::TabFocus)
            order << at;
    }
    QCOMPARE(order, expected);
}

void tst_OutputWindow::layout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::newRow("folder box") << "folderEdit" << QRect(240, 570, 4695, 375);
    QTest::newRow("browse") << "browseButton" << QRect(5040, 555, 1095, 375);
    QTest::newRow("format group") << "formatGroup" << QRect(240, 1170, 5895, 855);
    QTest::newRow("BMP inside the group") << "formatButtons_0" << QRect(240, 360, 660, 255);
    QTest::newRow("GIF inside the group") << "formatButtons_4" << QRect(3840, 360, 660, 255);
    QTest::newRow("progress outline") << "progressOutline" << QRect(240, 2250, 5895, 255);
    QTest::newRow("progress fill") << "progressFill" << QRect(255, 2265, 15, 225);
    QTest::newRow("previous") << "previousButton" << QRect(240, 2730, 1500, 360);
    QTest::newRow("start") << "startButton" << QRect(2040, 2730, 1500, 360);
    QTest::newRow("exit") << "exitButton" << QRect(4635, 2730, 1500, 360);
    QTest::newRow("depth box under the buttons") << "keepDepthBox" << QRect(240, 3225, 5895, 255);
    QTest::newRow("book box") << "bookBox" << QRect(240, 3525, 5895, 255);
}

void tst_OutputWindow::layout()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    auto *widget = testsupport::control<QWidget>(*window_, name);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(),
             ui::fromTwips(twips.x(), twips.y(), twips.width(), twips.height()));
}

void tst_OutputWindow::folderChooser()
{
    const Controls &c = *c_;
    dialogs_->pickFolder(QStringLiteral("/data/书 目"));
    dialogs_->pickFolder(QStringLiteral("/"));
    dialogs_->cancelFolder();
    // The box shows the system's own separators.
    const auto shown = [](const char *path) {
        return QDir::toNativeSeparators(QString::fromUtf8(path));
    };
    QTest::mouseClick(c.browse, Qt::LeftButton);
    QCOMPARE(c.folderEdit->text(), shown("/data/书 目/"));
    QCOMPARE(dialogs_->folderRequests().back().title,
             QStringLiteral("请选择分割后文件的存放目录："));
    QTest::mouseClick(c.browse, Qt::LeftButton);
    QCOMPARE(c.folderEdit->text(), shown("/")); // no doubled separator
    QTest::mouseClick(c.browse, Qt::LeftButton);
    QCOMPARE(c.folderEdit->text(), shown("/")); // cancel keeps it
    // The box takes typing too.
    QTest::keyClicks(c.folderEdit, QStringLiteral("x"));
    QCOMPARE(c.folderEdit->text(), shown("/x"));
}

void tst_OutputWindow::startRefused_data()
{
    QTest::addColumn<QString>("folder"); // %1: the test's folder
    QTest::addColumn<QString>("text");   // the start of the error box's text
    using testsupport::textRow;
    textRow("empty", {"", "请选择分割后文件的存放目录 ！"});
    textRow("only blanks", {"   ", "请选择分割后文件的存放目录 ！"});
    textRow("missing folder", {"%1/gone", "保存目录不存在"});
    textRow("a file, not a folder", {"%1/file", "保存目录不存在"});
}

void tst_OutputWindow::startRefused()
{
    QFETCH(QString, folder);
    QFETCH(QString, text);
    QVERIFY(testsupport::writeBytes(out_ + "/file", {}));
    OutputWindow &w = *window_;
    const Controls &c = *c_;
    c.folderEdit->setText(folder.contains("%1") ? folder.arg(out_) : folder);
    c.exit->setFocus();
    QTest::mouseClick(c.start, Qt::LeftButton);

    QCOMPARE(boxes_->shown().size(), size_t(1));
    const platform::BoxRequest &box = boxes_->shown().front();
    QCOMPARE(box.title, QStringLiteral("错误信息"));
    QVERIFY2(box.text.startsWith(text), qPrintable(box.text));
    if (folder.contains("%1"))
        QVERIFY(box.text.contains(folder.arg(out_)));
    QCOMPARE(box.icon, platform::BoxIcon::Exclamation);
    QCOMPARE(w.focusWidget(), c.browse);
    QVERIFY(!w.isRunning());
    QVERIFY(!c.start->isHidden());
    QVERIFY(c.folderEdit->isEnabled());
    QCOMPARE(entries(out_), QStringList{"file"});
}

void tst_OutputWindow::tooManyPieces()
{
    // 25000 pictures of four pieces: 100000 names would need six digits.
    for (int i = 0; i < 24999; ++i)
        job_.pictures << QStringLiteral("/nowhere/%1.png").arg(i);
    c_->folderEdit->setText(out_);
    QTest::mouseClick(c_->start, Qt::LeftButton);
    QCOMPARE(boxes_->shown().size(), size_t(1));
    QCOMPARE(boxes_->shown().front().title, QStringLiteral("提示信息"));
    QCOMPARE(boxes_->shown().front().text, QStringLiteral("分割块总数超过 99999，请分批处理！"));
    QVERIFY(!window_->isRunning());
    QVERIFY(entries(out_).isEmpty());
}

void tst_OutputWindow::wholeRun()
{
    const QString second = dir_.filePath("second.png");
    QVERIFY(testsupport::writePicture(testsupport::patternImage(40, 30, QImage::Format_RGB32, 9),
                                      second, "png"));
    job_.pictures << second;
    job_.frames[1].letter = QStringLiteral("A"); // two frames of one book
    OutputWindow &w = *window_;
    const Controls &c = *c_;
    c.folderEdit->setText(QStringLiteral("  ") + out_ + QStringLiteral("  "));
    // The books too, where the build writes PDF: the job takes the box's choice.
    QStringList books;
#ifdef SPLITTER_WITH_PDF
    c.book->setFocus();
    QTest::keyClick(c.book, Qt::Key_Space);
    QVERIFY(job_.makeBooks && !job_.keepDepth);
    books = QStringList{"A.pdf", "C.pdf", "D.pdf"};
#endif
    QSignalSpy ended(&w, &OutputWindow::runFinished);
    QTest::mouseClick(c.start, Qt::LeftButton);
    QVERIFY(w.isRunning());
    QVERIFY(!c.book->isEnabled() && !c.keepDepth->isEnabled());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QVERIFY(ended.wait(30000));

    QStringList pieces{"A00001.BMP", "A00002.BMP", "A00005.BMP", "A00006.BMP",
                       "C00003.BMP", "C00007.BMP", "D00004.BMP", "D00008.BMP"};
    pieces += books;
    pieces.sort();
    QCOMPARE(entries(out_), pieces);
    QVERIFY(c.book->isEnabled());
    QCOMPARE(rgb(QImage(out_ + "/D00008.BMP")), rgb(QImage(second)).copy(20, 15, 20, 15));
    QCOMPARE(c.percent->text(), QStringLiteral("100 %"));
    // A screen reader hears the percentage, not only what the label is.
    QCOMPARE(c.percent->accessibleName(), QStringLiteral("分割进度 100 %"));
    QCOMPARE(c.fill->width(), (5895 - 30) / 15);
    QVERIFY(c.previous->isEnabled() && c.browse->isEnabled() && c.folderEdit->isEnabled());
    QVERIFY(!c.start->isHidden());
    QVERIFY(c.stop->isHidden());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(boxes_->shown().empty()); // a clean run is silent
}

void tst_OutputWindow::turnedRun()
{
    // The picture 60 wide and 90 high, turned 90° clockwise: the frames apply to the
    // turned picture, 90 wide and 60 high.
    const QString tall = dir_.filePath("tall.png");
    const QImage picture = testsupport::patternImage(60, 90, QImage::Format_RGB32, 4);
    QVERIFY(testsupport::writePicture(picture, tall, "png"));
    job_.pictures = QStringList{tall};
    job_.rotation = Rotation::Clockwise90;
    job_.frames = {{{0, 0, 90, 60}, "A"},
                   {{60, 40, 100, 100}, "B"},
                   {{90, 0, 5, 5}, "C"},
                   {{0, 60, 5, 5}, "D"}};
    c_->format[1]->click(); // TIF
    c_->folderEdit->setText(out_);
    QTest::mouseClick(c_->start, Qt::LeftButton);
    waitForEnd();
    QCOMPARE(entries(out_), QStringList({"A00001.TIF", "B00002.TIF"}));
    const QImage turned = fixtures::turnedReference(picture, 1);
    QCOMPARE(rgb(QImage(out_ + "/A00001.TIF")), rgb(turned));
    QCOMPARE(QImage(out_ + "/B00002.TIF").size(), QSize(30, 20));
}

void tst_OutputWindow::stopDuringRun()
{
    OutputWindow &w = *window_;
    const Controls &c = *c_;
    Gate gate(w.engine(), 2);
    startHeldRun(gate);

    // Running.
    QVERIFY(c.start->isHidden());
    QVERIFY(!c.stop->isHidden());
    QVERIFY(!c.previous->isEnabled() && !c.browse->isEnabled() && !c.folderEdit->isEnabled());
    QVERIFY(c.exit->isEnabled() && c.format[3]->isEnabled());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);

    // Stop requested: neither button until the run notices.
    QTest::mouseClick(c.stop, Qt::LeftButton);
    QVERIFY(c.start->isHidden());
    QVERIFY(c.stop->isHidden());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);

    QSignalSpy ended(&w, &OutputWindow::runFinished);
    gate.release();
    QVERIFY(ended.wait(30000));
    QCOMPARE(entries(out_), QStringList({"A00001.BMP", "B00002.BMP"}));
    QCOMPARE(c.percent->text(), QStringLiteral("0 %"));
    QCOMPARE(c.fill->width(), 0);
    QVERIFY(!c.start->isHidden());
    QVERIFY(c.stop->isHidden());
    QVERIFY(!c.previous->isEnabled() && !c.browse->isEnabled() && !c.folderEdit->isEnabled());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(boxes_->shown().empty());

    // A folder gone since the stop is refused, and the folder can be chosen again.
    const QString gone = out_ + QStringLiteral("-gone");
    c.folderEdit->setText(gone);
    QTest::mouseClick(c.start, Qt::LeftButton);
    QCOMPARE(boxes_->shown().size(), size_t(1));
    QVERIFY(c.browse->isEnabled() && c.folderEdit->isEnabled());
    QVERIFY(!c.previous->isEnabled());
    c.folderEdit->setText(out_);

    // A later run that ends normally gives the controls back.
    QTest::mouseClick(c.start, Qt::LeftButton);
    waitForEnd();
    QCOMPARE(entries(out_).size(), 4);
    QVERIFY(c.previous->isEnabled() && c.browse->isEnabled() && c.folderEdit->isEnabled());
    QCOMPARE(c.percent->text(), QStringLiteral("100 %"));
}

void tst_OutputWindow::accessKeyP()
{
    // One piece at a time, so that the files after a stop or a switch are exact.
    window_->engine().setThreadCount(1);
    // A button's access key clicks it a moment later (Qt animates the press): wait for it.
    OutputWindow &w = *window_;
    const Controls &c = *c_;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QSignalSpy previous(&w, &OutputWindow::previousRequested);
    QTest::keyClick(&w, Qt::Key_P, Qt::AltModifier);
    QVERIFY(previous.wait(10000));

    c.folderEdit->setText(out_);
    Gate gate(w.engine(), 1);
    QSignalSpy started(c.start, &QPushButton::clicked);
    QTest::keyClick(&w, Qt::Key_B, Qt::AltModifier);
    QVERIFY(started.wait(10000));
    QTRY_VERIFY_WITH_TIMEOUT(gate.reached(), 30000);
    QSignalSpy stopped(c.stop, &QPushButton::clicked);
    QTest::keyClick(&w, Qt::Key_P, Qt::AltModifier);
    QVERIFY(stopped.wait(10000));
    QCOMPARE(previous.size(), 1); // Alt+P is Stop while running
    QVERIFY(c.stop->isHidden());
    gate.release();
    waitForEnd();
    QCOMPARE(entries(out_), QStringList{"A00001.BMP"});
    w.hide();
}

void tst_OutputWindow::formatChangedDuringRun()
{
    const Controls &c = *c_;
    Gate gate(window_->engine(), 2);
    startHeldRun(gate);
    c.format[3]->click(); // JPG
    QVERIFY(c.format[3]->isChecked());
    gate.release();
    waitForEnd();
    QCOMPARE(entries(out_), QStringList({"A00001.BMP", "B00002.BMP", "C00003.JPG", "D00004.JPG"}));
    // GIF cannot be chosen, neither by click nor by arrow keys.
    c.format[4]->click();
    QTest::keyClick(c.format[3], Qt::Key_Right);
    QVERIFY(!c.format[4]->isChecked());
}

void tst_OutputWindow::failuresReportedOnce()
{
    job_.pictures.prepend(dir_.filePath("missing.png"));
    QVERIFY(QDir().mkpath(out_ + "/B00006.BMP")); // a folder holds a piece's name
    c_->folderEdit->setText(out_);
    QTest::mouseClick(c_->start, Qt::LeftButton);
    waitForEnd();
    QCOMPARE(boxes_->shown().size(), size_t(1));
    const platform::BoxRequest &box = boxes_->shown().front();
    QCOMPARE(box.title, QStringLiteral("错误信息"));
    QCOMPARE(box.icon, platform::BoxIcon::Exclamation);
    QCOMPARE(box.buttons, platform::BoxButtons::Ok);
    QVERIFY2(box.text.startsWith(QStringLiteral("有 1 个图片无法读取，1 个分割块未能保存")),
             qPrintable(box.text));
    // Each file with its reason after it.
    QVERIFY(box.text.contains(QDir::toNativeSeparators(dir_.filePath("missing.png")) + "："));
    QVERIFY(box.text.contains(QDir::toNativeSeparators(out_ + "/B00006.BMP") + "："));
    QCOMPARE(entries(out_), QStringList({"A00005.BMP", "B00006.BMP", "C00007.BMP", "D00008.BMP"}));
    QCOMPARE(c_->percent->text(), QStringLiteral("100 %"));
}

void tst_OutputWindow::exitDuringRun()
{
    // One piece at a time, so that the files after a stop or a switch are exact.
    window_->engine().setThreadCount(1);
    OutputWindow &w = *window_;
    c_->folderEdit->setText(out_);
    auto gate = std::make_unique<Gate>(w.engine(), 2);
    // What the wizard does on Exit: the run ends after the piece in progress.
    connect(&w, &OutputWindow::exitRequested, this, [&] {
        gate->release();
        w.stopRunAndWait();
    });
    QTest::mouseClick(c_->start, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(gate->reached(), 30000);
    QTest::mouseClick(c_->exit, Qt::LeftButton);
    QVERIFY(!w.isRunning());
    QVERIFY(!w.engine().isRunning());
    QCOMPARE(entries(out_), QStringList({"A00001.BMP", "B00002.BMP"}));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(boxes_->shown().empty());
}

QTEST_MAIN(tst_OutputWindow)
#include "tst_outputwindow.moc"
