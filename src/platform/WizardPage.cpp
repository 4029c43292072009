#include "WizardPage.h"

#include "Controls.h"
#include "Icons.h"

#include <QCloseEvent>
#include <QPushButton>

namespace ui {

WizardPage::WizardPage(const char *objectName, const QString &step, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QLatin1String(objectName));
    setWindowTitle(ui::windowTitle(step));
    setWindowIcon(platform::programIcon());
}

void WizardPage::createPreviousButton(QRect geometry)
{
    previousButton_ =
        ui::makeButton(this, "previousButton", QStringLiteral("上一步 (&P)"), geometry);
    previousButton_->setAccessibleName(QStringLiteral("上一步"));
    connect(previousButton_, &QPushButton::clicked, this, &WizardPage::previousRequested);
}

void WizardPage::createNextButton(QRect geometry)
{
    nextButton_ = ui::makeButton(this, "nextButton", QStringLiteral("下一步  (&N)"), geometry);
    nextButton_->setAccessibleName(QStringLiteral("下一步"));
}

void WizardPage::createExitButton(QRect geometry)
{
    exitButton_ = ui::makeButton(this, "exitButton", QStringLiteral("退 出  (&Q)"), geometry);
    exitButton_->setAccessibleName(QStringLiteral("退出"));
    connect(exitButton_, &QPushButton::clicked, this, &WizardPage::exitRequested);
}

void WizardPage::closeEvent(QCloseEvent *event)
{
    // The close box ends the program as Exit does; the wizard runs the close routines.
    event->accept();
    emit exitRequested();
}

} // namespace ui
