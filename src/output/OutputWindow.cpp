#include "OutputWindow.h"

#include "batch/EndReport.h"
#include "batch/PieceName.h"
#include "batch/Progress.h"
#include "imaging/FileSystem.h"
#include "job/SplitJob.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr int shapeWidthTwips = 5895;
constexpr int barLeftTwips = 255;
constexpr int barTopTwips = 2265;
constexpr int barHeightTwips = 225;
constexpr int barDesignTwips = 15;

} // namespace

OutputWindow::OutputWindow(SplitJob &job, QWidget *parent)
    : ui::WizardPage("OutputWindow", QStringLiteral("第3步：选择保存目录"), parent), job_(job)
{
    setFixedSize(428, 262);

    folderLabel_ = ui::makeLabel(this, "folderLabel", QStringLiteral("分割后文件的保存路径："),
                                 ui::fromTwips(240, 240, 1980, 180));
    ui::setColour(folderLabel_, QPalette::WindowText, QColor(0, 0, 0xFF));
    folderLabel_->adjustSize();

    folderEdit_ = new QLineEdit(this);
    folderEdit_->setObjectName(QStringLiteral("folderEdit"));
    folderEdit_->setGeometry(ui::fromTwips(240, 570, 4695, 375));

    browseButton_ = ui::makeButton(this, "browseButton", QStringLiteral("浏览 ..."),
                                   ui::fromTwips(5040, 555, 1095, 375));

    createFormatButtons();
    createProgressBar();

    createPreviousButton(ui::fromTwips(240, 2730, 1500, 360));
    startButton_ = ui::makeButton(this, "startButton", QStringLiteral("开始分割  (&B)"),
                                  ui::fromTwips(2040, 2730, 1500, 360));
    stopButton_ = ui::makeButton(this, "stopButton", QStringLiteral("停  止  (&P)"),
                                 ui::fromTwips(2040, 2730, 1500, 360));
    stopButton_->hide();
    createExitButton(ui::fromTwips(4635, 2730, 1500, 360));
    createCheckBoxes();

    nameForScreenReaders();

    setTabOrder(browseButton_, folderEdit_);
    setTabOrder(folderEdit_, formatButtons_[0]);
    setTabOrder(formatButtons_[0], formatButtons_[1]);
    setTabOrder(formatButtons_[1], exitButton());
    setTabOrder(exitButton(), startButton_);
    setTabOrder(startButton_, previousButton());
    setTabOrder(previousButton(), formatButtons_[2]);
    setTabOrder(formatButtons_[2], formatButtons_[3]);
    setTabOrder(formatButtons_[3], stopButton_);
    setTabOrder(stopButton_, keepDepthBox_);
    setTabOrder(keepDepthBox_, bookBox_);
    browseButton_->setFocus();

    for (size_t i = 0; i < outputFormats().size(); ++i)
        connect(formatButtons_[i], &QRadioButton::toggled, this,
                [this, format = outputFormats()[i].format](bool checked) {
                    if (checked)
                        engine_.setFormat(format);
                });
    connect(browseButton_, &QPushButton::clicked, this, &OutputWindow::chooseFolder);
    connect(startButton_, &QPushButton::clicked, this, &OutputWindow::startRun);
    connect(stopButton_, &QPushButton::clicked, this, &OutputWindow::requestStop);
    engine_.setThreadCount(0); // one worker per core
    connect(&engine_, &BatchEngine::progress, this, &OutputWindow::showProgress);
    connect(&engine_, &BatchEngine::finished, this,
            [this](const RunOutcome &outcome) { endRun(outcome, true); });
}

void OutputWindow::createFormatButtons()
{
    formatGroup_ = new QGroupBox(QStringLiteral(" 保存格式 "), this);
    formatGroup_->setObjectName(QStringLiteral("formatGroup"));
    formatGroup_->setGeometry(ui::fromTwips(240, 1170, 5895, 855));
    // One option per output format, in the table's order, then GIF, which is offered but
    // never written.
    QStringList captions;
    for (const OutputFormatInfo &info : outputFormats())
        captions << QLatin1String(info.caption);
    captions << QStringLiteral("GIF");
    for (int i = 0; i < int(captions.size()); ++i) {
        auto *option = new QRadioButton(captions.at(i), formatGroup_);
        option->setObjectName(QStringLiteral("formatButtons_%1").arg(i));
        option->setGeometry(ui::fromTwips(240 + i * 900, 360, 660, 255));
        formatButtons_.push_back(option);
    }
    formatButtons_[0]->setChecked(true);
    // Greyed and out of the keyboard's reach.
    formatButtons_.back()->setEnabled(false);
    formatButtons_.back()->setFocusPolicy(Qt::NoFocus);
}

void OutputWindow::createCheckBoxes()
{
    // Each box shows and sets one choice of the job.
    auto makeBox = [this](const char *name, const QString &text, int topTwips, bool &choice) {
        auto *box = new QCheckBox(text, this);
        box->setObjectName(QLatin1String(name));
        box->setGeometry(ui::fromTwips(240, topTwips, 5895, 255));
        box->setChecked(choice);
        connect(box, &QCheckBox::toggled, this, [&choice](bool checked) { choice = checked; });
        return box;
    };
    keepDepthBox_ = makeBox("keepDepthBox", QStringLiteral("保持黑白、灰度图片的颜色深度"), 3225,
                            job_.keepDepth);
    bookBox_ =
        makeBox("bookBox", QStringLiteral("同时为每本书生成一个 PDF 文件"), 3525, job_.makeBooks);
}

void OutputWindow::createProgressBar()
{
    // Created bottom-up: the outline, then the fill, then the read-out over both.
    progressOutline_ = new QFrame(this);
    progressOutline_->setObjectName(QStringLiteral("progressOutline"));
    progressOutline_->setGeometry(ui::fromTwips(240, 2250, shapeWidthTwips, 255));
    progressOutline_->setFrameShape(QFrame::Box);
    progressOutline_->setAutoFillBackground(true);
    // The light 3-D colour, so that the grey fill shows against it.
    ui::setColour(progressOutline_, QPalette::Window, palette().color(QPalette::Light));

    progressFill_ =
        ui::makeLabel(this, "progressFill", QString(),
                      ui::fromTwips(barLeftTwips, barTopTwips, barDesignTwips, barHeightTwips));
    progressFill_->setAutoFillBackground(true);
    ui::setColour(progressFill_, QPalette::Window, QColor(0xC0, 0xC0, 0xC0));

    progressText_ = ui::makeLabel(this, "progressText", QStringLiteral("0 %"),
                                  ui::fromTwips(2880, 2280, 270, 180));
    ui::setColour(progressText_, QPalette::WindowText, palette().color(QPalette::ToolTipText));
    progressText_->adjustSize();
}

void OutputWindow::nameForScreenReaders()
{
    folderEdit_->setAccessibleName(QStringLiteral("分割后文件的保存路径"));
    browseButton_->setAccessibleName(QStringLiteral("浏览"));
    formatGroup_->setAccessibleName(QStringLiteral("保存格式"));
    for (QRadioButton *option : formatButtons_)
        option->setAccessibleName(QStringLiteral("保存格式 ") + option->text());
    showReadout(progressText_->text());
    startButton_->setAccessibleName(QStringLiteral("开始分割"));
    keepDepthBox_->setAccessibleName(keepDepthBox_->text());
    bookBox_->setAccessibleName(bookBox_->text());
    stopButton_->setAccessibleName(QStringLiteral("停止"));
}

OutputWindow::~OutputWindow()
{
    stopRunAndWait();
}

void OutputWindow::chooseFolder()
{
    const std::optional<QString> folder =
        platform::chooseFolder({this, QStringLiteral("请选择分割后文件的存放目录：")});
    if (!folder || folder->isEmpty())
        return; // cancelled: the folder chosen before stays
    QString text = QDir::toNativeSeparators(*folder);
    if (!text.endsWith(QDir::separator()))
        text += QDir::separator();
    folderEdit_->setText(text);
}

void OutputWindow::startRun()
{
    if (running_)
        return;
    const QString folder = outputFolder(folderEdit_->text());
    if (folder.isEmpty()) {
        refuse(QStringLiteral("错误信息"), QStringLiteral("请选择分割后文件的存放目录 ！"),
               browseButton_);
        return;
    }
    RunSnapshot snapshot = snapshotOf(job_, folder);
    // Six digits would break the names' sort order.
    if (tooManyPieces(snapshot.pictures.size(), qint64(snapshot.frames.size()))) {
        refuse(QStringLiteral("提示信息"), QStringLiteral("分割块总数超过 99999，请分批处理！"),
               nullptr);
        return;
    }
    // Without these checks every piece would fail and the run would look like a success.
    if (!imaging::folderExists(folder)) {
        refuse(QStringLiteral("错误信息"),
               QStringLiteral("保存目录不存在，请重新选择：\n") + folder, browseButton_);
        return;
    }
    if (!imaging::folderWritable(folder)) {
        refuse(QStringLiteral("错误信息"),
               QStringLiteral("保存目录无法写入，请重新选择：\n") + folder, browseButton_);
        return;
    }

    lockForRun();
    running_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!engine_.start(std::move(snapshot))) {
        // Only possible while a worker is still ending: give the window back.
        endRun(engine_.lastOutcome(), false);
    }
}

void OutputWindow::requestStop()
{
    // Hidden stop button, start button still hidden: the stop has been asked for.
    stopButton_->hide();
    engine_.requestStop();
}

void OutputWindow::stopRunAndWait()
{
    if (!running_)
        return;
    engine_.requestStop();
    engine_.wait();
    // The program is ending: the window is put back without a report.
    endRun(engine_.lastOutcome(), false);
}

void OutputWindow::lockForRun()
{
    previousButton()->setEnabled(false);
    startButton_->hide();
    browseButton_->setEnabled(false);
    stopButton_->show();
    folderEdit_->setEnabled(false);
    keepDepthBox_->setEnabled(false);
    bookBox_->setEnabled(false);
}

void OutputWindow::showProgress(qint64 done, qint64 total)
{
    if (!running_)
        return;
    showReadout(progressText(done, total));
    setBarTwips(progressBarTwips(shapeWidthTwips, done, total));
}

void OutputWindow::showReadout(const QString &percentage)
{
    progressText_->setText(percentage);
    progressText_->adjustSize();
    // A name replaces a label's text on the accessibility bus, so the name carries the
    // percentage too, and a screen reader hears each change.
    progressText_->setAccessibleName(QStringLiteral("分割进度 ") + percentage);
}

void OutputWindow::setBarTwips(int twips)
{
    progressFill_->setGeometry(ui::fromTwips(barLeftTwips, barTopTwips, twips, barHeightTwips));
}

void OutputWindow::endRun(const RunOutcome &outcome, bool report)
{
    if (!running_)
        return; // the end of a run already put back by stopRunAndWait
    running_ = false;
    QApplication::restoreOverrideCursor();
    keepDepthBox_->setEnabled(true);
    bookBox_->setEnabled(true);
    if (outcome.stopped) {
        // The folder and Previous stay locked until a later run ends normally.
        showReadout(QStringLiteral("0 %"));
        setBarTwips(0);
        stopButton_->hide();
        startButton_->show();
    } else {
        folderEdit_->setEnabled(true);
        previousButton()->setEnabled(true);
        startButton_->show();
        browseButton_->setEnabled(true);
        stopButton_->hide();
    }
    if (report) {
        const QString text = failureReport(outcome);
        if (!text.isEmpty())
            platform::showNotice(this, QStringLiteral("错误信息"), text,
                                 platform::BoxIcon::Exclamation);
    }
    emit runFinished();
}

void OutputWindow::refuse(const QString &title, const QString &text, QWidget *focus)
{
    platform::showNotice(this, title, text, platform::BoxIcon::Exclamation);
    if (focus == browseButton_) {
        // After a stopped run the folder controls are locked; a refused folder must be
        // changeable, or the user could only exit.
        folderEdit_->setEnabled(true);
        browseButton_->setEnabled(true);
    }
    if (focus)
        focus->setFocus();
}
