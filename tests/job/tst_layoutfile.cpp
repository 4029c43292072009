// Layout files: what is written reads back the same, and every kind of bad file is
// refused with its own reason.

#include "SystemFixtures.h"
#include "job/LayoutFile.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>

Q_DECLARE_METATYPE(SavedLayout)

namespace {

SavedLayout fourFrames(Rotation rotation = Rotation::Clockwise90)
{
    return {{{{0, 0, 1754, 1240}, "A"},
             {{1754, 0, 1754, 1240}, "B"},
             {{0, 1240, 1754, 1240}, "A"},
             {{1754, 1240, 1754, 1240}, "D"}},
            rotation,
            QSize(2480, 3508)};
}

QJsonObject validObject()
{
    return QJsonDocument::fromJson(layoutFileBytes(fourFrames())).object();
}

QByteArray text(const QJsonObject &object)
{
    return QJsonDocument(object).toJson();
}

// The valid file with one top-level field replaced, or removed when value is undefined.
QByteArray with(const char *key, const QJsonValue &value)
{
    QJsonObject object = validObject();
    if (value.isUndefined())
        object.remove(QLatin1String(key));
    else
        object[QLatin1String(key)] = value;
    return text(object);
}

// The valid file with one field of one frame (0-based) replaced or removed.
QByteArray withFrame(int index, const char *key, const QJsonValue &value)
{
    QJsonObject object = validObject();
    QJsonArray frames = object[QStringLiteral("frames")].toArray();
    QJsonObject frame = frames[index].toObject();
    if (value.isUndefined())
        frame.remove(QLatin1String(key));
    else
        frame[QLatin1String(key)] = value;
    frames[index] = frame;
    object[QStringLiteral("frames")] = frames;
    return text(object);
}

} // namespace

class tst_LayoutFile : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void refused_data();
    void refused();
    void failedSaveLeavesNothing();
    void endlessSourcesRefused_data();
    void endlessSourcesRefused();
};

void tst_LayoutFile::roundTrip_data()
{
    QTest::addColumn<SavedLayout>("layout");
    constexpr qint32 max = std::numeric_limits<qint32>::max();
    QTest::newRow("four frames, +90") << fourFrames();
    QTest::newRow("one frame, unturned")
        << SavedLayout{{{{0, 0, 1, 1}, "A"}}, Rotation::None, {1, 1}};
    QTest::newRow("180") << fourFrames(Rotation::HalfTurn);
    QTest::newRow("-90 is 270") << fourFrames(Rotation::Anticlockwise90);
    SavedLayout ten{{}, Rotation::None, QSize(max, max)};
    for (int i = 0; i < layoutMaxFrames; ++i)
        ten.frames.push_back({{max - 1 - i, i, 1, max - i}, QString(QChar(u'A' + i))});
    QTest::newRow("ten frames at the 32-bit edge") << ten;
    // Inside the sample only once it is turned, and partly beyond it: the run clips it.
    QTest::newRow("partly outside the turned sample")
        << SavedLayout{{{{2480, 2000, 2000, 1000}, "A"}}, Rotation::Clockwise90, {2480, 3508}};
}

void tst_LayoutFile::roundTrip()
{
    QFETCH(SavedLayout, layout);
    const LayoutReadResult read = parseLayoutFile(layoutFileBytes(layout));
    QVERIFY2(read.layout, qPrintable(read.error));
    QCOMPARE(read.layout->frames.size(), layout.frames.size());
    for (size_t i = 0; i < layout.frames.size(); ++i) {
        QCOMPARE(read.layout->frames[i].rect, layout.frames[i].rect);
        QCOMPARE(read.layout->frames[i].letter, layout.frames[i].letter);
    }
    QCOMPARE(read.layout->rotation, layout.rotation);
    QCOMPARE(read.layout->sampleSize, layout.sampleSize);

    // Through a file: the same bytes, and nothing left beside it.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("版面 1.json"));
    QString error;
    QVERIFY2(saveLayoutFile(path, layout, &error), qPrintable(error));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QFileInfo(path).fileName()});
    const LayoutReadResult loaded = loadLayoutFile(path);
    QVERIFY2(loaded.layout, qPrintable(loaded.error));
    QCOMPARE(layoutFileBytes(*loaded.layout), layoutFileBytes(layout));
}

void tst_LayoutFile::refused_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("reason");
    const QJsonValue gone(QJsonValue::Undefined);
    QTest::newRow("not JSON") << QByteArray("{\"format\": 1,") << "不是有效的 JSON";
    QTest::newRow("empty") << QByteArray() << "不是有效的 JSON";
    QTest::newRow("a list") << QByteArray("[1]") << "应为一个 JSON 对象";
    QTest::newRow("newer version") << with("format", 2) << "版本是 2";
    QTest::newRow("version as text") << with("format", "1") << "“format”应为整数";
    QTest::newRow("no version") << with("format", gone) << "缺少“format”";
    QTest::newRow("no parts") << with("parts", gone) << "缺少“parts”";
    QTest::newRow("half a frame") << with("parts", 2.5) << "“parts”应为整数";
    QTest::newRow("parts 0") << with("parts", 0) << "分割数量 0 无效";
    QTest::newRow("parts 3 for 4 frames") << with("parts", 3) << "分割数量是 3，但有 4 个";
    QTest::newRow("rotation 45") << with("rotation", 45) << "旋转角度 45 无效";
    QTest::newRow("rotation -90") << with("rotation", -90) << "旋转角度 -90 无效";
    QTest::newRow("rotation 360") << with("rotation", 360) << "旋转角度 360 无效";
    QTest::newRow("no sample") << with("sample", gone) << "缺少“sample”";
    QTest::newRow("sample a number") << with("sample", 5) << "“sample”应为对象";
    QTest::newRow("sample 0 wide")
        << with("sample", QJsonObject{{"width", 0}, {"height", 5}}) << "样本的尺寸无效";
    QTest::newRow("frames an object") << with("frames", QJsonObject()) << "“frames”应为数组";
    QJsonArray eleven;
    for (int i = 0; i < 11; ++i)
        eleven.append(validObject()[QStringLiteral("frames")].toArray()[0]);
    QTest::newRow("eleven frames") << with("frames", eleven) << "有 11 个分割框，最多";
    QTest::newRow("frame a number")
        << with("frames", QJsonArray{1, 2, 3, 4}) << "分割框 1 应为对象";
    QTest::newRow("no x") << withFrame(2, "x", gone) << "缺少分割框 3 的“x”";
    QTest::newRow("y as text") << withFrame(0, "y", "0") << "分割框 1 的“y”应为整数";
    QTest::newRow("huge width") << withFrame(0, "width", 1e300) << "分割框 1 的“width”应为整数";
    QTest::newRow("negative x") << withFrame(1, "x", -1) << "分割框 2 的矩形不在图片之内";
    QTest::newRow("zero height") << withFrame(1, "height", 0) << "分割框 2 的矩形不在图片之内";
    QTest::newRow("right edge past 32 bits")
        << withFrame(3, "x", std::numeric_limits<qint32>::max()) << "分割框 4 的矩形不在图片之内";
    // The sample turned +90 is 3508 x 2480.
    QTest::newRow("frame right of its sample")
        << withFrame(3, "x", 3508) << "分割框 4 完全在样本图片（旋转后 3508×2480 像素）之外";
    QTest::newRow("frame below its sample") << withFrame(1, "y", 2480) << "分割框 2 完全在样本图片";
    QTest::newRow("letter past the parts") << withFrame(0, "letter", "E") << "首字母“E”无效";
    QTest::newRow("letter a path") << withFrame(0, "letter", "../A") << "首字母“../A”无效";
    QTest::newRow("letter lower case") << withFrame(0, "letter", "a") << "首字母“a”无效";
    QTest::newRow("letter a number") << withFrame(0, "letter", 1) << "“letter”应为字符串";
}

void tst_LayoutFile::refused()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, reason);
    const LayoutReadResult read = parseLayoutFile(file);
    QVERIFY(!read.layout);
    QVERIFY2(read.error.contains(reason), qPrintable(read.error));
}

void tst_LayoutFile::failedSaveLeavesNothing()
{
    QTemporaryDir dir;
    QString error;
    // A layout the reader would refuse is never written.
    SavedLayout eleven = fourFrames();
    eleven.frames.resize(11, eleven.frames.front());
    QVERIFY(!saveLayoutFile(dir.filePath("eleven.json"), eleven, &error));
    QVERIFY(error.contains(QStringLiteral("11")));
    QVERIFY(!saveLayoutFile(dir.filePath("no folder/a.json"), fourFrames(), &error));
    QVERIFY(error.contains(QStringLiteral("无法保存")));
    QVERIFY(QDir(dir.path()).isEmpty());
    QVERIFY(!loadLayoutFile(dir.filePath("a.json")).layout);
}

// A device or a pipe that never ends is refused after a bounded read, in good time.
void tst_LayoutFile::endlessSourcesRefused_data()
{
    QTest::addColumn<bool>("fifo"); // else /dev/zero
    QTest::newRow("/dev/zero") << false;
    QTest::newRow("a FIFO whose writer never stops") << true;
}

void tst_LayoutFile::endlessSourcesRefused()
{
    QFETCH(bool, fifo);
#ifndef Q_OS_LINUX
    QSKIP("an endless device and a FIFO exist only on Linux");
#endif
    QTemporaryDir dir;
    QString path = QStringLiteral("/dev/zero");
    QProcess writer;
    if (fifo) {
        path = dir.filePath(QStringLiteral("布局管道"));
        QVERIFY(testsupport::makeFifo(path));
        // Ends by SIGPIPE once the reader lets go.
        writer.start(QStringLiteral("sh"),
                     {QStringLiteral("-c"), QStringLiteral("exec yes >\"$0\""), path});
        QVERIFY(writer.waitForStarted());
    }
    QElapsedTimer timer;
    timer.start();
    const LayoutReadResult read = loadLayoutFile(path);
    QVERIFY(!read.layout);
    QVERIFY2(read.error.contains(QStringLiteral("太大")), qPrintable(read.error));
    QVERIFY(timer.elapsed() < 20000);
    if (fifo)
        QVERIFY(writer.waitForFinished(20000));
}

QTEST_GUILESS_MAIN(tst_LayoutFile)
#include "tst_layoutfile.moc"
