#include "symbol_atlas.h"

#include "common/error.h"
#include "symbol_font.h"

#include <QPainter>

#include <algorithm>

namespace qorn {
namespace {

constexpr int kColumns = 16;

QRect cellRect(int index, int side) {
    return {(index % kColumns) * side, (index / kColumns) * side, side, side};
}

// The darkest source pixel under each destination pixel of a block of a Grayscale8 picture.
template <typename Put>
void minimumBlock(const QImage& gray, QPoint origin, const std::vector<SourceSpan>& xs,
                  const std::vector<SourceSpan>& ys, Put put) {
    for (size_t dy = 0; dy < ys.size(); ++dy)
        for (size_t dx = 0; dx < xs.size(); ++dx) {
            uchar v = 255;
            for (int sy = ys[dy].first; sy < ys[dy].end; ++sy) {
                const uchar* s = gray.constScanLine(origin.y() + sy) + origin.x();
                for (int sx = xs[dx].first; sx < xs[dx].end; ++sx)
                    v = std::min(v, s[sx]);
            }
            put(int(dx), int(dy), v);
        }
}

} // namespace

std::vector<SourceSpan> sourceSpans(int from, int to) {
    std::vector<SourceSpan> spans(static_cast<size_t>(std::max(0, to)));
    for (int d = 0; d < to; ++d) {
        if (to <= from) {
            // Adjacent spans that cover the source exactly once.
            const int first = static_cast<int>(int64_t(d) * from / to);
            const int end = static_cast<int>(int64_t(d + 1) * from / to);
            spans[static_cast<size_t>(d)] = {first, end};
        } else {
            const int s = static_cast<int>((2 * int64_t(d) + 1) * from / (2 * int64_t(to)));
            spans[static_cast<size_t>(d)] = {s, s + 1};
        }
    }
    return spans;
}

QImage scaleMinimum(const QImage& source, QSize size) {
    const QImage src = source.convertToFormat(QImage::Format_Grayscale8);
    if (src.isNull()) return {};
    QImage out(size, QImage::Format_Grayscale8);
    if (out.isNull()) return out;
    minimumBlock(src, {}, sourceSpans(src.width(), size.width()), sourceSpans(src.height(), size.height()),
                 [&](int x, int y, uchar v) { out.scanLine(y)[x] = v; });
    return out;
}

void SymbolAtlas::build(const std::array<QString, 256>& symbols, const QFont& font) {
    QFont aliased = font;
    aliased.setStyleStrategy(QFont::NoAntialias);
    const int side = std::max(1, symbolCellSide(aliased));
    const int rows = (kCells + kColumns - 1) / kColumns;

    // Text is drawn on RGB32, which every painter engine handles, then kept as one byte a pixel.
    QImage canvas(kColumns * side, rows * side, QImage::Format_RGB32);
    if (canvas.isNull()) throw Error(err::OutOfMemory);
    canvas.setDotsPerMeterX(3780);
    canvas.setDotsPerMeterY(3780);
    canvas.fill(0xffffffff);
    {
        QPainter p(&canvas);
        p.setFont(aliased);
        p.setPen(Qt::black);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        const int ascent = p.fontMetrics().ascent();
        for (int i = 0; i < 256; ++i) {
            if (symbols[size_t(i)].isEmpty()) continue;
            const QRect r = cellRect(i, side);
            // A wide character stays inside its own cell.
            p.setClipRect(r);
            p.drawText(QPoint(r.left(), r.top() + ascent), symbols[size_t(i)]);
        }
    }
    QImage atlas = canvas.convertToFormat(QImage::Format_Grayscale8);
    if (atlas.isNull()) throw Error(err::OutOfMemory);
    atlas_ = std::move(atlas);
    side_ = side;
}

QImage SymbolAtlas::cell(int index) const {
    if (atlas_.isNull() || index < 0 || index >= kCells) return {};
    return atlas_.copy(cellRect(index, side_));
}

std::vector<QRgb> SymbolAtlas::scaledCells(int width, int height) const {
    std::vector<QRgb> out;
    if (atlas_.isNull() || width <= 0 || height <= 0) return out;
    out.resize(size_t(kCells) * size_t(width) * size_t(height));
    const std::vector<SourceSpan> xs = sourceSpans(side_, width), ys = sourceSpans(side_, height);
    for (int c = 0; c < kCells; ++c) {
        QRgb* cell = out.data() + size_t(c) * size_t(width) * size_t(height);
        minimumBlock(atlas_, cellRect(c, side_).topLeft(), xs, ys, [&](int x, int y, uchar v) {
            cell[size_t(y) * size_t(width) + size_t(x)] = qRgb(v, v, v);
        });
    }
    return out;
}

} // namespace qorn
