// qinghe-split as people run it: its exit statuses and read-out, and pieces identical to
// the ones step 2's frames and step 3's run give.

#include "CommandFolders.h"
#include "SystemFixtures.h"
#include "TestSupport.h"
#include "batch/BatchEngine.h"
#include "cli/CommandConsole.h"
#include "cli/SplitCommand.h"
#include "editor/FrameEditorWindow.h"
#include "job/LayoutFile.h"

#include <QComboBox>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

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

// Where the in-process command writes: a pipe, a terminal, or a terminal where Ctrl+C
// comes once the progress line reads 100 %.
enum Console { toPipe, toTerminal, ctrlCAtTheEnd };

using commandtest::folderContents;
using commandtest::makeFolder;

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

private:
    QString path(const QString &name) const { return dir_.filePath(name); }
    // Arguments with {name} standing for path(name); {out} is the row's own empty folder.
    QStringList expanded(const QStringList &arguments, const QString &out) const;

    QTemporaryDir dir_;
};

void tst_SplitCommand::initTestCase()
{
    QVERIFY(dir_.isValid());
    QVERIFY(makeFolder(path("pages")) && makeFolder(path("text")) && makeFolder(path("many")) &&
            makeFolder(path("b1")) && makeFolder(path("b2")));
    QVERIFY(QFileInfo::exists(commandtest::splitProgram()));
    // Rows name b1 and b2 as typed in this folder.
    QVERIFY(QDir::setCurrent(dir_.path()));
    for (const char *name :
         {"pages/p1.png", "pages/p2.png", "pages/p10.png", "b1/p.png", "b2/p.png"})
        QVERIFY(testsupport::writePicture(testsupport::patternImage(90, 60), path(name)));
    QFile broken(path("p0.jpg"));
    QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("not a picture") > 0);
    broken.close();
    QVERIFY(QFile::copy(path("p0.jpg"), path("p99.jpg")));
    QVERIFY(makeFolder(path("late")) && QFile::copy(path("p0.jpg"), path("late/p0.jpg")));
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
    // Inside its own sample, outside the pictures of the run.
    SavedLayout far{{{{400, 300, 100, 100}, "A"}}, Rotation::None, {900, 600}};
    QVERIFY(saveLayoutFile(path("far.json"), far, nullptr));
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
    QTest::addColumn<int>("console");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said"); // on standard output or error
    using L = QStringList;
    QTest::newRow("every piece saved: a summary, no progress in a pipe")
        << L{"--out", "{out}", "{pages}"} << int(toPipe) << splitexit::allSaved
        << "已保存 12 个分割块，3 张图片，用时";
    QTest::newRow("a layout; progress on a terminal")
        << L{"--layout", "{two.json}", "--out", "{out}", "{pages}"} << int(toTerminal)
        << splitexit::allSaved << "\r分割进度 100 %  6/6 块";
    QTest::newRow("the layout's own angle again")
        << L{"--layout", "{two.json}", "--rotate", "0", "--out", "{out}", "{pages}"} << int(toPipe)
        << splitexit::allSaved << "已保存 6 个分割块";
    QTest::newRow("Ctrl+C once every piece is saved stops nothing")
        << L{"--layout", "{two.json}", "--out", "{out}", "{pages}"} << int(ctrlCAtTheEnd)
        << splitexit::allSaved << "已保存 6 个分割块";
    QTest::newRow("a plan from picture 5 on writes nothing")
        << L{"--dry-run",  "--first-picture", "5",     "--layout",
             "{two.json}", "--out",           "{out}", "{b1}"}
        << int(toPipe) << splitexit::allSaved
        << "A00009.BMP\t{dir}/b1/p.png\t5\t1\t0,0,45,60\t保存\nB00010.BMP\t{dir}/b1/p.png\t5\t2";
    QTest::newRow("folders in order of their whole paths, however typed")
        << L{"--dry-run", "--layout", "{two.json}", "--out", "{out}", "b1", "{b2}"} << int(toPipe)
        << splitexit::allSaved
        << "B00002.BMP\t{dir}/b1/p.png\t1\t2\t45,0,45,60\t保存\nA00003.BMP\t{dir}/b2/p.png";
    QTest::newRow("a folder typed twice, as a and ./a, is cut once")
        << L{"--layout", "{two.json}", "--out", "{out}", "b1", "./b1"} << int(toPipe)
        << splitexit::allSaved << "已保存 2 个分割块，1 张图片";
    QTest::newRow("help") << L{"--help"} << int(toPipe) << splitexit::allSaved
                          << "2 拒绝运行，没有切割任何图片";
    QTest::newRow("an unreadable picture")
        << L{"--parts", "2", "--out", "{out}", "{pages}", "{p0.jpg}"} << int(toPipe)
        << splitexit::failures << "有 1 个图片无法读取，0 个分割块未能保存";
    QTest::newRow("a log line ends the progress line first")
        << L{"--layout", "{two.json}", "--out", "{out}", "{pages}", "{late}"} << int(toTerminal)
        << splitexit::failures << "qinghe.batch: cannot read";
    QTest::newRow("frames outside every picture")
        << L{"--layout", "{far.json}", "--out", "{out}", "{pages}"} << int(toPipe)
        << splitexit::failures << "没有保存任何分割块";
    QTest::newRow("a piece that cannot be saved")
        << L{"--layout", "{two.json}", "--out", "{out}/held", "{pages}"} << int(toPipe)
        << splitexit::failures << "0 个图片无法读取，1 个分割块未能保存";
    QTest::newRow("an unreadable sample")
        << L{"--parts", "2", "--out", "{out}", "{p99.jpg}"} << int(toPipe) << splitexit::refused
        << "无法读取样本图片";
    QTest::newRow("usage") << L{"--parts", "2", "{pages}"} << int(toPipe) << splitexit::refused
                           << "请运行 qinghe-split --help";
    QTest::newRow("a refused layout") << L{"--layout", "{newer.json}", "--out", "{out}", "{pages}"}
                                      << int(toPipe) << splitexit::refused << "版本是 2";
    QTest::newRow("--rotate other than the layout's")
        << L{"--layout", "{two.json}", "--rotate", "90", "--out", "{out}", "{pages}"} << int(toPipe)
        << splitexit::refused << "按旋转 0 度放置";
    QTest::newRow("a manifest in a folder that is not there")
        << L{"--manifest", "{out}/gone/m.jsonl", "--out", "{out}", "{pages}"} << int(toPipe)
        << splitexit::refused << "清单文件所在的目录不存在";
    QTest::newRow("a manifest over a picture of the run")
        << L{"--manifest", "{b1}/p.png", "--out", "{out}", "{b1}"} << int(toPipe)
        << splitexit::refused << "清单文件不能是要分割的图片";
    QTest::newRow("no such folder") << L{"--out", "{out}/gone", "{pages}"} << int(toPipe)
                                    << splitexit::refused << "保存目录不存在";
    QTest::newRow("no such picture") << L{"--out", "{out}", "{gone.jpg}"} << int(toPipe)
                                     << splitexit::refused << "找不到图片或目录";
    QTest::newRow("no pictures among the files")
        << L{"--out", "{out}", "{text}"} << int(toPipe) << splitexit::refused << "没有要分割的图片";
    QTest::newRow("more than 99999 pieces")
        << L{"--layout", "{ten.json}", "--out", "{out}", "{many}"} << int(toPipe)
        << splitexit::refused << "分割块总数超过 99999";
    QTest::newRow("more than 99999 pieces from a late first picture")
        << L{"--first-picture", "49999", "--layout", "{two.json}", "--out", "{out}", "{pages}"}
        << int(toPipe) << splitexit::refused << "分割块总数超过 99999";
}

void tst_SplitCommand::exitStatus()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, console);
    QFETCH(int, status);
    QFETCH(QString, said);
    // A path in the plan is shown with the system's own separators.
    static const QRegularExpression pathInPlan(QStringLiteral("\\{dir\\}[^\\t\\n]*"));
    for (QRegularExpressionMatch found = pathInPlan.match(said); found.hasMatch();
         found = pathInPlan.match(said, found.capturedStart()))
        said.replace(found.capturedStart(), found.capturedLength(),
                     QDir::toNativeSeparators(
                         found.captured().replace(QStringLiteral("{dir}"), dir_.path())));
    QTemporaryDir out;
    // A folder where the first piece should go holds its name.
    QVERIFY(QDir().mkpath(out.filePath("held/A00001.BMP")));
    QString written;
    bool ctrlCSent = false;
    auto write = [&](const QString &text) {
        written += text;
        if (console == ctrlCAtTheEnd && !ctrlCSent && written.contains("100 %"))
            ctrlCSent = testsupport::interruptSelf();
    };
    const CommandConsole commandConsole{write, write, console != toPipe};
    QCOMPARE(runSplitCommand(expanded(arguments, out.path()), commandConsole), status);
    QVERIFY2(written.contains(said), qPrintable(written));
    QVERIFY2(console != toPipe || !written.contains(QLatin1Char('\r')), qPrintable(written));
    QCOMPARE(ctrlCSent, console == ctrlCAtTheEnd);
    // Log lines start lines of their own, never the middle of the progress line.
    QVERIFY2(!written.contains(QRegularExpression("[^\\n]qinghe\\.")), qPrintable(written));
    // A refusal or a plan cuts nothing.
    if (status == splitexit::refused || arguments.contains("--dry-run"))
        QCOMPARE(QDir(out.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{"held"});
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
    QTest::newRow("saved at -90, --rotate 270 as well") << 2 << 3 << "png" << true << 270;
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
        command.start(commandtest::splitProgram(), arguments);
        QVERIFY(command.waitForFinished(120000));
        QCOMPARE(command.exitCode(), splitexit::allSaved);
    }

    // The first picture is smaller than the sample: some of its frames cut nothing.
    const QMap<QString, QByteArray> windows = folderContents(work.filePath("windows"));
    QVERIFY(windows.size() >= 2 * parts);
    QCOMPARE(folderContents(work.filePath("command")).keys(), windows.keys());
    QVERIFY(folderContents(work.filePath("command")) == windows);
}

QTEST_MAIN(tst_SplitCommand)
#include "tst_splitcommand.moc"
