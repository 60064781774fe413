#include "support/sample_images.h"
#include "view/canvas_bitmap.h"
#include "view/canvas_renderer.h"
#include "view/symbol_font.h"

#include <QFontInfo>
#include <QPainter>

#include <gtest/gtest.h>

#include <map>
#include <random>

using namespace qorn;

namespace {

// One character per pixel, rows separated by '/'.
const std::map<char, QRgb> kColours = {
    {'r', 0xffff0000}, {'b', 0xff0000ff}, {'g', 0xff00ff00}, {'=', 0xff404040}, // red, blue, green, border
    {'c', 0xff00ffff}, {'y', 0xffffff00}, {'-', 0xffbfbfbf},                    // the same XOR white
};
constexpr ColorRef kGreen = makeColorRef(0, 255, 0);

QImage picture(const std::string& text) {
    const size_t width = text.find('/') == std::string::npos ? text.size() : text.find('/');
    QImage img(int(width), int((text.size() + 1) / (width + 1)), QImage::Format_RGB32);
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] != '/') img.setPixel(int(i % (width + 1)), int(i / (width + 1)), kColours.at(text[i]));
    return img;
}

std::string describe(const QImage& img) {
    std::string out;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x <= img.width(); ++x) {
            char c = x == img.width() ? '/' : '?';
            for (const auto& [k, v] : kColours)
                if (x < img.width() && v == img.pixel(x, y)) c = k;
            out += c;
        }
    return out.substr(0, out.size() - 1);
}

std::string crossView(const std::string& pattern, int zoom, float asp2, GridChoice grid = GridNone) {
    CanvasRenderer r;
    r.setCrossView(kGreen);
    const QImage p = picture(pattern);
    return describe(r.renderAll(p, {p.width(), p.height(), zoom, asp2}, grid));
}

Palette shippedPalette() {
    Palette p;
    EXPECT_TRUE(p.load(QStringLiteral(QORN_SOURCE_DIR "/data/defpal.dat")));
    return p;
}

// A symbol drawn here the plain way, aliased black on white at the left of its cell, then sized.
QImage referenceCell(const QString& symbol, QSize size) {
    QFont font = symbolFont();
    font.setStyleStrategy(QFont::NoAntialias);
    const int t = symbolCellSide(font);
    QImage cell(t, t, QImage::Format_RGB32);
    cell.setDotsPerMeterX(3780);
    cell.setDotsPerMeterY(3780);
    cell.fill(0xffffffff);
    QPainter p(&cell);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QPoint(0, p.fontMetrics().ascent()), symbol);
    p.end();
    return scaleMinimum(cell, size).convertToFormat(QImage::Format_RGB32);
}

bool dark(const QImage& gray, int x, int y) {
    return gray.constScanLine(y)[x] < 128;
}

} // namespace

TEST(CrossView, TilesOfZoom4AndZoom11AtThreeGauges) {
    const std::string square = "rgrrbgbb/rrrgbbbg/grrrgbbb/rgrrbgbb/bgbbgggg/bbbggggg/gbbbgggg/bgbbgggg";
    EXPECT_EQ(crossView("rb/bg", 4, 1.0f), square + "/========");
    // Half-height cells: the top row's tiles reach into the row below and join its own.
    EXPECT_EQ(crossView("rb/bg", 4, 0.5f), "rgrrbgbb/rrrgbbbg/ggbbgggg/bgbggggg/========");
    // Double-height cells: the lower half of each cell stays plain.
    EXPECT_EQ(crossView("rb/bg", 4, 2.0f), square.substr(0, 36) + "rrrrbbbb/rrrrbbbb/rrrrbbbb/rrrrbbbb/" +
                                               square.substr(36) +
                                               "/bbbbgggg/bbbbgggg/bbbbgggg/bbbbgggg/========");

    const std::string tile = "rrrggggrrrr/rrrrrgrrrrr/grrrrrrrrrr/grrrrrrrrrr/ggrrrrrrrrg/ggrrrrrrrgg/"
                             "grrrrrrrrrg/rrrrrrrrrrr/rrrrrrrrrrr/rrrrrgrrrrr/rrrrgggrrrr/";
    EXPECT_EQ(crossView("r", 11, 1.0f), tile + "===========");
    std::string tall = tile;
    for (int i = 0; i < 11; ++i)
        tall += "rrrrrrrrrrr/";
    EXPECT_EQ(crossView("r", 11, 2.0f), tall + "===========");
    // Rows of 5 and 6 pixels: the red row's tile runs to the foot of the canvas, over the blue row.
    EXPECT_EQ(crossView("r/b", 11, 0.5f),
              tile.substr(0, 60) + "ggbggggbbgg/gbbbbgbbbbg/gbbbbbbbbbb/gbbbbbbbbbb/ggbbbgbbbbg/ggbbgggbbgg/"
                                   "===========");
}

TEST(CrossView, TilesLieOverTheGridAndBackgroundCellsLookPlain) {
    // The line at x = 0 inverts the first column; where a tile covers it, the tile wins.
    EXPECT_EQ(crossView("rb/bg", 4, 1.0f, GridFive),
              "cgrrbgbb/crrgbbbg/grrrgbbb/cgrrbgbb/ygbbgggg/ybbggggg/gbbbgggg/ygbbgggg/--------");

    // Against the normal view: tiles only turn pixels to the background colour, and leave
    // background cells exactly as they were.
    const Palette palette = shippedPalette();
    QImage pattern(9, 8, QImage::Format_RGB32);
    std::mt19937 rng(5);
    for (int y = 0; y < pattern.height(); ++y)
        for (int x = 0; x < pattern.width(); ++x)
            pattern.setPixel(x, y, rgbFromColorRef(rng() % 3 == 0 ? kGreen : palette[int(rng() % 256)]));
    for (int zoom = 4; zoom <= 11; ++zoom)
        for (float asp2 : {0.5f, 1.0f, 1.6f}) {
            const CanvasGeometry g{pattern.width(), pattern.height(), zoom, asp2};
            CanvasRenderer normal, cross;
            cross.setCrossView(kGreen);
            const QImage n = normal.renderAll(pattern, g, GridOne), c = cross.renderAll(pattern, g, GridOne);
            const QImage plainNormal = normal.renderAll(pattern, g, GridNone),
                         plain = cross.renderAll(pattern, g, GridNone);
            int changed = 0;
            for (int y = 0; y < g.pixelHeight(); ++y)
                for (int x = 0; x < g.pixelWidth(); ++x) {
                    if (n.pixel(x, y) != c.pixel(x, y)) {
                        ++changed;
                        ASSERT_EQ(c.pixel(x, y), rgbFromColorRef(kGreen)) << zoom << " " << x << "," << y;
                    }
                    if (pattern.pixel(x / zoom, g.rowOfPixel(y)) == rgbFromColorRef(kGreen))
                        ASSERT_EQ(plain.pixel(x, y), plainNormal.pixel(x, y)) << zoom << " " << x << "," << y;
                }
            EXPECT_GT(changed, 0) << zoom;
        }
}

TEST(PatternView, SymbolCellIsTheKanjiHeightInTheSubstitutedFonts) {
    EXPECT_EQ(QFontInfo(symbolFont()).family(), QStringLiteral("IPAGothic"));
    EXPECT_EQ(symbolCellSide(symbolFont()), 12);
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("ＭＳ Ｐゴシック"))).family(), QStringLiteral("IPAPGothic"));
}

TEST(PatternView, AllSymbolsAShowAEverywhereButOnTheBackgroundColour) {
    Palette palette = shippedPalette();
    palette.set(200, palette[15]); // the background index repeats white, whose stitches map to 15
    std::array<QString, 256> symbols;
    symbols.fill(QStringLiteral("A"));
    QImage pattern(7, 9, QImage::Format_RGB32);
    std::mt19937 rng(3);
    for (int y = 0; y < pattern.height(); ++y)
        for (int x = 0; x < pattern.width(); ++x)
            pattern.setPixel(x, y, rgbFromColorRef(palette[rng() % 2 ? 15 : int(rng() % 256)]));
    CanvasRenderer r;
    r.setPatternView(pattern, palette, 200, symbols);
    ASSERT_EQ(r.displayMode(), DisplayMode::Pattern);
    for (int zoom = 4; zoom <= 11; ++zoom)
        for (float asp2 : {1.0f, 0.73333335f, 2.0f}) {
            const CanvasGeometry g{pattern.width(), pattern.height(), zoom, asp2};
            const QImage out = r.renderAll(pattern, g, GridNone);
            for (int i = 0; i < g.H; ++i) {
                // Rows differ in height by a pixel; each takes the symbol sized to its own.
                const int top = g.firstPixelOfRow(i), height = g.firstPixelOfRow(i + 1) - top;
                const QImage a = referenceCell(QStringLiteral("A"), QSize(zoom, height));
                QImage blank(zoom, height, QImage::Format_RGB32);
                blank.fill(0xffffffff);
                ASSERT_NE(a, blank);
                for (int k = 0; k < g.W; ++k)
                    ASSERT_EQ(out.copy(k * zoom, top, zoom, height),
                              pattern.pixel(k, i) == rgbFromColorRef(palette[15]) ? blank : a)
                        << "cell " << k << "," << i << " zoom " << zoom << " asp2 " << asp2;
            }
        }
}

TEST(PatternView, CellsShowTheirNearestEntrysSymbolUnderTheGrid) {
    const Palette palette = shippedPalette();
    std::array<QString, 256> symbols;
    symbols.fill(QStringLiteral("○"));
    symbols[37] = QStringLiteral("亜");
    // Index 37, a colour one step off it, and the background.
    const QRgb c37 = rgbFromColorRef(palette[37]);
    QImage pattern(3, 1, QImage::Format_RGB32);
    pattern.setPixel(0, 0, c37);
    pattern.setPixel(1, 0, c37 ^ 0x010000);
    pattern.setPixel(2, 0, rgbFromColorRef(palette[40]));
    CanvasRenderer r, normal;
    r.setPatternView(pattern, palette, 40, symbols);
    const CanvasGeometry g{3, 1, 11, 1.0f};
    const QImage out = r.renderAll(pattern, g, GridNone), lined = r.renderAll(pattern, g, GridOne);
    EXPECT_EQ(out.copy(0, 0, 11, 11), referenceCell(symbols[37], QSize(11, 11)));
    EXPECT_EQ(out.copy(11, 0, 11, 11), referenceCell(symbols[37], QSize(11, 11)));
    EXPECT_EQ(out.copy(22, 0, 11, 11), referenceCell(QString(), QSize(11, 11)));
    // The grid is the same XOR over symbols as over colour cells.
    const QImage mask = normal.renderAll(pattern, g, GridOne), cells = normal.renderAll(pattern, g, GridNone);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x)
            ASSERT_EQ(lined.pixel(x, y) ^ out.pixel(x, y), mask.pixel(x, y) ^ cells.pixel(x, y))
                << x << "," << y;
    r.setNormalView();
    EXPECT_EQ(r.renderAll(pattern, g, GridOne), mask);
    EXPECT_EQ(r.patternViewBytes(), 0u);
}

TEST(DisplayModes, AnyRectangleAndTheSavedScreenEqualTheWholeCanvas) {
    const Palette palette = shippedPalette();
    std::array<QString, 256> symbols;
    const QString marks = QStringLiteral("AB○●亜×");
    for (int i = 0; i < 256; ++i)
        symbols[size_t(i)] = marks[i % marks.size()];
    const QImage pattern = test::photoLikeImage(9, 14, 12);
    const QString path = test::freshTempDir(QStringLiteral("display-modes")) + QStringLiteral("/screen.bmp");
    std::mt19937 rng(9);
    QImage target(90, 130, QImage::Format_RGB32);
    for (DisplayMode mode : {DisplayMode::Normal, DisplayMode::Cross, DisplayMode::Pattern}) {
        CanvasRenderer r;
        if (mode == DisplayMode::Cross) r.setCrossView(palette[15]);
        if (mode == DisplayMode::Pattern) r.setPatternView(pattern, palette, 15, symbols);
        for (int zoom = 4; zoom <= 11; ++zoom)
            for (float asp2 : {0.5f, 1.0f, 2.0f, 0.73333335f, 0.05f, 1.3636364f}) {
                const CanvasGeometry g{pattern.width(), pattern.height(), zoom, asp2};
                const QImage whole = r.renderAll(pattern, g, GridOne);
                for (int n = 0; n < 25; ++n) {
                    // Rectangles may stick out of the canvas, where the outside colour is.
                    const int w = 1 + int(rng() % 80), h = 1 + int(rng() % 120);
                    const int x = int(rng() % (whole.width() + 10)) - 5,
                              y = int(rng() % (whole.height() + 10)) - 5;
                    r.render(pattern, g, GridOne, QRect(x, y, w, h), target);
                    QImage expected(w, h, QImage::Format_RGB32);
                    expected.fill(r.outsideColour);
                    QPainter(&expected).drawImage(QPoint(-x, -y), whole);
                    ASSERT_EQ(target.copy(0, 0, w, h), expected)
                        << int(mode) << " zoom " << zoom << " asp2 " << asp2 << " at " << x << "," << y;
                }
                if (zoom != 7) continue;
                saveCanvasBitmap(path, r, pattern, g, GridOne);
                EXPECT_EQ(QImage(path).convertToFormat(QImage::Format_RGB32),
                          whole.copy(0, 0, g.pixelWidth(), g.pixelHeight()));
            }
    }
}

TEST(SymbolScaling, MinimumFilterKeepsEveryOnePixelStrokeFrom12To4) {
    for (int p = 0; p < 12; ++p)
        for (bool down : {true, false}) {
            QImage src(12, 12, QImage::Format_Grayscale8);
            src.fill(255);
            for (int i = 0; i < 12; ++i)
                src.scanLine(down ? i : p)[down ? p : i] = 0;
            const QImage out = scaleMinimum(src, QSize(4, 4));
            int strokes = 0;
            for (int line = 0; line < 4; ++line) {
                int black = 0;
                for (int i = 0; i < 4; ++i)
                    black += dark(out, down ? line : i, down ? i : line);
                ASSERT_TRUE(black == 0 || black == 4) << p; // whole, and nothing smeared
                strokes += black == 4;
            }
            EXPECT_EQ(strokes, 1) << "stroke at " << p << (down ? " down" : " across");
        }
    // Any shrink: a single black pixel lands in exactly one pixel, further along as it moves.
    for (QSize to : {QSize(4, 6), QSize(5, 11), QSize(11, 8), QSize(7, 3)}) {
        int lastX = 0;
        for (int x = 0; x < 12; ++x) {
            QImage src(12, 12, QImage::Format_Grayscale8);
            src.fill(255);
            src.scanLine(5)[x] = 0;
            const QImage out = scaleMinimum(src, to);
            std::vector<int> columns;
            for (int y = 0; y < out.height(); ++y)
                for (int dx = 0; dx < out.width(); ++dx)
                    if (dark(out, dx, y)) columns.push_back(dx);
            ASSERT_EQ(columns.size(), 1u) << x << " to " << to.width() << "x" << to.height();
            EXPECT_GE(columns[0], lastX);
            lastX = columns[0];
        }
    }
}
