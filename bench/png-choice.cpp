// Measures PNG deflate settings on the pieces of scans: seconds on one thread and total
// bytes, for choosing the writer's default.
// usage: png-choice PICTURE...
#include "platform/Imaging.h"
#include "platform/PngWriter.h"
#include "platform/TurnedCut.h"

#include <QElapsedTimer>
#include <QGuiApplication>

#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    platform::ImagingToken token = 0;
    if (argc < 2 || platform::Imaging::startup(token) != platform::Status::Ok)
        return 2;
    std::vector<QImage> pieces;
    for (int i = 1; i < argc; ++i) {
        platform::Picture picture;
        if (picture.load(QString::fromLocal8Bit(argv[i])) != platform::Status::Ok)
            return 1;
        const QImage &image = picture.image();
        const int w = image.width() / 2, h = image.height() / 2;
        for (int k = 0; k < 4; ++k) {
            QImage piece;
            platform::cutTurnedPiece(image, 0, QRect((k % 2) * w, (k / 2) * h, w, h), piece);
            pieces.push_back(piece.copy());
        }
    }
    using F = platform::png::Filter;
    const std::pair<F, const char *> filters[] = {{F::None, "none"},   {F::Sub, "sub"},
                                                  {F::Up, "up"},       {F::Average, "average"},
                                                  {F::Paeth, "paeth"}, {F::Adaptive, "adaptive"}};
    for (int level : {1, 2, 3, 4, 6}) {
        for (const auto &[filter, name] : filters) {
            QElapsedTimer timer;
            timer.start();
            qint64 bytes = 0;
            for (const QImage &piece : pieces)
                bytes += platform::png::encode(piece, {level, filter}).size();
            std::printf("level=%d filter=%s seconds=%.3f mb=%.1f\n", level, name,
                        timer.nsecsElapsed() / 1e9, bytes / 1e6);
            std::fflush(stdout);
        }
    }
    platform::Imaging::shutdown(token);
    return 0;
}
