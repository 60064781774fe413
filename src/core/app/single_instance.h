#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

namespace qorn {

// One running editor per user: a lock file in the user's runtime folder. The lock of a crashed
// instance is stale and taken over.
class SingleInstance {
public:
    explicit SingleInstance(const QString& lockPath = defaultLockPath());
    bool acquire();
    static QString defaultLockPath();

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

} // namespace qorn
