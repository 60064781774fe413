#include "file_write.h"

#include "error.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

namespace qorn {

void writeFileAtomically(const QString& path, const QByteArray& bytes, int genericError) {
    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    if (!folder.exists() || !folder.isDir()) throw Error(err::PathNotFound);
    if (info.isDir()) throw Error(err::PathFileAccess);
    if (!folder.isWritable() || (info.exists() && !info.isWritable())) throw Error(err::PermissionDenied);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) throw Error(err::PermissionDenied);
    const bool written = file.write(bytes) == bytes.size();
    if (!written || !file.commit()) {
        file.cancelWriting();
        const QStorageInfo storage(info.absolutePath());
        if (storage.isValid() && storage.bytesAvailable() < bytes.size() + 4096) throw Error(err::DiskFull);
        throw Error(genericError);
    }
}

} // namespace qorn
