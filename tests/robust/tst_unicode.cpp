// Chinese, Japanese, emoji, full-width and decomposed names with blanks, for pictures and
// output folders: through step 1's list and step 3's run, and through the bare batch.

#include "RobustSupport.h"
#include "TestSupport.h"
#include "job/NaturalOrder.h"
#include "job/SplitJob.h"
#include "output/OutputWindow.h"
#include "select/PictureListWindow.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace robust;
using namespace testsupport;

class tst_Unicode : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void throughStepOneAndThree();
    void throughTheBatch_data();
    void throughTheBatch();

private:
    QTemporaryDir dir_;
    QString pictureFolder_;
    QStringList pictures_;
    std::vector<QImage> sources_; // as each file decodes
};

void tst_Unicode::initTestCase()
{
    QVERIFY(dir_.isValid());
    pictureFolder_ = dir_.filePath(QStringLiteral("书 目 😀/スキャン　原稿"));
    QVERIFY(QDir().mkpath(pictureFolder_));
    const struct
    {
        QString name;
        const char *format;
    } files[] = {
        {QStringLiteral("扫描 第1页.png"), "png"},
        {QStringLiteral("スキャン ページ２.jpg"), "jpeg"},
        {QStringLiteral("😀 emoji 📚.tif"), "tiff"},
        {QStringLiteral("Ａ４　全角.bmp"), "bmp"},
        {QStringLiteral("e\u0301te\u0301 de\u0301compose\u0301.gif"), "gif"},
        {QStringLiteral("Ünïcödé x y.PNG"), "png"},
    };
    int seed = 0;
    for (const auto &f : files) {
        const QString path = pictureFolder_ + QLatin1Char('/') + f.name;
        const QImage image = testsupport::patternImage(48, 36, QImage::Format_RGB32, ++seed);
        if (qstrcmp(f.format, "gif") == 0)
            QVERIFY(fixtures::writeGif(image, path));
        else
            QVERIFY(testsupport::writePicture(image, path, f.format, 95));
        pictures_ << path;
        sources_.push_back(QImageReader(path).read());
        QVERIFY2(!sources_.back().isNull(), qPrintable(path));
    }
    // The names are kept as written: the decomposed one is not normalised on the way.
    QVERIFY(QDir(pictureFolder_)
                .entryList()
                .contains(QStringLiteral("e\u0301te\u0301 de\u0301compose\u0301.gif")));
}

void tst_Unicode::cleanup()
{
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void tst_Unicode::throughStepOneAndThree()
{
    testsupport::ScriptedBoxes boxes;
    testsupport::ScriptedDialogs dialogs;
    SplitJob job;
    PictureListWindow step1(job);
    // Two picks: one file alone, then the rest together from the same folder.
    dialogs.pickFiles({pictures_.first()});
    dialogs.pickFiles(pictures_.mid(1));
    auto *add = testsupport::control<QPushButton>(step1, "addButton");
    auto *list = testsupport::control<QListWidget>(step1, "pictureList");
    QVERIFY(add && list);
    QTest::mouseClick(add, Qt::LeftButton);
    QTest::mouseClick(add, Qt::LeftButton);
    QStringList listed;
    for (int i = 0; i < list->count(); ++i)
        listed << list->item(i)->text();
    // Picked together, the rest enter in page order.
    QStringList expected;
    for (const QString &path : QStringList{pictures_.first()} + naturallySorted(pictures_.mid(1)))
        expected << QDir::toNativeSeparators(path);
    QCOMPARE(listed, expected);
    QCOMPARE(job.pictures, expected);

    // Three quarters of the 48 x 36 pictures, and a frame past their right and bottom edges.
    job.frames = {{{0, 0, 24, 18}, "A"},
                  {{24, 0, 24, 18}, "B"},
                  {{0, 18, 24, 18}, "C"},
                  {{20, 10, 100, 100}, "D"}};
    const QString out = dir_.filePath(QStringLiteral("输出 ページ 📁"));
    QVERIFY(QDir().mkpath(out));
    OutputWindow step3(job);
    auto *folder = testsupport::control<QLineEdit>(step3, "folderEdit");
    QVERIFY(folder);
    folder->setText(QStringLiteral("  ") + out + QStringLiteral("  "));
    QSignalSpy finished(&step3, &OutputWindow::runFinished);
    step3.startRun();
    QVERIFY(finished.wait(60000));

    QVERIFY(boxes.shown().empty()); // no failure to report
    QCOMPARE(entries(out).size(), 24);
    const RunOutcome outcome = step3.engine().lastOutcome();
    QVERIFY(outcome.unreadable.isEmpty() && outcome.unsaved.isEmpty());
    // Numbered in the list's order.
    const RunSnapshot s = snapshotFor(job.pictures, out, job.frames);
    for (int i = 0; i < expected.size(); ++i) {
        const auto source = size_t(pictures_.indexOf(QDir::fromNativeSeparators(expected.at(i))));
        const QString wrong = comparePieces(out, s, i + 1, sources_[source], ".BMP", 2);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }
}

void tst_Unicode::throughTheBatch_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("format");
    QTest::newRow("Chinese, TIF") << QStringLiteral("分割 结果/第 一 册") << int(OutputFormat::Tif);
    QTest::newRow("Japanese, PNG") << QStringLiteral("出力　フォルダ") << int(OutputFormat::Png);
    QTest::newRow("emoji, JPG") << QStringLiteral("📚 out 😀") << int(OutputFormat::Jpg);
    QTest::newRow("decomposed, closing blank, BMP")
        << QStringLiteral("re\u0301sultats ») ") << int(OutputFormat::Bmp);
}

void tst_Unicode::throughTheBatch()
{
    QFETCH(QString, folder);
    QFETCH(int, format);
    const QString out = dir_.filePath(folder);
    QVERIFY(QDir().mkpath(out));
    BatchEngine engine;
    engine.setFormat(OutputFormat(format));
    // As the folder chooser gives it: with its separator, so a closing blank stays.
    const RunSnapshot s =
        snapshotFor(pictures_, out + QLatin1Char('/'),
                    {{{5, 3, 30, 20}, "甲"}, {{30, 20, 99, 99}, "乙"}}, Rotation::Clockwise90);
    const RunOutcome outcome = engine.runNow(s);
    QVERIFY(outcome.unreadable.isEmpty());
    QVERIFY(outcome.unsaved.isEmpty());
    QCOMPARE(outcome.piecesSaved, 12);
    QVERIFY(onlyPieces(out));
    QCOMPARE(entries(out).size(), 12);
    const QString extension = extensionOf(OutputFormat(format));
    for (int i = 0; i < pictures_.size(); ++i) {
        const QImage turned = fixtures::turnedReference(sources_[size_t(i)], 1);
        // JPEG's own loss on the pattern is large; its pixels are checked by the batch's tests.
        const int tolerance = format == int(OutputFormat::Jpg) ? 255 : 2;
        const QString wrong = comparePieces(s.folder, s, i + 1, turned, extension, tolerance);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }
}

QTEST_MAIN(tst_Unicode)
#include "tst_unicode.moc"
