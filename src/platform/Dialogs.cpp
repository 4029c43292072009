#include "Dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QTimer>
#include <QWindow>

namespace platform {

namespace {

std::function<QStringList(const OpenPicturesRequest &)> &openResponder()
{
    static std::function<QStringList(const OpenPicturesRequest &)> r;
    return r;
}

std::function<std::optional<QString>(const FolderRequest &)> &folderResponder()
{
    static std::function<std::optional<QString>(const FolderRequest &)> r;
    return r;
}

std::function<std::optional<QString>(const FileRequest &)> &fileResponder()
{
    static std::function<std::optional<QString>(const FileRequest &)> r;
    return r;
}

// A dialog closed with Enter while its name completer was open can leave Qt Widgets
// without an active window although the window under it has the focus: keys still reach
// it, but a screen reader is never told it is active again. Once the dialog's events are
// done, the window with the focus is made the active one.
void activateFocusWindowLater()
{
    QTimer::singleShot(0, qApp, [] {
        const QWindow *focus = QGuiApplication::focusWindow();
        if (!focus || QApplication::activeWindow())
            return;
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (window->windowHandle() == focus && window->isVisible()) {
                QApplication::setActiveWindow(window);
                return;
            }
        }
    });
}

} // namespace

QStringList qtNameFilters(const std::vector<FilterPair> &filters)
{
    QStringList result;
    for (const FilterPair &pair : filters) {
        // The dialog matches patterns regardless of case (SCAN.JPG is offered by *.jpg), so
        // each is listed once, as the table spells it.
        const QStringList patterns = pair.patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        // Qt reads the patterns from the last parenthesised group of each entry.
        QString description = pair.description;
        const qsizetype paren = description.indexOf(QLatin1String(" ("));
        if (paren >= 0)
            description.truncate(paren);
        result << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                      QLatin1Char(')');
    }
    return result;
}

QStringList openPictures(const OpenPicturesRequest &request)
{
    if (openResponder())
        return openResponder()(request);

    QFileDialog dialog(request.owner, request.title, request.initialFolder);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::DontResolveSymlinks, true);
    dialog.setOption(QFileDialog::ReadOnly, true);
    // The desktop's own dialog, left as it is: it lists p2 before p10 itself, and a model
    // set on Qt's dialog would make its completer select rows that win over typed names.
    const QStringList filters = qtNameFilters(request.filters);
    dialog.setNameFilters(filters);
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
        dialog.selectNameFilter(filters.at(request.filterIndex - 1));
    const int answer = dialog.exec();
    activateFocusWindowLater();
    if (answer != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

std::optional<QString> chooseFolder(const FolderRequest &request)
{
    if (folderResponder())
        return folderResponder()(request);
    // An empty start folder lets the dialog open at the top of the folder tree.
    const QString folder = QFileDialog::getExistingDirectory(
        request.owner, request.title, QDir::rootPath(), QFileDialog::ShowDirsOnly);
    activateFocusWindowLater();
    if (folder.isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(folder);
}

std::optional<QString> chooseFile(const FileRequest &request)
{
    std::optional<QString> path;
    if (fileResponder()) {
        path = fileResponder()(request);
    } else {
        QFileDialog dialog(request.owner, request.title, request.startPath, request.filter);
        dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        // The dialog adds it itself, so that it asks before replacing "布局.json" too.
        if (request.save)
            dialog.setDefaultSuffix(request.defaultSuffix);
        const int answer = dialog.exec();
        activateFocusWindowLater();
        if (answer == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            path = dialog.selectedFiles().constFirst();
    }
    if (!path || path->isEmpty())
        return std::nullopt;
    // As the dialog does it: only a name with no dot at all, never "布局.txt" or "布局.".
    if (request.save && !request.defaultSuffix.isEmpty() &&
        !QFileInfo(*path).fileName().contains(QLatin1Char('.')))
        *path += QLatin1Char('.') + request.defaultSuffix;
    return path;
}

void setFileResponder(std::function<std::optional<QString>(const FileRequest &)> responder)
{
    fileResponder() = std::move(responder);
}

void setOpenPicturesResponder(std::function<QStringList(const OpenPicturesRequest &)> responder)
{
    openResponder() = std::move(responder);
}

void setFolderResponder(std::function<std::optional<QString>(const FolderRequest &)> responder)
{
    folderResponder() = std::move(responder);
}

} // namespace platform
