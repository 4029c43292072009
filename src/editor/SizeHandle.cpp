#include "SizeHandle.h"

#include <QMouseEvent>

SizeHandle::SizeHandle(const QString &name, QWidget *parent) : QLabel(parent)
{
    setObjectName(name);
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    resize(8, 8);
    hide();
}

void SizeHandle::mousePressEvent(QMouseEvent *event)
{
    emit pressed(this, event->button(), event->position().toPoint());
}

void SizeHandle::mouseMoveEvent(QMouseEvent *event)
{
    emit moved(this, event->buttons(), event->position().toPoint());
}

void SizeHandle::mouseReleaseEvent(QMouseEvent *event)
{
    emit released(this, event->button(), event->position().toPoint());
}
