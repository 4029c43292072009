#pragma once

#include <QLabel>

// One of the eight 8 x 8 size handles drawn around the selected frame. It reports the
// pointer to the editor in its own pixels.
class HandleLabel : public QLabel
{
    Q_OBJECT

public:
    HandleLabel(const QString &name, QWidget *parent);

signals:
    void pressed(HandleLabel *handle, Qt::MouseButton button, QPoint pos);
    void moved(HandleLabel *handle, Qt::MouseButtons buttons, QPoint pos);
    void released(HandleLabel *handle, Qt::MouseButton button, QPoint pos);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};
