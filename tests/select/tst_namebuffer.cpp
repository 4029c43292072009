#include "platform/Dialogs.h"
#include "select/FileSelection.h"
#include "select/PictureListRules.h"

#include <QTest>

#include <optional>
#include <vector>

namespace {

// Builds a name buffer from readable pieces: each "|" stands for a NUL.
QString buffer(const QString &readable)
{
    QString text = readable;
    text.replace(QLatin1Char('|'), QChar::Null);
    return text;
}

} // namespace

class tst_NameBuffer : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void allNulBufferIsCancel();
    void roundTrip_data();
    void roundTrip();
    void partsCount_data();
    void partsCount();
    void removalOrder_data();
    void removalOrder();
};

void tst_NameBuffer::parse_data()
{
    QTest::addColumn<QString>("buffer");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("one file as full path")
        << buffer("/scans/p001.jpg|") << 1 << "/scans/" << QStringList{"p001.jpg"};
    QTest::newRow("three files keep their order, separator appended once")
        << buffer("/scans|c.jpg|a.jpg|b.jpg||") << 3 << "/scans/"
        << QStringList{"c.jpg", "a.jpg", "b.jpg"};
    QTest::newRow("folder already ending in the separator")
        << buffer("/scans/|a.jpg|b.jpg||") << 2 << "/scans/" << QStringList{"a.jpg", "b.jpg"};
    QTest::newRow("root folder gets no second separator")
        << buffer("/|a.jpg|b.jpg||") << 2 << "/" << QStringList{"a.jpg", "b.jpg"};
    QTest::newRow("one file in the root") << buffer("/a.jpg|") << 1 << "/" << QStringList{"a.jpg"};
    QTest::newRow("one piece without a separator")
        << buffer("a.jpg|") << 1 << "" << QStringList{"a.jpg"};
    QTest::newRow("cancel: empty") << QString() << 0 << "" << QStringList{};
    QTest::newRow("cancel: starts with NUL")
        << buffer("|/scans/a.jpg|") << 0 << "" << QStringList{};
    QTest::newRow("only blanks") << QString("   ") << 0 << "" << QStringList{};
    QTest::newRow("blanks trimmed at both ends")
        << buffer("  /scans|a.jpg|b.jpg||  ") << 2 << "/scans/" << QStringList{"a.jpg", "b.jpg"};
    QTest::newRow("blanks inside names are kept")
        << buffer("/my scans|page one.jpg| b .png||") << 2 << "/my scans/"
        << QStringList{"page one.jpg", " b .png"};
    QTest::newRow("text after an empty piece is ignored")
        << buffer("/scans|a.jpg||/other|x.jpg|") << 1 << "/scans/" << QStringList{"a.jpg"};
    QTest::newRow("unclosed trailing text is not a piece")
        << buffer("/scans|a.jpg|b.jpg") << 1 << "/scans/" << QStringList{"a.jpg"};
    QTest::newRow("unclosed only") << QString("/scans/a.jpg") << 0 << "" << QStringList{};
    QTest::newRow("Chinese names") << buffer("/扫描/第一册|第001页.jpg|第002页.jpg||") << 2
                                   << "/扫描/第一册/" << QStringList{"第001页.jpg", "第002页.jpg"};
    QTest::newRow("Japanese names") << buffer("/スキャン/本 一|ページ１.png||") << 1
                                    << "/スキャン/本 一/" << QStringList{"ページ１.png"};
    QTest::newRow("one Chinese full path")
        << buffer("/书籍/扫描 1.tif|") << 1 << "/书籍/" << QStringList{"扫描 1.tif"};
}

void tst_NameBuffer::parse()
{
    QFETCH(QString, buffer);
    QFETCH(int, count);
    QFETCH(QString, folder);
    QFETCH(QStringList, names);

    const FileSelection selection = parseNameBuffer(buffer);
    QCOMPARE(selection.fileCount, count);
    QCOMPARE(selection.folderPath, folder);
    QCOMPARE(selection.fileNames, names);
}

void tst_NameBuffer::allNulBufferIsCancel()
{
    // The dialog's buffer is all NUL when the user cancels.
    const FileSelection selection = parseNameBuffer(QString(8192, QChar::Null));
    QCOMPARE(selection.fileCount, 0);
    QVERIFY(selection.folderPath.isEmpty());
    QVERIFY(selection.fileNames.isEmpty());
}

void tst_NameBuffer::roundTrip_data()
{
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QString>("folder");

    QTest::newRow("nothing picked") << QStringList{} << "";
    QTest::newRow("one file") << QStringList{"/scans/p001.jpg"} << "/scans/";
    QTest::newRow("three in one folder, in order")
        << QStringList{"/scans/c.jpg", "/scans/a.jpg", "/scans/b.jpg"} << "/scans/";
    QTest::newRow("several in the root") << QStringList{"/a.png", "/b.png"} << "/";
    QTest::newRow("names in Chinese and with blanks")
        << QStringList{"/书 籍/第 1 页.jpg", "/书 籍/第 2 页.jpg"} << "/书 籍/";
    // Names typed into the dialog can point elsewhere; each must still come back whole.
    QTest::newRow("files in two folders")
        << QStringList{"/scans/a/1.jpg", "/scans/b/2.jpg"} << "/scans/";
    QTest::newRow("one file in a subfolder of the other's")
        << QStringList{"/scans/1.jpg", "/scans/more/2.jpg"} << "/scans/";
    QTest::newRow("nothing in common but the root") << QStringList{"/x/1.jpg", "/y/2.jpg"} << "/";
    QStringList many;
    for (int i = 0; i < 2000; ++i)
        many << QStringLiteral("/scans/第一册/page-with-a-rather-long-name-%1.jpg").arg(i);
    QTest::newRow("far more than 8192 characters") << many << "/scans/第一册/";
    QTest::newRow("folder names sharing a prefix")
        << QStringList{"/scan/1.jpg", "/scans/2.jpg"} << "/";
}

void tst_NameBuffer::roundTrip()
{
    QFETCH(QStringList, paths);
    QFETCH(QString, folder);

    const FileSelection selection = parseNameBuffer(platform::nameBufferFor(paths));
    QCOMPARE(selection.fileCount, int(paths.size()));
    QCOMPARE(selection.folderPath, folder);
    QStringList full;
    for (const QString &name : selection.fileNames)
        full << selection.folderPath + name;
    QCOMPARE(full, paths);
}

void tst_NameBuffer::partsCount_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected"); // 0: refused

    QTest::newRow("default") << "4" << 4;
    QTest::newRow("blanks around") << " 4 " << 4;
    QTest::newRow("lowest") << "1" << 1;
    QTest::newRow("highest") << "10" << 10;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("eleven") << "11" << 0;
    QTest::newRow("letters") << "abc" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("blanks only") << "   " << 0;
    QTest::newRow("decimal") << "4.0" << 0;
    QTest::newRow("negative") << "-1" << 0;
    QTest::newRow("plus sign") << "+4" << 0;
    QTest::newRow("digit then letter") << "4a" << 0;
    QTest::newRow("inner blank") << "1 0" << 0;
    QTest::newRow("full-width digit") << "４" << 0;
    QTest::newRow("huge") << "99999999999999999999" << 0;
}

void tst_NameBuffer::partsCount()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    const std::optional<int> n = ::partsCount(text);
    QCOMPARE(n.value_or(0), expected);
}

void tst_NameBuffer::removalOrder_data()
{
    QTest::addColumn<std::vector<bool>>("selected");
    QTest::addColumn<std::vector<int>>("order");

    QTest::newRow("empty list") << std::vector<bool>{} << std::vector<int>{};
    QTest::newRow("none selected") << std::vector<bool>{false, false, false} << std::vector<int>{};
    QTest::newRow("all selected") << std::vector<bool>{true, true, true}
                                  << std::vector<int>{2, 1, 0};
    QTest::newRow("first, third and last of five")
        << std::vector<bool>{true, false, true, false, true} << std::vector<int>{4, 2, 0};
    QTest::newRow("only the last") << std::vector<bool>{false, true} << std::vector<int>{1};
}

void tst_NameBuffer::removalOrder()
{
    QFETCH(std::vector<bool>, selected);
    QFETCH(std::vector<int>, order);
    QCOMPARE(::removalOrder(selected), order);
}

QTEST_APPLESS_MAIN(tst_NameBuffer)
#include "tst_namebuffer.moc"
