#pragma once

#include <QFont>
#include <QImage>
#include <QString>

#include <array>
#include <vector>

namespace qorn {

// Along one axis of a resize from `from` to `to` pixels: the source pixels [first, end) that
// destination pixel d takes. Shrinking splits the source into `to` adjacent spans so every
// source pixel counts once; enlarging takes the pixel nearest each destination centre.
// `from` is at least 1.
struct SourceSpan {
    int first;
    int end;
};
std::vector<SourceSpan> sourceSpans(int from, int to);

// Resizes a black-on-white picture as the symbol chart needs: each destination pixel is the
// darkest pixel of its source spans, so a one-pixel stroke survives any shrink, while an
// enlargement is plain nearest neighbour. The result is Format_Grayscale8.
QImage scaleMinimum(const QImage& source, QSize size);

// The 256 symbols, each drawn once into a t x t cell (t = symbolCellSide), aliased black on
// white, written at the left of its cell; 16 cells to a row of the atlas. One extra cell,
// kBlank, is white: the background colour's cells show it.
class SymbolAtlas {
public:
    static constexpr int kBlank = 256;
    static constexpr int kCells = 257;

    // Throws Error(OutOfMemory) when the atlas cannot be held; the old one stays then.
    void build(const std::array<QString, 256>& symbols, const QFont& font);
    bool isNull() const { return atlas_.isNull(); }
    int side() const { return side_; }
    // A glyph cell (0 to 256) as drawn, Format_Grayscale8.
    QImage cell(int index) const;

    // Every cell resized to width x height, kCells of them one after another, rows top first:
    // cell c's row j starts at (c x height + j) x width.
    std::vector<QRgb> scaledCells(int width, int height) const;

private:
    QImage atlas_; // Format_Grayscale8, 16 x 17 cells
    int side_ = 0;
};

} // namespace qorn
