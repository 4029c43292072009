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

// A PNG file's bytes without its transparent colour (its tRNS chunk); empty when the file
// has none or cannot be read. Qt 6.4's reader loses the stored colours of such pictures
// (16-bit colour rows come out misaligned, grey below 8 bits shows the transparent grey as
// black), and pieces drop the alpha anyway, so the picture is read without it.
QByteArray pngWithoutTransparentColour(const QString &path);

} // namespace imaging
