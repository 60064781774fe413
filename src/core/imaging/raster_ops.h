#pragma once

#include "colorref.h"

#include <QImage>
#include <QPoint>
#include <QRect>

#include <functional>
#include <vector>

namespace qorn::gdi {

// Raster primitives on 32-bit images (QImage::Format_RGB32), exact to the rules the pattern
// depends on: pixel (x, y) is one stitch; everything is clipped to the image. Colours are
// 0x00BBGGRR as everywhere in the program.

// Calls `plot` for the pixels of a one-pixel line from its start to its end, the end itself
// excluded; the choice of pixel follows Bresenham stepping from the start, so a line and its
// reverse can differ.
void linePixels(QPoint from, QPoint to, const std::function<void(int, int)>& plot);
// The same pixels, only those inside `clip`; the steps before the clip are skipped, not walked.
void linePixels(QPoint from, QPoint to, const QRect& clip, const std::function<void(int, int)>& plot);

// The pixels inside `clip` of a band `width` wide centred on the segment, with round ends: those
// whose centre lies within width / 2 of it. Width 1 is the thin line above.
void widePixels(QPoint from, QPoint to, int width, const QRect& clip, const std::function<void(int, int)>& plot);

void setPixel(QImage& image, int x, int y, ColorRef colour);
ColorRef getPixel(const QImage& image, int x, int y); // outside: 0xFFFFFFFF, matching no colour

void line(QImage& image, QPoint from, QPoint to, ColorRef colour, int width);

// A filled shape: the set of pixels whose centre lies inside. Membership is worked out row by
// row on demand, so a shape dragged far beyond the image costs only what lies near the image.
struct Region {
    QRect bounds; // pixels that may be inside
    // Writes 1 (inside) or 0 for pixels x0..x1 of row y, all within bounds, to out[0 .. x1 - x0].
    std::function<void(int y, int x0, int x1, uint8_t* out)> row;
};

// Regions on the half-open rectangle [left, right) x [top, bottom); corners in any order.
Region rectangleRegion(int x1, int y1, int x2, int y2);
Region ellipseRegion(int x1, int y1, int x2, int y2);
// The pixels of one row inside that ellipse, as [first, last]; first > last when none.
std::pair<int, int> ellipseRowSpan(int x1, int y1, int x2, int y2, int y);
// Rectangle with corners rounded by quarter ellipses `cornerWidth` x `cornerHeight`.
Region roundRectRegion(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight);
// The part of the ellipse inscribed in `ellipseBox` that lies inside `clip` (pies of a half or
// a quarter of an ellipse).
Region pieRegion(const QRect& ellipseBox, const QRect& clip);

// Paints a region with an outline `penWidth` pixels deep, inside its edge, and fills the rest
// when `fill` is set. A pixel is on the outline when it is within penWidth steps (edge
// neighbours) of a pixel outside the region.
void paintRegion(QImage& image, const Region& region, ColorRef colour, int penWidth, bool fill);

void rectangle(QImage& image, int x1, int y1, int x2, int y2, ColorRef colour, int penWidth, bool fill);
void ellipse(QImage& image, int x1, int y1, int x2, int y2, ColorRef colour, int penWidth, bool fill);

enum class FillMode { Alternate, Winding };
// Vertices address pixels. The interior is sampled at pixel centres (alternate or winding
// rule, half-open edges); the outline joins the vertices with lines of the pen width, closed.
void polygon(QImage& image, const std::vector<QPoint>& vertices, ColorRef colour, int penWidth, bool fill,
             FillMode mode);
bool insidePolygon(const std::vector<QPoint>& vertices, int x, int y, FillMode mode);

// Every pixel of the seed's colour connected to the seed through edge neighbours takes the
// new colour. Nothing happens outside the image. Returns the number of pixels changed.
int floodFill(QImage& image, int x, int y, ColorRef colour);

enum class Rop { SrcCopy, SrcAnd, SrcInvert };
// Copies `width` x `height` pixels from `src` at (sx, sy) to `dst` at (dx, dy), clipped to both.
void bitBlt(QImage& dst, int dx, int dy, int width, int height, const QImage& src, int sx, int sy, Rop rop);
// Nearest-neighbour stretch of the whole source onto the destination rectangle.
void stretchBlt(QImage& dst, const QRect& to, const QImage& src);

} // namespace qorn::gdi
