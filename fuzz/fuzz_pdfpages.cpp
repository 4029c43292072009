// PDF pages as the batch reads them: any bytes as a PDF file, every page sized and
// decoded; a page that decodes has the size pageSize gave for it.

#include "imaging/PdfPages.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

namespace {

// Never deleted: Qt's own statics are gone by the time exit handlers would run.
QGuiApplication *app = nullptr;
std::unique_ptr<QTemporaryDir> dir;

// Pages beyond these are left to the tests: rendering big pages under the sanitizers
// takes seconds and starves the search.
constexpr int maxPages = 4;
constexpr qint64 decodeLimitPixels = 1024 * 1024;
constexpr int renderDpi = 36;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app = new QGuiApplication(*argc, *argv); // the renderer draws text with Qt's fonts
    dir = std::make_unique<QTemporaryDir>();
    if (!dir->isValid())
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = dir->filePath(QStringLiteral("in.pdf"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
            std::abort();
    }
    imaging::PdfPages pages;
    if (pages.open(path) != imaging::Status::Ok) {
        if (pages.errorString().isEmpty() || pages.pageCount() != 0)
            std::abort(); // a failure always says why, and leaves no pages
        return 0;
    }
    for (int page = 0; page < qMin(pages.pageCount(), maxPages); ++page) {
        QSize expected;
        if (pages.pageSize(page, renderDpi, expected) != imaging::Status::Ok)
            continue;
        if (expected.isEmpty())
            std::abort();
        if (qint64(expected.width()) * expected.height() > decodeLimitPixels)
            continue;
        QImage image;
        if (pages.decodePage(page, renderDpi, image) != imaging::Status::Ok) {
            if (pages.errorString().isEmpty() || !image.isNull())
                std::abort();
            continue;
        }
        if (image.size() != expected)
            std::abort();
    }
    return 0;
}
