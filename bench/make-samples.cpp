// Writes a few sample scans, two book pages per sheet, for trying the program.
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>

#include <cstdio>

namespace {

void drawPage(QPainter &p, const QRect &page, int number, QRandomGenerator &rng)
{
    p.fillRect(page, QColor(246, 242, 228));
    p.setPen(QPen(QColor(60, 60, 60), 2));
    const int margin = page.width() / 10;
    const int lineGap = page.height() / 40;
    for (int y = page.top() + 2 * margin; y < page.bottom() - 2 * margin; y += lineGap) {
        int x = page.left() + margin;
        const int end = page.right() - margin - int(rng.bounded(page.width() / 8));
        while (x < end) {
            const int word = 10 + int(rng.bounded(40));
            p.drawLine(x, y, qMin(x + word, end), y);
            x += word + 8;
        }
    }
    QFont font = p.font();
    font.setPixelSize(page.height() / 30);
    p.setFont(font);
    p.drawText(page.adjusted(0, 0, 0, -margin / 2), Qt::AlignHCenter | Qt::AlignBottom,
               QString::number(number));
}

QImage sheet(int index)
{
    QImage image(1754, 1240, QImage::Format_RGB32);
    image.fill(QColor(40, 40, 40));
    QRandomGenerator rng(quint32(index + 1));
    QPainter p(&image);
    drawPage(p, QRect(20, 20, 857, 1200), 2 * index + 1, rng);
    drawPage(p, QRect(877, 20, 857, 1200), 2 * index + 2, rng);
    return image;
}

} // namespace

int main(int argc, char *argv[])
{
    // Drawing needs no screen; this also runs where there is no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("samples");
    QDir().mkpath(folder);
    const struct
    {
        const char *name;
        const char *format;
    } files[] = {{"scan-001.jpg", "jpeg"}, {"scan-002.png", "png"}, {"scan-003.tif", "tiff"}};
    int index = 0;
    for (const auto &f : files) {
        const QString path = QDir(folder).filePath(QLatin1String(f.name));
        QImageWriter writer(path, f.format);
        writer.setQuality(90);
        if (!writer.write(sheet(index++))) {
            std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path),
                         qPrintable(writer.errorString()));
            return 1;
        }
    }
    return 0;
}
