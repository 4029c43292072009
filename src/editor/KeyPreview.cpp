#include "KeyPreview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

KeyPreview::KeyPreview(QWidget *window, Handler handler)
    : QObject(window), window_(window), handler_(std::move(handler))
{
    qApp->installEventFilter(this);
}

bool KeyPreview::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    // A key a control ignores travels on to its parents, through this filter again;
    // only its first receiver, the focused control, counts, so one key acts once.
    auto *widget = static_cast<QWidget *>(watched);
    QWidget *focused = window_->focusWidget() ? window_->focusWidget() : window_;
    if (widget == focused && (widget == window_ || window_->isAncestorOf(widget)))
        handler_(*static_cast<QKeyEvent *>(event));
    return false;
}
