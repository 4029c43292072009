#pragma once

#include <QObject>

#include <functional>

class QKeyEvent;
class QWidget;

// Shows a window every key pressed in it before the focused control gets it, and lets
// the key go on to that control. Installed on the application, so it also sees keys of
// controls created later.
class KeyPreview : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<void(const QKeyEvent &)>;
    KeyPreview(QWidget *window, Handler handler);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *window_;
    Handler handler_;
};
