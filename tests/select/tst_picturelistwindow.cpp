#include "TestSupport.h"
#include "job/SplitJob.h"
#include "select/PictureListWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace {

const char *const controlNames[] = {
    "pictureList",    "addButton", "removeButton",    "countLabel", "pictureCount", "partsLabelTop",
    "partsLabelLeft", "partsBox",  "partsLabelRight", "nextButton", "exitButton"};

// The named control that owns the widget (an editable box's line edit belongs to the box).
QString controlOf(QWidget *widget)
{
    for (; widget; widget = widget->parentWidget()) {
        for (const char *name : controlNames) {
            if (widget->objectName() == QLatin1String(name))
                return widget->objectName();
        }
    }
    return {};
}

QStringList items(const QListWidget *list)
{
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        result << list->item(i)->text();
    return result;
}

QStringList paths(const QString &folder, const QStringList &names)
{
    QStringList result;
    for (const QString &name : names)
        result << folder + QLatin1Char('/') + name;
    return result;
}

// A made-up path written from the top of the file tree ("/scans/a.jpg"), on the system's
// own top ("C:/scans/a.jpg" on Windows), so that it is absolute as picked.
QString fromTop(const QString &path)
{
    return QDir::rootPath() + path.mid(1);
}

QStringList fromTop(const QStringList &paths)
{
    QStringList result;
    for (const QString &path : paths)
        result << fromTop(path);
    return result;
}

// As the list and the dialogs show it: with the system's own separators.
QString shown(const QString &path)
{
    return QDir::toNativeSeparators(fromTop(path));
}

QStringList shown(const QStringList &paths)
{
    QStringList result;
    for (const QString &path : paths)
        result << shown(path);
    return result;
}

// Types the text key by key; a character no key gives comes from an input method.
void typeInto(QLineEdit *edit, const QString &text)
{
    for (const QChar c : text) {
        if (c.toLatin1() != 0) {
            QTest::keyClick(edit, c.toLatin1());
            continue;
        }
        QInputMethodEvent commit;
        commit.setCommitString(c);
        QApplication::sendEvent(edit, &commit);
    }
}

QFileDialog *shownFileDialog()
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (auto *dialog = qobject_cast<QFileDialog *>(window); dialog && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

// The names in the folder as the dialog's list shows them (its model sorts them itself).
QStringList listedNames(const QFileDialog &dialog, const QString &folder)
{
    QStringList names;
    if (auto *model = dialog.findChild<QFileSystemModel *>()) {
        const QModelIndex root = model->index(folder);
        for (int row = 0; row < model->rowCount(root); ++row)
            names << model->index(row, 0, root).data().toString();
    }
    return names;
}

} // namespace

class tst_PictureListWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loadState();
    void geometry_data();
    void geometry();
    void tabOrder();
    void accessKeys();
    void addOne();
    void addPicksInOrder_data();
    void addPicksInOrder();
    void cancelKeepsEverything();
    void duplicateCountedTwice();
    void remove_data();
    void remove();
    void removeWithTheMouse();
    void nextRefusesEmptyList();
    void nextChecksParts_data();
    void nextChecksParts();
    void nextWithoutSelection();
    void realDialogOffersUpperCase();
    void dropAddsPictures_data();
    void dropAddsPictures();

private:
    SplitJob job;
    std::unique_ptr<PictureListWindow> window;
    QListWidget *list = nullptr;
    QComboBox *partsBox = nullptr;
    QPushButton *addButton = nullptr;
    QPushButton *removeButton = nullptr;
    QPushButton *nextButton = nullptr;
    QPushButton *exitButton = nullptr;
    QLabel *pictureCount = nullptr;
    std::unique_ptr<testsupport::ScriptedBoxes> boxes;
    std::unique_ptr<testsupport::ScriptedDialogs> dialogs;

    void showActive()
    {
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    void fill(int count)
    {
        QStringList names;
        for (int i = 0; i < count; ++i)
            names << QStringLiteral("p%1.jpg").arg(i);
        dialogs->pickFiles(fromTop(paths(QStringLiteral("/scans"), names)));
        addButton->click();
    }
};

void tst_PictureListWindow::init()
{
    job = SplitJob();
    boxes = std::make_unique<testsupport::ScriptedBoxes>();
    dialogs = std::make_unique<testsupport::ScriptedDialogs>();
    window = std::make_unique<PictureListWindow>(job);
    QVERIFY(list = testsupport::control<QListWidget>(*window, "pictureList"));
    QVERIFY(partsBox = testsupport::control<QComboBox>(*window, "partsBox"));
    QVERIFY(addButton = testsupport::control<QPushButton>(*window, "addButton"));
    QVERIFY(removeButton = testsupport::control<QPushButton>(*window, "removeButton"));
    QVERIFY(nextButton = testsupport::control<QPushButton>(*window, "nextButton"));
    QVERIFY(exitButton = testsupport::control<QPushButton>(*window, "exitButton"));
    QVERIFY(pictureCount = testsupport::control<QLabel>(*window, "pictureCount"));
}

void tst_PictureListWindow::cleanup()
{
    window.reset();
    dialogs.reset();
    boxes.reset();
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void tst_PictureListWindow::loadState()
{
    QCOMPARE(window->windowTitle(),
             QStringLiteral("青禾图片分割器 1.2－第1步：选择待分割图片  (开源版 2026-12)"));
    QVERIFY(!window->windowIcon().isNull());
    QCOMPARE(window->minimumSize(), QSize(437, 235));
    QCOMPARE(window->maximumSize(), QSize(437, 235));

    QVERIFY(partsBox->isEditable());
    QCOMPARE(partsBox->count(), 10);
    for (int i = 0; i < 10; ++i)
        QCOMPARE(partsBox->itemText(i), QString::number(i + 1));
    QCOMPARE(partsBox->currentIndex(), 3);
    QCOMPARE(partsBox->currentText(), QStringLiteral("4"));
    // "10" fits whole beside the arrow, not shown as ".0".
    const QLineEdit *edit = partsBox->lineEdit();
    window->show();
    QVERIFY(edit->width() - 4 >= edit->fontMetrics().horizontalAdvance(QStringLiteral("10")));
    window->hide();

    QCOMPARE(list->count(), 0);
    QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(pictureCount->text(), QStringLiteral("0"));
    const auto labelText = [this](const char *name) {
        const QLabel *label = testsupport::control<QLabel>(*window, QLatin1String(name));
        return label ? label->text() : QStringLiteral("(missing)");
    };
    QCOMPARE(labelText("countLabel"), QStringLiteral("图片数量："));
    QCOMPARE(labelText("partsLabelTop"), QStringLiteral("将选定的图片分"));
    QCOMPARE(labelText("partsLabelLeft"), QStringLiteral("割成"));
    QCOMPARE(labelText("partsLabelRight"), QStringLiteral("部分"));
    QCOMPARE(nextButton->text(), QStringLiteral("下一步  (&N)"));
    QCOMPARE(exitButton->text(), QStringLiteral("退 出  (&Q)"));
    QVERIFY(addButton->text().isEmpty());
    QVERIFY(removeButton->text().isEmpty());
    QCOMPARE(addButton->toolTip(), QStringLiteral("插入新图片"));
    QCOMPARE(removeButton->toolTip(), QStringLiteral("从列表中移除选定的项"));
    QCOMPARE(addButton->iconSize(), QSize(20, 20));
    QVERIFY(!addButton->icon().isNull());
    QVERIFY(!removeButton->icon().isNull());

    const QColor blue(0, 0, 255);
    QCOMPARE(window->palette().color(QPalette::Window), QColor(0xE0, 0xE0, 0xE0));
    QCOMPARE(pictureCount->palette().color(QPalette::WindowText), blue);
    QCOMPARE(partsBox->palette().color(QPalette::Text), blue);
    QCOMPARE(addButton->palette().color(QPalette::Button), QColor(Qt::white));
    QCOMPARE(removeButton->palette().color(QPalette::Button), QColor(Qt::white));
}

void tst_PictureListWindow::geometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips"); // left, top, width, height

    // A row for each control, named as the control.
    const std::pair<const char *, QRect> controls[] = {
        {"pictureList", QRect(240, 240, 4455, 2400)},
        {"addButton", QRect(5145, 240, 1095, 375)},
        {"removeButton", QRect(5145, 900, 1095, 375)},
        {"countLabel", QRect(4920, 1620, 900, 180)},
        {"pictureCount", QRect(5880, 1620, 90, 180)},
        {"partsLabelTop", QRect(4920, 1980, 1260, 180)},
        {"partsLabelLeft", QRect(4920, 2340, 360, 180)},
        {"partsBox", QRect(5340, 2280, 510, 300)},
        {"partsLabelRight", QRect(5880, 2340, 360, 180)},
        {"nextButton", QRect(240, 2940, 1740, 360)},
        {"exitButton", QRect(4740, 2940, 1500, 360)},
    };
    for (const auto &[name, twips] : controls)
        QTest::newRow(name) << QString::fromLatin1(name) << twips;
}

void tst_PictureListWindow::geometry()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    auto *control = window->findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->parentWidget(), window.get());
    QCOMPARE(control->geometry(),
             QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
}

void tst_PictureListWindow::tabOrder()
{
    showActive();
    QCOMPARE(controlOf(QApplication::focusWidget()), QStringLiteral("addButton"));
    const QStringList expected{"nextButton",  "partsBox",   "removeButton",
                               "pictureList", "exitButton", "addButton"};
    QStringList visited;
    for (int i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << controlOf(QApplication::focusWidget());
    }
    QCOMPARE(visited, expected);
}

void tst_PictureListWindow::accessKeys()
{
    showActive();
    QSignalSpy exits(window.get(), &PictureListWindow::exitRequested);
    // A mnemonic clicks its button with a short animation, hence the waits.
    QTest::keyClick(window.get(), Qt::Key_N, Qt::AltModifier);
    QTRY_COMPARE(boxes->shown().size(), size_t(1)); // Next ran: the empty-list box
    QTest::keyClick(window.get(), Qt::Key_Q, Qt::AltModifier);
    QTRY_COMPARE(exits.count(), 1);
}

void tst_PictureListWindow::addOne()
{
    dialogs->pickFiles({fromTop("/scans/p001.jpg")});
    QTest::mouseClick(addButton, Qt::LeftButton);

    QCOMPARE(items(list), QStringList{shown("/scans/p001.jpg")});
    QCOMPARE(pictureCount->text(), QStringLiteral("1"));
    QCOMPARE(job.lastFolder, shown("/scans/"));

    QCOMPARE(dialogs->openRequests().size(), size_t(1));
    const platform::OpenPicturesRequest &request = dialogs->openRequests().front();
    QCOMPARE(request.owner, window.get());
    QCOMPARE(request.title, QStringLiteral("选择文本文件"));
    QCOMPARE(request.filterIndex, 1);
    QVERIFY(request.initialFolder.isEmpty()); // the platform chooses at first
    const QStringList expected{"All Pictures",       "*.bmp;*.gif;*.jpg;*.jpeg;*.tif;*.png;*.pdf",
                               "Bitmap (*.bmp)",     "*.bmp",
                               "GIF (*.gif)",        "*.gif",
                               "JPG (*.jpg;*.jpeg)", "*.jpg;*.jpeg",
                               "TIF (*.tif)",        "*.tif",
                               "PNG (*.png)",        "*.png",
                               "PDF (*.pdf)",        "*.pdf"};
    QStringList filters;
    for (const platform::FilterPair &pair : request.filters)
        filters << pair.description << pair.patterns;
    QCOMPARE(filters, expected);
}

void tst_PictureListWindow::addPicksInOrder_data()
{
    QTest::addColumn<QStringList>("picked");
    QTest::addColumn<QStringList>("entered");
    QTest::addColumn<QString>("lastFolder");

    const QString book = QStringLiteral("/scans/第 二 册");
    QTest::newRow("one folder, in page order")
        << paths(book, {"c.png", "a.png", "b.png"}) << paths(book, {"a.png", "b.png", "c.png"})
        << book + QLatin1Char('/');
    // Names typed into the dialog can lie elsewhere; the next dialog starts where all lie.
    QTest::newRow("two folders") << QStringList{"/scans/b/2.jpg", "/scans/a/1.jpg"}
                                 << QStringList{"/scans/a/1.jpg", "/scans/b/2.jpg"} << "/scans/";
    QTest::newRow("one in a subfolder of the other's")
        << QStringList{"/scans/more/2.jpg", "/scans/1.jpg"}
        << QStringList{"/scans/1.jpg", "/scans/more/2.jpg"} << "/scans/";
    QTest::newRow("folder names sharing a prefix")
        << QStringList{"/scans/2.jpg", "/scan/1.jpg"} << QStringList{"/scan/1.jpg", "/scans/2.jpg"}
        << "/";
}

void tst_PictureListWindow::addPicksInOrder()
{
    QFETCH(QStringList, picked);
    QFETCH(QStringList, entered);
    QFETCH(QString, lastFolder);

    dialogs->pickFiles({fromTop(QStringLiteral("/书/第1页.jpg"))});
    dialogs->pickFiles(fromTop(picked));
    addButton->click();
    addButton->click();

    // Picks keep their order; the files of one pick enter in page order.
    QCOMPARE(items(list), shown(QStringList{QStringLiteral("/书/第1页.jpg")} + entered));
    QCOMPARE(job.pictures, items(list));
    QCOMPARE(pictureCount->text(), QString::number(1 + entered.size()));
    QCOMPARE(job.lastFolder, shown(lastFolder));
    // The second dialog starts where the first pick came from.
    QCOMPARE(dialogs->openRequests().at(1).initialFolder, shown(QStringLiteral("/书/")));
}

void tst_PictureListWindow::cancelKeepsEverything()
{
    fill(2);
    dialogs->cancelPick();
    addButton->click();
    addButton->click(); // the queue is empty: cancelled as well

    QCOMPARE(list->count(), 2);
    QCOMPARE(job.pictures, items(list));
    QCOMPARE(pictureCount->text(), QStringLiteral("2"));
    QCOMPARE(job.lastFolder, shown("/scans/"));
    QCOMPARE(dialogs->openRequests().size(), size_t(3));
    QCOMPARE(dialogs->openRequests().at(2).initialFolder, shown("/scans/"));
}

void tst_PictureListWindow::duplicateCountedTwice()
{
    dialogs->pickFiles({fromTop("/scans/a.jpg")});
    dialogs->pickFiles({fromTop("/scans/a.jpg")});
    addButton->click();
    addButton->click();
    QCOMPARE(items(list), (QStringList{shown("/scans/a.jpg"), shown("/scans/a.jpg")}));
    QCOMPARE(job.pictures, items(list));
    QCOMPARE(pictureCount->text(), QStringLiteral("2"));
}

void tst_PictureListWindow::remove_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QList<int>>("kept");

    QTest::newRow("first, third and last of five") << 5 << QList<int>{0, 2, 4} << QList<int>{1, 3};
    QTest::newRow("all") << 3 << QList<int>{0, 1, 2} << QList<int>{};
    QTest::newRow("none selected") << 3 << QList<int>{} << QList<int>{0, 1, 2};
    QTest::newRow("the last only") << 4 << QList<int>{3} << QList<int>{0, 1, 2};
    QTest::newRow("empty list") << 0 << QList<int>{} << QList<int>{};
    QTest::newRow("eleven items to one")
        << 11 << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 10} << QList<int>{9};
}

void tst_PictureListWindow::remove()
{
    QFETCH(int, count);
    QFETCH(QList<int>, selected);
    QFETCH(QList<int>, kept);

    if (count > 0)
        fill(count);
    const QStringList before = items(list);
    for (int i : selected)
        list->item(i)->setSelected(true);
    QTest::mouseClick(removeButton, Qt::LeftButton);

    QStringList expected;
    for (int i : kept)
        expected << before.at(i);
    QCOMPARE(items(list), expected);
    QCOMPARE(job.pictures, expected);
    QCOMPARE(pictureCount->text(), QString::number(kept.size()));
    // The count stays readable when it grows past one digit.
    QVERIFY(pictureCount->width() >= pictureCount->sizeHint().width() || kept.size() < 10);
}

void tst_PictureListWindow::removeWithTheMouse()
{
    showActive();
    fill(5);
    const auto click = [this](int row, Qt::KeyboardModifiers modifiers) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                          list->visualItemRect(list->item(row)).center());
    };
    click(0, Qt::NoModifier);
    click(2, Qt::ControlModifier);
    click(4, Qt::ControlModifier);
    QCOMPARE(list->selectedItems().size(), 3);
    QTest::mouseClick(removeButton, Qt::LeftButton);
    QCOMPARE(items(list), shown(paths(QStringLiteral("/scans"), {"p1.jpg", "p3.jpg"})));

    // Shift extends over a range.
    fill(3);
    click(1, Qt::NoModifier);
    click(3, Qt::ShiftModifier);
    QTest::mouseClick(removeButton, Qt::LeftButton);
    QCOMPARE(items(list), shown(paths(QStringLiteral("/scans"), {"p1.jpg", "p2.jpg"})));
    QCOMPARE(job.pictures, items(list));
    QCOMPARE(pictureCount->text(), QStringLiteral("2"));
}

void tst_PictureListWindow::nextRefusesEmptyList()
{
    showActive();
    QSignalSpy next(window.get(), &PictureListWindow::nextRequested);
    partsBox->setFocus();
    QTest::mouseClick(nextButton, Qt::LeftButton);

    QCOMPARE(next.count(), 0);
    QCOMPARE(boxes->lines(),
             QStringList{testsupport::boxLine("提示信息", "至少选择一个要分割的图片！",
                                              platform::BoxIcon::Exclamation)});
    QCOMPARE(boxes->shown().front().owner, window.get());
    QCOMPARE(controlOf(QApplication::focusWidget()), QStringLiteral("addButton"));
}

void tst_PictureListWindow::nextChecksParts_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("parts"); // 0: refused

    QTest::newRow("picked default") << QString() << 4;
    QTest::newRow("blanks around") << " 7 " << 7;
    QTest::newRow("ten") << "10" << 10;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("eleven") << "11" << 0;
    QTest::newRow("letters") << "abc" << 0;
    QTest::newRow("emptied") << "" << 0;
    QTest::newRow("decimal") << "4.0" << 0;
    QTest::newRow("negative") << "-1" << 0;
    QTest::newRow("one") << "1" << 1;
    QTest::newRow("blanks only") << "   " << 0;
    QTest::newRow("plus sign") << "+4" << 0;
    QTest::newRow("digit then letter") << "4a" << 0;
    QTest::newRow("inner blank") << "1 0" << 0;
    QTest::newRow("full-width digit") << "４" << 0;
    QTest::newRow("huge") << "99999999999999999999" << 0;
}

void tst_PictureListWindow::nextChecksParts()
{
    QFETCH(QString, typed);
    QFETCH(int, parts);
    const bool accepted = parts > 0;

    showActive();
    fill(1);
    if (!QTest::currentDataTag() || QByteArray(QTest::currentDataTag()) != "picked default") {
        partsBox->lineEdit()->clear();
        typeInto(partsBox->lineEdit(), typed);
    }
    QCOMPARE(partsBox->currentText(), typed.isNull() ? QStringLiteral("4") : typed);
    nextButton->setFocus();
    QSignalSpy next(window.get(), &PictureListWindow::nextRequested);
    QTest::mouseClick(nextButton, Qt::LeftButton);

    QCOMPARE(next.count(), accepted ? 1 : 0);
    if (accepted) {
        QVERIFY(boxes->shown().empty());
        QCOMPARE(job.partCount, parts);
        return;
    }
    QCOMPARE(boxes->lines(),
             QStringList{testsupport::boxLine("提示信息", "分割数量必须是 1 到 10 之间的整数！",
                                              platform::BoxIcon::Exclamation)});
    QCOMPARE(controlOf(QApplication::focusWidget()), QStringLiteral("partsBox"));
    // The typed text stays for the user to mend, and the job keeps its number.
    QCOMPARE(partsBox->currentText(), typed);
    QCOMPARE(job.partCount, SplitJob().partCount);
}

void tst_PictureListWindow::nextWithoutSelection()
{
    fill(3);
    QVERIFY(list->selectedItems().isEmpty());
    QSignalSpy next(window.get(), &PictureListWindow::nextRequested);
    nextButton->click();
    QCOMPARE(next.count(), 1);
    QVERIFY(boxes->shown().empty());
    QCOMPARE(list->count(), 3);
}

void tst_PictureListWindow::realDialogOffersUpperCase()
{
    dialogs.reset(); // the real dialog this time
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const char *name : {"SCAN.JPG", "page.tif", "PAGE2.TIF", "Old.Bmp", "notes.txt"})
        QVERIFY(testsupport::touch(dir.filePath(QLatin1String(name))));
    job.lastFolder = dir.path() + QLatin1Char('/');

    QString title, filter, folder;
    QStringList listed;
    const QStringList pageOrder = {"Old.Bmp", "page.tif", "PAGE2.TIF", "SCAN.JPG"};
    bool seen = false;
    int tries = 0;
    // Runs inside the dialog's own event loop: read what it offers, then pick two files.
    std::function<void()> inspect = [&] {
        QFileDialog *dialog = shownFileDialog();
        if (!dialog) {
            // Keep looking for ten seconds; then close whatever dialog is up, so that a
            // dialog that never became visible here cannot hang the run.
            if (++tries < 1000) {
                QTimer::singleShot(10, inspect);
            } else {
                for (QWidget *w : QApplication::topLevelWidgets()) {
                    if (auto *d = qobject_cast<QDialog *>(w))
                        d->reject();
                }
            }
            return;
        }
        seen = true;
        title = dialog->windowTitle();
        filter = dialog->selectedNameFilter();
        folder = dialog->directory().absolutePath();
        // The folder is read on a helper thread and sorted after it is in: wait for the
        // order the test expects, and compare whatever is shown when the wait ends.
        const bool sorted =
            QTest::qWaitFor([&] { return listedNames(*dialog, dir.path()) == pageOrder; });
        Q_UNUSED(sorted); // the comparison below reports what was shown
        listed = listedNames(*dialog, dir.path());
        // Typed as a user would: two quoted names in the name box.
        if (auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            edit->setText(QStringLiteral("\"SCAN.JPG\" \"PAGE2.TIF\""));
        QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
        if (dialog->isVisible())
            dialog->reject(); // never leave the test waiting on the dialog
    };
    QTimer::singleShot(0, inspect);
    addButton->click();

    QVERIFY(seen);
    QCOMPARE(title, QStringLiteral("选择文本文件"));
    QVERIFY2(filter.startsWith(QLatin1String("All Pictures")), qPrintable(filter));
    QCOMPARE(folder, dir.path());
    // In page order, case ignored; the two typed names enter in that order too.
    QCOMPARE(listed, pageOrder);
    QCOMPARE(items(list), QStringList({QDir::toNativeSeparators(dir.filePath("PAGE2.TIF")),
                                       QDir::toNativeSeparators(dir.filePath("SCAN.JPG"))}));
}

void tst_PictureListWindow::dropAddsPictures_data()
{
    QTest::addColumn<QStringList>("dropped"); // "{dir}" stands for the folder; others are relative
    QTest::addColumn<QStringList>("entered");
    QTest::addColumn<int>("leftOut");

    const QStringList book{"书/b1.png", "书/b2.bmp", "书/b3.tiff", "书/b10.tif"};
    // The pictures, the folder's own but not its subfolder's, folder by folder in page
    // order, so two books' pages never interleave; files join their folder's order.
    QTest::newRow("folder by folder")
        << QStringList{"{dir}/s10", "{dir}/s2", "{dir}/p10.jpg", "{dir}/notes.txt",
                       "{dir}/书",  "{dir}/s1", "{dir}/p2.JPG"}
        << QStringList{"p2.JPG",       "p10.jpg",      "s1/scan1.png", "s1/scan2.png",
                       "s2/scan1.png", "s2/scan2.png", "s10/scan1.png"} +
               book
        << 2;
    // As qinghe-split gets its arguments: ordered and counted by the folder they name.
    QTest::newRow("relative and absolute folders by their paths")
        << QStringList{"s1", "{dir}/s2"}
        << QStringList{"s1/scan1.png", "s1/scan2.png", "s2/scan1.png", "s2/scan2.png"} << 0;
    QTest::newRow("a folder spelled four ways, once")
        << QStringList{"s1", "./s1", "{dir}/s2/../s1/", "{dir}/s1"}
        << QStringList{"s1/scan1.png", "s1/scan2.png"} << 0;
    QTest::newRow("a file given twice and with its folder, once")
        << QStringList{"s1/scan2.png", "{dir}/s1/scan2.png", "s1", "notes.txt", "./notes.txt"}
        << QStringList{"s1/scan1.png", "s1/scan2.png"} << 1;
    // Hidden files (._ files beside each scan on some USB sticks) and saved layouts lie
    // beside the pictures: a folder's are passed over without a word.
    QTest::newRow("hidden files and layouts in a folder")
        << QStringList{"s10"} << QStringList{"s10/scan1.png"} << 0;
    QTest::newRow("a layout or a hidden picture given by itself")
        << QStringList{"s10/layout.json", "s10/._scan1.png"} << QStringList{"s10/._scan1.png"} << 1;
}

void tst_PictureListWindow::dropAddsPictures()
{
    QFETCH(QStringList, dropped);
    QFETCH(QStringList, entered);
    QFETCH(int, leftOut);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const char *folder : {"书/sub", "s1", "s2", "s10"})
        QVERIFY(QDir().mkpath(dir.filePath(QString::fromUtf8(folder))));
    for (const char *name :
         {"p10.jpg", "p2.JPG", "notes.txt", "书/b1.png", "书/b10.tif", "书/b2.bmp", "书/b3.tiff",
          "书/readme.txt", "书/layout.json", "书/._b1.png", "书/sub/deeper.png", "s2/scan1.png",
          "s2/scan2.png", "s10/scan1.png", "s10/._scan1.png", "s10/.hidden.png", "s10/layout.json",
          "s1/scan2.png", "s1/scan1.png"})
        QVERIFY(testsupport::touch(dir.filePath(QString::fromUtf8(name))));
    const QString previous = QDir::currentPath();
    const auto restore = qScopeGuard([&previous] { QDir::setCurrent(previous); });
    QVERIFY(QDir::setCurrent(dir.path()));

    QMimeData mime;
    QList<QUrl> urls;
    for (QString path : dropped)
        urls << QUrl::fromLocalFile(path.replace(QStringLiteral("{dir}"), dir.path()));
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &drop);

    // Clean absolute paths, whatever the spelling dropped.
    QStringList expected;
    for (const QString &name : entered)
        expected << QDir::toNativeSeparators(dir.filePath(name));
    QCOMPARE(items(list), expected);
    QCOMPARE(job.pictures, items(list));
    QCOMPARE(pictureCount->text(), QString::number(expected.size()));
    QCOMPARE(job.lastFolder,
             QDir::toNativeSeparators(QFileInfo(dir.filePath(entered.first())).path() + '/'));
    QCOMPARE(boxes->shown().size(), size_t(leftOut > 0 ? 1 : 0));
    if (leftOut > 0) {
        QCOMPARE(boxes->shown().front().title, QStringLiteral("提示信息"));
        QVERIFY(boxes->shown().front().text.startsWith(
            QStringLiteral("有 %1 个文件不是图片").arg(leftOut)));
    }
}

QTEST_MAIN(tst_PictureListWindow)
#include "tst_picturelistwindow.moc"
