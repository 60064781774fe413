#pragma once

#include "colorref.h"

#include <QImage>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace qorn {

// Nearest palette entry by Euclidean RGB distance, lowest index on ties. Exact, and fast on
// photographs: colour space is cut into cells, and each cell lazily keeps only the entries
// that can be nearest to some colour inside it.
class PaletteMatcher {
public:
    explicit PaletteMatcher(const std::array<QRgb, 256>& palette);
    int nearest(QRgb colour);

    // The obvious scan over all entries; the reference the cells must agree with.
    static int nearestByScan(const std::array<QRgb, 256>& palette, QRgb colour);

private:
    struct Cell {
        bool built = false;
        std::vector<uint8_t> candidates;
    };
    void buildCoarse(int index);
    void buildFine(int index);

    std::array<QRgb, 256> palette_;
    std::array<int, 256 * 3> channels_{};
    std::vector<Cell> coarse_; // 16 levels per channel
    std::vector<Cell> fine_;   // 32 levels per channel
};

// Every pixel to its nearest palette entry; Indexed8 with the palette as its 256-entry table.
// With dither, Floyd-Steinberg error diffusion.
QImage mapToPalette(const QImage& image, const std::array<QRgb, 256>& palette, bool dither);

// At most `count` colours (2 to 256) chosen for the image. When the image already has no more
// colours than that, they are kept exactly, in order of first appearance.
QImage optimizedPalette(const QImage& image, int count, bool dither);

} // namespace qorn
