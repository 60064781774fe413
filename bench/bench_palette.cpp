// Choosing palette colours for a picture: speed, colour counting, and the quality of the result
// against ImageMagick reducing the same picture onto the same palette.
#include "ciede2000.h"
#include "colour/palette.h"
#include "imaging/quantize.h"
#include "imaging/raster.h"
#include "support/sample_images.h"

#include <QDir>
#include <QImage>
#include <QProcess>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

const std::array<QRgb, 256>& palette() {
    static const std::array<QRgb, 256> colours = [] {
        qorn::Palette p;
        p.load(QStringLiteral(QORN_SOURCE_DIR "/data/defpal.dat"));
        return p.rgbColours();
    }();
    return colours;
}

// The reduction command on a long pattern: 8 colours, dithered.
void quantize8_200x3000_ms(benchmark::State& state) {
    const QImage photo = qorn::test::photoLikeImage(200, 3000, 11);
    for (auto _ : state) {
        const QImage out = qorn::quantizeToPalette(photo, palette(), 8, true);
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(quantize8_200x3000_ms)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

void colour_count_1920x1080_ms(benchmark::State& state) {
    qorn::Raster r;
    r.setImage(qorn::test::photoLikeImage(1920, 1080, 12));
    for (auto _ : state) benchmark::DoNotOptimize(r.colorCount());
}
BENCHMARK(colour_count_1920x1080_ms)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

// The colour check's counts over a whole long pattern; a photograph, so no two stitches in a
// row share a colour and every one is looked up.
void palette_stitch_count_200x3000_ms(benchmark::State& state) {
    const QImage photo = qorn::test::photoLikeImage(200, 3000, 13);
    for (auto _ : state) {
        const auto counts = qorn::countPaletteStitches(photo, photo.rect(), palette());
        benchmark::DoNotOptimize(counts.data());
    }
}
BENCHMARK(palette_stitch_count_200x3000_ms)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

// ---- synthesised photographs: smooth light, texture, sensor noise, flat areas and hard edges

double clamp255(double v) { return std::clamp(v, 0.0, 255.0); }

struct Rgbf {
    double r, g, b;
};
Rgbf mix(const Rgbf& a, const Rgbf& b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Rgbf shade(const Rgbf& c, double f) { return {c.r * f, c.g * f, c.b * f}; }

// Smooth value noise in [-1, 1], for textures and uneven light.
class ValueNoise {
public:
    explicit ValueNoise(uint32_t seed) {
        std::mt19937 rng(seed);
        std::uniform_real_distribution<double> u(-1, 1);
        for (double& v : grid_) v = u(rng);
    }
    double at(double x, double y) const {
        const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
        const double fx = x - x0, fy = y - y0;
        auto g = [&](int i, int j) { return grid_[static_cast<size_t>(((j & 63) << 6) | (i & 63))]; };
        const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
        const double top = g(x0, y0) + (g(x0 + 1, y0) - g(x0, y0)) * sx;
        const double bottom = g(x0, y0 + 1) + (g(x0 + 1, y0 + 1) - g(x0, y0 + 1)) * sx;
        return top + (bottom - top) * sy;
    }

private:
    std::array<double, 64 * 64> grid_{};
};

// A lit sphere's brightness at (dx, dy) inside a unit disc, light from the upper left.
double sphereLight(double dx, double dy) {
    const double z = std::sqrt(std::max(0.0, 1 - dx * dx - dy * dy));
    const double lambert = std::max(0.0, -0.5 * dx - 0.5 * dy + 0.7 * z);
    return 0.35 + 0.75 * lambert;
}

QImage scene(int kind, int width, int height, uint32_t seed) {
    QImage image(width, height, QImage::Format_RGB32);
    std::mt19937 rng(seed);
    std::normal_distribution<double> grain(0, 4);
    const ValueNoise noise(seed * 7 + 1);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width, v = double(y) / height;
            const double n = noise.at(u * 12, v * 9), fine = noise.at(u * 90, v * 70);
            Rgbf c{};
            if (kind == 0) { // landscape: sky, sun, hills, a lake, a house
                const double ridge = 0.42 + 0.06 * std::sin(u * 9 + 1) + 0.03 * std::sin(u * 23);
                const double sun = std::exp(-(std::pow(u - 0.75, 2) + std::pow(v - 0.18, 2)) * 40);
                if (v < ridge) {
                    c = mix(mix({60, 110, 200}, {200, 222, 240}, v / ridge), {255, 238, 190}, sun);
                } else if (v < 0.62) {
                    c = shade(mix({70, 120, 45}, {160, 175, 70}, (v - ridge) / (0.62 - ridge)), 1 + 0.15 * n);
                    c = mix(c, {110, 80, 50}, 0.3 * std::max(0.0, fine));
                } else {
                    const double ripple = 0.1 * std::sin(v * 400 + 3 * n);
                    c = shade(mix({90, 130, 180}, {30, 60, 100}, (v - 0.62) / 0.38), 1 + ripple);
                }
                if (u > 0.15 && u < 0.32 && v > 0.48 && v < 0.6)
                    c = u < 0.2 ? Rgbf{130, 30, 25} : Rgbf{175, 45, 35};
                if (u > 0.14 && u < 0.33 && v > 0.4 && v <= 0.48 && std::abs(u - 0.235) < (v - 0.4) * 1.2)
                    c = {55, 40, 40};
            } else if (kind == 1) { // portrait: face, hair, a shirt, on a dark backdrop
                c = mix({25, 55, 65}, {95, 110, 100}, 0.5 * (u + v) + 0.1 * n);
                const double fx = (u - 0.5) / 0.2, fy = (v - 0.42) / 0.27;
                const double hx = (u - 0.5) / 0.25, hy = (v - 0.36) / 0.3;
                if (hx * hx + hy * hy < 1) c = shade({70, 45, 30}, 0.75 + 0.35 * std::sin(u * 300 + 8 * n));
                if (fx * fx + fy * fy < 1) {
                    c = shade({228, 182, 150}, sphereLight(fx, fy));
                    const double ex = std::abs(u - 0.5) - 0.075, ey = v - 0.4;
                    if (ex * ex / 0.0008 + ey * ey / 0.0003 < 1) c = {45, 35, 30};
                    const double lx = u - 0.5, ly = v - 0.55;
                    if (lx * lx / 0.004 + ly * ly / 0.0004 < 1) c = {185, 70, 80};
                }
                if (v > 0.72 + 0.1 * std::pow(u - 0.5, 2) * 4)
                    c = shade({40, 70, 165}, 0.8 + 0.25 * std::sin(u * 40 + v * 10 + 2 * n));
            } else { // still life: wall, wooden table, fruit, a vase and a bottle
                c = shade(mix({205, 192, 168}, {140, 128, 108}, u),
                          1 - 0.35 * (std::pow(u - 0.5, 2) + std::pow(v - 0.4, 2)));
                if (v > 0.62) {
                    const double grain2 = std::sin(v * 180 + 6 * std::sin(u * 8) + 3 * n);
                    c = shade({135, 82, 45}, 0.85 + 0.15 * grain2 - 0.3 * (v - 0.62));
                    const double sx = (u - 0.35) / 0.2, sy = (v - 0.7) / 0.04;
                    if (sx * sx + sy * sy < 1) c = shade(c, 0.6);
                }
                auto disc = [&](double cx, double cy, double rx, double ry, Rgbf base) {
                    const double dx = (u - cx) / rx, dy = (v - cy) / ry;
                    if (dx * dx + dy * dy >= 1) return;
                    c = shade(base, sphereLight(dx, dy));
                    const double highlight = std::exp(-(std::pow(dx + 0.35, 2) + std::pow(dy + 0.35, 2)) * 30);
                    c = mix(c, {250, 250, 245}, highlight);
                };
                disc(0.3, 0.62, 0.09, 0.12, {200, 30, 30});
                disc(0.45, 0.65, 0.08, 0.07, {235, 205, 45});
                if (u > 0.6 && u < 0.72 && v > 0.3 && v < 0.66)
                    c = shade({35, 95, 45}, 0.5 + 0.8 * std::sin((u - 0.6) / 0.12 * 3.14159));
                disc(0.82, 0.52, 0.08, 0.16, {45, 65, 155});
                disc(0.8, 0.28, 0.04, 0.05, {150, 60, 160});
                disc(0.86, 0.3, 0.035, 0.045, {220, 120, 170});
            }
            line[x] = qRgb(static_cast<int>(clamp255(c.r + grain(rng))),
                           static_cast<int>(clamp255(c.g + grain(rng))),
                           static_cast<int>(clamp255(c.b + grain(rng))));
        }
    }
    return image;
}

// Each scene scaled to 200 stitches wide by area averaging, as an import does.
const std::vector<QImage>& references() {
    static const std::vector<QImage> pictures = [] {
        std::vector<QImage> out;
        for (int kind = 0; kind < 3; ++kind) {
            qorn::Raster r;
            r.setImage(scene(kind, 1200, 900, 40u + static_cast<uint32_t>(kind)));
            r.resize(200, 150);
            out.push_back(r.image());
        }
        return out;
    }();
    return pictures;
}

struct Quality {
    double de = 0, changes = 0, colours = 0;
};

Quality measure(const QImage& reference, const QImage& result) {
    const QImage ref = reference.convertToFormat(QImage::Format_RGB32);
    const QImage got = result.convertToFormat(QImage::Format_RGB32);
    Quality q;
    std::vector<QRgb> used;
    for (int y = 0; y < got.height(); ++y) {
        const auto* r = reinterpret_cast<const QRgb*>(ref.constScanLine(y));
        const auto* g = reinterpret_cast<const QRgb*>(got.constScanLine(y));
        for (int x = 0; x < got.width(); ++x) {
            q.de += ciede2000(r[x], g[x]);
            q.changes += x > 0 && g[x] != g[x - 1];
            used.push_back(g[x]);
        }
    }
    std::sort(used.begin(), used.end());
    q.colours = static_cast<double>(std::unique(used.begin(), used.end()) - used.begin());
    q.de /= double(got.width()) * got.height();
    q.changes /= got.height();
    return q;
}

// Light spread over neighbouring stitches as seen from a step away: a small Gaussian in linear
// light, for judging dithered results against the picture blurred the same way.
QImage seenFromAfar(const QImage& image) {
    const QImage src = image.convertToFormat(QImage::Format_RGB32);
    const double weights[5] = {0.054, 0.244, 0.403, 0.244, 0.054};
    auto lin = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    auto srgb = [](double l) {
        const double s = l <= 0.0031308 ? l * 12.92 : 1.055 * std::pow(l, 1 / 2.4) - 0.055;
        return static_cast<int>(std::lround(std::clamp(s, 0.0, 1.0) * 255));
    };
    const int w = src.width(), h = src.height();
    QImage out(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double sum[3] = {0, 0, 0}, total = 0;
            for (int j = -2; j <= 2; ++j)
                for (int i = -2; i <= 2; ++i) {
                    const int xx = x + i, yy = y + j;
                    if (xx < 0 || yy < 0 || xx >= w || yy >= h) continue;
                    const double f = weights[i + 2] * weights[j + 2];
                    const QRgb c = src.pixel(xx, yy);
                    sum[0] += f * lin(qRed(c));
                    sum[1] += f * lin(qGreen(c));
                    sum[2] += f * lin(qBlue(c));
                    total += f;
                }
            out.setPixel(x, y, qRgb(srgb(sum[0] / total), srgb(sum[1] / total), srgb(sum[2] / total)));
        }
    return out;
}

bool imageMagickInstalled() {
    QProcess p;
    p.start(QStringLiteral("convert"), {QStringLiteral("-version")});
    return p.waitForFinished(5000) && p.readAllStandardOutput().contains("ImageMagick");
}

// ImageMagick's way: k colours of its own choosing, then each to the nearest palette colour.
// As usually written, "-colors k +dither -remap" still dithers the first step ("+dither" only
// reaches the remap); `plain` puts "+dither" first, so neither step dithers.
QImage imageMagickReduce(const QString& dir, const QImage& reference, int k, bool plain) {
    const QString in = dir + QStringLiteral("/ref.png"), pal = dir + QStringLiteral("/palette.png"),
                  out = dir + QStringLiteral("/out.png");
    reference.save(in);
    QImage colours(16, 16, QImage::Format_RGB32);
    for (int i = 0; i < 256; ++i) colours.setPixel(i % 16, i / 16, palette()[static_cast<size_t>(i)]);
    colours.save(pal);
    QFile::remove(out);
    const QStringList args = plain ? QStringList{in, QStringLiteral("+dither"), QStringLiteral("-colors"), QString::number(k),
                                                 QStringLiteral("-remap"), pal, out}
                                   : QStringList{in, QStringLiteral("-colors"), QString::number(k), QStringLiteral("+dither"),
                                                 QStringLiteral("-remap"), pal, out};
    QProcess::execute(QStringLiteral("convert"), args);
    return QImage(out);
}

} // namespace

// Means over the scenes, ours and ImageMagick's, without dithering at 8 and 16 colours.
void printPaletteQuality() {
    const std::vector<QImage>& pictures = references();
    const bool magick = imageMagickInstalled();
    const QString dir = qorn::test::freshTempDir(QStringLiteral("bench-palette"));
    const double count = static_cast<double>(pictures.size());
    for (int k : {8, 16}) {
        Quality ours, theirs, plain;
        bool measured = magick;
        for (const QImage& picture : pictures) {
            const Quality q = measure(picture, qorn::quantizeToPalette(picture, palette(), k, false));
            ours.de += q.de / count;
            ours.changes += q.changes / count;
            ours.colours += q.colours / count;
            if (!measured) continue;
            const QImage im = imageMagickReduce(dir, picture, k, false);
            const QImage imPlain = imageMagickReduce(dir, picture, k, true);
            if (im.isNull() || imPlain.isNull()) {
                measured = false;
                continue;
            }
            for (auto [image, sum] : {std::pair{&im, &theirs}, std::pair{&imPlain, &plain}}) {
                const Quality t = measure(picture, *image);
                sum->de += t.de / count;
                sum->changes += t.changes / count;
                sum->colours += t.colours / count;
            }
        }
        auto print = [&](const char* what, double mine, double magicks, double magicksPlain, int digits) {
            std::printf("quality_k%d_%s: %.*f\n", k, what, digits, mine);
            if (measured) {
                std::printf("quality_k%d_%s_imagemagick: %.*f\n", k, what, digits, magicks);
                std::printf("quality_k%d_%s_imagemagick_undithered: %.*f\n", k, what, digits, magicksPlain);
            } else {
                std::printf("quality_k%d_%s_imagemagick: not measured (no ImageMagick, or it failed)\n", k, what);
            }
        };
        print("de2000", ours.de, theirs.de, plain.de, 2);
        print("changes_per_row", ours.changes, theirs.changes, plain.changes, 1);
        print("colours_used", ours.colours, theirs.colours, plain.colours, 1);
    }
    // Dithered, judged from a step away.
    for (int k : {8, 16}) {
        double de = 0;
        for (const QImage& picture : pictures) {
            const QImage dithered = qorn::quantizeToPalette(picture, palette(), k, true);
            de += measure(seenFromAfar(picture), seenFromAfar(dithered)).de / count;
        }
        std::printf("quality_k%d_dither_blurred_de2000: %.2f\n", k, de);
    }
    QDir(dir).removeRecursively();
}
