// Writes the seed corpora of the fuzz targets into <root>/load, <root>/cut, <root>/layout
// and <root>/pdf, so that no binary input is kept in the repository.

#include "CutCase.h"
#include "imaging/BitonalTiff.h"
#include "imaging/JpegCodec.h"
#include "job/LayoutFile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImageWriter>

#include <cstdio>
#include <limits>

#ifdef SPLITTER_WITH_PDF
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>
#endif

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray encoded(const QImage &image, const char *format)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    return writer.write(image) ? buffer.data() : QByteArray();
}

// A 2 x 2 GIF89a with two frames, by hand: Qt reads GIF but cannot write it.
QByteArray tinyGif()
{
    static const unsigned char bytes[] = {
        'G',  'I',  'F', '8', '9', 'a', 2, 0, 2, 0, 0x80, 0, 0, // screen, 2-colour table
        0,    0,    0,   255, 255, 255,                         // black, white
        0x21, 0xF9, 4,   0,   10,  0,   0, 0,                   // graphic control
        0x2C, 0,    0,   0,   0,   2,   0, 2, 0, 0, 2,    3, 0x04, 0x08, 0x14, 0, // black frame
        0x21, 0xF9, 4,   0,   10,  0,   0, 0,                                     //
        0x2C, 0,    0,   0,   0,   2,   0, 2, 0, 0, 2,    3, 0x4C, 0x98, 0x14, 0, // white frame
        0x3B};
    return QByteArray(reinterpret_cast<const char *>(bytes), sizeof bytes);
}

void loadSeeds(const QDir &dir)
{
    QImage rgb(7, 5, QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            rgb.setPixel(x, y, qRgb(x * 30, y * 50, (x + y) * 20));
    QImage alpha = rgb.convertToFormat(QImage::Format_ARGB32);
    alpha.setPixel(0, 0, qRgba(10, 20, 30, 40));
    const struct
    {
        const char *name;
        QImage image;
        const char *format;
    } pictures[] = {
        {"rgb.bmp", rgb, "bmp"},
        {"rgb.jpg", rgb, "jpeg"},
        {"rgb.png", rgb, "png"},
        {"rgb.tif", rgb, "tiff"},
        {"alpha.png", alpha, "png"},
        {"alpha.tif", alpha, "tiff"},
        {"mono.bmp", rgb.convertToFormat(QImage::Format_Mono), "bmp"},
        {"mono.tif", rgb.convertToFormat(QImage::Format_Mono), "tiff"},
        {"palette.png", rgb.convertToFormat(QImage::Format_Indexed8), "png"},
        {"grey16.png", rgb.convertToFormat(QImage::Format_Grayscale16), "png"},
        {"rgb16.png", rgb.convertToFormat(QImage::Format_RGBX64), "png"},
        {"grey.jpg", rgb.convertToFormat(QImage::Format_Grayscale8), "jpeg"},
    };
    int rotation = 0;
    for (const auto &p : pictures) {
        // The first byte is the rotation code.
        const QByteArray body = encoded(p.image, p.format);
        writeFile(dir.filePath(QLatin1String(p.name)), char(rotation++ & 3) + body);
        writeFile(dir.filePath(QStringLiteral("cut-") + QLatin1String(p.name)),
                  char(1) + body.left(body.size() / 2));
    }
    writeFile(dir.filePath(QStringLiteral("two-frames.gif")), char(3) + tinyGif());
}

void cutSeeds(const QDir &dir)
{
    constexpr int32_t max = std::numeric_limits<int32_t>::max();
    constexpr int32_t min = std::numeric_limits<int32_t>::min();
    const CutCase cases[] = {
        {40, 30, 0, 0, 0, 1, {{0, 0, 20, 15}, {20, 0, 20, 15}, {0, 15, 20, 15}, {20, 15, 20, 15}}},
        {33, 17, 1, 1, 2, 2, {{0, 0, 17, 33}, {5, 5, 100, 100}}},
        {9, 13, 2, 2, 1, 3, {{-5, -5, 10, 10}, {8, 12, 1, 1}, {9, 0, 1, 1}}},
        {64, 1, 0, 3, 3, 4, {{0, 0, 1, 64}, {0, 63, 1, 1}}},
        {20,
         20,
         1,
         0,
         0,
         5,
         {{max, max, max, max}, {min, min, max, max}, {0, 0, 0, 0}, {3, 3, -2, 5}}},
    };
    int i = 0;
    for (const CutCase &c : cases)
        writeFile(dir.filePath(QStringLiteral("case%1").arg(i++)), encodeCutCase(c));
}

void layoutSeeds(const QDir &dir)
{
    constexpr qint32 max = std::numeric_limits<qint32>::max();
    SavedLayout four{{{{0, 0, 1240, 1754}, "A"},
                      {{1240, 0, 1240, 1754}, "B"},
                      {{0, 1754, 1240, 1754}, "A"},
                      {{1240, 1754, 1240, 1754}, "D"}},
                     Rotation::None,
                     QSize(2480, 3508)};
    int i = 0;
    for (const Rotation rotation :
         {Rotation::None, Rotation::Clockwise90, Rotation::HalfTurn, Rotation::Anticlockwise90}) {
        four.rotation = rotation;
        writeFile(dir.filePath(QStringLiteral("layout%1.json").arg(i++)), layoutFileBytes(four));
    }
    SavedLayout ten{{}, Rotation::Clockwise90, QSize(max, 1)};
    for (int k = 0; k < layoutMaxFrames; ++k)
        ten.frames.push_back({{max - 1 - k, k, 1, max - k}, QString(QChar(u'A' + k))});
    writeFile(dir.filePath(QStringLiteral("ten.json")), layoutFileBytes(ten));
    // Near misses, each refused for another reason.
    const QByteArray valid = layoutFileBytes(four);
    QByteArray newer = valid, negative = valid, letter = valid;
    writeFile(dir.filePath(QStringLiteral("newer.json")),
              newer.replace("\"format\": 1", "\"format\": 2"));
    writeFile(dir.filePath(QStringLiteral("negative.json")),
              negative.replace("\"x\": 0", "\"x\": -1"));
    writeFile(dir.filePath(QStringLiteral("letter.json")), letter.replace("\"D\"", "\"\\u4e66\""));
    writeFile(dir.filePath(QStringLiteral("cut.json")), valid.left(valid.size() / 2));
}

#ifdef SPLITTER_WITH_PDF
// One page drawing an image with the given dictionary and bytes through the content;
// the writer deflates the streams given without a filter.
QByteArray onePagePdf(const char *imageDict, const QByteArray &bytes, const char *content,
                      const char *page = "<< /Type /Page /MediaBox [0 0 72 72] >>")
{
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle image = QPDFObjectHandle::newStream(&pdf, bytes.toStdString());
    image.replaceDict(QPDFObjectHandle::parse(imageDict));
    QPDFObjectHandle pageObject = pdf.makeIndirectObject(QPDFObjectHandle::parse(page));
    pageObject.replaceKey("/Resources", QPDFObjectHandle::parse("<< /XObject << >> >>"));
    pageObject.getKey("/Resources").getKey("/XObject").replaceKey("/Im0", image);
    pageObject.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, content));
    QPDFPageDocumentHelper(pdf).addPage(pageObject, false);
    QPDFWriter writer(pdf);
    writer.setOutputMemory();
    writer.setStaticID(true);
    writer.write();
    const std::shared_ptr<Buffer> out = writer.getBufferSharedPointer();
    return QByteArray(reinterpret_cast<const char *>(out->getBuffer()), qsizetype(out->getSize()));
}

void pdfSeeds(const QDir &dir)
{
    QImage rgb(7, 5, QImage::Format_RGB888);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            rgb.setPixel(x, y, qRgb(x * 30, y * 50, (x + y) * 20));
    const QImage mono = rgb.convertToFormat(QImage::Format_Mono);
    const QByteArray pixels(reinterpret_cast<const char *>(rgb.constBits()), rgb.sizeInBytes());
    const char *drawn = "q 72 0 0 72 0 0 cm /Im0 Do Q";
    const char *image = "<< /Type /XObject /Subtype /Image /Width 7 /Height 5 ";
    auto dict = [image](const char *rest) { return QByteArray(image) + rest; };
    writeFile(dir.filePath(QStringLiteral("jpeg-turned.pdf")),
              onePagePdf(dict("/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode >>"),
                         imaging::jpeg::encode(rgb, 90), drawn,
                         "<< /Type /Page /MediaBox [0 0 72 72] /Rotate -90 >>"));
    QByteArray rows; // 7 RGB pixels a row, unpadded
    for (int y = 0; y < rgb.height(); ++y)
        rows += pixels.mid(y * rgb.bytesPerLine(), 21);
    writeFile(dir.filePath(QStringLiteral("flate-rgb.pdf")),
              onePagePdf(dict("/ColorSpace /DeviceRGB /BitsPerComponent 8 >>"), rows, drawn));
    writeFile(dir.filePath(QStringLiteral("indexed.pdf")),
              onePagePdf(dict("/ColorSpace [/Indexed /DeviceRGB 1 <000000FF8000>] "
                              "/BitsPerComponent 1 >>"),
                         QByteArray(5, '\x5A'), drawn));
    writeFile(dir.filePath(QStringLiteral("grey-inverted.pdf")),
              onePagePdf(dict("/ColorSpace /DeviceGray /BitsPerComponent 1 /Decode [1 0] >>"),
                         QByteArray(5, '\xA5'), drawn,
                         "<< /Type /Page /MediaBox [0 0 72 72] "
                         "/CropBox [0.2 0.1 72 71.8] >>"));
    imaging::Group4Strip strip;
    if (imaging::readGroup4Strip(imaging::encodeGroup4Tiff(mono), strip))
        writeFile(dir.filePath(QStringLiteral("group4.pdf")),
                  onePagePdf(dict("/ColorSpace /DeviceGray /BitsPerComponent 1 "
                                  "/Filter /CCITTFaxDecode "
                                  "/DecodeParms << /K -1 /Columns 7 /Rows 5 >> >>"),
                             strip.data, drawn));
    // Pages for the renderer: a drawing, and an image that covers half the page.
    writeFile(dir.filePath(QStringLiteral("drawing.pdf")),
              onePagePdf(dict("/ColorSpace /DeviceGray /BitsPerComponent 8 >>"),
                         QByteArray(35, '\x80'), "0 0 1 rg 10 10 50 50 re f 1 w 0 0 m 72 72 l S"));
    writeFile(dir.filePath(QStringLiteral("half.pdf")),
              onePagePdf(dict("/ColorSpace /DeviceGray /BitsPerComponent 8 >>"),
                         QByteArray(35, '\x80'), "q 36 0 0 72 0 0 cm /Im0 Do Q"));
}
#endif

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-fuzz-seeds <folder>\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    for (const char *sub : {"load", "cut", "layout", "pdf"})
        if (!root.mkpath(QLatin1String(sub)))
            return 1;
    loadSeeds(QDir(root.filePath(QStringLiteral("load"))));
    cutSeeds(QDir(root.filePath(QStringLiteral("cut"))));
    layoutSeeds(QDir(root.filePath(QStringLiteral("layout"))));
#ifdef SPLITTER_WITH_PDF
    pdfSeeds(QDir(root.filePath(QStringLiteral("pdf"))));
#endif
    return 0;
}
