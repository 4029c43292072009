#pragma once

#include "Status.h"

#include <QString>

#include <vector>

class QImage;

namespace imaging {

struct EncoderParameter
{
    QString category; // category identifier in text form
    int type = 4;     // 4: 32-bit integers
    qint32 value = 0;
};

// Text identifiers of the four encoders and the three parameters the program uses.
namespace encoders {
inline const QString bmp = QStringLiteral("{557CF400-1A04-11D3-9A73-0000F81EF32E}");
inline const QString jpeg = QStringLiteral("{557CF401-1A04-11D3-9A73-0000F81EF32E}");
inline const QString tiff = QStringLiteral("{557CF405-1A04-11D3-9A73-0000F81EF32E}");
inline const QString png = QStringLiteral("{557CF406-1A04-11D3-9A73-0000F81EF32E}");
inline const QString quality = QStringLiteral("{1D5BE4B5-FA4A-452D-9CDD-5DB35105E7EB}");
inline const QString compression = QStringLiteral("{E09D739D-CCD4-44EE-8EBA-3FBF8BE4FC58}");
inline const QString colorDepth = QStringLiteral("{66087055-AD66-4C7C-9A18-38A2310B8337}");
constexpr qint32 compressionNone = 6;
} // namespace encoders

// Writes the picture with the given encoder. The file appears complete or not at
// all: it is written under a temporary name beside the target and renamed over it.
Status savePicture(const QImage &picture, const QString &path, const QString &encoder,
                   const std::vector<EncoderParameter> &parameters, QString *error = nullptr);

} // namespace imaging
