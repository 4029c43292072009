#include "Encoders.h"

#include "AtomicFile.h"
#include "JpegCodec.h"
#include "PngWriter.h"
#include "RawWriters.h"

#include <QImage>

namespace imaging {

QByteArray encodeBmp(const QImage &rgb888)
{
    return raw::encodeBmp(rgb888);
}

QByteArray encodeUncompressedTiff(const QImage &rgb888)
{
    return raw::encodeTiff(rgb888);
}

QByteArray encodePng(const QImage &rgb888)
{
    return png::encode(rgb888);
}

QByteArray encodeJpegQuality100(const QImage &rgb888)
{
    return jpeg::encode(rgb888, 100);
}

SaveResult savePicture(const QImage &picture, const QString &path, Encoder encode,
                       ByteSink *written)
{
    if (!encode || picture.isNull())
        return {Status::InvalidParameter, QStringLiteral("没有可保存的图像")};
    const QImage rgb = picture.format() == QImage::Format_RGB888
                           ? picture
                           : picture.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull())
        return {Status::OutOfMemory, statusText(Status::OutOfMemory)};
    const QByteArray encoded = encode(rgb);
    if (encoded.isEmpty())
        return {Status::WriteFailed, QStringLiteral("编码失败")};
    QString error;
    const Status status = writeFileAtomically(path, encoded, &error, written);
    return {status, error};
}

} // namespace imaging
