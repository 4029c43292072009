// qinghe-split as people run it: its exit statuses, pieces identical to the ones step 2's
// frames and step 3's run give, and Ctrl+C as the stop button of the real command.

#include "TestSupport.h"
#include "batch/BatchEngine.h"
#include "cli/CommandConsole.h"
#include "cli/SplitCommand.h"
#include "editor/FrameEditorWindow.h"
#include "job/LayoutFile.h"

#include <QComboBox>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <signal.h>

namespace {

// JPEG files as Qt writes them carry a resolution; these carry none (JFIF density unit 0),
// so that the pieces show the resolution the run gives pictures without one.
bool writeJpegWithoutResolution(const QImage &image, const QString &path)
{
    if (!testsupport::writePicture(image, path, "jpeg", 90))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || !file.seek(13))
        return false;
    return file.putChar(0);
}

bool makeFolder(const QString &path)
{
    return QDir().mkpath(path);
}

// The files of a folder, sorted, with their bytes.
QMap<QString, QByteArray> folderContents(const QString &folder)
{
    QMap<QString, QByteArray> contents;
    for (const QString &name : QDir(folder).entryList(QDir::Files)) {
        QFile file(QDir(folder).filePath(name));
        contents.insert(name, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
    }
    return contents;
}

} // namespace

class tst_SplitCommand : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exitStatus_data();
    void exitStatus();
    void sameAsTheWindows_data();
    void sameAsTheWindows();
    void ctrlCStopsBetweenPieces();

private:
    QString path(const QString &name) const { return dir_.filePath(name); }
    // Arguments with {name} standing for path(name); {out} is the row's own empty folder.
    QStringList expanded(const QStringList &arguments, const QString &out) const;

    QTemporaryDir dir_;
};

void tst_SplitCommand::initTestCase()
{
    QVERIFY(dir_.isValid());
    QVERIFY(makeFolder(path("pages")) && makeFolder(path("text")) && makeFolder(path("many")));
    for (const char *name : {"pages/p1.png", "pages/p2.png", "pages/p10.png"})
        QVERIFY(testsupport::writePicture(testsupport::patternImage(90, 60), path(name)));
    QFile broken(path("p0.jpg"));
    QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("not a picture") > 0);
    broken.close();
    QVERIFY(QFile::copy(path("p0.jpg"), path("p99.jpg")));
    QFile notes(path("text/notes.txt"));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    // 10000 pictures of 10 frames: one piece too many for five digits.
    for (int i = 0; i < 10000; ++i)
        QVERIFY(QFile(path(QStringLiteral("many/n%1.jpg").arg(i))).open(QIODevice::WriteOnly));

    SavedLayout two{{{{0, 0, 45, 60}, "A"}, {{45, 0, 45, 60}, "B"}}, Rotation::None, {90, 60}};
    QVERIFY(saveLayoutFile(path("two.json"), two, nullptr));
    SavedLayout ten{{}, Rotation::None, {90, 60}};
    for (int i = 0; i < 10; ++i)
        ten.frames.push_back({{0, 0, 9, 6}, QString(QChar(u'A' + i))});
    QVERIFY(saveLayoutFile(path("ten.json"), ten, nullptr));
    QFile newer(path("newer.json"));
    QVERIFY(newer.open(QIODevice::WriteOnly) && newer.write("{\"format\": 2}") > 0);
}

QStringList tst_SplitCommand::expanded(const QStringList &arguments, const QString &out) const
{
    QStringList result{QStringLiteral("qinghe-split")};
    for (QString argument : arguments) {
        argument.replace(QStringLiteral("{out}"), out);
        const qsizetype open = argument.indexOf(QLatin1Char('{'));
        if (open >= 0) {
            const qsizetype close = argument.indexOf(QLatin1Char('}'), open);
            argument.replace(open, close - open + 1,
                             path(argument.mid(open + 1, close - open - 1)));
        }
        result << argument;
    }
    return result;
}

void tst_SplitCommand::exitStatus_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("terminal");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said"); // on standard output or error
    using L = QStringList;
    QTest::newRow("every piece saved, quiet in a pipe")
        << L{"--out", "{out}", "{pages}"} << false << splitexit::allSaved << "";
    QTest::newRow("a layout; progress on a terminal")
        << L{"--layout", "{two.json}", "--out", "{out}", "{pages}"} << true << splitexit::allSaved
        << "\r分割进度 100 %  6/6 块";
    QTest::newRow("help") << L{"--help"} << false << splitexit::allSaved << "用法：qinghe-split";
    QTest::newRow("an unreadable picture")
        << L{"--parts", "2", "--out", "{out}", "{pages}", "{p0.jpg}"} << false
        << splitexit::failures << "有 1 个图片无法读取，0 个分割块未能保存";
    QTest::newRow("an unreadable sample") << L{"--parts", "2", "--out", "{out}", "{p99.jpg}"}
                                          << false << splitexit::failures << "无法读取样本图片";
    QTest::newRow("a piece that cannot be saved")
        << L{"--layout", "{two.json}", "--out", "{out}/held", "{pages}"} << false
        << splitexit::failures << "0 个图片无法读取，1 个分割块未能保存";
    QTest::newRow("usage") << L{"--parts", "2", "{pages}"} << false << splitexit::usage
                           << "请运行 qinghe-split --help";
    QTest::newRow("a refused layout") << L{"--layout", "{newer.json}", "--out", "{out}", "{pages}"}
                                      << false << splitexit::usage << "版本是 2";
    QTest::newRow("no such folder")
        << L{"--out", "{out}/gone", "{pages}"} << false << splitexit::usage << "保存目录不存在";
    QTest::newRow("no such picture")
        << L{"--out", "{out}", "{gone.jpg}"} << false << splitexit::usage << "找不到图片或目录";
    QTest::newRow("no pictures among the files")
        << L{"--out", "{out}", "{text}"} << false << splitexit::usage << "没有要分割的图片";
    QTest::newRow("more than 99999 pieces")
        << L{"--layout", "{ten.json}", "--out", "{out}", "{many}"} << false << splitexit::usage
        << "分割块总数超过 99999";
}

void tst_SplitCommand::exitStatus()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, terminal);
    QFETCH(QString, said);
    QTemporaryDir out;
    // A folder where the first piece should go holds its name.
    QVERIFY(QDir().mkpath(out.filePath("held/A00001.BMP")));
    QString written;
    CommandConsole console{[&written](const QString &text) { written += text; },
                           [&written](const QString &text) { written += text; }, terminal};
    QTEST(runSplitCommand(expanded(arguments, out.path()), console), "status");
    QVERIFY2(written.contains(said), qPrintable(written));
    QVERIFY2(terminal || !written.contains(QLatin1Char('\r')), qPrintable(written));
}

void tst_SplitCommand::sameAsTheWindows_data()
{
    QTest::addColumn<int>("parts");
    QTest::addColumn<int>("rotation"); // step 2's rotation list position
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("throughLayout"); // step 2's frames saved, then --layout
    QTest::addColumn<int>("rotateOption");   // --rotate given with the layout; -1 not
    QTest::newRow("4 parts, BMP") << 4 << 0 << "bmp" << false << -1;
    QTest::newRow("3 parts, +90, JPG") << 3 << 1 << "jpg" << false << -1;
    QTest::newRow("10 parts, 180, PNG") << 10 << 2 << "png" << false << -1;
    QTest::newRow("1 part, -90, TIF") << 1 << 3 << "tif" << false << -1;
    QTest::newRow("saved at +90, JPG") << 4 << 1 << "jpg" << true << -1;
    QTest::newRow("saved at -90, cut at 180") << 2 << 3 << "png" << true << 180;
}

void tst_SplitCommand::sameAsTheWindows()
{
    QFETCH(int, parts);
    QFETCH(int, rotation);
    QFETCH(QString, format);
    QFETCH(bool, throughLayout);
    QFETCH(int, rotateOption);
    QTemporaryDir work;
    const QString book = work.filePath("book");
    QVERIFY(makeFolder(book) && makeFolder(work.filePath("windows")) &&
            makeFolder(work.filePath("command")));
    QVERIFY(writeJpegWithoutResolution(testsupport::patternImage(700, 500, QImage::Format_RGB32, 1),
                                       book + "/p1.jpg"));
    QVERIFY(testsupport::writePicture(testsupport::patternImage(900, 1300, QImage::Format_RGB32, 2),
                                      book + "/p2.png"));
    QVERIFY(writeJpegWithoutResolution(
        testsupport::patternImage(1100, 1600, QImage::Format_RGB32, 3), book + "/p10.jpg"));

    // The windows: step 2 lays its frames over the last picture in page order, step 3 runs.
    testsupport::ScriptedBoxes boxes;
    SplitJob job;
    job.pictures = {book + "/p1.jpg", book + "/p2.png", book + "/p10.jpg"};
    job.partCount = parts;
    FrameEditorWindow editor(job);
    editor.load();
    testsupport::control<QComboBox>(editor, "rotationBox")->setCurrentIndex(rotation);
    QCOMPARE(job.rotation, rotationAt(rotation));
    if (throughLayout) {
        // Placed by hand: frame 1 nudged by the keys, then Ctrl+S as the user saves it.
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        QWidget *frame = testsupport::control<QWidget>(editor, "frameShapes_1");
        const QRect laid = job.frames[0].rect;
        QTest::mouseClick(frame, Qt::LeftButton, {}, QPoint(3, 3));
        for (Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Down})
            QTest::keyClick(editor.focusWidget() ? editor.focusWidget() : &editor, key);
        QTest::mouseClick(frame, Qt::LeftButton, {}, QPoint(3, 3));
        QVERIFY(!(job.frames[0].rect == laid));
        testsupport::ScriptedDialogs dialogs;
        dialogs.pickFile(work.filePath("layout.json"));
        QTest::keyClick(editor.focusWidget() ? editor.focusWidget() : &editor, Qt::Key_S,
                        Qt::ControlModifier);
        QVERIFY(QFile::exists(work.filePath("layout.json")));
        editor.hide();
    }
    if (rotateOption >= 0)
        job.rotation = *rotationOfDegrees(rotateOption);
    BatchEngine engine;
    engine.setFormat(OutputFormat(QStringList{"bmp", "tif", "png", "jpg"}.indexOf(format)));
    engine.setThreadCount(0);
    engine.runNow(snapshotOf(job, work.filePath("windows") + "/"));

    QStringList arguments{"--format", format, "--out", work.filePath("command"), book};
    arguments << (throughLayout ? QStringList{"--layout", work.filePath("layout.json")}
                                : QStringList{"--parts", QString::number(parts), "--rotate",
                                              QString::number(rotation * 90)});
    if (rotateOption >= 0)
        arguments << "--rotate" << QString::number(rotateOption);
    if (throughLayout) {
        // The command's own entry point, in this process.
        const CommandConsole quiet{[](const QString &) {}, [](const QString &) {}, false};
        QCOMPARE(runSplitCommand(QStringList{"qinghe-split"} + arguments, quiet),
                 splitexit::allSaved);
    } else {
        QProcess command;
        command.start(QStringLiteral(QINGHE_SPLIT_PATH), arguments);
        QVERIFY(command.waitForFinished(120000));
        QCOMPARE(command.exitCode(), splitexit::allSaved);
    }

    // The first picture is smaller than the sample: some of its frames cut nothing.
    const QMap<QString, QByteArray> windows = folderContents(work.filePath("windows"));
    QVERIFY(windows.size() >= 2 * parts);
    QCOMPARE(folderContents(work.filePath("command")).keys(), windows.keys());
    QVERIFY(folderContents(work.filePath("command")) == windows);
}

void tst_SplitCommand::ctrlCStopsBetweenPieces()
{
    // Enough large pictures that the run is still going when Ctrl+C comes: one sheet seen
    // through many links.
    QTemporaryDir work;
    const QString sheets = work.filePath("sheets");
    QVERIFY(makeFolder(sheets) && makeFolder(work.filePath("out")));
    QVERIFY(testsupport::writePicture(testsupport::patternImage(2000, 2800),
                                      work.filePath("sheet.jpg"), "jpeg", 90));
    constexpr int sheetCount = 60;
    for (int i = 1; i <= sheetCount; ++i)
        QVERIFY(
            QFile::link(work.filePath("sheet.jpg"), sheets + QStringLiteral("/s%1.jpg").arg(i)));

    QProcess command;
    command.start(QStringLiteral(QINGHE_SPLIT_PATH),
                  {"--format", "png", "--out", work.filePath("out"), sheets});
    QVERIFY(command.waitForStarted());
    const QDir out(work.filePath("out"));
    QTRY_VERIFY_WITH_TIMEOUT(!out.entryList({"*.PNG"}, QDir::Files).isEmpty(), 60000);
    QCOMPARE(::kill(pid_t(command.processId()), SIGINT), 0);
    QVERIFY(command.waitForFinished(60000));

    QCOMPARE(command.exitStatus(), QProcess::NormalExit);
    QCOMPARE(command.exitCode(), splitexit::interrupted);
    QVERIFY(command.readAllStandardError().contains("已停止"));
    QCOMPARE(out.entryList(QDir::Files | QDir::Hidden).filter(".tmp"), QStringList());
    const QStringList pieces = out.entryList(QDir::Files);
    QVERIFY2(pieces.size() < 4 * sheetCount, qPrintable(QString::number(pieces.size())));
    // Every piece there is whole.
    for (const QString &piece : pieces)
        QVERIFY2(!QImage(out.filePath(piece)).isNull(), qPrintable(piece));
}

QTEST_MAIN(tst_SplitCommand)
#include "tst_splitcommand.moc"
