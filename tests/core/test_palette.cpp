#include "app/editor_state.h"
#include "colour/palette.h"
#include "support/sample_images.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace qorn;

namespace {
const QString kShipped = QStringLiteral(QORN_SOURCE_DIR "/data/defpal.dat");
}

TEST(Palette, ShippedFileHasTheClassicColoursAndSixteenGreys) {
    Palette p;
    ASSERT_TRUE(p.load(kShipped));
    EXPECT_EQ(p[0], 0x000000u);
    EXPECT_EQ(p[8], 0x808080u);
    EXPECT_EQ(p[9], 0x0000FFu); // red sits in the low byte
    EXPECT_EQ(p[12], 0xFF0000u);
    EXPECT_EQ(p[15], 0xFFFFFFu);
    for (int i = 0; i < 16; ++i) {
        const ColorRef c = p[16 + i];
        EXPECT_EQ(colorRefRed(c), colorRefGreen(c));
        EXPECT_EQ(colorRefGreen(c), colorRefBlue(c));
        if (i > 0) EXPECT_GT(colorRefRed(c), colorRefRed(p[15 + i]));
    }
    EXPECT_EQ(p[16], 0x000000u);
    EXPECT_EQ(p[31], 0xFFFFFFu);
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
    EXPECT_EQ(p.FindPalIndex(0xFFFFFF), 15); // white is also entry 31
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
