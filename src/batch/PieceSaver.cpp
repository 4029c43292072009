#include "PieceSaver.h"

imaging::SaveResult savePiece(const QImage &piece, const QString &path, OutputFormat format,
                              imaging::ByteSink *written)
{
    return imaging::savePicture(piece, path, formatInfo(format).encode, written);
}
