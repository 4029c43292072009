#pragma once

#include <QWidget>

// One split frame on the editor: a transparent rectangle with a red one-pixel border.
// It reports the pointer to the editor, which owns every gesture; positions are in the
// frame's own pixels.
class FrameShape : public QWidget
{
    Q_OBJECT

public:
    FrameShape(int index, QWidget *parent);
    int index() const { return index_; }

signals:
    void pressed(int index, Qt::MouseButton button, QPoint pos);
    void moved(int index, Qt::MouseButtons buttons, QPoint pos);
    void released(int index, Qt::MouseButton button, QPoint pos);
    // A left press and release on the frame.
    void clicked(int index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    int index_;
    bool leftPressed_ = false;
};
