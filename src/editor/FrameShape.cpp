#include "FrameShape.h"

#include <QMouseEvent>
#include <QPainter>

FrameShape::FrameShape(int index, QWidget *parent) : QWidget(parent), index_(index)
{
    setObjectName(QStringLiteral("frameShapes_%1").arg(index));
    // Hover read-out needs moves without a button held.
    setMouseTracking(true);
}

void FrameShape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(QPen(QColor(255, 0, 0), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(0, 0, width() - 1, height() - 1));
}

void FrameShape::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        leftPressed_ = true;
    emit pressed(index_, event->button(), event->position().toPoint());
}

void FrameShape::mouseDoubleClickEvent(QMouseEvent *event)
{
    // A double-click is one click: the release of its second press must not click again
    // and drop the frame the first click selected (QWidget would press once more here).
    if (event->button() == Qt::LeftButton)
        leftPressed_ = false;
}

void FrameShape::mouseMoveEvent(QMouseEvent *event)
{
    emit moved(index_, event->buttons(), event->position().toPoint());
}

void FrameShape::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    const bool click = event->button() == Qt::LeftButton && leftPressed_ && rect().contains(pos);
    if (event->button() == Qt::LeftButton)
        leftPressed_ = false;
    emit released(index_, event->button(), pos);
    if (click)
        emit clicked(index_);
}
