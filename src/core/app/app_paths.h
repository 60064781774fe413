#pragma once

#include <QString>

namespace qorn {

// The program folder holds the fixed data files. Tests point it at a folder of their own.
QString programFolder();
void setProgramFolderOverride(const QString& folder);

// The program folder joined with a file name, without doubling the separator.
QString AppFile(const QString& name);

} // namespace qorn
