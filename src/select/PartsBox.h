#pragma once

#include <QComboBox>

// Step 1's box for the number of parts: editable, 1 to 10 in its list, narrow enough for
// the fixed layout, with a drop-down arrow drawn to read as one at that width.
class PartsBox : public QComboBox
{
    Q_OBJECT

public:
    explicit PartsBox(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
