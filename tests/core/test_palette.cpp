#include "app/editor_state.h"
#include "colour/palette.h"
#include "imaging/quantize.h"
#include "support/sample_images.h"

#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <set>
#include <vector>

using namespace qorn;

namespace {
const QString kShipped = QStringLiteral(QORN_SOURCE_DIR "/data/defpal.dat");

bool isGrey(ColorRef c) { return colorRefRed(c) == colorRefGreen(c) && colorRefGreen(c) == colorRefBlue(c); }

std::vector<int> greyLevels(const Palette& p) {
    std::vector<int> levels;
    for (int i = 0; i < Palette::kSize; ++i)
        if (isGrey(p[i])) levels.push_back(colorRefRed(p[i]));
    std::sort(levels.begin(), levels.end());
    return levels;
}
} // namespace

// Colours are looked up by their lowest index, so a repeated colour could never be chosen.
TEST(ShippedPalette, EveryColourIsFoundAtItsOwnIndex) {
    Palette p;
    ASSERT_TRUE(p.load(kShipped));
    const std::set<ColorRef> distinct(p.colours().begin(), p.colours().end());
    EXPECT_EQ(distinct.size(), 256u);
    for (int i = 0; i < Palette::kSize; ++i) EXPECT_EQ(p.FindPalIndex(p[i]), i) << "entry " << i;
}

TEST(ShippedPalette, KeepsTheClassicColoursAndSixteenEvenGreys) {
    Palette p;
    ASSERT_TRUE(p.load(kShipped));
    EXPECT_EQ(p[0], 0x000000u);
    EXPECT_EQ(p[7], 0xC0C0C0u);
    EXPECT_EQ(p[8], 0x808080u);
    EXPECT_EQ(p[9], 0x0000FFu); // red sits in the low byte
    EXPECT_EQ(p[12], 0xFF0000u);
    EXPECT_EQ(p[15], 0xFFFFFFu);
    const std::vector<int> levels = greyLevels(p);
    ASSERT_EQ(levels.size(), 16u);
    EXPECT_EQ(levels.front(), 0);
    EXPECT_EQ(levels.back(), 255);
    // Fifteen steps of 17 would be exact; silver and grey pin some of them.
    for (size_t k = 1; k < levels.size(); ++k)
        EXPECT_LE(std::abs(levels[k] - levels[k - 1] - 17), 4) << levels[k - 1] << " to " << levels[k];
}

// A grey picture must come out in greys: each level on the grey nearest to it, never on a
// pale or dark tint that happens to be closer.
TEST(ShippedPalette, GreyLevelsMapOntoTheNearestGrey) {
    Palette p;
    ASSERT_TRUE(p.load(kShipped));
    const std::vector<int> levels = greyLevels(p);
    std::array<QRgb, 256> table;
    for (int i = 0; i < Palette::kSize; ++i) table[static_cast<size_t>(i)] = rgbFromColorRef(p[i]);

    QImage ramp(256, 16, QImage::Format_RGB32);
    for (int y = 0; y < ramp.height(); ++y)
        for (int x = 0; x < 256; ++x) ramp.setPixel(x, y, qRgb(x, x, x));
    const QImage plain = mapToPalette(ramp, table, false);
    for (int level = 0; level < 256; ++level) {
        const int i = plain.pixelIndex(level, 0);
        ASSERT_TRUE(isGrey(p[i])) << "level " << level << " maps to tinted entry " << i;
        int nearest = 255;
        for (int g : levels) nearest = std::min(nearest, std::abs(g - level));
        EXPECT_EQ(std::abs(colorRefRed(p[i]) - level), nearest) << "level " << level << " maps to entry " << i;
    }
    // Dithering spreads the same error over all three channels, so it stays on greys too.
    const QImage dithered = mapToPalette(ramp, table, true);
    for (int y = 0; y < dithered.height(); ++y)
        for (int x = 0; x < 256; ++x)
            ASSERT_TRUE(isGrey(p[dithered.pixelIndex(x, y)])) << "dithered level " << x << " row " << y;
}

TEST(Palette, ShortFileLeavesTheRestBlackAndMissingFileFails) {
    const QString dir = test::freshTempDir(QStringLiteral("palette"));
    QByteArray records;
    for (int i = 0; i < 3; ++i) {
        const char rec[8] = {char(i), 0, 0, 0, char(0x11 * (i + 1)), 0x22, 0x33, 0};
        records.append(rec, 8);
    }
    records.append("\x03\x00\x00", 3); // a torn fourth record
    Palette p;
    p.set(200, 0x123456);
    ASSERT_TRUE(p.load(test::writeFile(dir + QStringLiteral("/short.dat"), records)));
    EXPECT_EQ(p[0], 0x332211u);
    EXPECT_EQ(p[2], 0x332233u);
    EXPECT_EQ(p[3], 0u);
    EXPECT_EQ(p[200], 0u);
    EXPECT_FALSE(p.load(dir + QStringLiteral("/none.dat")));
}

TEST(Palette, FindPalIndexTakesTheLowestExactMatchOrZero) {
    Palette p;
    ASSERT_TRUE(p.load(kShipped));
    EXPECT_EQ(p.FindPalIndex(0xFFFFFF), 15);
    EXPECT_EQ(p.FindPalIndex(0x808080), 8);
    EXPECT_EQ(p.FindPalIndex(0x010203), 0);
    p.set(100, 0x010203);
    p.set(90, 0x010203);
    EXPECT_EQ(p.FindPalIndex(0x010203), 90);
}

TEST(Palette, PressPositionsTruncateToCells) {
    EXPECT_EQ(Palette::indexAt(15.9, 15.9), 255);
    EXPECT_EQ(Palette::indexAt(0.0, 0.0), 0);
    EXPECT_EQ(Palette::indexAt(3.99, 2.01), 35);
    EXPECT_EQ(Palette::indexAt(0.5, 16.0), -1);
    EXPECT_EQ(Palette::indexAt(15.0, 17.2), -1);
}

TEST(CurrentColours, SelectAndSwapFollowTheEventTable) {
    EditorState s;
    ASSERT_TRUE(s.PalTable.load(kShipped));
    EXPECT_EQ(s.LeftIndex, 0);
    EXPECT_EQ(s.RightIndex, 0);
    s.SelectLeftColor(9);
    EXPECT_EQ(s.LeftIndex, 9);
    EXPECT_EQ(s.canvasForeColor, s.PalTable[9]);
    s.SelectRightColor(40);
    EXPECT_EQ(s.RightIndex, 40);
    EXPECT_EQ(s.LeftIndex, 9);
    s.swapColors();
    EXPECT_EQ(s.LeftIndex, 40);
    EXPECT_EQ(s.RightIndex, 9);
    EXPECT_EQ(s.canvasForeColor, s.PalTable[40]);
    s.swapColors();
    EXPECT_EQ(s.LeftIndex, 9);
    EXPECT_EQ(s.RightIndex, 40);
    EXPECT_EQ(s.canvasForeColor, s.PalTable[9]);
}
