#pragma once

#include <QObject>
#include <QStringList>

#include <vector>

class QComboBox;
class QLabel;
class QWidget;
class SplitJob;

// The frame editor's right-hand column of letter rows: one caption and one letter list per
// frame, each list's choice kept as its frame's letter in the job. The controls are the
// window's children, indexed 0..count with element 0 the hidden template.
class LetterRows : public QObject
{
    Q_OBJECT

public:
    LetterRows(SplitJob &job, QWidget *window);

    // Rows 1..count, frame i preset to the i-th letter; the job's frames must number count.
    void build(int count);
    // Removes every row but the hidden template.
    void clear();
    void setEnabled(bool enabled);
    QStringList letters() const;
    // Chooses each row's letter from the list, row 1 first; a letter the list lacks
    // leaves its row as it is.
    void setLetters(const QStringList &letters);

private:
    SplitJob &job_;
    QWidget *window_;
    std::vector<QLabel *> letterCaptions_;
    std::vector<QComboBox *> letterBoxes_;
};
