#include "app_paths.h"

#include <QCoreApplication>

namespace qorn {
namespace {
QString& folderOverride() {
    static QString folder;
    return folder;
}
} // namespace

QString programFolder() {
    if (!folderOverride().isEmpty()) return folderOverride();
    return QCoreApplication::applicationDirPath();
}

void setProgramFolderOverride(const QString& folder) { folderOverride() = folder; }

QString AppFile(const QString& name) {
    const QString folder = programFolder();
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

} // namespace qorn
