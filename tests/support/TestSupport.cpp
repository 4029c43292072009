#include "TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>

namespace testsupport {

ScriptedBoxes::ScriptedBoxes()
{
    platform::setBoxResponder([this](const platform::BoxRequest &request) {
        if (request.buttons == platform::BoxButtons::Ok)
            return platform::BoxAnswer::Ok;
        if (answers_.empty())
            return platform::BoxAnswer::No;
        const platform::BoxAnswer answer = answers_.front();
        answers_.pop_front();
        return answer;
    });
}

ScriptedBoxes::~ScriptedBoxes()
{
    platform::setBoxResponder({});
}

ScriptedDialogs::ScriptedDialogs()
{
    platform::setOpenPicturesResponder([this](const platform::OpenPicturesRequest &request) {
        opens_.push_back(request);
        if (picks_.empty())
            return QStringList();
        const QStringList paths = picks_.front();
        picks_.pop_front();
        return paths;
    });
    platform::setFolderResponder(
        [this](const platform::FolderRequest &request) -> std::optional<QString> {
            folderReqs_.push_back(request);
            if (folders_.empty())
                return std::nullopt;
            const std::optional<QString> folder = folders_.front();
            folders_.pop_front();
            return folder;
        });
    platform::setFileResponder(
        [this](const platform::FileRequest &request) -> std::optional<QString> {
            fileReqs_.push_back(request);
            if (files_.empty())
                return std::nullopt;
            const std::optional<QString> file = files_.front();
            files_.pop_front();
            return file;
        });
}

ScriptedDialogs::~ScriptedDialogs()
{
    platform::setOpenPicturesResponder({});
    platform::setFolderResponder({});
    platform::setFileResponder({});
}

QImage patternImage(int width, int height, QImage::Format format, int seed)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int r = (x * 7 + y * 3 + seed * 11) & 0xFF;
            const int g = (x * 13 + y * 17 + seed * 5) & 0xFF;
            const int b = (x * 3 + y * 29 + seed * 19) & 0xFF;
            line[x] = qRgba(r, g, b, 255);
        }
    }
    return image.convertToFormat(format);
}

QByteArray encoded(const QImage &image, const char *format, int quality)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    return writer.write(image) ? buffer.data() : QByteArray();
}

bool writePicture(const QImage &image, const QString &path, const char *format, int quality)
{
    QImageWriter writer(path, format ? QByteArray(format) : QByteArray());
    if (quality >= 0)
        writer.setQuality(quality);
    return writer.write(image);
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool touch(const QString &path)
{
    return writeBytes(path, QByteArrayLiteral("x"));
}

} // namespace testsupport
