#include "canvas_renderer.h"

#include <algorithm>
#include <cstring>

namespace qorn {

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

void CanvasRenderer::render(const QImage& pattern, const CanvasGeometry& g, GridChoice grid, const QRect& rect,
                            QImage& target, QPoint origin) {
    if (rect.isEmpty()) return;
    if (pattern.format() != QImage::Format_RGB32) {
        render(pattern.convertToFormat(QImage::Format_RGB32), g, grid, rect, target, origin);
        return;
    }
    prepareGrid(g, grid);
    const int wc = g.pixelWidth(), hc = g.pixelHeight();
    const int x0 = rect.left(), x1 = rect.right() + 1; // [x0, x1)
    const int width = rect.width();
    if (static_cast<int>(row_.size()) < width) row_.resize(static_cast<size_t>(width));
    const int cx0 = std::clamp(x0, 0, wc), cx1 = std::clamp(x1, 0, wc); // canvas columns in range

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
                for (int x = cx0; x < cx1; ++x) out[x - x0] ^= columnMask_[static_cast<size_t>(x)];
            }
        }
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
        const int src = border ? -1 : g.rowOfPixel(y);
        if (src != templateRow) {
            buildRow(src, border);
            templateRow = src;
        }
        std::memcpy(line, row_.data(), sizeof(QRgb) * static_cast<size_t>(width));
        // Horizontal lines run across the canvas columns only.
        while (rowMaskAt != rowMasks_.end() && rowMaskAt->first < y) ++rowMaskAt;
        if (rowMaskAt != rowMasks_.end() && rowMaskAt->first == y)
            for (int x = cx0; x < cx1; ++x) line[x - x0] ^= rowMaskAt->second;
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
