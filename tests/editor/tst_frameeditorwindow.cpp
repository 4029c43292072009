#include "TestSupport.h"
#include "job/SplitJob.h"
#include "editor/FrameShape.h"
#include "editor/SizeHandle.h"
#include "editor/FrameEditorWindow.h"
#include "imaging/Library.h"
#include "imaging/Picture.h"
#include "select/PictureListWindow.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using RectList = QList<QRect>;

namespace {

const QColor areaColour(204, 204, 153);

QRect asRect(const FrameRect &r)
{
    return QRect(r.x, r.y, r.width, r.height);
}

RectList pictureRects()
{
    RectList rects;
    for (size_t i = 1; i < frameRects.size(); ++i)
        rects.append(asRect(frameRects[i]));
    return rects;
}

RectList windowRects(const FrameEditorWindow &step2)
{
    RectList rects;
    for (int i = 1; i <= step2.frameCount; ++i)
        rects.append(step2.Shape1[size_t(i)]->geometry());
    return rects;
}

QStringList letters(const FrameEditorWindow &step2)
{
    QStringList list;
    for (int i = 1; i <= step2.frameCount; ++i)
        list.append(step2.Combo1[size_t(i)]->currentText());
    return list;
}

void prepareStep1(PictureListWindow &step1, const QString &sample, int parts)
{
    step1.List1->addItem(sample);
    step1.Combo1->setCurrentText(QString::number(parts));
}

bool isColour(const QImage &image, QPoint at, const QColor &colour, int tolerance = 0)
{
    const QColor c = image.pixelColor(at);
    return qAbs(c.red() - colour.red()) <= tolerance &&
           qAbs(c.green() - colour.green()) <= tolerance &&
           qAbs(c.blue() - colour.blue()) <= tolerance;
}

} // namespace

class tst_frmSplit2 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void workedExamples_data();
    void workedExamples();
    void letterRows_data();
    void letterRows();
    void libraryStartedPerDrawing();
    void rotationRelaysGridKeepsLetters();
    void surfaceShowsOnlyTheCurrentSample();
    void books_data();
    void books();
    void backAndForthKeepsLayout();
    void changedPartsRebuild();
    void failingStartEndsProgram();
    void unreadableSample_data();
    void unreadableSample();
    void windowClickDropsSelection();

private:
    QString sample(const QString &name, int w, int h, const char *format = "JPEG",
                   const QColor &colour = Qt::red);

    QTemporaryDir dir_;
    int fatalEnds_ = 0;
};

QString tst_frmSplit2::sample(const QString &name, int w, int h, const char *format,
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

void tst_frmSplit2::initTestCase()
{
    QVERIFY(dir_.isValid());
    // The real end of the program would stop the test run.
    setFatalEnd([this] { ++fatalEnds_; });
}

void tst_frmSplit2::init()
{
    fatalEnds_ = 0;
    frameRects.clear();
}

void tst_frmSplit2::cleanup()
{
    QCOMPARE(imaging::Library::liveInstances(), 0);
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void tst_frmSplit2::workedExamples_data()
{
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<int>("rotation");
    QTest::addColumn<int>("parts");
    QTest::addColumn<float>("scale");
    QTest::addColumn<int>("areaRight");
    QTest::addColumn<int>("areaBottom");
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

    QTest::newRow("2480x3508, 4") << 2480 << 3508 << 0 << 4 << 600.f / 3508.f << 441 << 617
                                  << portraitFrames << portraitRects;
    QTest::newRow("3508x2480, 4") << 3508 << 2480 << 0 << 4 << 800.f / 3508.f << 817 << 582
                                  << turnedFrames << turnedRects;
    QTest::newRow("2480x3508 turned +90 takes the width branch")
        << 2480 << 3508 << 1 << 4 << 800.f / 3508.f << 817 << 582 << turnedFrames << turnedRects;
    QTest::newRow("2480x3508 turned -90")
        << 2480 << 3508 << 3 << 4 << 800.f / 3508.f << 817 << 582 << turnedFrames << turnedRects;
    QTest::newRow("3508x2480 turned 180")
        << 3508 << 2480 << 2 << 4 << 800.f / 3508.f << 817 << 582 << turnedFrames << turnedRects;
    QTest::newRow("640x480, 3")
        << 640 << 480 << 0 << 3 << 1.f << 657 << 497
        << RectList{{18, 18, 320, 240}, {338, 18, 320, 240}, {18, 258, 320, 240}}
        << RectList{{0, 0, 320, 240}, {320, 0, 320, 240}, {0, 240, 320, 240}};
    QTest::newRow("1000x750, 5") << 1000 << 750 << 0 << 5 << 0.8f << 817 << 617
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
    QTest::newRow("500x700 turned +90 fits") << 500 << 700 << 1 << 2 << 1.f << 717 << 517
                                             << RectList{{18, 18, 350, 500}, {368, 18, 350, 500}}
                                             << RectList{{0, 0, 350, 500}, {350, 0, 350, 500}};
    QTest::newRow("100x80, 2: frames on the picture only")
        << 100 << 80 << 0 << 2 << 1.f << 117 << 97 << RectList{{18, 18, 50, 80}, {68, 18, 50, 80}}
        << RectList{{0, 0, 50, 80}, {50, 0, 50, 80}};
}

void tst_frmSplit2::workedExamples()
{
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(int, rotation);
    QFETCH(int, parts);
    QFETCH(float, scale);
    QFETCH(int, areaRight);
    QFETCH(int, areaBottom);
    QFETCH(RectList, frames);
    QFETCH(RectList, rects);

    testsupport::ScriptedBoxes boxes;
    PictureListWindow step1;
    prepareStep1(step1, sample(QStringLiteral("样本 %1x%2.jpg").arg(w).arg(h), w, h), parts);
    FrameEditorWindow step2(step1);
    step2.Combo2->setCurrentIndex(rotation);

    QCOMPARE(step2.frameCount, parts);
    QCOMPARE(step2.rotateIndex, rotation);
    QCOMPARE(step2.picScale, scale);
    QCOMPARE(step2.areaRight, areaRight);
    QCOMPARE(step2.areaBottom, areaBottom);
    QCOMPARE(windowRects(step2), frames);
    QCOMPARE(frameRects.size(), size_t(parts) + 1);
    QCOMPARE(asRect(frameRects[0]), QRect());
    QCOMPARE(pictureRects(), rects);
    for (int i = 1; i <= parts; ++i)
        QCOMPARE(step2.Label1[size_t(i)]->pos(), frames[i - 1].topLeft() + QPoint(4, 4));
    QVERIFY(boxes.shown().empty());
}

void tst_frmSplit2::letterRows_data()
{
    QTest::addColumn<int>("parts");
    QTest::addColumn<QString>("lastLetter");
    QTest::addColumn<QRect>("lastFrame");

    // 640x480 sample: columns 320 wide, the rows share 480.
    QTest::newRow("1") << 1 << "A" << QRect(18, 18, 320, 480);
    QTest::newRow("5: last alone on the left") << 5 << "E" << QRect(18, 338, 320, 160);
    QTest::newRow("10") << 10 << "J" << QRect(338, 402, 320, 96);
}

void tst_frmSplit2::letterRows()
{
    QFETCH(int, parts);
    QFETCH(QString, lastLetter);
    QFETCH(QRect, lastFrame);

    testsupport::ScriptedBoxes boxes;
    PictureListWindow step1;
    prepareStep1(step1, sample(QStringLiteral("rows.png"), 640, 480, "PNG"), parts);
    FrameEditorWindow step2(step1);

    QCOMPARE(step2.Combo1.size(), size_t(parts) + 1);
    QStringList expectedItems;
    for (int i = 0; i < parts; ++i)
        expectedItems.append(QString(QChar('A' + i)));
    for (int i = 1; i <= parts; ++i) {
        const auto *caption = step2.findChild<QLabel *>(QStringLiteral("Label2_%1").arg(i));
        const auto *list = step2.findChild<QComboBox *>(QStringLiteral("Combo1_%1").arg(i));
        const auto *tag = step2.findChild<QLabel *>(QStringLiteral("Label1_%1").arg(i));
        QVERIFY(caption && list && tag);
        QVERIFY(step2.findChild<FrameShape *>(QStringLiteral("Shape1_%1").arg(i)));
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
        QVERIFY(!step2.Shape1[size_t(i)]->isHidden());
    }
    QCOMPARE(step2.Combo1[size_t(parts)]->currentText(), lastLetter);
    QCOMPARE(step2.Shape1[size_t(parts)]->geometry(), lastFrame);
    // The templates never show.
    QVERIFY(step2.Shape1[0]->isHidden());
    QVERIFY(step2.Label1[0]->isHidden());
    QVERIFY(step2.Label2[0]->isHidden());
    QVERIFY(step2.Combo1[0]->isHidden());
    QCOMPARE(step2.Label3->text(),
             QStringLiteral("说明：相同书的页对应的分割框请使用相同的首字母。"
                            "（因为保存文件时是按分割框的编号顺序分割保存的）"));
    QCOMPARE(step2.Combo2->count(), 4);
    QCOMPARE(step2.Combo2->itemText(3), QStringLiteral("裁剪后旋转-90"));
    QCOMPARE(step2.Combo2->currentIndex(), 0);
    for (const char *name : {"labLeftUp", "labUpMid", "labRightUp", "labLeftMid", "labRightMid",
                             "labLeftDown", "labDownMid", "labRightDown"}) {
        const auto *handle = step2.findChild<SizeHandle *>(QLatin1String(name));
        QVERIFY(handle);
        QVERIFY(handle->isHidden());
        QCOMPARE(handle->size(), QSize(8, 8));
    }
}

void tst_frmSplit2::libraryStartedPerDrawing()
{
    testsupport::ScriptedBoxes boxes;
    PictureListWindow step1;
    prepareStep1(step1, sample(QStringLiteral("count.jpg"), 1200, 900), 4);
    const int startups = imaging::Library::totalStartups();
    const int shutdowns = imaging::Library::totalShutdowns();

    FrameEditorWindow step2(step1);
    QCOMPARE(imaging::Library::totalStartups(), startups + 1);
    QCOMPARE(imaging::Library::totalShutdowns(), shutdowns + 1);
    QCOMPARE(imaging::Library::liveInstances(), 0);
    QVERIFY(!gdipImage && !gdipGraphics);

    for (int rotation : {1, 2, 3}) {
        step2.Combo2->setCurrentIndex(rotation);
        QCOMPARE(imaging::Library::liveInstances(), 0);
    }
    QCOMPARE(imaging::Library::totalStartups(), startups + 4);
    QCOMPARE(imaging::Library::totalShutdowns(), shutdowns + 4);

    // The rotation already shown draws nothing again.
    step2.Combo2->setCurrentIndex(3);
    QCOMPARE(imaging::Library::totalStartups(), startups + 4);
    QVERIFY(boxes.shown().empty());
}

void tst_frmSplit2::rotationRelaysGridKeepsLetters()
{
    testsupport::ScriptedBoxes boxes;
    PictureListWindow step1;
    prepareStep1(step1, sample(QStringLiteral("relay.png"), 640, 480, "PNG"), 4);
    FrameEditorWindow step2(step1);

    step2.Shape1[1]->setGeometry(100, 100, 50, 50);
    step2.PicFrameArray();
    QCOMPARE(asRect(frameRects[1]), QRect(82, 82, 50, 50));
    step2.Combo1[2]->setCurrentText(QStringLiteral("A"));
    step2.Combo1[4]->setCurrentText(QStringLiteral("C"));

    step2.Combo2->setCurrentIndex(1); // 480x640, shown at 0.9375
    QCOMPARE(step2.areaRight, 467);
    QCOMPARE(step2.areaBottom, 617);
    QCOMPARE(
        windowRects(step2),
        (RectList{
            {18, 18, 225, 300}, {243, 18, 225, 300}, {18, 318, 225, 300}, {243, 318, 225, 300}}));
    QCOMPARE(asRect(frameRects[1]), QRect(0, 0, 240, 320));
    QCOMPARE(letters(step2), (QStringList{"A", "A", "C", "C"}));
}

void tst_frmSplit2::surfaceShowsOnlyTheCurrentSample()
{
    testsupport::ScriptedBoxes boxes;
    PictureListWindow step1;
    prepareStep1(step1, sample(QStringLiteral("wide.png"), 800, 400, "PNG", Qt::blue), 2);
    FrameEditorWindow step2(step1);
    const QImage &surface = step2.surface();
    QCOMPARE(surface.size(), QSize(954, 636));
    const QColor windowColour = step2.palette().color(QPalette::Window);

    QVERIFY(isColour(surface, {18, 18}, Qt::blue));
    QVERIFY(isColour(surface, {817, 417}, Qt::blue));
    QVERIFY(isColour(surface, {817, 418}, areaColour));
    QVERIFY(isColour(surface, {818, 18}, windowColour));
    QVERIFY(isColour(surface, {17, 17}, windowColour));

    // Turned, the picture is tall and narrow: nothing of the wide one may stay.
    step2.Combo2->setCurrentIndex(1);
    QCOMPARE(step2.areaRight, 317);
    QVERIFY(isColour(surface, {317, 617}, Qt::blue, 8));
    QVERIFY(isColour(surface, {500, 30}, areaColour));
    QVERIFY(isColour(surface, {320, 300}, areaColour));

    // A repaint shows the surface as it is: the sample is not drawn again.
    const int startups = imaging::Library::totalStartups();
    step2.show();
    QVERIFY(QTest::qWaitForWindowExposed(&step2));
    step2.repaint();
    QCOMPARE(imaging::Library::totalStartups(), startups);
    QCOMPARE(step2.grab().toImage().pixelColor(100, 300), QColor(Qt::blue));
}

void tst_frmSplit2::books_data()
{
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<int>("books"); // 0: no question

    QTest::newRow("A A B B goes on") << QStringList{"A", "A", "B", "B"} << 0;
    QTest::newRow("A B C D asks") << QStringList{"A", "B", "C", "D"} << 4;
    QTest::newRow("A A B B C asks") << QStringList{"A", "A", "B", "B", "C"} << 3;
    QTest::newRow("single frame asks") << QStringList{"A"} << 1;
}

void tst_frmSplit2::books()
{
    QFETCH(QStringList, chosen);
    QFETCH(int, books);

    testsupport::ScriptedBoxes boxes;
    PictureListWindow step1;
    prepareStep1(step1, sample(QStringLiteral("books.png"), 640, 480, "PNG"), int(chosen.size()));
    FrameEditorWindow step2(step1);
    for (int i = 1; i <= step2.frameCount; ++i)
        step2.Combo1[size_t(i)]->setCurrentText(chosen[i - 1]);
    const RectList frames = windowRects(step2);
    const RectList rects = pictureRects();
    QSignalSpy next(&step2, &FrameEditorWindow::nextRequested);

    if (books == 0) {
        QTest::mouseClick(step2.Command2, Qt::LeftButton);
        QCOMPARE(next.count(), 1);
        QVERIFY(boxes.shown().empty());
        return;
    }

    boxes.answerNext(platform::BoxAnswer::No);
    QTest::mouseClick(step2.Command2, Qt::LeftButton);
    QCOMPARE(next.count(), 0);
    QCOMPARE(boxes.shown().size(), size_t(1));
    const platform::BoxRequest &ask = boxes.shown().front();
    QCOMPARE(ask.title, QStringLiteral("提示信息"));
    QCOMPARE(ask.text, QStringLiteral("这些选中的图片将被分割成 %1 本书！是否继续？").arg(books));
    QCOMPARE(ask.icon, platform::BoxIcon::Question);
    QCOMPARE(ask.buttons, platform::BoxButtons::YesNo);
    QCOMPARE(ask.defaultButton, platform::BoxAnswer::No);
    // No leaves everything as it was, and Next can be pressed again.
    QCOMPARE(letters(step2), chosen);
    QCOMPARE(windowRects(step2), frames);
    QCOMPARE(pictureRects(), rects);
    QVERIFY(step2.Command2->isEnabled());

    boxes.answerNext(platform::BoxAnswer::Yes);
    QTest::mouseClick(step2.Command2, Qt::LeftButton);
    QCOMPARE(next.count(), 1);
    QCOMPARE(boxes.shown().size(), size_t(2));
}

void tst_frmSplit2::backAndForthKeepsLayout()
{
    testsupport::ScriptedBoxes boxes;
    PictureListWindow step1;
    prepareStep1(step1, sample(QStringLiteral("keep.png"), 640, 480, "PNG"), 4);
    FrameEditorWindow step2(step1);
    step2.show();
    step2.Combo2->setCurrentIndex(2);
    step2.Shape1[3]->setGeometry(40, 50, 60, 70);
    step2.PicFrameArray();
    step2.Combo1[3]->setCurrentIndex(0);
    const RectList frames = windowRects(step2);
    const RectList rects = pictureRects();
    const int startups = imaging::Library::totalStartups();

    step2.hide();
    step1.Combo1->setCurrentText(QStringLiteral(" 4 "));
    step2.show();

    QCOMPARE(windowRects(step2), frames);
    QCOMPARE(pictureRects(), rects);
    QCOMPARE(letters(step2), (QStringList{"A", "B", "A", "D"}));
    QCOMPARE(step2.Combo2->currentIndex(), 2);
    QCOMPARE(imaging::Library::totalStartups(), startups);
    step2.hide();
}

void tst_frmSplit2::changedPartsRebuild()
{
    testsupport::ScriptedBoxes boxes;
    PictureListWindow step1;
    prepareStep1(step1, sample(QStringLiteral("rebuild.png"), 640, 480, "PNG"), 4);
    FrameEditorWindow step2(step1);
    step2.show();
    step2.Combo2->setCurrentIndex(1); // 480x640
    step2.Combo1[1]->setCurrentIndex(3);
    step2.hide();

    step1.Combo1->setCurrentText(QStringLiteral("6"));
    step2.show();
    QCOMPARE(step2.frameCount, 6);
    QCOMPARE(frameRects.size(), size_t(7));
    QCOMPARE(step2.Combo1.size(), size_t(7));
    QCOMPARE(step2.findChildren<FrameShape *>().size(), 7);
    QCOMPARE(step2.findChildren<QComboBox *>(QStringLiteral("Combo1_1")).size(), 1);
    QCOMPARE(letters(step2), (QStringList{"A", "B", "C", "D", "E", "F"}));
    QCOMPARE(step2.Combo1[6]->count(), 6);
    // Laid on the current sample in its current rotation: 480 x 640 in three rows.
    QCOMPARE(step2.Combo2->currentIndex(), 1);
    QCOMPARE(step2.Shape1[6]->geometry(), QRect(243, 418, 225, 200));
    QCOMPARE(asRect(frameRects[6]), QRect(240, 426, 240, 213));
    QVERIFY(boxes.shown().empty());
    step2.hide();

    step1.Combo1->setCurrentText(QStringLiteral("2"));
    step2.show();
    QCOMPARE(step2.frameCount, 2);
    QCOMPARE(frameRects.size(), size_t(3));
    QVERIFY(!step2.findChild<QWidget *>(QStringLiteral("Shape1_3")));
    QVERIFY(!step2.findChild<QWidget *>(QStringLiteral("Label2_3")));
    QCOMPARE(step2.Combo1[2]->count(), 2);
    QCOMPARE(asRect(frameRects[2]), QRect(240, 0, 240, 640));
    step2.hide();
}

void tst_frmSplit2::failingStartEndsProgram()
{
    testsupport::ScriptedBoxes boxes;
    PictureListWindow step1;
    prepareStep1(step1, sample(QStringLiteral("fail.png"), 640, 480, "PNG"), 4);
    imaging::Library::failNextStartup();
    FrameEditorWindow step2(step1);

    QCOMPARE(fatalEnds_, 1);
    QCOMPARE(boxes.shown().size(), size_t(1));
    const platform::BoxRequest &box = boxes.shown().front();
    QCOMPARE(box.title, QStringLiteral("加载错误"));
    QCOMPARE(box.text, QStringLiteral("加载GDI+失败！"));
    QCOMPARE(box.icon, platform::BoxIcon::Critical);
    QCOMPARE(box.buttons, platform::BoxButtons::Ok);
    // Nothing after the failed start ran.
    QVERIFY(!gdipImage && !gdipGraphics);
    QCOMPARE(pictureRects(), RectList(4));
}

void tst_frmSplit2::unreadableSample_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // empty: no file at all

    QTest::newRow("missing file") << QStringLiteral("不存在 的.jpg") << QByteArray();
    QTest::newRow("not a picture")
        << QStringLiteral("坏 图.jpg") << QByteArray("this is no picture at all");
    QByteArray png;
    {
        QImage image(640, 480, QImage::Format_RGB32);
        image.fill(Qt::green);
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
    }
    // The header is whole, so the picture opens; its pixels cannot be decoded.
    QTest::newRow("cut short") << QStringLiteral("半截.png") << png.left(60);
}

void tst_frmSplit2::unreadableSample()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    const QString path = dir_.filePath(name);
    if (!content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    testsupport::ScriptedBoxes boxes;
    PictureListWindow step1;
    prepareStep1(step1, path, 4);
    FrameEditorWindow step2(step1);

    QCOMPARE(boxes.shown().size(), size_t(1));
    const platform::BoxRequest &box = boxes.shown().front();
    QCOMPARE(box.title, QStringLiteral("提示信息"));
    QCOMPARE(box.icon, platform::BoxIcon::Exclamation);
    QCOMPARE(box.buttons, platform::BoxButtons::Ok);
    QVERIFY2(box.text.contains(QDir::toNativeSeparators(path)), qPrintable(box.text));
    QCOMPARE(imaging::Library::liveInstances(), 0);
    QVERIFY(!gdipImage && !gdipGraphics);
    // The frames keep the template's place, and without a scale nothing is converted.
    for (int i = 1; i <= 4; ++i)
        QCOMPARE(step2.Shape1[size_t(i)]->geometry(), QRect(8, 8, 320, 240));
    step2.PicFrameArray();
    QCOMPARE(pictureRects(), RectList(4));
    QVERIFY(isColour(step2.surface(), {18, 18}, areaColour));

    // Once the sample can be read, a rotation change draws it.
    QFile::remove(path);
    QVERIFY(QFile::copy(sample(QStringLiteral("later.png"), 640, 480, "PNG"), path));
    step2.Combo2->setCurrentIndex(2);
    QCOMPARE(boxes.shown().size(), size_t(1));
    QCOMPARE(step2.picScale, 1.f);
    QCOMPARE(asRect(frameRects[4]), QRect(320, 240, 320, 240));
    QFile::remove(path);
}

void tst_frmSplit2::windowClickDropsSelection()
{
    testsupport::ScriptedBoxes boxes;
    PictureListWindow step1;
    prepareStep1(step1, sample(QStringLiteral("click.png"), 640, 480, "PNG"), 3);
    FrameEditorWindow step2(step1);
    step2.show();
    QVERIFY(QTest::qWaitForWindowExposed(&step2));

    step2.FrmEnabled(false);
    step2.ShowLabel(true);
    step2.handlesShown = true;
    QPalette blue = step2.Label1[2]->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    step2.Label1[2]->setPalette(blue);
    for (int i = 1; i <= 3; ++i)
        QVERIFY(!step2.Combo1[size_t(i)]->isEnabled());
    QVERIFY(!step2.Command1->isEnabled() && !step2.Command2->isEnabled() &&
            !step2.Command3->isEnabled());
    QVERIFY(step2.Combo2->isEnabled());
    QVERIFY(step2.labRightDown->isVisible());

    // A click on the note is not a click on the background.
    QTest::mouseClick(step2.Label3, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(step2.handlesShown);

    QTest::mouseClick(&step2, Qt::LeftButton, {}, QPoint(900, 5));
    QVERIFY(!step2.handlesShown);
    QVERIFY(!step2.labLeftUp->isVisible() && !step2.labRightDown->isVisible());
    for (int i = 1; i <= 3; ++i) {
        QVERIFY(step2.Combo1[size_t(i)]->isEnabled());
        QCOMPARE(step2.Label1[size_t(i)]->palette().color(QPalette::WindowText),
                 QColor(128, 128, 128));
    }
    QVERIFY(step2.Command1->isEnabled() && step2.Command2->isEnabled() &&
            step2.Command3->isEnabled());
    QCOMPARE(step2.activeFrame, 0);
    step2.hide();
}

QTEST_MAIN(tst_frmSplit2)
#include "tst_frameeditorwindow.moc"
