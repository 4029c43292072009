#include "TestSupport.h"
#include "platform/Dialogs.h"
#include "platform/FocusRect.h"
#include "platform/Icons.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <climits>

#include <unistd.h>

namespace {

QImage noiseSurface(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           qRgb((x * 37 + y * 11) & 0xFF, (x * 5 + y * 71) & 0xFF, (x ^ y) & 0xFF));
    return image;
}

// The rectangle from (left, top) up to, not including, (right, bottom); empty or crossed
// where right or bottom is not the larger.
QRect spanning(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

bool onOutline(int x, int y, const QRect &r)
{
    if (x < r.left() || x > r.right() || y < r.top() || y > r.bottom())
        return false;
    return x == r.left() || x == r.right() || y == r.top() || y == r.bottom();
}

} // namespace

class tst_Platform : public QObject
{
    Q_OBJECT

private slots:
    void focusRect_data();
    void focusRect();
    void focusRectIgnoresOtherDepths();
    void nameFilters_data();
    void nameFilters();
    void boxResponderRecords();
    void realBoxes_data();
    void realBoxes();
    void iconSizes();
};

void tst_Platform::focusRect_data()
{
    QTest::addColumn<QRect>("outline");
    QTest::addColumn<bool>("visible"); // some dot of the outline lies on the 32 x 24 surface
    QTest::addColumn<int>("ratio");    // device pixels to a logical one, each way

    const int far = 1000000000;
    QTest::newRow("inside") << spanning(3, 4, 20, 15) << true << 1;
    QTest::newRow("whole surface") << spanning(0, 0, 32, 24) << true << 1;
    QTest::newRow("out at left and top") << spanning(-5, -3, 10, 8) << true << 1;
    QTest::newRow("out at right and bottom") << spanning(25, 18, 40, 30) << true << 1;
    QTest::newRow("larger than the surface") << spanning(-10, -10, 50, 50) << false << 1;
    QTest::newRow("far outside on every side") << spanning(-far, -far, far, far) << false << 1;
    QTest::newRow("entirely outside") << spanning(40, 40, 60, 60) << false << 1;
    QTest::newRow("one pixel wide") << spanning(7, 2, 8, 20) << true << 1;
    QTest::newRow("one pixel high") << spanning(2, 9, 30, 10) << true << 1;
    QTest::newRow("one pixel") << spanning(6, 6, 7, 7) << true << 1;
    QTest::newRow("two by two") << spanning(10, 10, 12, 12) << true << 1;
    QTest::newRow("odd corner") << spanning(1, 2, 4, 7) << true << 1;
    QTest::newRow("last column and row") << spanning(31, 23, 32, 24) << true << 1;
    QTest::newRow("empty") << spanning(5, 5, 5, 9) << false << 1;
    QTest::newRow("crossed") << spanning(9, 9, 4, 4) << false << 1;
    // On a screen scaled 200 % every dot is two device pixels square.
    QTest::newRow("inside, at twice the resolution") << spanning(3, 4, 20, 15) << true << 2;
    QTest::newRow("out at left and top, twice") << spanning(-5, -3, 10, 8) << true << 2;
    QTest::newRow("last column and row, twice") << spanning(31, 23, 32, 24) << true << 2;
    QTest::newRow("extreme edges") << spanning(INT_MIN, INT_MIN, INT_MAX, INT_MAX) << false << 1;
}

void tst_Platform::focusRect()
{
    QFETCH(QRect, outline);
    QFETCH(bool, visible);
    QFETCH(int, ratio);

    QImage original = noiseSurface(32 * ratio, 24 * ratio);
    original.setDevicePixelRatio(ratio);
    QImage surface = original;
    platform::drawFocusRect(surface, outline);

    // Once: only outline pixels change, each inverted; the outline is dotted.
    int changed = 0;
    for (int y = 0; y < surface.height(); ++y) {
        for (int x = 0; x < surface.width(); ++x) {
            const QRgb before = original.pixel(x, y);
            const QRgb after = surface.pixel(x, y);
            if (before == after)
                continue;
            ++changed;
            const int lx = x / ratio, ly = y / ratio;
            QVERIFY2(onOutline(lx, ly, outline),
                     qPrintable(QStringLiteral("pixel %1,%2 off the outline").arg(x).arg(y)));
            QCOMPARE(after & 0xFFFFFFu, (before ^ 0xFFFFFFu) & 0xFFFFFFu);
            QCOMPARE((lx + ly) % 2, 0);
        }
    }
    QCOMPARE(changed > 0, visible);
    QCOMPARE(changed % (ratio * ratio), 0); // whole dots only

    // Twice: every pixel is back.
    platform::drawFocusRect(surface, outline);
    QCOMPARE(surface, original);
}

void tst_Platform::focusRectIgnoresOtherDepths()
{
    QImage surface(8, 8, QImage::Format_RGB888);
    surface.fill(Qt::gray);
    const QImage original = surface;
    platform::drawFocusRect(surface, QRect(0, 0, 8, 8));
    QCOMPARE(surface, original);
}

void tst_Platform::nameFilters_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("patterns");
    QTest::addColumn<QString>("expected");

    using testsupport::textRow;
    textRow("all pictures", {"All Pictures", "*.bmp;*.gif;*.jpg;*.jpeg;*.tif;*.png",
                             "All Pictures (*.bmp *.gif *.jpg *.jpeg *.tif *.png)"});
    textRow("description with its own patterns",
            {"JPG (*.jpg;*.jpeg)", "*.jpg;*.jpeg", "JPG (*.jpg *.jpeg)"});
    textRow("already upper case", {"Scans", "*.TIF", "Scans (*.TIF)"});
}

void tst_Platform::nameFilters()
{
    QFETCH(QString, description);
    QFETCH(QString, patterns);
    QFETCH(QString, expected);
    QCOMPARE(platform::qtNameFilters({{description, patterns}}), QStringList{expected});
}

void tst_Platform::boxResponderRecords()
{
    platform::setBoxResponder([](const platform::BoxRequest &request) {
        return request.buttons == platform::BoxButtons::YesNo ? platform::BoxAnswer::Yes
                                                              : platform::BoxAnswer::Ok;
    });
    platform::showNotice(nullptr, QStringLiteral("提示信息"), QStringLiteral("第一"));
    const platform::BoxAnswer answer = platform::showMessage(
        {nullptr, QStringLiteral("提示信息"), QStringLiteral("第二"), platform::BoxIcon::Question,
         platform::BoxButtons::YesNo, platform::BoxAnswer::No});
    QCOMPARE(answer, platform::BoxAnswer::Yes);

    const std::vector<platform::BoxRequest> &shown = platform::shownBoxes();
    QCOMPARE(shown.size(), size_t(2));
    QCOMPARE(shown[0].text, QStringLiteral("第一"));
    QCOMPARE(shown[0].icon, platform::BoxIcon::Exclamation);
    QCOMPARE(shown[0].buttons, platform::BoxButtons::Ok);
    QCOMPARE(shown[1].text, QStringLiteral("第二"));
    QCOMPARE(shown[1].icon, platform::BoxIcon::Question);
    QCOMPARE(shown[1].defaultButton, platform::BoxAnswer::No);

    platform::clearShownBoxes();
    QVERIFY(platform::shownBoxes().empty());
    platform::setBoxResponder({});
}

void tst_Platform::realBoxes_data()
{
    QTest::addColumn<int>("icon");
    QTest::addColumn<bool>("yesNo");
    QTest::addColumn<int>("press"); // the Qt button pressed, or 0 for Escape
    QTest::addColumn<int>("answer");

    using platform::BoxAnswer;
    using platform::BoxIcon;
    QTest::newRow("notice, OK") << int(BoxIcon::Exclamation) << false << int(QMessageBox::Ok)
                                << int(BoxAnswer::Ok);
    QTest::newRow("error, Escape") << int(BoxIcon::Error) << false << 0 << int(BoxAnswer::Ok);
    QTest::newRow("question, Yes")
        << int(BoxIcon::Question) << true << int(QMessageBox::Yes) << int(BoxAnswer::Yes);
    QTest::newRow("question, No") << int(BoxIcon::Question) << true << int(QMessageBox::No)
                                  << int(BoxAnswer::No);
    QTest::newRow("question, Escape is No")
        << int(BoxIcon::Question) << true << 0 << int(BoxAnswer::No);
}

void tst_Platform::realBoxes()
{
    QFETCH(int, icon);
    QFETCH(bool, yesNo);
    QFETCH(int, press);
    QFETCH(int, answer);

    platform::setBoxResponder({}); // the real box this time
    // A file name that looks like markup is shown as it is.
    const QString markup = QStringLiteral("无法读取样本图片：<i>坏 &amp; 图.jpg");
    QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
    QString title, text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    bool seen = false;
    // Runs inside the box's own event loop: read it, then answer it.
    std::function<void()> answerBox = [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            QTimer::singleShot(0, answerBox);
            return;
        }
        seen = true;
        shownIcon = box->icon();
        title = box->windowTitle();
        text = box->text();
        QCOMPARE(box->textFormat(), Qt::PlainText);
        buttons = box->standardButtons();
        defaultButton = box->standardButton(box->defaultButton());
        if (press)
            box->button(QMessageBox::StandardButton(press))->click();
        else
            QTest::keyClick(box, Qt::Key_Escape);
    };
    QTimer::singleShot(0, answerBox);
    const platform::BoxAnswer result =
        platform::showMessage({nullptr, QStringLiteral("提示信息"), markup, platform::BoxIcon(icon),
                               yesNo ? platform::BoxButtons::YesNo : platform::BoxButtons::Ok,
                               yesNo ? platform::BoxAnswer::No : platform::BoxAnswer::Ok});

    QVERIFY(seen);
    QCOMPARE(int(result), answer);
    QCOMPARE(title, QStringLiteral("提示信息"));
    QCOMPARE(text, markup);
    const QMessageBox::Icon expectedIcon =
        platform::BoxIcon(icon) == platform::BoxIcon::Question      ? QMessageBox::Question
        : platform::BoxIcon(icon) == platform::BoxIcon::Exclamation ? QMessageBox::Warning
                                                                    : QMessageBox::Critical;
    QCOMPARE(shownIcon, expectedIcon);
    if (yesNo) {
        QCOMPARE(buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(defaultButton, QMessageBox::No);
    } else {
        QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
    QVERIFY(platform::shownBoxes().empty()); // only the responder records
}

void tst_Platform::iconSizes()
{
    QVERIFY(platform::programIcon().availableSizes().contains(QSize(16, 16)));
    QCOMPARE(platform::addPictureIcon().pixmap(20, 20).size(), QSize(20, 20));
    // Add and remove must be told apart.
    QVERIFY(platform::addPictureIcon().pixmap(20, 20).toImage() !=
            platform::removePictureIcon().pixmap(20, 20).toImage());
}

QTEST_MAIN(tst_Platform)
#include "tst_platform.moc"
