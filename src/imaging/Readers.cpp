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

// The PNG without its tRNS chunk; empty when it has none.
QByteArray pngWithoutTransparentColour(QFile &file)
{
    if (file.read(8) != QByteArray("\x89PNG\r\n\x1A\n", 8))
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

// The TIFF with its first page's unassociated alpha marked unspecified: libtiff then
// leaves the colours as stored. Empty when the first page has no such alpha.
QByteArray tiffWithUnspecifiedAlpha(QFile &file)
{
    const QByteArray header = file.read(8);
    if (header.size() < 8 || (!header.startsWith("II*\0") && !header.startsWith("MM\0*")))
        return {};
    const bool little = header[0] == 'I';
    auto u16 = [little](const char *p) {
        return little ? qFromLittleEndian<quint16>(p) : qFromBigEndian<quint16>(p);
    };
    const quint32 ifd = little ? qFromLittleEndian<quint32>(header.constData() + 4)
                               : qFromBigEndian<quint32>(header.constData() + 4);
    if (!file.seek(ifd))
        return {};
    const QByteArray countBytes = file.read(2);
    if (countBytes.size() < 2)
        return {};
    const QByteArray entries = file.read(qint64(u16(countBytes.constData())) * 12);
    for (qsizetype at = 0; at + 12 <= entries.size(); at += 12) {
        const char *entry = entries.constData() + at;
        constexpr quint16 extraSamples = 338, shortType = 3, unassociated = 2;
        // Up to two values sit in the entry itself; the first is the fourth sample's.
        const quint32 count =
            little ? qFromLittleEndian<quint32>(entry + 4) : qFromBigEndian<quint32>(entry + 4);
        if (u16(entry) != extraSamples || u16(entry + 2) != shortType || count > 2 ||
            u16(entry + 8) != unassociated)
            continue;
        if (!file.seek(0))
            return {};
        QByteArray bytes = file.readAll();
        const qint64 value = qint64(ifd) + 2 + at + 8;
        if (bytes.size() < value + 2)
            return {};
        bytes[value] = bytes[value + 1] = '\0';
        return bytes;
    }
    return {};
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

QByteArray bytesKeepingStoredColours(const QString &path, const QByteArray &format)
{
    if (format != "png" && format != "tiff")
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return format == "png" ? pngWithoutTransparentColour(file) : tiffWithUnspecifiedAlpha(file);
}

} // namespace imaging
