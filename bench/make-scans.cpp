// Writes deterministic, realistic scans for the benchmark: paper tone, sensor noise and
// dark text-like strokes, two pages per sheet, JPEG quality 90 with 4:2:0 sampling.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>

#include <cstdio>
#include <cstring>

namespace {

void drawPage(QPainter &p, const QRect &page, QRandomGenerator &rng)
{
    const int margin = page.width() / 9;
    const int lineGap = qMax(12, page.height() / 70);
    const int stroke = qMax(2, lineGap / 14);
    p.setPen(QPen(QColor(35, 32, 30), stroke, Qt::SolidLine, Qt::RoundCap));
    for (int y = page.top() + margin; y < page.bottom() - margin; y += lineGap) {
        int x = page.left() + margin;
        const int end = page.right() - margin - int(rng.bounded(quint32(page.width() / 10)));
        while (x < end) {
            // A word: a few glyph-like marks of varying height.
            const int letters = 2 + int(rng.bounded(8u));
            for (int i = 0; i < letters && x < end; ++i) {
                const int h = lineGap / 3 + int(rng.bounded(quint32(lineGap / 3)));
                p.drawLine(x, y, x + stroke, y - h);
                p.drawLine(x + stroke, y - h / 2, x + lineGap / 3, y - h / 2);
                x += lineGap / 2;
            }
            x += lineGap / 2;
        }
    }
}

QImage sheet(int width, int height, quint32 seed)
{
    QRandomGenerator rng(seed);
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(238, 232, 214));
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, true);
        drawPage(p, QRect(0, 0, width / 2, height), rng);
        drawPage(p, QRect(width / 2, 0, width - width / 2, height), rng);
        // The gutter's shadow between the two pages.
        QLinearGradient gutter(width / 2 - width / 40, 0, width / 2 + width / 40, 0);
        gutter.setColorAt(0, QColor(0, 0, 0, 0));
        gutter.setColorAt(0.5, QColor(0, 0, 0, 70));
        gutter.setColorAt(1, QColor(0, 0, 0, 0));
        p.fillRect(QRect(width / 2 - width / 40, 0, width / 20, height), gutter);
    }
    // Sensor noise, a few levels either way on every channel.
    for (int y = 0; y < height; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const quint32 r = rng.generate();
            const int n = int(r & 7) - 3;
            line[x] = qRgb(qBound(0, qRed(line[x]) + n, 255),
                           qBound(0, qGreen(line[x]) + n + int((r >> 3) & 1), 255),
                           qBound(0, qBlue(line[x]) + n - int((r >> 4) & 1), 255));
        }
    }
    return image;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: make-scans OUTDIR COUNT [--a3]\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    out.mkpath(QStringLiteral("."));
    const int count = std::atoi(argv[2]);
    const bool a3 = argc > 3 && std::strcmp(argv[3], "--a3") == 0;
    const int width = a3 ? 7016 : 2480;
    const int height = a3 ? 9921 : 3508;
    for (int i = 0; i < count; ++i) {
        const QString path = out.filePath(
            QStringLiteral("%1-%2.jpg").arg(a3 ? "a3" : "a4").arg(i + 1, 3, 10, QLatin1Char('0')));
        QImageWriter writer(path, "jpeg");
        writer.setQuality(90);
        if (!writer.write(sheet(width, height, quint32(1000 + i)))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
