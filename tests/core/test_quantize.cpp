#include "colour/palette.h"
#include "imaging/quantize.h"
#include "support/sample_images.h"

#include <QSet>

#include <gtest/gtest.h>

#include <random>

using namespace qorn;

namespace {

std::array<QRgb, 256> shippedPalette() {
    Palette p;
    p.load(QStringLiteral(QORN_SOURCE_DIR "/data/defpal.dat"));
    std::array<QRgb, 256> out;
    for (int i = 0; i < 256; ++i) out[i] = rgbFromColorRef(p[i]);
    return out;
}

int distinctColours(const QImage& image) {
    QSet<QRgb> seen;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) seen.insert(image.pixel(x, y));
    return static_cast<int>(seen.size());
}

} // namespace

TEST(PaletteMatcher, AgreesWithTheFullScan) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> byte(0, 255);
    // The shipped palette, a random one, and a few-colour one full of duplicates (ties).
    std::array<QRgb, 256> random, duplicates;
    for (auto& c : random) c = qRgb(byte(rng), byte(rng), byte(rng));
    for (int i = 0; i < 256; ++i) duplicates[i] = qRgb((i % 5) * 60, (i % 3) * 120, 128);
    for (const auto& palette : {shippedPalette(), random, duplicates}) {
        PaletteMatcher matcher(palette);
        for (int n = 0; n < 100000; ++n) {
            const QRgb c = qRgb(byte(rng), byte(rng), byte(rng));
            ASSERT_EQ(matcher.nearest(c), PaletteMatcher::nearestByScan(palette, c))
                << std::hex << c;
        }
        for (int i = 0; i < 256; ++i) // every entry finds itself or its lowest twin
            ASSERT_EQ(matcher.nearest(palette[i]), PaletteMatcher::nearestByScan(palette, palette[i]));
    }
}

TEST(MapToPalette, DitheringMixesTheTwoNearestEntries) {
    std::array<QRgb, 256> palette;
    palette.fill(qRgb(255, 0, 0));
    palette[0] = qRgb(0, 0, 0);
    palette[1] = qRgb(255, 255, 255);
    QImage flat(40, 40, QImage::Format_RGB32);
    flat.fill(qRgb(128, 128, 128));
    const QImage plain = mapToPalette(flat, palette, false);
    EXPECT_EQ(distinctColours(plain), 1);
    const QImage dithered = mapToPalette(flat, palette, true);
    int white = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            const int i = dithered.pixelIndex(x, y);
            ASSERT_TRUE(i == 0 || i == 1);
            white += i;
        }
    EXPECT_NEAR(white / 1600.0, 128 / 255.0, 0.03);
}

TEST(OptimizedPalette, ReducesToAtMostTheCountWithAndWithoutDither) {
    const QImage photo = test::photoLikeImage(120, 90);
    for (bool dither : {false, true}) {
        for (int k : {2, 16, 200}) {
            const QImage out = optimizedPalette(photo, k, dither);
            ASSERT_EQ(out.format(), QImage::Format_Indexed8);
            EXPECT_EQ(out.colorCount(), 256);
            EXPECT_LE(distinctColours(out), k);
            EXPECT_GE(distinctColours(out), k / 2);
        }
    }
    // Dithering changes colour more often along a row.
    auto changes = [](const QImage& img) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 1; x < img.width(); ++x) n += img.pixelIndex(x, y) != img.pixelIndex(x - 1, y);
        return n;
    };
    EXPECT_GT(changes(optimizedPalette(photo, 8, true)), changes(optimizedPalette(photo, 8, false)));
}
