#include "PieceName.h"

#include <QDir>

QString outputFolder(const QString &text)
{
    QString folder = text.trimmed();
    if (folder.isEmpty())
        return folder;
    // Either separator ends a folder; the native one is appended.
    if (!folder.endsWith(QLatin1Char('/')) && !folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    return folder;
}

qint64 runningNumber(qint64 picture, qint64 frames, qint64 frame)
{
    return (picture - 1) * frames + frame;
}

QString pieceFileName(const QString &folder, const QString &letter, qint64 number,
                      const QString &extension)
{
    return folder + letter + QStringLiteral("%1").arg(number, 5, 10, QLatin1Char('0')) + extension;
}

bool tooManyPieces(qint64 pictures, qint64 frames)
{
    return pictures * frames > maxPieces;
}
