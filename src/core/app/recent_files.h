#pragma once

#include <QString>
#include <QStringList>

namespace qorn {

// The last four pattern files, newest first, in the user's settings: organisation and
// application "QORN", group "Recent Files", keys "RecentFile1" to "RecentFile4".
namespace RecentFiles {
constexpr int kCount = 4;
// The stored paths in key order; empty when "RecentFile1" is missing or empty.
QStringList entries();
// Shifts the stored paths one place down (the fourth falls off) and stores `path` first.
void AddRecentFile(const QString& path);
} // namespace RecentFiles

} // namespace qorn
