// A book's PDF made from saved pieces, checked with the tools people open it with:
// qpdf's check, poppler's image list, extraction and rendering, and MuPDF's rendering.

#include "imaging/BitonalTiff.h"
#include "imaging/Encoders.h"
#include "imaging/PdfBook.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

#include <optional>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/resource.h>
#endif

using imaging::Status;

namespace {

struct ToolRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    ToolRun run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

int dotsPerMetre(int dpi)
{
    return qRound(dpi / 0.0254);
}

// A page with blocks of "text" on white; colour and grey pages get noise as well, so
// that a swapped channel or a shifted row shows.
QImage pagePicture(const QString &kind, int index)
{
    const QSize size(160 + 24 * index, 120 + 8 * index);
    QRandomGenerator random(quint32(7 + index));
    QImage page(size, QImage::Format_RGB888);
    for (int y = 0; y < page.height(); ++y) {
        uchar *row = page.scanLine(y);
        for (int x = 0; x < page.width(); ++x) {
            const bool ink = (y / 6) % 3 == 1 && (x / 5 + y / 18) % 7 != 0;
            const uchar base = ink ? 20 : 235;
            const uint noise = random.bounded(20u);
            row[3 * x] = uchar(base + noise);
            row[3 * x + 1] = uchar(base + (noise * 3) % 20);
            row[3 * x + 2] = uchar(base + (noise * 7) % 20);
        }
    }
    if (kind == QLatin1String("grey"))
        return page.convertToFormat(QImage::Format_Grayscale8);
    if (!kind.startsWith(QLatin1String("mono")))
        return page;
    QImage mono = page.convertToFormat(QImage::Format_Mono, {qRgb(0, 0, 0), qRgb(255, 255, 255)},
                                       Qt::ThresholdDither);
    // "monow": the same page with white as colour 0, as min-is-white scans store it.
    if (kind == QLatin1String("monow")) {
        mono.invertPixels();
        mono.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    }
    return mono;
}

QByteArray writtenByQt(const QImage &picture, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return QImageWriter(&buffer, format).write(picture) ? bytes : QByteArray();
}

// The piece's file as the program saves it: 24-bit pieces through its own encoders.
QByteArray pieceBytes(const QImage &picture, const QString &format)
{
    if (picture.format() == QImage::Format_RGB888) {
        if (format == QLatin1String("jpg"))
            return imaging::encodeJpegQuality100(picture);
        if (format == QLatin1String("png"))
            return imaging::encodePng(picture);
        if (format == QLatin1String("bmp"))
            return imaging::encodeBmp(picture);
        return imaging::encodeUncompressedTiff(picture);
    }
    if (format == QLatin1String("tif-g4"))
        return imaging::encodeGroup4Tiff(picture);
    return writtenByQt(picture, format == QLatin1String("tif") ? "tiff" : qPrintable(format));
}

// Writes "format:kind:dpi" ("tif-g4:mono:600", "png:grey:none") as a piece file.
QString writePiece(const QString &folder, const QString &recipe, int index, QImage &picture)
{
    const QStringList parts = recipe.split(QLatin1Char(':'));
    picture = pagePicture(parts[1], index);
    if (parts[2] != QLatin1String("none")) {
        picture.setDotsPerMeterX(dotsPerMetre(parts[2].toInt()));
        picture.setDotsPerMeterY(dotsPerMetre(parts[2].toInt()));
    }
    const QString path =
        folder + QStringLiteral("/第%1页.").arg(index) + parts[0].section(QLatin1Char('-'), 0, 0);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(pieceBytes(picture, parts[0])) <= 0)
        return {};
    return path;
}

#ifdef Q_OS_LINUX
// While it lives no file may grow past the limit, as on a full disk: a write beyond fails
// (EFBIG) instead of ending the process.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old_);
        handler_ = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, old_.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, handler_);
    }

private:
    rlimit old_{};
    void (*handler_)(int) = nullptr;
};
#endif

QStringList missingTools()
{
    QStringList missing;
    for (const char *tool : {"qpdf", "pdfimages", "pdftoppm", "pdfinfo", "mutool"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            missing << QString::fromLatin1(tool);
    }
    return missing;
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                                  QDir::Name);
}

QImage comparable(const QImage &picture, const QString &kind)
{
    return picture.convertToFormat(kind == QLatin1String("rgb") ? QImage::Format_RGB888
                                                                : QImage::Format_Grayscale8);
}

} // namespace

class PdfBookTest : public QObject
{
    Q_OBJECT

private slots:
    void pagesKeepEveryPiece_data();
    void pagesKeepEveryPiece();
    void unreadablePieceWritesNothing_data();
    void unreadablePieceWritesNothing();
};

void PdfBookTest::pagesKeepEveryPiece_data()
{
    QTest::addColumn<QStringList>("pieces");
    QTest::newRow("JPEG colour and grey, bytes as saved")
        << QStringList{"jpg:rgb:300", "jpg:grey:600", "jpg:rgb:none"};
    QTest::newRow("lossless colour") << QStringList{"png:rgb:300", "bmp:rgb:600", "tif:rgb:none"};
    QTest::newRow("lossless grey") << QStringList{"png:grey:600", "bmp:grey:300", "tif:grey:none"};
    QTest::newRow("1-bit, Group 4 TIFF taken as it is") << QStringList{
        "tif-g4:mono:600", "png:monow:300", "bmp:mono:none", "tif-g4:monow:300", "tif:mono:300"};
    QTest::newRow("mixed book") << QStringList{"jpg:rgb:300", "tif-g4:mono:600", "png:grey:300",
                                               "bmp:rgb:600", "png:rgb:72"};
}

void PdfBookTest::pagesKeepEveryPiece()
{
    QFETCH(QStringList, pieces);
    if (!missingTools().isEmpty())
        QSKIP(qPrintable(QStringLiteral("missing: ") + missingTools().join(QLatin1Char(' '))));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QStringList files;
    QList<QImage> pictures;
    for (const QString &recipe : pieces) {
        QImage picture;
        files << writePiece(dir.path(), recipe, int(files.size()), picture);
        QVERIFY2(!files.last().isEmpty(), qPrintable(recipe));
        pictures << picture;
    }
    // An older book of that name is replaced.
    const QString book = dir.filePath(QStringLiteral("书 一.pdf"));
    QFile old(book);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old book") > 0);
    old.close();
    const QDateTime created(QDate(2026, 12, 8), QTime(9, 30, 5), QTimeZone(8 * 3600));
    const imaging::SaveResult saved =
        imaging::writePdfBook(files, book, {QStringLiteral("第一册"), created});
    QVERIFY2(saved.ok(), qPrintable(saved.reason));
    QCOMPARE(entries(dir.path()).size(), files.size() + 1);

    const ToolRun check = runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), book});
    QVERIFY2(check.exitCode == 0, qPrintable(check.out + check.err));

    const ToolRun info =
        runTool(QStringLiteral("pdfinfo"),
                {QStringLiteral("-rawdates"), QStringLiteral("-f"), QStringLiteral("1"),
                 QStringLiteral("-l"), QString::number(files.size()), book});
    QVERIFY(info.out.contains(QStringLiteral("Title:           第一册")));
    QVERIFY(info.out.contains(QStringLiteral("Producer:        青禾图片分割器 1.2")));
    QVERIFY2(info.out.contains(QStringLiteral("CreationDate:    D:20261208093005+08'00'")),
             qPrintable(info.out));
    QVERIFY(info.out.contains(QStringLiteral("Pages:           %1").arg(files.size())));

    const ToolRun list = runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), book});
    const QStringList rows = list.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
    QCOMPARE(rows.size(), files.size());
    const QString extracted = dir.filePath(QStringLiteral("out/im"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("out")));
    QCOMPARE(
        runTool(QStringLiteral("pdfimages"), {QStringLiteral("-all"), book, extracted}).exitCode,
        0);
    QCOMPARE(runTool(QStringLiteral("pdfimages"), {QStringLiteral("-png"), book, extracted + "p"})
                 .exitCode,
             0);
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QString recipe = pieces[i];
        const QImage &picture = pictures[i];
        const QString kind = recipe.section(QLatin1Char(':'), 1, 1);
        const bool jpeg = recipe.startsWith(QLatin1String("jpg"));
        // page num type width height color comp bpc enc ...
        const QStringList f = rows[i].simplified().split(QLatin1Char(' '));
        const QStringList expected = {
            QString::number(i + 1),
            QString::number(i),
            QStringLiteral("image"),
            QString::number(picture.width()),
            QString::number(picture.height()),
            kind == QLatin1String("rgb") ? QStringLiteral("rgb") : QStringLiteral("gray"),
            kind == QLatin1String("rgb") ? QStringLiteral("3") : QStringLiteral("1"),
            kind.startsWith(QLatin1String("mono")) ? QStringLiteral("1") : QStringLiteral("8"),
            jpeg                                     ? QStringLiteral("jpeg")
            : kind.startsWith(QLatin1String("mono")) ? QStringLiteral("ccitt")
                                                     : QStringLiteral("image")};
        QCOMPARE(f.mid(0, 9), expected);

        const QString number = QStringLiteral("-%1").arg(i, 3, 10, QLatin1Char('0'));
        if (jpeg) {
            QFile piece(files[i]), copy(extracted + number + QStringLiteral(".jpg"));
            QVERIFY(piece.open(QIODevice::ReadOnly) && copy.open(QIODevice::ReadOnly));
            QVERIFY2(piece.readAll() == copy.readAll(), qPrintable(recipe));
        } else {
            const QImage page(extracted + QStringLiteral("p") + number + QStringLiteral(".png"));
            QVERIFY2(comparable(page, kind) == comparable(picture, kind), qPrintable(recipe));
        }

        const int dpi = recipe.section(QLatin1Char(':'), 2, 2).toInt();
        // Pieces without a resolution carry Qt's default or 72 dpi; their pages are at 300.
        const double points = 72.0 / (dpi > 72 ? dpi : 300);
        const QRegularExpressionMatch size =
            QRegularExpression(
                QStringLiteral("Page +%1 size: +([0-9.]+) x ([0-9.]+) pts").arg(i + 1))
                .match(info.out);
        QVERIFY2(size.hasMatch(), qPrintable(info.out));
        QVERIFY(qAbs(size.captured(1).toDouble() - picture.width() * points) < 0.01);
        QVERIFY(qAbs(size.captured(2).toDouble() - picture.height() * points) < 0.01);
    }

    const ToolRun poppler =
        runTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("20"), book,
                                             dir.filePath(QStringLiteral("out/pop"))});
    QVERIFY2(poppler.exitCode == 0 && poppler.err.isEmpty(), qPrintable(poppler.err));
    const ToolRun mupdf =
        runTool(QStringLiteral("mutool"),
                {QStringLiteral("draw"), QStringLiteral("-r"), QStringLiteral("20"),
                 QStringLiteral("-o"), dir.filePath(QStringLiteral("out/mu%d.png")), book});
    QVERIFY2(mupdf.exitCode == 0 && !mupdf.err.contains(QLatin1String("error")),
             qPrintable(mupdf.err));
    const QStringList rendered = entries(dir.filePath(QStringLiteral("out")));
    QCOMPARE(rendered.filter(QStringLiteral("pop")).size(), files.size());
    QCOMPARE(rendered.filter(QStringLiteral("mu")).size(), files.size());
}

void PdfBookTest::unreadablePieceWritesNothing_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("olderBook");
    QTest::addColumn<int>("status");
    QTest::newRow("missing piece") << "missing" << false << int(Status::FileNotFound);
    QTest::newRow("PNG cut short, older book kept")
        << "cut png" << true << int(Status::UnknownImageFormat);
    QTest::newRow("JPEG cut short") << "cut jpg" << false << int(Status::UnknownImageFormat);
    QTest::newRow("not a picture") << "text" << false << int(Status::UnknownImageFormat);
    QTest::newRow("folder of the book missing") << "folder" << false << int(Status::AccessDenied);
    QTest::newRow("disk full, older book kept") << "full" << true << int(Status::WriteFailed);
}

void PdfBookTest::unreadablePieceWritesNothing()
{
    QFETCH(QString, fault);
    QFETCH(bool, olderBook);
    QFETCH(int, status);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QStringList files;
    QImage picture;
    files << writePiece(dir.path(), QStringLiteral("png:rgb:300"), 0, picture);
    files << writePiece(dir.path(), QStringLiteral("jpg:rgb:300"), 1, picture);
    QString bad = dir.filePath(QStringLiteral("坏 页.png"));
    QFile file(bad);
    if (fault == QLatin1String("cut png") || fault == QLatin1String("cut jpg")) {
        const QString format = fault.right(3);
        bad = writePiece(dir.path(), format + QStringLiteral(":rgb:300"), 2, picture);
        file.setFileName(bad);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.resize(file.size() / 2));
    } else if (fault == QLatin1String("text")) {
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("no picture here") > 0);
    } else if (fault == QLatin1String("folder") || fault == QLatin1String("full")) {
        bad = files.takeLast();
    }
    file.close();
    files.insert(1, bad);
    const QString book = fault == QLatin1String("folder")
                             ? dir.filePath(QStringLiteral("gone/book.pdf"))
                             : dir.filePath(QStringLiteral("book.pdf"));
    if (olderBook) {
        QFile old(book);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old book") > 0);
    }
    const QStringList before = entries(dir.path());

#ifdef Q_OS_LINUX
    std::optional<FileSizeLimit> full;
    if (fault == QLatin1String("full"))
        full.emplace(4096);
#else
    if (fault == QLatin1String("full"))
        QSKIP("the file-size limit is Linux's");
#endif
    const imaging::SaveResult saved = imaging::writePdfBook(files, book, {});
#ifdef Q_OS_LINUX
    full.reset();
#endif
    QCOMPARE(int(saved.status), status);
    const bool bookFault = fault == QLatin1String("folder") || fault == QLatin1String("full");
    const QString named = bookFault ? book : bad;
    QVERIFY2(saved.reason.contains(QDir::toNativeSeparators(named)), qPrintable(saved.reason));
    QCOMPARE(entries(dir.path()), before);
    if (olderBook) {
        QFile old(book);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old book"));
    }
}

QTEST_GUILESS_MAIN(PdfBookTest)
#include "tst_pdfbook.moc"
