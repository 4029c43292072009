// The fast codec paths against Qt's own: JPEG decoded and encoded through TurboJPEG,
// PNG written with libdeflate, 1-bit TIFF with libtiff, pieces cut and turned in one step.

#include "TestSupport.h"
#include "imaging/BitonalTiff.h"
#include "imaging/Encoders.h"
#include "imaging/JpegCodec.h"
#include "imaging/Picture.h"
#include "imaging/PngWriter.h"
#include "imaging/RawWriters.h"
#include "imaging/TurnedCut.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <QTransform>
#include <QtTest>

#include <turbojpeg.h>

using imaging::Status;
using testsupport::dotsPerMetre300;
using testsupport::dotsPerMetre600;
using testsupport::rgb;

namespace {

QImage decodedBytes(const QByteArray &bytes)
{
    return QImage::fromData(bytes);
}

// A CMYK JPEG made by the encoder itself (Qt 6.4 writes none).
QByteArray cmykJpeg(int w, int h)
{
    std::vector<uchar> cmyk(size_t(w) * size_t(h) * 4);
    for (size_t i = 0; i < cmyk.size(); ++i)
        cmyk[i] = uchar((i * 37) % 251);
    tjhandle handle = tjInitCompress();
    unsigned char *out = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, cmyk.data(), w, w * 4, h, TJPF_CMYK, &out, &size, TJSAMP_444, 95, 0);
    QByteArray jpeg(reinterpret_cast<const char *>(out), qsizetype(size));
    tjFree(out);
    tjDestroy(handle);
    return jpeg;
}

// A view whose rows are longer than its pixels, as a piece cut from a larger picture.
QImage strideView(const QImage &big, const QRect &r)
{
    return QImage(big.constScanLine(r.y()) + qsizetype(r.x()) * 3, r.width(), r.height(),
                  big.bytesPerLine(), QImage::Format_RGB888);
}

// A 1-bit pattern with black or white as its first colour.
QImage monoPattern(int w, int h, bool whiteFirst, QImage::Format format = QImage::Format_Mono)
{
    QImage mono = testsupport::patternImage(w, h, format, 5);
    const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
    mono.setColorTable(whiteFirst ? QList<QRgb>{white, black} : QList<QRgb>{black, white});
    return mono;
}

// 1-bit and grey pictures compare as grey, others as 24-bit RGB; pixels only.
QImage comparable(const QImage &image)
{
    QImage pixels = image.allGray() ? image.convertToFormat(QImage::Format_Grayscale8) : rgb(image);
    pixels.setColorSpace(QColorSpace());
    return pixels;
}

// Whether two black and white 1-bit pictures show the same pixels, whichever colour their
// tables put first; row by row, as a whole page pixel by pixel takes seconds.
bool sameBits(QImage a, const QImage &b)
{
    if (a.size() != b.size() || a.format() != QImage::Format_Mono ||
        b.format() != QImage::Format_Mono)
        return false;
    if ((a.color(0) & 0xFFFFFF) != (b.color(0) & 0xFFFFFF))
        a.invertPixels();
    const int whole = a.width() / 8, rest = a.width() % 8;
    for (int y = 0; y < a.height(); ++y) {
        const uchar *p = a.constScanLine(y), *q = b.constScanLine(y);
        if (std::memcmp(p, q, size_t(whole)) != 0 ||
            (rest && ((p[whole] ^ q[whole]) & (0xFF00 >> rest))))
            return false;
    }
    return true;
}

// An RGB colour profile longer than one JPEG segment holds: Adobe RGB with bytes added
// after its tags and its length in the header to match.
QByteArray longProfile()
{
    QByteArray icc = QColorSpace(QColorSpace::AdobeRgb).iccProfile();
    icc.append(150000 - icc.size(), '\0');
    qToBigEndian(quint32(icc.size()), icc.data());
    return icc;
}

// The pixels a piece is encoded from.
enum class Pixels { Rgb, Grey, WhiteFirst, BlackFirst };

// What the program makes of a JPEG its fast path does not take.
enum class Fallback {
    QtsPicture,    // the picture Qt's reader gives
    QtsConversion, // the same, left in the format Qt converted it to
    Refused,       // no picture, where Qt's reader gives one
};

} // namespace

Q_DECLARE_METATYPE(Fallback)
Q_DECLARE_METATYPE(Pixels)

class tst_Codecs : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void jpegDecodedAsQtDoes_data();
    void jpegDecodedAsQtDoes();
    void jpegOthersFallBack_data();
    void jpegOthersFallBack();
    void jpegReusesMemory_data();
    void jpegReusesMemory();
    void jpegEncodedAsQtDoes_data();
    void jpegEncodedAsQtDoes();
    void pngExact_data();
    void pngExact();
    void encodersKeepPixels_data();
    void encodersKeepPixels();
    void group4Tiff_data();
    void group4Tiff();
    void turnedCutMatchesTurningFirst_data();
    void turnedCutMatchesTurningFirst();
    void unturnedCutIsAView();
    void turnedCutRefusesOutside();

private:
    QTemporaryDir dir_;
};

void tst_Codecs::init()
{
    QVERIFY(dir_.isValid());
}

void tst_Codecs::jpegDecodedAsQtDoes_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("grey");
    QTest::addColumn<int>("dpi");
    QTest::addColumn<QByteArray>("profile");
    const QByteArray adobe = QColorSpace(QColorSpace::AdobeRgb).iccProfile();
    QTest::newRow("1 x 1") << QSize(1, 1) << false << 300 << QByteArray();
    QTest::newRow("odd 17 x 9") << QSize(17, 9) << false << 600 << QByteArray();
    QTest::newRow("odd 33 x 130") << QSize(33, 130) << false << 72 << QByteArray();
    QTest::newRow("grey odd 21 x 13") << QSize(21, 13) << true << 300 << QByteArray();
    QTest::newRow("640 x 481") << QSize(640, 481) << false << 300 << QByteArray();
    QTest::newRow("colour profile") << QSize(17, 9) << false << 300 << adobe;
    QTest::newRow("profile in three segments") << QSize(17, 9) << false << 300 << longProfile();
}

void tst_Codecs::jpegDecodedAsQtDoes()
{
    QFETCH(QSize, size);
    QFETCH(bool, grey);
    QFETCH(int, dpi);
    QFETCH(QByteArray, profile);
    QImage source = testsupport::patternImage(
        size.width(), size.height(), grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32, 3);
    source.setDotsPerMeterX(qRound(dpi / 0.0254));
    source.setDotsPerMeterY(qRound(dpi / 0.0254));
    const QString path = dir_.filePath("in.jpg");
    // Qt's writer stores the colour profile; a long one in several segments.
    if (!profile.isEmpty())
        source.setColorSpace(QColorSpace::fromIccProfile(profile));
    QVERIFY(testsupport::writePicture(source, path, "jpeg", 90));
    const QImage qt = QImageReader(path).read();
    QCOMPARE(qt.colorSpace().isValid(), !profile.isEmpty());

    // Kept grey, a grey JPEG is 8-bit grey as Qt's reader gives it.
    QImage kept;
    QCOMPARE(imaging::jpeg::decode(testsupport::readBytes(path), kept, imaging::jpeg::Grey::Kept),
             imaging::jpeg::Decoded::Ok);
    QCOMPARE(kept.format(), grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    QCOMPARE(comparable(kept), comparable(qt));
    QCOMPARE(kept.colorSpace(), qt.colorSpace());
    QCOMPARE(kept.colorSpace().iccProfile(), profile.isEmpty() ? QByteArray() : profile);

    imaging::Picture picture;
    QCOMPARE(picture.load(path), Status::Ok);
    QCOMPARE(picture.image().format(), QImage::Format_RGB888); // the TurboJPEG path
    // Same decoder, same upsampling: the pixels are the very same.
    QCOMPARE(picture.image(), rgb(qt));
    QCOMPARE(picture.image().dotsPerMeterX(), qt.dotsPerMeterX());
    QCOMPARE(picture.image().dotsPerMeterY(), qt.dotsPerMeterY());
}

void tst_Codecs::jpegOthersFallBack_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Fallback>("fallback");
    const QByteArray jpeg = testsupport::encoded(testsupport::patternImage(40, 30), "jpeg", 90);
    QTest::newRow("CMYK") << "other.jpg" << cmykJpeg(19, 11) << Fallback::QtsConversion;
    QTest::newRow("JPEG bytes under another name") << "other.png" << jpeg << Fallback::QtsPicture;
    // Qt's reader fills a short file's missing rows with grey; the program refuses it.
    QTest::newRow("truncated after the header")
        << "other.jpg" << jpeg.first(jpeg.size() / 2) << Fallback::Refused;
}

void tst_Codecs::jpegOthersFallBack()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(Fallback, fallback);
    const QString path = dir_.filePath(name);
    QVERIFY(testsupport::writeBytes(path, bytes));
    const QImage qt = QImageReader(path).read();

    imaging::Picture picture;
    const Status status = picture.load(path);
    if (fallback == Fallback::Refused) {
        QVERIFY(!qt.isNull());
        QCOMPARE(status, Status::UnknownImageFormat);
        return;
    }
    if (qt.isNull()) {
        QVERIFY(status != Status::Ok);
        return;
    }
    QCOMPARE(status, Status::Ok);
    // Whatever path it took, the picture is what Qt's reader makes of the file.
    QCOMPARE(rgb(picture.image()), rgb(qt));
    if (fallback == Fallback::QtsConversion)
        QVERIFY(picture.image().format() != QImage::Format_RGB888);
}

void tst_Codecs::jpegReusesMemory_data()
{
    QTest::addColumn<QSize>("recycledSize");
    QTest::addColumn<bool>("shared");
    QTest::addColumn<bool>("reused");
    QTest::newRow("same size, not shared") << QSize(41, 29) << false << true;
    QTest::newRow("same size, still shared") << QSize(41, 29) << true << false;
    QTest::newRow("other size") << QSize(29, 41) << false << false;
}

void tst_Codecs::jpegReusesMemory()
{
    QFETCH(QSize, recycledSize);
    QFETCH(bool, shared);
    QFETCH(bool, reused);
    const QString path = dir_.filePath("reuse.jpg");
    QVERIFY(testsupport::writePicture(testsupport::patternImage(41, 29), path, "jpeg", 90));
    QImage recycled(recycledSize, QImage::Format_RGB888);
    recycled.fill(Qt::red);
    const QImage holder = shared ? recycled : QImage();
    const uchar *memory = recycled.constBits();

    imaging::Picture picture;
    QCOMPARE(picture.load(path, std::move(recycled)), Status::Ok);
    QCOMPARE(picture.image().constBits() == memory, reused);
    QCOMPARE(picture.image(), rgb(QImageReader(path).read()));
    // A picture someone still holds is never written over.
    if (shared)
        QCOMPARE(holder.pixel(0, 0), QColor(Qt::red).rgb());
}

void tst_Codecs::jpegEncodedAsQtDoes_data()
{
    QTest::addColumn<QRect>("cut");
    QTest::addColumn<int>("quality");
    QTest::newRow("1 x 1") << QRect(5, 5, 1, 1) << 100;
    QTest::newRow("odd view 17 x 9") << QRect(3, 2, 17, 9) << 100;
    QTest::newRow("odd view 61 x 43") << QRect(1, 7, 61, 43) << 100;
    QTest::newRow("whole rows, quality 75") << QRect(0, 0, 80, 50) << 75;
}

void tst_Codecs::jpegEncodedAsQtDoes()
{
    QFETCH(QRect, cut);
    QFETCH(int, quality);
    QImage big = rgb(testsupport::patternImage(80, 50, QImage::Format_RGB32, 8));
    QImage piece = strideView(big, cut).copy();
    piece.setDotsPerMeterX(dotsPerMetre600);
    piece.setDotsPerMeterY(dotsPerMetre300);
    const QImage view = strideView(big, cut);
    QImage viewWithDpi = QImage(const_cast<uchar *>(view.constBits()), view.width(), view.height(),
                                view.bytesPerLine(), QImage::Format_RGB888);
    viewWithDpi.setDotsPerMeterX(piece.dotsPerMeterX());
    viewWithDpi.setDotsPerMeterY(piece.dotsPerMeterY());

    const QByteArray ours = imaging::jpeg::encode(viewWithDpi, quality);
    const QByteArray qts = testsupport::encoded(piece, "jpeg", quality);
    // The same coded picture as Qt's writer, 4:2:0 with standard tables, pixel for pixel.
    QCOMPARE(decodedBytes(ours), decodedBytes(qts));
    if (quality == 100)
        QCOMPARE(ours.size(), qts.size()); // no optimised Huffman tables, as Qt writes
    const QImage back = QImage::fromData(ours, "JPEG");
    QCOMPARE(testsupport::dpi(back), QSize(600, 300));
}

void tst_Codecs::pngExact_data()
{
    QTest::addColumn<QRect>("cut");
    QTest::addColumn<int>("filter");
    QTest::addColumn<int>("level");
    using F = imaging::png::Filter;
    QTest::newRow("1 x 1") << QRect(0, 0, 1, 1) << int(F::Up) << 1;
    QTest::newRow("odd view, default") << QRect(3, 2, 17, 9) << -1 << -1;
    for (F f : {F::None, F::Sub, F::Up, F::Average, F::Paeth, F::Adaptive})
        QTest::addRow("filter %d, odd view 61 x 43", int(f)) << QRect(1, 7, 61, 43) << int(f) << 6;
    QTest::newRow("level 12") << QRect(0, 0, 80, 50) << int(F::Up) << 12;
}

void tst_Codecs::pngExact()
{
    QFETCH(QRect, cut);
    QFETCH(int, filter);
    QFETCH(int, level);
    const QImage big = rgb(testsupport::patternImage(80, 50, QImage::Format_RGB32, 4));
    QImage view = strideView(big, cut);
    imaging::png::Settings settings = imaging::png::defaultSettings();
    if (filter >= 0)
        settings = {level, imaging::png::Filter(filter)};
    QImage withDpi(const_cast<uchar *>(view.constBits()), view.width(), view.height(),
                   view.bytesPerLine(), QImage::Format_RGB888);
    withDpi.setDotsPerMeterX(dotsPerMetre600);
    withDpi.setDotsPerMeterY(dotsPerMetre300);
    const QByteArray png = imaging::png::encode(withDpi, settings);
    QVERIFY(png.size() > 33);
    // 8-bit RGB as the header says it, and every pixel back exactly.
    QCOMPARE(int(uchar(png[24])), 8);
    QCOMPARE(int(uchar(png[25])), 2);
    const QImage back = QImage::fromData(png, "png");
    QCOMPARE(rgb(back), view.copy());
    QCOMPARE(back.dotsPerMeterX(), dotsPerMetre600);
    QCOMPARE(back.dotsPerMeterY(), dotsPerMetre300);
}

void tst_Codecs::encodersKeepPixels_data()
{
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<Pixels>("pixels");
    QTest::addColumn<QRect>("cut");
    QTest::addColumn<QByteArray>("profile");
    for (const char *format : {"bmp", "tiff"})
        // Widths 1 to 4 meet every row padding of a BMP.
        for (int w = 1; w <= 4; ++w)
            QTest::addRow("%s, %d wide", format, w)
                << QByteArray(format) << Pixels::Rgb << QRect(3, 2, w, 7) << QByteArray();
    const QByteArray adobe = QColorSpace(QColorSpace::AdobeRgb).iccProfile();
    for (const char *format : {"bmp", "tiff", "png", "jpeg"}) {
        // 1-bit rows end inside a byte at 13 and fill it at 16.
        for (int w : {1, 13, 16}) {
            QTest::addRow("%s, 1-bit white first, %d wide", format, w)
                << QByteArray(format) << Pixels::WhiteFirst << QRect(2, 1, w, 9) << QByteArray();
            QTest::addRow("%s, 1-bit black first, %d wide", format, w)
                << QByteArray(format) << Pixels::BlackFirst << QRect(2, 1, w, 9) << QByteArray();
        }
        QTest::addRow("%s, grey, 5 wide", format)
            << QByteArray(format) << Pixels::Grey << QRect(3, 2, 5, 7) << QByteArray();
        // A BMP holds no profile; the others keep it, and a grey file none made for RGB.
        QTest::addRow("%s, colour profile", format)
            << QByteArray(format) << Pixels::Rgb << QRect(3, 2, 5, 7) << adobe;
        QTest::addRow("%s, grey, RGB profile left out", format)
            << QByteArray(format) << Pixels::Grey << QRect(3, 2, 5, 7) << adobe;
    }
    QTest::newRow("jpeg, profile in three segments")
        << QByteArray("jpeg") << Pixels::Rgb << QRect(3, 2, 5, 7) << longProfile();
}

void tst_Codecs::encodersKeepPixels()
{
    QFETCH(QByteArray, format);
    QFETCH(Pixels, pixels);
    QFETCH(QRect, cut);
    QFETCH(QByteArray, profile);
    QImage image;
    const QImage big = rgb(testsupport::patternImage(20, 12, QImage::Format_RGB32, 9));
    if (pixels == Pixels::Rgb) {
        const QImage view = strideView(big, cut);
        image = QImage(const_cast<uchar *>(view.constBits()), view.width(), view.height(),
                       view.bytesPerLine(), QImage::Format_RGB888);
    } else if (pixels == Pixels::Grey) {
        image = testsupport::patternImage(20, 12, QImage::Format_Grayscale8, 9).copy(cut);
    } else {
        image = monoPattern(20, 12, pixels == Pixels::WhiteFirst).copy(cut);
    }
    image.setDotsPerMeterX(dotsPerMetre600);
    image.setDotsPerMeterY(dotsPerMetre300);
    if (!profile.isEmpty())
        image.setColorSpace(QColorSpace::fromIccProfile(profile));
    const std::map<QByteArray, imaging::Encoder> encoders = {
        {"bmp", imaging::encodeBmp},
        {"tiff", imaging::encodeUncompressedTiff},
        {"png", imaging::encodePng},
        {"jpeg", imaging::encodeJpegQuality100}};

    QByteArray bytes = encoders.at(format)(image);
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, format);
    const QImage back = reader.read();
    QVERIFY2(!back.isNull(), qPrintable(reader.errorString()));
    if (format == "jpeg")
        // The same coded picture as Qt's writer makes of it; 1-bit and grey as grey.
        QCOMPARE(comparable(back),
                 comparable(decodedBytes(testsupport::encoded(image, "jpeg", 100))));
    else
        QCOMPARE(comparable(back), comparable(image.copy()));
    // 1-bit and grey pictures keep their depth (JPEG has no 1-bit).
    if (pixels != Pixels::Rgb)
        QCOMPARE(back.depth(), format == "jpeg" ? 8 : image.depth());
    QCOMPARE(testsupport::dpi(back), QSize(600, 300));
    const bool kept = !profile.isEmpty() && format != "bmp" && pixels == Pixels::Rgb;
    QCOMPARE(back.colorSpace().iccProfile(), kept ? profile : QByteArray());
}

void tst_Codecs::group4Tiff_data()
{
    QTest::addColumn<QByteArray>("other"); // a file that is no one-strip Group 4 TIFF
    QTest::addColumn<bool>("whiteFirst");
    QTest::newRow("A4 text at 600 dpi, white first") << QByteArray() << true;
    QTest::newRow("A4 text at 600 dpi, black first") << QByteArray() << false;
    const QImage small = monoPattern(13, 9, true);
    QTest::newRow("uncompressed 1-bit") << imaging::raw::encodeTiff(small) << true;
    QTest::newRow("24-bit") << imaging::raw::encodeTiff(rgb(testsupport::patternImage(5, 4)))
                            << true;
    QTest::newRow("cut short") << imaging::encodeGroup4Tiff(small).left(60) << true;
    QTest::newRow("not a TIFF") << QByteArray("II*\0 no directory", 17) << true;
}

void tst_Codecs::group4Tiff()
{
    QFETCH(QByteArray, other);
    QFETCH(bool, whiteFirst);
    imaging::Group4Strip strip;
    if (!other.isEmpty()) {
        QVERIFY(!imaging::readGroup4Strip(other, strip));
        return;
    }
#ifndef SPLITTER_WITH_LIBTIFF
    QSKIP("Group 4 needs libtiff, which this build lacks");
#endif
    // Lines of letter-like strokes over a whole A4 page, as a scanned letter.
    QImage page(4961, 7016, QImage::Format_Mono);
    const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
    page.setColorTable(whiteFirst ? QList<QRgb>{white, black} : QList<QRgb>{black, white});
    page.fill(whiteFirst ? 0 : 1);
    {
        QPainter painter(&page);
        quint32 seed = 1;
        auto next = [&seed](int n) { return int((seed = seed * 1103515245u + 12345u) >> 16) % n; };
        for (int y = 400; y < 6600; y += 80)
            for (int x = 300; x < 4600; x += 28 + (next(6) == 0 ? 30 : 0)) {
                painter.fillRect(x, y + next(10), 4 + next(3), 30 + next(12), Qt::black);
                painter.fillRect(x, y + 10 + next(25), 12 + next(10), 4, Qt::black);
                painter.fillRect(x + 14 + next(6), y + next(20), 4, 20 + next(20), Qt::black);
            }
    }
    page.setDotsPerMeterX(dotsPerMetre600);
    page.setDotsPerMeterY(dotsPerMetre600);

    QByteArray tiff = imaging::encodeUncompressedTiff(page);
    // Some 230 KB: the strokes are there, and far below the 104 MB of a 24-bit TIFF.
    QVERIFY(tiff.size() > 100 * 1024);
    QVERIFY(tiff.size() < 400 * 1024);
    QBuffer buffer(&tiff);
    QImageReader reader(&buffer, "tiff");
    reader.setAllocationLimit(256);
    const QImage back = reader.read();
    QVERIFY(sameBits(back, page));
    QCOMPARE(testsupport::dpi(back), QSize(600, 600));

    QVERIFY(imaging::readGroup4Strip(tiff, strip));
    QCOMPARE(QSize(strip.width, strip.height), page.size());
    QCOMPARE(strip.blackIs1, !whiteFirst);
    QCOMPARE(strip.dpiX, 600.);
    QCOMPARE(strip.dpiY, 600.);
    QVERIFY(strip.data.size() > 1000);
    QVERIFY(tiff.contains(strip.data));
}

void tst_Codecs::turnedCutMatchesTurningFirst_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("code");
    QTest::addColumn<QRect>("cut");
    const std::pair<QImage::Format, const char *> formats[] = {
        {QImage::Format_RGB888, "24-bit"}, {QImage::Format_RGB32, "32-bit"},
        {QImage::Format_ARGB32, "alpha"},  {QImage::Format_Grayscale8, "grey"},
        {QImage::Format_Mono, "1-bit"},    {QImage::Format_MonoLSB, "1-bit LSB first"}};
    for (const auto &[format, name] : formats)
        for (int code = 0; code < 4; ++code) {
            // Turned picture: 37 x 23 or 23 x 37; one inner piece, one at the far corner.
            QTest::addRow("%s, code %d, inner", name, code)
                << int(format) << code << QRect(2, 3, 9, 5);
            const QRect corner = code % 2 ? QRect(10, 20, 13, 17) : QRect(20, 10, 17, 13);
            QTest::addRow("%s, code %d, corner", name, code) << int(format) << code << corner;
        }
}

void tst_Codecs::turnedCutMatchesTurningFirst()
{
    QFETCH(int, format);
    QFETCH(int, code);
    QFETCH(QRect, cut);
    const bool mono = format == QImage::Format_Mono || format == QImage::Format_MonoLSB;
    QImage source = mono ? monoPattern(37, 23, true, QImage::Format(format))
                         : testsupport::patternImage(37, 23, QImage::Format(format), 2);
    source.setDotsPerMeterX(dotsPerMetre600);
    source.setDotsPerMeterY(dotsPerMetre300);
    source.setColorSpace(QColorSpace::AdobeRgb);
    const QImage turned = source.transformed(QTransform().rotate(90 * code));
    QImage piece;
    QCOMPARE(imaging::cutTurnedPiece(source, code, cut, piece), Status::Ok);
    // 1-bit and grey pieces keep their depth, and a 1-bit one its table.
    QCOMPARE(piece.format(),
             mono || format == QImage::Format_Grayscale8 ? source.format() : QImage::Format_RGB888);
    QCOMPARE(piece.colorTable(), source.colorTable());
    QCOMPARE(comparable(piece), comparable(turned.copy(cut)));
    // A quarter turn swaps the resolutions.
    QCOMPARE(piece.dotsPerMeterX(), code % 2 ? dotsPerMetre300 : dotsPerMetre600);
    QCOMPARE(piece.dotsPerMeterY(), code % 2 ? dotsPerMetre600 : dotsPerMetre300);
    QCOMPARE(piece.colorSpace(), source.colorSpace());
    // The whole picture turned the same way, in its own format.
    const QImage whole = imaging::turnedImage(source, code);
    QCOMPARE(whole.format(), source.format());
    QCOMPARE(comparable(whole), comparable(turned));
    QCOMPARE(whole.colorSpace(), source.colorSpace());
}

void tst_Codecs::unturnedCutIsAView()
{
    const QImage source = rgb(testsupport::patternImage(30, 20));
    QImage piece;
    QCOMPARE(imaging::cutTurnedPiece(source, 0, QRect(4, 5, 10, 6), piece), Status::Ok);
    QCOMPARE(piece.constBits(), source.constScanLine(5) + 4 * 3);
    QCOMPARE(piece, source.copy(4, 5, 10, 6));
}

void tst_Codecs::turnedCutRefusesOutside()
{
    const QImage source = rgb(testsupport::patternImage(30, 20));
    QImage piece;
    // Inside the unturned picture but not the turned one, and empty.
    QCOMPARE(imaging::cutTurnedPiece(source, 1, QRect(0, 0, 30, 20), piece),
             Status::InvalidParameter);
    QCOMPARE(imaging::cutTurnedPiece(source, 0, QRect(29, 19, 2, 1), piece),
             Status::InvalidParameter);
    QCOMPARE(imaging::cutTurnedPiece(source, 2, QRect(3, 3, 0, 4), piece),
             Status::InvalidParameter);
    QCOMPARE(imaging::cutTurnedPiece(QImage(), 0, QRect(0, 0, 1, 1), piece),
             Status::InvalidParameter);
}

QTEST_GUILESS_MAIN(tst_Codecs)
#include "tst_codecs.moc"
