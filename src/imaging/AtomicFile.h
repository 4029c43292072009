#pragma once

#include "Status.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

class QIODevice;

namespace imaging {

// Receives a file's bytes as they are written, for a hash of them.
class ByteSink
{
public:
    virtual ~ByteSink() = default;
    virtual void add(QByteArrayView bytes) = 0;
};

// Writes the bytes under a temporary name beside the target and renames that over the
// target, so the target is either the old file or the complete new one, never a part.
// A failure removes the temporary file. No flush to the disk is forced: a batch writes
// thousands of pieces, and the rename already keeps each one whole.
// When a sink is given, every byte is fed to it as it is written, so the file's hash
// comes without reading the file back.
Status writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error,
                           ByteSink *sink = nullptr);
// The same for a file too large to hold in memory: write is given the temporary file to
// write as the bytes are made, and returns false when it could not write them all (and
// then sets the reason itself; the device's error is taken otherwise).
Status writeFileAtomically(const QString &path, const std::function<bool(QIODevice &)> &write,
                           QString *error);

} // namespace imaging
