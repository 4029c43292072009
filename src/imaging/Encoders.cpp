#include "Encoders.h"

#include "AtomicFile.h"
#include "JpegCodec.h"
#include "Library.h"
#include "PngWriter.h"
#include "RawWriters.h"

#include <QBuffer>
#include <QImageWriter>

namespace imaging {

Status savePicture(const QImage &picture, const QString &path, const QString &encoder,
                   const std::vector<EncoderParameter> &parameters, QString *error)
{
    auto fail = [error](Status status, const QString &why) {
        if (error)
            *error = why;
        return status;
    };
    if (!Library::started())
        return fail(Status::NotStarted, statusText(Status::NotStarted));

    QByteArray format;
    if (encoder.compare(encoders::bmp, Qt::CaseInsensitive) == 0)
        format = "bmp";
    else if (encoder.compare(encoders::jpeg, Qt::CaseInsensitive) == 0)
        format = "jpeg";
    else if (encoder.compare(encoders::tiff, Qt::CaseInsensitive) == 0)
        format = "tiff";
    else if (encoder.compare(encoders::png, Qt::CaseInsensitive) == 0)
        format = "png";
    else
        return fail(Status::InvalidParameter, QStringLiteral("unknown encoder"));

    int quality = -1;
    int compression = -1;
    QImage out = picture;
    for (const EncoderParameter &p : parameters) {
        if (p.category.compare(encoders::quality, Qt::CaseInsensitive) == 0)
            quality = p.value;
        else if (p.category.compare(encoders::compression, Qt::CaseInsensitive) == 0)
            compression = p.value == encoders::compressionNone ? 0 : 1;
        else if (p.category.compare(encoders::colorDepth, Qt::CaseInsensitive) == 0 &&
                 p.value == 24 && out.format() != QImage::Format_RGB888)
            out = out.convertToFormat(QImage::Format_RGB888);
    }
    if (out.isNull())
        return fail(Status::OutOfMemory, statusText(Status::OutOfMemory));

    // 24-bit pieces are encoded by the program's own writers (JPEG through TurboJPEG,
    // PNG with libdeflate, BMP and TIFF written directly); anything else by Qt's.
    QByteArray encoded;
    if (out.format() == QImage::Format_RGB888) {
        if (format == "jpeg")
            encoded = jpeg::encode(out, quality >= 0 ? quality : 75);
        else if (format == "png")
            encoded = png::encode(out);
        else if (format == "bmp")
            encoded = raw::encodeBmp(out);
        else if (format == "tiff" && compression == 0)
            encoded = raw::encodeTiff(out);
    }
    if (encoded.isEmpty()) {
        QBuffer buffer(&encoded);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, format);
        if (!writer.canWrite())
            return fail(Status::WriteFailed, writer.errorString());
        if (quality >= 0)
            writer.setQuality(quality);
        if (compression >= 0)
            writer.setCompression(compression);
        if (!writer.write(out))
            return fail(Status::WriteFailed, writer.errorString());
    }
    return writeFileAtomically(path, encoded, error);
}
} // namespace imaging
