#pragma once

#include "canvas_geometry.h"
#include "colour/palette.h"
#include "imaging/colorref.h"
#include "symbol_atlas.h"

#include <QImage>
#include <QRect>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace qorn {

// How the canvas shows the chart: colour cells, cells overlaid with a small stitch picture,
// or one symbol per cell, black on white, as the printed chart has it.
enum class DisplayMode { Normal, Cross, Pattern };

// Renders any rectangle of the canvas from the pattern bitmap: nearest-neighbour cells, then
// the grid as exact XOR arithmetic (white lines invert every channel, grey lines flip the top
// bit of each), then the overlay of the tool in use. Canvas pixel coordinates: x in [0, W zoom),
// y in [0, Hc]; row Hc is the canvas's bottom border, where the line at y = H falls.
//
// The cross view paints each cell's tile in the background colour over the cells and the grid;
// the pattern view draws symbol cells instead of colour cells and lays the grid over them.
// Every mode renders any rectangle exactly as the same crop of the whole canvas.
class CanvasRenderer {
public:
    // Rubber bands and frames of the drawing tools, applied last to the rendered pixels.
    using Overlay = std::function<void(QImage& target, QPoint targetOrigin, const QRect& canvasRect)>;
    Overlay overlay;

    QRgb borderColour = 0xff404040;
    QRgb outsideColour = 0xffa0a0a0;

    // Writes `rect` of the canvas into `target` (Format_RGB32) at `targetOrigin`. The target
    // must hold the rectangle; nothing is allocated once the scratch row has its size (and, in
    // pattern view, once the symbol cells of the zoom and gauge are made). In pattern view
    // `pattern` is not read: the view shows the indices taken when it was switched on.
    void render(const QImage& pattern, const CanvasGeometry& geometry, GridChoice grid, const QRect& rect,
                QImage& target, QPoint targetOrigin = {});

    // The whole canvas with its bottom border row, for saving the drawing screen and for tests.
    QImage renderAll(const QImage& pattern, const CanvasGeometry& geometry, GridChoice grid);

    DisplayMode displayMode() const { return mode_; }
    // Colour cells; drops what the pattern view held.
    void setNormalView();
    // Tiles in `background` (the right colour) over the normal canvas. Zooms 4 to 11 have a
    // tile; at other zooms the view looks normal.
    void setCrossView(ColorRef background);
    // Maps the pattern onto the palette once (nearest entry, as the snap to palette does) and
    // draws the 256 symbols once. Cells whose palette colour equals the background index's
    // colour are blank, whatever their index. The pattern must not change while the view
    // lasts. Draws text, so a QGuiApplication must exist. Throws Error(OutOfMemory); the mode
    // is unchanged then.
    void setPatternView(const QImage& pattern, const Palette& palette, int backgroundIndex,
                        const std::array<QString, 256>& symbols);

    // Bytes held for the pattern view: the index copy, the symbol atlas and the cells made
    // from it.
    size_t patternViewBytes() const;

private:
    void prepareGrid(const CanvasGeometry& g, GridChoice grid);
    void prepareTileRows(const CanvasGeometry& g, int top, int bottom);
    const QRgb* symbolCells(int zoom, int height);

    std::vector<QRgb> row_;
    // Grid lines in canvas pixels, cached for one size and choice.
    struct Key {
        int W = -1, H = -1, zoom = -1, hc = -1;
        GridChoice grid = GridNone;
        bool operator==(const Key&) const = default;
    } key_;
    std::vector<unsigned> columnMask_; // per canvas pixel column: XOR of the vertical lines there
    std::vector<std::pair<int, unsigned>> rowMasks_; // (pixel row, mask), sorted by row

    DisplayMode mode_ = DisplayMode::Normal;
    QRgb crossColour_ = 0xffffffff;
    std::vector<uint16_t> tileRows_; // per pixel row of the rectangle: the tile columns painted there

    QImage indices_; // Indexed8, one palette index per stitch
    std::array<uint16_t, 256> cellOf_{}; // index to atlas cell; SymbolAtlas::kBlank for the background
    SymbolAtlas atlas_;
    struct ScaledCells {
        int zoom, height;
        std::vector<QRgb> pixels;
    };
    std::vector<ScaledCells> scaled_; // per cell size met; rows of one canvas differ by a pixel at most
};

} // namespace qorn
