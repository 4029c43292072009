#pragma once

#include <QByteArray>
#include <QRect>
#include <QString>

// What became of one piece of a run, for runs split across machines: which file, from
// which picture and frame, what was cut, and the file's SHA-256.
struct PieceRecord
{
    enum class Status { Saved, Skipped, Failed, NoFile };

    QString path;             // the piece's file (folder + name)
    QString picture;          // the source picture's path as in the snapshot
    qint64 pictureNumber = 0; // in the whole batch (counted from the snapshot's firstPicture)
    qint64 runningNumber = 0;
    int frame = 0; // 1-based
    QRect rect;    // what was cut, in pixels of the turned picture, after clipping
                   // (null for NoFile)
    Status status = Status::NoFile;
    QString reason;    // why it failed; empty otherwise
    QByteArray sha256; // hex SHA-256 of the bytes written, for Saved only; computed
                       // while writing, never by reading the file back
};

// "saved", "skipped", "failed", "no-file".
QString pieceStatusName(PieceRecord::Status status);
