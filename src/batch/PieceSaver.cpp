#include "PieceSaver.h"

imaging::SaveResult savePiece(const QImage &piece, const QString &path, OutputFormat format)
{
    return imaging::savePicture(piece, path, formatInfo(format).encode);
}
