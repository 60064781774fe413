#include "app/editor_state.h"
#include "imaging/raster.h"
#include "imaging/raster_ops.h"
#include "support/sample_images.h"
#include "tools/canvas_tools.h"
#include "tools/tool_table.h"
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

namespace {

// Flood fill of a whole 200 x 4000 pattern, alternating two colours so that every run fills all.
void fill_200x4000_ms(benchmark::State& state) {
    QImage pattern(200, 4000, QImage::Format_RGB32);
    pattern.fill(0xffffffff);
    qorn::ColorRef colour = 0x0000FF;
    for (auto _ : state) {
        benchmark::DoNotOptimize(qorn::gdi::floodFill(pattern, 100, 2000, colour));
        colour ^= 0x00FF00;
    }
}
BENCHMARK(fill_200x4000_ms)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

// A filled ellipse over most of the pattern, committed, then the viewport shown again.
void figure_commit_ms(benchmark::State& state) {
    QImage pattern = chart().pattern;
    qorn::CanvasRenderer renderer;
    QImage target(1920, 1080, QImage::Format_RGB32);
    const QRect view(140, 40000, 1920, 1080);
    for (auto _ : state) {
        qorn::gdi::ellipse(pattern, 10, 100, 190, 3900, 0x00FF00, 1, true);
        renderer.render(pattern, chart().geometry, qorn::GridOne, view, target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(figure_commit_ms)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

} // namespace

namespace {

struct QuietHost : qorn::ToolHost {
    void setUndoEnabled(bool) override {}
    void setCutCopyEnabled(bool) override {}
    void setDeleteEnabled(bool) override {}
    void repaintFromBitmap() override {}
    void repaintStitch(int, int) override {}
    void overlayChanged() override {}
    void autoscroll(double, double) override {}
    void selectPen() override {}
    void colorsChanged() override {}
    void setBusy(bool) override {}
    void setToolsEnabled(bool) override {}
};

// A width-4 rectangle on a 200 x 200 pattern at gauge 10 x 200, dragged from inside the pattern
// to 20 000 rows below it, as a steep gauge lets a short mouse drag do: press, drag, release.
void figure_commit_long_drag_ms(benchmark::State& state) {
    qorn::EditorState s;
    s.initPattern();
    s.LeadSrc.create(200, 200, 24);
    s.LeadSrc.fill(0xFFFFFF);
    s.qrnobj->setMee(10);
    s.qrnobj->setDan(200);
    s.LineWidth = 4;
    s.ToolState = qorn::tool::Rectangle;
    QuietHost host;
    qorn::CanvasTools tools(s, host);
    for (auto _ : state) {
        tools.press({1, false, 20, 150});
        tools.move({1, false, 180, 10200});
        tools.move({1, false, 180, 20200});
        tools.release({1, false, 180, 20200});
        benchmark::DoNotOptimize(s.LeadSrc.image().constBits());
    }
}
BENCHMARK(figure_commit_long_drag_ms)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

} // namespace
