// qinghe-split's command line read into options: every option in both spellings, the
// defaults the windows have, and each mistake named.

#include "cli/SplitOptions.h"

#include <QtTest>

class tst_SplitOptions : public QObject
{
    Q_OBJECT

private slots:
    void accepted_data();
    void accepted();
    void refused_data();
    void refused();
};

namespace {

QStringList command(const char *line)
{
    return QStringLiteral("qinghe-split %1")
        .arg(QString::fromUtf8(line))
        .split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

void tst_SplitOptions::accepted_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("request");
    QTest::addColumn<int>("parts");
    QTest::addColumn<int>("degrees"); // -1: not given
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("threads");
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QStringList>("inputs");
    // For runs across many machines: the first picture, then "skip", "dry", the manifest;
    // then the choices for pages: "depth", "pdf", the PDF resolution when not 300.
    QTest::addColumn<QString>("shard");
    const int run = int(CommandRequest::Run);
    QTest::newRow("defaults: 4 parts, BMP, every core")
        << command("--out 目录 a.jpg") << run << 4 << -1 << 0 << 0 << "" << QStringList{"a.jpg"}
        << "1";
    QTest::newRow("every option with its value after it")
        << command("--parts 3 --rotate 270 --format JPG --threads 2 --out o a.jpg 书") << run << 3
        << 270 << 3 << 2 << "" << QStringList{"a.jpg", "书"} << "1";
    QTest::newRow("values after =")
        << command("--layout=l.json --rotate=90 --format=png --threads=1 --out=o a.tif") << run << 4
        << 90 << 2 << 1 << "l.json" << QStringList{"a.tif"} << "1";
    QTest::newRow("parts as step 1 reads them, blanks trimmed")
        << QStringList{"qinghe-split", "--parts", " 10 ", "--out", "o", "p"} << run << 10 << -1 << 0
        << 0 << "" << QStringList{"p"} << "1";
    QTest::newRow("-- ends the options, - is a name")
        << command("--out o -- --parts.jpg - x") << run << 4 << -1 << 0 << 0 << ""
        << QStringList{"--parts.jpg", "-", "x"} << "1";
    QTest::newRow("a shard: first picture, pieces kept, a manifest")
        << command("--first-picture 251 --skip-existing --manifest=m.jsonl --out o a") << run << 4
        << -1 << 0 << 0 << "" << QStringList{"a"} << "251 skip m.jsonl";
    QTest::newRow("a plan only") << command("--dry-run --out o a") << run << 4 << -1 << 0 << 0 << ""
                                 << QStringList{"a"} << "1 dry";
    QTest::newRow("depth kept, books, PDF pages drawn finer")
        << command("--keep-depth --pdf --pdf-dpi=600 --out o a.pdf") << run << 4 << -1 << 0 << 0
        << "" << QStringList{"a.pdf"} << "1 depth pdf 600dpi";
    QTest::newRow("help wins over a mistake")
        << command("--bogus --version -h") << 1 << 4 << -1 << 0 << 0 << "" << QStringList{} << "1";
    QTest::newRow("version") << command("--version") << 2 << 4 << -1 << 0 << 0 << ""
                             << QStringList{} << "1";
}

void tst_SplitOptions::accepted()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, request);
    QFETCH(int, degrees);
    QFETCH(QStringList, inputs);
    const ParsedArguments parsed = parseSplitArguments(arguments);
    QCOMPARE(int(parsed.request), request);
    if (parsed.request != CommandRequest::Run)
        return;
    QVERIFY2(parsed.error.isEmpty(), qPrintable(parsed.error));
    const SplitOptions &options = parsed.options;
    QTEST(options.parts, "parts");
    QCOMPARE(options.rotation.has_value(), degrees >= 0);
    if (options.rotation)
        QCOMPARE(quarterTurns(*options.rotation) * 90, degrees);
    QTEST(int(options.format), "format");
    QTEST(options.threads, "threads");
    QTEST(options.layoutFile, "layout");
    QCOMPARE(options.inputs, inputs);
    QVERIFY(!options.folder.isEmpty());
    QStringList shard{QString::number(options.firstPicture)};
    if (options.skipExisting)
        shard << "skip";
    if (options.dryRun)
        shard << "dry";
    if (!options.manifest.isEmpty())
        shard << options.manifest;
    if (options.keepDepth)
        shard << "depth";
    if (options.makeBooks)
        shard << "pdf";
    if (options.pdfDpi != 300)
        shard << QString::number(options.pdfDpi) + "dpi";
    QTEST(shard.join(' '), "shard");
}

void tst_SplitOptions::refused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("reason");
    QTest::newRow("nothing") << command("") << "--out";
    QTest::newRow("no pictures") << command("--out o") << "图片或目录";
    QTest::newRow("unknown option") << command("--out o --part 3 a") << "未知的选项：--part";
    QTest::newRow("value missing at the end") << command("a --out") << "--out 缺少值";
    QTest::newRow("given twice") << command("--parts 2 --parts 3 --out o a") << "只能给一次";
    QTest::newRow("eleven parts") << command("--parts 11 --out o a") << "1 到 10";
    QTest::newRow("parts a word") << command("--parts four --out o a") << "1 到 10";
    QTest::newRow("layout and parts")
        << command("--layout l --parts 2 --out o a") << "不能同时使用";
    QTest::newRow("empty layout") << command("--layout= --out o a") << "布局文件";
    QTest::newRow("rotation 45") << command("--rotate 45 --out o a") << "0、90、180 或 270";
    QTest::newRow("rotation -90") << command("--rotate -90 --out o a") << "0、90、180 或 270";
    QTest::newRow("GIF is never written") << command("--format gif --out o a") << "bmp、tif";
    QTest::newRow("no threads") << command("--threads 0 --out o a") << "线程数";
    QTest::newRow("PDF pages coarser than a screen")
        << command("--pdf-dpi 50 --out o a") << "72 到 1200";
    QTest::newRow("first picture 0") << command("--first-picture 0 --out o a") << "1 到 99999";
    QTest::newRow("first picture past five digits")
        << command("--first-picture 100000 --out o a") << "1 到 99999";
    QTest::newRow("a switch with a value") << command("--dry-run=yes --out o a") << "不带值";
    QTest::newRow("a plan writes no manifest")
        << command("--dry-run --manifest m --out o a") << "不能同时使用";
    QTest::newRow("folder of blanks") << QStringList{"qinghe-split", "--out", "  ", "a"} << "--out";
}

void tst_SplitOptions::refused()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, reason);
    const ParsedArguments parsed = parseSplitArguments(arguments);
    QCOMPARE(parsed.request, CommandRequest::Run);
    QVERIFY2(parsed.error.contains(reason), qPrintable(parsed.error));
}

QTEST_GUILESS_MAIN(tst_SplitOptions)
#include "tst_splitoptions.moc"
