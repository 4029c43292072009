#include "Encoders.h"

#include "AtomicFile.h"
#include "BitonalTiff.h"
#include "JpegCodec.h"
#include "PngWriter.h"
#include "RawWriters.h"

#include <QImage>

namespace imaging {

QByteArray encodeBmp(const QImage &picture)
{
    return raw::encodeBmp(picture);
}

QByteArray encodeUncompressedTiff(const QImage &picture)
{
#ifdef SPLITTER_WITH_LIBTIFF
    if (picture.format() == QImage::Format_Mono)
        return encodeGroup4Tiff(picture);
#endif
    // Without libtiff a 1-bit picture is stored uncompressed, still 1 bit.
    return raw::encodeTiff(picture);
}

QByteArray encodePng(const QImage &picture)
{
    return png::encode(picture);
}

QByteArray encodeJpegQuality100(const QImage &picture)
{
    return jpeg::encode(picture, 100);
}

namespace {

// The picture in a layout every encoder takes: 8-bit grey and black and white 1-bit as
// they are (MSB first), anything else as 24-bit RGB.
QImage encodable(const QImage &picture)
{
    switch (picture.format()) {
    case QImage::Format_RGB888:
    case QImage::Format_Grayscale8:
        return picture;
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        if (isBlackAndWhite(picture))
            return picture.convertToFormat(QImage::Format_Mono);
        break;
    default:
        break;
    }
    return picture.convertToFormat(QImage::Format_RGB888);
}

} // namespace

SaveResult savePicture(const QImage &picture, const QString &path, Encoder encode,
                       ByteSink *written)
{
    if (!encode || picture.isNull())
        return {Status::InvalidParameter, QStringLiteral("没有可保存的图像")};
    const QImage image = encodable(picture);
    if (image.isNull())
        return {Status::OutOfMemory, statusText(Status::OutOfMemory)};
    const QByteArray encoded = encode(image);
    if (encoded.isEmpty())
        return {Status::WriteFailed, QStringLiteral("编码失败")};
    QString error;
    const Status status = writeFileAtomically(path, encoded, &error, written);
    return {status, error};
}

} // namespace imaging
