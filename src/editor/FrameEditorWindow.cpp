#include "FrameEditorWindow.h"

#include "FrameCanvas.h"
#include "FrameSetControls.h"
#include "KeyPreview.h"
#include "LetterRows.h"
#include "job/LayoutFile.h"
#include "job/SplitJob.h"
#include "job/SplitLayout.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/MessageBox.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

using namespace framecontrols;

FrameEditorWindow::FrameEditorWindow(SplitJob &job, QWidget *parent)
    : ui::WizardPage("FrameEditorWindow", QStringLiteral("第2步：选择分割区域"), parent), job_(job)
{
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(layout::editorSize);
    // The right-hand column is laid out for 12-pixel text (9 pt at 96 dpi); larger
    // system fonts would cut the letters, the rotation captions and the note.
    QFont font = this->font();
    font.setPixelSize(12);
    setFont(font);

    // First, so that every control of the column lies above it.
    canvas_ = new FrameCanvas(job_, this);

    createExitButton(ui::fromTwips(12600, 8910, 1500, 360));
    createNextButton(ui::fromTwips(12600, 7680, 1500, 360));
    createPreviousButton(ui::fromTwips(12600, 7080, 1500, 360));
    setTabOrder(exitButton(), nextButton());
    setTabOrder(nextButton(), previousButton());

    rotationBox_ = new QComboBox(this);
    rotationBox_->setObjectName(QStringLiteral("rotationBox"));
    rotationBox_->setGeometry(ui::fromTwips(12510, 5160, 1620, 300));
    // A slim arrow keeps "裁剪后旋转+90" whole in the design's 108 pixels.
    rotationBox_->setStyleSheet(QStringLiteral("QComboBox { padding: 0px 0px 0px 3px; }"
                                               "QComboBox::drop-down { width: 14px; }"));
    rotationBox_->addItems({QStringLiteral("裁剪后不旋转"), QStringLiteral("裁剪后旋转+90"),
                            QStringLiteral("裁剪后旋转180"), QStringLiteral("裁剪后旋转-90")});
    // One turn of the wheel would otherwise re-lay every frame the user placed.
    ui::wheelOnlyWithFocus(rotationBox_);

    noteLabel_ = new QLabel(QStringLiteral("说明："), this);
    noteLabel_->setObjectName(QStringLiteral("noteLabel"));
    // The design's 108 x 81 holds the note only in a 9-point bitmap font; today's fonts
    // need the rest of the column, down to the buttons.
    noteLabel_->setGeometry(834, 376, 116, 92);
    QFont noteFont = font;
    noteFont.setPixelSize(11);
    noteLabel_->setFont(noteFont);
    noteLabel_->setWordWrap(true);
    noteLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ui::setTextColour(noteLabel_, QColor(192, 0, 0));

    letterRows_ = new LetterRows(job_, this);

    // What a screen reader says.
    canvas_->setAccessibleName(QStringLiteral("样本图片与分割框"));
    rotationBox_->setAccessibleName(QStringLiteral("旋转方式"));

    connect(canvas_, &FrameCanvas::selectionChanged, this,
            [this](bool selected) { setNavigationEnabled(!selected); });
    connect(canvas_, &FrameCanvas::imagingFailed, this, &FrameEditorWindow::imagingFailed);
    new KeyPreview(this, [this](const QKeyEvent &key) { keyPressed(key); });
    createLayoutMenu();
    connect(nextButton(), &QPushButton::clicked, this, &FrameEditorWindow::next);
}

void FrameEditorWindow::load()
{
    job_.resetFrames(job_.partCount);
    job_.rotation = Rotation::None;
    canvas_->buildFrames(job_.partCount);
    letterRows_->build(job_.partCount);
    noteLabel_->setText(QStringLiteral("说明：相同书的页对应的分割框请使用相同的首字母。"
                                       "（因为保存文件时是按分割框的编号顺序分割保存的）"));
    canvas_->showSample(Rotation::None);
    rotationBox_->setCurrentIndex(0);
    connect(rotationBox_, &QComboBox::currentIndexChanged, this, &FrameEditorWindow::rotationChosen,
            Qt::UniqueConnection);
}

void FrameEditorWindow::setNavigationEnabled(bool enabled)
{
    letterRows_->setEnabled(enabled);
    for (QPushButton *button : {previousButton(), nextButton(), exitButton()})
        button->setEnabled(enabled);
}

void FrameEditorWindow::rotationChosen(int index)
{
    const Rotation rotation = rotationAt(index);
    if (index < 0 || rotation == canvas_->shownRotation())
        return;
    job_.rotation = rotation;
    canvas_->showSample(rotation);
}

void FrameEditorWindow::keyPressed(const QKeyEvent &key)
{
    if (!canvas_->handlesShown()) {
        if (key.matches(QKeySequence::Save)) {
            saveLayout();
            return;
        }
        if (key.matches(QKeySequence::Open)) {
            loadLayout();
            return;
        }
    }
    canvas_->nudgeSelected(key);
}

void FrameEditorWindow::createLayoutMenu()
{
    layoutMenu_ = new QMenu(this);
    layoutMenu_->setObjectName(QStringLiteral("layoutMenu"));
    // The entries show the keys; the keys themselves go through keyPressed only, since an
    // action known only to a context menu never fires on its shortcut.
    QAction *save = layoutMenu_->addAction(QStringLiteral("保存分割布局(&S)…"), this,
                                           &FrameEditorWindow::saveLayout);
    save->setShortcut(QKeySequence::Save);
    QAction *open = layoutMenu_->addAction(QStringLiteral("打开分割布局(&O)…"), this,
                                           &FrameEditorWindow::loadLayout);
    open->setShortcut(QKeySequence::Open);
    canvas_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(canvas_, &QWidget::customContextMenuRequested, this, [this](QPoint at) {
        if (!layout::largestArea.contains(at))
            return;
        // A right press on the selected frame began a move whose release the menu takes.
        canvas_->endGesture();
        layoutMenu_->popup(canvas_->mapToGlobal(at));
    });
}

std::optional<QString> FrameEditorWindow::chooseLayoutFile(bool save)
{
    // Layouts are kept beside the pictures they were placed on.
    const QDir pictures = QFileInfo(job_.samplePicture()).absoluteDir();
    platform::FileRequest request;
    request.owner = this;
    request.title = save ? QStringLiteral("保存分割布局") : QStringLiteral("打开分割布局");
    request.filter = QStringLiteral("分割布局 (*.json)");
    request.startPath =
        save ? pictures.filePath(QStringLiteral("分割布局.json")) : pictures.absolutePath();
    request.save = save;
    request.defaultSuffix = QStringLiteral("json");
    return platform::chooseFile(request);
}

void FrameEditorWindow::saveLayout()
{
    // The file names the size of the picture the frames lie on; with none drawn there is
    // no such picture.
    if (!canvas_->sampleDrawn()) {
        platform::showNotice(this, QStringLiteral("提示信息"),
                             QStringLiteral("样本图片没有显示出来，无法保存分割布局。"));
        return;
    }
    const std::optional<QString> path = chooseLayoutFile(true);
    if (!path)
        return;
    QString error;
    if (!saveLayoutFile(*path, layoutOfJob(job_), &error))
        platform::showNotice(this, QStringLiteral("错误信息"),
                             QStringLiteral("无法保存分割布局：") +
                                 QDir::toNativeSeparators(*path) + QStringLiteral("\n") + error);
}

void FrameEditorWindow::loadLayout()
{
    const std::optional<QString> path = chooseLayoutFile(false);
    if (!path)
        return;
    const LayoutReadResult read = loadLayoutFile(*path);
    if (!read.layout) {
        platform::showNotice(this, QStringLiteral("提示信息"),
                             QStringLiteral("无法读取分割布局：") +
                                 QDir::toNativeSeparators(*path) + QStringLiteral("\n") +
                                 read.error);
        return;
    }
    const SavedLayout &saved = *read.layout;
    if (int(saved.frames.size()) != canvas_->frameCount()) {
        platform::showNotice(this, QStringLiteral("提示信息"),
                             QStringLiteral("分割布局有 %1 个分割框，第1步选择的分割数量是 %2，"
                                            "没有载入。")
                                 .arg(saved.frames.size())
                                 .arg(canvas_->frameCount()));
        return;
    }
    // The frames are about to move: a selection would leave its handles behind.
    if (canvas_->handlesShown())
        canvas_->deselect();
    // A new rotation draws the sample turned, then the frames go where the file says.
    // Where it cannot be drawn, the old picture's scale would misplace them: the user has
    // the sample's box, and the frames stay as they were.
    const bool turned = saved.rotation != canvas_->shownRotation();
    rotationBox_->setCurrentIndex(quarterTurns(saved.rotation));
    if (turned && !canvas_->sampleDrawn())
        return;
    canvas_->placeFrames(saved.frames);
    QStringList letters;
    for (const SplitFrame &frame : saved.frames)
        letters << frame.letter;
    letterRows_->setLetters(letters);
    const QString notice = sampleSizeNotice(saved.sampleSize, job_.sampleSize);
    if (!notice.isEmpty())
        platform::showNotice(this, QStringLiteral("提示信息"), notice);
}

void FrameEditorWindow::next()
{
    const int frames = canvas_->frameCount();
    const int books = layout::countBooks(letterRows_->letters());
    if (layout::booksNeedConfirmation(frames, books)) {
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

void FrameEditorWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Step 3 cuts with these frames, so a number of parts changed in step 1 means a new
    // frame set here, laid on the current sample.
    if (job_.partCount != canvas_->frameCount())
        rebuildFrames();
    // Once the window is up, so that the box opens over it.
    QTimer::singleShot(0, canvas_, &FrameCanvas::showPendingNotice);
}

void FrameEditorWindow::rebuildFrames()
{
    canvas_->clearFrames();
    letterRows_->clear();
    job_.resetFrames(job_.partCount);
    canvas_->buildFrames(job_.partCount);
    letterRows_->build(job_.partCount);
    setNavigationEnabled(true);
    canvas_->showSample(canvas_->shownRotation());
}
