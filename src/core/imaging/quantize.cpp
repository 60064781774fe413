#include "quantize.h"

#include "codec_limits.h"
#include "common/error.h"

#include <libimagequant.h>

#include <QHash>
#include <QVector>

#include <algorithm>
#include <climits>
#include <memory>
#include <mutex>

extern "C" void omp_set_num_threads(int);

namespace qorn {
namespace {

inline int sq(int v) { return v * v; }

inline int distance(const int* c, int r, int g, int b) { return sq(c[0] - r) + sq(c[1] - g) + sq(c[2] - b); }

// Squared distance bounds between a palette colour and a cube of colours [lo, lo + size).
inline void cubeBounds(const int* c, int r0, int g0, int b0, int size, int& minD, int& maxD) {
    minD = maxD = 0;
    const int lo[3] = {r0, g0, b0};
    for (int k = 0; k < 3; ++k) {
        const int l = lo[k], h = lo[k] + size - 1;
        const int v = c[k];
        if (v < l) minD += sq(l - v);
        else if (v > h) minD += sq(v - h);
        maxD += sq(std::max(v - l, h - v));
    }
}

struct LiqDeleter {
    void operator()(liq_attr* p) const { liq_attr_destroy(p); }
    void operator()(liq_image* p) const { liq_image_destroy(p); }
    void operator()(liq_result* p) const { liq_result_destroy(p); }
};
template <typename T> using LiqPtr = std::unique_ptr<T, LiqDeleter>;

QVector<QRgb> paddedTable(const QRgb* colours, int n) {
    QVector<QRgb> table(256, 0xff000000);
    for (int i = 0; i < n && i < 256; ++i) table[i] = colours[i] | 0xff000000;
    return table;
}

} // namespace

PaletteMatcher::PaletteMatcher(const std::array<QRgb, 256>& palette)
    : palette_(palette), coarse_(16 * 16 * 16), fine_(32 * 32 * 32) {
    for (int i = 0; i < 256; ++i) {
        channels_[3 * i] = qRed(palette[i]);
        channels_[3 * i + 1] = qGreen(palette[i]);
        channels_[3 * i + 2] = qBlue(palette[i]);
    }
}

int PaletteMatcher::nearestByScan(const std::array<QRgb, 256>& palette, QRgb colour) {
    int best = 0, bestD = INT_MAX;
    for (int i = 0; i < 256; ++i) {
        const int d = sq(qRed(palette[i]) - qRed(colour)) + sq(qGreen(palette[i]) - qGreen(colour)) +
                      sq(qBlue(palette[i]) - qBlue(colour));
        if (d < bestD) {
            bestD = d;
            best = i;
        }
    }
    return best;
}

// A candidate list keeps every entry whose nearest possible distance is within the smallest
// farthest distance of any entry, in index order, so ties still resolve to the lowest index.
void PaletteMatcher::buildCoarse(int index) {
    Cell& cell = coarse_[static_cast<size_t>(index)];
    const int r0 = ((index >> 8) & 15) << 4, g0 = ((index >> 4) & 15) << 4, b0 = (index & 15) << 4;
    int minD[256], bound = INT_MAX;
    for (int i = 0; i < 256; ++i) {
        int maxD;
        cubeBounds(&channels_[3 * i], r0, g0, b0, 16, minD[i], maxD);
        bound = std::min(bound, maxD);
    }
    for (int i = 0; i < 256; ++i)
        if (minD[i] <= bound) cell.candidates.push_back(static_cast<uint8_t>(i));
    cell.built = true;
}

void PaletteMatcher::buildFine(int index) {
    Cell& cell = fine_[static_cast<size_t>(index)];
    const int rq = (index >> 10) & 31, gq = (index >> 5) & 31, bq = index & 31;
    const int parent = ((rq >> 1) << 8) | ((gq >> 1) << 4) | (bq >> 1);
    if (!coarse_[static_cast<size_t>(parent)].built) buildCoarse(parent);
    const auto& from = coarse_[static_cast<size_t>(parent)].candidates;
    int minD[256], bound = INT_MAX;
    for (size_t k = 0; k < from.size(); ++k) {
        int maxD;
        cubeBounds(&channels_[3 * from[k]], rq << 3, gq << 3, bq << 3, 8, minD[k], maxD);
        bound = std::min(bound, maxD);
    }
    for (size_t k = 0; k < from.size(); ++k)
        if (minD[k] <= bound) cell.candidates.push_back(from[k]);
    cell.built = true;
}

int PaletteMatcher::nearest(QRgb colour) {
    const int r = qRed(colour), g = qGreen(colour), b = qBlue(colour);
    const int index = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    Cell& cell = fine_[static_cast<size_t>(index)];
    if (!cell.built) buildFine(index);
    const auto& cands = cell.candidates;
    if (cands.size() == 1) return cands[0];
    int best = cands[0], bestD = INT_MAX;
    for (uint8_t i : cands) {
        const int d = distance(&channels_[3 * i], r, g, b);
        if (d < bestD) {
            bestD = d;
            best = i;
        }
    }
    return best;
}

QImage mapToPalette(const QImage& image, const std::array<QRgb, 256>& palette, bool dither) {
    const QImage src = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    const int w = src.width(), h = src.height();
    QImage out(w, h, QImage::Format_Indexed8);
    if (out.isNull() && w > 0 && h > 0) throw Error(err::OutOfMemory);
    out.setColorTable(paddedTable(palette.data(), 256));
    PaletteMatcher matcher(palette);
    if (!dither) {
        for (int y = 0; y < h; ++y) {
            const auto* s = reinterpret_cast<const QRgb*>(src.constScanLine(y));
            uchar* d = out.scanLine(y);
            QRgb last = ~s[0];
            int lastIndex = 0;
            for (int x = 0; x < w; ++x) {
                const QRgb c = s[x] | 0xff000000;
                if (c != last) {
                    last = c;
                    lastIndex = matcher.nearest(c);
                }
                d[x] = static_cast<uchar>(lastIndex);
            }
        }
        return out;
    }
    // Floyd-Steinberg, left to right on every row, errors kept in 1/16 units.
    std::vector<int> cur(static_cast<size_t>(w + 2) * 3, 0), next(cur.size(), 0);
    for (int y = 0; y < h; ++y) {
        std::fill(next.begin(), next.end(), 0);
        const auto* s = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        uchar* d = out.scanLine(y);
        for (int x = 0; x < w; ++x) {
            int want[3] = {qRed(s[x]), qGreen(s[x]), qBlue(s[x])};
            for (int k = 0; k < 3; ++k)
                want[k] = std::clamp(want[k] + cur[static_cast<size_t>(x + 1) * 3 + k] / 16, 0, 255);
            const int i = matcher.nearest(qRgb(want[0], want[1], want[2]));
            d[x] = static_cast<uchar>(i);
            const int got[3] = {qRed(palette[i]), qGreen(palette[i]), qBlue(palette[i])};
            for (int k = 0; k < 3; ++k) {
                const int e = want[k] - got[k];
                cur[static_cast<size_t>(x + 2) * 3 + k] += e * 7;
                next[static_cast<size_t>(x) * 3 + k] += e * 3;
                next[static_cast<size_t>(x + 1) * 3 + k] += e * 5;
                next[static_cast<size_t>(x + 2) * 3 + k] += e;
            }
        }
        std::swap(cur, next);
    }
    return out;
}

QImage optimizedPalette(const QImage& image, int count, bool dither) {
    count = std::clamp(count, 2, 256);
    const QImage src = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    const int w = src.width(), h = src.height();
    QImage out(w, h, QImage::Format_Indexed8);
    if (out.isNull() && w > 0 && h > 0) throw Error(err::OutOfMemory);

    // Few colours already: keep them exactly, a quantiser would only blur them.
    QHash<QRgb, int> seen;
    std::vector<QRgb> colours;
    bool few = true;
    for (int y = 0; y < h && few; ++y) {
        const auto* s = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        uchar* d = out.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const QRgb c = s[x] | 0xff000000;
            auto it = seen.constFind(c);
            if (it == seen.constEnd()) {
                if (static_cast<int>(colours.size()) == count) {
                    few = false;
                    break;
                }
                it = seen.insert(c, static_cast<int>(colours.size()));
                colours.push_back(c);
            }
            d[x] = static_cast<uchar>(*it);
        }
    }
    if (few) {
        out.setColorTable(paddedTable(colours.data(), static_cast<int>(colours.size())));
        return out;
    }

    // libimagequant's OpenMP threads only spin against each other on a small machine.
    static std::once_flag single;
    std::call_once(single, [] { omp_set_num_threads(1); });

    const QImage rgba = src.convertToFormat(QImage::Format_RGBA8888);
    LiqPtr<liq_attr> attr(liq_attr_create());
    if (!attr) throw Error(err::OutOfMemory);
    liq_set_max_colors(attr.get(), count);
    std::vector<unsigned char*> rows(static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) rows[static_cast<size_t>(y)] = const_cast<uchar*>(rgba.constScanLine(y));
    LiqPtr<liq_image> liqImage(liq_image_create_rgba_rows(attr.get(), reinterpret_cast<void**>(rows.data()), w, h, 0));
    if (!liqImage) throw Error(err::OutOfMemory);
    liq_result* raw = nullptr;
    if (liq_image_quantize(liqImage.get(), attr.get(), &raw) != LIQ_OK || !raw) throw Error(err::OutOfMemory);
    LiqPtr<liq_result> result(raw);
    liq_set_dithering_level(result.get(), dither ? 1.0f : 0.0f);
    std::vector<unsigned char*> outRows(static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) outRows[static_cast<size_t>(y)] = out.scanLine(y);
    if (liq_write_remapped_image_rows(result.get(), liqImage.get(), outRows.data()) != LIQ_OK)
        throw Error(err::OutOfMemory);
    const liq_palette* pal = liq_get_palette(result.get());
    QRgb table[256];
    const int n = static_cast<int>(std::min<unsigned>(pal->count, 256));
    for (int i = 0; i < n; ++i) table[i] = qRgb(pal->entries[i].r, pal->entries[i].g, pal->entries[i].b);
    out.setColorTable(paddedTable(table, n));
    return out;
}

} // namespace qorn
