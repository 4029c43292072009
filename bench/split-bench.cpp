// Drives the batch engine without any window, for measuring it against other tools.
// usage: split-bench --format jpg|png|tif|bmp --rotation 0..3 --grid COLSxROWS
//                    --threads N --out DIR PICTURE...
#include "batch/BatchEngine.h"
#include "imaging/Picture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImageReader>

#include <sys/resource.h>

#include <cstdio>
#include <cstring>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: split-bench --format jpg|png|tif|bmp --rotation 0|1|2|3 "
                         "--grid COLSxROWS --threads N --out DIR PICTURE...\n");
    return 2;
}

// The default two-column layout idea generalised: COLS x ROWS equal cells over the
// first picture, in the orientation the rotation gives it.
std::vector<SplitFrame> gridFrames(const QString &picture, int rotation, int cols, int rows)
{
    QSize size = QImageReader(picture).size();
    if (rotation % 2 == 1)
        size.transpose();
    std::vector<SplitFrame> frames;
    const int w = size.width() / cols;
    const int h = size.height() / rows;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            SplitFrame f;
            f.rect = QRect(c * w, r * h, w, h);
            f.letter = QString(QChar(u'A' + (r * cols + c) % 26));
            frames.push_back(f);
        }
    }
    return frames;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    OutputFormat format = OutputFormat::Jpg;
    int rotation = 0, cols = 2, rows = 2, threads = 0; // 0: one per core
    QString out;
    QStringList pictures;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--format") && hasValue) {
            const QByteArray f(argv[++i]);
            if (f == "jpg")
                format = OutputFormat::Jpg;
            else if (f == "png")
                format = OutputFormat::Png;
            else if (f == "tif")
                format = OutputFormat::Tif;
            else if (f == "bmp")
                format = OutputFormat::Bmp;
            else
                return usage();
        } else if (!std::strcmp(argv[i], "--rotation") && hasValue) {
            rotation = std::atoi(argv[++i]);
        } else if (!std::strcmp(argv[i], "--grid") && hasValue) {
            if (std::sscanf(argv[++i], "%dx%d", &cols, &rows) != 2 || cols < 1 || rows < 1)
                return usage();
        } else if (!std::strcmp(argv[i], "--threads") && hasValue) {
            threads = std::max(0, std::atoi(argv[++i]));
        } else if (!std::strcmp(argv[i], "--out") && hasValue) {
            out = QString::fromLocal8Bit(argv[++i]);
        } else if (argv[i][0] == '-') {
            return usage();
        } else {
            pictures << QString::fromLocal8Bit(argv[i]);
        }
    }
    if (out.isEmpty() || pictures.isEmpty() || rotation < 0 || rotation > 3)
        return usage();
    QDir().mkpath(out);

    RunSnapshot snapshot;
    snapshot.pictures = pictures;
    snapshot.rotation = Rotation(rotation);
    snapshot.frames = gridFrames(pictures.first(), rotation, cols, rows);
    snapshot.folder = QDir(out).absolutePath() + QDir::separator();

    qint64 pixels = 0;
    for (const QString &p : pictures) {
        const QSize s = QImageReader(p).size();
        pixels += qint64(s.width()) * s.height();
    }

    BatchEngine engine;
    engine.setFormat(format);
    engine.setThreadCount(threads);
    QElapsedTimer timer;
    timer.start();
    const RunOutcome outcome = engine.runNow(snapshot);
    const double seconds = timer.nsecsElapsed() / 1e9;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("pictures=%lld pieces=%lld seconds=%.3f mpix_per_s=%.1f peak_mb=%.0f\n",
                static_cast<long long>(pictures.size()),
                static_cast<long long>(outcome.piecesSaved), seconds, pixels / 1e6 / seconds,
                usage.ru_maxrss / 1024.0);
    if (!outcome.unreadable.isEmpty() || !outcome.unsaved.isEmpty()) {
        std::fprintf(stderr, "%lld unreadable, %lld unsaved\n",
                     static_cast<long long>(outcome.unreadable.size()),
                     static_cast<long long>(outcome.unsaved.size()));
        return 1;
    }
    return 0;
}
