#pragma once

#include <QByteArray>
#include <QString>

namespace qorn {

// Replaces `path` only once every byte is written, so a failure never destroys the old file.
// Failures carry run-time numbers: 76 no such folder, 75 a folder in the way, 70 not writable,
// 61 disk full, and `genericError` for any other write failure.
void writeFileAtomically(const QString& path, const QByteArray& bytes, int genericError);

} // namespace qorn
