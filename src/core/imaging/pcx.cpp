#include "pcx.h"

#include "codec_limits.h"
#include "common/error.h"

#include <QVector>

#include <algorithm>
#include <cstring>
#include <vector>

namespace qorn::pcx {
namespace {

constexpr int kHeaderSize = 128;
constexpr int kTrailerSize = 769; // 0x0C followed by 256 RGB triplets

uint16_t le16(const uchar* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
void putLe16(uchar* p, int v) {
    p[0] = static_cast<uchar>(v & 0xff);
    p[1] = static_cast<uchar>((v >> 8) & 0xff);
}

[[noreturn]] void damaged() { throw Error(err::Damaged, QStringLiteral("damaged PCX file")); }

// The classic EGA colours, for version 3 files that carry no palette of their own.
constexpr QRgb kEgaPalette[16] = {0xff000000, 0xff0000aa, 0xff00aa00, 0xff00aaaa, 0xffaa0000, 0xffaa00aa,
                                  0xffaa5500, 0xffaaaaaa, 0xff555555, 0xff5555ff, 0xff55ff55, 0xff55ffff,
                                  0xffff5555, 0xffff55ff, 0xffffff55, 0xffffffff};

} // namespace

bool looksLikePcx(const QByteArray& data) {
    if (data.size() < kHeaderSize) return false;
    const auto* h = reinterpret_cast<const uchar*>(data.constData());
    return h[0] == 0x0A && (h[1] <= 5 && h[1] != 1) && h[2] <= 1 &&
           (h[3] == 1 || h[3] == 2 || h[3] == 4 || h[3] == 8);
}

namespace {

// The pixel stream after the header. Runs may cross scan lines, so a run outlives its line.
class Decoder {
public:
    Decoder(const uchar* in, const uchar* end, bool encoded) : in_(in), end_(end), encoded_(encoded) {}

    // The next n bytes into out, or past them when out is null: padding is never stored.
    void read(uchar* out, int64_t n) {
        if (!encoded_) {
            if (end_ - in_ < n) damaged();
            if (out) std::memcpy(out, in_, static_cast<size_t>(n));
            in_ += n;
            return;
        }
        while (n > 0) {
            if (run_ == 0) {
                if (in_ >= end_) damaged();
                value_ = *in_++;
                run_ = 1;
                if ((value_ & 0xC0) == 0xC0) {
                    run_ = value_ & 0x3F;
                    if (in_ >= end_) damaged();
                    value_ = *in_++;
                }
                continue;
            }
            const int64_t k = std::min<int64_t>(run_, n);
            if (out) {
                std::memset(out, value_, static_cast<size_t>(k));
                out += k;
            }
            run_ -= static_cast<int>(k);
            n -= k;
        }
    }

private:
    const uchar* in_;
    const uchar* end_;
    bool encoded_;
    int run_ = 0;
    uchar value_ = 0;
};

} // namespace

QImage read(const QByteArray& data) {
    if (data.size() < kHeaderSize) damaged();
    const auto* h = reinterpret_cast<const uchar*>(data.constData());
    if (h[0] != 0x0A) damaged();
    const int version = h[1];
    const int encoding = h[2];
    const int bpp = h[3];
    const int xmin = le16(h + 4), ymin = le16(h + 6), xmax = le16(h + 8), ymax = le16(h + 10);
    const int planes = h[65];
    const int bytesPerLine = le16(h + 66);
    if (xmax < xmin || ymax < ymin) damaged();
    const int64_t width = int64_t(xmax) - xmin + 1;
    const int64_t height = int64_t(ymax) - ymin + 1;

    const bool indexedSmall = (bpp == 1 && planes >= 1 && planes <= 4) || ((bpp == 2 || bpp == 4) && planes == 1);
    const bool indexed8 = bpp == 8 && planes == 1;
    const bool rgb = bpp == 8 && (planes == 3 || planes == 4);
    if (!indexedSmall && !indexed8 && !rgb) throw Error(err::Unsupported, QStringLiteral("PCX variant"));
    if (encoding > 1) damaged();
    if (bytesPerLine <= 0 || int64_t(bytesPerLine) * 8 < width * bpp) damaged();
    if (!dimensionsAllowed(width, height)) damaged();

    // Version 5 brought the 256-colour palette at the end of the file; an 8-bit picture of that
    // version without it has lost its end. Older versions have no palette and are shown in grey.
    const qsizetype trailerAt = data.size() - kTrailerSize;
    const bool hasTrailer = indexed8 && trailerAt >= kHeaderSize && h[trailerAt] == 0x0C;
    if (indexed8 && version >= 5 && !hasTrailer) damaged();
    // The palette is not pixel data: a stream that runs into it is short.
    const qsizetype pixelsEnd = hasTrailer && version >= 5 ? trailerAt : data.size();

    const int64_t total = int64_t(bytesPerLine) * planes * height;
    const int64_t available = pixelsEnd - kHeaderSize;
    // A run byte pair expands to at most 63 bytes: a file too short for that cannot be whole.
    if ((encoding == 1 ? available * 63 : available) < total) damaged();

    // Only the bytes that hold pixels are kept, one scan line at a time; a header may ask for
    // lines far longer than its pixels need.
    const int w = static_cast<int>(width), hgt = static_cast<int>(height);
    const int used = static_cast<int>((width * bpp + 7) / 8);
    return guardAllocation([&] {
        std::vector<uchar> lineBuffer(static_cast<size_t>(used) * planes);
        uchar* line = lineBuffer.data();
        Decoder decoder(h + kHeaderSize, h + pixelsEnd, encoding == 1);
        auto nextLine = [&] {
            for (int p = 0; p < planes; ++p) {
                decoder.read(line + int64_t(used) * p, used);
                decoder.read(nullptr, bytesPerLine - used);
            }
        };

        if (rgb) {
            QImage img(w, hgt, QImage::Format_RGB32);
            if (img.isNull()) throw Error(err::OutOfMemory);
            for (int y = 0; y < hgt; ++y) {
                nextLine();
                auto* dst = reinterpret_cast<QRgb*>(img.scanLine(y));
                for (int x = 0; x < w; ++x) dst[x] = qRgb(line[x], line[used + x], line[2 * used + x]);
            }
            return img;
        }

        QImage img(w, hgt, QImage::Format_Indexed8);
        if (img.isNull()) throw Error(err::OutOfMemory);
        clearRowPadding(img);
        QVector<QRgb> table(256, 0xff000000);
        if (indexed8) {
            if (hasTrailer) {
                const auto* t = h + trailerAt;
                for (int i = 0; i < 256; ++i) table[i] = qRgb(t[1 + 3 * i], t[2 + 3 * i], t[3 + 3 * i]);
            } else {
                for (int i = 0; i < 256; ++i) table[i] = qRgb(i, i, i);
            }
            for (int y = 0; y < hgt; ++y) {
                nextLine();
                std::memcpy(img.scanLine(y), line, static_cast<size_t>(w));
            }
        } else {
            const int colours = 1 << (bpp * planes);
            const uchar* pal = h + 16;
            bool headerPalette = false;
            for (int i = 0; i < 48; ++i) headerPalette |= pal[i] != 0;
            if (colours == 2 && !(headerPalette && std::memcmp(pal, pal + 3, 3) != 0)) {
                table[0] = qRgb(0, 0, 0);
                table[1] = qRgb(255, 255, 255);
            } else if (version == 3 || !headerPalette) {
                for (int i = 0; i < 16; ++i) table[i] = kEgaPalette[i];
            } else {
                for (int i = 0; i < 16; ++i) table[i] = qRgb(pal[3 * i], pal[3 * i + 1], pal[3 * i + 2]);
            }
            for (int y = 0; y < hgt; ++y) {
                nextLine();
                uchar* dst = img.scanLine(y);
                for (int x = 0; x < w; ++x) {
                    int index = 0;
                    for (int p = 0; p < planes; ++p) {
                        const uchar* plane = line + int64_t(used) * p;
                        const int bit = x * bpp;
                        const int v = (plane[bit >> 3] >> (8 - bpp - (bit & 7))) & ((1 << bpp) - 1);
                        index |= v << (p * bpp);
                    }
                    dst[x] = static_cast<uchar>(index);
                }
            }
        }
        img.setColorTable(table);
        return img;
    });
}

namespace {

// Run-length encodes one scan line; runs never cross lines.
void encodeLine(const uchar* line, int n, QByteArray& out) {
    int i = 0;
    while (i < n) {
        const uchar b = line[i];
        int run = 1;
        while (i + run < n && run < 63 && line[i + run] == b) ++run;
        if (run > 1 || (b & 0xC0) == 0xC0) out.append(static_cast<char>(0xC0 | run));
        out.append(static_cast<char>(b));
        i += run;
    }
}

} // namespace

QByteArray write(const QImage& image) {
    const bool indexed = image.format() == QImage::Format_Indexed8;
    const QImage src = indexed ? image : image.convertToFormat(QImage::Format_RGB32);
    const int w = src.width(), h = src.height();
    if (w <= 0 || h <= 0 || w > 65534 || h > 65535) throw Error(err::WriteFailure);
    const int bytesPerLine = (w + 1) & ~1;
    const int planes = indexed ? 1 : 3;

    QByteArray out(kHeaderSize, '\0');
    auto* hd = reinterpret_cast<uchar*>(out.data());
    hd[0] = 0x0A;
    hd[1] = 5;
    hd[2] = 1;
    hd[3] = 8;
    putLe16(hd + 8, w - 1);
    putLe16(hd + 10, h - 1);
    putLe16(hd + 12, 72);
    putLe16(hd + 14, 72);
    hd[65] = static_cast<uchar>(planes);
    putLe16(hd + 66, bytesPerLine);
    putLe16(hd + 68, 1);
    out.reserve(kHeaderSize + qsizetype(bytesPerLine) * planes * h + kTrailerSize);

    QByteArray line(bytesPerLine, '\0');
    auto* l = reinterpret_cast<uchar*>(line.data());
    for (int y = 0; y < h; ++y) {
        if (indexed) {
            std::memcpy(l, src.constScanLine(y), static_cast<size_t>(w));
            encodeLine(l, bytesPerLine, out);
        } else {
            const auto* px = reinterpret_cast<const QRgb*>(src.constScanLine(y));
            for (int c = 0; c < 3; ++c) {
                for (int x = 0; x < w; ++x) l[x] = static_cast<uchar>(px[x] >> (16 - 8 * c));
                encodeLine(l, bytesPerLine, out);
            }
        }
    }
    if (indexed) {
        out.append(static_cast<char>(0x0C));
        const QVector<QRgb> table = src.colorTable();
        for (int i = 0; i < 256; ++i) {
            const QRgb c = i < table.size() ? table[i] : 0;
            out.append(static_cast<char>(qRed(c)));
            out.append(static_cast<char>(qGreen(c)));
            out.append(static_cast<char>(qBlue(c)));
        }
    }
    return out;
}

} // namespace qorn::pcx
