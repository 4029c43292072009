#include "Dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace platform {

namespace {

std::function<QString(const OpenPicturesRequest &)> &openResponder()
{
    static std::function<QString(const OpenPicturesRequest &)> r;
    return r;
}

std::function<std::optional<QString>(const FolderRequest &)> &folderResponder()
{
    static std::function<std::optional<QString>(const FolderRequest &)> r;
    return r;
}

QString withSlash(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
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

QString nameBufferFor(const QStringList &paths)
{
    const QChar nul(QChar::Null);
    if (paths.isEmpty())
        return {};
    if (paths.size() == 1)
        return QDir::toNativeSeparators(paths.first()) + nul;
    // Names typed into the dialog may lie in other folders than the one shown; the
    // folder is then the files' common ancestor and each name the rest of its path,
    // so that folder + name is still the file picked.
    QStringList files;
    for (const QString &path : paths)
        files << QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QString folder = QFileInfo(files.first()).path();
    for (const QString &file : files) {
        while (!file.startsWith(withSlash(folder))) {
            const QString parent = QFileInfo(folder).path();
            if (parent == folder)
                break; // no common ancestor (another drive)
            folder = parent;
        }
    }
    const QString prefix = withSlash(folder);
    QString buffer = QDir::toNativeSeparators(folder) + nul;
    for (const QString &file : files) {
        const QString name = file.startsWith(prefix) ? file.mid(prefix.size()) : file;
        buffer += QDir::toNativeSeparators(name) + nul;
    }
    return buffer + nul;
}

QString openPictures(const OpenPicturesRequest &request)
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
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return nameBufferFor(dialog.selectedFiles());
}

std::optional<QString> chooseFolder(const FolderRequest &request)
{
    if (folderResponder())
        return folderResponder()(request);
    // An empty start folder lets the dialog open at the top of the folder tree.
    const QString folder = QFileDialog::getExistingDirectory(
        request.owner, request.title, QDir::rootPath(), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(folder);
}

void setOpenPicturesResponder(std::function<QString(const OpenPicturesRequest &)> responder)
{
    openResponder() = std::move(responder);
}

void setFolderResponder(std::function<std::optional<QString>(const FolderRequest &)> responder)
{
    folderResponder() = std::move(responder);
}

} // namespace platform
