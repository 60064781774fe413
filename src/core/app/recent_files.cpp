#include "recent_files.h"

#include <QSettings>

namespace qorn::RecentFiles {
namespace {
QString key(int n) { return QStringLiteral("RecentFile%1").arg(n); }
} // namespace

QStringList entries() {
    QSettings settings(QStringLiteral("QORN"), QStringLiteral("QORN"));
    settings.beginGroup(QStringLiteral("Recent Files"));
    QStringList out;
    if (settings.value(key(1)).toString().isEmpty()) return out;
    for (const QString& k : settings.childKeys()) out << settings.value(k).toString();
    return out;
}

void AddRecentFile(const QString& path) {
    QSettings settings(QStringLiteral("QORN"), QStringLiteral("QORN"));
    settings.beginGroup(QStringLiteral("Recent Files"));
    for (int n = kCount - 1; n >= 1; --n) {
        const QString value = settings.value(key(n)).toString();
        if (!value.isEmpty()) settings.setValue(key(n + 1), value);
    }
    settings.setValue(key(1), path);
}

} // namespace qorn::RecentFiles
