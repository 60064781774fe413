#include "edit_ops.h"

#include "common/error.h"
#include "common/vbround.h"
#include "imaging/codec_limits.h"
#include "imaging/quantize.h"
#include "import/import_source.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace qorn {
namespace {

QRgb* row(QImage& image, int y) { return reinterpret_cast<QRgb*>(image.scanLine(y)); }
const QRgb* row(const QImage& image, int y) { return reinterpret_cast<const QRgb*>(image.constScanLine(y)); }

QRect clipped(const QRect& area, const QImage& image) { return area.normalized().intersected(image.rect()); }

QImage newBitmap(int width, int height) {
    if (!dimensionsAllowed(width, height)) throw Error(err::OutOfMemory);
    QImage out(width, height, QImage::Format_RGB32);
    if (out.isNull()) throw Error(err::OutOfMemory);
    return out;
}

// The source row that gdi::stretchBlt draws into each of `to` rows from `from` rows.
std::vector<int> stretchedRows(int from, int to) {
    std::vector<int> out(static_cast<size_t>(std::max(0, to)));
    for (int y = 0; y < to; ++y) out[static_cast<size_t>(y)] = static_cast<int>((2ll * y + 1) * from / (2ll * to));
    return out;
}

// rows x (the gauge ratio as the document stores it, a float), rounded; saturated so that an
// absurd gauge reads as "too many" instead of wrapping.
int scaledRows(int rows, int numerator, int denominator) {
    if (numerator <= 0 || denominator <= 0 || rows <= 0) return 0;
    if (numerator == denominator) return rows;
    const float ratio = static_cast<float>(double(numerator) / double(denominator));
    const double v = roundHalfEven(double(rows) * double(ratio));
    return v >= double(INT_MAX) ? INT_MAX : static_cast<int>(v);
}

} // namespace

std::optional<int> parseFieldNumber(const QString& text) {
    const QString t = text.trimmed();
    const qsizetype n = t.size();
    qsizetype i = 0;
    auto digit = [&](qsizetype k) { return k < n && t[k] >= QLatin1Char('0') && t[k] <= QLatin1Char('9'); };

    bool negative = false;
    if (i < n && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) negative = t[i++] == QLatin1Char('-');
    // The significant digits and where the decimal point falls among them, leading zeros
    // dropped, so that any length of text is judged by its magnitude alone.
    std::string digits;
    long long pointAt = 0;
    bool anyDigit = false;
    for (; digit(i); ++i) {
        anyDigit = true;
        if (digits.empty() && t[i] == QLatin1Char('0')) continue;
        digits.push_back(static_cast<char>(t[i].unicode()));
        ++pointAt;
    }
    if (i < n && t[i] == QLatin1Char('.')) {
        for (++i; digit(i); ++i) {
            anyDigit = true;
            if (digits.empty() && t[i] == QLatin1Char('0')) {
                --pointAt;
                continue;
            }
            digits.push_back(static_cast<char>(t[i].unicode()));
        }
    }
    if (!anyDigit) return std::nullopt;
    long long exponent = 0;
    if (i < n && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        ++i;
        bool negativeExponent = false;
        if (i < n && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')))
            negativeExponent = t[i++] == QLatin1Char('-');
        if (!digit(i)) return std::nullopt;
        for (; digit(i); ++i) exponent = std::min(exponent * 10 + (t[i].unicode() - '0'), 1'000'000'000ll);
        if (negativeExponent) exponent = -exponent;
    }
    if (i != n) return std::nullopt;
    if (digits.empty()) return 0;

    // The value is 0.digits x 10^magnitude: from 10^6 up it cannot fit, below 10^-2 it rounds to 0.
    const long long magnitude = pointAt + exponent;
    if (magnitude > 6) return std::nullopt;
    if (magnitude < -1) return 0;
    const std::string normal = "0." + digits + "e" + std::to_string(magnitude);
    double v = 0;
    std::from_chars(normal.data(), normal.data() + normal.size(), v);
    const double r = roundHalfEven(negative ? -v : v);
    if (r < -32768.0 || r > 32767.0) return std::nullopt;
    return static_cast<int>(r);
}

void fillStitches(Raster& pattern, const QRect& area, ColorRef colour) {
    QImage& image = pattern.pixels();
    const QRect r = clipped(area, image);
    if (r.isEmpty()) return;
    const QRgb c = rgbFromColorRef(colour);
    for (int y = r.top(); y <= r.bottom(); ++y) std::fill_n(row(image, y) + r.left(), r.width(), c);
}

QImage copyStitches(const Raster& pattern, const QRect& area) {
    const QImage& image = pattern.image();
    const QRect r = clipped(area, image);
    if (r.isEmpty()) return {};
    return guardAllocation([&] {
        QImage out = newBitmap(r.width(), r.height());
        if (image.format() == QImage::Format_RGB32) {
            for (int y = 0; y < r.height(); ++y)
                std::memcpy(row(out, y), row(image, r.top() + y) + r.left(), size_t(r.width()) * sizeof(QRgb));
        } else {
            out = normalizedImage(image.copy(r), false);
        }
        return out;
    });
}

void mirrorStitches(Raster& pattern, const QRect& area, bool upsideDown) {
    QImage& image = pattern.pixels();
    const QRect r = clipped(area, image);
    if (r.isEmpty()) return;
    if (upsideDown) {
        for (int top = r.top(), bottom = r.bottom(); top < bottom; ++top, --bottom) {
            QRgb* a = row(image, top) + r.left();
            std::swap_ranges(a, a + r.width(), row(image, bottom) + r.left());
        }
    } else {
        for (int y = r.top(); y <= r.bottom(); ++y) {
            QRgb* a = row(image, y) + r.left();
            std::reverse(a, a + r.width());
        }
    }
}

void grayscaleToPalette(Raster& pattern, const std::optional<QRect>& area, const Palette& palette) {
    QImage& image = pattern.pixels();
    if (image.isNull()) return;
    const QRect r = area ? clipped(*area, image) : image.rect();
    for (int y = r.top(); y <= r.bottom() && !r.isEmpty(); ++y) {
        QRgb* p = row(image, y) + r.left();
        for (int x = 0; x < r.width(); ++x) {
            const int g = (qRed(p[x]) * 299 + qGreen(p[x]) * 587 + qBlue(p[x]) * 114 + 500) / 1000;
            p[x] = qRgb(g, g, g);
        }
    }
    const std::array<QRgb, 256> colours = palette.rgbColours();
    guardAllocation([&] {
        const QImage indexed = mapToPalette(image, colours, false);
        for (int y = 0; y < image.height(); ++y) {
            const uchar* s = indexed.constScanLine(y);
            QRgb* d = row(image, y);
            for (int x = 0; x < image.width(); ++x) d[x] = colours[s[x]];
        }
    });
}

void changePaletteColour(Raster& pattern, const std::optional<QRect>& area, const Palette& palette, int from,
                         int to) {
    QImage& image = pattern.pixels();
    if (image.isNull()) return;
    const QRect r = area ? clipped(*area, image) : image.rect();
    if (r.isEmpty()) return;
    std::array<QRgb, 256> colours = palette.rgbColours();
    // The stitches of that colour all sit on its lowest entry, so changing that entry's colour
    // changes every one of them and nothing else.
    const int entry = palette.FindPalIndex(palette[from]);
    const QRgb target = colours[static_cast<size_t>(to)];
    guardAllocation([&] {
        const QImage indexed = mapToPalette(image.copy(r), colours, false);
        colours[static_cast<size_t>(entry)] = target;
        for (int y = 0; y < r.height(); ++y) {
            const uchar* s = indexed.constScanLine(y);
            QRgb* d = row(image, r.top() + y) + r.left();
            for (int x = 0; x < r.width(); ++x) d[x] = colours[s[x]];
        }
    });
}

void resizeAnchored(Raster& pattern, int width, int height, ColorRef background) {
    const QImage& old = pattern.pixels();
    QImage out = guardAllocation([&] { return newBitmap(width, height); });
    out.fill(rgbFromColorRef(background));
    const int columns = std::min(width, old.width());
    const int shift = height - old.height();
    for (int y = std::max(0, -shift); y < old.height() && columns > 0; ++y)
        std::memcpy(row(out, y + shift), row(old, y), size_t(columns) * sizeof(QRgb));
    pattern.setImage(out);
}

QRect cropRectForSelection(const QRect& selection, QSize pattern) {
    const QRect inside = selection.normalized().intersected(QRect(QPoint(0, 0), pattern));
    if (inside.isEmpty()) return {};
    // At least five each way; near the right or bottom edge the five slide back inside the
    // pattern rather than being cut short by it.
    const int w = std::min(std::max(5, inside.width()), pattern.width());
    const int h = std::min(std::max(5, inside.height()), pattern.height());
    return QRect(std::min(inside.left(), pattern.width() - w), std::min(inside.top(), pattern.height() - h), w, h);
}

int GaugeChange::squareRows(int rows) const { return scaledRows(rows, oldMee, oldDan); }

int GaugeChange::resultRows(int rows) const { return scaledRows(squareRows(rows), newDan, newMee); }

std::optional<QString> gaugeChangeRefusal(const GaugeChange& change, int width, int rows) {
    const int square = change.squareRows(rows);
    const int result = change.resultRows(rows);
    if (square < 1 || result < 1) return QStringLiteral("このゲージでは段数が0になります");
    if (!dimensionsAllowed(width, square) || !dimensionsAllowed(width, result))
        return QStringLiteral("このゲージでは段数が多すぎます（最大32767段）");
    return std::nullopt;
}

Raster gaugeChanged(const Raster& pattern, const GaugeChange& change) {
    const int w = pattern.width(), h = pattern.height();
    if (pattern.isNull() || gaugeChangeRefusal(change, w, h)) throw Error(err::InvalidValue);
    return guardAllocation([&] {
        const QImage src = normalizedImage(pattern.image(), false);
        const int square = change.squareRows(h);
        const int rows = change.resultRows(h);
        // Both stretches only pick rows, so following the result's rows back through the
        // square copy gives the same stitches without building it.
        const std::vector<int> toSquare = stretchedRows(h, square);
        const std::vector<int> toResult = stretchedRows(square, rows);
        QImage out = newBitmap(w, rows);
        for (int y = 0; y < rows; ++y) {
            const int from = toSquare[static_cast<size_t>(toResult[static_cast<size_t>(y)])];
            std::memcpy(row(out, y), row(src, from), size_t(w) * sizeof(QRgb));
        }
        Raster result;
        result.setImage(out);
        return result;
    });
}

Raster pictureToPattern(const QImage& picture, const Palette& palette) {
    if (picture.isNull() || !dimensionsAllowed(picture.width(), picture.height())) throw Error(err::OutOfMemory);
    return guardAllocation([&] {
        QImage flat;
        if (picture.hasAlphaChannel()) {
            // Over white, a premultiplied channel c of alpha a comes out as c + (255 - a).
            const QImage pre = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
            if (pre.isNull()) throw Error(err::OutOfMemory);
            flat = newBitmap(pre.width(), pre.height());
            for (int y = 0; y < pre.height(); ++y) {
                const QRgb* s = row(pre, y);
                QRgb* d = row(flat, y);
                for (int x = 0; x < pre.width(); ++x) {
                    const int lift = 255 - qAlpha(s[x]);
                    d[x] = qRgb(qRed(s[x]) + lift, qGreen(s[x]) + lift, qBlue(s[x]) + lift);
                }
            }
        } else {
            flat = normalizedImage(picture, false);
        }
        Raster work;
        work.setImage(flat);
        reduceToPalette(work, palette, 256, true);
        work.colorRes(24, PaletteFixedRgb, 0, 0);
        return work;
    });
}

} // namespace qorn
