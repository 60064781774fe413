#include "pict.h"

#include "codec_limits.h"
#include "common/error.h"

#include <QVector>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace qorn::pict {
namespace {

constexpr int kFileHeader = 512;

[[noreturn]] void damaged() { throw Error(err::Damaged, QStringLiteral("damaged PICT file")); }
[[noreturn]] void unsupported() { throw Error(err::Unsupported, QStringLiteral("PICT opcode")); }

struct Rect {
    int top = 0, left = 0, bottom = 0, right = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

// Big-endian reader that never reads past the end: running out is damaged content.
class Reader {
public:
    Reader(const uchar* data, qsizetype size, qsizetype pos) : d_(data), size_(size), pos_(pos) {}
    qsizetype pos() const { return pos_; }
    qsizetype remaining() const { return size_ - pos_; }
    void need(qsizetype n) const {
        if (n < 0 || n > remaining()) damaged();
    }
    int u8() {
        need(1);
        return d_[pos_++];
    }
    int u16() {
        need(2);
        const int v = (d_[pos_] << 8) | d_[pos_ + 1];
        pos_ += 2;
        return v;
    }
    int s16() { return static_cast<int16_t>(u16()); }
    uint32_t u32() {
        need(4);
        const uint32_t v = (uint32_t(d_[pos_]) << 24) | (uint32_t(d_[pos_ + 1]) << 16) |
                           (uint32_t(d_[pos_ + 2]) << 8) | d_[pos_ + 3];
        pos_ += 4;
        return v;
    }
    Rect rect() {
        Rect r;
        r.top = s16();
        r.left = s16();
        r.bottom = s16();
        r.right = s16();
        return r;
    }
    void skip(qsizetype n) {
        need(n);
        pos_ += n;
    }
    const uchar* take(qsizetype n) {
        need(n);
        const uchar* p = d_ + pos_;
        pos_ += n;
        return p;
    }
    void alignWord() {
        if (pos_ & 1) skip(std::min<qsizetype>(1, remaining()));
    }

private:
    const uchar* d_;
    qsizetype size_;
    qsizetype pos_;
};

// PackBits with byte (unit 1) or 16-bit (unit 2) items; the output must fill exactly.
void unpackBits(const uchar* in, qsizetype inSize, uchar* out, qsizetype outSize, int unit) {
    qsizetype i = 0, o = 0;
    while (o < outSize) {
        if (i >= inSize) damaged();
        const int n = static_cast<int8_t>(in[i++]);
        if (n >= 0) {
            const qsizetype bytes = qsizetype(n + 1) * unit;
            if (i + bytes > inSize || o + bytes > outSize) damaged();
            std::memcpy(out + o, in + i, static_cast<size_t>(bytes));
            i += bytes;
            o += bytes;
        } else if (n != -128) {
            const qsizetype count = 1 - n;
            if (i + unit > inSize || o + count * unit > outSize) damaged();
            if (unit == 1) std::memset(out + o, in[i], static_cast<size_t>(count));
            else
                for (qsizetype k = 0; k < count; ++k) std::memcpy(out + o + k * unit, in + i, static_cast<size_t>(unit));
            i += unit;
            o += count * unit;
        }
    }
}

struct Band {
    QImage image;
    Rect src, dst;
};

// One bits opcode: PixMap or BitMap header, colour table, rectangles, optional mask region, rows.
Band readBits(Reader& r, bool direct, bool packed, bool region) {
    if (direct) r.skip(4); // baseAddr
    const int rowWord = r.u16();
    const bool pixmap = (rowWord & 0x8000) != 0 || direct;
    const int rowBytes = rowWord & 0x3fff;
    const Rect bounds = r.rect();
    int pixelSize = 1, packType = 0, cmpCount = 1;
    if (pixmap) {
        r.skip(2); // pmVersion
        packType = r.u16();
        r.skip(4 + 8); // packSize, hRes, vRes
        r.skip(2);     // pixelType
        pixelSize = r.u16();
        cmpCount = r.u16();
        r.skip(2 + 4 + 4 + 4); // cmpSize, planeBytes, pmTable, pmReserved
    }
    const int64_t width = bounds.width(), height = bounds.height();
    if (!dimensionsAllowed(width, height)) damaged();
    if (rowBytes <= 0 || int64_t(rowBytes) * 8 < width * pixelSize) damaged();

    QVector<QRgb> table(256, 0xff000000);
    if (!pixmap) {
        table[0] = qRgb(255, 255, 255);
        table[1] = qRgb(0, 0, 0);
    } else if (!direct) {
        if (pixelSize != 1 && pixelSize != 2 && pixelSize != 4 && pixelSize != 8) unsupported();
        r.skip(4); // ctSeed
        const int flags = r.u16();
        const int entries = r.s16() + 1;
        if (entries < 0 || entries > 256) damaged();
        for (int i = 0; i < entries; ++i) {
            int index = r.u16();
            const int red = r.u16() >> 8, green = r.u16() >> 8, blue = r.u16() >> 8;
            if (flags & 0x8000) index = i; // device colour table: entries in order
            if (index < 256) table[index] = qRgb(red, green, blue);
        }
    } else if (!(pixelSize == 16 || pixelSize == 32)) {
        unsupported();
    }

    Band band;
    band.src = r.rect();
    band.dst = r.rect();
    r.skip(2); // transfer mode
    if (region) {
        const int size = r.u16();
        if (size < 2) damaged();
        r.skip(size - 2);
    }

    // Bytes of one unpacked row as stored. Rows under 8 bytes are never packed.
    const bool rowsPacked = packed && rowBytes >= 8 && packType != 1 && packType != 2;
    const bool planar = direct && pixelSize == 32 && rowsPacked && packType == 4;
    const int unit = direct && pixelSize == 16 ? 2 : 1;
    int64_t rowSize = rowBytes;
    if (direct && pixelSize == 32 && packType == 2) rowSize = width * 3;
    else if (planar) rowSize = width * cmpCount;
    if (planar && (cmpCount < 3 || cmpCount > 4)) damaged();
    if (direct && !planar && packType != 2 && rowSize < width * (pixelSize / 8)) damaged();
    // Even the best packing needs a count per row and two bytes per 128 items.
    const int64_t minimum =
        rowsPacked ? height * (1 + 2 * ((rowSize + 128 * unit - 1) / (128 * unit))) : rowSize * height;
    if (minimum > r.remaining()) damaged();

    const int w = static_cast<int>(width), h = static_cast<int>(height);
    std::vector<uchar> row(static_cast<size_t>(rowSize));
    QImage img(w, h, direct ? QImage::Format_RGB32 : QImage::Format_Indexed8);
    if (img.isNull()) throw Error(err::OutOfMemory);
    clearRowPadding(img);
    for (int y = 0; y < h; ++y) {
        if (rowsPacked) {
            const int count = rowBytes > 250 ? r.u16() : r.u8();
            const uchar* p = r.take(count);
            unpackBits(p, count, row.data(), rowSize, unit);
        } else {
            std::memcpy(row.data(), r.take(rowSize), static_cast<size_t>(rowSize));
        }
        if (direct && pixelSize == 32) {
            auto* dst = reinterpret_cast<QRgb*>(img.scanLine(y));
            if (planar) {
                // Component planes; with four components the first is alpha.
                const int skipPlanes = cmpCount >= 4 ? 1 : 0;
                const uchar* pr = row.data() + int64_t(w) * skipPlanes;
                for (int x = 0; x < w; ++x) dst[x] = qRgb(pr[x], pr[w + x], pr[2 * w + x]);
            } else if (packType == 2) {
                for (int x = 0; x < w; ++x) dst[x] = qRgb(row[3 * x], row[3 * x + 1], row[3 * x + 2]);
            } else {
                for (int x = 0; x < w; ++x) dst[x] = qRgb(row[4 * x + 1], row[4 * x + 2], row[4 * x + 3]);
            }
        } else if (direct) {
            auto* dst = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < w; ++x) {
                const int v = (row[2 * x] << 8) | row[2 * x + 1];
                const int cr = (v >> 10) & 31, cg = (v >> 5) & 31, cb = v & 31;
                dst[x] = qRgb((cr << 3) | (cr >> 2), (cg << 3) | (cg >> 2), (cb << 3) | (cb >> 2));
            }
        } else if (pixelSize == 8) {
            std::memcpy(img.scanLine(y), row.data(), static_cast<size_t>(w));
        } else {
            uchar* dst = img.scanLine(y);
            const int mask = (1 << pixelSize) - 1;
            for (int x = 0; x < w; ++x) {
                const int bit = x * pixelSize;
                dst[x] = static_cast<uchar>((row[bit >> 3] >> (8 - pixelSize - (bit & 7))) & mask);
            }
        }
    }
    if (!direct) img.setColorTable(table);
    band.image = img;
    // Source rectangles are given in the pixmap's bounds coordinates.
    band.src.top -= bounds.top;
    band.src.bottom -= bounds.top;
    band.src.left -= bounds.left;
    band.src.right -= bounds.left;
    return band;
}

qsizetype versionOffset(const QByteArray& data) {
    // picSize (2) and picFrame (8) come before the version opcode.
    for (qsizetype base : {qsizetype(kFileHeader), qsizetype(0)}) {
        const qsizetype v = base + 10;
        if (data.size() >= v + 4) {
            const auto* p = reinterpret_cast<const uchar*>(data.constData()) + v;
            if (p[0] == 0x00 && p[1] == 0x11 && p[2] == 0x02 && p[3] == 0xFF) return base;
        }
    }
    return -1;
}

// Data length of an opcode that carries no pixels; -1 for the ones handled by hand.
qsizetype skipOpcode(Reader& r, int op) {
    auto wordLength = [&] { r.skip(r.u16()); };
    if (op >= 0x0100) {
        if (op == 0x0C00) r.skip(24);
        else if (op <= 0x7FFF) r.skip(qsizetype(op >> 8) * 2);
        else if (op >= 0x8100) r.skip(static_cast<qsizetype>(r.u32()));
        return 0;
    }
    switch (op) {
    case 0x00: case 0x17: case 0x18: case 0x19: case 0x1C: case 0x1E: return 0;
    case 0x01: { const int n = r.u16(); if (n < 2) damaged(); r.skip(n - 2); return 0; }
    case 0x02: case 0x09: case 0x0A: case 0x10: case 0x20: r.skip(8); return 0;
    case 0x03: case 0x05: case 0x08: case 0x0D: case 0x11: case 0x15: case 0x16: case 0x23: r.skip(2); return 0;
    case 0x04: r.skip(1); return 0;
    case 0x06: case 0x07: case 0x0B: case 0x0C: case 0x0E: case 0x0F: case 0x21: r.skip(4); return 0;
    case 0x1A: case 0x1B: case 0x1D: case 0x1F: case 0x22: r.skip(6); return 0;
    case 0x28: r.skip(4); r.skip(r.u8()); return 0;
    case 0x29: case 0x2A: r.skip(1); r.skip(r.u8()); return 0;
    case 0x2B: r.skip(2); r.skip(r.u8()); return 0;
    case 0xA0: r.skip(2); return 0;
    case 0xA1: r.skip(2); r.skip(r.u16()); return 0;
    default: break;
    }
    if ((op >= 0x24 && op <= 0x27) || (op >= 0x2C && op <= 0x2F) || (op >= 0x92 && op <= 0x97) ||
        (op >= 0x9C && op <= 0x9F) || (op >= 0xA2 && op <= 0xAF)) {
        wordLength();
        return 0;
    }
    if (op >= 0x30 && op <= 0x8F) {
        const int group = (op - 0x30) >> 4, same = (op & 0x0F) >= 8;
        static constexpr int kSizes[4] = {8, 8, 8, 12}; // rect, rrect, oval, arc
        if (group < 4) {
            r.skip(same ? (group == 3 ? 4 : 0) : kSizes[group]);
        } else if (!same) { // polygons and regions lead with their size
            const int n = r.u16();
            if (n < 2) damaged();
            r.skip(n - 2);
        }
        return 0;
    }
    if (op >= 0xB0 && op <= 0xCF) return 0;
    if (op >= 0xD0 && op <= 0xFE) {
        r.skip(static_cast<qsizetype>(r.u32()));
        return 0;
    }
    return -1;
}

} // namespace

bool looksLikePict(const QByteArray& data) { return versionOffset(data) >= 0; }

namespace {

QImage blankCanvas(const Rect& frame) {
    if (!dimensionsAllowed(frame.width(), frame.height())) damaged();
    QImage canvas(frame.width(), frame.height(), QImage::Format_RGB32);
    if (canvas.isNull()) throw Error(err::OutOfMemory);
    canvas.fill(0xffffffff);
    return canvas;
}

// Lays a band on the frame, scaled from its source to its destination rectangle. Only the rows
// and columns that land on the frame are visited.
void drawBand(QImage& canvas, const Rect& frame, const Band& b) {
    const int64_t dw = b.dst.width(), dh = b.dst.height(), sw = b.src.width(), sh = b.src.height();
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
    const bool indexed = b.image.format() == QImage::Format_Indexed8;
    const QVector<QRgb> table = indexed ? b.image.colorTable() : QVector<QRgb>();
    const int64_t offX = int64_t(b.dst.left) - frame.left, offY = int64_t(b.dst.top) - frame.top;
    const int64_t y0 = std::max<int64_t>(0, -offY), y1 = std::min<int64_t>(dh, canvas.height() - offY);
    const int64_t x0 = std::max<int64_t>(0, -offX), x1 = std::min<int64_t>(dw, canvas.width() - offX);
    for (int64_t y = y0; y < y1; ++y) {
        const int64_t sy = b.src.top + y * sh / dh;
        if (sy < 0 || sy >= b.image.height()) continue;
        const uchar* s = b.image.constScanLine(static_cast<int>(sy));
        auto* d = reinterpret_cast<QRgb*>(canvas.scanLine(static_cast<int>(offY + y)));
        for (int64_t x = x0; x < x1; ++x) {
            const int64_t sx = b.src.left + x * sw / dw;
            if (sx < 0 || sx >= b.image.width()) continue;
            d[offX + x] = indexed ? table.value(s[sx], 0xff000000) : reinterpret_cast<const QRgb*>(s)[sx];
        }
    }
}

} // namespace

QImage read(const QByteArray& data) {
    const qsizetype base = versionOffset(data);
    if (base < 0) damaged();
    return guardAllocation([&] {
        Reader r(reinterpret_cast<const uchar*>(data.constData()), data.size(), base + 2);
        const Rect frame = r.rect();
        r.skip(4); // version opcode and number
        // A picture of one band is that band as stored, so the first is kept whole; once a second
        // comes, every band is laid on the frame as it arrives and let go.
        std::optional<Band> first;
        QImage canvas;
        for (;;) {
            r.alignWord();
            const int op = r.u16();
            if (op == 0x00FF) break;
            if (op >= 0x90 && op <= 0x9B && op != 0x92 && op != 0x93 && op != 0x94 && op != 0x95 && op != 0x96 &&
                op != 0x97) {
                const bool direct = op == 0x9A || op == 0x9B;
                const bool packed = op >= 0x98;
                const bool region = (op & 1) != 0;
                if (first) {
                    canvas = blankCanvas(frame);
                    drawBand(canvas, frame, *first);
                    first.reset();
                }
                Band band = readBits(r, direct, packed, region);
                if (canvas.isNull()) first = std::move(band);
                else drawBand(canvas, frame, band);
                continue;
            }
            if (skipOpcode(r, op) < 0) unsupported();
        }
        if (!canvas.isNull()) return canvas;
        if (!first) damaged();
        if (first->src.left == 0 && first->src.top == 0 && first->src.width() == first->image.width() &&
            first->src.height() == first->image.height())
            return first->image;
        // Uncovered stitches stay white.
        canvas = blankCanvas(frame);
        drawBand(canvas, frame, *first);
        return canvas;
    });
}

namespace {

class Writer {
public:
    QByteArray bytes;
    void u8(int v) { bytes.append(static_cast<char>(v & 0xff)); }
    void u16(int v) {
        u8(v >> 8);
        u8(v);
    }
    void u32(uint32_t v) {
        u16(static_cast<int>(v >> 16));
        u16(static_cast<int>(v & 0xffff));
    }
    void rect(int top, int left, int bottom, int right) {
        u16(top);
        u16(left);
        u16(bottom);
        u16(right);
    }
};

void packBits(const uchar* in, int n, QByteArray& out) {
    int i = 0;
    while (i < n) {
        int run = 1;
        while (i + run < n && run < 128 && in[i + run] == in[i]) ++run;
        if (run >= 3 || (run == 2 && i + run == n)) {
            out.append(static_cast<char>(1 - run));
            out.append(static_cast<char>(in[i]));
            i += run;
            continue;
        }
        // Literal stretch up to the next run of three.
        int j = i;
        while (j < n && j - i < 128) {
            if (j + 2 < n && in[j] == in[j + 1] && in[j] == in[j + 2]) break;
            ++j;
        }
        out.append(static_cast<char>(j - i - 1));
        out.append(reinterpret_cast<const char*>(in + i), j - i);
        i = j;
    }
}

void writeRows(Writer& w, const std::vector<uchar>& row, int rowBytes, const QByteArray& packed) {
    if (rowBytes < 8) {
        w.bytes.append(reinterpret_cast<const char*>(row.data()), rowBytes);
        return;
    }
    if (rowBytes > 250) w.u16(static_cast<int>(packed.size()));
    else w.u8(static_cast<int>(packed.size()));
    w.bytes.append(packed);
}

} // namespace

QByteArray write(const QImage& image) {
    const bool indexed = image.format() == QImage::Format_Indexed8;
    const QImage src = indexed ? image : image.convertToFormat(QImage::Format_RGB32);
    const int width = src.width(), height = src.height();
    if (width <= 0 || height <= 0 || height > 32767) throw Error(err::WriteFailure);

    Writer w;
    w.bytes = QByteArray(kFileHeader, '\0');
    w.u16(0); // picture size, patched below
    w.rect(0, 0, height, width);
    w.u16(0x0011);
    w.u16(0x02FF);
    w.u16(0x0C00);
    w.u16(0xFFFE);
    w.u16(0);
    w.u32(0x00480000);
    w.u32(0x00480000);
    w.rect(0, 0, height, width);
    w.u32(0);
    w.u16(0x001E);
    w.u16(0x0001);
    w.u16(10);
    w.rect(0, 0, height, width);

    const int64_t rowBytes64 = indexed ? ((int64_t(width) + 1) & ~int64_t(1)) : int64_t(width) * 4;
    if (rowBytes64 > 0x3FFE) throw Error(err::WriteFailure, QStringLiteral("too wide for a PICT row"));
    const int rowBytes = static_cast<int>(rowBytes64);
    w.u16(indexed ? 0x0098 : 0x009A);
    if (!indexed) w.u32(0x000000FF);
    w.u16(rowBytes | 0x8000);
    w.rect(0, 0, height, width);
    w.u16(0);                // pmVersion
    w.u16(indexed ? 0 : 4);  // packType
    w.u32(0);                // packSize
    w.u32(0x00480000);       // hRes
    w.u32(0x00480000);       // vRes
    w.u16(indexed ? 0 : 16); // pixelType: chunky or RGBDirect
    w.u16(indexed ? 8 : 32);
    w.u16(indexed ? 1 : 3);
    w.u16(8);
    w.u32(0);
    w.u32(0);
    w.u32(0);
    if (indexed) {
        const QVector<QRgb> table = src.colorTable();
        w.u32(0);
        w.u16(0);
        w.u16(255);
        for (int i = 0; i < 256; ++i) {
            const QRgb c = i < table.size() ? table[i] : 0;
            w.u16(i);
            w.u16(qRed(c) * 0x101);
            w.u16(qGreen(c) * 0x101);
            w.u16(qBlue(c) * 0x101);
        }
    }
    w.rect(0, 0, height, width);
    w.rect(0, 0, height, width);
    w.u16(0); // srcCopy

    const int stored = indexed ? rowBytes : width * 3;
    std::vector<uchar> row(static_cast<size_t>(std::max(rowBytes, stored)), 0);
    QByteArray packed;
    for (int y = 0; y < height; ++y) {
        if (!indexed && rowBytes < 8) { // one pixel: stored unpacked, chunky
            const QRgb c = reinterpret_cast<const QRgb*>(src.constScanLine(y))[0];
            w.u8(0);
            w.u8(qRed(c));
            w.u8(qGreen(c));
            w.u8(qBlue(c));
            continue;
        }
        if (indexed) {
            std::memcpy(row.data(), src.constScanLine(y), static_cast<size_t>(width));
        } else {
            const auto* px = reinterpret_cast<const QRgb*>(src.constScanLine(y));
            for (int x = 0; x < width; ++x) {
                row[x] = static_cast<uchar>(qRed(px[x]));
                row[width + x] = static_cast<uchar>(qGreen(px[x]));
                row[2 * width + x] = static_cast<uchar>(qBlue(px[x]));
            }
        }
        packed.clear();
        packBits(row.data(), stored, packed);
        writeRows(w, row, rowBytes, packed);
    }
    if (w.bytes.size() & 1) w.u8(0);
    w.u16(0x00FF);
    const qsizetype size = w.bytes.size() - kFileHeader;
    w.bytes[kFileHeader] = static_cast<char>((size >> 8) & 0xff);
    w.bytes[kFileHeader + 1] = static_cast<char>(size & 0xff);
    return w.bytes;
}

} // namespace qorn::pict
