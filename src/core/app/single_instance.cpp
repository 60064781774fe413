#include "single_instance.h"

#include <QDir>
#include <QStandardPaths>

namespace qorn {

SingleInstance::SingleInstance(const QString& lockPath) : path_(lockPath) {}

QString SingleInstance::defaultLockPath() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    return dir + QStringLiteral("/qorn.lock");
}

bool SingleInstance::acquire() {
    lock_ = std::make_unique<QLockFile>(path_);
    lock_->setStaleLockTime(0); // only a dead owner makes a lock stale, never its age
    return lock_->tryLock(0);
}

} // namespace qorn
