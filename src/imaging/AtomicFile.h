#pragma once

#include "Status.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

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

} // namespace imaging
