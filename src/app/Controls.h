#pragma once

#include <QPalette>
#include <QRect>
#include <QString>

class QColor;
class QLabel;
class QPushButton;
class QWidget;

namespace ui {

// A named button at a fixed place; Enter does not press it unless it has the focus.
QPushButton *makeButton(QWidget *parent, const char *name, const QString &text, QRect geometry);
// A named label at a fixed place.
QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, QRect geometry);
// Sets one colour of a control's palette.
void setColour(QWidget *widget, QPalette::ColorRole role, const QColor &colour);

} // namespace ui
