#include "FrameSetControls.h"

#include "FrameShape.h"
#include "SizeHandle.h"
#include "platform/Controls.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>

namespace framecontrols {

namespace {

// The tag font: bold, about 14 pt, Arial where installed, else the system's sans.
QFont tagFont()
{
    QFont font;
    if (QFontDatabase::families().contains(QStringLiteral("Arial")))
        font.setFamily(QStringLiteral("Arial"));
    else
        font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(14.25);
    font.setBold(true);
    return font;
}

} // namespace

FrameShape *makeShape(QWidget *parent, int index)
{
    auto *shape = new FrameShape(index, parent);
    shape->setGeometry(8, 8, 320, 240);
    shape->setAccessibleName(QStringLiteral("分割框%1").arg(index));
    shape->hide();
    return shape;
}

QLabel *makeTag(QWidget *parent, int index)
{
    auto *tag = new QLabel(QString::number(index), parent);
    tag->setObjectName(QStringLiteral("frameTags_%1").arg(index));
    tag->setFont(tagFont());
    ui::setTextColour(tag, tagGrey);
    tag->move(12, 12);
    tag->adjustSize();
    tag->hide();
    return tag;
}

SizeHandle *makeHandle(QWidget *parent, geometry::Handle handle)
{
    static const char *const names[] = {"topLeftHandle", "topHandle",        "topRightHandle",
                                        "leftHandle",    "rightHandle",      "bottomLeftHandle",
                                        "bottomHandle",  "bottomRightHandle"};
    // Design-time places: a 3 x 3 grid, out of the way until a frame is selected.
    static const QPoint places[] = {{88, 344},  {104, 344}, {120, 344}, {88, 360},
                                    {120, 360}, {88, 376},  {104, 376}, {120, 376}};
    const int k = int(handle);
    auto *sizeHandle = new SizeHandle(QLatin1String(names[k]), parent);
    sizeHandle->move(places[k]);
    sizeHandle->setCursor(geometry::handleCursor(handle));
    return sizeHandle;
}

QLabel *makeRowCaption(QWidget *parent, int index, const QString &text, QPoint at)
{
    auto *caption = new QLabel(text, parent);
    caption->setObjectName(QStringLiteral("letterCaptions_%1").arg(index));
    caption->move(at);
    caption->adjustSize();
    caption->hide();
    return caption;
}

QComboBox *makeLetterList(QWidget *parent, int index, QPoint at)
{
    auto *list = new QComboBox(parent);
    list->setObjectName(QStringLiteral("letterBoxes_%1").arg(index));
    list->setEditable(false);
    list->setGeometry(QRect(at, QSize(32, 20)));
    // At 32 pixels the style's wide arrow button would hide the letter.
    list->setStyleSheet(QStringLiteral("QComboBox { padding: 0px 0px 0px 3px; }"
                                       "QComboBox::drop-down { width: 12px; }"));
    ui::wheelOnlyWithFocus(list);
    list->setAccessibleName(QStringLiteral("分割框%1首字母").arg(index));
    list->hide();
    return list;
}

} // namespace framecontrols
