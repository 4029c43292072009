#include "HandleLabel.h"

#include <QMouseEvent>

HandleLabel::HandleLabel(const QString &name, QWidget *parent) : QLabel(parent)
{
    setObjectName(name);
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    resize(8, 8);
    hide();
}

void HandleLabel::mousePressEvent(QMouseEvent *event)
{
    emit pressed(this, event->button(), event->position().toPoint());
}

void HandleLabel::mouseMoveEvent(QMouseEvent *event)
{
    emit moved(this, event->buttons(), event->position().toPoint());
}

void HandleLabel::mouseReleaseEvent(QMouseEvent *event)
{
    emit released(this, event->button(), event->position().toPoint());
}
