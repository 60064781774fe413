#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;

namespace qorn {

// Replaces `path` only once every byte is written, so a failure never destroys the old file.
// Failures carry run-time numbers: 64 no such folder, 75 a folder in the way, 70 not writable,
// 61 disk full, and `genericError` for any other write failure.
void writeFileAtomically(const QString& path, const QByteArray& bytes, int genericError);

// The same for a file produced piece by piece: `write` puts `size` bytes into the device and
// returns false when a write falls short. An exception from `write` also leaves the old file.
void writeFileAtomically(const QString& path, qint64 size, const std::function<bool(QIODevice&)>& write,
                         int genericError);

} // namespace qorn
