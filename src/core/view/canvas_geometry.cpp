#include "canvas_geometry.h"

#include "common/vbround.h"

#include <algorithm>

namespace qorn {
namespace {

// Floor division for a positive divisor.
int64_t floorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

ScrollSetup adjustBar(double range) {
    ScrollSetup s;
    s.visible = true;
    s.max = roundToInt(range);
    s.largeChange = roundToInt(range / 5 + 1);
    s.smallChange = roundToInt(range / 20 + 1);
    return s;
}

} // namespace

int CanvasGeometry::pixelHeight() const {
    const float h = static_cast<float>(zoom * H) * asp2;
    return roundToInt(h);
}

QPointF CanvasGeometry::pixelToUnits(QPointF pixel) const {
    return {pixel.x() / zoom, pixel.y() / (static_cast<double>(zoom) * asp2)};
}

// A pixel row shows the stitch row under its centre: floor((y + 1/2) H / Hc), kept exact in
// integers so that cells and grid lines never disagree by a rounding.
int CanvasGeometry::rowOfPixel(int y) const {
    const int hc = pixelHeight();
    if (hc <= 0 || H <= 0) return 0;
    return static_cast<int>(std::clamp<int64_t>(floorDiv((2 * int64_t(y) + 1) * H, 2 * int64_t(hc)), 0, H - 1));
}

// The first pixel row whose centre lies in the stitch row: ceil(row Hc / H - 1/2).
int CanvasGeometry::firstPixelOfRow(int row) const {
    const int64_t hc = pixelHeight();
    if (H <= 0) return 0;
    const int64_t num = 2 * int64_t(row) * hc - H;
    return static_cast<int>(-floorDiv(-num, 2 * int64_t(H)));
}

QPoint pointToStitch(double x, double y) { return {roundToInt(x), roundToInt(y)}; }

CanvasLayout layoutCanvas(const LayoutInput& in) {
    CanvasLayout out;
    const CanvasGeometry& g = in.geometry;
    const int b = in.canvasBorder, m = in.viewportBorder;
    out.canvas = QSize(g.pixelWidth() + b, g.pixelHeight() + b);

    const int available = in.clientWidth - 244;
    const int availableHeight = roundToInt(in.clientHeight * 4.0 / 5.0 + b);
    int vw = available, vh = availableHeight;
    if (available < 1) {
        out.widenWindow = true;
        vw = CanvasLayout::kMinWindowWidth - 180;
    }
    if (availableHeight < m + 270) {
        out.heightenWindow = true;
        vh = m + 270;
    }
    if (vw - m >= out.canvas.width()) {
        vw = m + out.canvas.width();
    } else {
        // The viewport's inner width is vw - m; the range leaves the border in view at the end.
        out.h = adjustBar(double(g.W) * g.zoom - double(vw - m - m));
    }
    if (vh - m >= out.canvas.height()) {
        vh = m + out.canvas.height();
    } else {
        const float pixy = g.asp2 * static_cast<float>(g.zoom);
        out.v = adjustBar(double(static_cast<float>(g.H) * pixy) - double(vh - m - m));
    }
    const int V = in.viewportLeft, T = CanvasLayout::kTop;
    out.viewport = QRect(V, T, vw, vh);
    out.hscaledum = QRect(V, T + vh + 2, vw, 18);
    out.hscrollTopLeft = QPoint(V, T + vh + 22);
    out.vscaledum = QRect(V + vw + 2, T, 24, vh);
    out.vscrollTopLeft = QPoint(V + vw + 26, T);
    out.lblZoom = QPoint(out.vscaledum.left() + 4, out.hscaledum.top() + 4);
    return out;
}

bool stepZoom(int& zoom, bool zoomIn) {
    zoom += zoomIn ? 1 : -1;
    if (zoom > kMaxZoom) {
        zoom = kMaxZoom;
        return false;
    }
    if (zoom < kMinZoom) {
        zoom = kMinZoom;
        return false;
    }
    return true;
}

ZoomGridRule zoomGridRule(int z, bool zoomIn, GridChoice current) {
    ZoomGridRule r;
    if (zoomIn) {
        if (z <= 2) {
            r.action = ZoomGridRule::Nothing;
            r.fiveEnabled = r.oneEnabled = r.optionEnabled = false;
        } else if (z == 3) {
            r.oneEnabled = r.optionEnabled = false;
        }
        return r;
    }
    if (z <= 2) {
        r.action = ZoomGridRule::SelectNone;
        r.fiveEnabled = r.oneEnabled = r.optionEnabled = false;
    } else if (z == 3) {
        r.action = current == GridOne ? ZoomGridRule::SelectFive : ZoomGridRule::Draw;
        r.oneEnabled = r.optionEnabled = false;
    } else {
        r.changesItems = false;
    }
    return r;
}

int autoscrollValue(double pos, int viewportInner, int value, int max, int smallChange) {
    // The right (bottom) edge: the point is at or beyond what the viewport shows.
    // The last step is a short one, so a drag can always reach the ends of the canvas.
    const float px = static_cast<float>(pos);
    if (!(viewportInner + value > px) && value < max) value = std::min(max, value + smallChange);
    // The left (top) edge.
    if (!(pos > value) && value > 0) value = std::max(0, value - smallChange);
    return value;
}

std::vector<RulerLabel> horizontalRulerLabels(int W, int zoom) {
    std::vector<RulerLabel> labels;
    const int step = zoom >= 6 ? 10 : 20;
    for (int b = 10; b <= W; b += step)
        labels.push_back({double(b - 2), QLatin1Char(' ') + QString::number(b) + QLatin1Char(' ')});
    return labels;
}

std::vector<RulerLabel> verticalRulerLabels(int H, int zoom) {
    std::vector<RulerLabel> labels;
    const int step = zoom >= 6 ? 10 : 20;
    for (int q = H; q >= 0; q -= step)
        labels.push_back({double(q - 1), H - q == 0 ? QString() : QString::number(H - q)});
    return labels;
}

GridLines gridLines(int W, int H, GridChoice choice) {
    GridLines lines;
    if (choice == GridNone) return lines;
    for (int x = 0; x <= W - 1; ++x) {
        if (x % 5 == 0) lines.vertical.push_back({x, kGridWhite});
        else if (choice == GridOne) lines.vertical.push_back({x, kGridGrey});
    }
    for (int y = H; y >= 1; --y) {
        if ((H - y) % 5 == 0) lines.horizontal.push_back({y, kGridWhite});
        else if (choice == GridOne) lines.horizontal.push_back({y, kGridGrey});
    }
    return lines;
}

} // namespace qorn
