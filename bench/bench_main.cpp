// Runs the benchmarks, then the measurements that need other processes: ImageMagick on the same
// input, and the editor's start-up to its first painted window.
#include "bench_report.h"
#include "colour/palette.h"
#include "support/sample_images.h"

#include <QGuiApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <vector>

void printImportQuality();
void printPaletteQuality();
void printPatternViewMemory();
QString importBenchJpeg();
QString importBenchDir();
const qorn::Palette& importBenchPalette();

namespace {

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

bool realImageMagick() {
    QProcess p;
    p.start(QStringLiteral("convert"), {QStringLiteral("-version")});
    return p.waitForFinished(5000) && p.readAllStandardOutput().contains("ImageMagick");
}

void imageMagickReduce(const QString& dir) {
    if (!realImageMagick()) {
        std::printf("reduce16_200x3000_imagemagick_ms: not measured (ImageMagick is not installed)\n");
        return;
    }
    const QString in = dir + QStringLiteral("/in.bmp"), out = dir + QStringLiteral("/out.bmp");
    qorn::test::photoLikeImage(200, 3000, 11).save(in);
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer t;
        t.start();
        QProcess::execute(QStringLiteral("convert"), {in, QStringLiteral("-dither"), QStringLiteral("FloydSteinberg"),
                                                      QStringLiteral("-colors"), QStringLiteral("16"), out});
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("reduce16_200x3000_imagemagick_ms: %.3f ms\n", median(times));
}

void startup(const QString& editor, const QString& dir) {
    if (!QFile::exists(editor)) {
        std::printf("startup_ms: not measured (no editor at %s)\n", qPrintable(editor));
        return;
    }
    std::vector<double> times;
    for (int i = 0; i < 7; ++i) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QORN_NOTICE_FIRST_PAINT"), QStringLiteral("1"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir); // its own single-instance lock
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir);   // and no recovery copy to offer
        p.setProcessEnvironment(env);
        QElapsedTimer t;
        t.start();
        p.start(editor, {});
        bool painted = false;
        while (!painted && p.waitForReadyRead(10000)) painted = p.readAllStandardOutput().contains("first-paint");
        const double ms = t.nsecsElapsed() / 1e6;
        p.waitForFinished(10000);
        if (!painted) {
            std::printf("startup_ms: not measured (the editor did not paint)\n");
            return;
        }
        times.push_back(ms);
    }
    std::printf("startup_ms: %.1f ms\n", median(times));
}

// The same import by ImageMagick: scale to 200 wide, 16 colours dithered, onto the palette.
void imageMagickImport(double ours) {
    if (!realImageMagick()) {
        std::printf("import_24mp_jpeg_imagemagick_ms: not measured (ImageMagick is not installed)\n");
        return;
    }
    const QString dir = importBenchDir();
    QImage palette(16, 16, QImage::Format_RGB32);
    for (int i = 0; i < 256; ++i) palette.setPixel(i % 16, i / 16, qorn::rgbFromColorRef(importBenchPalette()[i]));
    palette.save(dir + QStringLiteral("/palette.bmp"));
    std::vector<double> times;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer t;
        t.start();
        QProcess::execute(QStringLiteral("convert"),
                          {importBenchJpeg(), QStringLiteral("-resize"), QStringLiteral("200x"), QStringLiteral("-dither"),
                           QStringLiteral("FloydSteinberg"), QStringLiteral("-colors"), QStringLiteral("16"),
                           QStringLiteral("+dither"), QStringLiteral("-remap"), dir + QStringLiteral("/palette.bmp"),
                           dir + QStringLiteral("/im.bmp")});
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    const double theirs = median(times);
    std::printf("import_24mp_jpeg_imagemagick_ms: %.1f ms\n", theirs);
    if (ours > 0) std::printf("import_speedup: %.1f\n", theirs / ours);
}

void importPeak(const QString& tool) {
    QProcess p;
    p.start(tool, {importBenchJpeg(), QStringLiteral(QORN_SOURCE_DIR "/data/defpal.dat")});
    p.waitForFinished(60000);
    std::fputs(p.readAllStandardOutput().constData(), stdout);
}

// Runs in its own process so that its peak memory is the save's alone.
void drawingScreenPeak(const QString& tool) {
    QProcess p;
    p.start(tool, {});
    p.waitForFinished(60000);
    std::fputs(p.readAllStandardOutput().constData(), stdout);
}

} // namespace

int main(int argc, char** argv) {
    // The pattern view draws text, which needs a GUI application; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QString editor;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a.startsWith(QStringLiteral("--editor="))) editor = a.mid(9);
        else args.push_back(argv[i]);
    }
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());
    LineReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    printImportQuality();
    printPaletteQuality();
    printPatternViewMemory();
    imageMagickImport(reporter.medians["import_24mp_jpeg_ms"]);
    importPeak(QCoreApplication::applicationDirPath() + QStringLiteral("/qorn_import_rss"));
    drawingScreenPeak(QCoreApplication::applicationDirPath() + QStringLiteral("/qorn_canvas_save_rss"));

    const QString dir = qorn::test::freshTempDir(QStringLiteral("bench"));
    imageMagickReduce(dir);
    if (!editor.isEmpty()) startup(editor, dir);
    QDir(dir).removeRecursively();
    return 0;
}
