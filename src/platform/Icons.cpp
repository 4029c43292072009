#include "Icons.h"

#include <QPainter>
#include <QPixmap>

namespace platform {

namespace {

QPixmap sheet(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    const int m = qMax(1, size / 16);
    const QRect page(m, m, size - 2 * m - 1, size - 2 * m - 1);
    p.setPen(QPen(QColor(40, 70, 120), m));
    p.setBrush(QColor(250, 248, 235));
    p.drawRect(page);
    // Text lines on both halves.
    p.setPen(QPen(QColor(120, 120, 120), m));
    const int half = page.center().x();
    for (int y = page.top() + 3 * m; y < page.bottom() - 2 * m; y += 3 * m) {
        p.drawLine(page.left() + 2 * m, y, half - 2 * m, y);
        p.drawLine(half + 2 * m, y, page.right() - 2 * m, y);
    }
    // The red cut down the middle.
    p.setPen(QPen(QColor(220, 30, 30), m, Qt::DashLine));
    p.drawLine(half, 0, half, size - 1);
    return pixmap;
}

QPixmap glyph(bool add)
{
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(2, 1, 11, 14);
    p.setPen(QPen(QColor(160, 160, 160), 1));
    for (int y = 4; y < 14; y += 3)
        p.drawLine(4, y, 11, y);
    const QColor sign = add ? QColor(20, 140, 40) : QColor(200, 30, 30);
    p.setPen(Qt::NoPen);
    p.setBrush(sign);
    p.drawEllipse(9, 9, 10, 10);
    p.setBrush(Qt::white);
    p.drawRect(11, 13, 6, 2);
    if (add)
        p.drawRect(13, 11, 2, 6);
    return pixmap;
}

} // namespace

QIcon drawnProgramIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addPixmap(sheet(size));
    return icon;
}

QIcon programIcon()
{
    // The installed theme icon, so that the window and the menu entry show the same
    // picture; the drawn one where the program runs uninstalled.
    return QIcon::fromTheme(QStringLiteral("qinghe-splitter"), drawnProgramIcon());
}

QIcon addPictureIcon()
{
    return QIcon(glyph(true));
}

QIcon removePictureIcon()
{
    return QIcon(glyph(false));
}

} // namespace platform
