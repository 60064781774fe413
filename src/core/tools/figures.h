#pragma once

#include "imaging/colorref.h"

#include <QImage>
#include <QPoint>
#include <QRect>

#include <vector>

namespace qorn {

// The program's own figures for the shape codes of the figure tools. Each fits the figure
// rectangle (left, top, width, height, already normalised) the way the rectangle tool does:
// the stitches from left to left + width - 1 and top to top + height - 1.
struct FigureStyle {
    ColorRef colour = 0;
    int lineWidth = 1;
    bool fill = false;
};

// The diamond, the regular polygons and the star are built as regular figures on the knitted
// fabric: `asp1` (rows per stitch) stretches them vertically; 1 on a square gauge.
void drawShape(QImage& image, int shapeCode, const QRect& figure, const FigureStyle& style, float asp1);

// Vertices of a diamond (71), pentagon (72), hexagon (73), octagon (74) or star (81) on the
// normalised drag rectangle (sx, sy)-(ex, ey), in bitmap stitches. The star's are already in
// pentagram order 0, 3, 1, 4, 2.
std::vector<QPoint> regularFigure(int toolState, int sx, int sy, int ex, int ey, float asp1);

} // namespace qorn
