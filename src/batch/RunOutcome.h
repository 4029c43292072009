#pragma once

#include <QHash>
#include <QList>
#include <QMetaType>
#include <QSize>
#include <QStringList>

// A picture and its size in pixels, as read.
struct SizedPicture
{
    QString path;
    QSize size;
};

// How a run ended, for the window's state and its report.
struct RunOutcome
{
    bool stopped = false; // the stop request ended it before the last frame
    qint64 piecesSaved = 0;
    QStringList unreadable; // pictures that could not be loaded
    QStringList unsaved;    // pieces that could not be written
    // Why each of them failed, by path.
    QHash<QString, QString> whyUnreadable;
    QHash<QString, QString> whyUnsaved;
    // Earlier files under the names of unsaved pieces: how many were deleted, so that no
    // earlier run's piece passes for this run's, and those that could not be.
    qint64 oldFilesRemoved = 0;
    QStringList oldFilesKept;
    // Pictures cut whose size differs from the sample's, so that their pieces may be cut
    // off; empty when the sample's size is not known.
    QList<SizedPicture> otherSize;
    QSize sampleSize;
};

Q_DECLARE_METATYPE(RunOutcome)
