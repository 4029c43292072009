#pragma once

#include "imaging/Encoders.h"

#include <QImage>
#include <QString>

#include <optional>
#include <vector>

// The encoder and its parameter list for one output extension.
struct EncoderChoice
{
    QString encoder;
    std::vector<imaging::EncoderParameter> parameters;
};

// Looks the extension up in the format table (".JPG", ".PNG", ".TIF", ".BMP", compared
// exactly). JPEG gets its quality; TIFF its compression, then its colour depth; PNG
// and BMP an empty list. Any other extension has no encoder.
std::optional<EncoderChoice> encoderFor(const QString &extension, qint32 quality, qint32 colorDepth,
                                        qint32 compression);

// Writes one piece with the encoder of its extension. The status of the save is
// returned and also kept in lastStatus; error receives the reason of a failure.
imaging::Status savePiece(const QImage &piece, const QString &path, const QString &extension,
                          qint32 quality, qint32 colorDepth, qint32 compression,
                          imaging::Status &lastStatus, QString *error = nullptr);
