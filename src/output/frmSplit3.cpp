#include "frmSplit3.h"

#include "app/Module1.h"
#include "editor/frmSplit2.h"
#include "select/frmSplit1.h"

#include <QCloseEvent>
#include <QPushButton>

frmSplit3::frmSplit3(frmSplit1 &step1, frmSplit2 &step2, QWidget *parent)
    : QWidget(parent), step1_(step1), step2_(step2)
{
    setObjectName(QStringLiteral("frmSplit3"));
    setWindowTitle(ui::windowTitle(QStringLiteral("第3步：选择保存目录")));
    setWindowIcon(step1_.windowIcon());
    setFixedSize(428, 222);

    Command1 = new QPushButton(QStringLiteral("上一步 (&P)"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(ui::fromTwips(240, 2730, 1500, 360));
    Command2 = new QPushButton(QStringLiteral("开始分割  (&B)"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(ui::fromTwips(2040, 2730, 1500, 360));
    Command5 = new QPushButton(QStringLiteral("停  止  (&P)"), this);
    Command5->setObjectName(QStringLiteral("Command5"));
    Command5->setGeometry(ui::fromTwips(2040, 2730, 1500, 360));
    Command5->hide();
    Command3 = new QPushButton(QStringLiteral("退 出  (&Q)"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setGeometry(ui::fromTwips(4635, 2730, 1500, 360));

    connect(Command1, &QPushButton::clicked, this, &frmSplit3::previousRequested);
    connect(Command3, &QPushButton::clicked, this, &frmSplit3::exitRequested);
}

frmSplit3::~frmSplit3()
{
    stopRunAndWait();
}

void frmSplit3::stopRunAndWait() {}

void frmSplit3::closeEvent(QCloseEvent *event)
{
    event->accept();
    emit exitRequested();
}
