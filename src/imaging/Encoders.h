#pragma once

#include "AtomicFile.h"
#include "Status.h"

#include <QByteArray>
#include <QString>

class QImage;

namespace imaging {

// Turns a picture into the bytes of a file with its resolution and, but for BMP, its
// colour profile; empty when it cannot. Each takes a 24-bit RGB picture (rows may be a
// view into a larger one), an 8-bit grey one, and a black and white Format_Mono one, and
// keeps its depth where the format has it: every pixel reads back as it was, but for
// JPEG's loss.
using Encoder = QByteArray (*)(const QImage &picture);

QByteArray encodeBmp(const QImage &picture);              // 24, 8 or 1 bits, uncompressed
QByteArray encodeUncompressedTiff(const QImage &picture); // uncompressed; 1 bit as Group 4
QByteArray encodePng(const QImage &picture);              // RGB, grey or 1-bit, fast deflate
QByteArray encodeJpegQuality100(const QImage &picture);   // baseline, 4:2:0 or grey

// What became of a save; on failure, why.
struct SaveResult
{
    Status status = Status::Ok;
    QString reason;
    bool ok() const { return status == Status::Ok; }
};

// Writes the picture with the encoder: 8-bit grey and black and white 1-bit pictures as
// they are, others as 24-bit RGB. The file appears complete or not at all: it is written
// under a temporary name beside the target and renamed over it.
// A sink given is fed the file's bytes as they are written.
SaveResult savePicture(const QImage &picture, const QString &path, Encoder encode,
                       ByteSink *written = nullptr);

} // namespace imaging
