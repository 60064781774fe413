#pragma once

#include "colorref.h"

#include <QImage>
#include <QRect>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace qorn {

// Nearest palette entry by Euclidean RGB distance, lowest index on ties. Exact, and fast on
// photographs: colour space is cut into cubes, and each cube lazily keeps only the entries
// that can be nearest to some colour inside it.
class PaletteMatcher {
public:
    explicit PaletteMatcher(const std::array<QRgb, 256>& palette);
    int nearest(QRgb colour) {
        const int index = ((qRed(colour) >> 3) << 10) | ((qGreen(colour) >> 3) << 5) | (qBlue(colour) >> 3);
        uint32_t cell = fine_[static_cast<size_t>(index)];
        if (!cell) cell = buildFine(index);
        return nearestAmong(cell, colour);
    }
    const std::array<QRgb, 256>& palette() const { return palette_; }

    // The obvious scan over all entries; the reference the cubes must agree with.
    static int nearestByScan(const std::array<QRgb, 256>& palette, QRgb colour);

private:
    // A built cube packs a count above kCountShift and where its candidates start below:
    // entries in lists_ for the coarse cubes, groups in groups_ for the fine ones. 0 means
    // not built yet.
    static constexpr int kCountShift = 23;
    static constexpr uint32_t kOffsetMask = (1u << kCountShift) - 1;

    // Four candidates laid out for one SIMD step: red and green as 16-bit pairs, blue paired
    // with zero, and the entry numbers.
    struct Group {
        int16_t rg[8];
        int16_t b0[8];
        int32_t index[4];
    };

    uint32_t buildCoarse(int index);
    uint32_t buildFine(int index);
    uint32_t storeList(const uint8_t* candidates, int count);
    uint32_t storeGroups(const uint8_t* candidates, int count);
    int nearestAmong(uint32_t cell, QRgb colour) const;

    std::array<QRgb, 256> palette_;
    std::array<int, 256 * 3> channels_{};
    // Per channel, per cube position, per entry: the nearest and farthest squared distance
    // along that channel. Bounds of a cube are then three additions.
    std::vector<int> fineMin_, fineMax_, coarseMin_, coarseMax_;
    std::vector<uint32_t> coarse_; // 16 cubes per channel
    std::vector<uint32_t> fine_;   // 32 cubes per channel
    std::vector<uint8_t> lists_;
    std::vector<Group> groups_;
};

// The matcher for a palette, kept while the same palette is asked for again: the drawing
// palette never changes during a run, so its cubes are built once.
std::shared_ptr<PaletteMatcher> sharedMatcher(const std::array<QRgb, 256>& palette);

// Every pixel to its nearest palette entry; Indexed8 with the palette as its 256-entry table.
// With dither, Floyd-Steinberg error diffusion.
QImage mapToPalette(const QImage& image, const std::array<QRgb, 256>& palette, bool dither);

// At most k (2 to 256) entries of the palette chosen for the picture, and every pixel drawn from
// them; Indexed8 with the palette as its 256-entry table. The entries are picked among the
// palette itself for the least perceptual error over the picture's colours, so nothing is
// snapped a second time. A picture of no more than k colours has each of them turned to its
// nearest entry, as mapToPalette would, and nothing dithered: stitches already on the palette
// stay exactly as they are. With dither, Floyd-Steinberg along alternating directions;
// without, each stitch keeps the colour of the one before it in the row when that is barely
// worse than its nearest, since every colour change costs the knitter. Duplicate entries
// answer to their lowest index. Deterministic.
QImage quantizeToPalette(const QImage& image, const std::array<QRgb, 256>& palette, int k, bool dither);

// Per palette entry, the stitches inside `area` (clipped to the image) whose nearest entry it
// is, as PaletteMatcher finds it: an exact colour counts under the lowest index holding it.
std::array<uint32_t, 256> countPaletteStitches(const QImage& image, const QRect& area,
                                               const std::array<QRgb, 256>& palette);

// At most `count` colours (2 to 256) chosen for the image. When the image already has no more
// colours than that, they are kept exactly, in order of first appearance.
QImage optimizedPalette(const QImage& image, int count, bool dither);

} // namespace qorn
