#include "imaging/quantize.h"
#include "print/text_chart.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace qorn;

namespace {

// Spread colours, with black at 0 and white at both 15 and 20.
Palette testPalette() {
    Palette p;
    for (int i = 0; i < 256; ++i) p.set(i, makeColorRef((i * 37) % 256, (i * 91 + 40) % 256, (i * 53 + 7) % 256));
    p.set(0, makeColorRef(0, 0, 0));
    p.set(1, makeColorRef(128, 0, 0));
    p.set(2, makeColorRef(0, 128, 0));
    p.set(15, makeColorRef(255, 255, 255));
    p.set(20, makeColorRef(255, 255, 255));
    return p;
}

QImage patternOf(const Palette& p, const std::vector<std::vector<int>>& rows) {
    QImage img(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), QImage::Format_RGB32);
    for (size_t y = 0; y < rows.size(); ++y)
        for (size_t x = 0; x < rows[y].size(); ++x) img.setPixel(int(x), int(y), rgbFromColorRef(p[rows[y][x]]));
    return img;
}

// Every entry distinct: one byte for the first 94, two bytes after them. A for 1, B for 2.
SymbolTable testSymbols() {
    SymbolTable t;
    for (int i = 0; i < 256; ++i)
        t[i].bytes = i < 94 ? QByteArray(1, char(0x21 + i)) : QByteArray(1, char(0x89)) + char(0x40 + i - 94);
    t[1].bytes = "A";
    t[2].bytes = "B";
    return t;
}

} // namespace

TEST(TextChart, WritesOneLinePerRowEachEndedByCrLf) {
    const Palette p = testPalette();
    const QImage pattern = patternOf(p, {{1, 2, 1}, {2, 2, 15}});
    EXPECT_EQ(textChartBytes(pattern, std::nullopt, p, 15, testSymbols()), QByteArray("ABA\r\nBB\x81\x40\r\n"));
}

TEST(TextChart, WritesOnlyTheSelectedRectangle) {
    const Palette p = testPalette();
    const QImage pattern = patternOf(p, {{0, 0, 0, 0}, {0, 1, 2, 0}, {0, 15, 1, 0}, {0, 0, 0, 0}});
    const SymbolTable t = testSymbols(); // entry 0 is "!"
    EXPECT_EQ(textChartBytes(pattern, QRect(1, 1, 2, 2), p, 15, t), QByteArray("AB\r\n\x81\x40" "A\r\n"));
    EXPECT_EQ(textChartBytes(pattern, QRect(2, 1, 1, 1), p, 15, t), QByteArray("B\r\n"));
    EXPECT_EQ(textChartBytes(pattern, QRect(2, 2, 5, 5), p, 15, t), QByteArray("A!\r\n!!\r\n"));
    EXPECT_TRUE(textChartBytes(pattern, QRect(10, 10, 2, 2), p, 15, t).isEmpty());
}

// White is background whichever of its two indices the background is.
TEST(TextChart, RecognisesTheBackgroundByColourNotByIndex) {
    const Palette p = testPalette();
    const QImage pattern = patternOf(p, {{15, 20, 1}});
    SymbolTable t = testSymbols();
    t[15].bytes = "W";
    t[20].bytes = "V";
    EXPECT_EQ(textChartBytes(pattern, std::nullopt, p, 15, t), QByteArray("\x81\x40\x81\x40" "A\r\n"));
    EXPECT_EQ(textChartBytes(pattern, std::nullopt, p, 20, t), QByteArray("\x81\x40\x81\x40" "A\r\n"));
    // Another background: white takes the symbol of its lowest index.
    EXPECT_EQ(textChartBytes(pattern, std::nullopt, p, 0, t), QByteArray("WWA\r\n"));
}

TEST(TextChart, WritesEachSymbolWithItsOwnNumberOfBytes) {
    const Palette p = testPalette();
    SymbolTable t = testSymbols();
    t[2].bytes = "\x81\x9c"; // ●
    t[3].bytes = "\xb1";     // half-width ｱ
    const QImage pattern = patternOf(p, {{2, 1, 3, 2}, {3, 3, 15, 1}});
    EXPECT_EQ(textChartBytes(pattern, std::nullopt, p, 15, t),
              QByteArray("\x81\x9c" "A\xb1\x81\x9c\r\n\xb1\xb1\x81\x40" "A\r\n"));
}

TEST(TextChart, AColourOffThePaletteTakesTheSymbolOfTheNearestEntry) {
    const Palette p = testPalette();
    QImage pattern(3, 1, QImage::Format_RGB32);
    pattern.setPixel(0, 0, qRgb(120, 6, 3));     // by entry 1
    pattern.setPixel(1, 0, qRgb(250, 251, 249)); // by white, the background
    pattern.setPixel(2, 0, qRgb(4, 130, 1));     // by entry 2
    EXPECT_EQ(textChartBytes(pattern, std::nullopt, p, 15, testSymbols()), QByteArray("A\x81\x40" "B\r\n"));
}

// Any picture gives the indices of the palette snap, the oracle here.
TEST(TextChart, AgreesWithThePaletteSnapOnAnyPicture) {
    const Palette p = testPalette();
    const SymbolTable t = testSymbols();
    std::mt19937 rng(7);
    QImage pattern(37, 23, QImage::Format_RGB32);
    for (int y = 0; y < pattern.height(); ++y)
        for (int x = 0; x < pattern.width(); ++x)
            pattern.setPixel(x, y, rng() % 2 ? rgbFromColorRef(p[int(rng() % 256)]) : (rng() | 0xff000000u));
    std::array<QRgb, 256> colours;
    for (int i = 0; i < 256; ++i) colours[i] = rgbFromColorRef(p[i]);
    const QRect rect(3, 2, 30, 19);
    const QImage snapped = mapToPalette(pattern.copy(rect), colours, false);
    QByteArray expected;
    for (int y = 0; y < snapped.height(); ++y) {
        for (int x = 0; x < snapped.width(); ++x) {
            const int k = snapped.pixelIndex(x, y);
            expected += p[k] == p[15] ? QByteArray("\x81\x40") : t[k].bytes;
        }
        expected += "\r\n";
    }
    EXPECT_EQ(textChartBytes(pattern, rect, p, 15, t), expected);
}
