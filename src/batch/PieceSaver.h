#pragma once

#include "OutputFormat.h"
#include "imaging/Encoders.h"

#include <QImage>
#include <QString>

class QCryptographicHash;

// Writes one piece in the format, whole or not at all; on failure the result says why.
// A digest given is fed the file's bytes as they are written.
imaging::SaveResult savePiece(const QImage &piece, const QString &path, OutputFormat format,
                              QCryptographicHash *digest = nullptr);
