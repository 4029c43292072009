#pragma once

#include "job/SplitJob.h"
#include "platform/Dialogs.h"
#include "platform/MessageBox.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTest>

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
    // Every box shown, as boxLine() writes it.
    QStringList lines() const;
    void clear() { platform::clearShownBoxes(); }

private:
    std::deque<platform::BoxAnswer> answers_;
};

// A box in one line, "title | text | icon | buttons", so that one QCOMPARE of the boxes
// shown checks their number and every field, and shows whatever differs.
QString boxLine(const QString &title, const QString &text, platform::BoxIcon icon,
                platform::BoxButtons buttons = platform::BoxButtons::Ok);

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

// The same, for a control the test cannot go on without: a missing one is a broken
// build, so the run ends with its name rather than with a null pointer.
template <class T> T *requiredControl(const QObject &window, const QString &name)
{
    T *found = control<T>(window, name);
    if (!found)
        qFatal("%s has no %s", qPrintable(window.objectName()), qPrintable(name));
    return found;
}

// A deterministic picture whose every pixel differs from its neighbours, so that a
// piece cut one pixel off is caught.
QImage patternImage(int width, int height, QImage::Format format = QImage::Format_RGB32,
                    int seed = 0);

// A row of a table whose columns are all texts.
inline void textRow(const char *tag, std::initializer_list<const char *> texts)
{
    QTestData &row = QTest::newRow(tag);
    for (const char *text : texts)
        row << QString::fromUtf8(text);
}

// The bytes of the picture as a file of the format would hold them; empty when Qt
// cannot write it.
QByteArray encoded(const QImage &image, const char *format, int quality = -1);

// The CRC of a PNG chunk (type and body), for pictures crafted byte by byte.
quint32 crc32(const QByteArray &data);

// Writes a picture file; fails the calling test when it cannot.
bool writePicture(const QImage &image, const QString &path, const char *format = nullptr,
                  int quality = -1);

// Resolutions as Qt stores them, in dots per metre.
constexpr int dotsPerMetre300 = 11811;
constexpr int dotsPerMetre600 = 23622;

// The picture's resolution in whole dots per inch, across and down.
inline QSize dpi(const QImage &image)
{
    return QSize(qRound(image.dotsPerMeterX() * 0.0254), qRound(image.dotsPerMeterY() * 0.0254));
}

// The picture in 8-bit RGB, so that pictures of different formats compare pixel by pixel.
inline QImage rgb(const QImage &image)
{
    return image.convertToFormat(QImage::Format_RGB888);
}

// The names in a folder, hidden and special files too, sorted.
QStringList entries(const QString &folder);

bool writeBytes(const QString &path, const QByteArray &bytes);
// Empty when the file cannot be read.
QByteArray readBytes(const QString &path);
// A one-byte file, for where only a name matters.
bool touch(const QString &path);

} // namespace testsupport
