#pragma once

#include "PieceRecord.h"

#include <QHash>
#include <QList>
#include <QMetaType>
#include <QSize>
#include <QStringList>

#include <vector>

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
    qint64 piecesSkipped = 0; // already standing, with skipExisting
    QStringList unreadable;   // pictures that could not be loaded
    QStringList unsaved;      // pieces that could not be written
    // Why each of them failed, by path.
    QHash<QString, QString> whyUnreadable;
    QHash<QString, QString> whyUnsaved;
    // Earlier files under the names of unsaved pieces: how many were deleted, so that no
    // earlier run's piece passes for this run's, and those that could not be.
    qint64 oldFilesRemoved = 0;
    QStringList oldFilesKept;
    // Pieces written whole whose disk then reported an error writing them: how many were
    // removed, so that none passes for whole, and those that could not be.
    qint64 piecesRemovedAfterDiskError = 0;
    QStringList piecesLeftAfterDiskError;
    // Pictures cut whose size differs from the sample's, so that their pieces may be cut
    // off; empty when the sample's size is not known.
    QList<SizedPicture> otherSize;
    QSize sampleSize;
    // When the snapshot asks for it: one per piece begun, skipped or without a file, in
    // running-number order. The pieces of an unreadable picture are failed ones, with its
    // reason; pieces a stop kept from beginning have none.
    std::vector<PieceRecord> pieces;
    // When the snapshot asks for books: the PDFs written, one a letter; those that could
    // not be, with why; and whether a stop kept every book from being made.
    QStringList books;
    QStringList unwrittenBooks;
    QHash<QString, QString> whyBookUnwritten;
    bool booksStopped = false;
};

Q_DECLARE_METATYPE(RunOutcome)
