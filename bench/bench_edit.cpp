#include "colour/palette.h"
#include "edit/edit_ops.h"
#include "support/sample_images.h"

#include <benchmark/benchmark.h>

namespace {

const qorn::Palette& palette() {
    static const qorn::Palette p = [] {
        qorn::Palette out;
        out.load(QStringLiteral(QORN_SOURCE_DIR "/data/defpal.dat"));
        return out;
    }();
    return p;
}

qorn::Raster pattern(int width, int height, uint32_t seed) {
    qorn::Raster r;
    r.setImage(qorn::test::photoLikeImage(width, height, seed));
    return r;
}

// A photograph pasted from the clipboard as a new pattern.
void picture_to_pattern_1920x1080_ms(benchmark::State& state) {
    const QImage picture = qorn::test::photoLikeImage(1920, 1080, 21);
    for (auto _ : state) {
        const qorn::Raster r = qorn::pictureToPattern(picture, palette());
        benchmark::DoNotOptimize(r.image().constBits());
    }
}
BENCHMARK(picture_to_pattern_1920x1080_ms)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Gauge 100 x 100 to 10 x 200: twenty times the rows, 200 x 8000 stitches.
void gauge_change_200x400_x20_ms(benchmark::State& state) {
    const qorn::Raster source = pattern(200, 400, 22);
    const qorn::GaugeChange change{100, 100, 10, 200};
    for (auto _ : state) {
        const qorn::Raster r = qorn::gaugeChanged(source, change);
        benchmark::DoNotOptimize(r.image().constBits());
    }
}
BENCHMARK(gauge_change_200x400_x20_ms)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

void grayscale_200x3000_ms(benchmark::State& state) {
    const qorn::Raster source = pattern(200, 3000, 23);
    qorn::Raster r;
    for (auto _ : state) {
        state.PauseTiming();
        r = source;
        r.pixels().bits(); // a pattern of its own, as in the editor
        state.ResumeTiming();
        qorn::grayscaleToPalette(r, std::nullopt, palette());
        benchmark::DoNotOptimize(r.image().constBits());
    }
}
BENCHMARK(grayscale_200x3000_ms)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

// Both directions over the whole pattern.
void mirror_200x3000_ms(benchmark::State& state) {
    qorn::Raster r = pattern(200, 3000, 24);
    const QRect all(0, 0, 200, 3000);
    for (auto _ : state) {
        qorn::mirrorStitches(r, all, false);
        qorn::mirrorStitches(r, all, true);
        benchmark::DoNotOptimize(r.image().constBits());
    }
}
BENCHMARK(mirror_200x3000_ms)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

} // namespace
