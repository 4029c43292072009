// Measures PNG deflate settings on the pieces of scans: seconds on one thread and total
// bytes, for choosing the writer's default.
// usage: png-choice PICTURE...
#include "imaging/Picture.h"
#include "imaging/PngWriter.h"
#include "imaging/TurnedCut.h"

#include <zlib.h>

#include <QElapsedTimer>
#include <QGuiApplication>

#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2)
        return 2;
    std::vector<QImage> pieces;
    for (int i = 1; i < argc; ++i) {
        imaging::Picture picture;
        if (picture.load(QString::fromLocal8Bit(argv[i])) != imaging::Status::Ok)
            return 1;
        const QImage &image = picture.image();
        const int w = image.width() / 2, h = image.height() / 2;
        for (int k = 0; k < 4; ++k) {
            QImage piece;
            imaging::cutTurnedPiece(image, 0, QRect((k % 2) * w, (k / 2) * h, w, h), piece);
            pieces.push_back(piece.copy());
        }
    }
    using F = imaging::png::Filter;
    const std::pair<F, const char *> filters[] = {{F::None, "none"},   {F::Sub, "sub"},
                                                  {F::Up, "up"},       {F::Average, "average"},
                                                  {F::Paeth, "paeth"}, {F::Adaptive, "adaptive"}};
    for (int level : {1, 2, 3, 6}) {
        for (const auto &[filter, name] : filters) {
            QElapsedTimer timer;
            timer.start();
            qint64 bytes = 0;
            for (const QImage &piece : pieces)
                bytes += imaging::png::encode(piece, {level, filter}).size();
            std::printf("level=%d filter=%s seconds=%.3f mb=%.1f\n", level, name,
                        timer.nsecsElapsed() / 1e9, bytes / 1e6);
            std::fflush(stdout);
        }
    }
    // zlib on the same Up-filtered rows, for comparison with libdeflate.
    for (int level : {1, 2, 3, 6}) {
        QElapsedTimer timer;
        timer.start();
        qint64 bytes = 0;
        for (const QImage &piece : pieces) {
            const size_t row = size_t(piece.width()) * 3;
            std::vector<uchar> raw(size_t(piece.height()) * (row + 1));
            for (int y = 0; y < piece.height(); ++y) {
                uchar *out = raw.data() + size_t(y) * (row + 1);
                const uchar *cur = piece.constScanLine(y);
                const uchar *prev = y > 0 ? piece.constScanLine(y - 1) : nullptr;
                out[0] = 2;
                for (size_t i = 0; i < row; ++i)
                    out[1 + i] = uchar(cur[i] - (prev ? prev[i] : 0));
            }
            uLongf size = compressBound(uLong(raw.size()));
            std::vector<uchar> packed(size);
            compress2(packed.data(), &size, raw.data(), uLong(raw.size()), level);
            bytes += qint64(size);
        }
        std::printf("zlib level=%d filter=up seconds=%.3f mb=%.1f\n", level,
                    timer.nsecsElapsed() / 1e9, bytes / 1e6);
        std::fflush(stdout);
    }
    return 0;
}
