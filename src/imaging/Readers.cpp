#include "Readers.h"

#include <QFile>
#include <QImageReader>
#include <QtEndian>

namespace imaging {

namespace {

std::function<QList<QByteArray>()> &availableResponder()
{
    static std::function<QList<QByteArray>()> responder;
    return responder;
}

} // namespace

QStringList missingPictureReaders(const QList<QByteArray> &available)
{
    QStringList missing;
    for (const char *kind : {"bmp", "gif", "jpeg", "tiff", "png"}) {
        if (!available.contains(QByteArray(kind)))
            missing << QString::fromLatin1(kind);
    }
    return missing;
}

QStringList missingPictureReaders()
{
    if (availableResponder())
        return missingPictureReaders(availableResponder()());
    return missingPictureReaders(QImageReader::supportedImageFormats());
}

void setAvailableReadersResponder(std::function<QList<QByteArray>()> responder)
{
    availableResponder() = std::move(responder);
}

QByteArray pngWithoutTransparentColour(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.read(8) != QByteArray("\x89PNG\r\n\x1A\n", 8))
        return {};
    // Walks the chunk headers only: the transparency chunk comes before the image data.
    for (qint64 at = 8;;) {
        const QByteArray header = file.read(8);
        if (header.size() < 8)
            return {};
        const quint32 length = qFromBigEndian<quint32>(header.constData());
        const QByteArray type = header.mid(4);
        if (type == "IDAT" || type == "IEND" || length > 0x7FFFFFFFu)
            return {};
        const qint64 chunkSize = 12 + qint64(length); // length, type, body, CRC
        if (type == "tRNS") {
            if (!file.seek(0))
                return {};
            QByteArray bytes = file.readAll();
            if (bytes.size() < at + chunkSize)
                return {};
            return bytes.remove(at, chunkSize);
        }
        at += chunkSize;
        if (at >= file.size() || !file.seek(at))
            return {};
    }
}

} // namespace imaging
