#pragma once

#include "Status.h"

#include <QImage>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <vector>

class QPainter;

namespace platform {

using ImagingToken = quint32;

// The imaging library's life: every start hands out a token that its shutdown gives
// back. Pictures can only be loaded, drawn and saved while an instance is live.
class Imaging
{
public:
    static Status startup(ImagingToken &token);
    static void shutdown(ImagingToken token);
    static int liveInstances();
    static int totalStartups();
    static int totalShutdowns();
    // Test switch: the next startup fails with GenericError.
    static void failNextStartup();

    // Largest picture the decoder will allocate: a 1200-dpi A3 scan in 32 bits.
    static constexpr int allocationLimitMb = 1100;
};

// A picture loaded from a file. The header is read by open(); the pixels are decoded
// on demand, at full size or reduced for display.
class Picture
{
public:
    Status open(const QString &path);
    // Decodes at full size, or at scaledTo (in the turned orientation) when given.
    Status decode(QSize scaledTo = {});
    Status load(const QString &path); // open and decode at full size
    // The same, reusing the memory of a picture no longer needed where the decoder can
    // (a batch decodes many pictures of one size; fresh memory costs page faults).
    Status load(const QString &path, QImage recycled);

    // Turns the picture in place: 0 none, 1 90° clockwise, 2 180°, 3 270° clockwise.
    void rotateFlip(int code);
    // Size in pixels after turning, as the full-size picture has it.
    QSizeF dimensions() const;
    bool isOpen() const { return !path_.isEmpty(); }
    bool isDecoded() const { return !image_.isNull(); }
    const QImage &image() const { return image_; }
    QString path() const { return path_; }
    QString errorString() const { return error_; }
    void release();

private:
    QString path_;
    QSize fileSize_;
    QByteArray format_;
    int rotation_ = 0;
    QImage image_;
    QString error_;
};

// A drawing context on a surface image (the step-2 window's persistent surface).
class Graphics
{
public:
    explicit Graphics(QImage &surface);
    ~Graphics();
    Graphics(const Graphics &) = delete;
    Graphics &operator=(const Graphics &) = delete;

    // Draws the picture scaled into the destination; decodes it at the drawn size
    // first when it has not been decoded yet.
    Status drawImageRect(Picture &picture, float x, float y, float width, float height);

private:
    QImage &surface_;
};

// A new w x h 24-bit RGB bitmap holding the source rectangle copied 1:1, with the
// source's resolution. The rectangle must lie inside the source.
Status cutPiece(const Picture &source, int x, int y, int w, int h, QImage &piece);

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

} // namespace platform
