// The imaging layer: instances, loading, turning, cutting and atomic saving.

#include "TestSupport.h"
#include "imaging/BitonalTiff.h"
#include "imaging/Encoders.h"
#include "imaging/Picture.h"
#include "imaging/Readers.h"

#include <QDir>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using imaging::Status;
using testsupport::entries;
using testsupport::rgb;

class tst_Imaging : public QObject
{
    Q_OBJECT

private slots:
    void missingReaders_data();
    void missingReaders();
    void loadFailures_data();
    void loadFailures();
    void turning_data();
    void turning();
    void cutEveryPixelFormat_data();
    void cutEveryPixelFormat();
    void cutOutsideRefused();
    void saveReplacesAtomically();
    void saveFailuresLeaveNothing();

private:
    QTemporaryDir dir_;
};

void tst_Imaging::missingReaders_data()
{
    QTest::addColumn<QList<QByteArray>>("available");
    QTest::addColumn<QStringList>("missing");
    const QList<QByteArray> all = {"bmp", "gif", "jpeg", "jpg", "png", "tiff", "tif", "webp"};
    QTest::newRow("every kind") << all << QStringList{};
    QList<QByteArray> withoutTiff = all;
    withoutTiff.removeAll("tiff");
    withoutTiff.removeAll("tif");
    QTest::newRow("no TIFF plugin") << withoutTiff << QStringList{"tiff"};
    QTest::newRow("nothing") << QList<QByteArray>{}
                             << QStringList{"bmp", "gif", "jpeg", "tiff", "png"};
}

void tst_Imaging::missingReaders()
{
    QFETCH(QList<QByteArray>, available);
    QFETCH(QStringList, missing);
    QCOMPARE(imaging::missingPictureReaders(available), missing);
}

void tst_Imaging::loadFailures_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no file
    QTest::addColumn<int>("status");
    QTest::newRow("missing") << QByteArray() << int(Status::FileNotFound);
    QTest::newRow("not a picture")
        << QByteArray("plain text, no picture") << int(Status::UnknownImageFormat);

    // A PNG whose header claims 20000 x 20000: beyond the allocation limit, refused
    // before anything is decoded.
    QByteArray huge = testsupport::encoded(QImage(1, 1, QImage::Format_ARGB32), "png");
    auto *p = reinterpret_cast<uchar *>(huge.data());
    qToBigEndian<quint32>(20000, p + 16);
    qToBigEndian<quint32>(20000, p + 20);
    qToBigEndian<quint32>(testsupport::crc32(huge.mid(12, 17)), p + 29);
    QTest::newRow("too large") << huge << int(Status::TooLarge);
}

void tst_Imaging::loadFailures()
{
    QFETCH(QByteArray, content);
    QFETCH(int, status);
    const QString path = dir_.filePath(QStringLiteral("bad %1.png").arg(QTest::currentDataTag()));
    if (!content.isEmpty())
        QVERIFY(testsupport::writeBytes(path, content));
    imaging::Picture picture;
    QCOMPARE(int(picture.load(path)), status);
    QVERIFY(!picture.isDecoded());
}

void tst_Imaging::turning_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("beforeDecoding");
    for (int code = 0; code < 4; ++code) {
        QTest::addRow("code %d after decoding", code) << code << false;
        QTest::addRow("code %d before decoding", code) << code << true;
    }
}

void tst_Imaging::turning()
{
    QFETCH(int, code);
    QFETCH(bool, beforeDecoding);
    const int w = 7;
    const int h = 5;
    const QImage source = testsupport::patternImage(w, h, QImage::Format_RGB32, 1);
    const QString path = dir_.filePath("turn.png");
    QVERIFY(testsupport::writePicture(source, path, "png"));

    imaging::Picture picture;
    if (beforeDecoding) {
        QCOMPARE(picture.open(path), Status::Ok);
        picture.turn(code);
        QCOMPARE(picture.decode(), Status::Ok);
    } else {
        QCOMPARE(picture.load(path), Status::Ok);
        picture.turn(code);
    }
    const QSizeF expectedSize = code % 2 ? QSizeF(h, w) : QSizeF(w, h);
    QCOMPARE(picture.dimensions(), expectedSize);
    const QImage &turned = picture.image();
    QCOMPARE(QSizeF(turned.size()), expectedSize);
    // Code 1 is 90° clockwise: the top-left of the turned picture is the source's
    // bottom-left.
    for (int y = 0; y < turned.height(); ++y)
        for (int x = 0; x < turned.width(); ++x) {
            const QPoint from = code == 1   ? QPoint(y, h - 1 - x)
                                : code == 2 ? QPoint(w - 1 - x, h - 1 - y)
                                : code == 3 ? QPoint(w - 1 - y, x)
                                            : QPoint(x, y);
            QCOMPARE(turned.pixel(x, y), source.pixel(from));
        }
}

void tst_Imaging::cutEveryPixelFormat_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QByteArray>("codec");
    QTest::addColumn<QList<QRgb>>("table"); // for a 1-bit source, when not empty
    QTest::addColumn<bool>("asPalette");    // the source turned into an 8-bit palette
    QTest::addColumn<int>("kept");          // the format keepingDepth gives; 0: none
    const int none = QImage::Format_Invalid, mono = QImage::Format_Mono,
              grey = QImage::Format_Grayscale8;
    const QList<QRgb> noTable;
    QTest::newRow("1-bit") << mono << QByteArray("png") << noTable << false << mono;
    QTest::newRow("palette") << int(QImage::Format_Indexed8) << QByteArray("png") << noTable
                             << false << none;
    QTest::newRow("grey") << grey << QByteArray("png") << noTable << false << grey;
    QTest::newRow("alpha") << int(QImage::Format_ARGB32) << QByteArray("png") << noTable << false
                           << none;
    QTest::newRow("16-bit") << int(QImage::Format_RGBA64) << QByteArray("png") << noTable << false
                            << none;
    QTest::newRow("24-bit bmp") << int(QImage::Format_RGB888) << QByteArray("bmp") << noTable
                                << false << none;
    QTest::newRow("tiff") << int(QImage::Format_RGB32) << QByteArray("tiff") << noTable << false
                          << none;
    QTest::newRow("16-bit grey") << int(QImage::Format_Grayscale16) << QByteArray("png") << noTable
                                 << false << grey;
    QTest::newRow("black and white palette")
        << mono << QByteArray("bmp") << noTable << true << mono;
    QTest::newRow("grey palette") << grey << QByteArray("bmp") << noTable << true << grey;
    QTest::newRow("1-bit of two greys")
        << mono << QByteArray("bmp") << QList<QRgb>{qRgb(60, 60, 60), qRgb(200, 200, 200)} << false
        << grey;
}

void tst_Imaging::cutEveryPixelFormat()
{
    QFETCH(int, format);
    QFETCH(QByteArray, codec);
    QFETCH(QList<QRgb>, table);
    QFETCH(bool, asPalette);
    QFETCH(int, kept);
    QImage source = testsupport::patternImage(33, 21, QImage::Format(format), 6);
    if (!table.isEmpty())
        source.setColorTable(table);
    if (asPalette)
        source = source.convertToFormat(QImage::Format_Indexed8);
    source.setDotsPerMeterX(testsupport::dotsPerMetre600);
    source.setDotsPerMeterY(testsupport::dotsPerMetre300);
    const QString path = dir_.filePath("cut." + codec);
    QVERIFY(testsupport::writePicture(source, path, codec.constData()));
    const QImage decoded = QImageReader(path).read();

    imaging::Picture picture;
    QCOMPARE(picture.load(path), Status::Ok);
    QImage piece;
    QCOMPARE(imaging::cutPiece(picture, 31, 2, 2, 19, piece), Status::Ok);
    QCOMPARE(piece.format(), QImage::Format_RGB888);
    QCOMPARE(piece, rgb(decoded.copy(31, 2, 2, 19)));
    QCOMPARE(piece.dotsPerMeterX(), decoded.dotsPerMeterX());
    QCOMPARE(piece.dotsPerMeterY(), decoded.dotsPerMeterY());

    // Black and white and grey pictures keep their depth, their pixels and resolution,
    // and are saved at that depth.
    const QImage deep = imaging::keepingDepth(decoded);
    QCOMPARE(int(deep.format()), kept);
    if (deep.isNull())
        return;
    QCOMPARE(rgb(deep), rgb(decoded));
    QCOMPARE(testsupport::dpi(deep), QSize(600, 300));
    const QString saved = dir_.filePath("kept.png");
    QVERIFY(imaging::savePicture(deep, saved, imaging::encodePng).ok());
    const QImage back(saved);
    QCOMPARE(back.depth(), deep.depth());
    QCOMPARE(rgb(back), rgb(deep));
}

void tst_Imaging::cutOutsideRefused()
{
    const QString path = dir_.filePath("small.png");
    QVERIFY(testsupport::writePicture(testsupport::patternImage(10, 10), path, "png"));
    imaging::Picture picture;
    QCOMPARE(picture.load(path), Status::Ok);
    QImage piece;
    QCOMPARE(imaging::cutPiece(picture, 5, 5, 6, 5, piece), Status::InvalidParameter);
    QCOMPARE(imaging::cutPiece(picture, -1, 0, 5, 5, piece), Status::InvalidParameter);
    QCOMPARE(imaging::cutPiece(picture, 0, 0, 0, 5, piece), Status::InvalidParameter);
    QCOMPARE(imaging::cutPiece(picture, 9, 9, 1, 1, piece), Status::Ok);
    QCOMPARE(piece.size(), QSize(1, 1));
}

void tst_Imaging::saveReplacesAtomically()
{
    QTemporaryDir out;
    const QString path = out.filePath("A00001.PNG");
    // Longer than the new file.
    QVERIFY(testsupport::writeBytes(path, QByteArray(100000, 'x')));
    const QImage piece = rgb(testsupport::patternImage(9, 9, QImage::Format_RGB32, 2));
    QVERIFY(imaging::savePicture(piece, path, imaging::encodePng).ok());
    QCOMPARE(rgb(QImage(path)), piece);
    QVERIFY(QFileInfo(path).size() < 100000);
    QCOMPARE(entries(out.path()), QStringList{"A00001.PNG"});
}

void tst_Imaging::saveFailuresLeaveNothing()
{
    QTemporaryDir out;
    const QImage piece = rgb(testsupport::patternImage(9, 9));
    // The target's name is held by a folder.
    QVERIFY(QDir(out.path()).mkdir("A00001.BMP"));
    const imaging::SaveResult held =
        imaging::savePicture(piece, out.filePath("A00001.BMP"), imaging::encodeBmp);
    QVERIFY(!held.ok());
    QVERIFY(!held.reason.isEmpty());
    // The folder is gone.
    QVERIFY(!imaging::savePicture(piece, out.filePath("gone/A00002.BMP"), imaging::encodeBmp).ok());
    // No encoder.
    QCOMPARE(imaging::savePicture(piece, out.filePath("A00003.GIF"), nullptr).status,
             Status::InvalidParameter);
    QCOMPARE(entries(out.path()), QStringList{"A00001.BMP"});
    QVERIFY(QFileInfo(out.filePath("A00001.BMP")).isDir());
}

QTEST_GUILESS_MAIN(tst_Imaging)
#include "tst_imaging.moc"
