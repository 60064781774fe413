#include "canvas_renderer.h"

#include "imaging/quantize.h"
#include "symbol_font.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace qorn {
namespace {

// The cross view's stitch pictures, one per cell width from 4 to 11, top row first, rows
// separated by '/'. '#' takes the background colour; '.' leaves the cell as it is.
constexpr std::array<std::string_view, 8> kCrossTiles = {
    ".#../...#/#.../.#..",
    "..#../...../#...#/...../..#..",
    "..#.../....../#....#/....##/..#..#/..#...",
    "..###../...#.../#.....#/##...##/#.....#/......./..###..",
    "..####../....#.../#......#/#......#/##....##/#......#/...#..../..###...",
    "...###.../....#..../#.......#/#.......#/##.....##/#.......#/#.......#/....#..../..#####..",
    "...###..../....#....#/.........#/#........#/##......##/##......##/#........#/.........#/....#...../"
    "..#####...",
    "...####..../.....#...../#........../#........../##........#/##.......##/#.........#/"
    ".........../.........../.....#...../....###....",
};

// Every tile is as tall as it is wide.
constexpr bool tileIsSquare(std::string_view tile, size_t side) {
    size_t rows = 0, column = 0;
    for (char c : tile) {
        if (c == '/') {
            if (column != side) return false;
            ++rows;
            column = 0;
        } else if (c == '#' || c == '.') {
            ++column;
        } else {
            return false;
        }
    }
    return column == side && rows + 1 == side;
}
static_assert([] {
    for (size_t i = 0; i < kCrossTiles.size(); ++i)
        if (!tileIsSquare(kCrossTiles[i], i + 4)) return false;
    return true;
}());

std::vector<uint16_t> parseTile(std::string_view tile) {
    std::vector<uint16_t> rows(1, 0);
    int column = 0;
    for (char c : tile) {
        if (c == '/') {
            rows.push_back(0);
            column = 0;
            continue;
        }
        if (c == '#') rows.back() = static_cast<uint16_t>(rows.back() | (1u << column));
        ++column;
    }
    return rows;
}

// Each tile's rows, one bit per column (bit 0 the leftmost), top row first; no rows outside
// zooms 4 to 11. Parsed once, so that rendering allocates nothing for them.
const std::vector<uint16_t>& tileOf(int zoom) {
    static const std::array<std::vector<uint16_t>, 9> tiles = [] {
        std::array<std::vector<uint16_t>, 9> t;
        for (size_t i = 0; i < kCrossTiles.size(); ++i) t[i] = parseTile(kCrossTiles[i]);
        return t;
    }();
    return zoom >= 4 && zoom <= 11 ? tiles[static_cast<size_t>(zoom - 4)] : tiles[8];
}

} // namespace

void CanvasRenderer::setNormalView() {
    mode_ = DisplayMode::Normal;
    indices_ = QImage();
    atlas_ = SymbolAtlas();
    scaled_.clear();
    scaled_.shrink_to_fit();
}

void CanvasRenderer::setCrossView(ColorRef background) {
    setNormalView();
    crossColour_ = rgbFromColorRef(background);
    mode_ = DisplayMode::Cross;
}

void CanvasRenderer::setPatternView(const QImage& pattern, const Palette& palette, int backgroundIndex,
                                    const std::array<QString, 256>& symbols) {
    const std::array<QRgb, 256> colours = palette.rgbColours();
    QImage indices = mapToPalette(pattern, colours, false);
    SymbolAtlas atlas;
    atlas.build(symbols, symbolFont());
    // By colour: a palette that repeats the background colour maps its stitches to the lower
    // index, which must be blank all the same.
    const bool hasBackground = backgroundIndex >= 0 && backgroundIndex < 256;
    std::array<uint16_t, 256> cellOf;
    for (int i = 0; i < 256; ++i) {
        const bool blank = hasBackground && colours[size_t(i)] == colours[size_t(backgroundIndex)];
        cellOf[size_t(i)] = static_cast<uint16_t>(blank ? SymbolAtlas::kBlank : i);
    }
    indices_ = std::move(indices);
    atlas_ = std::move(atlas);
    cellOf_ = cellOf;
    scaled_.clear();
    mode_ = DisplayMode::Pattern;
}

size_t CanvasRenderer::patternViewBytes() const {
    size_t bytes = static_cast<size_t>(indices_.sizeInBytes());
    if (!atlas_.isNull()) bytes += size_t(atlas_.side()) * size_t(atlas_.side()) * SymbolAtlas::kCells;
    for (const ScaledCells& s : scaled_) bytes += s.pixels.size() * sizeof(QRgb);
    return bytes;
}

const QRgb* CanvasRenderer::symbolCells(int zoom, int height) {
    for (const ScaledCells& s : scaled_)
        if (s.zoom == zoom && s.height == height) return s.pixels.data();
    // A new zoom or gauge: the cells of the old one are no longer shown.
    if (scaled_.size() >= 4) scaled_.clear();
    scaled_.push_back({zoom, height, atlas_.scaledCells(zoom, height)});
    return scaled_.back().pixels.data();
}

void CanvasRenderer::prepareGrid(const CanvasGeometry& g, GridChoice grid) {
    const Key key{g.W, g.H, g.zoom, g.pixelHeight(), grid};
    if (key == key_) return;
    key_ = key;
    const GridLines lines = gridLines(g.W, g.H, grid);
    columnMask_.assign(static_cast<size_t>(std::max(0, g.pixelWidth())), 0u);
    for (const GridLine& l : lines.vertical) columnMask_[static_cast<size_t>(l.at * g.zoom)] ^= l.mask;
    rowMasks_.clear();
    for (const GridLine& l : lines.horizontal) rowMasks_.emplace_back(g.firstPixelOfRow(l.at), l.mask);
    std::sort(rowMasks_.begin(), rowMasks_.end());
    // Lines that fall on the same pixel row (a squeezed canvas) XOR into one mask.
    std::vector<std::pair<int, unsigned>> merged;
    for (const auto& rm : rowMasks_) {
        if (!merged.empty() && merged.back().first == rm.first) merged.back().second ^= rm.second;
        else merged.push_back(rm);
    }
    rowMasks_.swap(merged);
}

// A tile starts at its row's first pixel row and is as tall as the cell is wide, so it can
// reach into the rows below; every tile paints the same colour, so where tiles overlap their
// columns simply combine. Pixel rows [top, bottom] lie inside the canvas.
void CanvasRenderer::prepareTileRows(const CanvasGeometry& g, int top, int bottom) {
    tileRows_.assign(static_cast<size_t>(bottom - top + 1), 0);
    const std::vector<uint16_t>& tile = tileOf(g.zoom);
    if (tile.empty()) return;
    const int reach = std::max(0, top - g.zoom + 1);
    int lastStart = -1;
    for (int i = g.rowOfPixel(reach); i < g.H; ++i) {
        const int start = g.firstPixelOfRow(i);
        if (start > bottom) break;
        // Rows squeezed below a pixel share their start, and their tiles coincide.
        if (start == lastStart || start < reach) continue;
        lastStart = start;
        for (int y = std::max(start, top); y <= std::min(start + g.zoom - 1, bottom); ++y)
            tileRows_[static_cast<size_t>(y - top)] |= tile[static_cast<size_t>(y - start)];
    }
}

void CanvasRenderer::render(const QImage& pattern, const CanvasGeometry& g, GridChoice grid, const QRect& rect,
                            QImage& target, QPoint origin) {
    if (rect.isEmpty()) return;
    // The pattern view draws from its own index copy; without one that fits, cells show colours.
    const bool symbols = mode_ == DisplayMode::Pattern && !atlas_.isNull() && indices_.width() == g.W &&
                         indices_.height() == g.H;
    if (!symbols && pattern.format() != QImage::Format_RGB32) {
        render(pattern.convertToFormat(QImage::Format_RGB32), g, grid, rect, target, origin);
        return;
    }
    prepareGrid(g, grid);
    const int wc = g.pixelWidth(), hc = g.pixelHeight();
    const int x0 = rect.left(), x1 = rect.right() + 1; // [x0, x1)
    const int width = rect.width();
    if (static_cast<int>(row_.size()) < width) row_.resize(static_cast<size_t>(width));
    const int cx0 = std::clamp(x0, 0, wc), cx1 = std::clamp(x1, 0, wc); // canvas columns in range

    const bool tiles = mode_ == DisplayMode::Cross && g.W > 0 && g.H > 0;
    const int tileTop = std::max(rect.top(), 0), tileBottom = std::min(rect.bottom(), hc - 1);
    if (tiles && tileTop <= tileBottom) prepareTileRows(g, tileTop, tileBottom);

    auto addColumnLines = [&](QRgb* out) {
        for (int x = cx0; x < cx1; ++x) out[x - x0] ^= columnMask_[static_cast<size_t>(x)];
    };

    // The row template of one stitch row: cells, outside, and the vertical lines.
    auto buildRow = [&](int srcRow, bool border) {
        QRgb* out = row_.data();
        std::fill(out, out + width, outsideColour);
        if (cx1 > cx0) {
            if (border) {
                std::fill(out + (cx0 - x0), out + (cx1 - x0), borderColour);
            } else {
                const auto* src = reinterpret_cast<const QRgb*>(pattern.constScanLine(srcRow));
                int x = cx0;
                while (x < cx1) {
                    const int stitch = x / g.zoom;
                    const int end = std::min(cx1, (stitch + 1) * g.zoom);
                    std::fill(out + (x - x0), out + (end - x0), src[stitch] | 0xff000000);
                    x = end;
                }
                addColumnLines(out);
            }
        }
    };

    // One pixel row of symbol cells: the row of each cell's symbol at this height in its cell.
    auto buildSymbolRow = [&](int y) {
        QRgb* out = row_.data();
        std::fill(out, out + width, outsideColour);
        if (cx1 <= cx0) return;
        const int row = g.rowOfPixel(y);
        const int start = g.firstPixelOfRow(row);
        const int height = g.firstPixelOfRow(row + 1) - start;
        const QRgb* cells = symbolCells(g.zoom, height);
        const size_t cellSize = size_t(g.zoom) * size_t(height);
        const QRgb* line = cells + size_t(y - start) * size_t(g.zoom);
        const uchar* index = indices_.constScanLine(row);
        int x = cx0;
        while (x < cx1) {
            const int stitch = x / g.zoom;
            const int end = std::min(cx1, (stitch + 1) * g.zoom);
            const QRgb* src = line + cellOf_[index[stitch]] * cellSize + (x - stitch * g.zoom);
            std::memcpy(out + (x - x0), src, sizeof(QRgb) * size_t(end - x));
            x = end;
        }
        addColumnLines(out);
    };

    auto rowMaskAt = rowMasks_.begin();
    int templateRow = -2; // the stitch row (or -1 for the border) the template holds
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(target.scanLine(origin.y() + (y - rect.top()))) + origin.x();
        if (y < 0 || y > hc || g.W <= 0 || g.H <= 0) {
            std::fill(line, line + width, outsideColour);
            continue;
        }
        const bool border = y == hc;
        if (symbols && !border) {
            buildSymbolRow(y);
            templateRow = -2;
        } else {
            const int src = border ? -1 : g.rowOfPixel(y);
            if (src != templateRow) {
                buildRow(src, border);
                templateRow = src;
            }
        }
        std::memcpy(line, row_.data(), sizeof(QRgb) * static_cast<size_t>(width));
        // Horizontal lines run across the canvas columns only.
        while (rowMaskAt != rowMasks_.end() && rowMaskAt->first < y) ++rowMaskAt;
        if (rowMaskAt != rowMasks_.end() && rowMaskAt->first == y)
            for (int x = cx0; x < cx1; ++x) line[x - x0] ^= rowMaskAt->second;
        // Tiles lie over the grid, as they were laid over the normal canvas with its grid.
        if (tiles && !border) {
            const unsigned bits = tileRows_[static_cast<size_t>(y - tileTop)];
            if (bits == 0) continue;
            int column = cx0 % g.zoom;
            for (int x = cx0; x < cx1; ++x) {
                if (bits >> column & 1u) line[x - x0] = crossColour_;
                if (++column == g.zoom) column = 0;
            }
        }
    }
    if (overlay) overlay(target, origin, rect);
}

QImage CanvasRenderer::renderAll(const QImage& pattern, const CanvasGeometry& g, GridChoice grid) {
    const QRect rect(0, 0, g.pixelWidth(), g.pixelHeight() + 1);
    QImage out(rect.size(), QImage::Format_RGB32);
    if (!out.isNull()) render(pattern, g, grid, rect, out);
    return out;
}

} // namespace qorn
