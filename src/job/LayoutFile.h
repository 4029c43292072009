#pragma once

#include "SplitJob.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <optional>
#include <vector>

// A set of frames kept in a file, so that the next batch of the same books is cut the same
// way. The file is JSON, small enough to read and edit by hand:
//
//   {
//       "format": 1,
//       "parts": 2,
//       "rotation": 90,
//       "sample": { "width": 2480, "height": 3508 },
//       "frames": [
//           { "letter": "A", "x": 0, "y": 0, "width": 1754, "height": 1240 },
//           { "letter": "B", "x": 1754, "y": 0, "width": 1754, "height": 1240 }
//       ]
//   }
//
// Rectangles are in pixels of the turned picture, as the job keeps them; the rotation is
// in degrees clockwise; the sample's size is the unturned size of the picture the frames
// were placed on. Every frame starts inside that picture once turned; it may reach beyond
// it, and the run cuts it back at each page's edges.
struct SavedLayout
{
    std::vector<SplitFrame> frames; // frame 1 first
    Rotation rotation = Rotation::None;
    QSize sampleSize; // unturned
};

// The only version this program writes and reads.
inline constexpr int layoutFormatVersion = 1;
// Step 1 offers at most this many parts.
inline constexpr int layoutMaxFrames = 10;

// A layout read back, or the reason it was refused (in the program's words, for a box or
// the command line).
struct LayoutReadResult
{
    std::optional<SavedLayout> layout;
    QString error;
};

// The job's frames, rotation and sample size as a layout.
SavedLayout layoutOfJob(const SplitJob &job);

// The rotation's angle in the file: 0, 90, 180 or 270 degrees clockwise.
int rotationDegrees(Rotation rotation);
// The rotation of an angle in degrees; nothing for any other angle.
std::optional<Rotation> rotationOfDegrees(qint64 degrees);

// The file's text, indented, UTF-8.
QByteArray layoutFileBytes(const SavedLayout &layout);
// Checks every field; a refused file gives no layout and a reason.
LayoutReadResult parseLayoutFile(const QByteArray &bytes);

// What to tell the user who opens a layout placed on a picture of layoutSample over a
// sample of shownSample (both unturned); empty when the sizes agree or nothing is shown.
QString sampleSizeNotice(const QSize &layoutSample, const QSize &shownSample);

// Writes the file whole or not at all (a temporary file renamed over the target).
bool saveLayoutFile(const QString &path, const SavedLayout &layout, QString *error);
// Reads at most 1 MiB, so a device or a pipe that never ends is refused, not read forever.
LayoutReadResult loadLayoutFile(const QString &path);
