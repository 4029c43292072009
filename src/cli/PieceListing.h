#pragma once

#include "batch/PieceRecord.h"

#include <QByteArray>
#include <QString>

#include <vector>

// --dry-run's line for a piece, tab-separated so that scripts can take it apart:
// name, picture, picture number, frame, rectangle (x,y,width,height in pixels of the
// turned picture, "-" for none), what the run would do, and why when it would fail.
QString planLine(const PieceRecord &record);

// --manifest's record of a piece: one JSON object on one line, with the keys name,
// picture, pictureNumber, frame, rect ({x, y, width, height} or null), status ("saved",
// "skipped", "failed", "no-file"), reason and sha256 (null when there is none).
QByteArray manifestLine(const PieceRecord &record);
QByteArray manifestBytes(const std::vector<PieceRecord> &records);
