#include "quantize.h"

#include "codec_limits.h"
#include "common/error.h"

#include <libimagequant.h>

#include <emmintrin.h>

#include <QHash>
#include <QVector>

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <memory>
#include <mutex>

extern "C" void omp_set_num_threads(int);

namespace qorn {
namespace {

inline int sq(int v) { return v * v; }


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

// The 32-bit source of a reduction and its 8-bit result of the same size, padding cleared.
std::pair<QImage, QImage> reductionImages(const QImage& image) {
    QImage src = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    QImage out(src.width(), src.height(), QImage::Format_Indexed8);
    if ((out.isNull() || src.isNull()) && !image.isNull()) throw Error(err::OutOfMemory);
    clearRowPadding(out);
    return {src, out};
}

// Held while the shared matcher is in use: it fills in its cubes as it goes.
std::mutex matcherBusy;

} // namespace

PaletteMatcher::PaletteMatcher(const std::array<QRgb, 256>& palette)
    : palette_(palette), fineMin_(3 * 32 * 256), fineMax_(3 * 32 * 256), coarseMin_(3 * 16 * 256),
      coarseMax_(3 * 16 * 256), coarse_(16 * 16 * 16, 0), fine_(32 * 32 * 32, 0) {
    lists_.reserve(1 << 16);
    groups_.reserve(1 << 12);
    for (int i = 0; i < 256; ++i) {
        channels_[3 * i] = qRed(palette[i]);
        channels_[3 * i + 1] = qGreen(palette[i]);
        channels_[3 * i + 2] = qBlue(palette[i]);
    }
    auto fillBounds = [&](std::vector<int>& mins, std::vector<int>& maxs, int cubes, int size) {
        for (int k = 0; k < 3; ++k)
            for (int q = 0; q < cubes; ++q)
                for (int e = 0; e < 256; ++e) {
                    const int v = channels_[3 * e + k], lo = q * size, hi = lo + size - 1;
                    const size_t at = (size_t(k) * cubes + q) * 256 + e;
                    mins[at] = v < lo ? sq(lo - v) : v > hi ? sq(v - hi) : 0;
                    maxs[at] = sq(std::max(v - lo, hi - v));
                }
    };
    fillBounds(fineMin_, fineMax_, 32, 8);
    fillBounds(coarseMin_, coarseMax_, 16, 16);
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

uint32_t PaletteMatcher::storeList(const uint8_t* candidates, int count) {
    const auto offset = static_cast<uint32_t>(lists_.size());
    lists_.insert(lists_.end(), candidates, candidates + count);
    return (static_cast<uint32_t>(count) << kCountShift) | offset;
}

// Groups are filled up with the last candidate, which changes no minimum.
uint32_t PaletteMatcher::storeGroups(const uint8_t* candidates, int count) {
    const auto offset = static_cast<uint32_t>(groups_.size());
    const int groups = (count + 3) / 4;
    for (int g = 0; g < groups; ++g) {
        Group group;
        for (int k = 0; k < 4; ++k) {
            const int e = candidates[std::min(count - 1, 4 * g + k)];
            group.rg[2 * k] = static_cast<int16_t>(channels_[3 * e]);
            group.rg[2 * k + 1] = static_cast<int16_t>(channels_[3 * e + 1]);
            group.b0[2 * k] = static_cast<int16_t>(channels_[3 * e + 2]);
            group.b0[2 * k + 1] = 0;
            group.index[k] = e;
        }
        groups_.push_back(group);
    }
    return (static_cast<uint32_t>(groups) << kCountShift) | offset;
}

// A candidate list keeps every entry whose nearest possible distance is within the smallest
// farthest distance of any entry, in index order, so ties still resolve to the lowest index.
uint32_t PaletteMatcher::buildCoarse(int index) {
    const int q[3] = {(index >> 8) & 15, (index >> 4) & 15, index & 15};
    const int* mins[3];
    const int* maxs[3];
    for (int k = 0; k < 3; ++k) {
        mins[k] = &coarseMin_[(size_t(k) * 16 + q[k]) * 256];
        maxs[k] = &coarseMax_[(size_t(k) * 16 + q[k]) * 256];
    }
    int bound = INT_MAX;
    for (int e = 0; e < 256; ++e) bound = std::min(bound, maxs[0][e] + maxs[1][e] + maxs[2][e]);
    uint8_t list[256];
    int n = 0;
    for (int e = 0; e < 256; ++e)
        if (mins[0][e] + mins[1][e] + mins[2][e] <= bound) list[n++] = static_cast<uint8_t>(e);
    return coarse_[static_cast<size_t>(index)] = storeList(list, n);
}

uint32_t PaletteMatcher::buildFine(int index) {
    const int q[3] = {(index >> 10) & 31, (index >> 5) & 31, index & 31};
    const int parent = ((q[0] >> 1) << 8) | ((q[1] >> 1) << 4) | (q[2] >> 1);
    uint32_t up = coarse_[static_cast<size_t>(parent)];
    if (!up) up = buildCoarse(parent);
    // A finer cube can only lose candidates of the cube around it.
    uint8_t from[256];
    const int count = static_cast<int>(up >> kCountShift);
    std::copy_n(lists_.data() + (up & kOffsetMask), count, from);
    const int* mins[3];
    const int* maxs[3];
    for (int k = 0; k < 3; ++k) {
        mins[k] = &fineMin_[(size_t(k) * 32 + q[k]) * 256];
        maxs[k] = &fineMax_[(size_t(k) * 32 + q[k]) * 256];
    }
    int bound = INT_MAX;
    for (int i = 0; i < count; ++i) {
        const int e = from[i];
        bound = std::min(bound, maxs[0][e] + maxs[1][e] + maxs[2][e]);
    }
    uint8_t list[256];
    int n = 0;
    for (int i = 0; i < count; ++i) {
        const int e = from[i];
        if (mins[0][e] + mins[1][e] + mins[2][e] <= bound) list[n++] = static_cast<uint8_t>(e);
    }
    return fine_[static_cast<size_t>(index)] = storeGroups(list, n);
}

// Distance and entry number make one key, (d << 8) | entry: the smallest key is the nearest
// entry, the lower number on a tie. Four candidates per step, SSE2 only.
int PaletteMatcher::nearestAmong(uint32_t cell, QRgb colour) const {
    const __m128i rg = _mm_set1_epi32((qGreen(colour) << 16) | qRed(colour));
    const __m128i b0 = _mm_set1_epi32(qBlue(colour));
    const Group* group = groups_.data() + (cell & kOffsetMask);
    const Group* end = group + (cell >> kCountShift);
    __m128i best = _mm_set1_epi32(INT_MAX);
    auto keepSmaller = [](__m128i a, __m128i b) {
        const __m128i lt = _mm_cmplt_epi32(a, b);
        return _mm_or_si128(_mm_and_si128(lt, a), _mm_andnot_si128(lt, b));
    };
    for (; group != end; ++group) {
        const __m128i d1 = _mm_sub_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(group->rg)), rg);
        const __m128i d2 = _mm_sub_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(group->b0)), b0);
        const __m128i d = _mm_add_epi32(_mm_madd_epi16(d1, d1), _mm_madd_epi16(d2, d2));
        const __m128i key =
            _mm_or_si128(_mm_slli_epi32(d, 8), _mm_loadu_si128(reinterpret_cast<const __m128i*>(group->index)));
        best = keepSmaller(key, best);
    }
    best = keepSmaller(best, _mm_shuffle_epi32(best, _MM_SHUFFLE(1, 0, 3, 2)));
    best = keepSmaller(best, _mm_shuffle_epi32(best, _MM_SHUFFLE(2, 3, 0, 1)));
    return _mm_cvtsi128_si32(best) & 0xff;
}

std::shared_ptr<PaletteMatcher> sharedMatcher(const std::array<QRgb, 256>& palette) {
    static std::mutex mutex;
    static std::shared_ptr<PaletteMatcher> last;
    const std::lock_guard<std::mutex> lock(mutex);
    if (!last || last->palette() != palette) last = std::make_shared<PaletteMatcher>(palette);
    return last;
}

QImage mapToPalette(const QImage& image, const std::array<QRgb, 256>& palette, bool dither) {
    auto [src, out] = reductionImages(image);
    const int w = src.width(), h = src.height();
    out.setColorTable(paddedTable(palette.data(), 256));
    const std::lock_guard<std::mutex> lock(matcherBusy);
    PaletteMatcher& matcher = *sharedMatcher(palette);
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

namespace {

// ---- Oklab: distances there follow perceived differences closely enough for choosing and
// matching colours, at a fraction of the cost of CIEDE2000.

struct Lab {
    float L, a, b;
};

inline float dist2(const Lab& p, const Lab& q) {
    const float dL = p.L - q.L, da = p.a - q.a, db = p.b - q.b;
    return dL * dL + da * da + db * db;
}

const std::array<float, 256>& linearLight() {
    static const std::array<float, 256> table = [] {
        std::array<float, 256> t{};
        for (size_t i = 0; i < t.size(); ++i) {
            const double s = static_cast<double>(i) / 255.0;
            t[i] = static_cast<float>(s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4));
        }
        return t;
    }();
    return table;
}

// Cube roots of four non-negative numbers. std::cbrt would cost more than all the rest of a
// conversion: a guess from the exponent bits within a few percent, then two Halley steps give
// float precision.
inline __m128 cubeRoot4(__m128 x) {
    const __m128i third =
        _mm_cvtps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(_mm_castps_si128(x)), _mm_set1_ps(1.0f / 3)));
    __m128 y = _mm_castsi128_ps(_mm_add_epi32(third, _mm_set1_epi32(709921077)));
    for (int i = 0; i < 2; ++i) {
        const __m128 y3 = _mm_mul_ps(_mm_mul_ps(y, y), y);
        y = _mm_mul_ps(y, _mm_div_ps(_mm_add_ps(y3, _mm_add_ps(x, x)), _mm_add_ps(_mm_add_ps(y3, y3), x)));
    }
    return y;
}

inline Lab oklabFromLinear(float r, float g, float b) {
    const __m128 lms = _mm_add_ps(
        _mm_add_ps(_mm_mul_ps(_mm_set1_ps(r), _mm_setr_ps(0.4122214708f, 0.2119034982f, 0.0883024619f, 0)),
                   _mm_mul_ps(_mm_set1_ps(g), _mm_setr_ps(0.5363325363f, 0.6806995451f, 0.2817188376f, 0))),
        _mm_mul_ps(_mm_set1_ps(b), _mm_setr_ps(0.0514459929f, 0.1073969566f, 0.6299787005f, 0)));
    // Black has no root to guess from its bits; a tiny floor keeps the guess sane.
    const __m128 root = cubeRoot4(_mm_max_ps(lms, _mm_set1_ps(1e-30f)));
    const __m128 l = _mm_shuffle_ps(root, root, _MM_SHUFFLE(0, 0, 0, 0));
    const __m128 m = _mm_shuffle_ps(root, root, _MM_SHUFFLE(1, 1, 1, 1));
    const __m128 s = _mm_shuffle_ps(root, root, _MM_SHUFFLE(2, 2, 2, 2));
    const __m128 lab =
        _mm_add_ps(_mm_add_ps(_mm_mul_ps(l, _mm_setr_ps(0.2104542553f, 1.9779984951f, 0.0259040371f, 0)),
                              _mm_mul_ps(m, _mm_setr_ps(0.7936177850f, -2.4285922050f, 0.7827717662f, 0))),
                   _mm_mul_ps(s, _mm_setr_ps(-0.0040720468f, 0.4505937099f, -0.8086757660f, 0)));
    alignas(16) float out[4];
    _mm_store_ps(out, lab);
    return {out[0], out[1], out[2]};
}

inline Lab oklab(const float* linear, QRgb c) {
    return oklabFromLinear(linear[qRed(c)], linear[qGreen(c)], linear[qBlue(c)]);
}

// A row of pixels at once, four at a time: the same numbers as oklab(), several times faster.
void oklabRow(const float* linear, const QRgb* s, int width, std::vector<Lab>& out) {
    out.resize(static_cast<size_t>(width));
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        alignas(16) float r[4], g[4], b[4];
        for (int i = 0; i < 4; ++i) {
            r[i] = linear[qRed(s[x + i])];
            g[i] = linear[qGreen(s[x + i])];
            b[i] = linear[qBlue(s[x + i])];
        }
        const __m128 R = _mm_load_ps(r), G = _mm_load_ps(g), B = _mm_load_ps(b);
        auto mix = [&](float cr, float cg, float cb) {
            return _mm_add_ps(_mm_add_ps(_mm_mul_ps(R, _mm_set1_ps(cr)), _mm_mul_ps(G, _mm_set1_ps(cg))),
                              _mm_mul_ps(B, _mm_set1_ps(cb)));
        };
        const __m128 tiny = _mm_set1_ps(1e-30f);
        const __m128 l = cubeRoot4(_mm_max_ps(mix(0.4122214708f, 0.5363325363f, 0.0514459929f), tiny));
        const __m128 m = cubeRoot4(_mm_max_ps(mix(0.2119034982f, 0.6806995451f, 0.1073969566f), tiny));
        const __m128 q = cubeRoot4(_mm_max_ps(mix(0.0883024619f, 0.2817188376f, 0.6299787005f), tiny));
        auto back = [&](float cl, float cm, float cs) {
            return _mm_add_ps(_mm_add_ps(_mm_mul_ps(l, _mm_set1_ps(cl)), _mm_mul_ps(m, _mm_set1_ps(cm))),
                              _mm_mul_ps(q, _mm_set1_ps(cs)));
        };
        alignas(16) float L[4], A[4], Bb[4];
        _mm_store_ps(L, back(0.2104542553f, 0.7936177850f, -0.0040720468f));
        _mm_store_ps(A, back(1.9779984951f, -2.4285922050f, 0.4505937099f));
        _mm_store_ps(Bb, back(0.0259040371f, 0.7827717662f, -0.8086757660f));
        for (int i = 0; i < 4; ++i) out[static_cast<size_t>(x + i)] = {L[i], A[i], Bb[i]};
    }
    for (; x < width; ++x) out[static_cast<size_t>(x)] = oklab(linear, s[x]);
}

// The sRGB cube in Oklab lies inside this box, with a little to spare.
constexpr Lab kBoxLow{-0.001f, -0.24f, -0.32f};
constexpr Lab kBoxHigh{1.001f, 0.28f, 0.21f};

// ---- a picture with no more colours than asked for

// The distinct colours of a picture when there are at most `limit` of them.
class FewColours {
public:
    explicit FewColours(int limit) : limit_(limit) { keys_.fill(0); }

    bool collect(const QImage& src) {
        for (int y = 0; y < src.height(); ++y) {
            const auto* s = reinterpret_cast<const QRgb*>(src.constScanLine(y));
            QRgb last = 0;
            for (int x = 0; x < src.width(); ++x) {
                const QRgb c = s[x] | 0xff000000;
                if (c == last) continue;
                last = c;
                const size_t at = find(c);
                if (keys_[at]) continue;
                if (static_cast<int>(colours_.size()) == limit_) return false;
                keys_[at] = c;
                slots_[at] = static_cast<uint16_t>(colours_.size());
                colours_.push_back(c);
            }
        }
        return true;
    }
    const std::vector<QRgb>& colours() const { return colours_; }
    int slotOf(QRgb c) const { return slots_[find(c | 0xff000000)]; }

private:
    // Four times as many places as colours at most, so probes stay short; 0 marks an empty
    // place, which no opaque colour is.
    static constexpr int kBits = 10;
    size_t find(QRgb c) const {
        size_t at = (c * 0x9E3779B1u) >> (32 - kBits);
        while (keys_[at] && keys_[at] != c) at = (at + 1) & ((1u << kBits) - 1);
        return at;
    }
    int limit_;
    std::array<QRgb, 1 << kBits> keys_;
    std::array<uint16_t, 1 << kBits> slots_{};
    std::vector<QRgb> colours_;
};

// ---- choosing the entries

// The picture's colours gathered into 32 x 32 x 32 boxes of sRGB, each box as the mean of its
// pixels, weighted by their number. Arrays are padded with weightless boxes to whole SSE steps.
// Choosing costs boxes times candidates, and noise fills boxes that a few colours do not need:
// past kBoxesPerColour boxes per colour asked, eight neighbours merge into one box of a
// 16 x 16 x 16 grid. On noisy photographs at 8 and 16 colours the merged boxes choose within
// 2 % of the mean CIEDE2000 in a third of the time; for many colours the finer boxes are
// worth their cost.
struct Histogram {
    std::vector<float> w, L, a, b;
    int size = 0;
    int padded = 0;
};

constexpr size_t kBoxesPerColour = 256;

Histogram histogramOf(const QImage& src, int k) {
    constexpr int kBoxes = 1 << 15;
    std::vector<uint32_t> count(kBoxes, 0);
    std::vector<uint64_t> sum(size_t(kBoxes) * 3, 0);
    for (int y = 0; y < src.height(); ++y) {
        const auto* s = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        for (int x = 0; x < src.width(); ++x) {
            const QRgb c = s[x];
            const size_t box = ((c >> 9) & 0x7c00) | ((c >> 6) & 0x3e0) | ((c >> 3) & 0x1f);
            ++count[box];
            sum[box * 3] += qRed(c);
            sum[box * 3 + 1] += qGreen(c);
            sum[box * 3 + 2] += qBlue(c);
        }
    }
    Histogram h;
    for (size_t box = 0; box < size_t(kBoxes); ++box) h.size += count[box] != 0;
    if (h.size > static_cast<int>(kBoxesPerColour) * k) {
        h.size = 0;
        for (size_t box = 0; box < size_t(kBoxes); ++box) {
            const size_t into = box & 0x7bde; // the lowest bit of each channel cleared
            if (into == box || !count[box]) continue;
            count[into] += count[box];
            for (size_t k3 = 0; k3 < 3; ++k3) sum[into * 3 + k3] += sum[box * 3 + k3];
            count[box] = 0;
        }
        for (size_t box = 0; box < size_t(kBoxes); ++box) h.size += count[box] != 0;
    }
    h.padded = (h.size + 3) & ~3;
    h.w.assign(static_cast<size_t>(h.padded), 0.0f);
    h.L.assign(h.w.size(), 0.0f);
    h.a.assign(h.w.size(), 0.0f);
    h.b.assign(h.w.size(), 0.0f);
    const float* linear = linearLight().data();
    size_t n = 0;
    for (size_t box = 0; box < size_t(kBoxes); ++box) {
        if (!count[box]) continue;
        const double inv = 1.0 / count[box];
        // The mean in sRGB is close enough inside a box eight levels wide; interpolate the table.
        float lin[3];
        for (int k = 0; k < 3; ++k) {
            const double v = static_cast<double>(sum[box * 3 + k]) * inv;
            const int i = std::min(254, static_cast<int>(v));
            const float f = static_cast<float>(v - i);
            lin[k] = linear[i] + f * (linear[i + 1] - linear[i]);
        }
        const Lab lab = oklabFromLinear(lin[0], lin[1], lin[2]);
        h.w[n] = static_cast<float>(count[box]);
        h.L[n] = lab.L;
        h.a[n] = lab.a;
        h.b[n] = lab.b;
        ++n;
    }
    return h;
}

// Squared distances from four points to one colour.
inline __m128 dist2x4(const float* L, const float* a, const float* b, const Lab& c) {
    const __m128 dL = _mm_sub_ps(_mm_loadu_ps(L), _mm_set1_ps(c.L));
    const __m128 da = _mm_sub_ps(_mm_loadu_ps(a), _mm_set1_ps(c.a));
    const __m128 db = _mm_sub_ps(_mm_loadu_ps(b), _mm_set1_ps(c.b));
    return _mm_add_ps(_mm_add_ps(_mm_mul_ps(dL, dL), _mm_mul_ps(da, da)), _mm_mul_ps(db, db));
}

float sum4(__m128 v) {
    alignas(16) float f[4];
    _mm_store_ps(f, v);
    return (f[0] + f[1]) + (f[2] + f[3]);
}

// k of the candidates, by position, for the least total cost over the histogram: each box
// costs its weight times its Oklab distance (not squared) to the nearest chosen entry, so that
// the sum follows the mean difference a viewer sees rather than the few worst boxes. Greedy
// (lazily: a candidate's gain only shrinks as others are taken, so a stale gain is an upper
// bound), then swaps of a chosen entry for another while one lowers the cost clearly.
class EntryChooser {
public:
    EntryChooser(const Histogram& h, const std::vector<Lab>& candidates) : h_(h), cand_(candidates) {}

    std::vector<int> choose(int k) {
        firstLook();
        // Then nothing can do better than the entries nearest to some box.
        if (static_cast<int>(nearestOfAny_.size()) <= k) return nearestOfAny_;
        std::vector<int> chosen = greedy(k);
        refine(chosen);
        std::sort(chosen.begin(), chosen.end());
        return chosen;
    }

private:
    // Any cost is below this; the first pick is then the single best entry.
    static constexpr float kFar = 4.0f;
    // Passes over all candidates looking for swaps. Later passes still lower the cost a little,
    // but the mean CIEDE2000 of the results no longer moves after the first.
    static constexpr int kSwapPasses = 2;

    // In one sweep over the boxes: every candidate's gain as the first pick, and the
    // candidates nearest to some box.
    void firstLook() {
        std::vector<float> sums(cand_.size() * 4, 0.0f);
        std::vector<char> used(cand_.size(), 0);
        for (size_t o = 0; o < static_cast<size_t>(h_.padded); o += 4) {
            const __m128 w = _mm_loadu_ps(h_.w.data() + o);
            __m128 best = _mm_set1_ps(INFINITY);
            __m128i which = _mm_setzero_si128();
            for (size_t c = 0; c < cand_.size(); ++c) {
                const __m128 d2 = dist2x4(h_.L.data() + o, h_.a.data() + o, h_.b.data() + o, cand_[c]);
                float* sum = sums.data() + 4 * c;
                _mm_storeu_ps(sum, _mm_add_ps(_mm_loadu_ps(sum),
                                              _mm_mul_ps(_mm_sub_ps(_mm_set1_ps(kFar), _mm_sqrt_ps(d2)), w)));
                const __m128i closer = _mm_castps_si128(_mm_cmplt_ps(d2, best));
                best = _mm_min_ps(d2, best);
                which = _mm_or_si128(_mm_and_si128(closer, _mm_set1_epi32(static_cast<int>(c))),
                                     _mm_andnot_si128(closer, which));
            }
            alignas(16) int32_t nearest[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(nearest), which);
            for (size_t i = 0; i < 4 && o + i < static_cast<size_t>(h_.size); ++i)
                used[static_cast<size_t>(nearest[i])] = 1;
        }
        firstGains_.clear();
        for (size_t c = 0; c < cand_.size(); ++c) firstGains_.push_back(sum4(_mm_loadu_ps(sums.data() + 4 * c)));
        nearestOfAny_.clear();
        for (size_t c = 0; c < used.size(); ++c)
            if (used[c]) nearestOfAny_.push_back(static_cast<int>(c));
    }

    std::vector<int> greedy(int k) {
        std::vector<float> current(static_cast<size_t>(h_.padded), kFar);
        auto gain = [&](int c) {
            __m128 total = _mm_setzero_ps();
            const Lab& lab = cand_[static_cast<size_t>(c)];
            for (size_t o = 0; o < current.size(); o += 4) {
                const __m128 d = _mm_sqrt_ps(dist2x4(h_.L.data() + o, h_.a.data() + o, h_.b.data() + o, lab));
                const __m128 better =
                    _mm_max_ps(_mm_sub_ps(_mm_loadu_ps(current.data() + o), d), _mm_setzero_ps());
                total = _mm_add_ps(total, _mm_mul_ps(better, _mm_loadu_ps(h_.w.data() + o)));
            }
            return sum4(total);
        };
        struct Item {
            float gain;
            int candidate;
            int round;
        };
        // Largest gain first, the lower position on a tie.
        auto below = [](const Item& x, const Item& y) {
            return x.gain < y.gain || (x.gain == y.gain && x.candidate > y.candidate);
        };
        std::vector<Item> heap;
        for (int c = 0; c < static_cast<int>(cand_.size()); ++c)
            heap.push_back({firstGains_[static_cast<size_t>(c)], c, 0});
        std::make_heap(heap.begin(), heap.end(), below);
        std::vector<int> chosen;
        int round = 0;
        while (static_cast<int>(chosen.size()) < k && !heap.empty()) {
            std::pop_heap(heap.begin(), heap.end(), below);
            Item top = heap.back();
            heap.pop_back();
            if (top.round == round) {
                chosen.push_back(top.candidate);
                const Lab& lab = cand_[static_cast<size_t>(top.candidate)];
                for (size_t o = 0; o < current.size(); o += 4) {
                    const __m128 d = _mm_sqrt_ps(dist2x4(h_.L.data() + o, h_.a.data() + o, h_.b.data() + o, lab));
                    _mm_storeu_ps(current.data() + o, _mm_min_ps(_mm_loadu_ps(current.data() + o), d));
                }
                ++round;
            } else {
                top.gain = gain(top.candidate);
                top.round = round;
                heap.push_back(top);
                std::push_heap(heap.begin(), heap.end(), below);
            }
        }
        return chosen;
    }

    // ---- swaps. The boxes are kept grouped by their nearest chosen entry, each group padded
    // with weightless boxes to whole SSE steps, so a candidate is judged in one pass without
    // scattered sums, and groups it cannot touch are skipped.
    struct Boxes {
        std::vector<float> L, a, b, w, first, second;
        std::vector<int> nearest, runnerUp;
        void resize(size_t n) {
            for (auto* v : {&L, &a, &b, &w, &first, &second}) v->assign(n, 0.0f);
            nearest.assign(n, 0);
            runnerUp.assign(n, 0);
        }
    };

    void measureBox(Boxes& x, size_t o, const std::vector<int>& chosen) const {
        const Lab p{x.L[o], x.a[o], x.b[o]};
        x.first[o] = x.second[o] = INFINITY;
        for (size_t m = 0; m < chosen.size(); ++m) {
            const float d = std::sqrt(dist2(p, cand_[static_cast<size_t>(chosen[m])]));
            if (d < x.first[o]) {
                x.second[o] = x.first[o];
                x.runnerUp[o] = x.nearest[o];
                x.first[o] = d;
                x.nearest[o] = static_cast<int>(m);
            } else if (d < x.second[o]) {
                x.second[o] = d;
                x.runnerUp[o] = static_cast<int>(m);
            }
        }
    }

    // Lays the weighted boxes of `from` out by group into boxes_.
    void group(const Boxes& from, size_t count, int k) {
        std::vector<size_t> sizes(static_cast<size_t>(k), 0);
        for (size_t o = 0; o < count; ++o)
            if (from.w[o] > 0) ++sizes[static_cast<size_t>(from.nearest[o])];
        start_.assign(static_cast<size_t>(k) + 1, 0);
        for (size_t m = 0; m < sizes.size(); ++m) start_[m + 1] = start_[m] + ((sizes[m] + 3) & ~size_t(3));
        boxes_.resize(start_.back());
        std::vector<size_t> at(start_.begin(), start_.end() - 1);
        for (size_t o = 0; o < count; ++o) {
            if (!(from.w[o] > 0)) continue;
            const auto m = static_cast<size_t>(from.nearest[o]);
            const size_t to = at[m]++;
            boxes_.L[to] = from.L[o];
            boxes_.a[to] = from.a[o];
            boxes_.b[to] = from.b[o];
            boxes_.w[to] = from.w[o];
            boxes_.first[to] = from.first[o];
            boxes_.second[to] = from.second[o];
            boxes_.nearest[to] = from.nearest[o];
            boxes_.runnerUp[to] = from.runnerUp[o];
        }
        // What losing each entry costs, how far its group reaches, and the total.
        removal_.assign(static_cast<size_t>(k), 0.0);
        reach_.assign(static_cast<size_t>(k), 0.0f);
        total_ = 0;
        for (size_t m = 0; m < static_cast<size_t>(k); ++m) {
            __m128 loss = _mm_setzero_ps(), cost = _mm_setzero_ps(), reach = _mm_setzero_ps();
            for (size_t o = start_[m]; o < start_[m + 1]; o += 4) {
                const __m128 w = _mm_loadu_ps(boxes_.w.data() + o), dn = _mm_loadu_ps(boxes_.first.data() + o),
                             ds = _mm_loadu_ps(boxes_.second.data() + o);
                loss = _mm_add_ps(loss, _mm_mul_ps(w, _mm_sub_ps(ds, dn)));
                cost = _mm_add_ps(cost, _mm_mul_ps(w, dn));
                reach = _mm_max_ps(reach, _mm_add_ps(dn, ds));
            }
            removal_[m] = sum4(loss);
            total_ += sum4(cost);
            alignas(16) float r[4];
            _mm_store_ps(r, reach);
            reach_[m] = std::max(std::max(r[0], r[1]), std::max(r[2], r[3]));
        }
    }

    // Swapping candidate c in for chosen entry m changes the cost by shared + removal[m] +
    // own[m]: every box that c serves better moves to c, and the boxes of m that c does not
    // take go to their second nearest.
    void refine(std::vector<int>& chosen) {
        const int k = static_cast<int>(chosen.size());
        const int candidates = static_cast<int>(cand_.size());
        if (k < 2 || k >= candidates) return;
        std::vector<char> taken(cand_.size(), 0);
        for (int c : chosen) taken[static_cast<size_t>(c)] = 1;
        {
            Boxes all;
            all.resize(static_cast<size_t>(h_.size));
            for (size_t o = 0; o < static_cast<size_t>(h_.size); ++o) {
                all.L[o] = h_.L[o];
                all.a[o] = h_.a[o];
                all.b[o] = h_.b[o];
                all.w[o] = h_.w[o];
                measureBox(all, o, chosen);
            }
            group(all, static_cast<size_t>(h_.size), k);
        }
        std::vector<double> delta(static_cast<size_t>(k));
        const int maxLooks = kSwapPasses * candidates;
        int sinceSwap = 0;
        for (int look = 0, c = 0; look < maxLooks && sinceSwap < candidates; ++look, c = (c + 1) % candidates) {
            ++sinceSwap;
            if (taken[static_cast<size_t>(c)]) continue;
            const Lab& lab = cand_[static_cast<size_t>(c)];
            __m128 shared = _mm_setzero_ps();
            for (size_t m = 0; m < static_cast<size_t>(k); ++m) {
                delta[m] = removal_[m];
                // Triangle inequality: no box of the group is nearer to c than to its second.
                if (std::sqrt(dist2(lab, cand_[static_cast<size_t>(chosen[m])])) >= reach_[m]) continue;
                __m128 own = _mm_setzero_ps();
                for (size_t o = start_[m]; o < start_[m + 1]; o += 4) {
                    const __m128 dc = _mm_sqrt_ps(
                        dist2x4(boxes_.L.data() + o, boxes_.a.data() + o, boxes_.b.data() + o, lab));
                    const __m128 w = _mm_loadu_ps(boxes_.w.data() + o), dn = _mm_loadu_ps(boxes_.first.data() + o),
                                 ds = _mm_loadu_ps(boxes_.second.data() + o);
                    const __m128 moved = _mm_sub_ps(_mm_min_ps(dc, dn), dn);
                    shared = _mm_add_ps(shared, _mm_mul_ps(w, moved));
                    own = _mm_add_ps(own, _mm_mul_ps(w, _mm_sub_ps(_mm_sub_ps(_mm_min_ps(dc, ds), ds), moved)));
                }
                delta[m] += sum4(own);
            }
            const auto m = static_cast<size_t>(std::min_element(delta.begin(), delta.end()) - delta.begin());
            // Float sums: only a clear gain counts, or rounding could swap back and forth.
            if (sum4(shared) + delta[m] >= -1e-4 * total_) continue;
            taken[static_cast<size_t>(chosen[m])] = 0;
            taken[static_cast<size_t>(c)] = 1;
            chosen[m] = c;
            swapIn(chosen, static_cast<int>(m));
            sinceSwap = 0;
        }
    }

    // After chosen[m] changed: the boxes that had the old entry nearest or second nearest
    // need a full look, the others only a comparison with the new one.
    void swapIn(const std::vector<int>& chosen, int m) {
        Boxes& x = boxes_;
        const Lab& lab = cand_[static_cast<size_t>(chosen[static_cast<size_t>(m)])];
        for (size_t o = 0; o < x.w.size(); ++o) {
            if (!(x.w[o] > 0)) continue;
            if (x.nearest[o] == m || x.runnerUp[o] == m) {
                measureBox(x, o, chosen);
                continue;
            }
            const float d = std::sqrt(dist2(Lab{x.L[o], x.a[o], x.b[o]}, lab));
            if (d < x.first[o]) {
                x.second[o] = x.first[o];
                x.runnerUp[o] = x.nearest[o];
                x.first[o] = d;
                x.nearest[o] = m;
            } else if (d < x.second[o]) {
                x.second[o] = d;
                x.runnerUp[o] = m;
            }
        }
        const Boxes from = x;
        group(from, from.w.size(), static_cast<int>(chosen.size()));
    }

    const Histogram& h_;
    const std::vector<Lab>& cand_;
    std::vector<float> firstGains_;
    std::vector<int> nearestOfAny_;
    Boxes boxes_;
    std::vector<size_t> start_;
    std::vector<double> removal_;
    std::vector<float> reach_;
    double total_ = 0;
};

// ---- drawing the pixels from the chosen entries

// The nearest of the chosen colours in Oklab, the lower position on ties. Beyond a few
// colours, the box is cut into cells that lazily keep the colours that can be nearest to a
// point inside them.
class LabNearest {
public:
    explicit LabNearest(const std::vector<Lab>& colours) : colours_(colours) {
        if (colours_.size() > kScanAtMost) {
            start_.assign(size_t(kCells) * kCells * kCells, UINT32_MAX);
            count_.assign(start_.size(), 0);
            return;
        }
        // Padded to whole SSE steps with colours far out of reach.
        const size_t padded = (colours_.size() + 3) & ~size_t(3);
        L_.assign(padded, 1e6f);
        a_.assign(padded, 0.0f);
        b_.assign(padded, 0.0f);
        for (size_t c = 0; c < colours_.size(); ++c) {
            L_[c] = colours_[c].L;
            a_[c] = colours_[c].a;
            b_[c] = colours_[c].b;
        }
    }

    int nearest(const Lab& p, float& best) {
        if (start_.empty()) return scan(p, best);
        const size_t cell =
            (cellOf(p.L, kBoxLow.L, kBoxHigh.L) * kCells + cellOf(p.a, kBoxLow.a, kBoxHigh.a)) * kCells +
            cellOf(p.b, kBoxLow.b, kBoxHigh.b);
        if (start_[cell] == UINT32_MAX) build(cell);
        return among(p, lists_.data() + start_[cell], count_[cell], best);
    }

private:
    static constexpr size_t kScanAtMost = 24;
    static constexpr int kCells = 32;

    static size_t cellOf(float v, float low, float high) {
        const int i = static_cast<int>((v - low) * (kCells / (high - low)));
        return static_cast<size_t>(std::clamp(i, 0, kCells - 1));
    }

    // Each lane keeps its first smallest distance; across lanes the lowest position wins a tie.
    int scan(const Lab& p, float& best) const {
        __m128 bestD = _mm_set1_ps(INFINITY);
        __m128i bestI = _mm_setzero_si128(), position = _mm_setr_epi32(0, 1, 2, 3);
        for (size_t g = 0; g < L_.size(); g += 4) {
            const __m128 d = dist2x4(L_.data() + g, a_.data() + g, b_.data() + g, p);
            const __m128i closer = _mm_castps_si128(_mm_cmplt_ps(d, bestD));
            bestD = _mm_min_ps(d, bestD);
            bestI = _mm_or_si128(_mm_and_si128(closer, position), _mm_andnot_si128(closer, bestI));
            position = _mm_add_epi32(position, _mm_set1_epi32(4));
        }
        alignas(16) float d[4];
        alignas(16) int32_t i[4];
        _mm_store_ps(d, bestD);
        _mm_store_si128(reinterpret_cast<__m128i*>(i), bestI);
        int lane = 0;
        for (int k = 1; k < 4; ++k)
            if (d[k] < d[lane] || (d[k] == d[lane] && i[k] < i[lane])) lane = k;
        best = d[lane];
        return i[lane];
    }

    int among(const Lab& p, const uint8_t* list, int n, float& best) const {
        int which = 0;
        float smallest = INFINITY;
        for (int i = 0; i < n; ++i) {
            const int c = list[i];
            const float d = dist2(p, colours_[static_cast<size_t>(c)]);
            which = d < smallest ? c : which;
            smallest = std::min(d, smallest);
        }
        best = smallest;
        return which;
    }

    // Keeps every colour whose nearest possible distance to the cell is within the smallest
    // farthest distance of any colour, in order.
    void build(size_t cell) {
        const int q[3] = {static_cast<int>(cell / (kCells * kCells)), static_cast<int>(cell / kCells % kCells),
                          static_cast<int>(cell % kCells)};
        const float low[3] = {kBoxLow.L, kBoxLow.a, kBoxLow.b}, high[3] = {kBoxHigh.L, kBoxHigh.a, kBoxHigh.b};
        float lo[3], hi[3];
        for (int k = 0; k < 3; ++k) {
            const float size = (high[k] - low[k]) / kCells;
            // Outer cells reach a little beyond the box, for points that rounding puts outside.
            lo[k] = low[k] + size * static_cast<float>(q[k]) - (q[k] == 0 ? 0.01f : 0.0f);
            hi[k] = low[k] + size * static_cast<float>(q[k] + 1) + (q[k] == kCells - 1 ? 0.01f : 0.0f);
        }
        std::vector<float>& nearestD = scratch_;
        nearestD.resize(colours_.size());
        float bound = INFINITY;
        for (size_t c = 0; c < colours_.size(); ++c) {
            const float v[3] = {colours_[c].L, colours_[c].a, colours_[c].b};
            float dmin = 0, dmax = 0;
            for (int k = 0; k < 3; ++k) {
                const float gap = v[k] < lo[k] ? lo[k] - v[k] : v[k] > hi[k] ? v[k] - hi[k] : 0.0f;
                const float far = std::max(v[k] - lo[k], hi[k] - v[k]);
                dmin += gap * gap;
                dmax += far * far;
            }
            nearestD[c] = dmin;
            bound = std::min(bound, dmax);
        }
        bound = bound * 1.0001f + 1e-6f;
        start_[cell] = static_cast<uint32_t>(lists_.size());
        for (size_t c = 0; c < colours_.size(); ++c)
            if (nearestD[c] <= bound) lists_.push_back(static_cast<uint8_t>(c));
        count_[cell] = static_cast<uint16_t>(lists_.size() - start_[cell]);
    }

    const std::vector<Lab>& colours_;
    std::vector<float> L_, a_, b_;
    std::vector<uint32_t> start_;
    std::vector<uint16_t> count_;
    std::vector<uint8_t> lists_;
    std::vector<float> scratch_;
};

// How much farther (Oklab distance) the colour of the stitch before may be than the nearest
// colour and still be kept: about two just-noticeable differences. On photographs at 8 and 16
// colours this halves the colour changes along a row for under 1 % more mean CIEDE2000; a
// larger slack costs error quickly.
constexpr float kRunSlack = 0.04f;

void drawPlain(const QImage& src, QImage& out, const std::vector<Lab>& labs, const std::vector<uchar>& index) {
    const float* linear = linearLight().data();
    LabNearest nearest(labs);
    std::vector<Lab> row;
    const size_t w = static_cast<size_t>(src.width());
    // The choices of the row above: a stitch may also keep the colour of the stitch below it in
    // the knitting, so a flat area takes one colour instead of a stripe per row.
    std::vector<int> above(w, -1), current(w, -1);
    for (int y = 0; y < src.height(); ++y) {
        const auto* s = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        oklabRow(linear, s, src.width(), row);
        uchar* d = out.scanLine(y);
        int previous = -1;
        for (size_t x = 0; x < w; ++x) {
            if (x > 0 && s[x] == s[x - 1]) { // the same colour makes the same choice
                d[x] = d[x - 1];
                current[x] = current[x - 1];
                continue;
            }
            const Lab& p = row[x];
            float best;
            int c = nearest.nearest(p, best);
            // The stitch before in the row first, so rows keep their runs; then the one below.
            const float limit = std::sqrt(best) + kRunSlack;
            for (const int candidate : {previous, above[x]}) {
                if (candidate < 0 || candidate == c) continue;
                if (candidate == previous || previous != c) {
                    if (std::sqrt(dist2(p, labs[static_cast<size_t>(candidate)])) <= limit) {
                        c = candidate;
                        break;
                    }
                }
            }
            d[x] = index[static_cast<size_t>(c)];
            current[x] = previous = c;
        }
        std::swap(above, current);
    }
}

// Floyd-Steinberg, every other row right to left so no direction streaks. The error is
// spread in Oklab.
void drawDithered(const QImage& src, QImage& out, const std::vector<Lab>& labs, const std::vector<uchar>& index) {
    const float* linear = linearLight().data();
    LabNearest nearest(labs);
    const int w = src.width();
    std::vector<Lab> cur(static_cast<size_t>(w) + 2, Lab{0, 0, 0}), next(cur.size(), Lab{0, 0, 0}), row;
    // A colour the chosen entries cannot reach would pile up error without end; a tenth of
    // the black-to-white distance is as much as any stitch carries on.
    constexpr float limit = 0.1f;
    for (int y = 0; y < src.height(); ++y) {
        std::fill(next.begin(), next.end(), Lab{0, 0, 0});
        oklabRow(linear, reinterpret_cast<const QRgb*>(src.constScanLine(y)), w, row);
        uchar* d = out.scanLine(y);
        const bool forward = (y & 1) == 0;
        const int step = forward ? 1 : -1;
        for (int i = 0; i < w; ++i) {
            const int x = forward ? i : w - 1 - i;
            const size_t at = static_cast<size_t>(x + 1);
            const Lab& p = row[static_cast<size_t>(x)];
            const Lab& e = cur[at];
            const Lab want{std::clamp(p.L + std::clamp(e.L, -limit, limit), kBoxLow.L, kBoxHigh.L),
                           std::clamp(p.a + std::clamp(e.a, -limit, limit), kBoxLow.a, kBoxHigh.a),
                           std::clamp(p.b + std::clamp(e.b, -limit, limit), kBoxLow.b, kBoxHigh.b)};
            float best;
            const int c = nearest.nearest(want, best);
            d[x] = index[static_cast<size_t>(c)];
            const Lab& got = labs[static_cast<size_t>(c)];
            const Lab err{want.L - got.L, want.a - got.a, want.b - got.b};
            auto spread = [&](Lab& to, float f) {
                to.L += err.L * f;
                to.a += err.a * f;
                to.b += err.b * f;
            };
            spread(cur[at + step], 7.0f / 16);
            spread(next[at - step], 3.0f / 16);
            spread(next[at], 5.0f / 16);
            spread(next[at + step], 1.0f / 16);
        }
        std::swap(cur, next);
    }
}

} // namespace

QImage quantizeToPalette(const QImage& image, const std::array<QRgb, 256>& palette, int k, bool dither) {
    k = std::clamp(k, 2, 256);
    auto [src, out] = reductionImages(image);
    const int w = src.width(), h = src.height();
    out.setColorTable(paddedTable(palette.data(), 256));
    if (out.isNull()) return out;

    // Few colours: a chart, a logo, a picture already reduced. Dithering or choosing among
    // them would only blur what is there.
    auto few = std::make_unique<FewColours>(k);
    if (few->collect(src)) {
        std::vector<uchar> entry;
        {
            const std::lock_guard<std::mutex> lock(matcherBusy);
            PaletteMatcher& matcher = *sharedMatcher(palette);
            for (QRgb c : few->colours()) entry.push_back(static_cast<uchar>(matcher.nearest(c)));
        }
        for (int y = 0; y < h; ++y) {
            const auto* s = reinterpret_cast<const QRgb*>(src.constScanLine(y));
            uchar* d = out.scanLine(y);
            for (int x = 0; x < w; ++x)
                d[x] = x > 0 && s[x] == s[x - 1] ? d[x - 1] : entry[static_cast<size_t>(few->slotOf(s[x]))];
        }
        return out;
    }
    few.reset();

    // Twins in the palette: only the lowest index is a candidate.
    std::vector<uchar> entries;
    std::vector<Lab> labs;
    const float* linear = linearLight().data();
    for (int i = 0; i < 256; ++i) {
        const QRgb c = palette[static_cast<size_t>(i)] | 0xff000000;
        if (std::none_of(entries.begin(), entries.end(),
                         [&](uchar e) { return (palette[e] | 0xff000000) == c; })) {
            entries.push_back(static_cast<uchar>(i));
            labs.push_back(oklab(linear, c));
        }
    }
    std::vector<int> chosen;
    if (k >= static_cast<int>(entries.size())) {
        for (int c = 0; c < static_cast<int>(entries.size()); ++c) chosen.push_back(c);
    } else {
        const Histogram hist = histogramOf(src, k);
        chosen = EntryChooser(hist, labs).choose(k);
    }
    std::vector<uchar> index;
    std::vector<Lab> chosenLabs;
    for (int c : chosen) {
        index.push_back(entries[static_cast<size_t>(c)]);
        chosenLabs.push_back(labs[static_cast<size_t>(c)]);
    }
    if (dither) drawDithered(src, out, chosenLabs, index);
    else drawPlain(src, out, chosenLabs, index);
    return out;
}

std::array<uint32_t, 256> countPaletteStitches(const QImage& image, const QRect& area,
                                               const std::array<QRgb, 256>& palette) {
    std::array<uint32_t, 256> counts{};
    const QRect r = area.intersected(image.rect());
    if (r.isEmpty()) return counts;
    const std::lock_guard<std::mutex> lock(matcherBusy);
    PaletteMatcher& matcher = *sharedMatcher(palette);
    if (image.format() == QImage::Format_Indexed8) {
        std::array<uint32_t, 256> perIndex{};
        for (int y = r.top(); y <= r.bottom(); ++y) {
            const uchar* s = image.constScanLine(y);
            for (int x = r.left(); x <= r.right(); ++x) ++perIndex[s[x]];
        }
        for (int i = 0; i < 256; ++i)
            if (perIndex[static_cast<size_t>(i)]) {
                const QRgb c = i < image.colorCount() ? image.color(i) : 0;
                counts[static_cast<size_t>(matcher.nearest(c | 0xff000000))] += perIndex[static_cast<size_t>(i)];
            }
        return counts;
    }
    const bool direct = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
    const QImage src = direct ? image : image.copy(r).convertToFormat(QImage::Format_RGB32);
    const QPoint origin = direct ? r.topLeft() : QPoint(0, 0);
    for (int y = 0; y < r.height(); ++y) {
        const auto* s = reinterpret_cast<const QRgb*>(src.constScanLine(origin.y() + y)) + origin.x();
        QRgb last = ~(s[0] | 0xff000000);
        size_t entry = 0;
        for (int x = 0; x < r.width(); ++x) {
            const QRgb c = s[x] | 0xff000000;
            if (c != last) {
                last = c;
                entry = static_cast<size_t>(matcher.nearest(c));
            }
            ++counts[entry];
        }
    }
    return counts;
}

QImage optimizedPalette(const QImage& image, int count, bool dither) {
    count = std::clamp(count, 2, 256);
    auto [src, out] = reductionImages(image);
    const int w = src.width(), h = src.height();

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
    // Speed 8 of 10: within 5% of the slowest setting's error at a quarter of its time.
    liq_set_speed(attr.get(), 8);
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
