#include "TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>

namespace testsupport {

namespace {

// The next queued answer, or the fallback when the test queued none.
template <class T> T takeFront(std::deque<T> &queue, const T &fallback)
{
    if (queue.empty())
        return fallback;
    const T front = queue.front();
    queue.pop_front();
    return front;
}

} // namespace

ScriptedBoxes::ScriptedBoxes()
{
    platform::setBoxResponder([this](const platform::BoxRequest &request) {
        if (request.buttons == platform::BoxButtons::Ok)
            return platform::BoxAnswer::Ok;
        return takeFront(answers_, platform::BoxAnswer::No);
    });
}

ScriptedBoxes::~ScriptedBoxes()
{
    platform::setBoxResponder({});
}

QStringList ScriptedBoxes::lines() const
{
    QStringList lines;
    for (const platform::BoxRequest &box : shown())
        lines << boxLine(box.title, box.text, box.icon, box.buttons);
    return lines;
}

QString boxLine(const QString &title, const QString &text, platform::BoxIcon icon,
                platform::BoxButtons buttons)
{
    static const char *const icons[] = {"Error", "Exclamation", "Question", "Critical"};
    return QStringLiteral("%1 | %2 | %3 | %4")
        .arg(title, text, QLatin1String(icons[int(icon)]),
             QLatin1String(buttons == platform::BoxButtons::Ok ? "Ok" : "YesNo"));
}

ScriptedDialogs::ScriptedDialogs()
{
    platform::setOpenPicturesResponder([this](const platform::OpenPicturesRequest &request) {
        opens_.push_back(request);
        return takeFront(picks_, QStringList());
    });
    platform::setFolderResponder(
        [this](const platform::FolderRequest &request) -> std::optional<QString> {
            folderReqs_.push_back(request);
            return takeFront(folders_, std::optional<QString>());
        });
    platform::setFileResponder(
        [this](const platform::FileRequest &request) -> std::optional<QString> {
            fileReqs_.push_back(request);
            return takeFront(files_, std::optional<QString>());
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

quint32 crc32(const QByteArray &data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : data) {
        crc ^= uchar(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
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
