#include "PieceRecord.h"

QString pieceStatusName(PieceRecord::Status status)
{
    switch (status) {
    case PieceRecord::Status::Saved:
        return QStringLiteral("saved");
    case PieceRecord::Status::Skipped:
        return QStringLiteral("skipped");
    case PieceRecord::Status::Failed:
        return QStringLiteral("failed");
    case PieceRecord::Status::NoFile:
        break;
    }
    return QStringLiteral("no-file");
}
