// A long run: 500 pictures of five formats and four sizes, stopped once and started
// again. The second run leaves exactly the expected files, all right, no temporary file,
// and its memory stays flat from a quarter of the way to the end.

#include "RobustSupport.h"
#include "SystemFixtures.h"
#include "TestSupport.h"

#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <memory>

using namespace robust;
using namespace testsupport;

namespace {

constexpr int pictureCount = 500;

// AddressSanitizer holds freed memory back in quarantine (256 MB by default), so its
// resident size grows whatever the program does.
#if defined(__SANITIZE_ADDRESS__)
constexpr double allowedGrowthMb = 320;
#else
constexpr double allowedGrowthMb = 24;
#endif

} // namespace

class tst_Soak : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void stoppedOnceAndRunAgain();

private:
    QTemporaryDir dir_;
    QStringList pictures_;
    std::vector<QImage> sources_;
};

void tst_Soak::initTestCase()
{
    QVERIFY(dir_.isValid());
    const char *formats[] = {"bmp", "png", "tiff", "jpeg", "gif"};
    const char *extensions[] = {"bmp", "png", "tif", "jpg", "gif"};
    const QSize sizes[] = {{120, 90}, {90, 120}, {100, 75}, {131, 97}};
    for (int i = 0; i < pictureCount; ++i) {
        const int f = i % 5;
        const QString path = dir_.filePath(
            QStringLiteral("p%1.%2").arg(i, 3, 10, QLatin1Char('0')).arg(extensions[f]));
        const QImage image = testsupport::patternImage(
            sizes[(i / 5) % 4].width(), sizes[(i / 5) % 4].height(), QImage::Format_RGB32, i);
        if (f == 4)
            QVERIFY(fixtures::writeGif(image, path));
        else
            QVERIFY(testsupport::writePicture(image, path, formats[f], 90));
        pictures_ << path;
        sources_.push_back(QImageReader(path).read());
        QVERIFY(!sources_.back().isNull());
    }
}

void tst_Soak::stoppedOnceAndRunAgain()
{
    const QString out = dir_.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(out));
    const RunSnapshot s = snapshotFor(pictures_, out,
                                      {{{0, 0, 60, 45}, "A"},
                                       {{60, 0, 60, 45}, "B"},
                                       {{0, 45, 60, 45}, "C"},
                                       {{60, 45, 80, 80}, "D"}});
    const qint64 total = qint64(pictureCount) * 4;

    BatchEngine engine;
    struct Watch
    {
        std::atomic<bool> stopAt777{true};
        std::atomic<double> atQuarter{0};
        std::atomic<double> atEnd{0};
    };
    auto watch = std::make_shared<Watch>();
    connect(
        &engine, &BatchEngine::progress, &engine,
        [watch, &engine, total](qint64 done, qint64) {
            if (done == 777 && watch->stopAt777)
                engine.requestStop();
            if (done == total / 4)
                watch->atQuarter = residentMb();
            if (done == total)
                watch->atEnd = residentMb();
        },
        Qt::DirectConnection);

    // First run, stopped about a third of the way.
    QVERIFY(engine.start(s));
    engine.wait();
    const RunOutcome first = engine.lastOutcome();
    QVERIFY(first.stopped);
    QVERIFY(first.piecesSaved >= 777 && first.piecesSaved < total);
    QVERIFY(onlyPieces(out));
    QCOMPARE(qint64(entries(out).size()), first.piecesSaved);

    // Started again from the first picture: every piece, each file once.
    watch->stopAt777 = false;
    QVERIFY(engine.start(s));
    engine.wait();
    const RunOutcome second = engine.lastOutcome();
    QVERIFY(!second.stopped);
    QVERIFY(second.unreadable.isEmpty());
    QVERIFY(second.unsaved.isEmpty());
    QCOMPARE(second.piecesSaved, total);

    std::vector<QSize> sizes;
    for (const QImage &source : sources_)
        sizes.push_back(source.size());
    const std::vector<ExpectedPiece> pieces = expectedPieces(s, sizes, ".BMP");
    QCOMPARE(qint64(pieces.size()), total);
    QSet<QString> expected;
    for (const ExpectedPiece &p : pieces)
        expected.insert(QFileInfo(p.path).fileName());
    const QStringList present = entries(out);
    QCOMPARE(QSet<QString>(present.begin(), present.end()), expected);
    QCOMPARE(qint64(present.size()), total);
    for (const ExpectedPiece &p : pieces) {
        // JPEG sources decode alike in the engine and in Qt, up to rounding.
        const QString wrong = comparePiece(p.path, sources_[size_t(p.picture)], p.rect, 2);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }

    QVERIFY(watch->atQuarter > 0 && watch->atEnd > 0);
    const double growth = watch->atEnd - watch->atQuarter;
    qInfo("resident memory %.1f MiB at a quarter of the run, %.1f MiB at its end",
          double(watch->atQuarter), double(watch->atEnd));
    QVERIFY2(growth < allowedGrowthMb, qPrintable(QString::number(growth)));
}

QTEST_GUILESS_MAIN(tst_Soak)
#include "tst_soak.moc"
