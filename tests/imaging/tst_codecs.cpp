// The fast codec paths against Qt's own: JPEG decoded and encoded through TurboJPEG,
// PNG written with libdeflate, pieces cut and turned in one step.

#include "CodecFixtures.h"
#include "TestSupport.h"
#include "imaging/JpegCodec.h"
#include "imaging/Picture.h"
#include "imaging/PngWriter.h"
#include "imaging/TurnedCut.h"

#include <QColorSpace>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTransform>
#include <QtTest>

#include <turbojpeg.h>

using imaging::Status;
using testsupport::dotsPerMetre300;
using testsupport::dotsPerMetre600;
using testsupport::rgb;
using namespace codecfixtures;

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

// What the program makes of a JPEG its fast path does not take.
enum class Fallback {
    QtsPicture,    // the picture Qt's reader gives
    QtsConversion, // the same, left in the format Qt converted it to
    Refused,       // no picture, where Qt's reader gives one
};

} // namespace

Q_DECLARE_METATYPE(Fallback)

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
