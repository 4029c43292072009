#include "PieceSaver.h"

imaging::SaveResult savePiece(const QImage &piece, const QString &path, OutputFormat format,
                              QCryptographicHash *digest)
{
    return imaging::savePicture(piece, path, formatInfo(format).encode, digest);
}
