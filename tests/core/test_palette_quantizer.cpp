#include "colour/palette.h"
#include "imaging/quantize.h"
#include "imaging/raster.h"
#include "support/sample_images.h"

#include <QSet>

#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <set>

using namespace qorn;

namespace {

std::array<QRgb, 256> shippedPalette() {
    Palette p;
    p.load(QStringLiteral(QORN_SOURCE_DIR "/data/defpal.dat"));
    return p.rgbColours();
}

QSet<int> usedIndices(const QImage& indexed) {
    QSet<int> out;
    for (int y = 0; y < indexed.height(); ++y)
        for (int x = 0; x < indexed.width(); ++x) out.insert(indexed.pixelIndex(x, y));
    return out;
}

double changesPerRow(const QImage& image) {
    long n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 1; x < image.width(); ++x) n += image.pixel(x, y) != image.pixel(x - 1, y);
    return double(n) / image.height();
}

// A horizontal ramp through two colours with noise on every channel: no two neighbours alike.
QImage noisyGradient(int width, int height, uint32_t seed) {
    QImage image(width, height, QImage::Format_RGB32);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(-10, 10);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int t = x * 255 / (width - 1);
            image.setPixel(x, y,
                           qRgb(std::clamp(t + noise(rng), 0, 255),
                                std::clamp(90 + t / 3 + noise(rng), 0, 255),
                                std::clamp(200 - t / 2 + noise(rng), 0, 255)));
        }
    return image;
}

} // namespace

TEST(QuantizeToPalette, AtMostKEntriesOfThePalette) {
    const auto palette = shippedPalette();
    const QImage photo = test::photoLikeImage(120, 90, 5);
    for (bool dither : {false, true})
        for (int k : {2, 8, 16, 64, 256}) {
            const QImage out = quantizeToPalette(photo, palette, k, dither);
            ASSERT_EQ(out.format(), QImage::Format_Indexed8);
            ASSERT_EQ(out.size(), photo.size());
            ASSERT_EQ(out.colorTable(), QVector<QRgb>(palette.begin(), palette.end()));
            const int used = static_cast<int>(usedIndices(out).size());
            EXPECT_LE(used, k) << "k " << k << " dither " << dither;
            EXPECT_GE(used, std::min(k, 40) * 3 / 4) << "k " << k << " dither " << dither; // no collapse
        }
}

TEST(QuantizeToPalette, PicturesOnThePaletteKeepEveryStitch) {
    auto palette = shippedPalette();
    palette[200] = palette[37]; // a twin answers to its lowest index
    QImage chart(30, 20, QImage::Format_RGB32);
    const int entries[] = {0, 7, 15, 37, 64, 99, 130, 200, 231, 255};
    for (int y = 0; y < chart.height(); ++y)
        for (int x = 0; x < chart.width(); ++x) chart.setPixel(x, y, palette[entries[(x / 3 + y * 7) % 10]]);
    for (bool dither : {false, true})
        for (int k : {9, 16, 256}) { // nine colours: the twins are one
            const QImage out = quantizeToPalette(chart, palette, k, dither);
            for (int y = 0; y < chart.height(); ++y)
                for (int x = 0; x < chart.width(); ++x) {
                    const int want = entries[(x / 3 + y * 7) % 10];
                    ASSERT_EQ(out.pixelIndex(x, y), want == 200 ? 37 : want) << x << "," << y << " k " << k;
                }
        }
    // Twins among the candidates too, when colours must be chosen.
    for (int k : {8, 64, 256})
        EXPECT_FALSE(usedIndices(quantizeToPalette(test::photoLikeImage(100, 80, 3), palette, k, false))
                         .contains(200));
}

TEST(QuantizeToPalette, ClearlyDistinctColoursAreNotMerged) {
    // Sixteen classic colours in blocks, each stitch a little off: many colours, sixteen groups.
    const auto palette = shippedPalette();
    QImage picture(32, 32, QImage::Format_RGB32);
    std::mt19937 rng(4);
    std::uniform_int_distribution<int> noise(-3, 3);
    auto entryAt = [](int x, int y) { return (y / 8) * 4 + x / 8; };
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const QRgb c = palette[static_cast<size_t>(entryAt(x, y))];
            picture.setPixel(x, y,
                             qRgb(std::clamp(qRed(c) + noise(rng), 0, 255),
                                  std::clamp(qGreen(c) + noise(rng), 0, 255),
                                  std::clamp(qBlue(c) + noise(rng), 0, 255)));
        }
    const QImage out = quantizeToPalette(picture, palette, 16, false);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) ASSERT_EQ(out.pixelIndex(x, y), entryAt(x, y)) << x << "," << y;
}

TEST(QuantizeToPalette, DitheringWithTwoColoursFollowsTheLight) {
    const auto palette = shippedPalette();
    EXPECT_LE(usedIndices(quantizeToPalette(test::photoLikeImage(120, 90, 6), palette, 2, true)).size(), 2);
    // A grey ramp: the share of the lighter colour grows from left to right.
    QImage ramp(256, 32, QImage::Format_RGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 256; ++x) ramp.setPixel(x, y, qRgb(x, x, x));
    const QImage out = quantizeToPalette(ramp, palette, 2, true);
    const QList<int> used = usedIndices(out).values();
    ASSERT_EQ(used.size(), 2);
    const int light = qGray(palette[used[0]]) > qGray(palette[used[1]]) ? used[0] : used[1];
    std::array<int, 4> lightInQuarter{};
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 256; ++x) lightInQuarter[static_cast<size_t>(x / 64)] += out.pixelIndex(x, y) == light;
    for (size_t q = 1; q < 4; ++q) EXPECT_GT(lightInQuarter[q], lightInQuarter[q - 1]) << "quarter " << q;
}

TEST(QuantizeToPalette, SameInputSameStitches) {
    const auto palette = shippedPalette();
    const QImage photo = test::photoLikeImage(150, 100, 8);
    for (bool dither : {false, true})
        for (int k : {8, 100, 256}) {
            const QImage a = quantizeToPalette(photo, palette, k, dither);
            const QImage b = quantizeToPalette(photo.copy(), palette, k, dither);
            EXPECT_EQ(a, b) << "k " << k << " dither " << dither;
        }
}

TEST(QuantizeToPalette, RowsChangeColourLessThanUnderPlainMatching) {
    const auto palette = shippedPalette();
    const QImage gradient = noisyGradient(200, 40, 9);
    const QImage ours = quantizeToPalette(gradient, palette, 8, false);
    // The same colours, each stitch simply to the nearest of them.
    std::array<QRgb, 256> only;
    const QList<int> used = usedIndices(ours).values();
    ASSERT_GE(used.size(), 4);
    only.fill(palette[static_cast<size_t>(used[0])]);
    for (int i = 0; i < used.size(); ++i) only[static_cast<size_t>(i)] = palette[static_cast<size_t>(used[i])];
    const QImage plain = mapToPalette(gradient, only, false);
    EXPECT_LT(changesPerRow(ours), 0.7 * changesPerRow(plain));
    EXPECT_LT(changesPerRow(ours), 12); // a handful of colours along a ramp
}

// A flat, slightly noisy area halfway between two yarn colours is knitted in one of them, not
// in stripes of a row each.
TEST(QuantizeToPalette, AFlatAreaBetweenTwoColoursIsNoStripes) {
    const auto palette = shippedPalette();
    const QRgb a = palette[59], b = palette[68];
    const int r = (qRed(a) + qRed(b)) / 2, g = (qGreen(a) + qGreen(b)) / 2, bl = (qBlue(a) + qBlue(b)) / 2;
    QImage flat(60, 40, QImage::Format_RGB32);
    uint32_t seed = 7;
    auto noise = [&] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 16) % 7) - 3;
    };
    for (int y = 0; y < flat.height(); ++y)
        for (int x = 0; x < flat.width(); ++x)
            flat.setPixel(x, y, qRgb(std::clamp(r + noise(), 0, 255), std::clamp(g + noise(), 0, 255),
                                     std::clamp(bl + noise(), 0, 255)));
    const QImage out = quantizeToPalette(flat, palette, 16, false);
    int rowsUnlikeTheRowBelow = 0;
    for (int y = 1; y < out.height(); ++y) {
        int differing = 0;
        for (int x = 0; x < out.width(); ++x) differing += out.pixelIndex(x, y) != out.pixelIndex(x, y - 1) ? 1 : 0;
        rowsUnlikeTheRowBelow += differing > out.width() / 2 ? 1 : 0;
    }
    EXPECT_LE(rowsUnlikeTheRowBelow, 2);
    EXPECT_LT(changesPerRow(out), 4);
}

// ---- colour counts

TEST(CountPaletteStitches, EveryStitchUnderItsNearestEntry) {
    auto palette = shippedPalette();
    palette[201] = palette[9]; // a twin: counted under the lower index
    QImage pattern(7, 3, QImage::Format_RGB32);
    pattern.fill(palette[9]);
    pattern.setPixel(0, 0, palette[3]);
    pattern.setPixel(6, 2, palette[3]);
    const QRgb off = qRgb(17, 140, 222); // on no entry
    pattern.setPixel(3, 1, off);
    const int offEntry = PaletteMatcher::nearestByScan(palette, off);
    ASSERT_NE(palette[static_cast<size_t>(offEntry)], off);

    const auto all = countPaletteStitches(pattern, pattern.rect(), palette);
    EXPECT_EQ(std::accumulate(all.begin(), all.end(), 0u), 21u);
    EXPECT_EQ(all[3], 2u);
    EXPECT_EQ(all[201], 0u);
    EXPECT_EQ(all[9], offEntry == 9 ? 19u : 18u);
    EXPECT_EQ(all[static_cast<size_t>(offEntry)], offEntry == 9 ? 19u : 1u);

    const auto part = countPaletteStitches(pattern, QRect(2, 0, 4, 2), palette);
    EXPECT_EQ(std::accumulate(part.begin(), part.end(), 0u), 8u);
    EXPECT_EQ(part[static_cast<size_t>(offEntry)], offEntry == 9 ? 8u : 1u);
    const auto clipped = countPaletteStitches(pattern, QRect(5, 1, 10, 10), palette);
    EXPECT_EQ(std::accumulate(clipped.begin(), clipped.end(), 0u), 4u);
    EXPECT_EQ(clipped[3], 1u);

    for (const QRect& nothing : {QRect(), QRect(7, 0, 3, 3), QRect(-5, -5, 5, 5), QRect(2, 1, 0, 1)}) {
        const auto none = countPaletteStitches(pattern, nothing, palette);
        EXPECT_EQ(std::accumulate(none.begin(), none.end(), 0u), 0u);
    }
    // An 8-bit pattern counts the same as its 24-bit form.
    const QImage photo = test::photoLikeImage(60, 40, 2);
    const QImage indexed = quantizeToPalette(photo, palette, 32, true);
    EXPECT_EQ(countPaletteStitches(indexed, QRect(5, 5, 40, 30), palette),
              countPaletteStitches(indexed.convertToFormat(QImage::Format_RGB32), QRect(5, 5, 40, 30), palette));
    const auto photoCounts = countPaletteStitches(photo, photo.rect(), palette);
    EXPECT_EQ(std::accumulate(photoCounts.begin(), photoCounts.end(), 0u), 2400u);
    EXPECT_GT(photoCounts[static_cast<size_t>(PaletteMatcher::nearestByScan(palette, photo.pixel(0, 0)))], 0u);
}

TEST(RasterColorCount, MatchesASetOfThePixels) {
    // 262 144 colours, each in a run of two.
    QImage many(1024, 512, QImage::Format_RGB32);
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 1024; ++x)
            many.setPixel(x, y, qRgb((x / 2) & 255, y & 255, (x / 512) * 40 + (y / 256) * 100));
    std::set<QRgb> reference;
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 1024; ++x) reference.insert(many.pixel(x, y));
    ASSERT_EQ(reference.size(), 262144u);
    Raster r;
    r.setImage(many);
    EXPECT_EQ(r.colorCount(), 262144);

    r.setImage(test::photoLikeImage(300, 200, 7));
    std::set<QRgb> photo;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) photo.insert(r.image().pixel(x, y));
    EXPECT_EQ(r.colorCount(), static_cast<int>(photo.size()));

    // 8 bits: colours of the entries in use, twins once.
    QImage indexed(4, 1, QImage::Format_Indexed8);
    QVector<QRgb> table(256, qRgb(1, 2, 3));
    table[0] = qRgb(200, 0, 0);
    table[1] = qRgb(0, 0, 200);
    table[2] = qRgb(200, 0, 0);
    indexed.setColorTable(table);
    for (int x = 0; x < 4; ++x) indexed.setPixel(x, 0, uint(std::min(x, 2)));
    r.setImage(indexed);
    ASSERT_EQ(r.bitsPerPixel(), 8);
    EXPECT_EQ(r.colorCount(), 2);
}
