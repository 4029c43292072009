#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QWidget;

namespace platform {

// One entry of the open dialog's type box: a description and its ';'-separated patterns.
struct FilterPair
{
    QString description;
    QString patterns;
};

struct OpenPicturesRequest
{
    QWidget *owner = nullptr;
    QString title;
    std::vector<FilterPair> filters;
    int filterIndex = 1;   // 1-based, as the dialog counts
    QString initialFolder; // empty: the platform chooses
};

struct FolderRequest
{
    QWidget *owner = nullptr;
    QString title;
};

// A dialog for one file to save or to open.
struct FileRequest
{
    QWidget *owner = nullptr;
    QString title;
    QString filter;    // "分割布局 (*.json)"
    QString startPath; // a folder, or a path whose name the save dialog proposes
    bool save = false;
    // Added to a saved name with no dot at all ("json" makes "布局" "布局.json").
    QString defaultSuffix;
};

// Multi-select open dialog: the full paths of the picked files, as many as were picked;
// none when cancelled.
QStringList openPictures(const OpenPicturesRequest &request);

// Folder chooser: the chosen folder's path, or nothing when cancelled.
std::optional<QString> chooseFolder(const FolderRequest &request);

// One file: its path, or nothing when cancelled. Saving over a file is confirmed in the
// dialog, for the name with its default suffix.
std::optional<QString> chooseFile(const FileRequest &request);

// Test seams: when set, they answer instead of showing a dialog.
void setOpenPicturesResponder(std::function<QStringList(const OpenPicturesRequest &)> responder);
void setFolderResponder(std::function<std::optional<QString>(const FolderRequest &)> responder);
void setFileResponder(std::function<std::optional<QString>(const FileRequest &)> responder);

// The name filters handed to the dialog: each description with its patterns, which the
// dialog matches regardless of case (SCAN.JPG is offered by *.jpg).
QStringList qtNameFilters(const std::vector<FilterPair> &filters);

} // namespace platform
