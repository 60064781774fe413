#pragma once

#include <QIcon>
#include <QString>

namespace qorn {

// `ILTools`: one picture per tool key ("t0" ... "t91"), drawn by the program. The figure
// pictures are drawn by the same routines that draw the figures into a pattern.
QIcon toolIcon(const QString& key);

} // namespace qorn
