// The batch's picture-loading path: any bytes, under each input extension, loaded as
// the batch loads them, then turned; a picture that loads has the size its header gave.

#include "FuzzInput.h"

#include "imaging/Picture.h"

#include <QCoreApplication>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// Never deleted: Qt's own statics are gone by the time exit handlers would run.
QCoreApplication *app = nullptr;
std::unique_ptr<QTemporaryDir> dir;
bool strictSize = false;

// Decoding a big picture takes seconds under the sanitizers (16 million pixels took 39 s)
// and starves the search; bigger headers are still opened, but decoding them is left to
// the tests' large pictures.
constexpr qint64 decodeLimitPixels = 1024 * 1024;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // The codecs' warnings on every broken input would drown the fuzzer's own report.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    app = new QCoreApplication(*argc, *argv);
    strictSize = qEnvironmentVariableIntValue("FUZZ_STRICT_SIZE") == 1;
    dir = std::make_unique<QTemporaryDir>();
    if (!dir->isValid())
        std::abort();
    imaging::applyAllocationLimit(); // before the smaller limit below, so it stays
    // A 46-byte GIF can make Qt fill a canvas of 870 MB, within the program's limit; such
    // inputs take 20 s each under the sanitizers. The search runs with a smaller limit,
    // the limit itself is the tests' business.
    QImageReader::setAllocationLimit(64);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const int rotation = in.take<uint8_t>() & 3;
    const QByteArray bytes(reinterpret_cast<const char *>(in.rest()), qsizetype(in.restSize()));

    static const char *const extensions[] = {"bmp", "gif", "jpg", "png", "tif"};
    for (const char *ext : extensions) {
        const QString path = dir->filePath(QStringLiteral("in.") + QLatin1String(ext));
        {
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
                file.write(bytes) != bytes.size())
                std::abort();
        }
        imaging::Picture picture;
        if (picture.open(path) != imaging::Status::Ok)
            continue;
        const QSizeF header = picture.dimensions();
        if (qint64(header.width()) * qint64(header.height()) > decodeLimitPixels)
            continue;
        if (picture.decode() != imaging::Status::Ok)
            continue;
        picture.turn(rotation);
        const QSize turned = picture.dimensions().toSize();
        // The batch clips frames to dimensions() and cuts from image(). Qt's GIF reader
        // grows the picture to a frame larger than the header's screen, so the two can
        // differ; FUZZ_STRICT_SIZE=1 makes that a finding, otherwise the cut of the whole
        // reported area must fail cleanly or succeed.
        if (picture.image().size() != turned) {
            static int reported = 0;
            if (reported++ < 10)
                std::fprintf(stderr, "%s: %s header %dx%d, decoded %dx%d\n", ext,
                             QImageReader::imageFormat(path).constData(), turned.width(),
                             turned.height(), picture.image().width(), picture.image().height());
            if (strictSize)
                std::abort();
            QImage piece;
            imaging::cutPiece(picture, 0, 0, turned.width(), turned.height(), piece);
        }
        // Cutting copies rows of 24- or 32-bit pixels.
        if (picture.image().depth() != 24 && picture.image().depth() != 32)
            std::abort();
    }
    return 0;
}
