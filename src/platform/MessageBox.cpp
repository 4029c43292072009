#include "MessageBox.h"

#include <QMessageBox>

#include <memory>

namespace platform {

namespace {

// The responder and the record are process-wide because the boxes are asked for deep
// inside the windows' handlers; only tests set them.
BoxResponder &responder()
{
    static BoxResponder r;
    return r;
}

std::vector<BoxRequest> &history()
{
    static std::vector<BoxRequest> h;
    return h;
}

QMessageBox::Icon toQt(BoxIcon icon)
{
    switch (icon) {
    case BoxIcon::Error:
    case BoxIcon::Critical:
        return QMessageBox::Critical;
    case BoxIcon::Question:
        return QMessageBox::Question;
    case BoxIcon::Exclamation:
        break;
    }
    return QMessageBox::Warning;
}

std::unique_ptr<QMessageBox> makeMessageBox(const BoxRequest &request)
{
    auto box = std::make_unique<QMessageBox>(toQt(request.icon), request.title, request.text,
                                             QMessageBox::NoButton, request.owner);
    // A file name such as "<i>坏 &amp; 图.jpg" is shown as it is, never read as markup.
    box->setTextFormat(Qt::PlainText);
    if (request.buttons == BoxButtons::YesNo) {
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(request.defaultButton == BoxAnswer::Yes ? QMessageBox::Yes
                                                                      : QMessageBox::No);
        box->setEscapeButton(QMessageBox::No);
    } else {
        box->setStandardButtons(QMessageBox::Ok);
        box->setDefaultButton(QMessageBox::Ok);
    }
    return box;
}

} // namespace

BoxAnswer showMessage(const BoxRequest &request)
{
    if (responder()) {
        history().push_back(request);
        return responder()(request);
    }
    const std::unique_ptr<QMessageBox> box = makeMessageBox(request);
    const int answer = box->exec();
    if (request.buttons == BoxButtons::YesNo)
        return answer == QMessageBox::Yes ? BoxAnswer::Yes : BoxAnswer::No;
    return BoxAnswer::Ok;
}

void showNotice(QWidget *owner, const QString &title, const QString &text, BoxIcon icon)
{
    showMessage({owner, title, text, icon, BoxButtons::Ok, BoxAnswer::Ok});
}

void setBoxResponder(BoxResponder r)
{
    responder() = std::move(r);
    history().clear();
}

const std::vector<BoxRequest> &shownBoxes()
{
    return history();
}

void clearShownBoxes()
{
    history().clear();
}

} // namespace platform
