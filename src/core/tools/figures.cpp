#include "figures.h"

#include "common/vbround.h"
#include "imaging/raster_ops.h"
#include "tool_table.h"

#include <cmath>

namespace qorn {
namespace {

struct Regular {
    int n;
    double start, step;
};

// The stored constants: pi taken as 3.141.
Regular regularOf(int toolState) {
    switch (toolState) {
    case 71: return {4, 0.0, 1.5705};
    case 73: return {6, 0.0, 1.047};
    case 74: return {8, 0.392625, 0.78525};
    default: return {5, 0.3141, 1.2564}; // pentagon and star
    }
}

int toolForShape(int shapeCode) {
    switch (shapeCode) {
    case 6001: return 71;
    case 6002: return 72;
    case 6003: return 73;
    case 6000: return 74;
    case 9001: return tool::Star;
    default: return 0;
    }
}

} // namespace

std::vector<QPoint> regularFigure(int toolState, int sx, int sy, int ex, int ey, float asp1) {
    const Regular reg = regularOf(toolState);
    const int r = (ex - sx) / 2;
    std::vector<QPoint> rel;
    // Each vertex turns the previous, already rounded one: rounding carries on.
    int x = reg.start == 0.0 ? r : roundToInt(r * std::cos(reg.start));
    int y = reg.start == 0.0 ? 0 : roundToInt(r * std::sin(reg.start));
    rel.emplace_back(x, y);
    const double c = std::cos(reg.step), s = std::sin(reg.step);
    for (int i = 1; i < reg.n; ++i) {
        const int nx = roundToInt(x * c - y * s);
        const int ny = roundToInt(x * s + y * c);
        x = nx;
        y = ny;
        rel.emplace_back(x, y);
    }
    std::vector<QPoint> out;
    for (const QPoint& p : rel) {
        // The figure's y axis points up the fabric; its lowest point touches the bottom edge.
        const float row = static_cast<float>(ey - sy) - asp1 * static_cast<float>(p.y() + r) + static_cast<float>(sy);
        out.emplace_back(sx + p.x() + r, roundToInt(row));
    }
    if (toolState == tool::Star && out.size() == 5) out = {out[0], out[3], out[1], out[4], out[2]};
    return out;
}

void drawShape(QImage& image, int shapeCode, const QRect& f, const FigureStyle& st, float asp1) {
    if (const int regular = toolForShape(shapeCode)) {
        const auto v = regularFigure(regular, f.left(), f.top(), f.left() + f.width(), f.top() + f.height(), asp1);
        gdi::polygon(image, v, st.colour, st.lineWidth, st.fill, gdi::FillMode::Winding);
        return;
    }
    if (f.width() <= 0 || f.height() <= 0) return;
    const int l = f.left(), t = f.top(), w = f.width(), h = f.height();
    const int r = l + w, b = t + h; // exclusive edges
    auto region = [&](const gdi::Region& reg) { gdi::paintRegion(image, reg, st.colour, st.lineWidth, st.fill); };
    auto poly = [&](std::vector<QPoint> v) {
        gdi::polygon(image, v, st.colour, st.lineWidth, st.fill, gdi::FillMode::Alternate);
    };
    // Polygons address pixels: the last column and row inside the rectangle.
    const int R = r - 1, B = b - 1;
    const int mx = roundToInt((l + R) / 2.0), my = roundToInt((t + B) / 2.0);
    const int sx = roundToInt(w / 4.0), sy = roundToInt(h / 4.0);
    switch (shapeCode) {
    case 2001: { // corners rounded by a quarter of the shorter side
        const int corner = std::max(2, std::min(w, h) / 2);
        region(gdi::roundRectRegion(l, t, r, b, corner, corner));
        break;
    }
    // Half circles: the round side faces the named direction, the flat side the opposite edge.
    case 8005: region(gdi::pieRegion(QRect(l, t, 2 * w, h), f)); break;
    case 8006: region(gdi::pieRegion(QRect(l - w, t, 2 * w, h), f)); break;
    case 8007: region(gdi::pieRegion(QRect(l, t, w, 2 * h), f)); break;
    case 8008: region(gdi::pieRegion(QRect(l, t - h, w, 2 * h), f)); break;
    // Quarter circles: the arc lies in the named corner, the right angle in the opposite one.
    case 8001: region(gdi::pieRegion(QRect(l, t, 2 * w, 2 * h), f)); break;
    case 8002: region(gdi::pieRegion(QRect(l, t - h, 2 * w, 2 * h), f)); break;
    case 8003: region(gdi::pieRegion(QRect(l - w, t, 2 * w, 2 * h), f)); break;
    case 8004: region(gdi::pieRegion(QRect(l - w, t - h, 2 * w, 2 * h), f)); break;
    // Triangles point towards the named side.
    case 5004: poly({{l, my}, {R, t}, {R, B}}); break;
    case 5005: poly({{R, my}, {l, B}, {l, t}}); break;
    case 5006: poly({{mx, t}, {R, B}, {l, B}}); break;
    case 5007: poly({{mx, B}, {l, t}, {R, t}}); break;
    // Parallelograms: leaning left or right, or falling to the left or right.
    case 3000: poly({{l, t}, {R - sx, t}, {R, B}, {l + sx, B}}); break;
    case 3001: poly({{l + sx, t}, {R, t}, {R - sx, B}, {l, B}}); break;
    case 3002: poly({{l, t + sy}, {R, t}, {R, B - sy}, {l, B}}); break;
    case 3003: poly({{l, t}, {R, t + sy}, {R, B}, {l, B - sy}}); break;
    // Trapezoids: the short side faces the named direction.
    case 4000: poly({{l, t + sy}, {R, t}, {R, B}, {l, B - sy}}); break;
    case 4001: poly({{l, t}, {R, t + sy}, {R, B - sy}, {l, B}}); break;
    case 4002: poly({{l + sx, t}, {R - sx, t}, {R, B}, {l, B}}); break;
    case 4003: poly({{l, t}, {R, t}, {R - sx, B}, {l + sx, B}}); break;
    case 10000: { // a plus sign with arms a third of the rectangle thick
        const int x0 = l + roundToInt(w / 3.0), x1 = l + roundToInt(2 * w / 3.0);
        const int y0 = t + roundToInt(h / 3.0), y1 = t + roundToInt(2 * h / 3.0);
        region({f, [=](int y, int from, int to, uint8_t* m) {
                    for (int x = from; x <= to; ++x) *m++ = (x >= x0 && x < x1) || (y >= y0 && y < y1) ? 1 : 0;
                }});
        break;
    }
    default: break;
    }
}

} // namespace qorn
