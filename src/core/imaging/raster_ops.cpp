#include "raster_ops.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace qorn::gdi {
namespace {

inline QRgb toRgb(ColorRef c) { return rgbFromColorRef(c); }

inline void put(QImage& image, int x, int y, QRgb rgb) {
    if (x >= 0 && y >= 0 && x < image.width() && y < image.height())
        reinterpret_cast<QRgb*>(image.scanLine(y))[x] = rgb;
}

QRect normalizedRect(int x1, int y1, int x2, int y2) {
    return QRect(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2) - 1, std::max(y1, y2) - 1));
}

// `inside` is sampled at pixel centres and must own what it uses: the region outlives the caller.
template <typename Inside> Region makeRegion(const QRect& bounds, Inside inside) {
    Region r;
    r.bounds = bounds.isValid() ? bounds : QRect();
    r.row = [inside](int y, int x0, int x1, uint8_t* out) {
        for (int x = x0; x <= x1; ++x) *out++ = inside(x + 0.5, y + 0.5) ? 1 : 0;
    };
    return r;
}

bool inEllipse(double px, double py, double cx, double cy, double rx, double ry) {
    if (rx <= 0 || ry <= 0) return false;
    const double dx = (px - cx) / rx, dy = (py - cy) / ry;
    return dx * dx + dy * dy <= 1.0;
}

} // namespace

void linePixels(QPoint from, QPoint to, const std::function<void(int, int)>& plot) {
    int x = from.x(), y = from.y();
    const int dx = std::abs(to.x() - x), dy = std::abs(to.y() - y);
    const int sx = to.x() > x ? 1 : -1, sy = to.y() > y ? 1 : -1;
    if (dx >= dy) {
        int err = dx / 2;
        for (int i = 0; i < dx; ++i) {
            plot(x, y);
            x += sx;
            err -= dy;
            if (err < 0) {
                y += sy;
                err += dx;
            }
        }
    } else {
        int err = dy / 2;
        for (int i = 0; i < dy; ++i) {
            plot(x, y);
            y += sy;
            err -= dx;
            if (err < 0) {
                x += sx;
                err += dy;
            }
        }
    }
}

void linePixels(QPoint from, QPoint to, const QRect& clip, const std::function<void(int, int)>& plot) {
    // Bresenham stepping as above, on a major axis u and a minor axis v.
    const int dx = std::abs(to.x() - from.x()), dy = std::abs(to.y() - from.y());
    const bool xMajor = dx >= dy;
    const int du = xMajor ? dx : dy, dv = xMajor ? dy : dx;
    const int su = (xMajor ? to.x() > from.x() : to.y() > from.y()) ? 1 : -1;
    const int sv = (xMajor ? to.y() > from.y() : to.x() > from.x()) ? 1 : -1;
    const int u0 = xMajor ? from.x() : from.y(), v0 = xMajor ? from.y() : from.x();
    const long long lo = xMajor ? clip.left() : clip.top(), hi = xMajor ? clip.right() : clip.bottom();
    // Step i is at u0 + su i: only the steps within the clip's extent on u can plot.
    const long long first = std::max(0LL, su > 0 ? lo - u0 : u0 - hi);
    const long long last = std::min(du - 1LL, su > 0 ? hi - u0 : u0 - lo);
    if (first > last) return;
    // The error term stays in [0, du), so after i steps v has moved the least k that keeps
    // du / 2 - i dv + k du from going negative.
    const long long err0 = du / 2, behind = first * dv - err0;
    const long long k = behind > 0 ? (behind + du - 1) / du : 0;
    long long err = err0 - first * dv + k * du;
    int u = u0 + su * static_cast<int>(first), v = v0 + sv * static_cast<int>(k);
    for (long long i = first; i <= last; ++i) {
        const int x = xMajor ? u : v, y = xMajor ? v : u;
        if (clip.contains(x, y)) plot(x, y);
        u += su;
        err -= dv;
        if (err < 0) {
            v += sv;
            err += du;
        }
    }
}

void widePixels(QPoint from, QPoint to, int width, const QRect& clip, const std::function<void(int, int)>& plot) {
    if (width <= 1) {
        linePixels(from, to, clip, plot);
        return;
    }
    const double half = width / 2.0;
    // An even band cannot centre on a row of pixels: it runs on the pixel corners above-left.
    const double shift = width % 2 == 0 ? 0.5 : 0.0;
    const double ax = from.x() - shift, ay = from.y() - shift, bx = to.x() - shift, by = to.y() - shift;
    const double vx = bx - ax, vy = by - ay, len2 = vx * vx + vy * vy;
    const int reach = (width + 1) / 2;
    const int x0 = std::max(clip.left(), std::min(from.x(), to.x()) - reach);
    const int x1 = std::min(clip.right(), std::max(from.x(), to.x()) + reach);
    const int y0 = std::max(clip.top(), std::min(from.y(), to.y()) - reach);
    const int y1 = std::min(clip.bottom(), std::max(from.y(), to.y()) + reach);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            double t = len2 > 0 ? ((x - ax) * vx + (y - ay) * vy) / len2 : 0.0;
            t = std::clamp(t, 0.0, 1.0);
            const double ex = x - (ax + t * vx), ey = y - (ay + t * vy);
            if (ex * ex + ey * ey < half * half) plot(x, y);
        }
}

void setPixel(QImage& image, int x, int y, ColorRef colour) { put(image, x, y, toRgb(colour)); }

ColorRef getPixel(const QImage& image, int x, int y) {
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) return 0xFFFFFFFFu;
    return colorRefFromRgb(reinterpret_cast<const QRgb*>(image.constScanLine(y))[x]);
}

void line(QImage& image, QPoint from, QPoint to, ColorRef colour, int width) {
    const QRgb rgb = toRgb(colour);
    widePixels(from, to, width, image.rect(), [&](int x, int y) { put(image, x, y, rgb); });
}

Region rectangleRegion(int x1, int y1, int x2, int y2) {
    const QRect r = normalizedRect(x1, y1, x2, y2);
    return makeRegion(r, [](double, double) { return true; });
}

std::pair<int, int> ellipseRowSpan(int x1, int y1, int x2, int y2, int y) {
    const QRect r = normalizedRect(x1, y1, x2, y2);
    if (!r.isValid() || y < r.top() || y > r.bottom()) return {1, 0};
    const double cx = (r.left() + r.right() + 1) / 2.0, cy = (r.top() + r.bottom() + 1) / 2.0;
    const double rx = r.width() / 2.0, ry = r.height() / 2.0;
    const double dy = (y + 0.5 - cy) / ry;
    if (dy * dy > 1.0) return {1, 0};
    // Estimate the ends, then settle them with the exact test on pixel centres.
    auto inside = [&](int x) { return inEllipse(x + 0.5, y + 0.5, cx, cy, rx, ry); };
    const double hw = rx * std::sqrt(1.0 - dy * dy);
    int a = std::max(r.left(), static_cast<int>(std::ceil(cx - hw - 0.5)));
    int b = std::min(r.right(), static_cast<int>(std::floor(cx + hw - 0.5)));
    while (a > r.left() && inside(a - 1)) --a;
    while (a <= b && !inside(a)) ++a;
    while (b < r.right() && inside(b + 1)) ++b;
    while (b >= a && !inside(b)) --b;
    return {a, b};
}

Region ellipseRegion(int x1, int y1, int x2, int y2) {
    const QRect r = normalizedRect(x1, y1, x2, y2);
    Region out;
    out.bounds = r.isValid() ? r : QRect();
    out.row = [=](int y, int from, int to, uint8_t* m) {
        const auto [a, b] = ellipseRowSpan(x1, y1, x2, y2, y);
        for (int x = from; x <= to; ++x) *m++ = x >= a && x <= b ? 1 : 0;
    };
    return out;
}

Region roundRectRegion(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight) {
    const QRect r = normalizedRect(x1, y1, x2, y2);
    const double l = r.left(), t = r.top(), rt = r.right() + 1.0, b = r.bottom() + 1.0;
    const double rx = std::min(cornerWidth / 2.0, (rt - l) / 2), ry = std::min(cornerHeight / 2.0, (b - t) / 2);
    return makeRegion(r, [=](double px, double py) {
        const double cx = std::clamp(px, l + rx, rt - rx), cy = std::clamp(py, t + ry, b - ry);
        if (cx == px || cy == py) return true; // within the straight bands
        return inEllipse(px, py, cx, cy, rx, ry);
    });
}

Region pieRegion(const QRect& box, const QRect& clip) {
    const double cx = box.left() + box.width() / 2.0, cy = box.top() + box.height() / 2.0;
    const double rx = box.width() / 2.0, ry = box.height() / 2.0;
    return makeRegion(clip, [=](double px, double py) { return inEllipse(px, py, cx, cy, rx, ry); });
}

void paintRegion(QImage& image, const Region& region, ColorRef colour, int penWidth, bool fill) {
    const QRect b = region.bounds;
    const QRect c = b.intersected(image.rect());
    if (!b.isValid() || c.isEmpty() || !region.row) return;
    const QRgb rgb = toRgb(colour);
    if (fill) {
        // The outline is the fill's colour: the whole region takes it.
        std::vector<uint8_t> m(static_cast<size_t>(c.width()));
        for (int y = c.top(); y <= c.bottom(); ++y) {
            region.row(y, c.left(), c.right(), m.data());
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = c.left(); x <= c.right(); ++x)
                if (m[static_cast<size_t>(x - c.left())]) line[x] = rgb;
        }
        return;
    }
    // Whether a pixel is on the outline depends only on the pixels within `steps` edge-steps of
    // it, so the image's part of the region needs only that margin around it. The erosion takes
    // the window's edges for outside, which is true where they are the region's bounds and too
    // far away to matter elsewhere.
    const int steps = std::max(1, penWidth);
    const QRect win = c.adjusted(-steps, -steps, steps, steps).intersected(b);
    const int w = win.width(), h = win.height();
    std::vector<uint8_t> cur(static_cast<size_t>(w) * static_cast<size_t>(h)), next(cur.size());
    for (int y = 0; y < h; ++y) region.row(win.top() + y, win.left(), win.right(), &cur[static_cast<size_t>(y * w)]);
    // Depth of each pixel: steps through edge neighbours to the nearest outside pixel.
    std::vector<uint8_t> outline(cur.size(), 0);
    for (int step = 0; step < steps; ++step) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const size_t i = static_cast<size_t>(y * w + x);
                if (!cur[i]) {
                    next[i] = 0;
                    continue;
                }
                const bool interior = x > 0 && x < w - 1 && y > 0 && y < h - 1 && cur[i - 1] && cur[i + 1] &&
                                      cur[i - static_cast<size_t>(w)] && cur[i + static_cast<size_t>(w)];
                next[i] = interior ? 1 : 0;
                if (!interior) outline[i] = 1;
            }
        std::swap(cur, next);
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (outline[static_cast<size_t>(y * w + x)]) put(image, win.left() + x, win.top() + y, rgb);
}

void rectangle(QImage& image, int x1, int y1, int x2, int y2, ColorRef colour, int penWidth, bool fill) {
    paintRegion(image, rectangleRegion(x1, y1, x2, y2), colour, penWidth, fill);
}

void ellipse(QImage& image, int x1, int y1, int x2, int y2, ColorRef colour, int penWidth, bool fill) {
    paintRegion(image, ellipseRegion(x1, y1, x2, y2), colour, penWidth, fill);
}

bool insidePolygon(const std::vector<QPoint>& v, int px, int py, FillMode mode) {
    // Pixel (x, y) is sampled at its centre; vertices address pixels, so both sit on the
    // integer grid and the test runs on integers with half-open edges.
    int winding = 0, crossings = 0;
    const size_t n = v.size();
    for (size_t i = 0; i < n; ++i) {
        const QPoint a = v[i], b = v[(i + 1) % n];
        if ((a.y() <= py) == (b.y() <= py)) continue;
        // x of the edge at py, compared with px without division.
        const long long lhs = (long long)(px - a.x()) * (b.y() - a.y());
        const long long rhs = (long long)(py - a.y()) * (b.x() - a.x());
        const bool left = b.y() > a.y() ? lhs < rhs : lhs > rhs; // the edge lies right of the point
        if (left) {
            ++crossings;
            winding += b.y() > a.y() ? 1 : -1;
        }
    }
    return mode == FillMode::Winding ? winding != 0 : (crossings & 1) != 0;
}

void polygon(QImage& image, const std::vector<QPoint>& v, ColorRef colour, int penWidth, bool fill, FillMode mode) {
    if (v.empty()) return;
    const QRgb rgb = toRgb(colour);
    if (fill && v.size() >= 3) {
        int x0 = v[0].x(), x1 = x0, y0 = v[0].y(), y1 = y0;
        for (const QPoint& p : v) {
            x0 = std::min(x0, p.x());
            x1 = std::max(x1, p.x());
            y0 = std::min(y0, p.y());
            y1 = std::max(y1, p.y());
        }
        const QRect c = QRect(QPoint(x0, y0), QPoint(x1, y1)).intersected(image.rect());
        for (int y = c.top(); y <= c.bottom(); ++y)
            for (int x = c.left(); x <= c.right(); ++x)
                if (insidePolygon(v, x, y, mode)) put(image, x, y, rgb);
    }
    for (size_t i = 0; i < v.size(); ++i)
        widePixels(v[i], v[(i + 1) % v.size()], penWidth, image.rect(), [&](int x, int y) { put(image, x, y, rgb); });
}

int floodFill(QImage& image, int x, int y, ColorRef colour) {
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) return 0;
    const QRgb target = reinterpret_cast<const QRgb*>(image.constScanLine(y))[x];
    const QRgb rgb = toRgb(colour);
    if (target == rgb) return 0;
    const int w = image.width(), h = image.height();
    auto* bits = reinterpret_cast<QRgb*>(image.bits());
    const qsizetype stride = image.bytesPerLine() / 4;
    int changed = 0;
    // Spans: fill a whole run of the row, then look for runs above and below it.
    std::vector<QPoint> stack{{x, y}};
    while (!stack.empty()) {
        const QPoint s = stack.back();
        stack.pop_back();
        QRgb* row = bits + stride * s.y();
        if (row[s.x()] != target) continue;
        int l = s.x(), r = s.x();
        while (l > 0 && row[l - 1] == target) --l;
        while (r < w - 1 && row[r + 1] == target) ++r;
        std::fill(row + l, row + r + 1, rgb);
        changed += r - l + 1;
        for (int ny : {s.y() - 1, s.y() + 1}) {
            if (ny < 0 || ny >= h) continue;
            const QRgb* nrow = bits + stride * ny;
            for (int i = l; i <= r; ++i) {
                if (nrow[i] == target && (i == l || nrow[i - 1] != target)) stack.push_back({i, ny});
            }
        }
    }
    return changed;
}

void bitBlt(QImage& dst, int dx, int dy, int width, int height, const QImage& src, int sx, int sy, Rop rop) {
    for (int j = 0; j < height; ++j) {
        const int ty = dy + j, fy = sy + j;
        if (ty < 0 || ty >= dst.height() || fy < 0 || fy >= src.height()) continue;
        auto* out = reinterpret_cast<QRgb*>(dst.scanLine(ty));
        for (int i = 0; i < width; ++i) {
            const int tx = dx + i, fx = sx + i;
            if (tx < 0 || tx >= dst.width() || fx < 0 || fx >= src.width()) continue;
            const QRgb s = src.pixel(fx, fy) | 0xff000000;
            switch (rop) {
            case Rop::SrcCopy: out[tx] = s; break;
            case Rop::SrcAnd: out[tx] = (out[tx] & s) | 0xff000000; break;
            case Rop::SrcInvert: out[tx] = (out[tx] ^ s) | 0xff000000; break;
            }
        }
    }
}

void stretchBlt(QImage& dst, const QRect& to, const QImage& src) {
    if (to.isEmpty() || src.isNull()) return;
    for (int y = 0; y < to.height(); ++y) {
        const int ty = to.top() + y;
        if (ty < 0 || ty >= dst.height()) continue;
        const int fy = static_cast<int>((2ll * y + 1) * src.height() / (2ll * to.height()));
        auto* out = reinterpret_cast<QRgb*>(dst.scanLine(ty));
        for (int x = 0; x < to.width(); ++x) {
            const int tx = to.left() + x;
            if (tx < 0 || tx >= dst.width()) continue;
            const int fx = static_cast<int>((2ll * x + 1) * src.width() / (2ll * to.width()));
            out[tx] = src.pixel(fx, fy) | 0xff000000;
        }
    }
}

} // namespace qorn::gdi
