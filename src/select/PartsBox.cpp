#include "PartsBox.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionComboBox>

PartsBox::PartsBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // At 34 pixels the style's wide arrow button leaves room for one digit only; "10"
    // would show as ".0". In a 10-pixel button the style's own arrow shrinks to a dash,
    // so it is left out and paintEvent draws one.
    setStyleSheet(QStringLiteral("QComboBox { padding: 0px 0px 0px 1px; }"
                                 "QComboBox::drop-down { width: 10px; }"
                                 "QComboBox::down-arrow { width: 0px; height: 0px; }"));
    for (int i = 1; i <= 10; ++i)
        addItem(QString::number(i));
    setCurrentIndex(3);
}

void PartsBox::paintEvent(QPaintEvent *event)
{
    QComboBox::paintEvent(event);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QRectF button =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, this);
    // A solid triangle 6 pixels wide and 3 high, centred in the button.
    const QPointF centre = button.center() + QPointF(0.5, 0.5);
    QPainterPath arrow;
    arrow.moveTo(centre + QPointF(-3.0, -1.5));
    arrow.lineTo(centre + QPointF(3.0, -1.5));
    arrow.lineTo(centre + QPointF(0.0, 1.5));
    arrow.closeSubpath();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(arrow, isEnabled() ? QColor(Qt::black) : QColor(Qt::gray));
}
