#include "colour/palette.h"
#include "print/text_chart.h"
#include "view/symbol_file.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

// A tall chart of short colour runs over the whole palette, written with the shipped symbols.
void text_chart_200x4000_ms(benchmark::State& state) {
    qorn::Palette palette;
    palette.load(QStringLiteral(QORN_SOURCE_DIR "/data/defpal.dat"));
    const qorn::SymbolFileResult symbols = qorn::readSymbolFile(QStringLiteral(QORN_SOURCE_DIR "/data/qorn.sym"), 15);
    if (!symbols.ok()) {
        state.SkipWithError("data/qorn.sym does not read");
        return;
    }
    QImage pattern(200, 4000, QImage::Format_RGB32);
    std::mt19937 rng(3);
    for (int y = 0; y < pattern.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(pattern.scanLine(y));
        for (int x = 0; x < pattern.width();) {
            const QRgb c = qorn::rgbFromColorRef(palette[static_cast<int>(rng() % 256)]);
            for (int run = 1 + static_cast<int>(rng() % 4); run > 0 && x < pattern.width(); --run) row[x++] = c;
        }
    }
    for (auto _ : state) {
        const QByteArray bytes = qorn::textChartBytes(pattern, std::nullopt, palette, 15, symbols.table);
        benchmark::DoNotOptimize(bytes.constData());
    }
}
BENCHMARK(text_chart_200x4000_ms)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

} // namespace
