// The whole cut of one loaded picture: random frames (any 32-bit rectangle) and
// rotations through the real batch. Every piece must be the turned source's rectangle
// clipped to the picture, and nothing else may appear in the folder.

#include "CutCase.h"

#include "batch/BatchEngine.h"
#include "batch/PieceClip.h"

#include <QCoreApplication>
#include <QDir>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>

namespace {

// Never deleted: Qt's own statics are gone by the time exit handlers would run.
QCoreApplication *app = nullptr;
std::unique_ptr<QTemporaryDir> dir;

// Written out pixel by pixel, independently of the imaging layer: code 1 is 90°
// clockwise, so the turned picture's (x, y) is the source's (y, H - 1 - x).
QImage turned(const QImage &src, int code)
{
    const int w = src.width();
    const int h = src.height();
    QImage out(code % 2 ? h : w, code % 2 ? w : h, QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            const QPoint from = code == 1   ? QPoint(y, h - 1 - x)
                                : code == 2 ? QPoint(w - 1 - x, h - 1 - y)
                                : code == 3 ? QPoint(w - 1 - y, x)
                                            : QPoint(x, y);
            out.setPixel(x, y, src.pixel(from));
        }
    return out;
}

// The part of a frame inside a picture of the given size, in 64 bits; none when the
// top-left corner lies on or beyond the right or bottom edge, or nothing is left.
std::optional<QRect> expectedPiece(const QRect &f, QSize size)
{
    if (f.left() >= size.width() || f.top() >= size.height())
        return std::nullopt;
    const qint64 left = std::max<qint64>(f.left(), 0);
    const qint64 top = std::max<qint64>(f.top(), 0);
    const qint64 right = std::min<qint64>(qint64(f.right()) + 1, size.width());
    const qint64 bottom = std::min<qint64>(qint64(f.bottom()) + 1, size.height());
    if (right <= left || bottom <= top)
        return std::nullopt;
    return QRect(int(left), int(top), int(right - left), int(bottom - top));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // The codecs' warnings on every broken input would drown the fuzzer's own report.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    app = new QCoreApplication(*argc, *argv);
    dir = std::make_unique<QTemporaryDir>();
    if (!dir->isValid() || !QDir(dir->path()).mkdir(QStringLiteral("out")))
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const CutCase c = parseCutCase(data, size);
    const QImage source = cutCasePicture(c);
    const char *inFormat = inputFormats[c.inputFormat];
    const QString input = dir->filePath(QStringLiteral("in.") + QLatin1String(inFormat));
    if (!QImageWriter(input, inFormat).write(source))
        std::abort();
    const QString out = dir->filePath(QStringLiteral("out"));

    RunSnapshot snapshot;
    snapshot.pictures << input;
    snapshot.rotation = Rotation(c.rotation);
    snapshot.folder = out + QLatin1Char('/');
    for (size_t k = 0; k < c.frames.size(); ++k)
        snapshot.frames.push_back({c.frames[k], QString(QChar(u'A' + int(k)))});

    BatchEngine engine;
    const OutputFormat format = OutputFormat(c.outputFormat);
    engine.setFormat(format);
    const RunOutcome outcome = engine.runNow(snapshot);
    if (outcome.stopped || !outcome.unreadable.isEmpty() || !outcome.unsaved.isEmpty())
        std::abort();

    const QImage reference = turned(source, c.rotation);
    const QString extension = extensionOf(format);
    QStringList expectedNames;
    for (size_t k = 0; k < c.frames.size(); ++k) {
        const std::optional<QRect> piece = expectedPiece(c.frames[k], reference.size());
        const QRect clipped = clipPiece(c.frames[k], QSizeF(reference.size()));
        if (piece.value_or(QRect()) != clipped)
            std::abort();
        if (!piece)
            continue;
        const QString name = QStringLiteral("%1%2%3")
                                 .arg(QChar(u'A' + int(k)))
                                 .arg(k + 1, 5, 10, QLatin1Char('0'))
                                 .arg(extension);
        expectedNames << name;
        const QImage saved = QImageReader(out + QLatin1Char('/') + name).read();
        if (saved.size() != piece->size())
            std::abort();
        // JPEG is lossy; the three others must give the rectangle back exactly.
        if (format != OutputFormat::Jpg &&
            saved.convertToFormat(QImage::Format_RGB888) !=
                reference.copy(*piece).convertToFormat(QImage::Format_RGB888))
            std::abort();
    }
    QDir folder(out);
    QStringList present = folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    present.sort();
    expectedNames.sort();
    if (present != expectedNames || outcome.piecesSaved != expectedNames.size())
        std::abort();
    for (const QString &name : present)
        folder.remove(name);
    return 0;
}
