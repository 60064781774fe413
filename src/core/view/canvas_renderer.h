#pragma once

#include "canvas_geometry.h"

#include <QImage>
#include <QRect>

#include <functional>
#include <vector>

namespace qorn {

// Renders any rectangle of the canvas from the pattern bitmap: nearest-neighbour cells, then
// the grid as exact XOR arithmetic (white lines invert every channel, grey lines flip the top
// bit of each), then the overlay of the tool in use. Canvas pixel coordinates: x in [0, W zoom),
// y in [0, Hc]; row Hc is the canvas's bottom border, where the line at y = H falls.
class CanvasRenderer {
public:
    // Rubber bands and frames of the drawing tools, applied last to the rendered pixels.
    using Overlay = std::function<void(QImage& target, QPoint targetOrigin, const QRect& canvasRect)>;
    Overlay overlay;

    QRgb borderColour = 0xff404040;
    QRgb outsideColour = 0xffa0a0a0;

    // Writes `rect` of the canvas into `target` (Format_RGB32) at `targetOrigin`. The target
    // must hold the rectangle; nothing is allocated once the scratch row has its size.
    void render(const QImage& pattern, const CanvasGeometry& geometry, GridChoice grid, const QRect& rect,
                QImage& target, QPoint targetOrigin = {});

    // The whole canvas with its bottom border row, for saving the drawing screen and for tests.
    QImage renderAll(const QImage& pattern, const CanvasGeometry& geometry, GridChoice grid);

private:
    void prepareGrid(const CanvasGeometry& g, GridChoice grid);

    std::vector<QRgb> row_;
    // Grid lines in canvas pixels, cached for one size and choice.
    struct Key {
        int W = -1, H = -1, zoom = -1, hc = -1;
        GridChoice grid = GridNone;
        bool operator==(const Key&) const = default;
    } key_;
    std::vector<unsigned> columnMask_; // per canvas pixel column: XOR of the vertical lines there
    std::vector<std::pair<int, unsigned>> rowMasks_; // (pixel row, mask), sorted by row
};

} // namespace qorn
