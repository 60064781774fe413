#pragma once

#include <QByteArray>
#include <QImage>

namespace qorn {

// The program's icon: a small knitted chart with a heart. Drawn as 32 x 32 pixel art; other
// sizes are that picture enlarged stitch for stitch, or enlarged and then smoothly reduced.
QImage applicationIconImage(int size);

// The same 32 x 32 picture as SVG, one rectangle per run of equal pixels, for the icon theme.
QByteArray applicationIconSvg();

} // namespace qorn
