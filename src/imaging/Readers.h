#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace imaging {

// The picture kinds step 1 offers (BMP, GIF, JPEG, TIFF, PNG) that no reader among
// available handles, by their names in Qt's list of formats. Debian ships some readers
// (TIFF) in a package of their own, so a build from source may lack them.
QStringList missingPictureReaders(const QList<QByteArray> &available);
// The same for the readers Qt has here.
QStringList missingPictureReaders();

// Test seam: when set, it answers for the readers Qt has.
void setAvailableReadersResponder(std::function<QList<QByteArray>()> responder);

// The picture file's bytes, changed where Qt 6.4's reader would lose its stored colours;
// empty when the file is best read as it is. Pieces drop the alpha, so nothing is lost:
// a PNG's transparent colour (tRNS) is removed, since the reader misaligns 16-bit colour
// rows with it and shows the transparent grey of 2- to 8-bit grey as black; a TIFF's
// unassociated alpha is marked unspecified, since libtiff premultiplies colours by it.
QByteArray bytesKeepingStoredColours(const QString &path, const QByteArray &format);

} // namespace imaging
