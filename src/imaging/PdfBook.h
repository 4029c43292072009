#pragma once

#include "Encoders.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace imaging {

// What a book's PDF says of itself; its producer is always this program.
struct PdfBookInfo
{
    QString title;
    QDateTime created;
};

// Writes one PDF whose pages are the piece files in order, one picture filling each page
// at the piece's resolution (300 dpi when it has none): a JPEG's bytes as they are, a
// 1-bit picture as CCITT Group 4, any other deflated, so no page loses a pixel. The pieces
// are read while the file is written, one at a time. The file appears complete or not at
// all: a piece that cannot be read fails the whole book, and the reason names it.
SaveResult writePdfBook(const QStringList &pieceFiles, const QString &target,
                        const PdfBookInfo &info);

} // namespace imaging
