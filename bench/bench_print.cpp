#include "colour/palette.h"
#include "print/print_pages.h"
#include "proc_memory.h"
#include "support/sample_images.h"
#include "view/symbol_file.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

const qorn::Palette& palette() {
    static const qorn::Palette p = [] {
        qorn::Palette palette;
        palette.load(QStringLiteral(QORN_SOURCE_DIR "/data/defpal.dat"));
        return palette;
    }();
    return p;
}

// Short runs of colours from the whole palette, as a busy chart has.
QImage busyChart(int width, int height) {
    QImage pattern(width, height, QImage::Format_RGB32);
    std::mt19937 rng(7);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(pattern.scanLine(y));
        for (int x = 0; x < width;) {
            const QRgb c = qorn::rgbFromColorRef(palette()[static_cast<int>(rng() % 256)]);
            for (int run = 1 + static_cast<int>(rng() % 4); run > 0 && x < width; --run)
                row[x++] = c;
        }
    }
    return pattern;
}

qorn::PrintJob job(const QImage& pattern, bool colour) {
    qorn::PrintOptions o;
    o.colour = colour;
    o.magnification = 1.0;
    o.grid = qorn::GridOne;
    o.title = QStringLiteral("ベンチマーク");
    const qorn::SymbolFileResult symbols =
        qorn::readSymbolFile(QStringLiteral(QORN_SOURCE_DIR "/data/qorn.sym"), 15);
    return qorn::makePrintJob(pattern, std::nullopt, palette(), 15, symbols.table, 20, 20, o);
}

// One full A4 page at magnification 1 (100 x 150 stitches) written as a one-page PDF: the
// chart page alone, its legend pages left out.
void printOnePage(benchmark::State& state, bool colour, const char* sizeName) {
    const QString dir = qorn::test::freshTempDir(QStringLiteral("bench_print"));
    const QString path = dir + QStringLiteral("/page.pdf");
    const qorn::PrintJob j = job(busyChart(100, 150), colour);
    for (auto _ : state) {
        QPdfWriter writer(path);
        writer.setResolution(600);
        writer.setPageLayout(qorn::defaultPrintPageLayout());
        const qorn::PrintPlan plan = qorn::planPrint(j, writer);
        QPainter painter(&writer);
        qorn::paintChartPage(painter, j, plan, 0);
        painter.end();
    }
    static bool reported[2] = {false, false};
    if (!reported[colour]) {
        reported[colour] = true;
        std::printf("%s: %.1f KB\n", sizeName, QFileInfo(path).size() / 1024.0);
    }
    QDir(dir).removeRecursively();
}

void print_symbol_page_ms(benchmark::State& state) {
    printOnePage(state, false, "print_symbol_page_pdf_kb");
}
BENCHMARK(print_symbol_page_ms)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

void print_colour_page_ms(benchmark::State& state) {
    printOnePage(state, true, "print_colour_page_pdf_kb");
}
BENCHMARK(print_colour_page_ms)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

// Every page of a 200 x 4000 symbol chart with its legends, one document. Timed here in seconds
// and with the memory it takes on top of the chart, so it prints its own lines.
void print_200x4000_pdf(benchmark::State& state) {
    const QString dir = qorn::test::freshTempDir(QStringLiteral("bench_print_tall"));
    const QString path = dir + QStringLiteral("/chart.pdf");
    const qorn::PrintJob j = job(busyChart(200, 4000), false);
    std::vector<double> seconds;
    double extraMb = 0;
    for (auto _ : state) {
        for (int i = 0; i < 3; ++i) {
            const double before = resetPeakMb();
            QElapsedTimer t;
            t.start();
            qorn::writeChartPdf(path, j);
            seconds.push_back(t.nsecsElapsed() / 1e9);
            extraMb = std::max(extraMb, statusMb("VmHWM:") - before);
        }
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("print_200x4000_pdf_s: %.2f s\n", seconds[seconds.size() / 2]);
    std::printf("print_200x4000_pdf_extra_mb: %.1f MB\n", extraMb);
    std::printf("print_200x4000_pdf_mb: %.1f MB\n", QFileInfo(path).size() / (1024.0 * 1024.0));
    QDir(dir).removeRecursively();
}
// A single iteration and no aggregates: the line reporter stays silent and the lines above stand.
BENCHMARK(print_200x4000_pdf)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace
