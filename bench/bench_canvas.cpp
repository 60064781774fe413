#include "imaging/raster.h"
#include "support/sample_images.h"
#include "view/canvas_renderer.h"

#include <benchmark/benchmark.h>

namespace {

// A 200 x 4000 chart at zoom 11 and gauge 20 x 10 (cells 11 x 22), grid every stitch.
struct Chart {
    QImage pattern;
    qorn::CanvasGeometry geometry{200, 4000, 11, 2.0f};
    Chart() {
        qorn::Raster r;
        r.setImage(qorn::test::photoLikeImage(200, 4000, 21));
        r.colorRes(8, qorn::PaletteOptimized, 0, 24); // a chart's few colours
        r.colorRes(24, qorn::PaletteFixedRgb, 0, 0);
        pattern = r.image();
    }
};

const Chart& chart() {
    static const Chart c;
    return c;
}

void repaint_full_1920x1080_ms(benchmark::State& state) {
    qorn::CanvasRenderer renderer;
    QImage target(1920, 1080, QImage::Format_RGB32);
    const QRect rect(140, 40000, 1920, 1080);
    for (auto _ : state) {
        renderer.render(chart().pattern, chart().geometry, qorn::GridOne, rect, target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(repaint_full_1920x1080_ms)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

// One cell, as a pen step repaints it.
void repaint_cell_ms(benchmark::State& state) {
    qorn::CanvasRenderer renderer;
    QImage target(1920, 1080, QImage::Format_RGB32);
    const QRect cell(57 * 11, 1234 * 22, 11, 22);
    for (auto _ : state) {
        renderer.render(chart().pattern, chart().geometry, qorn::GridOne, cell, target, QPoint(300, 300));
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(repaint_cell_ms)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

} // namespace
