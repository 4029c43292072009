#pragma once

#include "AtomicFile.h"
#include "Status.h"

#include <QByteArray>
#include <QString>

class QImage;

namespace imaging {

// Turns a 24-bit RGB picture (rows may be a view into a larger one) into the bytes of a
// file with its resolution; empty when it cannot.
using Encoder = QByteArray (*)(const QImage &rgb888);

QByteArray encodeBmp(const QImage &rgb888);              // 24 bits, uncompressed
QByteArray encodeUncompressedTiff(const QImage &rgb888); // 24 bits, no compression
QByteArray encodePng(const QImage &rgb888);              // 8-bit RGB, fast deflate
QByteArray encodeJpegQuality100(const QImage &rgb888);   // baseline, 4:2:0

// What became of a save; on failure, why.
struct SaveResult
{
    Status status = Status::Ok;
    QString reason;
    bool ok() const { return status == Status::Ok; }
};

// Writes the picture as 24-bit RGB with the encoder. The file appears complete or not
// at all: it is written under a temporary name beside the target and renamed over it.
// A sink given is fed the file's bytes as they are written.
SaveResult savePicture(const QImage &picture, const QString &path, Encoder encode,
                       ByteSink *written = nullptr);

} // namespace imaging
