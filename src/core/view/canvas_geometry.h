#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <vector>

namespace qorn {

// Cell geometry of the canvas: a stitch is `zoom` pixels wide and zoom x asp2 high; the canvas
// as a whole is rounded, never each cell.
struct CanvasGeometry {
    int W = 0;  // stitches
    int H = 0;  // rows
    int zoom = 6;
    float asp2 = 1.0f;

    int pixelWidth() const { return W * zoom; }
    // round(zoom x H x asp2), taken in single precision as the canvas height is.
    int pixelHeight() const;

    // Canvas pixels to canvas units (stitches, rows).
    QPointF pixelToUnits(QPointF pixel) const;
    // Which stitch row a canvas pixel row shows, and the first pixel row of a stitch row: the
    // cells and the grid lines agree on where a row starts.
    int rowOfPixel(int y) const;
    int firstPixelOfRow(int row) const;
};

constexpr int kMinZoom = 1;
constexpr int kMaxZoom = 11;
constexpr int kStartZoom = 6;

// A canvas position in units becomes a stitch by rounding each coordinate, halves to even.
QPoint pointToStitch(double x, double y);

// One scroll bar as the layout configures it. The value counts canvas pixels scrolled out of
// view at the left or top; ranges are not limited to 16 bits.
struct ScrollSetup {
    bool visible = false;
    int max = 0;
    int largeChange = 1;
    int smallChange = 1;
};

struct LayoutInput {
    CanvasGeometry geometry;
    int clientWidth = 0;
    int clientHeight = 0;
    int canvasBorder = 2;   // b: canvas Width minus ScaleWidth
    int viewportBorder = 2; // m: viewport Width minus ScaleWidth
    int viewportLeft = 4;   // V
};

// Everything `LayoutCanvas` decides, in client-area pixels.
struct CanvasLayout {
    static constexpr int kTop = 40;
    static constexpr int kMinWindowWidth = 244;  // 3660 twips
    static constexpr int kMinWindowHeight = 372; // 5580 twips
    // The smallest client area the window allows: the viewport keeps 160 pixels beside the
    // right-hand column, and the rulers and scroll bars stay inside below it.
    static constexpr int kMinClientWidth = 244 + 160;
    static constexpr int kMinClientHeight = 400;

    QSize canvas;          // Picdisplay, border included
    QRect viewport;        // Picdummy
    QRect hscaledum;       // horizontal ruler frame
    QRect vscaledum;       // vertical ruler frame
    QPoint hscrollTopLeft; // HScroll1, as wide as the viewport
    QPoint vscrollTopLeft; // VScroll1, as high as the viewport
    QPoint lblZoom;
    ScrollSetup h, v;
    bool widenWindow = false;   // the window must be set back to its minimum width
    bool heightenWindow = false; // ... or height
};

CanvasLayout layoutCanvas(const LayoutInput& in);

// Zoom in or out by one level. False when the zoom was already at its limit: nothing else runs.
bool stepZoom(int& zoom, bool zoomIn);

enum GridChoice : int { GridFive = 0, GridOne = 1, GridNone = 2 };

// What a zoom command does to the grid and its menu items at the new zoom.
struct ZoomGridRule {
    enum Action { Nothing, Draw, SelectNone, SelectFive } action = Draw;
    bool changesItems = true; // false: items and the display-mode submenu keep their state
    bool fiveEnabled = true;
    bool oneEnabled = true;
    bool optionEnabled = true;
};
ZoomGridRule zoomGridRule(int newZoom, bool zoomIn, GridChoice current);

// The new value of one scroll bar when the mouse, held down at `pos` canvas pixels, has reached
// an edge of the visible part; at most one small step per direction.
int autoscrollValue(double pos, int viewportInner, int value, int max, int smallChange);

struct RulerLabel {
    double at;   // CurrentX or CurrentY, in canvas units
    QString text;
};
// Horizontal numbers from the left edge, written two stitches before their line.
std::vector<RulerLabel> horizontalRulerLabels(int W, int zoom);
// Vertical numbers from the bottom edge, written one row above their line; the bottom one empty.
std::vector<RulerLabel> verticalRulerLabels(int H, int zoom);

// The grid lines of a choice: positions in canvas units and the XOR mask each is drawn with.
struct GridLine {
    int at;
    unsigned mask;
};
struct GridLines {
    std::vector<GridLine> vertical;   // x = at, from row 0 to H
    std::vector<GridLine> horizontal; // y = at, from column 0 to W
};
constexpr unsigned kGridWhite = 0xFFFFFF;
constexpr unsigned kGridGrey = 0x808080;
GridLines gridLines(int W, int H, GridChoice choice);

} // namespace qorn
