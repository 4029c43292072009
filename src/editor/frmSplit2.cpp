#include "frmSplit2.h"

#include "app/Module1.h"
#include "select/frmSplit1.h"

#include <QCloseEvent>
#include <QPushButton>

frmSplit2::frmSplit2(frmSplit1 &step1, QWidget *parent) : QWidget(parent), step1_(step1)
{
    setObjectName(QStringLiteral("frmSplit2"));
    setWindowTitle(ui::windowTitle(QStringLiteral("第2步：选择分割区域")));
    setWindowIcon(step1_.windowIcon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(954, 636);

    Command1 = new QPushButton(QStringLiteral("上一步 (&P)"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(ui::fromTwips(12600, 7080, 1500, 360));
    Command2 = new QPushButton(QStringLiteral("下一步  (&N)"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(ui::fromTwips(12600, 7680, 1500, 360));
    Command3 = new QPushButton(QStringLiteral("退 出  (&Q)"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setGeometry(ui::fromTwips(12600, 8910, 1500, 360));
    setTabOrder(Command3, Command2);
    setTabOrder(Command2, Command1);

    connect(Command1, &QPushButton::clicked, this, &frmSplit2::previousRequested);
    connect(Command2, &QPushButton::clicked, this, &frmSplit2::nextRequested);
    connect(Command3, &QPushButton::clicked, this, &frmSplit2::exitRequested);
}

void frmSplit2::closeEvent(QCloseEvent *event)
{
    event->accept();
    emit exitRequested();
}
