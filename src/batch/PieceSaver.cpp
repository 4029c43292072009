#include "PieceSaver.h"

namespace enc = imaging::encoders;

std::optional<EncoderChoice> encoderFor(const QString &extension, qint32 quality, qint32 colorDepth,
                                        qint32 compression)
{
    if (extension == QLatin1String(".JPG"))
        return EncoderChoice{enc::jpeg, {{enc::quality, 4, quality}}};
    if (extension == QLatin1String(".PNG"))
        return EncoderChoice{enc::png, {}};
    if (extension == QLatin1String(".TIF"))
        return EncoderChoice{
            enc::tiff, {{enc::compression, 4, compression}, {enc::colorDepth, 4, colorDepth}}};
    if (extension == QLatin1String(".BMP"))
        return EncoderChoice{enc::bmp, {}};
    return std::nullopt;
}

imaging::Status savePiece(const QImage &piece, const QString &path, const QString &extension,
                          qint32 quality, qint32 colorDepth, qint32 compression,
                          imaging::Status &lastStatus, QString *error)
{
    const std::optional<EncoderChoice> choice =
        encoderFor(extension, quality, colorDepth, compression);
    if (!choice) {
        lastStatus = imaging::Status::InvalidParameter;
        if (error)
            *error = QStringLiteral("no encoder for ") + extension;
        return lastStatus;
    }
    lastStatus = imaging::savePicture(piece, path, choice->encoder, choice->parameters, error);
    return lastStatus;
}
