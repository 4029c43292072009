#include "EditorControls.h"
#include "TestSupport.h"
#include "imaging/Readers.h"
#include "job/LayoutFile.h"
#include "job/SplitLayout.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace editorcontrols;
using RectList = QList<QRect>;

namespace {

const QColor areaColour(204, 204, 153);

bool isColour(const QImage &image, QPoint at, const QColor &colour, int tolerance = 0)
{
    const QColor c = image.pixelColor(at);
    return qAbs(c.red() - colour.red()) <= tolerance &&
           qAbs(c.green() - colour.green()) <= tolerance &&
           qAbs(c.blue() - colour.blue()) <= tolerance;
}

} // namespace

class tst_FrameEditorWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void workedExamples_data();
    void workedExamples();
    void letterRows_data();
    void letterRows();
    void rotationRelaysGridKeepsLetters();
    void surfaceShowsOnlyTheCurrentSample();
    void books_data();
    void books();
    void backAndForthKeepsLayout();
    void changedPartsRebuild();
    void missingReaderEndsProgram();
    void sharpOnScaledScreens();
    void unreadableSample_data();
    void unreadableSample();

private:
    QString sample(const QString &name, int w, int h, const char *format = "JPEG",
                   const QColor &colour = Qt::red);

    QTemporaryDir dir_;
};

QString tst_FrameEditorWindow::sample(const QString &name, int w, int h, const char *format,
                                      const QColor &colour)
{
    const QString path = dir_.filePath(name);
    if (!QFile::exists(path)) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(colour);
        testsupport::writePicture(image, path, format);
    }
    return path;
}

void tst_FrameEditorWindow::initTestCase()
{
    QVERIFY(dir_.isValid());
}

void tst_FrameEditorWindow::cleanup()
{
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void tst_FrameEditorWindow::workedExamples_data()
{
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<int>("rotation");
    QTest::addColumn<int>("parts");
    QTest::addColumn<float>("scale");
    QTest::addColumn<QRect>("area");
    QTest::addColumn<RectList>("frames");
    QTest::addColumn<RectList>("rects");

    const RectList portraitFrames{
        {18, 18, 212, 300}, {230, 18, 212, 300}, {18, 318, 212, 300}, {230, 318, 212, 300}};
    const RectList portraitRects{
        {0, 0, 1239, 1753}, {1239, 0, 1239, 1753}, {0, 1753, 1239, 1753}, {1239, 1753, 1239, 1753}};
    const RectList turnedFrames{
        {18, 18, 400, 282}, {418, 18, 400, 282}, {18, 300, 400, 282}, {418, 300, 400, 282}};
    const RectList turnedRects{
        {0, 0, 1753, 1236}, {1753, 0, 1753, 1236}, {0, 1236, 1753, 1236}, {1753, 1236, 1753, 1236}};

    QTest::newRow("2480x3508, 4") << 2480 << 3508 << 0 << 4 << 600.f / 3508.f
                                  << QRect(18, 18, 424, 600) << portraitFrames << portraitRects;
    QTest::newRow("3508x2480, 4") << 3508 << 2480 << 0 << 4 << 800.f / 3508.f
                                  << QRect(18, 18, 800, 565) << turnedFrames << turnedRects;
    QTest::newRow("2480x3508 turned +90 takes the width branch")
        << 2480 << 3508 << 1 << 4 << 800.f / 3508.f << QRect(18, 18, 800, 565) << turnedFrames
        << turnedRects;
    QTest::newRow("2480x3508 turned -90") << 2480 << 3508 << 3 << 4 << 800.f / 3508.f
                                          << QRect(18, 18, 800, 565) << turnedFrames << turnedRects;
    QTest::newRow("3508x2480 turned 180") << 3508 << 2480 << 2 << 4 << 800.f / 3508.f
                                          << QRect(18, 18, 800, 565) << turnedFrames << turnedRects;
    QTest::newRow("640x480, 3")
        << 640 << 480 << 0 << 3 << 1.f << QRect(18, 18, 640, 480)
        << RectList{{18, 18, 320, 240}, {338, 18, 320, 240}, {18, 258, 320, 240}}
        << RectList{{0, 0, 320, 240}, {320, 0, 320, 240}, {0, 240, 320, 240}};
    QTest::newRow("1000x750, 5") << 1000 << 750 << 0 << 5 << 0.8f << QRect(18, 18, 800, 600)
                                 << RectList{{18, 18, 400, 200},
                                             {418, 18, 400, 200},
                                             {18, 218, 400, 200},
                                             {418, 218, 400, 200},
                                             {18, 418, 400, 200}}
                                 << RectList{{0, 0, 499, 249},
                                             {499, 0, 499, 249},
                                             {0, 249, 499, 249},
                                             {499, 249, 499, 249},
                                             {0, 499, 499, 249}};
    QTest::newRow("500x700 turned +90 fits")
        << 500 << 700 << 1 << 2 << 1.f << QRect(18, 18, 700, 500)
        << RectList{{18, 18, 350, 500}, {368, 18, 350, 500}}
        << RectList{{0, 0, 350, 500}, {350, 0, 350, 500}};
    QTest::newRow("100x80, 2: frames on the picture only")
        << 100 << 80 << 0 << 2 << 1.f << QRect(18, 18, 100, 80)
        << RectList{{18, 18, 50, 80}, {68, 18, 50, 80}}
        << RectList{{0, 0, 50, 80}, {50, 0, 50, 80}};
    QTest::newRow("5000x3 strip is drawn one row high, not refused")
        << 5000 << 3 << 0 << 2 << 0.16f << QRect(18, 18, 800, 1)
        << RectList{{18, 18, 400, 1}, {418, 18, 400, 1}}
        << RectList{{0, 0, 2500, 6}, {2500, 0, 2500, 6}};
}

void tst_FrameEditorWindow::workedExamples()
{
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(int, rotation);
    QFETCH(int, parts);
    QFETCH(float, scale);
    QFETCH(QRect, area);
    QFETCH(RectList, frames);
    QFETCH(RectList, rects);

    testsupport::ScriptedBoxes boxes;
    SplitJob job = jobFor(sample(QStringLiteral("样本 %1x%2.jpg").arg(w).arg(h), w, h), parts);
    FrameEditorWindow editor(job);
    editor.load();
    rotationBox(editor)->setCurrentIndex(rotation);

    const FrameCanvas &canvas = editor.canvas();
    QCOMPARE(canvas.frameCount(), parts);
    QCOMPARE(canvas.shownRotation(), Rotation(rotation));
    QCOMPARE(job.rotation, Rotation(rotation));
    QCOMPARE(canvas.scale(), scale);
    QCOMPARE(canvas.area(), area);
    QCOMPARE(windowRects(editor), frames);
    QCOMPARE(pictureRects(job), rects);
    QCOMPARE(job.sampleSize, QSize(w, h)); // as stored, whatever the rotation
    for (int i = 1; i <= parts; ++i)
        QCOMPARE(frameTag(editor, i)->pos(), frames[i - 1].topLeft() + QPoint(4, 4));
    QVERIFY(boxes.shown().empty());
}

void tst_FrameEditorWindow::letterRows_data()
{
    QTest::addColumn<int>("parts");
    QTest::addColumn<QString>("lastLetter");
    QTest::addColumn<QRect>("lastFrame");

    // 640x480 sample: columns 320 wide, the rows share 480.
    QTest::newRow("1") << 1 << "A" << QRect(18, 18, 320, 480);
    QTest::newRow("5: last alone on the left") << 5 << "E" << QRect(18, 338, 320, 160);
    QTest::newRow("10") << 10 << "J" << QRect(338, 402, 320, 96);
}

void tst_FrameEditorWindow::letterRows()
{
    QFETCH(int, parts);
    QFETCH(QString, lastLetter);
    QFETCH(QRect, lastFrame);

    testsupport::ScriptedBoxes boxes;
    SplitJob job = jobFor(sample(QStringLiteral("rows.png"), 640, 480, "PNG"), parts);
    FrameEditorWindow editor(job);
    editor.load();

    // The hidden template and one list per frame.
    QCOMPARE(editor.findChildren<QComboBox *>(QRegularExpression(QStringLiteral("^letterBoxes_")))
                 .size(),
             parts + 1);
    QStringList expectedItems;
    for (int i = 0; i < parts; ++i)
        expectedItems.append(QString(QChar('A' + i)));
    for (int i = 1; i <= parts; ++i) {
        const auto *caption =
            editor.findChild<QLabel *>(QStringLiteral("letterCaptions_%1").arg(i));
        const auto *list = editor.findChild<QComboBox *>(QStringLiteral("letterBoxes_%1").arg(i));
        const auto *tag = editor.findChild<QLabel *>(QStringLiteral("frameTags_%1").arg(i));
        const auto *shape = editor.findChild<FrameShape *>(QStringLiteral("frameShapes_%1").arg(i));
        QVERIFY(caption && list && tag && shape);
        QCOMPARE(caption->text(), QStringLiteral("分割框%1首字母:").arg(i));
        QCOMPARE(caption->pos(), QPoint(830, 20 + 26 * (i - 1)));
        QCOMPARE(list->pos(), QPoint(916, 16 + 26 * (i - 1)));
        QVERIFY(!list->isEditable());
        QStringList items;
        for (int k = 0; k < list->count(); ++k)
            items.append(list->itemText(k));
        QCOMPARE(items, expectedItems);
        QCOMPARE(list->currentIndex(), i - 1);
        QCOMPARE(tag->text(), QString::number(i));
        QVERIFY(!shape->isHidden());
    }
    QCOMPARE(letterBox(editor, parts)->currentText(), lastLetter);
    QCOMPARE(jobLetters(job), expectedItems);
    QCOMPARE(frameShape(editor, parts)->geometry(), lastFrame);
    // The templates never show.
    QVERIFY(frameShape(editor, 0)->isHidden());
    QVERIFY(frameTag(editor, 0)->isHidden());
    QVERIFY(requiredControl<QLabel>(editor, QStringLiteral("letterCaptions_0"))->isHidden());
    QVERIFY(letterBox(editor, 0)->isHidden());
    QCOMPARE(requiredControl<QLabel>(editor, QStringLiteral("noteLabel"))->text(),
             QStringLiteral("说明：相同书的页对应的分割框请使用相同的首字母。"
                            "（因为保存文件时是按分割框的编号顺序分割保存的）"));
    QComboBox *rotations = rotationBox(editor);
    QCOMPARE(rotations->count(), 4);
    QCOMPARE(rotations->itemText(3), QStringLiteral("裁剪后旋转-90"));
    QCOMPARE(rotations->currentIndex(), 0);
    for (int k = 0; k < 8; ++k) {
        const SizeHandle *handle = sizeHandle(editor, geometry::Handle(k));
        QVERIFY(handle->isHidden());
        QCOMPARE(handle->size(), QSize(8, 8));
    }
}

void tst_FrameEditorWindow::rotationRelaysGridKeepsLetters()
{
    testsupport::ScriptedBoxes boxes;
    SplitJob job = jobFor(sample(QStringLiteral("relay.png"), 640, 480, "PNG"), 4);
    FrameEditorWindow editor(job);
    editor.load();

    frameShape(editor, 1)->setGeometry(100, 100, 50, 50);
    editor.canvas().updateFrameRects();
    QCOMPARE(job.frames[0].rect, QRect(82, 82, 50, 50));
    letterBox(editor, 2)->setCurrentText(QStringLiteral("A"));
    letterBox(editor, 4)->setCurrentText(QStringLiteral("C"));

    rotationBox(editor)->setCurrentIndex(1); // 480x640, shown at 0.9375
    QCOMPARE(editor.canvas().area(), QRect(18, 18, 450, 600));
    QCOMPARE(
        windowRects(editor),
        (RectList{
            {18, 18, 225, 300}, {243, 18, 225, 300}, {18, 318, 225, 300}, {243, 318, 225, 300}}));
    QCOMPARE(job.frames[0].rect, QRect(0, 0, 240, 320));
    QCOMPARE(letters(editor), (QStringList{"A", "A", "C", "C"}));
    QCOMPARE(jobLetters(job), letters(editor));
}

void tst_FrameEditorWindow::surfaceShowsOnlyTheCurrentSample()
{
    testsupport::ScriptedBoxes boxes;
    SplitJob job = jobFor(sample(QStringLiteral("wide.png"), 800, 400, "PNG", Qt::blue), 2);
    FrameEditorWindow editor(job);
    editor.load();
    const QImage &surface = editor.canvas().surface();
    QCOMPARE(surface.size(), QSize(954, 636));
    const QColor windowColour = editor.palette().color(QPalette::Window);

    QVERIFY(isColour(surface, {18, 18}, Qt::blue));
    QVERIFY(isColour(surface, {817, 417}, Qt::blue));
    QVERIFY(isColour(surface, {817, 418}, areaColour));
    QVERIFY(isColour(surface, {818, 18}, windowColour));
    QVERIFY(isColour(surface, {17, 17}, windowColour));

    // Turned, the picture is tall and narrow: nothing of the wide one may stay.
    rotationBox(editor)->setCurrentIndex(1);
    QCOMPARE(editor.canvas().area().right(), 317);
    QVERIFY(isColour(surface, {317, 617}, Qt::blue, 8));
    QVERIFY(isColour(surface, {500, 30}, areaColour));
    QVERIFY(isColour(surface, {320, 300}, areaColour));

    // A repaint shows the surface as it is: the sample is not drawn again.
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    editor.repaint();
    QCOMPARE(editor.grab().toImage().pixelColor(100, 300), QColor(Qt::blue));
}

void tst_FrameEditorWindow::books_data()
{
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<int>("books"); // 0: no question

    QTest::newRow("A A B B goes on") << QStringList{"A", "A", "B", "B"} << 0;
    QTest::newRow("A B C D asks") << QStringList{"A", "B", "C", "D"} << 4;
    QTest::newRow("A A B B C asks") << QStringList{"A", "A", "B", "B", "C"} << 3;
    QTest::newRow("single frame asks") << QStringList{"A"} << 1;
}

void tst_FrameEditorWindow::books()
{
    QFETCH(QStringList, chosen);
    QFETCH(int, books);

    testsupport::ScriptedBoxes boxes;
    SplitJob job = jobFor(sample(QStringLiteral("books.png"), 640, 480, "PNG"), int(chosen.size()));
    FrameEditorWindow editor(job);
    editor.load();
    for (int i = 1; i <= editor.canvas().frameCount(); ++i)
        letterBox(editor, i)->setCurrentText(chosen[i - 1]);
    const RectList frames = windowRects(editor);
    const RectList rects = pictureRects(job);
    QPushButton *next = button(editor, "nextButton");
    QSignalSpy nextRequests(&editor, &FrameEditorWindow::nextRequested);

    if (books == 0) {
        QTest::mouseClick(next, Qt::LeftButton);
        QCOMPARE(nextRequests.count(), 1);
        QVERIFY(boxes.shown().empty());
        return;
    }

    boxes.answerNext(platform::BoxAnswer::No);
    QTest::mouseClick(next, Qt::LeftButton);
    QCOMPARE(nextRequests.count(), 0);
    QCOMPARE(
        boxes.lines(),
        QStringList{testsupport::boxLine(
            "提示信息", QStringLiteral("这些选中的图片将被分割成 %1 本书！是否继续？").arg(books),
            platform::BoxIcon::Question, platform::BoxButtons::YesNo)});
    QCOMPARE(boxes.shown().front().defaultButton, platform::BoxAnswer::No);
    // No leaves everything as it was, and Next can be pressed again.
    QCOMPARE(letters(editor), chosen);
    QCOMPARE(jobLetters(job), chosen);
    QCOMPARE(windowRects(editor), frames);
    QCOMPARE(pictureRects(job), rects);
    QVERIFY(next->isEnabled());

    boxes.answerNext(platform::BoxAnswer::Yes);
    QTest::mouseClick(next, Qt::LeftButton);
    QCOMPARE(nextRequests.count(), 1);
    QCOMPARE(boxes.shown().size(), size_t(2));
}

void tst_FrameEditorWindow::backAndForthKeepsLayout()
{
    testsupport::ScriptedBoxes boxes;
    SplitJob job = jobFor(sample(QStringLiteral("keep.png"), 640, 480, "PNG"), 4);
    FrameEditorWindow editor(job);
    editor.load();
    editor.show();
    rotationBox(editor)->setCurrentIndex(2);
    frameShape(editor, 3)->setGeometry(40, 50, 60, 70);
    editor.canvas().updateFrameRects();
    letterBox(editor, 3)->setCurrentIndex(0);
    const RectList frames = windowRects(editor);
    const RectList rects = pictureRects(job);

    // Back to step 1 and on again with the same number of parts.
    editor.hide();
    job.partCount = 4;
    editor.show();

    QCOMPARE(windowRects(editor), frames);
    QCOMPARE(pictureRects(job), rects);
    QCOMPARE(letters(editor), (QStringList{"A", "B", "A", "D"}));
    QCOMPARE(jobLetters(job), letters(editor));
    QCOMPARE(rotationBox(editor)->currentIndex(), 2);
    QCOMPARE(job.rotation, Rotation::HalfTurn);
    editor.hide();
}

void tst_FrameEditorWindow::changedPartsRebuild()
{
    testsupport::ScriptedBoxes boxes;
    SplitJob job = jobFor(sample(QStringLiteral("rebuild.png"), 640, 480, "PNG"), 4);
    FrameEditorWindow editor(job);
    editor.load();
    editor.show();
    rotationBox(editor)->setCurrentIndex(1); // 480x640
    letterBox(editor, 1)->setCurrentIndex(3);
    editor.hide();

    job.partCount = 6;
    editor.show();
    QCOMPARE(editor.canvas().frameCount(), 6);
    QCOMPARE(job.frames.size(), size_t(6));
    QCOMPARE(editor.findChildren<QComboBox *>(QRegularExpression(QStringLiteral("^letterBoxes_")))
                 .size(),
             7);
    QCOMPARE(editor.findChildren<FrameShape *>().size(), 7);
    QCOMPARE(editor.findChildren<QComboBox *>(QStringLiteral("letterBoxes_1")).size(), 1);
    QCOMPARE(letters(editor), (QStringList{"A", "B", "C", "D", "E", "F"}));
    QCOMPARE(jobLetters(job), letters(editor));
    QCOMPARE(letterBox(editor, 6)->count(), 6);
    // Laid on the current sample in its current rotation: 480 x 640 in three rows.
    QCOMPARE(rotationBox(editor)->currentIndex(), 1);
    QCOMPARE(job.rotation, Rotation::Clockwise90);
    QCOMPARE(frameShape(editor, 6)->geometry(), QRect(243, 418, 225, 200));
    QCOMPARE(job.frames[5].rect, QRect(240, 426, 240, 213));
    QVERIFY(boxes.shown().empty());
    editor.hide();

    job.partCount = 2;
    editor.show();
    QCOMPARE(editor.canvas().frameCount(), 2);
    QCOMPARE(job.frames.size(), size_t(2));
    QVERIFY(!editor.findChild<QWidget *>(QStringLiteral("frameShapes_3")));
    QVERIFY(!editor.findChild<QWidget *>(QStringLiteral("letterCaptions_3")));
    QCOMPARE(letterBox(editor, 2)->count(), 2);
    QCOMPARE(job.frames[1].rect, QRect(240, 0, 240, 640));
    editor.hide();

    // A new number of parts whose sample cannot be drawn: the new frames still lie on the
    // picture shown, with rectangles inside it, before and after a key moves one.
    job.pictures = {dir_.filePath(QStringLiteral("gone.png"))};
    job.partCount = 3;
    editor.show();
    QCOMPARE(boxes.shown().size(), size_t(1));
    const QRect shown = editor.canvas().area();
    QTest::mouseClick(frameShape(editor, 3), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::keyClick(&editor, Qt::Key_Left);
    for (int i = 1; i <= 3; ++i) {
        QVERIFY(shown.contains(frameShape(editor, i)->geometry()));
        QVERIFY(QRect(0, 0, 480, 640).contains(job.frames[size_t(i - 1)].rect));
    }
    editor.hide();
}

void tst_FrameEditorWindow::missingReaderEndsProgram()
{
    testsupport::ScriptedBoxes boxes;
    SplitJob job = jobFor(sample(QStringLiteral("fail.png"), 640, 480, "PNG"), 4);
    FrameEditorWindow editor(job);
    QSignalSpy imagingFailures(&editor, &FrameEditorWindow::imagingFailed);
    // A build whose Qt lacks the TIFF reader plugin.
    imaging::setAvailableReadersResponder([] {
        return QList<QByteArray>{"bmp", "gif", "jpeg", "png"};
    });
    QTest::ignoreMessage(QtWarningMsg, "no picture reader for tiff");
    editor.load();
    imaging::setAvailableReadersResponder({});

    QCOMPARE(imagingFailures.count(), 1);
    QCOMPARE(boxes.lines(), QStringList{testsupport::boxLine("加载错误", "加载GDI+失败！",
                                                             platform::BoxIcon::Critical)});
    // Nothing after the failed check ran.
    QCOMPARE(pictureRects(job), RectList(4));
}

// On a screen scaled 200 % the sample is drawn with twice the pixels each way, while the
// frames and their rectangles stay in the window's logical pixels.
void tst_FrameEditorWindow::sharpOnScaledScreens()
{
    // Columns alternate black and white: at 1600 pixels drawn into 800 they blur to grey.
    QImage stripes(1600, 1200, QImage::Format_RGB32);
    for (int x = 0; x < stripes.width(); ++x)
        for (int y = 0; y < stripes.height(); ++y)
            stripes.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    const QString path = dir_.filePath(QStringLiteral("stripes.png"));
    QVERIFY(testsupport::writePicture(stripes, path, "PNG"));

    testsupport::ScriptedBoxes boxes;
    SplitJob job = jobFor(path, 4);
    FrameEditorWindow editor(job);
    editor.canvas().setSurfaceRatio(2);
    editor.load();
    const QImage &surface = editor.canvas().surface();
    QCOMPARE(surface.devicePixelRatio(), 2.0);
    QCOMPARE(surface.size(), QSize(1908, 1272));
    const int left = 2 * 18 + 100, top = 2 * 18 + 100; // device pixels inside the picture
    QCOMPARE(qGray(surface.pixel(left, top)) < 64, true);
    QCOMPARE(qGray(surface.pixel(left + 1, top)) > 191, true);
    QCOMPARE(editor.canvas().scale(), 0.5f);
    QCOMPARE(frameShape(editor, 4)->geometry(), QRect(418, 318, 400, 300));
    QCOMPARE(job.frames[3].rect, QRect(800, 600, 800, 600));
    QVERIFY(boxes.shown().empty());
}

void tst_FrameEditorWindow::unreadableSample_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // empty: no file at all

    QTest::newRow("missing file") << QStringLiteral("不存在 的.jpg") << QByteArray();
    QTest::newRow("not a picture")
        << QStringLiteral("坏 图.jpg") << QByteArray("this is no picture at all");
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(Qt::green);
    const QByteArray png = testsupport::encoded(image, "png");
    // The header is whole, so the picture opens; its pixels cannot be decoded.
    QTest::newRow("cut short") << QStringLiteral("半截.png") << png.left(60);
}

void tst_FrameEditorWindow::unreadableSample()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    const QString path = dir_.filePath(name);
    if (!content.isEmpty())
        QVERIFY(testsupport::writeBytes(path, content));

    testsupport::ScriptedBoxes boxes;
    SplitJob job = jobFor(path, 4);
    FrameEditorWindow editor(job);
    editor.load();
    // The box waits until the window is on screen, and opens over it.
    QVERIFY(boxes.shown().empty());
    editor.show();
    QTRY_COMPARE(boxes.shown().size(), size_t(1));
    const platform::BoxRequest &box = boxes.shown().front();
    QCOMPARE(box.owner, &editor);
    QCOMPARE(box.title, QStringLiteral("提示信息"));
    QCOMPARE(box.icon, platform::BoxIcon::Exclamation);
    QCOMPARE(box.buttons, platform::BoxButtons::Ok);
    QVERIFY2(box.text.contains(QDir::toNativeSeparators(path)), qPrintable(box.text));
    // The frames lie on the empty picture area, and without a scale nothing is converted.
    for (int i = 1; i <= 4; ++i)
        QCOMPARE(frameShape(editor, i)->geometry(),
                 layout::defaultFrame(i, 4, layout::largestArea));
    editor.canvas().updateFrameRects();
    QCOMPARE(pictureRects(job), RectList(4));
    QVERIFY(isColour(editor.canvas().surface(), {18, 18}, areaColour));
    // No sample drawn, so no size to write: Ctrl+S says so before asking for a file.
    testsupport::ScriptedDialogs dialogs;
    pressCtrl(editor, Qt::Key_S);
    QVERIFY(dialogs.fileRequests().empty());
    QCOMPARE(boxes.lines().mid(1), QStringList{testsupport::boxLine(
                                       "提示信息", "样本图片没有显示出来，无法保存分割布局。",
                                       platform::BoxIcon::Exclamation)});

    // Once the sample can be read, a rotation change draws it.
    QFile::remove(path);
    QVERIFY(QFile::copy(sample(QStringLiteral("later.png"), 640, 480, "PNG"), path));
    rotationBox(editor)->setCurrentIndex(2);
    QCOMPARE(boxes.shown().size(), size_t(2));
    QCOMPARE(editor.canvas().scale(), 1.f);
    QCOMPARE(job.frames[3].rect, QRect(320, 240, 320, 240));
    QFile::remove(path);

    // Unreadable again: a layout in another rotation cannot be drawn, so its frames are not
    // placed by the old picture's scale, and everything stays as it was.
    const QString file =
        dir_.filePath(QStringLiteral("turned %1.json").arg(QTest::currentDataTag()));
    const SavedLayout turned{{{{0, 0, 240, 320}, "B"},
                              {{240, 0, 240, 320}, "A"},
                              {{0, 320, 240, 320}, "D"},
                              {{240, 320, 240, 320}, "C"}},
                             Rotation::Clockwise90,
                             {640, 480}};
    QVERIFY(saveLayoutFile(file, turned, nullptr));
    const RectList frames = windowRects(editor);
    const RectList rects = pictureRects(job);
    dialogs.pickFile(file);
    pressCtrl(editor, Qt::Key_O);
    QCOMPARE(boxes.shown().size(), size_t(3));
    QVERIFY2(boxes.shown().back().text.contains(QDir::toNativeSeparators(path)),
             qPrintable(boxes.shown().back().text));
    QCOMPARE(windowRects(editor), frames);
    QCOMPARE(pictureRects(job), rects);
    QCOMPARE(jobLetters(job), (QStringList{"A", "B", "C", "D"}));
}

QTEST_MAIN(tst_FrameEditorWindow)
#include "tst_frameeditorwindow.moc"
