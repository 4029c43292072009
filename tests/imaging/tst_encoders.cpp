// The four encoders keep 1-bit and grey pieces at their depth, with resolution and colour
// profile; 1-bit TIFF is Group 4 through libtiff, whose strips are read as stored.

#include "CodecFixtures.h"
#include "TestSupport.h"
#include "imaging/BitonalTiff.h"
#include "imaging/Encoders.h"
#include "imaging/RawWriters.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageReader>
#include <QPainter>
#include <QtTest>

#include <cstring>
#include <map>

using testsupport::dotsPerMetre300;
using testsupport::dotsPerMetre600;
using testsupport::rgb;
using namespace codecfixtures;

namespace {

// The pixels a piece is encoded from.
enum class Pixels { Rgb, Grey, WhiteFirst, BlackFirst };

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

} // namespace

Q_DECLARE_METATYPE(Pixels)

class tst_Encoders : public QObject
{
    Q_OBJECT

private slots:
    void encodersKeepPixels_data();
    void encodersKeepPixels();
    void group4Tiff_data();
    void group4Tiff();
};

void tst_Encoders::encodersKeepPixels_data()
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

void tst_Encoders::encodersKeepPixels()
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
                 comparable(QImage::fromData(testsupport::encoded(image, "jpeg", 100))));
    else
        QCOMPARE(comparable(back), comparable(image.copy()));
    // 1-bit and grey pictures keep their depth (JPEG has no 1-bit).
    if (pixels != Pixels::Rgb)
        QCOMPARE(back.depth(), format == "jpeg" ? 8 : image.depth());
    QCOMPARE(testsupport::dpi(back), QSize(600, 300));
    const bool kept = !profile.isEmpty() && format != "bmp" && pixels == Pixels::Rgb;
    QCOMPARE(back.colorSpace().iccProfile(), kept ? profile : QByteArray());
}

void tst_Encoders::group4Tiff_data()
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

void tst_Encoders::group4Tiff()
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

QTEST_GUILESS_MAIN(tst_Encoders)
#include "tst_encoders.moc"
