#include "frmSplit1.h"

#include "FileSelection.h"
#include "Step1Logic.h"
#include "app/Controls.h"
#include "app/Module1.h"
#include "platform/Dialogs.h"
#include "platform/Icons.h"
#include "platform/MessageBox.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {

void setWhiteBackground(QPushButton *button)
{
    ui::setColour(button, QPalette::Button, Qt::white);
    button->setAutoFillBackground(true);
}

void setTextColour(QWidget *widget, const QColor &colour)
{
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        ui::setColour(widget, role, colour);
}

} // namespace

frmSplit1::frmSplit1(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmSplit1"));
    setWindowTitle(ui::windowTitle(QStringLiteral("第1步：选择待分割图片")));
    setWindowIcon(platform::programIcon());
    setFixedSize(437, 235);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(0xE0, 0xE0, 0xE0));
    setPalette(palette);
    setAutoFillBackground(true);

    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setGeometry(ui::fromTwips(240, 240, 4455, 2400));
    List1->setSelectionMode(QAbstractItemView::ExtendedSelection);

    Command5 = ui::makeButton(this, "Command5", QString(), ui::fromTwips(5145, 240, 1095, 375));
    Command5->setIcon(platform::addPictureIcon());
    Command5->setIconSize(QSize(20, 20));
    Command5->setToolTip(QStringLiteral("插入新图片"));
    setWhiteBackground(Command5);

    Command4 = ui::makeButton(this, "Command4", QString(), ui::fromTwips(5145, 900, 1095, 375));
    Command4->setIcon(platform::removePictureIcon());
    Command4->setIconSize(QSize(20, 20));
    Command4->setToolTip(QStringLiteral("从列表中移除选定的项"));
    setWhiteBackground(Command4);

    Label5 = ui::makeLabel(this, "Label5", QStringLiteral("图片数量："),
                           ui::fromTwips(4920, 1620, 900, 180));
    Label6 = ui::makeLabel(this, "Label6", QStringLiteral("0"), ui::fromTwips(5880, 1620, 90, 180));
    setTextColour(Label6, QColor(0, 0, 255));
    Label2 = ui::makeLabel(this, "Label2", QStringLiteral("将选定的图片分"),
                           ui::fromTwips(4920, 1980, 1260, 180));
    Label3 =
        ui::makeLabel(this, "Label3", QStringLiteral("割成"), ui::fromTwips(4920, 2340, 360, 180));

    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setGeometry(ui::fromTwips(5340, 2280, 510, 300));
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    setTextColour(Combo1, QColor(0, 0, 255));
    for (int i = 1; i <= 10; ++i)
        Combo1->addItem(QString::number(i));
    Combo1->setCurrentIndex(3);

    Label4 =
        ui::makeLabel(this, "Label4", QStringLiteral("部分"), ui::fromTwips(5880, 2340, 360, 180));

    Command2 = ui::makeButton(this, "Command2", QStringLiteral("下一步  (&N)"),
                              ui::fromTwips(240, 2940, 1740, 360));
    Command3 = ui::makeButton(this, "Command3", QStringLiteral("退 出  (&Q)"),
                              ui::fromTwips(4740, 2940, 1500, 360));

    for (QPushButton *b : {Command2, Command3, Command4, Command5})
        b->setAutoDefault(false);

    setTabOrder(Command5, Command2);
    setTabOrder(Command2, Combo1);
    setTabOrder(Combo1, Command4);
    setTabOrder(Command4, List1);
    setTabOrder(List1, Command3);

    connect(Command5, &QPushButton::clicked, this, &frmSplit1::addPictures);
    connect(Command4, &QPushButton::clicked, this, &frmSplit1::removeSelected);
    connect(Command2, &QPushButton::clicked, this, &frmSplit1::next);
    connect(Command3, &QPushButton::clicked, this, &frmSplit1::exitRequested);
    Command5->setFocus();
}

void frmSplit1::addPictures()
{
    platform::OpenPicturesRequest request;
    request.owner = this;
    request.title = QStringLiteral("选择文本文件");
    request.filters = pictureFilter();
    request.filterIndex = 1;
    request.initialFolder = lastFolder;
    const FileSelection selection = ParseFileNames(platform::openPictures(request));
    if (selection.FileCount == 0)
        return;
    lastFolder = selection.FolderPath;
    for (const QString &name : selection.FileNames)
        List1->addItem(selection.FolderPath + name);
    showCount();
}

void frmSplit1::removeSelected()
{
    if (List1->count() == 0)
        return;
    std::vector<bool> selected;
    selected.reserve(size_t(List1->count()));
    for (int i = 0; i < List1->count(); ++i)
        selected.push_back(List1->item(i)->isSelected());
    for (int position : removalOrder(selected))
        delete List1->takeItem(position);
    showCount();
}

void frmSplit1::next()
{
    if (List1->count() < 1) {
        platform::showNotice(this, QStringLiteral("提示信息"),
                             QStringLiteral("至少选择一个要分割的图片！"));
        Command5->setFocus();
        return;
    }
    if (!partsCount(Combo1->currentText())) {
        platform::showNotice(this, QStringLiteral("提示信息"),
                             QStringLiteral("分割数量必须是 1 到 10 之间的整数！"));
        Combo1->setFocus();
        return;
    }
    emit nextRequested();
}

void frmSplit1::showCount()
{
    Label6->setText(QString::number(List1->count()));
    // Wide enough for any count, not only a single digit.
    Label6->resize(qMax(Label6->sizeHint().width(), 6), Label6->height());
}

void frmSplit1::closeEvent(QCloseEvent *event)
{
    event->accept();
    emit exitRequested();
}
