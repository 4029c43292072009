#include "frmSplit2.h"
#include "FrameGeometry.h"

#include "FrameSetControls.h"
#include "FrameShape.h"
#include "HandleLabel.h"
#include "KeyPreview.h"
#include "SplitLayout.h"
#include "app/Controls.h"
#include "app/Module1.h"
#include "platform/FocusRect.h"
#include "platform/MessageBox.h"
#include "select/Step1Logic.h"
#include "select/frmSplit1.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <algorithm>

namespace {

const QColor areaColour(204, 204, 153);

} // namespace

using namespace framecontrols;

frmSplit2::frmSplit2(frmSplit1 &step1, QWidget *parent)
    : QWidget(parent), step1_(step1), surface_(954, 636, QImage::Format_RGB32)
{
    setObjectName(QStringLiteral("frmSplit2"));
    setWindowTitle(ui::windowTitle(QStringLiteral("第2步：选择分割区域")));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(954, 636);
    // The right-hand column is laid out for 12-pixel text (9 pt at 96 dpi); larger
    // system fonts would cut the letters, the rotation captions and the note.
    QFont font = this->font();
    font.setPixelSize(12);
    setFont(font);
    surface_.fill(palette().color(QPalette::Window));

    Command3 = ui::makeButton(this, "Command3", QStringLiteral("退 出  (&Q)"),
                              ui::fromTwips(12600, 8910, 1500, 360));
    Command2 = ui::makeButton(this, "Command2", QStringLiteral("下一步  (&N)"),
                              ui::fromTwips(12600, 7680, 1500, 360));
    Command1 = ui::makeButton(this, "Command1", QStringLiteral("上一步 (&P)"),
                              ui::fromTwips(12600, 7080, 1500, 360));
    setTabOrder(Command3, Command2);
    setTabOrder(Command2, Command1);

    Combo2 = new QComboBox(this);
    Combo2->setObjectName(QStringLiteral("Combo2"));
    Combo2->setGeometry(ui::fromTwips(12510, 5160, 1620, 300));
    // A slim arrow keeps "裁剪后旋转+90" whole in the design's 108 pixels.
    Combo2->setStyleSheet(QStringLiteral("QComboBox { padding: 0px 0px 0px 3px; }"
                                         "QComboBox::drop-down { width: 14px; }"));
    Combo2->addItems({QStringLiteral("裁剪后不旋转"), QStringLiteral("裁剪后旋转+90"),
                      QStringLiteral("裁剪后旋转180"), QStringLiteral("裁剪后旋转-90")});

    Label3 = new QLabel(QStringLiteral("说明："), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    // The design's 108 x 81 holds the note only in a 9-point bitmap font; today's fonts
    // need the rest of the column, down to the buttons.
    Label3->setGeometry(834, 376, 116, 92);
    QFont noteFont = font;
    noteFont.setPixelSize(11);
    Label3->setFont(noteFont);
    Label3->setWordWrap(true);
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextColour(Label3, QColor(192, 0, 0));

    createTemplates();
    createHandles();

    // The load proper.
    frameCount = partsFromStep1();
    activeFrame = 0;
    frameRects.assign(size_t(frameCount) + 1, FrameRect{});
    areaLeft = 18;
    areaTop = 18;
    areaRight = 817;
    areaBottom = 617;
    buildFrameSet(frameCount);
    Label3->setText(QStringLiteral("说明：相同书的页对应的分割框请使用相同的首字母。"
                                   "（因为保存文件时是按分割框的编号顺序分割保存的）"));
    Initialize(0);
    setWindowIcon(step1_.windowIcon());
    Combo2->setCurrentIndex(0);

    new KeyPreview(this, [this](const QKeyEvent &key) { keyDown(key); });
    connect(Combo2, &QComboBox::currentIndexChanged, this, &frmSplit2::rotationChosen);
    connect(Command1, &QPushButton::clicked, this, &frmSplit2::previousRequested);
    connect(Command2, &QPushButton::clicked, this, &frmSplit2::next);
    connect(Command3, &QPushButton::clicked, this, &frmSplit2::exitRequested);
}

int frmSplit2::partsFromStep1() const
{
    // Step 1 lets nothing but 1..10 through its Next; the default stands in otherwise.
    return partsCount(step1_.Combo1->currentText()).value_or(4);
}

void frmSplit2::createTemplates()
{
    Shape1 = {makeShape(this, 0)};
    Label1 = {makeTag(this, 0)};
    Label2 = {makeRowCaption(this, 0, QStringLiteral("框10首字母:"), QPoint(840, 396))};
    Combo1 = {makeLetterList(this, 0, QPoint(912, 392))};
}

void frmSplit2::createHandles()
{
    const char *names[] = {"labLeftUp",   "labUpMid",    "labRightUp", "labLeftMid",
                           "labRightMid", "labLeftDown", "labDownMid", "labRightDown"};
    HandleLabel **members[] = {&labLeftUp,   &labUpMid,    &labRightUp, &labLeftMid,
                               &labRightMid, &labLeftDown, &labDownMid, &labRightDown};
    // Design-time places: a 3 x 3 grid, out of the way until a frame is selected.
    const QPoint places[] = {{88, 344},  {104, 344}, {120, 344}, {88, 360},
                             {120, 360}, {88, 376},  {104, 376}, {120, 376}};
    for (int k = 0; k < 8; ++k) {
        HandleLabel *handle = new HandleLabel(QLatin1String(names[k]), this);
        *members[k] = handle;
        handle->move(places[k]);
        handle->setCursor(geometry::handleCursor(geometry::Handle(k)));
        connect(handle, &HandleLabel::pressed, this, [this] { dragging = true; });
        connect(handle, &HandleLabel::moved, this, &frmSplit2::handleMoved);
        connect(handle, &HandleLabel::released, this, [this] { ChangeShape(); });
    }
}

std::array<HandleLabel *, 8> frmSplit2::handles() const
{
    return {labLeftUp,   labUpMid,    labRightUp, labLeftMid,
            labRightMid, labLeftDown, labDownMid, labRightDown};
}

void frmSplit2::buildFrameSet(int count)
{
    QStringList letters;
    for (int code = 65; code <= 64 + count; ++code)
        letters.append(QString(QChar(code)));
    for (int i = 1; i <= count; ++i) {
        Label1.push_back(makeTag(this, i));
        Shape1.push_back(makeShape(this, i));
        const QPoint rowAt(830, 20 + 26 * (i - 1));
        Label2.push_back(makeRowCaption(
            this, i, QStringLiteral("分割框") + QString::number(i) + QStringLiteral("首字母:"),
            rowAt));
        Combo1.push_back(makeLetterList(this, i, QPoint(916, rowAt.y() - 4)));
        Combo1[size_t(i)]->addItems(letters);
        Combo1[size_t(i)]->setCurrentIndex(i - 1);
        Label1[size_t(i)]->show();
        Shape1[size_t(i)]->show();
        Label2[size_t(i)]->show();
        Combo1[size_t(i)]->show();
        FrameShape *shape = Shape1[size_t(i)];
        connect(shape, &FrameShape::pressed, this, &frmSplit2::framePressed);
        connect(shape, &FrameShape::moved, this, &frmSplit2::frameMoved);
        connect(shape, &FrameShape::released, this, &frmSplit2::frameReleased);
        connect(shape, &FrameShape::clicked, this, &frmSplit2::frameClicked);
        // Each frame lies above its own tag, so a click on the tag reaches the frame.
        Label1[size_t(i)]->raise();
        Shape1[size_t(i)]->raise();
    }
}

void frmSplit2::clearFrameSet()
{
    for (size_t i = Shape1.size() - 1; i >= 1; --i) {
        delete Shape1[i];
        delete Label1[i];
        delete Label2[i];
        delete Combo1[i];
    }
    Shape1.resize(1);
    Label1.resize(1);
    Label2.resize(1);
    Combo1.resize(1);
}

void frmSplit2::Initialize(int rotation)
{
    {
        QPainter painter(&surface_);
        painter.fillRect(QRect(QPoint(18, 18), QPoint(817, 617)), areaColour);
    }
    if (!LoadGdiPlus())
        return;
    gdipGraphics = std::make_unique<platform::Graphics>(surface_);

    const int count = step1_.List1->count();
    const QString path = count > 0 ? step1_.List1->item(count - 1)->text() : QString();
    gdipImage = std::make_unique<platform::Picture>();
    // Ends early release everything, so no instance is left started, and name the file
    // instead of leaving an unexplained empty area.
    auto giveUp = [this, &path] {
        UnloadGdiPlus();
        update();
        platform::showNotice(this, QStringLiteral("提示信息"),
                             QStringLiteral("无法读取样本图片：") + QDir::toNativeSeparators(path));
    };
    if (gdipImage->open(path) != platform::Status::Ok) {
        giveUp();
        return;
    }
    gdipImage->rotateFlip(rotation);
    const QSizeF size = gdipImage->dimensions();
    const layout::SampleFit fit = layout::fitSample(float(size.width()), float(size.height()));
    if (gdipGraphics->drawImageRect(*gdipImage, 18.0f, 18.0f, float(fit.width),
                                    float(fit.height)) != platform::Status::Ok) {
        // The frames keep the old picture's geometry, so the scale and limits that go
        // with them stay too.
        giveUp();
        return;
    }
    picScale = fit.picScale;
    areaRight = fit.areaRight;
    areaBottom = fit.areaBottom;
    UnloadGdiPlus();

    layDefaultGrid();
    // A selection survives a new rotation; its handles follow the re-laid frame rather
    // than mark where it was.
    if (handlesShown)
        MoveLab(activeFrame);
    PicFrameArray();
    update();
}

void frmSplit2::layDefaultGrid()
{
    for (int i = 1; i <= frameCount; ++i) {
        const QRect frame = layout::defaultFrame(i, frameCount, areaRight, areaBottom);
        Shape1[size_t(i)]->setGeometry(frame);
        Label1[size_t(i)]->move(frame.left() + 4, frame.top() + 4);
    }
}

void frmSplit2::PicFrameArray()
{
    // Before any sample was drawn there is no scale to convert with.
    if (picScale <= 0.0f)
        return;
    for (int i = 1; i <= frameCount; ++i)
        frameRects[size_t(i)] = layout::pictureRect(Shape1[size_t(i)]->geometry(), picScale);
}

void frmSplit2::FrmEnabled(bool flag)
{
    for (int i = 1; i <= frameCount; ++i)
        Combo1[size_t(i)]->setEnabled(flag);
    Command1->setEnabled(flag);
    Command2->setEnabled(flag);
    Command3->setEnabled(flag);
}

void frmSplit2::ShowLabel(bool visible)
{
    for (HandleLabel *handle : handles())
        handle->setVisible(visible);
}

void frmSplit2::windowClick()
{
    for (int i = 1; i <= frameCount; ++i)
        setTextColour(Label1[size_t(i)], tagGrey);
    ShowLabel(false);
    handlesShown = false;
    FrmEnabled(true);
}

void frmSplit2::rotationChosen(int index)
{
    if (index == rotateIndex || index < 0)
        return;
    rotateIndex = index;
    Initialize(index);
}

void frmSplit2::next()
{
    QStringList letters;
    for (int i = 1; i <= frameCount; ++i)
        letters.append(Combo1[size_t(i)]->currentText());
    const int books = layout::countBooks(letters);
    if (layout::booksNeedConfirmation(frameCount, books)) {
        platform::BoxRequest ask;
        ask.owner = this;
        ask.title = QStringLiteral("提示信息");
        ask.text = QStringLiteral("这些选中的图片将被分割成 ") + QString::number(books) +
                   QStringLiteral(" 本书！是否继续？");
        ask.icon = platform::BoxIcon::Question;
        ask.buttons = platform::BoxButtons::YesNo;
        ask.defaultButton = platform::BoxAnswer::No;
        if (platform::showMessage(ask) != platform::BoxAnswer::Yes)
            return;
    }
    emit nextRequested();
}

void frmSplit2::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Step 3 cuts with this window's frames, so a number of parts changed in step 1
    // means a new frame set here, laid on the current sample.
    const int parts = partsFromStep1();
    if (parts == frameCount)
        return;
    clearFrameSet();
    frameCount = parts;
    // The old active frame may not exist any more.
    activeFrame = 0;
    handlesShown = false;
    ShowLabel(false);
    frameRects.assign(size_t(frameCount) + 1, FrameRect{});
    buildFrameSet(frameCount);
    FrmEnabled(true);
    Initialize(rotateIndex);
}

geometry::Area frmSplit2::area() const
{
    return {areaLeft, areaTop, areaRight, areaBottom};
}

QRect frmSplit2::activeRect() const
{
    return Shape1[size_t(activeFrame)]->geometry();
}

void frmSplit2::MoveLab(int index)
{
    const geometry::HandlePlacement places =
        geometry::placeHandles(Shape1[size_t(index)]->geometry());
    const auto all = handles();
    for (size_t k = 0; k < all.size(); ++k)
        all[k]->move(places.handles[k]);
    Label1[size_t(index)]->move(places.tag);
}

void frmSplit2::ChangeShape()
{
    dragging = false;
    if (bandShown) {
        invertBand(bandRect);
        Shape1[size_t(activeFrame)]->setGeometry(geometry::bandToFrame(bandRect));
        update();
    }
    bandShown = false;
    MoveLab(activeFrame);
    PicFrameArray();
}

void frmSplit2::invertBand(const geometry::Band &band)
{
    // A crossed band is drawn as the rectangle the release will make of it.
    const QRect r = geometry::bandToFrame(band);
    platform::drawFocusRect(surface_, r.left(), r.top(), r.left() + r.width(),
                            r.top() + r.height());
}

void frmSplit2::drawBand(const geometry::Band &band)
{
    if (bandShown)
        invertBand(bandRect);
    invertBand(band);
    bandShown = true;
    bandRect = band;
    pressBanded_ = true;
    update();
}

void frmSplit2::framePressed(int index, Qt::MouseButton button, QPoint pos)
{
    if (button == Qt::LeftButton)
        pressBanded_ = false;
    if (index != activeFrame)
        return;
    dragging = true;
    grabX = pos.x();
    grabY = pos.y();
    setCursor(Qt::SizeAllCursor);
}

void frmSplit2::frameMoved(int index, Qt::MouseButtons buttons, QPoint pos)
{
    if (buttons == Qt::LeftButton && dragging && index == activeFrame)
        drawBand(geometry::moveBand(activeRect(), grabX, grabY, pos.x(), pos.y(), area()));
    showHoverText(index);
}

void frmSplit2::frameReleased()
{
    dragging = false;
    unsetCursor();
    ChangeShape();
}

void frmSplit2::frameClicked(int index)
{
    // A press that drew a band was a drag: the selection stays for the keys.
    if (pressBanded_) {
        pressBanded_ = false;
        return;
    }
    for (int i = 1; i <= frameCount; ++i)
        setTextColour(Label1[size_t(i)], tagGrey);
    if (index == activeFrame && handlesShown) {
        ShowLabel(false);
        handlesShown = false;
        FrmEnabled(true);
        return;
    }
    MoveLab(index);
    ShowLabel(true);
    handlesShown = true;
    for (HandleLabel *handle : handles())
        handle->raise();
    setTextColour(Label1[size_t(index)], tagBlue);
    activeFrame = index;
    // Keys go to the window, not to the rotation list that would otherwise inherit the
    // focus from the controls switched off below and turn the sample on every arrow.
    setFocus(Qt::OtherFocusReason);
    FrmEnabled(false);
}

void frmSplit2::handleMoved(HandleLabel *handle, Qt::MouseButtons buttons, QPoint pos)
{
    if (buttons != Qt::LeftButton || !dragging || activeFrame < 1)
        return;
    const auto all = handles();
    const auto k = std::find(all.begin(), all.end(), handle) - all.begin();
    drawBand(geometry::resizeBand(activeRect(), geometry::Handle(k), pos.x(), pos.y(), area()));
}

void frmSplit2::showHoverText(int index)
{
    if (size_t(index) < frameRects.size())
        Shape1[size_t(index)]->setToolTip(geometry::hoverText(frameRects[size_t(index)]));
    if (handlesShown)
        return;
    for (int i = 1; i <= frameCount; ++i)
        setTextColour(Label1[size_t(i)], tagGrey);
    setTextColour(Label1[size_t(index)], tagBlue);
}

void frmSplit2::keyDown(const QKeyEvent &key)
{
    if (!handlesShown || activeFrame < 1)
        return;
    const bool keypad = key.modifiers().testFlag(Qt::KeypadModifier);
    Shape1[size_t(activeFrame)]->setGeometry(
        geometry::nudge(activeRect(), key.key(), keypad, area()));
    ChangeShape();
}

void frmSplit2::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(0, 0, surface_);
}

void frmSplit2::mousePressEvent(QMouseEvent *event)
{
    // Presses on labels reach the window too; only the bare background counts.
    backgroundPressed_ =
        event->button() == Qt::LeftButton && childAt(event->position().toPoint()) == nullptr;
    QWidget::mousePressEvent(event);
}

void frmSplit2::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = backgroundPressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    backgroundPressed_ = false;
    if (click)
        windowClick();
    QWidget::mouseReleaseEvent(event);
}

void frmSplit2::closeEvent(QCloseEvent *event)
{
    event->accept();
    emit exitRequested();
}
