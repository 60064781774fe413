#include "file_write.h"

#include "error.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

namespace qorn {

void writeFileAtomically(const QString& path, const QByteArray& bytes, int genericError) {
    writeFileAtomically(path, bytes.size(), [&](QIODevice& out) { return out.write(bytes) == bytes.size(); },
                        genericError);
}

void writeFileAtomically(const QString& path, qint64 size, const std::function<bool(QIODevice&)>& write,
                         int genericError) {
    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    // A name in a folder that is not there is a name that cannot be used, and the save
    // commands say so in their own words.
    if (!folder.exists() || !folder.isDir()) throw Error(err::BadFileName);
    if (info.isDir()) throw Error(err::PathFileAccess);
    if (!folder.isWritable() || (info.exists() && !info.isWritable())) throw Error(err::PermissionDenied);
    // Unless committed, the temporary file goes away with the object, exceptions included.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) throw Error(err::PermissionDenied);
    const bool written = write(file);
    if (!written || !file.commit()) {
        file.cancelWriting();
        const QStorageInfo storage(info.absolutePath());
        if (storage.isValid() && storage.bytesAvailable() < size + 4096) throw Error(err::DiskFull);
        throw Error(genericError);
    }
}

} // namespace qorn
