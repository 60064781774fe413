#include "app/editor_state.h"
#include "colour/palette.h"
#include "imaging/raster.h"
#include "imaging/raster_ops.h"
#include "support/sample_images.h"
#include "tools/canvas_tools.h"
#include "tools/tool_table.h"
#include "proc_memory.h"
#include "view/canvas_renderer.h"
#include "view/symbol_font.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <malloc.h>

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

namespace {

// The display modes on the same chart, at zoom 11 with cells 11 x 22 and at zoom 4 with gauge
// 20 x 40 (cells 4 x 2, a canvas 800 pixels wide), each showing a 1920 x 1080 viewport.
struct ModeCase {
    qorn::CanvasGeometry geometry;
    QRect view;
};
const ModeCase kZoom11{{200, 4000, 11, 2.0f}, QRect(140, 40000, 1920, 1080)};
const ModeCase kZoom4{{200, 4000, 4, 0.5f}, QRect(0, 4000, 1920, 1080)};

const qorn::Palette& palette() {
    static const qorn::Palette p = [] {
        qorn::Palette pal;
        pal.load(QStringLiteral(QORN_SOURCE_DIR "/data/defpal.dat"));
        return pal;
    }();
    return p;
}

// 256 distinct symbols the font has: hiragana, katakana, then full-width Latin and marks.
const std::array<QString, 256>& symbols() {
    static const std::array<QString, 256> table = [] {
        std::array<QString, 256> t;
        QString all;
        for (char16_t c = 0x3041; c <= 0x3093; ++c) all += QChar(c);
        for (char16_t c = 0x30A1; c <= 0x30F6; ++c) all += QChar(c);
        for (char16_t c = 0xFF01; c <= 0xFF5E; ++c) all += QChar(c);
        for (int i = 0; i < 256; ++i) t[size_t(i)] = all.mid(i, 1);
        return t;
    }();
    return table;
}

constexpr int kBackground = 15;

// Index copy, symbol atlas and the first viewport, from a renderer that has never shown them.
void patternViewSwitch(benchmark::State& state, const ModeCase& c) {
    QImage target(1920, 1080, QImage::Format_RGB32);
    for (auto _ : state) {
        qorn::CanvasRenderer renderer;
        renderer.setPatternView(chart().pattern, palette(), kBackground, symbols());
        renderer.render(chart().pattern, c.geometry, qorn::GridOne, c.view, target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
void pattern_view_switch_zoom11_ms(benchmark::State& state) { patternViewSwitch(state, kZoom11); }
void pattern_view_switch_zoom4_ms(benchmark::State& state) { patternViewSwitch(state, kZoom4); }
BENCHMARK(pattern_view_switch_zoom11_ms)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(pattern_view_switch_zoom4_ms)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

void patternViewRepaint(benchmark::State& state, const ModeCase& c) {
    qorn::CanvasRenderer renderer;
    renderer.setPatternView(chart().pattern, palette(), kBackground, symbols());
    QImage target(1920, 1080, QImage::Format_RGB32);
    renderer.render(chart().pattern, c.geometry, qorn::GridOne, c.view, target);
    for (auto _ : state) {
        renderer.render(chart().pattern, c.geometry, qorn::GridOne, c.view, target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
void pattern_view_repaint_1920x1080_zoom11_ms(benchmark::State& state) { patternViewRepaint(state, kZoom11); }
void pattern_view_repaint_1920x1080_zoom4_ms(benchmark::State& state) { patternViewRepaint(state, kZoom4); }
BENCHMARK(pattern_view_repaint_1920x1080_zoom11_ms)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(pattern_view_repaint_1920x1080_zoom4_ms)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

void crossViewRepaint(benchmark::State& state, const ModeCase& c) {
    qorn::CanvasRenderer renderer;
    renderer.setCrossView(palette()[kBackground]);
    QImage target(1920, 1080, QImage::Format_RGB32);
    for (auto _ : state) {
        renderer.render(chart().pattern, c.geometry, qorn::GridOne, c.view, target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
void cross_view_repaint_1920x1080_zoom11_ms(benchmark::State& state) { crossViewRepaint(state, kZoom11); }
void cross_view_repaint_1920x1080_zoom4_ms(benchmark::State& state) { crossViewRepaint(state, kZoom4); }
BENCHMARK(cross_view_repaint_1920x1080_zoom11_ms)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(cross_view_repaint_1920x1080_zoom4_ms)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

} // namespace

// What switching to the pattern view adds to the peak memory, and what it keeps while the view
// lasts, at zoom 11. The fonts are in use already, as they are in the editor by then.
void printPatternViewMemory() {
    qorn::symbolCellSide(qorn::symbolFont());
    const QImage& pattern = chart().pattern;
    QImage target(1920, 1080, QImage::Format_RGB32);
    target.fill(0);
    qorn::CanvasRenderer renderer;
    // Memory freed by the benchmarks before would otherwise be reused unseen.
    malloc_trim(0);
    const double before = resetPeakMb();
    renderer.setPatternView(pattern, palette(), kBackground, symbols());
    renderer.render(pattern, kZoom11.geometry, qorn::GridOne, kZoom11.view, target);
    std::printf("pattern_view_switch_extra_mb: %.1f MB\n", statusMb("VmHWM:") - before);
    std::printf("pattern_view_held_mb: %.1f MB\n", renderer.patternViewBytes() / (1024.0 * 1024.0));
}
