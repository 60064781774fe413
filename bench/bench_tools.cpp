#include "tools/motif.h"
#include "tools/text_stamp.h"
#include "view/symbol_font.h"

#include <QFontInfo>

#include <benchmark/benchmark.h>

namespace {

QImage filled(int w, int h, QRgb c) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

qorn::TextFontChoice tallText() {
    qorn::TextFontChoice choice;
    choice.family = QFontInfo(qorn::symbolFont(12)).family();
    choice.height = 200;
    return choice;
}

// Three Japanese letters 200 stitches high on a 10 x 200 gauge (asp1 20): the mask, 4 300 rows
// tall, is drawn when the dialog's "Ok" measures the text...
void text_render_200px_ms(benchmark::State& state) {
    const qorn::TextFontChoice choice = tallText();
    for (auto _ : state) {
        const qorn::TextStamp stamp = qorn::renderTextStamp(QStringLiteral("編み物"), choice, 20.0);
        benchmark::DoNotOptimize(stamp.mask.constBits());
    }
}
BENCHMARK(text_render_200px_ms)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

// ...and a click on the canvas writes it into the pattern.
void text_stamp_200px_ms(benchmark::State& state) {
    const qorn::TextStamp stamp = qorn::renderTextStamp(QStringLiteral("編み物"), tallText(), 20.0);
    QImage pattern = filled(200, 4000, 0xffffffff);
    for (auto _ : state) {
        qorn::stampMask(pattern, stamp.mask, QPoint(0, 0), 0x0000FF);
        benchmark::DoNotOptimize(pattern.constBits());
    }
}
BENCHMARK(text_stamp_200px_ms)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

// A masked motif as large as the pattern, stamped once.
void motif_stamp_200x400_ms(benchmark::State& state) {
    QImage motif = filled(200, 400, 0xffffffff);
    for (int y = 0; y < 400; ++y)
        for (int x = (y % 7); x < 200; x += 7) motif.setPixel(x, y, 0xff2040c0);
    const qorn::PreparedMotif prepared = qorn::maskedByColour(motif, 0xFFFFFF);
    QImage pattern = filled(200, 400, 0xffff0000);
    for (auto _ : state) {
        qorn::stampMotif(pattern, prepared, QPoint(0, 0));
        benchmark::DoNotOptimize(pattern.constBits());
    }
}
BENCHMARK(motif_stamp_200x400_ms)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

} // namespace
