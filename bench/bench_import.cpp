#include "ciede2000.h"
#include "colour/palette.h"
#include "import/import_source.h"
#include "support/sample_images.h"

#include <QDir>
#include <QImage>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

// Pictures written once per run into the benchmark folder.
struct Pictures {
    QString dir, jpeg, png;
    qorn::Palette palette;
    Pictures() {
        dir = qorn::test::freshTempDir(QStringLiteral("bench-import"));
        jpeg = dir + QStringLiteral("/photo24mp.jpg");
        png = dir + QStringLiteral("/photo640.png");
        qorn::test::photoLikeImage(6000, 4000, 31).save(jpeg, "JPG", 90);
        qorn::test::photoLikeImage(640, 480, 32).save(png, "PNG");
        palette.load(QStringLiteral(QORN_SOURCE_DIR "/data/defpal.dat"));
    }
};

const Pictures& pictures() {
    static const Pictures p;
    return p;
}

void importOnce(const QString& path, const qorn::ImportChoices& choices) {
    qorn::ImportSource source;
    source.open(path, 0xFFFFFF);
    const qorn::Raster r = qorn::prepareImport(source, choices, pictures().palette);
    benchmark::DoNotOptimize(r.image().constBits());
}

// The dialog's defaults changed to 16 colours: width limit 200, dithering on.
void import_24mp_jpeg_ms(benchmark::State& state) {
    for (auto _ : state) importOnce(pictures().jpeg, {200, 16, true});
}
BENCHMARK(import_24mp_jpeg_ms)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void import_640_png_ms(benchmark::State& state) {
    for (auto _ : state) importOnce(pictures().png, {200, 16, true});
}
BENCHMARK(import_640_png_ms)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

} // namespace

// Quality at 8 colours without dithering, against the picture scaled down the same way.
void printImportQuality() {
    qorn::ImportSource source;
    source.open(pictures().jpeg, 0xFFFFFF);
    const QImage reference = source.read(200).image();
    const QImage chart = qorn::prepareImport(source, {200, 8, false}, pictures().palette)
                             .image()
                             .convertToFormat(QImage::Format_RGB32);
    double total = 0;
    long changes = 0;
    for (int y = 0; y < chart.height(); ++y)
        for (int x = 0; x < chart.width(); ++x) {
            total += ciede2000(reference.pixel(x, y), chart.pixel(x, y));
            if (x > 0 && chart.pixel(x, y) != chart.pixel(x - 1, y)) ++changes;
        }
    std::printf("import_k8_de2000: %.2f\n", total / (chart.width() * chart.height()));
    std::printf("import_k8_changes_per_row: %.1f\n", double(changes) / chart.height());
}

QString importBenchJpeg() { return pictures().jpeg; }
QString importBenchDir() { return pictures().dir; }
const qorn::Palette& importBenchPalette() { return pictures().palette; }
