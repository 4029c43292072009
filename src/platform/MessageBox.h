#pragma once

#include <QString>

#include <functional>
#include <vector>

class QWidget;

namespace platform {

enum class BoxIcon { Error, Exclamation, Question, Critical };
enum class BoxButtons { Ok, YesNo };
enum class BoxAnswer { Ok, Yes, No };

struct BoxRequest
{
    QWidget *owner = nullptr;
    QString title;
    QString text;
    BoxIcon icon = BoxIcon::Exclamation;
    BoxButtons buttons = BoxButtons::Ok;
    BoxAnswer defaultButton = BoxAnswer::Ok;
};

using BoxResponder = std::function<BoxAnswer(const BoxRequest &)>;

// Shows a modal message box. With a responder installed (tests), the responder
// answers instead and nothing blocks.
BoxAnswer showMessage(const BoxRequest &request);

// Convenience for the common one-button notice.
void showNotice(QWidget *owner, const QString &title, const QString &text,
                BoxIcon icon = BoxIcon::Exclamation);

void setBoxResponder(BoxResponder responder);
// Every box shown since the responder was installed, in order.
const std::vector<BoxRequest> &shownBoxes();
void clearShownBoxes();

} // namespace platform
