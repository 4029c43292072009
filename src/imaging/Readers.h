#pragma once

#include <QByteArray>
#include <QList>
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

} // namespace imaging
