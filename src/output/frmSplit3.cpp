#include "frmSplit3.h"

#include "EndReport.h"
#include "PieceName.h"
#include "Progress.h"
#include "app/Controls.h"
#include "app/Module1.h"
#include "editor/frmSplit2.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "select/frmSplit1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr int shapeWidthTwips = 5895;
constexpr int barLeftTwips = 255;
constexpr int barTopTwips = 2265;
constexpr int barHeightTwips = 225;
constexpr int barDesignTwips = 15;

} // namespace

frmSplit3::frmSplit3(frmSplit1 &step1, frmSplit2 &step2, QWidget *parent)
    : QWidget(parent), step1_(step1), step2_(step2)
{
    setObjectName(QStringLiteral("frmSplit3"));
    setWindowTitle(ui::windowTitle(QStringLiteral("第3步：选择保存目录")));
    setWindowIcon(step1_.windowIcon());
    setFixedSize(428, 222);

    Label2 = ui::makeLabel(this, "Label2", QStringLiteral("分割后文件的保存路径："),
                           ui::fromTwips(240, 240, 1980, 180));
    ui::setColour(Label2, QPalette::WindowText, QColor(0, 0, 0xFF));
    Label2->adjustSize();

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(ui::fromTwips(240, 570, 4695, 375));

    Command4 = ui::makeButton(this, "Command4", QStringLiteral("浏览 ..."),
                              ui::fromTwips(5040, 555, 1095, 375));

    Frame1 = new QGroupBox(QStringLiteral(" 保存格式 "), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(ui::fromTwips(240, 1170, 5895, 855));
    const char *formats[] = {"BMP", "TIF", "PNG", "JPG", "GIF"};
    for (int i = 0; i < 5; ++i) {
        auto *option = new QRadioButton(QLatin1String(formats[i]), Frame1);
        option->setObjectName(QStringLiteral("Option1_%1").arg(i));
        option->setGeometry(ui::fromTwips(240 + i * 900, 360, 660, 255));
        Option1.push_back(option);
    }
    Option1[0]->setChecked(true);
    // GIF is offered but never written: greyed and out of the keyboard's reach.
    Option1[4]->setEnabled(false);
    Option1[4]->setFocusPolicy(Qt::NoFocus);

    // Created bottom-up: the outline, then the fill, then the read-out over both.
    Shape1 = new QFrame(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setGeometry(ui::fromTwips(240, 2250, shapeWidthTwips, 255));
    Shape1->setFrameShape(QFrame::Box);
    Shape1->setAutoFillBackground(true);
    // The light 3-D colour, so that the grey fill shows against it.
    ui::setColour(Shape1, QPalette::Window, palette().color(QPalette::Light));

    Label4 =
        ui::makeLabel(this, "Label4", QString(),
                      ui::fromTwips(barLeftTwips, barTopTwips, barDesignTwips, barHeightTwips));
    Label4->setAutoFillBackground(true);
    ui::setColour(Label4, QPalette::Window, QColor(0xC0, 0xC0, 0xC0));

    Label3 =
        ui::makeLabel(this, "Label3", QStringLiteral("0 %"), ui::fromTwips(2880, 2280, 270, 180));
    ui::setColour(Label3, QPalette::WindowText, palette().color(QPalette::ToolTipText));
    Label3->adjustSize();

    Command1 = ui::makeButton(this, "Command1", QStringLiteral("上一步 (&P)"),
                              ui::fromTwips(240, 2730, 1500, 360));
    Command2 = ui::makeButton(this, "Command2", QStringLiteral("开始分割  (&B)"),
                              ui::fromTwips(2040, 2730, 1500, 360));
    Command5 = ui::makeButton(this, "Command5", QStringLiteral("停  止  (&P)"),
                              ui::fromTwips(2040, 2730, 1500, 360));
    Command5->hide();
    Command3 = ui::makeButton(this, "Command3", QStringLiteral("退 出  (&Q)"),
                              ui::fromTwips(4635, 2730, 1500, 360));

    setTabOrder(Command4, Text1);
    setTabOrder(Text1, Option1[0]);
    setTabOrder(Option1[0], Option1[1]);
    setTabOrder(Option1[1], Command3);
    setTabOrder(Command3, Command2);
    setTabOrder(Command2, Command1);
    setTabOrder(Command1, Option1[2]);
    setTabOrder(Option1[2], Option1[3]);
    setTabOrder(Option1[3], Command5);
    Command4->setFocus();

    for (int i = 0; i < 4; ++i)
        connect(Option1[i], &QRadioButton::toggled, this, [this, i](bool checked) {
            if (checked)
                engine_.setFormat(OutputFormat(i));
        });
    connect(Command4, &QPushButton::clicked, this, &frmSplit3::chooseFolder);
    connect(Command2, &QPushButton::clicked, this, &frmSplit3::startRun);
    connect(Command5, &QPushButton::clicked, this, &frmSplit3::requestStop);
    connect(Command1, &QPushButton::clicked, this, &frmSplit3::previousRequested);
    connect(Command3, &QPushButton::clicked, this, &frmSplit3::exitRequested);
    engine_.setThreadCount(0); // one worker per core
    connect(&engine_, &BatchEngine::progress, this, &frmSplit3::showProgress);
    connect(&engine_, &BatchEngine::finished, this,
            [this](const RunOutcome &outcome) { endRun(outcome, true); });
}

frmSplit3::~frmSplit3()
{
    stopRunAndWait();
}

void frmSplit3::chooseFolder()
{
    const std::optional<QString> folder =
        platform::chooseFolder({this, QStringLiteral("请选择分割后文件的存放目录：")});
    if (!folder || folder->isEmpty())
        return; // cancelled: the folder chosen before stays
    QString text = QDir::toNativeSeparators(*folder);
    if (!text.endsWith(QDir::separator()))
        text += QDir::separator();
    Text1->setText(text);
}

void frmSplit3::startRun()
{
    if (running_)
        return;
    const QString folder = outputFolder(Text1->text());
    if (folder.isEmpty()) {
        refuse(QStringLiteral("错误信息"), QStringLiteral("请选择分割后文件的存放目录 ！"),
               Command4);
        return;
    }
    RunSnapshot snapshot = takeSnapshot(folder);
    // Six digits would break the names' sort order.
    if (tooManyPieces(snapshot.pictures.size(), qint64(snapshot.frames.size()))) {
        refuse(QStringLiteral("提示信息"), QStringLiteral("分割块总数超过 99999，请分批处理！"),
               nullptr);
        return;
    }
    // Without these checks every piece would fail and the run would look like a success.
    if (!platform::folderExists(folder)) {
        refuse(QStringLiteral("错误信息"),
               QStringLiteral("保存目录不存在，请重新选择：\n") + folder, Command4);
        return;
    }
    if (!platform::folderWritable(folder)) {
        refuse(QStringLiteral("错误信息"),
               QStringLiteral("保存目录无法写入，请重新选择：\n") + folder, Command4);
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

void frmSplit3::requestStop()
{
    // Hidden stop button, start button still hidden: the stop has been asked for.
    Command5->hide();
    engine_.requestStop();
}

void frmSplit3::stopRunAndWait()
{
    if (!running_)
        return;
    engine_.requestStop();
    engine_.wait();
    // The program is ending: the window is put back without a report.
    endRun(engine_.lastOutcome(), false);
}

RunSnapshot frmSplit3::takeSnapshot(const QString &folder) const
{
    RunSnapshot snapshot;
    snapshot.folder = folder;
    for (int i = 0; i < step1_.List1->count(); ++i)
        snapshot.pictures << step1_.List1->item(i)->text();
    snapshot.rotation = step2_.Combo2 ? std::max(step2_.Combo2->currentIndex(), 0) : 0;
    for (int k = 1; k <= step2_.frameCount; ++k) {
        SnapshotFrame frame;
        // A frame without its rectangle or letter row gives no piece rather than a wrong one.
        if (size_t(k) < frameRects.size())
            frame.rect = frameRects[size_t(k)];
        if (size_t(k) < step2_.Combo1.size() && step2_.Combo1[size_t(k)])
            frame.letter = step2_.Combo1[size_t(k)]->currentText().trimmed();
        snapshot.frames.push_back(frame);
    }
    return snapshot;
}

void frmSplit3::lockForRun()
{
    Command1->setEnabled(false);
    Command2->hide();
    Command4->setEnabled(false);
    Command5->show();
    Text1->setEnabled(false);
}

void frmSplit3::showProgress(qint64 done, qint64 total)
{
    if (!running_)
        return;
    Label3->setText(progressText(done, total));
    Label3->adjustSize();
    setBarTwips(progressBarTwips(shapeWidthTwips, done, total));
}

void frmSplit3::setBarTwips(int twips)
{
    Label4->setGeometry(ui::fromTwips(barLeftTwips, barTopTwips, twips, barHeightTwips));
}

void frmSplit3::endRun(const RunOutcome &outcome, bool report)
{
    if (!running_)
        return; // the end of a run already put back by stopRunAndWait
    running_ = false;
    QApplication::restoreOverrideCursor();
    if (outcome.stopped) {
        // The folder and Previous stay locked until a later run ends normally.
        Label3->setText(QStringLiteral("0 %"));
        Label3->adjustSize();
        setBarTwips(0);
        Command5->hide();
        Command2->show();
    } else {
        Text1->setEnabled(true);
        Command1->setEnabled(true);
        Command2->show();
        Command4->setEnabled(true);
        Command5->hide();
    }
    if (report) {
        const QString text = failureReport(outcome);
        if (!text.isEmpty())
            platform::showNotice(this, QStringLiteral("错误信息"), text,
                                 platform::BoxIcon::Exclamation);
    }
    emit runFinished();
}

void frmSplit3::refuse(const QString &title, const QString &text, QWidget *focus)
{
    platform::showNotice(this, title, text, platform::BoxIcon::Exclamation);
    if (focus == Command4) {
        // After a stopped run the folder controls are locked; a refused folder must be
        // changeable, or the user could only exit.
        Text1->setEnabled(true);
        Command4->setEnabled(true);
    }
    if (focus)
        focus->setFocus();
}

void frmSplit3::closeEvent(QCloseEvent *event)
{
    event->accept();
    emit exitRequested();
}
