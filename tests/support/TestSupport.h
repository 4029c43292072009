#pragma once

#include "platform/Dialogs.h"
#include "platform/MessageBox.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <vector>

namespace testsupport {

// Answers every message box without blocking and records it; Yes/No boxes take
// the queued answers in order, then No.
class ScriptedBoxes
{
public:
    ScriptedBoxes();
    ~ScriptedBoxes();
    void answerNext(platform::BoxAnswer answer) { answers_.push_back(answer); }
    const std::vector<platform::BoxRequest> &shown() const { return platform::shownBoxes(); }
    void clear() { platform::clearShownBoxes(); }

private:
    std::deque<platform::BoxAnswer> answers_;
};

// Answers the open-pictures and folder dialogs from queues; an empty queue cancels.
class ScriptedDialogs
{
public:
    ScriptedDialogs();
    ~ScriptedDialogs();
    void pickFiles(const QStringList &paths) { picks_.push_back(paths); }
    void cancelPick() { picks_.push_back({}); }
    void pickFolder(const QString &folder) { folders_.push_back(folder); }
    void cancelFolder() { folders_.push_back(std::nullopt); }
    const std::vector<platform::OpenPicturesRequest> &openRequests() const { return opens_; }
    const std::vector<platform::FolderRequest> &folderRequests() const { return folderReqs_; }
    void pickFile(const QString &path) { files_.push_back(path); }
    void cancelFile() { files_.push_back(std::nullopt); }
    const std::vector<platform::FileRequest> &fileRequests() const { return fileReqs_; }

private:
    std::deque<QStringList> picks_;
    std::deque<std::optional<QString>> folders_;
    std::deque<std::optional<QString>> files_;
    std::vector<platform::FileRequest> fileReqs_;
    std::vector<platform::OpenPicturesRequest> opens_;
    std::vector<platform::FolderRequest> folderReqs_;
};

// A window's control by its object name (the member's name without the trailing
// underscore, "letterBoxes_3" for element 3 of a row); null when there is none.
template <class T> T *control(const QObject &window, const QString &name)
{
    return window.findChild<T *>(name);
}

// A deterministic picture whose every pixel differs from its neighbours, so that a
// piece cut one pixel off is caught.
QImage patternImage(int width, int height, QImage::Format format = QImage::Format_RGB32,
                    int seed = 0);

// Writes a picture file; fails the calling test when it cannot.
bool writePicture(const QImage &image, const QString &path, const char *format = nullptr,
                  int quality = -1);

} // namespace testsupport
