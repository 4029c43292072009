#include "FrameCanvas.h"

#include "FrameSetControls.h"
#include "FrameShape.h"
#include "SizeHandle.h"
#include "imaging/Picture.h"
#include "imaging/Readers.h"
#include "imaging/Surface.h"
#include "job/SplitLayout.h"
#include "platform/Controls.h"
#include "platform/FocusRect.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <utility>

using namespace framecontrols;

Q_LOGGING_CATEGORY(editorLog, "qinghe.editor")

namespace {

const QColor areaColour(204, 204, 153);

} // namespace

FrameCanvas::FrameCanvas(SplitJob &job, QWidget *parent) : QWidget(parent), job_(job)
{
    setObjectName(QStringLiteral("canvas"));
    setGeometry(QRect(QPoint(0, 0), layout::editorSize));
    setSurfaceRatio(devicePixelRatioF());
    frameShapes_ = {makeShape(this, 0)};
    frameTags_ = {makeTag(this, 0)};
    for (int k = 0; k < 8; ++k) {
        SizeHandle *handle = makeHandle(this, geometry::Handle(k));
        handles_[size_t(k)] = handle;
        connect(handle, &SizeHandle::pressed, this, [this] { dragging_ = true; });
        connect(handle, &SizeHandle::moved, this, &FrameCanvas::handleMoved);
        connect(handle, &SizeHandle::released, this, [this] { applyBand(); });
    }
}

void FrameCanvas::setSurfaceRatio(qreal ratio)
{
    // Frames, handles, the band and the picture rectangles stay in logical pixels; only
    // the surface, and the sample drawn on it, has the screen's resolution.
    surface_ = QImage((QSizeF(size()) * ratio).toSize(), QImage::Format_RGB32);
    surface_.setDevicePixelRatio(ratio);
    surface_.fill(palette().color(QPalette::Window));
}

FrameCanvas::~FrameCanvas() = default;

void FrameCanvas::buildFrames(int count)
{
    for (int i = 1; i <= count; ++i) {
        frameTags_.push_back(makeTag(this, i));
        frameShapes_.push_back(makeShape(this, i));
        frameTags_[size_t(i)]->show();
        FrameShape *shape = frameShapes_[size_t(i)];
        shape->show();
        connect(shape, &FrameShape::pressed, this, &FrameCanvas::framePressed);
        connect(shape, &FrameShape::moved, this, &FrameCanvas::frameMoved);
        connect(shape, &FrameShape::released, this, &FrameCanvas::endGesture);
        connect(shape, &FrameShape::clicked, this, &FrameCanvas::frameClicked);
        // Each frame lies above its own tag, so a click on the tag reaches the frame.
        frameTags_[size_t(i)]->raise();
        shape->raise();
    }
    keptRects_.resize(frameShapes_.size());
    // The old selected frame may not exist any more.
    selectedFrame_ = 0;
    handlesShown_ = false;
    setHandlesVisible(false);
    // Laid on the picture area at once, so that they lie on it even when the next sample
    // cannot be drawn.
    layDefaultGrid();
    updateFrameRects();
}

void FrameCanvas::clearFrames()
{
    for (size_t i = frameShapes_.size() - 1; i >= 1; --i) {
        delete frameShapes_[i];
        delete frameTags_[i];
    }
    frameShapes_.resize(1);
    frameTags_.resize(1);
    keptRects_.resize(1);
}

bool FrameCanvas::readersPresent()
{
    // Checked once: the readers cannot come or go while the program runs.
    const QStringList missing = readersChecked_ ? QStringList() : imaging::missingPictureReaders();
    readersChecked_ = missing.isEmpty();
    if (readersChecked_)
        return true;
    qCWarning(editorLog).noquote() << "no picture reader for" << missing.join(QLatin1String(", "));
    platform::showNotice(nullptr, QStringLiteral("加载错误"), QStringLiteral("加载GDI+失败！"),
                         platform::BoxIcon::Critical);
    emit imagingFailed();
    return false;
}

void FrameCanvas::releaseSample()
{
    samplePicture_.reset();
    sampleSurface_.reset();
}

bool FrameCanvas::showSample(Rotation rotation)
{
    shownRotation_ = rotation;
    sampleDrawn_ = false;
    {
        QPainter painter(&surface_);
        painter.fillRect(layout::largestArea, areaColour);
    }
    if (!readersPresent())
        return false;
    sampleSurface_ = std::make_unique<imaging::Surface>(surface_);
    const QString path = job_.samplePicture();
    samplePicture_ = std::make_unique<imaging::Picture>();
    // Ends early release everything, so no instance is left started, and name the file
    // instead of leaving an unexplained empty area.
    auto giveUp = [this, &path] {
        releaseSample();
        update();
        pendingNotice_ = QStringLiteral("无法读取样本图片：") + QDir::toNativeSeparators(path);
        // On the first load the window is not on screen yet: the box waits for it.
        if (window()->isVisible())
            showPendingNotice();
    };
    if (samplePicture_->open(path) != imaging::Status::Ok) {
        giveUp();
        return false;
    }
    samplePicture_->turn(quarterTurns(rotation));
    const QSizeF size = samplePicture_->dimensions();
    const layout::SampleFit fit = layout::fitSample(float(size.width()), float(size.height()));
    if (sampleSurface_->drawPicture(*samplePicture_, float(layout::areaOrigin),
                                    float(layout::areaOrigin), float(fit.area.width()),
                                    float(fit.area.height())) != imaging::Status::Ok) {
        // The frames keep the old picture's geometry, so the scale and limits that go
        // with them stay too.
        giveUp();
        return false;
    }
    scale_ = fit.scale;
    job_.sampleSize = quarterTurns(rotation) % 2 == 1 ? size.toSize().transposed() : size.toSize();
    area_ = fit.area;
    releaseSample();

    layDefaultGrid();
    // A selection survives a new rotation; its handles follow the re-laid frame rather
    // than mark where it was.
    if (handlesShown_)
        placeHandles(selectedFrame_);
    updateFrameRects();
    update();
    sampleDrawn_ = true;
    return true;
}

void FrameCanvas::showPendingNotice()
{
    if (pendingNotice_.isEmpty())
        return;
    platform::showNotice(window(), QStringLiteral("提示信息"), std::exchange(pendingNotice_, {}));
}

void FrameCanvas::layDefaultGrid()
{
    const int count = frameCount();
    for (int i = 1; i <= count; ++i)
        putFrame(i, layout::defaultFrame(i, count, area_));
    std::fill(keptRects_.begin(), keptRects_.end(), std::nullopt);
}

void FrameCanvas::putFrame(int index, const QRect &frame)
{
    frameShapes_[size_t(index)]->setGeometry(frame);
    frameTags_[size_t(index)]->move(frame.left() + 4, frame.top() + 4);
}

void FrameCanvas::placeFrames(const std::vector<SplitFrame> &frames)
{
    const int count = std::min({frameCount(), int(frames.size()), int(job_.frames.size())});
    for (int i = 1; i <= count; ++i) {
        const QRect &rect = frames[size_t(i - 1)].rect;
        // The window shows it as near as its pixels can; the job cuts the file's numbers.
        keptRects_[size_t(i)] = rect;
        job_.frames[size_t(i - 1)].rect = rect;
        // Without a drawn sample there is no scale to place by.
        if (scale_ > 0.0f)
            putFrame(i, layout::windowRect(rect, scale_, area_));
    }
}

void FrameCanvas::updateFrameRects()
{
    // Before any sample was drawn there is no scale to convert with.
    if (scale_ <= 0.0f)
        return;
    const int count = std::min(frameCount(), int(job_.frames.size()));
    for (int i = 1; i <= count; ++i) {
        const std::optional<QRect> &kept = keptRects_[size_t(i)];
        job_.frames[size_t(i - 1)].rect =
            kept ? *kept : layout::pictureRect(frameShapes_[size_t(i)]->geometry(), scale_);
    }
}

void FrameCanvas::setHandlesVisible(bool visible)
{
    for (SizeHandle *handle : handles_)
        handle->setVisible(visible);
}

void FrameCanvas::setTagsGrey()
{
    for (size_t i = 1; i < frameTags_.size(); ++i)
        ui::setTextColour(frameTags_[i], tagGrey);
}

void FrameCanvas::deselect()
{
    setTagsGrey();
    setHandlesVisible(false);
    handlesShown_ = false;
    emit selectionChanged(false);
}

QRect FrameCanvas::selectedRect() const
{
    return frameShapes_[size_t(selectedFrame_)]->geometry();
}

void FrameCanvas::placeHandles(int index)
{
    const geometry::HandlePlacement places =
        geometry::placeHandles(frameShapes_[size_t(index)]->geometry());
    for (size_t k = 0; k < handles_.size(); ++k)
        handles_[k]->move(places.handles[k]);
    frameTags_[size_t(index)]->move(places.tag);
}

void FrameCanvas::applyBand()
{
    dragging_ = false;
    if (bandShown_) {
        invertBand(band_);
        reshapeSelected(geometry::bandToFrame(band_));
        update();
    }
    bandShown_ = false;
    placeHandles(selectedFrame_);
    updateFrameRects();
}

void FrameCanvas::invertBand(const QRect &band)
{
    // A crossed band is drawn as the rectangle the release will make of it.
    platform::drawFocusRect(surface_, geometry::bandToFrame(band));
}

void FrameCanvas::drawBand(const QRect &band)
{
    if (bandShown_)
        invertBand(band_);
    invertBand(band);
    bandShown_ = true;
    band_ = band;
    pressBanded_ = true;
    update();
}

void FrameCanvas::framePressed(int index, Qt::MouseButton button, QPoint pos)
{
    if (button == Qt::LeftButton)
        pressBanded_ = false;
    if (index != selectedFrame_)
        return;
    dragging_ = true;
    grabX_ = pos.x();
    grabY_ = pos.y();
    setCursor(Qt::SizeAllCursor);
}

void FrameCanvas::frameMoved(int index, Qt::MouseButtons buttons, QPoint pos)
{
    if (buttons == Qt::LeftButton && dragging_ && index == selectedFrame_)
        drawBand(geometry::moveBand(selectedRect(), grabX_, grabY_, pos.x(), pos.y(), area_));
    showHoverText(index);
}

void FrameCanvas::endGesture()
{
    dragging_ = false;
    unsetCursor();
    applyBand();
}

void FrameCanvas::frameClicked(int index)
{
    // A press that drew a band was a drag: the selection stays for the keys.
    if (pressBanded_) {
        pressBanded_ = false;
        return;
    }
    setTagsGrey();
    if (index == selectedFrame_ && handlesShown_) {
        setHandlesVisible(false);
        handlesShown_ = false;
        emit selectionChanged(false);
        return;
    }
    placeHandles(index);
    setHandlesVisible(true);
    handlesShown_ = true;
    for (SizeHandle *handle : handles_)
        handle->raise();
    ui::setTextColour(frameTags_[size_t(index)], QColor(ui::emphasisBlue));
    selectedFrame_ = index;
    // Keys go to the window, not to the rotation list that would otherwise inherit the
    // focus from the controls switched off on selection and turn the sample on every arrow.
    window()->setFocus(Qt::OtherFocusReason);
    emit selectionChanged(true);
}

void FrameCanvas::handleMoved(SizeHandle *handle, Qt::MouseButtons buttons, QPoint pos)
{
    if (buttons != Qt::LeftButton || !dragging_ || selectedFrame_ < 1)
        return;
    const auto k = std::find(handles_.begin(), handles_.end(), handle) - handles_.begin();
    drawBand(geometry::resizeBand(selectedRect(), geometry::Handle(k), pos.x(), pos.y(), area_));
}

void FrameCanvas::showHoverText(int index)
{
    if (index >= 1 && size_t(index) <= job_.frames.size())
        frameShapes_[size_t(index)]->setToolTip(
            geometry::hoverText(job_.frames[size_t(index - 1)].rect));
    if (handlesShown_)
        return;
    setTagsGrey();
    ui::setTextColour(frameTags_[size_t(index)], QColor(ui::emphasisBlue));
}

void FrameCanvas::nudgeSelected(const QKeyEvent &key)
{
    if (!handlesShown_ || selectedFrame_ < 1)
        return;
    const bool keypad = key.modifiers().testFlag(Qt::KeypadModifier);
    reshapeSelected(geometry::nudge(selectedRect(), key.key(), keypad, area_));
    applyBand();
}

void FrameCanvas::reshapeSelected(const QRect &frame)
{
    if (frame == selectedRect())
        return;
    frameShapes_[size_t(selectedFrame_)]->setGeometry(frame);
    // Moved or resized by the user: from now on the frame cuts where the window shows it.
    keptRects_[size_t(selectedFrame_)].reset();
}

void FrameCanvas::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(0, 0, surface_);
}

void FrameCanvas::mousePressEvent(QMouseEvent *event)
{
    // Presses on the tags reach the canvas too; only the bare background counts.
    backgroundPressed_ =
        event->button() == Qt::LeftButton && childAt(event->position().toPoint()) == nullptr;
    QWidget::mousePressEvent(event);
}

void FrameCanvas::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = backgroundPressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    backgroundPressed_ = false;
    if (click)
        deselect();
    QWidget::mouseReleaseEvent(event);
}
