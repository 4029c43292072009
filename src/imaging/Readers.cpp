#include "Readers.h"

#include <QImageReader>

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

} // namespace imaging
