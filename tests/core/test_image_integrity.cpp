// Files cut short or whose headers promise more than they hold: every reader refuses them as
// damaged before decoding, and whole files of the same kinds still come in pixel for pixel.
#include "common/error.h"
#include "imaging/image_integrity.h"
#include "imaging/pcx.h"
#include "imaging/raster.h"
#include "import/import_source.h"
#include "support/hostile_images.h"
#include "support/sample_images.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define QORN_INTEGRITY_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QORN_INTEGRITY_ASAN 1
#endif
#endif

using namespace qorn;
using qorn::test::errorOf;

namespace {

// ---- file builders ---------------------------------------------------------------------------

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image)) return {};
    return bytes;
}

void putLe16(QByteArray& b, int at, uint32_t v) {
    b[at] = char(v & 0xff);
    b[at + 1] = char((v >> 8) & 0xff);
}
void putLe32(QByteArray& b, int at, uint32_t v) {
    putLe16(b, at, v & 0xffff);
    putLe16(b, at + 2, v >> 16);
}
uint32_t le32(const QByteArray& b, int at) {
    return uchar(b[at]) | uchar(b[at + 1]) << 8 | uchar(b[at + 2]) << 16 | uint32_t(uchar(b[at + 3])) << 24;
}
void appendLe32(QByteArray& b, uint32_t v) {
    b.append(QByteArray(4, '\0'));
    putLe32(b, int(b.size()) - 4, v);
}

// The same BMP stored top row first, as a negative height says.
QByteArray topDown(const QByteArray& bmp) {
    const int offset = int(le32(bmp, 10));
    const int height = int(le32(bmp, 22));
    const int rowBytes = int((bmp.size() - offset) / height);
    QByteArray out = bmp.left(offset);
    putLe32(out, 22, uint32_t(-height));
    for (int row = height - 1; row >= 0; --row) out.append(bmp.mid(offset + row * rowBytes, rowBytes));
    return out;
}

// A 32-bit BI_BITFIELDS BMP; with a 40-byte info header the three masks follow it, with a
// 108-byte one they are inside it.
QByteArray bitfieldsBmp(const QImage& image, int infoSize) {
    const int masksAfter = infoSize == 40 ? 12 : 0;
    const int offset = 14 + infoSize + masksAfter;
    QByteArray b(offset, '\0');
    b[0] = 'B';
    b[1] = 'M';
    putLe32(b, 2, uint32_t(offset + image.width() * image.height() * 4));
    putLe32(b, 10, uint32_t(offset));
    putLe32(b, 14, uint32_t(infoSize));
    putLe32(b, 18, uint32_t(image.width()));
    putLe32(b, 22, uint32_t(image.height()));
    putLe16(b, 26, 1);
    putLe16(b, 28, 32);
    putLe32(b, 30, 3);
    putLe32(b, 34, uint32_t(image.width() * image.height() * 4));
    putLe32(b, 54, 0x00FF0000);
    putLe32(b, 58, 0x0000FF00);
    putLe32(b, 62, 0x000000FF);
    for (int y = image.height() - 1; y >= 0; --y)
        for (int x = 0; x < image.width(); ++x) appendLe32(b, image.pixel(x, y) & 0x00FFFFFF);
    return b;
}

// An 8-bit run-length BMP of 6 x 3 stitches in colours 0..255 of a grey ramp: runs, an
// absolute stretch with its padding byte, an end of line per row and the end-of-bitmap mark.
constexpr int kRleWidth = 6, kRleHeight = 3;
const uchar kRleRows[kRleHeight][kRleWidth] = {{9, 9, 9, 9, 9, 9}, {1, 2, 3, 7, 7, 7}, {200, 200, 4, 5, 6, 200}};

QByteArray rle8Bmp(bool endMark) {
    QByteArray b(14 + 40 + 256 * 4, '\0');
    b[0] = 'B';
    b[1] = 'M';
    putLe32(b, 10, uint32_t(b.size()));
    putLe32(b, 14, 40);
    putLe32(b, 18, kRleWidth);
    putLe32(b, 22, kRleHeight);
    putLe16(b, 26, 1);
    putLe16(b, 28, 8);
    putLe32(b, 30, 1);
    for (int i = 0; i < 256; ++i) putLe32(b, 54 + 4 * i, uint32_t(i * 0x010101));
    // Bottom row first.
    b.append("\x02\xC8\x00\x03\x04\x05\x06\x00\x01\xC8\x00\x00", 12);
    b.append("\x01\x01\x01\x02\x01\x03\x03\x07\x00\x00", 10);
    b.append("\x06\x09", 2);
    b.append(endMark ? QByteArray("\x00\x01", 2) : QByteArray("\x00\x00", 2));
    putLe32(b, 2, uint32_t(b.size()));
    return b;
}

// A small uncompressed TIFF laid out as writers do: pixels first, then the directory, then the
// values too long for it. Values are written as SHORT (3), LONG (4) or BYTE (1).
struct TiffEntry {
    uint16_t tag;
    uint16_t type;
    std::vector<uint32_t> values;
};

class TiffBuilder {
public:
    explicit TiffBuilder(bool bigEndian) : big_(bigEndian) {}

    QByteArray build(const QByteArray& pixels, const std::vector<TiffEntry>& entries) const {
        QByteArray b = big_ ? QByteArray("MM\x00\x2A", 4) : QByteArray("II\x2A\x00", 4);
        const int directory = 8 + int(pixels.size() + (pixels.size() & 1));
        put(b, uint32_t(directory), 4);
        b.append(pixels);
        if (b.size() & 1) b.append('\0');
        put(b, uint32_t(entries.size()), 2);
        QByteArray extra;
        const int extraAt = directory + 2 + int(entries.size()) * 12 + 4;
        for (const TiffEntry& e : entries) {
            const int size = e.type == 3 ? 2 : e.type == 1 ? 1 : 4;
            put(b, e.tag, 2);
            put(b, e.type, 2);
            put(b, uint32_t(e.values.size()), 4);
            QByteArray value;
            for (uint32_t v : e.values) put(value, v, size);
            if (value.size() <= 4) {
                b.append(value.leftJustified(4, '\0'));
            } else {
                put(b, uint32_t(extraAt + extra.size()), 4);
                extra.append(value);
                if (extra.size() & 1) extra.append('\0');
            }
        }
        put(b, 0, 4); // no further directory
        return b + extra;
    }

    // An 8-bit grey picture, one row to a strip; offsets and counts of the given types.
    QByteArray grey(int width, const QByteArray& pixels, uint16_t offsetType, uint16_t countType) const {
        const int height = int(pixels.size()) / width;
        std::vector<uint32_t> offsets, counts;
        for (int y = 0; y < height; ++y) {
            offsets.push_back(uint32_t(8 + y * width));
            counts.push_back(uint32_t(width));
        }
        return build(pixels, {{256, 3, {uint32_t(width)}},
                              {257, 3, {uint32_t(height)}},
                              {258, 3, {8}},
                              {259, 3, {1}},
                              {262, 3, {1}},
                              {273, offsetType, offsets},
                              {277, 3, {1}},
                              {278, 3, {1}},
                              {279, countType, counts}});
    }

private:
    void put(QByteArray& b, uint32_t v, int size) const {
        for (int i = 0; i < size; ++i) {
            const int shift = big_ ? 8 * (size - 1 - i) : 8 * i;
            b.append(char((v >> shift) & 0xff));
        }
    }
    bool big_;
};

QByteArray greyPixels(int width, int height) {
    QByteArray pixels;
    for (int i = 0; i < width * height; ++i) pixels.append(char((i * 37 + 11) & 0xff));
    return pixels;
}

QImage greyImage(int width, const QByteArray& pixels) {
    const int height = int(pixels.size()) / width;
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int v = uchar(pixels[y * width + x]);
            image.setPixel(x, y, qRgb(v, v, v));
        }
    return image;
}

// ---- checks ----------------------------------------------------------------------------------

int checkBytes(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return errorOf([&] { checkComplete(buffer); });
}

// Every prefix of a whole file long enough to show its kind is damaged; the whole file passes.
void expectEveryCutDamaged(const QByteArray& whole, const std::string& what) {
    ASSERT_EQ(checkBytes(whole), 0) << what;
    const qsizetype magic = whole.startsWith("BM") ? 2 : 4;
    for (qsizetype n = magic; n < whole.size(); ++n)
        ASSERT_EQ(checkBytes(whole.left(n)), err::Damaged) << what << ": prefix " << n << " of " << whole.size();
}

QImage loaded(const QString& path, int bitsPerPixel = 24) {
    Raster r;
    r.load(path, bitsPerPixel);
    return r.image();
}

int loadError(const QString& path) {
    return errorOf([&] { loaded(path); });
}

int importError(const QString& path) {
    return errorOf([&] {
        ImportSource source;
        source.open(path, 0xFFFFFF);
        source.read(200);
    });
}

} // namespace

// ---- BMP ---------------------------------------------------------------------------------------

TEST(BmpIntegrity, TruncatedFilesAreDamagedInLoadAndImport) {
    const QString dir = test::freshTempDir(QStringLiteral("integrity-bmp-cut"));
    const QByteArray rgb = encoded(test::photoLikeImage(105, 40), "bmp");
    ASSERT_EQ(le32(rgb, 28) & 0xffff, 24u);
    Raster indexed;
    indexed.setImage(test::allIndicesImage(64, 40));
    indexed.save(dir + QStringLiteral("/indexed.bmp"), FormatBmp);
    const QByteArray eight = test::readFile(dir + QStringLiteral("/indexed.bmp"));
    ASSERT_GT(eight.size(), 1500);

    const QString cutRgb = test::writeFile(dir + QStringLiteral("/rgb500.bmp"), rgb.left(500));
    const QString cutEight = test::writeFile(dir + QStringLiteral("/eight1500.bmp"), eight.left(1500));
    // One byte short: the last row lacks its padding.
    const QString oneShort = test::writeFile(dir + QStringLiteral("/rgb-1.bmp"), rgb.left(rgb.size() - 1));
    for (const QString& path : {cutRgb, cutEight, oneShort}) {
        EXPECT_EQ(loadError(path), err::Damaged) << path.toStdString();
        EXPECT_EQ(importError(path), err::Damaged) << path.toStdString();
    }
    // A failed load leaves the bitmap as it was.
    Raster kept;
    kept.create(3, 2, 24);
    EXPECT_EQ(errorOf([&] { kept.load(cutRgb, 0); }), err::Damaged);
    EXPECT_EQ(kept.width(), 3);
}

TEST(BmpIntegrity, AHeaderClaimingFarMoreThanTheFileHoldsIsDamaged) {
    const QString dir = test::freshTempDir(QStringLiteral("integrity-bmp-liar"));
    const QString liar = test::writeFile(dir + QStringLiteral("/liar.bmp"),
                                         test::bmpHeaderClaiming(5000, 5000) + QByteArray(100, '\x7f'));
    EXPECT_EQ(loadError(liar), err::Damaged);
    EXPECT_EQ(importError(liar), err::Damaged);
    // An undo snapshot is judged the same way.
    Raster r;
    EXPECT_EQ(errorOf([&] { r.loadFromMemory(test::bmpHeaderClaiming(300, 200) + QByteArray(100, '\0')); }),
              err::Damaged);
}

TEST(BmpIntegrity, WholeFilesStillLoadPixelForPixel) {
    const QString dir = test::freshTempDir(QStringLiteral("integrity-bmp-whole"));
    const QImage photo = test::photoLikeImage(105, 40, 3);
    const QByteArray rgb = encoded(photo, "bmp");

    const QString bottomUp = test::writeFile(dir + QStringLiteral("/rgb.bmp"), rgb);
    EXPECT_EQ(loaded(bottomUp), photo);
    const QString flipped = test::writeFile(dir + QStringLiteral("/top-down.bmp"), topDown(rgb));
    EXPECT_EQ(loaded(flipped), photo);
    for (int infoSize : {40, 108}) {
        const QString path = test::writeFile(dir + QStringLiteral("/fields%1.bmp").arg(infoSize), bitfieldsBmp(photo, infoSize));
        EXPECT_EQ(loaded(path), photo) << infoSize;
        const QByteArray bytes = test::readFile(path);
        test::writeFile(path, bytes.left(bytes.size() - 1));
        EXPECT_EQ(loadError(path), err::Damaged) << infoSize;
    }

    for (int width : {1, 3, 64}) {
        Raster indexed;
        indexed.setImage(test::allIndicesImage(width, 7));
        const QString path = dir + QStringLiteral("/indexed%1.bmp").arg(width);
        indexed.save(path, FormatBmp);
        Raster back;
        back.load(path, 0);
        EXPECT_EQ(back.image(), indexed.image()) << width;
    }

    // Through the import source, cut and shrunk, which reads the file again.
    ImportSource source;
    source.open(flipped, 0xFFFFFF);
    source.cut(QRect(10, 5, 30, 20));
    EXPECT_EQ(source.read(200).image(), photo.copy(10, 5, 30, 20));
}

TEST(BmpIntegrity, EveryCutOfEachKindIsDamaged) {
    const QImage photo = test::photoLikeImage(13, 6, 9);
    expectEveryCutDamaged(encoded(photo, "bmp"), "24-bit");
    expectEveryCutDamaged(topDown(encoded(photo, "bmp")), "top-down");
    expectEveryCutDamaged(encoded(test::allIndicesImage(5, 4), "bmp"), "8-bit");
    expectEveryCutDamaged(bitfieldsBmp(photo, 40), "bit fields");
    expectEveryCutDamaged(bitfieldsBmp(photo, 108), "bit fields, long header");
    expectEveryCutDamaged(rle8Bmp(true), "run-length");
}

TEST(BmpIntegrity, RunLengthFilesMustReachTheirEnd) {
    const QString dir = test::freshTempDir(QStringLiteral("integrity-bmp-rle"));
    const QString whole = test::writeFile(dir + QStringLiteral("/rle.bmp"), rle8Bmp(true));
    Raster r;
    r.load(whole, 0);
    ASSERT_EQ(QSize(r.width(), r.height()), QSize(kRleWidth, kRleHeight));
    for (int y = 0; y < kRleHeight; ++y)
        for (int x = 0; x < kRleWidth; ++x) EXPECT_EQ(r.image().pixelIndex(x, y), kRleRows[y][x]) << x << "," << y;
    // Ending every row is as good as the end mark.
    EXPECT_EQ(checkBytes(rle8Bmp(false)), 0);

    QByteArray noEnd = rle8Bmp(true);
    noEnd.chop(2);
    EXPECT_EQ(loadError(test::writeFile(dir + QStringLiteral("/no-end.bmp"), noEnd)), err::Damaged);
    QByteArray offsetPastEnd = rle8Bmp(true);
    putLe32(offsetPastEnd, 10, uint32_t(offsetPastEnd.size()));
    EXPECT_EQ(checkBytes(offsetPastEnd), err::Damaged);
    QByteArray wrongDepth = rle8Bmp(true);
    putLe16(wrongDepth, 28, 24);
    EXPECT_EQ(checkBytes(wrongDepth), err::Damaged);
}

TEST(BmpIntegrity, NonsenseHeaderFieldsAreDamagedWithoutOverflow) {
    const QByteArray good = encoded(test::photoLikeImage(4, 3), "bmp");
    ASSERT_EQ(checkBytes(good), 0);
    auto with = [&](int at, uint32_t value, bool sixteen = false) {
        QByteArray b = good;
        sixteen ? putLe16(b, at, value) : putLe32(b, at, value);
        return checkBytes(b);
    };
    EXPECT_EQ(with(18, 0), err::Damaged);           // no width
    EXPECT_EQ(with(18, uint32_t(-4)), err::Damaged); // negative width
    EXPECT_EQ(with(22, 0), err::Damaged);           // no height
    EXPECT_EQ(with(22, 0x80000000u), err::Damaged); // a height with no positive counterpart
    EXPECT_EQ(with(28, 3, true), err::Damaged);     // three bits a pixel
    EXPECT_EQ(with(14, 8), err::Damaged);           // an info header smaller than any
    EXPECT_EQ(with(14, 0xFFFFFFF0u), err::Damaged); // an info header larger than the file
    QByteArray manyColours = encoded(test::allIndicesImage(4, 3), "bmp");
    ASSERT_EQ(checkBytes(manyColours), 0);
    putLe32(manyColours, 46, 0xFFFFFFFFu); // more colours than any table holds
    EXPECT_EQ(checkBytes(manyColours), err::Damaged);
    // The largest sides there are: rows times row bytes would not fit 64 bits if multiplied.
    QByteArray huge = good;
    putLe32(huge, 18, 0x7FFFFFFF);
    putLe32(huge, 22, 0x7FFFFFFF);
    putLe16(huge, 28, 32);
    EXPECT_EQ(checkBytes(huge), err::Damaged);
    putLe32(huge, 22, uint32_t(-0x7FFFFFFF));
    EXPECT_EQ(checkBytes(huge), err::Damaged);
    EXPECT_EQ(checkBytes(QByteArray("BM", 2)), err::Damaged);
}

// ---- TIFF --------------------------------------------------------------------------------------

TEST(TiffIntegrity, QtWrittenFilesLoadWholeAndAreDamagedWhenCut) {
    const QString dir = test::freshTempDir(QStringLiteral("integrity-tiff"));
    for (const QSize size : {QSize(1, 1), QSize(37, 21), QSize(30, 20), QSize(64, 48)}) {
        const QImage photo = test::photoLikeImage(size.width(), size.height(), 7);
        Raster indexed;
        indexed.setImage(test::allIndicesImage(size.width(), size.height()));
        const QString rgbPath = dir + QStringLiteral("/rgb%1.tif").arg(size.width());
        const QString idxPath = dir + QStringLiteral("/idx%1.tif").arg(size.width());
        Raster rgb;
        rgb.setImage(photo);
        rgb.save(rgbPath, FormatTif);
        indexed.save(idxPath, FormatTif);
        EXPECT_EQ(loaded(rgbPath), photo) << size.width();
        Raster back;
        back.load(idxPath, 0);
        EXPECT_EQ(back.image(), indexed.image()) << size.width();
        expectEveryCutDamaged(test::readFile(rgbPath), "RGB TIFF " + std::to_string(size.width()));
        expectEveryCutDamaged(test::readFile(idxPath), "indexed TIFF " + std::to_string(size.width()));
    }
    // The colour map of a paletted picture goes first when the end is lost; the reader would
    // carry on with a black one.
    const QByteArray whole = test::readFile(dir + QStringLiteral("/idx30.tif"));
    ASSERT_GT(whole.size(), 1500);
    const QString cut = test::writeFile(dir + QStringLiteral("/cut.tif"), whole.left(1500));
    EXPECT_EQ(loadError(cut), err::Damaged);
    EXPECT_EQ(importError(cut), err::Damaged);
}

TEST(TiffIntegrity, BothByteOrdersAndEveryTableLayoutAreRead) {
    const QString dir = test::freshTempDir(QStringLiteral("integrity-tiff-orders"));
    struct Layout {
        int width, height;
        uint16_t offsetType, countType;
    };
    // One strip keeps both tables in their entries; two SHORT offsets still fit, two LONG
    // counts do not; five strips put both elsewhere.
    const Layout layouts[] = {{7, 1, 4, 4}, {6, 2, 3, 4}, {5, 5, 4, 3}, {9, 5, 3, 3}};
    for (bool big : {false, true}) {
        for (const Layout& l : layouts) {
            const QByteArray pixels = greyPixels(l.width, l.height);
            const QByteArray file = TiffBuilder(big).grey(l.width, pixels, l.offsetType, l.countType);
            const std::string what = (big ? "MM " : "II ") + std::to_string(l.width) + "x" + std::to_string(l.height);
            const QString path = test::writeFile(dir + QStringLiteral("/g%1%2.tif").arg(big).arg(l.width), file);
            EXPECT_EQ(loaded(path), greyImage(l.width, pixels)) << what;
            expectEveryCutDamaged(file, what);
        }
    }
}

TEST(TiffIntegrity, MissingOrStrayTablesAreDamaged) {
    const QByteArray pixels = greyPixels(4, 2);
    const std::vector<TiffEntry> base = {{256, 3, {4}}, {257, 3, {2}}, {262, 3, {1}}};
    auto file = [&](std::vector<TiffEntry> tables) {
        std::vector<TiffEntry> entries = base;
        entries.insert(entries.end(), tables.begin(), tables.end());
        return TiffBuilder(false).build(pixels, entries);
    };
    auto withTables = [&](std::vector<TiffEntry> tables) { return checkBytes(file(tables)); };
    // A second strip from byte 12 reaching exactly to the end of the file, then one byte beyond.
    const uint32_t toEnd = uint32_t(file({{273, 4, {8, 12}}, {279, 4, {4, 4}}}).size() - 12);
    EXPECT_EQ(withTables({{273, 4, {8, 12}}, {279, 4, {4, toEnd}}}), 0);
    EXPECT_EQ(withTables({{273, 4, {8, 12}}, {279, 4, {4, toEnd + 1}}}), err::Damaged);
    EXPECT_EQ(withTables({{273, 4, {8, 0xFFFFFFF0u}}, {279, 4, {4, 0x20}}}), err::Damaged);
    EXPECT_EQ(withTables({{273, 4, {8, 12}}}), err::Damaged);                // no counts
    EXPECT_EQ(withTables({{279, 4, {4, 4}}}), err::Damaged);                 // no offsets
    EXPECT_EQ(withTables({{273, 4, {8, 12}}, {279, 4, {4}}}), err::Damaged); // fewer counts than strips
    EXPECT_EQ(withTables({{273, 11, {8}}, {279, 4, {8}}}), err::Damaged);    // positions as FLOAT
    // Tiles: their tables decide, strips or no strips.
    const uint32_t tileToEnd = uint32_t(file({{324, 4, {8}}, {325, 4, {8}}}).size() - 8);
    EXPECT_EQ(withTables({{324, 4, {8}}, {325, 4, {tileToEnd}}}), 0);
    EXPECT_EQ(withTables({{324, 4, {8}}, {325, 4, {tileToEnd + 1}}}), err::Damaged);
    EXPECT_EQ(withTables({{273, 4, {8}}, {279, 4, {8}}, {324, 4, {8}}}), err::Damaged);

    // A private tag pointing past the end is its own program's business; a standard one is not.
    QByteArray stray = file({{273, 4, {8}}, {279, 4, {8}}, {40000, 1, std::vector<uint32_t>(6)}});
    ASSERT_EQ(checkBytes(stray), 0);
    const qsizetype privateEntry = stray.indexOf(QByteArray("\x40\x9C\x01\x00\x06\x00\x00\x00", 8));
    ASSERT_GT(privateEntry, 0);
    putLe32(stray, int(privateEntry) + 8, uint32_t(stray.size() - 4));
    EXPECT_EQ(checkBytes(stray), 0);
    stray = file({{258, 3, {8, 8, 8}}, {273, 4, {8}}, {279, 4, {8}}});
    ASSERT_EQ(checkBytes(stray), 0);
    const qsizetype bitsEntry = stray.indexOf(QByteArray("\x02\x01\x03\x00\x03\x00\x00\x00", 8));
    ASSERT_GT(bitsEntry, 0);
    putLe32(stray, int(bitsEntry) + 8, uint32_t(stray.size() - 4));
    EXPECT_EQ(checkBytes(stray), err::Damaged);
}

TEST(TiffIntegrity, HugeDirectoriesAreReadOnceAndOnlyWhereTheFileReaches) {
    const QByteArray pixels = greyPixels(8, 2);
    std::vector<TiffEntry> entries;
    for (int i = 0; i < 65533; ++i) entries.push_back({uint16_t(1000 + i % 30000), 1, {1, 2, 3, 4}});
    entries.push_back({273, 4, {8}});
    entries.push_back({279, 4, {16}});
    const QByteArray file = TiffBuilder(false).build(pixels, entries);
    EXPECT_EQ(checkBytes(file), 0);
    // The strip's size is the last entry's value: up to the end of the file, then one byte more.
    QByteArray toEnd = file;
    putLe32(toEnd, int(toEnd.size()) - 8, uint32_t(toEnd.size() - 8));
    EXPECT_EQ(checkBytes(toEnd), 0);
    putLe32(toEnd, int(toEnd.size()) - 8, uint32_t(toEnd.size() - 7));
    EXPECT_EQ(checkBytes(toEnd), err::Damaged);
    // A directory that claims every entry there can be and holds none.
    QByteArray claims("II\x2A\x00\x08\x00\x00\x00\xFF\xFF", 10);
    EXPECT_EQ(checkBytes(claims), err::Damaged);
    EXPECT_EQ(checkBytes(QByteArray("II\x2A\x00\xFF\xFF\xFF\x7F", 8)), err::Damaged);
    // BigTIFF and anything that is not TIFF or BMP are left to their readers.
    EXPECT_EQ(checkBytes(QByteArray("II\x2B\x00", 4)), 0);
    EXPECT_EQ(checkBytes(QByteArray("\x89PNG", 4)), 0);
    EXPECT_EQ(checkBytes(QByteArray()), 0);
}

// ---- PCX ---------------------------------------------------------------------------------------

TEST(PcxIntegrity, VersionFiveWithoutItsPaletteIsDamaged) {
    const QString dir = test::freshTempDir(QStringLiteral("integrity-pcx"));
    Raster source;
    source.setImage(test::allIndicesImage(23, 13));
    const QString wholePath = dir + QStringLiteral("/whole.pcx");
    source.save(wholePath, FormatPcx);
    const QByteArray whole = test::readFile(wholePath);
    ASSERT_EQ(uchar(whole[1]), 5);
    Raster back;
    back.load(wholePath, 0);
    EXPECT_EQ(back.image(), source.image());

    const QString noPalette = test::writeFile(dir + QStringLiteral("/no-palette.pcx"), whole.left(whole.size() - 769));
    EXPECT_EQ(loadError(noPalette), err::Damaged);
    EXPECT_EQ(importError(noPalette), err::Damaged);
    for (qsizetype n = 0; n < whole.size(); ++n)
        ASSERT_EQ(errorOf([&] { pcx::read(whole.left(n)); }), err::Damaged) << "prefix " << n << " of " << whole.size();

    // Pixels cut short in the middle with the palette still there: the stream must not run on
    // into the palette.
    const QByteArray trailer = whole.right(769);
    const QByteArray pixels = whole.mid(128, whole.size() - 128 - 769);
    for (int lost : {1, 2, 40, 400})
        EXPECT_EQ(errorOf([&] { pcx::read(whole.left(128) + pixels.left(pixels.size() - lost) + trailer); }),
                  err::Damaged)
            << lost;
}

TEST(PcxIntegrity, OlderVersionsHaveNoPaletteAndStayGrey) {
    Raster source;
    source.setImage(test::allIndicesImage(16, 16));
    const QByteArray whole = pcx::write(source.image());
    for (char version : {0, 2, 3, 4}) {
        QByteArray old = whole.left(whole.size() - 769);
        old[1] = version;
        const QImage img = pcx::read(old);
        ASSERT_EQ(img.size(), QSize(16, 16)) << int(version);
        for (int i : {0, 77, 255}) EXPECT_EQ(img.pixel(i % 16, i / 16), qRgb(i, i, i)) << int(version);
        // One that carries the palette anyway has it read.
        old = whole;
        old[1] = version;
        EXPECT_EQ(pcx::read(old), source.image()) << int(version);
    }
}

// ---- memory ------------------------------------------------------------------------------------

namespace {

#ifdef QORN_INTEGRITY_ASAN
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

// The most address space the process has ever had mapped, in kB.
long peakKb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmPeak:") {
            long kb = 0;
            status >> kb;
            return kb;
        }
        status.ignore(1 << 16, '\n');
    }
    return -1;
}

// Runs in the death test's child, where nothing before it has mapped much.
[[noreturn]] void openAndReport(const QString& path, bool import) {
    // The image plugins are mapped before measuring.
    QImageReader(path).format();
    const long before = peakKb();
    QString outcome;
    try {
        if (import) {
            ImportSource source;
            source.open(path, 0xFFFFFF);
            source.read(200);
        } else {
            Raster r;
            r.load(path, 0);
        }
        outcome = QStringLiteral("opened");
    } catch (const Error& e) {
        outcome = QStringLiteral("error %1").arg(e.number());
    }
    const long grownMb = (peakKb() - before) / 1024;
    std::fprintf(stderr, "outcome: %s, %s.\n", qPrintable(outcome),
                 before > 0 && grownMb < 16 ? "little mapped" : qPrintable(QStringLiteral("%1 MB mapped").arg(grownMb)));
    std::_Exit(0);
}

} // namespace

TEST(ImageIntegrityDeathTest, ALyingBmpIsRefusedBeforeItsPixelsAreAllocated) {
    if (kAddressSanitizer) GTEST_SKIP() << "AddressSanitizer maps its own shadow memory";
    const std::string style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const QString dir = test::freshTempDir(QStringLiteral("integrity-memory"));
    // 5000 x 5000 stitches at four bytes each would be 100 MB.
    const QString liar = test::writeFile(dir + QStringLiteral("/liar.bmp"),
                                         test::bmpHeaderClaiming(5000, 5000) + QByteArray(100, '\x7f'));
    EXPECT_EXIT(openAndReport(liar, false), ::testing::ExitedWithCode(0), "outcome: error 20009, little mapped\\.");
    EXPECT_EXIT(openAndReport(liar, true), ::testing::ExitedWithCode(0), "outcome: error 20009, little mapped\\.");
    GTEST_FLAG_SET(death_test_style, style);
}
