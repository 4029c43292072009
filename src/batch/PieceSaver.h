#pragma once

#include "OutputFormat.h"
#include "imaging/Encoders.h"

#include <QImage>
#include <QString>

// Writes one piece in the format, whole or not at all; on failure the result says why.
// A sink given is fed the file's bytes as they are written.
imaging::SaveResult savePiece(const QImage &piece, const QString &path, OutputFormat format,
                              imaging::ByteSink *written = nullptr);
