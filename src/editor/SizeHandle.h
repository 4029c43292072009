#pragma once

#include <QLabel>

// One of the eight 8 x 8 size handles drawn around the selected frame. It reports the
// pointer to the editor in its own pixels.
class SizeHandle : public QLabel
{
    Q_OBJECT

public:
    SizeHandle(const QString &name, QWidget *parent);

signals:
    void pressed(SizeHandle *handle, Qt::MouseButton button, QPoint pos);
    void moved(SizeHandle *handle, Qt::MouseButtons buttons, QPoint pos);
    void released(SizeHandle *handle, Qt::MouseButton button, QPoint pos);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};
