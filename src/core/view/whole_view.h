#pragma once

#include <QImage>
#include <QSize>

namespace qorn {

// The box the whole-pattern view draws into, in pixels.
constexpr QSize kWholeViewBox(246, 239);

// The picture's size in the box: the bitmap's own proportions (square stitches, not the gauge),
// as wide as the box for a landscape pattern, as high as the box otherwise; never less than one
// pixel either way.
QSize wholeViewSize(QSize pattern, QSize box = kWholeViewBox);

// The pattern scaled to `size`: nearest neighbour along an axis that grows, so stitches stay
// crisp, and area averaging along one that shrinks, so no stitch row is simply dropped.
QImage wholeViewPicture(const QImage& pattern, QSize size);

} // namespace qorn
