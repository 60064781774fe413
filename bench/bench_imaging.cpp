#include "colour/palette.h"
#include "imaging/quantize.h"
#include "imaging/raster.h"
#include "support/sample_images.h"

#include <benchmark/benchmark.h>

namespace {

const QImage& photo200x3000() {
    static const QImage image = qorn::test::photoLikeImage(200, 3000, 11);
    return image;
}

std::array<QRgb, 256> shippedPalette() {
    qorn::Palette p;
    p.load(QStringLiteral(QORN_SOURCE_DIR "/data/defpal.dat"));
    std::array<QRgb, 256> out;
    for (int i = 0; i < 256; ++i) out[i] = qorn::rgbFromColorRef(p[i]);
    return out;
}

// Every pixel of a photograph to the nearest palette colour, as the palette mapping does it.
void snap_200x3000_ms(benchmark::State& state) {
    qorn::Raster raster;
    const auto palette = shippedPalette();
    for (auto _ : state) {
        state.PauseTiming();
        raster.setImage(photo200x3000());
        for (int i = 0; i < 256; ++i) raster.setUserPalette(i, qorn::colorRefFromRgb(palette[i]));
        state.ResumeTiming();
        raster.colorRes(8, qorn::PaletteUser, 0, 256);
        benchmark::DoNotOptimize(raster.image().constBits());
    }
}
BENCHMARK(snap_200x3000_ms)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

// The same with a palette never seen before, so the matcher's cubes are built during the call.
void snap_200x3000_cold_ms(benchmark::State& state) {
    qorn::Raster raster;
    const auto palette = shippedPalette();
    uint32_t variant = 0;
    for (auto _ : state) {
        state.PauseTiming();
        raster.setImage(photo200x3000());
        for (int i = 0; i < 256; ++i) raster.setUserPalette(i, qorn::colorRefFromRgb(palette[i]));
        raster.setUserPalette(255, ++variant);
        state.ResumeTiming();
        raster.colorRes(8, qorn::PaletteUser, 0, 256);
        benchmark::DoNotOptimize(raster.image().constBits());
    }
}
BENCHMARK(snap_200x3000_cold_ms)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

void reduce16_200x3000_ms(benchmark::State& state) {
    for (auto _ : state) {
        const QImage out = qorn::optimizedPalette(photo200x3000(), 16, true);
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(reduce16_200x3000_ms)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
