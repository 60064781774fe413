#include "colour/palette.h"
#include "common/error.h"
#include "document/pattern_files.h"
#include "edit/edit_ops.h"
#include "imaging/quantize.h"
#include "imaging/raster_ops.h"
#include "import/import_source.h"
#include "support/sample_images.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace qorn;
using qorn::test::errorOf;

namespace {

// Every stitch a colour of its own, so that any stitch moved or lost shows.
Raster numbered(int width, int height) {
    Raster r;
    r.create(width, height, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) r.setPixel(x, y, makeColorRef(x, y, (x * 7 + y * 13) & 0xff));
    return r;
}

Raster fromImage(const QImage& image) {
    Raster r;
    r.setImage(image);
    return r;
}

const Palette& shippedPalette() {
    static const Palette p = [] {
        Palette out;
        EXPECT_TRUE(out.load(QStringLiteral(QORN_SOURCE_DIR "/data/defpal.dat")));
        return out;
    }();
    return p;
}

std::array<QRgb, 256> rgbPalette(const Palette& p) {
    std::array<QRgb, 256> out;
    for (int i = 0; i < 256; ++i) out[size_t(i)] = rgbFromColorRef(p[i]);
    return out;
}

QRgb nearestColour(QRgb c) {
    static const auto palette = rgbPalette(shippedPalette());
    return palette[size_t(PaletteMatcher::nearestByScan(palette, c))];
}

QSet<QRgb> paletteColours() {
    QSet<QRgb> out;
    for (QRgb c : rgbPalette(shippedPalette())) out.insert(c);
    return out;
}

QRgb at(const Raster& r, int x, int y) { return rgbFromColorRef(r.pixel(x, y)); }

std::vector<QRgb> rowOf(const QImage& image, int y) {
    const auto* p = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    return {p, p + image.width()};
}

} // namespace

// ---- numbers typed into dialog fields

TEST(ParseFieldNumber, PlainDecimalsRoundHalvesToEven) {
    const std::pair<const char*, int> good[] = {
        {"9", 9},          {"201", 201},       {" 12 ", 12},        {"\t-3", -3},   {"+7", 7},
        {"12.5", 12},      {"13.5", 14},       {"-2.5", -2},        {".5", 0},      {"5.", 5},
        {"1e2", 100},      {"1E+2", 100},      {"2.5e1", 25},       {"150e-1", 15}, {"32767.4", 32767},
        {"-32768", -32768}, {"-32768.5", -32768}, {"0.0000125e6", 12}, {"1e-400", 0}, {"000000000000000000000042", 42},
    };
    for (const auto& [text, value] : good) {
        const std::optional<int> got = parseFieldNumber(QString::fromUtf8(text));
        ASSERT_TRUE(got.has_value()) << text;
        EXPECT_EQ(*got, value) << text;
    }
}

TEST(ParseFieldNumber, RefusesWhatIsNoNumberOrBeyondSixteenBits) {
    const char* const bad[] = {"",     "   ",    "abc",    "nan",  "NaN", "inf",   "-inf", "infinity", "0x10", "1,5",
                               "12abc", "1 2",   "1e",     "e5",   ".",   "+",     "--1",  "1e2.5",    "40000",
                               "32767.5", "-32769", "1e400", "１２", "1e999999999999999999999"};
    for (const char* text : bad) EXPECT_FALSE(parseFieldNumber(QString::fromUtf8(text)).has_value()) << text;
}

TEST(PatternFileListInput, NanAndInfinityAreNoNumbers) {
    const QString dir = test::freshTempDir(QStringLiteral("edit-ops-qrd"));
    for (const char* field : {"nan", "NAN", "inf", "-inf", "infinity"}) {
        const QByteArray text = QByteArray("\"bmp\",") + field + ",20,15\r\n";
        EXPECT_EQ(errorOf([&] { readQrd(test::writeFile(dir + QStringLiteral("/p.qrd"), text)); }), err::TypeMismatch)
            << field;
    }
    // The rest of the reader is as it was: an empty field is 0, 16 bits overflow.
    EXPECT_EQ(readQrd(test::writeFile(dir + QStringLiteral("/p.qrd"), "\"bmp\",,20,15")).mee, 0);
    EXPECT_EQ(errorOf([&] { readQrd(test::writeFile(dir + QStringLiteral("/p.qrd"), "\"bmp\",20,40000,15")); }),
              err::Overflow);
    // Halves round to even first: 32767.5 is 32768, one past 16 bits; 32766.5 is 32766.
    EXPECT_EQ(errorOf([&] { readQrd(test::writeFile(dir + QStringLiteral("/p.qrd"), "\"bmp\",20,32767.5,15")); }),
              err::Overflow);
    EXPECT_EQ(readQrd(test::writeFile(dir + QStringLiteral("/p.qrd"), "\"bmp\",32766.5,20,15")).mee, 32766);
}

// ---- rectangles of stitches

TEST(EditStitches, FillChangesExactlyTheClippedRectangle) {
    const Raster before = numbered(40, 30);
    struct Case {
        QRect area, inside;
    };
    const Case cases[] = {{QRect(30, 20, 50, 50), QRect(30, 20, 10, 10)},
                          {QRect(-5, -5, 10, 8), QRect(0, 0, 5, 3)},
                          {QRect(13, 10, -10, -6), QRect(3, 4, 10, 6)}, // dragged up and to the left
                          {QRect(100, 100, 5, 5), QRect()}};
    const ColorRef red = makeColorRef(255, 0, 0);
    for (const Case& c : cases) {
        Raster r = before;
        fillStitches(r, c.area, red);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                ASSERT_EQ(r.pixel(x, y), c.inside.contains(x, y) ? red : before.pixel(x, y))
                    << x << "," << y << " in " << c.area.x() << "," << c.area.y();
    }
}

TEST(EditStitches, CopyThenPasteBackGivesTheSameStitches) {
    const Raster before = numbered(40, 30);
    const QImage copy = copyStitches(before, QRect(25, 18, 30, 30));
    ASSERT_EQ(copy.size(), QSize(15, 12));
    EXPECT_EQ(copy.format(), QImage::Format_RGB32);
    Raster r = before;
    fillStitches(r, QRect(25, 18, 15, 12), 0);
    gdi::bitBlt(r.pixels(), 25, 18, copy.width(), copy.height(), copy, 0, 0, gdi::Rop::SrcCopy);
    EXPECT_EQ(r.image(), before.image());
    EXPECT_TRUE(copyStitches(before, QRect(40, 0, 5, 5)).isNull());

    // An 8-bit pattern gives the same stitches, as 24 bits.
    const Raster indexed = fromImage(test::allIndicesImage(20, 20));
    const QImage part = copyStitches(indexed, QRect(3, 4, 6, 5));
    ASSERT_EQ(part.format(), QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) ASSERT_EQ(part.pixel(x, y), indexed.image().pixel(x + 3, y + 4));
}

TEST(EditStitches, MirrorTurnsOnlyTheBlock) {
    const Raster before = numbered(40, 30);
    const QRect area(5, 3, 10, 7);
    for (bool upsideDown : {false, true}) {
        Raster r = before;
        mirrorStitches(r, area, upsideDown);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                int fx = x, fy = y;
                if (area.contains(x, y)) {
                    if (upsideDown) fy = area.top() + area.bottom() - y;
                    else fx = area.left() + area.right() - x;
                }
                ASSERT_EQ(r.pixel(x, y), before.pixel(fx, fy)) << x << "," << y << " upside down " << upsideDown;
            }
        mirrorStitches(r, area, upsideDown);
        EXPECT_EQ(r.image(), before.image());
    }
    Raster narrow = before;
    mirrorStitches(narrow, QRect(7, 0, 1, 30), false);
    mirrorStitches(narrow, QRect(0, 7, 40, 1), true);
    EXPECT_EQ(narrow.image(), before.image());

    Raster whole = before, reference = before;
    mirrorStitches(whole, QRect(-10, -10, 100, 100), true);
    reference.flip();
    EXPECT_EQ(whole.image(), reference.image());
    whole = before;
    reference = before;
    mirrorStitches(whole, whole.image().rect(), false);
    reference.mirror();
    EXPECT_EQ(whole.image(), reference.image());
}

TEST(EditStitches, GrayscaleGreysTheAreaAndSnapsEveryStitch) {
    const QImage photo = test::photoLikeImage(60, 40, 5);
    const QSet<QRgb> palette = paletteColours();
    const QRect area(10, 5, 20, 10);
    Raster r = fromImage(photo);
    grayscaleToPalette(r, area, shippedPalette());
    ASSERT_EQ(r.image().format(), QImage::Format_RGB32);
    int colouredOutside = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            const QRgb c = photo.pixel(x, y);
            const QRgb got = at(r, x, y);
            ASSERT_TRUE(palette.contains(got)) << x << "," << y;
            if (area.contains(x, y)) {
                const int g = (qRed(c) * 299 + qGreen(c) * 587 + qBlue(c) * 114 + 500) / 1000;
                ASSERT_EQ(got, nearestColour(qRgb(g, g, g))) << x << "," << y;
                ASSERT_TRUE(qRed(got) == qGreen(got) && qGreen(got) == qBlue(got)) << x << "," << y;
            } else {
                ASSERT_EQ(got, nearestColour(c)) << x << "," << y;
                colouredOutside += qRed(got) != qGreen(got) || qGreen(got) != qBlue(got);
            }
        }
    EXPECT_GT(colouredOutside, 60 * 40 / 2);

    Raster all = fromImage(photo);
    grayscaleToPalette(all, std::nullopt, shippedPalette());
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            const QRgb got = at(all, x, y);
            ASSERT_TRUE(palette.contains(got) && qRed(got) == qGreen(got) && qGreen(got) == qBlue(got));
        }
}

// ---- size of the pattern

TEST(ResizeAnchored, KeepsTheBottomLeftStitchInPlace) {
    const Raster before = numbered(100, 100);
    const ColorRef bg = makeColorRef(1, 2, 3);
    struct Case {
        int w, h;
    };
    for (const Case c : {Case{120, 80}, Case{50, 50}, Case{130, 140}, Case{100, 100}}) {
        Raster r = before;
        resizeAnchored(r, c.w, c.h, bg);
        ASSERT_EQ(r.width(), c.w);
        ASSERT_EQ(r.height(), c.h);
        ASSERT_EQ(r.image().format(), QImage::Format_RGB32);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                const int oy = y - (c.h - 100);
                const ColorRef want = x < 100 && oy >= 0 && oy < 100 ? before.pixel(x, oy) : bg;
                ASSERT_EQ(r.pixel(x, y), want) << c.w << "x" << c.h << " at " << x << "," << y;
            }
    }
    Raster r = before;
    EXPECT_EQ(errorOf([&] { resizeAnchored(r, 32768, 10, bg); }), err::OutOfMemory);
    EXPECT_EQ(r.image(), before.image());
}

TEST(ResizeAnchored, CropOfASelectionIsAtLeastFiveEachWayInsideThePattern) {
    const QSize size(100, 100);
    EXPECT_EQ(cropRectForSelection(QRect(10, 10, 3, 2), size), QRect(10, 10, 5, 5));
    // At the edge the five slide back inside: still 5 x 5, ending on the last stitch and row.
    EXPECT_EQ(cropRectForSelection(QRect(97, 98, 3, 2), size), QRect(95, 95, 5, 5));
    EXPECT_EQ(cropRectForSelection(QRect(20, 30, 40, 2), size), QRect(20, 30, 40, 5));
    EXPECT_EQ(cropRectForSelection(QRect(90, 0, 40, 60), size), QRect(90, 0, 10, 60));
    // A pattern smaller than five keeps what it has.
    EXPECT_EQ(cropRectForSelection(QRect(1, 0, 2, 1), QSize(3, 2)), QRect(0, 0, 3, 2));
}

// ---- gauge change

TEST(GaugeChange, RowsGoThroughTheSquareCopy) {
    struct Case {
        GaugeChange change;
        int square, result;
    };
    const Case cases[] = {{{20, 20, 20, 30}, 100, 150},
                          {{20, 40, 20, 20}, 50, 50},
                          {{20, 20, 25, 20}, 100, 80},
                          {{100, 100, 10, 200}, 100, 2000}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.change.squareRows(100), c.square);
        EXPECT_EQ(c.change.resultRows(100), c.result);
        EXPECT_FALSE(gaugeChangeRefusal(c.change, 100, 100).has_value());
    }
    // The ratio is the float the document stores: 7/3 as a float is just above 2.3333333,
    // so 3 rows give 7.0000002 and 3 x 2.5 = 7.5 rounds to 8.
    EXPECT_EQ((GaugeChange{7, 3, 3, 3}.squareRows(3)), 7);
    EXPECT_EQ((GaugeChange{5, 2, 2, 2}.squareRows(3)), 8);
    EXPECT_EQ((GaugeChange{5, 2, 2, 2}.squareRows(5)), 12);
}

TEST(GaugeChange, RefusesNoRowsAndTooManyRows) {
    const GaugeChange vanishing{20, 100, 50, 20};
    EXPECT_EQ(vanishing.resultRows(5), 0);
    EXPECT_EQ(gaugeChangeRefusal(vanishing, 100, 5), QStringLiteral("このゲージでは段数が0になります"));
    EXPECT_EQ(gaugeChangeRefusal({10, 40, 20, 20}, 100, 1), QStringLiteral("このゲージでは段数が0になります"));

    const GaugeChange growing{200, 10, 10, 200};
    EXPECT_EQ(growing.resultRows(400), 160000);
    EXPECT_EQ(gaugeChangeRefusal(growing, 100, 400), QStringLiteral("このゲージでは段数が多すぎます（最大32767段）"));
    EXPECT_EQ(gaugeChangeRefusal(growing, 100, 82), QStringLiteral("このゲージでは段数が多すぎます（最大32767段）"));
    EXPECT_FALSE(gaugeChangeRefusal(growing, 100, 81).has_value()); // 32400 rows
    // A square copy too tall is refused even when the result would fit.
    EXPECT_TRUE(gaugeChangeRefusal({32767, 1, 1, 32767}, 10, 2).has_value());
    // Absurd gauges saturate instead of wrapping round to a small count.
    EXPECT_TRUE(gaugeChangeRefusal({32767, 1, 1, 32767}, 10, 32767).has_value());

    const Raster pattern = numbered(100, 5);
    EXPECT_EQ(errorOf([&] { gaugeChanged(pattern, vanishing); }), err::InvalidValue);
}

TEST(GaugeChange, RowsAreOnlyRepeatedOrDroppedInOrder) {
    const Raster source = numbered(100, 100);
    const QImage original = source.image().copy();
    const GaugeChange changes[] = {{20, 20, 20, 30}, {20, 40, 20, 20}, {20, 20, 25, 20}, {13, 17, 29, 11},
                                   {20, 20, 20, 20}};
    for (const GaugeChange& c : changes) {
        const Raster out = gaugeChanged(source, c);
        ASSERT_EQ(out.width(), 100);
        ASSERT_EQ(out.height(), c.resultRows(100));
        ASSERT_EQ(out.image().format(), QImage::Format_RGB32);
        // The two nearest-neighbour stretches, done the long way.
        QImage square(100, c.squareRows(100), QImage::Format_RGB32);
        gdi::stretchBlt(square, square.rect(), source.image());
        QImage reference(100, out.height(), QImage::Format_RGB32);
        gdi::stretchBlt(reference, reference.rect(), square);
        EXPECT_EQ(out.image(), reference) << c.oldMee << "x" << c.oldDan << " to " << c.newMee << "x" << c.newDan;
        int last = 0;
        for (int y = 0; y < out.height(); ++y) {
            // numbered() puts the row number in the green channel.
            const int from = colorRefGreen(out.pixel(0, y));
            ASSERT_GE(from, last);
            ASSERT_EQ(rowOf(out.image(), y), rowOf(original, from));
            last = from;
        }
    }
    EXPECT_EQ(gaugeChanged(source, {20, 20, 20, 20}).image(), original);
    EXPECT_EQ(source.image(), original);
}

// ---- pictures pasted from the clipboard

TEST(PictureToPattern, TransparencyIsWhiteAndEveryStitchAPaletteColour) {
    QImage straight(4, 1, QImage::Format_ARGB32);
    straight.setPixel(0, 0, qRgba(255, 0, 0, 0));   // fully transparent red
    straight.setPixel(1, 0, qRgba(200, 30, 40, 255));
    straight.setPixel(2, 0, qRgba(0, 0, 0, 128));   // half black over white: 127
    straight.setPixel(3, 0, qRgba(0, 0, 255, 0));
    const QRgb want[] = {nearestColour(qRgb(255, 255, 255)), nearestColour(qRgb(200, 30, 40)),
                         nearestColour(qRgb(127, 127, 127)), nearestColour(qRgb(255, 255, 255))};
    ASSERT_EQ(want[0], qRgb(255, 255, 255));
    for (QImage::Format f : {QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied, QImage::Format_RGBA8888}) {
        const Raster r = pictureToPattern(straight.convertToFormat(f), shippedPalette());
        ASSERT_EQ(r.image().format(), QImage::Format_RGB32) << f;
        for (int x = 0; x < 4; ++x) EXPECT_EQ(at(r, x, 0), want[x]) << "format " << f << " x " << x;
    }

    const QImage photo = test::photoLikeImage(120, 90, 9);
    const Raster r = pictureToPattern(photo, shippedPalette());
    ASSERT_EQ(r.image().format(), QImage::Format_RGB32);
    ASSERT_EQ(r.image().size(), photo.size());
    const QSet<QRgb> palette = paletteColours();
    QSet<QRgb> used;
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x) {
            ASSERT_TRUE(palette.contains(at(r, x, y))) << x << "," << y;
            used.insert(at(r, x, y));
        }
    EXPECT_GT(used.size(), 10); // a photograph does not collapse to a few colours
}

TEST(PictureToPattern, SameColoursAsAnImport) {
    Raster work = fromImage(test::photoLikeImage(80, 60, 3));
    reduceToPalette(work, shippedPalette(), 256, true);
    ASSERT_EQ(work.bitsPerPixel(), 8);
    const Raster pasted = pictureToPattern(test::photoLikeImage(80, 60, 3), shippedPalette());
    EXPECT_EQ(pasted.image(), work.image().convertToFormat(QImage::Format_RGB32));
    for (int i = 0; i < 256; ++i) ASSERT_EQ(work.bitmapPalette(i), shippedPalette()[i]);
}

TEST(PictureToPattern, RefusesWhatNoBitmapMayHold) {
    EXPECT_EQ(errorOf([] { pictureToPattern(QImage(32768, 1, QImage::Format_RGB32), shippedPalette()); }),
              err::OutOfMemory);
    EXPECT_EQ(errorOf([] { pictureToPattern(QImage(1, 32768, QImage::Format_Mono), shippedPalette()); }),
              err::OutOfMemory);
    EXPECT_EQ(errorOf([] { pictureToPattern(QImage(), shippedPalette()); }), err::OutOfMemory);
    EXPECT_EQ(pictureToPattern(QImage(32767, 1, QImage::Format_RGB32), shippedPalette()).width(), 32767);
}
