#include "LetterRows.h"

#include "FrameSetControls.h"
#include "job/SplitJob.h"

#include <QComboBox>
#include <QLabel>

using namespace framecontrols;

LetterRows::LetterRows(SplitJob &job, QWidget *window) : QObject(window), job_(job), window_(window)
{
    letterCaptions_ = {makeRowCaption(window, 0, QStringLiteral("框10首字母:"), QPoint(840, 396))};
    letterBoxes_ = {makeLetterList(window, 0, QPoint(912, 392))};
}

void LetterRows::build(int count)
{
    QStringList letters;
    for (int index = 0; index < count; ++index)
        letters.append(defaultLetter(index));
    for (int i = 1; i <= count; ++i) {
        const QPoint rowAt(830, 20 + 26 * (i - 1));
        QLabel *caption = makeRowCaption(
            window_, i, QStringLiteral("分割框") + QString::number(i) + QStringLiteral("首字母:"),
            rowAt);
        QComboBox *box = makeLetterList(window_, i, QPoint(916, rowAt.y() - 4));
        box->addItems(letters);
        box->setCurrentIndex(i - 1);
        letterCaptions_.push_back(caption);
        letterBoxes_.push_back(box);
        caption->show();
        box->show();
        if (size_t(i) <= job_.frames.size())
            job_.frames[size_t(i - 1)].letter = box->currentText();
        connect(box, &QComboBox::currentTextChanged, this, [this, i](const QString &letter) {
            if (size_t(i) <= job_.frames.size())
                job_.frames[size_t(i - 1)].letter = letter;
        });
    }
}

void LetterRows::clear()
{
    for (size_t i = letterBoxes_.size() - 1; i >= 1; --i) {
        delete letterCaptions_[i];
        delete letterBoxes_[i];
    }
    letterCaptions_.resize(1);
    letterBoxes_.resize(1);
}

void LetterRows::setEnabled(bool enabled)
{
    for (size_t i = 1; i < letterBoxes_.size(); ++i)
        letterBoxes_[i]->setEnabled(enabled);
}

QStringList LetterRows::letters() const
{
    QStringList letters;
    for (size_t i = 1; i < letterBoxes_.size(); ++i)
        letters.append(letterBoxes_[i]->currentText());
    return letters;
}

void LetterRows::setLetters(const QStringList &letters)
{
    for (size_t i = 1; i < letterBoxes_.size() && qsizetype(i) <= letters.size(); ++i) {
        const int position = letterBoxes_[i]->findText(letters.at(qsizetype(i - 1)));
        if (position >= 0)
            letterBoxes_[i]->setCurrentIndex(position);
    }
}
