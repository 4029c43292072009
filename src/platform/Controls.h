#pragma once

#include <QColor>
#include <QPalette>
#include <QRect>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;

// What every window builds its controls with.
namespace ui {

// Title of a wizard window: the program, the step, and the edition suffix.
QString windowTitle(const QString &step);

// Window positions are kept in twips, 15 to the pixel.
constexpr QRect fromTwips(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

// A named button at a fixed place; Enter does not press it unless it has the focus.
QPushButton *makeButton(QWidget *parent, const char *name, const QString &text, QRect geometry);
// A named label at a fixed place.
QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, QRect geometry);
// Lets the mouse wheel change the control only while it has the keyboard focus, so that
// a wheel turned while the pointer passes over a list cannot change its choice unseen.
void wheelOnlyWithFocus(QWidget *control);
// Sets one colour of a control's palette.
void setColour(QWidget *widget, QPalette::ColorRole role, const QColor &colour);
// Sets the colour of a control's text, whether it is a label, an edit field or a button.
void setTextColour(QWidget *widget, const QColor &colour);

// The blue of what the user counts and picks: the number of pictures, the number of parts,
// the selected frame's tag.
inline constexpr QRgb emphasisBlue = 0xFF0000FF;

} // namespace ui
