#pragma once

#include <QIcon>
#include <QString>

namespace qorn {

// `ILMenu`: the pictures of the main toolbar, drawn by the program, one per button key.
// An unknown key gives a null icon.
QIcon menuIcon(const QString& key);

// The program's own icon: a small knitted chart with a heart, for the window and the about box.
QIcon applicationIcon();

} // namespace qorn
