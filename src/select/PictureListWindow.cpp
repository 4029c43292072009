#include "PictureListWindow.h"

#include "PartsBox.h"
#include "PictureListRules.h"
#include "job/SplitJob.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Icons.h"
#include "platform/MessageBox.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include <algorithm>

namespace {

void setWhiteBackground(QPushButton *button)
{
    ui::setColour(button, QPalette::Button, Qt::white);
    button->setAutoFillBackground(true);
}

} // namespace

PictureListWindow::PictureListWindow(SplitJob &job, QWidget *parent)
    : ui::WizardPage("PictureListWindow", QStringLiteral("第1步：选择待分割图片"), parent),
      job_(job)
{
    setFixedSize(437, 235);
    ui::setColour(this, QPalette::Window, QColor(0xE0, 0xE0, 0xE0));
    setAutoFillBackground(true);

    createList();
    createPictureButtons();
    createPartsControls();
    createNextButton(ui::fromTwips(240, 2940, 1740, 360));
    createExitButton(ui::fromTwips(4740, 2940, 1500, 360));
    orderTabStops();

    connect(addButton_, &QPushButton::clicked, this, &PictureListWindow::addPictures);
    connect(removeButton_, &QPushButton::clicked, this, &PictureListWindow::removeSelected);
    connect(nextButton(), &QPushButton::clicked, this, &PictureListWindow::next);
    addButton_->setFocus();
    // Files and folders dropped from the file manager are added as if picked.
    setAcceptDrops(true);
}

void PictureListWindow::createList()
{
    pictureList_ = new QListWidget(this);
    pictureList_->setObjectName(QStringLiteral("pictureList"));
    pictureList_->setGeometry(ui::fromTwips(240, 240, 4455, 2400));
    pictureList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    pictureList_->setAccessibleName(QStringLiteral("待分割图片列表"));
}

void PictureListWindow::createPictureButtons()
{
    addButton_ = ui::makeButton(this, "addButton", QString(), ui::fromTwips(5145, 240, 1095, 375));
    addButton_->setIcon(platform::addPictureIcon());
    addButton_->setToolTip(QStringLiteral("插入新图片"));

    removeButton_ =
        ui::makeButton(this, "removeButton", QString(), ui::fromTwips(5145, 900, 1095, 375));
    removeButton_->setIcon(platform::removePictureIcon());
    removeButton_->setToolTip(QStringLiteral("从列表中移除选定的项"));

    for (QPushButton *button : {addButton_, removeButton_}) {
        button->setIconSize(QSize(20, 20));
        setWhiteBackground(button);
        // What a screen reader says; the buttons have no text of their own.
        button->setAccessibleName(button->toolTip());
    }
}

void PictureListWindow::createPartsControls()
{
    countLabel_ = ui::makeLabel(this, "countLabel", QStringLiteral("图片数量："),
                                ui::fromTwips(4920, 1620, 900, 180));
    pictureCount_ = ui::makeLabel(this, "pictureCount", QStringLiteral("0"),
                                  ui::fromTwips(5880, 1620, 90, 180));
    ui::setTextColour(pictureCount_, QColor(ui::emphasisBlue));
    partsLabelTop_ = ui::makeLabel(this, "partsLabelTop", QStringLiteral("将选定的图片分"),
                                   ui::fromTwips(4920, 1980, 1260, 180));
    partsLabelLeft_ = ui::makeLabel(this, "partsLabelLeft", QStringLiteral("割成"),
                                    ui::fromTwips(4920, 2340, 360, 180));

    partsBox_ = new PartsBox(this);
    partsBox_->setObjectName(QStringLiteral("partsBox"));
    partsBox_->setGeometry(ui::fromTwips(5340, 2280, 510, 300));
    ui::setTextColour(partsBox_, QColor(ui::emphasisBlue));
    ui::wheelOnlyWithFocus(partsBox_);
    partsBox_->setAccessibleName(QStringLiteral("分割数量"));
    partsBox_->lineEdit()->setAccessibleName(partsBox_->accessibleName());

    partsLabelRight_ = ui::makeLabel(this, "partsLabelRight", QStringLiteral("部分"),
                                     ui::fromTwips(5880, 2340, 360, 180));
}

void PictureListWindow::orderTabStops()
{
    setTabOrder(addButton_, nextButton());
    setTabOrder(nextButton(), partsBox_);
    setTabOrder(partsBox_, removeButton_);
    setTabOrder(removeButton_, pictureList_);
    setTabOrder(pictureList_, exitButton());
}

void PictureListWindow::addPictures()
{
    platform::OpenPicturesRequest request;
    request.owner = this;
    request.title = QStringLiteral("选择文本文件");
    request.filters = pictureFilter();
    request.filterIndex = 1;
    request.initialFolder = job_.lastFolder;
    const PickedPictures picked = picturesFromPick(platform::openPictures(request));
    if (picked.pictures.isEmpty())
        return;
    job_.lastFolder = picked.folder;
    pictureList_->addItems(picked.pictures);
    listChanged();
}

void PictureListWindow::addDropped(const QStringList &paths)
{
    const DroppedPictures dropped = picturesFromDrop(paths);
    if (!dropped.pictures.isEmpty()) {
        job_.lastFolder = dropped.folder;
        pictureList_->addItems(dropped.pictures);
        listChanged();
    }
    if (dropped.leftOut > 0)
        platform::showNotice(
            this, QStringLiteral("提示信息"),
            QStringLiteral("有 %1 个文件不是图片（BMP、GIF、JPG、TIF、PNG）或 PDF，"
                           "没有加入列表。")
                .arg(dropped.leftOut));
}

void PictureListWindow::dragEnterEvent(QDragEnterEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (std::any_of(urls.cbegin(), urls.cend(), [](const QUrl &url) { return url.isLocalFile(); }))
        event->acceptProposedAction();
}

void PictureListWindow::dropEvent(QDropEvent *event)
{
    QStringList paths;
    for (const QUrl &url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    event->acceptProposedAction();
    addDropped(paths);
}

void PictureListWindow::removeSelected()
{
    if (pictureList_->count() == 0)
        return;
    std::vector<bool> selected;
    selected.reserve(size_t(pictureList_->count()));
    for (int i = 0; i < pictureList_->count(); ++i)
        selected.push_back(pictureList_->item(i)->isSelected());
    for (int position : removalOrder(selected))
        delete pictureList_->takeItem(position);
    listChanged();
}

void PictureListWindow::next()
{
    if (pictureList_->count() < 1) {
        platform::showNotice(this, QStringLiteral("提示信息"),
                             QStringLiteral("至少选择一个要分割的图片！"));
        addButton_->setFocus();
        return;
    }
    const std::optional<int> parts = partsCount(partsBox_->currentText());
    if (!parts) {
        platform::showNotice(this, QStringLiteral("提示信息"),
                             QStringLiteral("分割数量必须是 1 到 10 之间的整数！"));
        partsBox_->setFocus();
        return;
    }
    job_.partCount = *parts;
    emit nextRequested();
}

void PictureListWindow::listChanged()
{
    job_.pictures.clear();
    for (int i = 0; i < pictureList_->count(); ++i)
        job_.pictures << pictureList_->item(i)->text();
    pictureCount_->setText(QString::number(pictureList_->count()));
    // Wide enough for any count, not only a single digit.
    pictureCount_->resize(qMax(pictureCount_->sizeHint().width(), 6), pictureCount_->height());
}
