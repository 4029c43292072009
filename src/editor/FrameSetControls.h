#pragma once

#include "FrameGeometry.h"

#include <QColor>
#include <QPoint>
#include <QString>

class FrameShape;
class SizeHandle;
class QComboBox;
class QLabel;
class QWidget;

// The controls of one frame of step 2, made as copies of the hidden templates: hidden
// until the window shows them, named after their set and index ("frameShapes_3").
namespace framecontrols {

inline const QColor tagGrey(128, 128, 128);

FrameShape *makeShape(QWidget *parent, int index);
QLabel *makeTag(QWidget *parent, int index);
// One of the eight size handles, named, with its pointer shape, at its design-time place.
SizeHandle *makeHandle(QWidget *parent, geometry::Handle handle);
QLabel *makeRowCaption(QWidget *parent, int index, const QString &text, QPoint at);
QComboBox *makeLetterList(QWidget *parent, int index, QPoint at);

} // namespace framecontrols
