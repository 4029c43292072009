#pragma once

#include "TestSupport.h"
#include "editor/FrameCanvas.h"
#include "editor/FrameEditorWindow.h"
#include "editor/FrameGeometry.h"
#include "editor/FrameShape.h"
#include "editor/SizeHandle.h"
#include "job/SplitJob.h"

#include <QComboBox>
#include <QKeySequence>
#include <QLabel>
#include <QList>
#include <QPushButton>
#include <QRect>

// The frame editor's controls by object name, as the editor tests reach them. A control
// that is not there ends the run with its name rather than with a null pointer.
namespace editorcontrols {

using testsupport::requiredControl;

inline FrameShape *frameShape(const QWidget &window, int i)
{
    return requiredControl<FrameShape>(window, QStringLiteral("frameShapes_%1").arg(i));
}

inline QLabel *frameTag(const QWidget &window, int i)
{
    return requiredControl<QLabel>(window, QStringLiteral("frameTags_%1").arg(i));
}

inline QComboBox *letterBox(const QWidget &window, int i)
{
    return requiredControl<QComboBox>(window, QStringLiteral("letterBoxes_%1").arg(i));
}

inline QComboBox *rotationBox(const QWidget &window)
{
    return requiredControl<QComboBox>(window, QStringLiteral("rotationBox"));
}

inline QPushButton *button(const QWidget &window, const char *name)
{
    return requiredControl<QPushButton>(window, QLatin1String(name));
}

inline SizeHandle *sizeHandle(const QWidget &window, geometry::Handle handle)
{
    static const char *const names[] = {"topLeftHandle", "topHandle",        "topRightHandle",
                                        "leftHandle",    "rightHandle",      "bottomLeftHandle",
                                        "bottomHandle",  "bottomRightHandle"};
    return requiredControl<SizeHandle>(window, QLatin1String(names[int(handle)]));
}

inline QColor tagColour(const QWidget &window, int i)
{
    return frameTag(window, i)->palette().color(QPalette::WindowText);
}

// Every frame's rectangle in window pixels, frame 1 first.
inline QList<QRect> windowRects(FrameEditorWindow &window)
{
    QList<QRect> rects;
    for (int i = 1; i <= window.canvas().frameCount(); ++i)
        rects.append(frameShape(window, i)->geometry());
    return rects;
}

// The job's picture rectangles, frame 1 first.
inline QList<QRect> pictureRects(const SplitJob &job)
{
    QList<QRect> rects;
    for (const SplitFrame &frame : job.frames)
        rects.append(frame.rect);
    return rects;
}

// The letter lists' choices, frame 1 first.
inline QStringList letters(FrameEditorWindow &editor)
{
    QStringList list;
    for (int i = 1; i <= editor.canvas().frameCount(); ++i)
        list.append(letterBox(editor, i)->currentText());
    return list;
}

inline QStringList jobLetters(const SplitJob &job)
{
    QStringList list;
    for (const SplitFrame &frame : job.frames)
        list.append(frame.letter);
    return list;
}

// What step 1 hands on: one sample picture and the number of parts.
inline SplitJob jobFor(const QString &sample, int parts)
{
    SplitJob job;
    job.pictures = {sample};
    job.partCount = parts;
    return job;
}

// Ctrl and the key, where the user's keys go: to the focused control.
inline void pressCtrl(QWidget &window, Qt::Key key)
{
    QTest::keyClick(window.focusWidget() ? window.focusWidget() : &window, key,
                    Qt::ControlModifier);
}

} // namespace editorcontrols
