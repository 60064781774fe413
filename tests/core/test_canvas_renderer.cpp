#include "view/canvas_renderer.h"
#include "support/sample_images.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

using namespace qorn;

namespace {

// Pictures are written one character per pixel.
const std::map<char, QRgb> kColours = {
    {'w', 0xffffffff}, {'k', 0xff000000}, {'r', 0xffff0000}, {'b', 0xff0000ff},
    {'R', 0xff00ffff}, // red XOR white
    {'B', 0xffffff00}, // blue XOR white
    {'g', 0xff7f7f7f}, // white XOR grey
    {'G', 0xff808080}, // black XOR grey
    {'#', 0xff404040}, // the border
    {'=', 0xffbfbfbf}, // the border XOR white
};

QImage picture(const std::vector<std::string>& rows) {
    QImage img(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), QImage::Format_RGB32);
    for (size_t y = 0; y < rows.size(); ++y)
        for (size_t x = 0; x < rows[y].size(); ++x) img.setPixel(int(x), int(y), kColours.at(rows[y][x]));
    return img;
}

std::string describe(const QImage& img) {
    std::string out;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            char c = '?';
            for (const auto& [k, v] : kColours)
                if (v == img.pixel(x, y)) c = k;
            out += c;
        }
        out += '\n';
    }
    return out;
}

} // namespace

TEST(CanvasRenderer, CellsWithoutGrid) {
    CanvasRenderer r;
    const QImage pattern = picture({"wrb", "kww"});
    const QImage out = r.renderAll(pattern, {3, 2, 2, 1.0f}, GridNone);
    EXPECT_EQ(describe(out), describe(picture({"wwrrbb", "wwrrbb", "kkwwww", "kkwwww", "######"})));
}

TEST(CanvasRenderer, FiveGridOnTallCells) {
    // W = 3, H = 6 at zoom 2 and asp2 1.5: cells 2 x 3, lines at x = 0 and y = 6 and 1.
    CanvasRenderer r;
    const QImage pattern = picture({"wrw", "wbw", "www", "rww", "www", "wwk"});
    const QImage out = r.renderAll(pattern, {3, 6, 2, 1.5f}, GridFive);
    EXPECT_EQ(describe(out), describe(picture({
                                 "kwrrww", // row 0
                                 "kwrrww",
                                 "kwrrww",
                                 "wkBBkk", // row 1: its first pixel row carries the line y = 1,
                                 "kwbbww", // crossing the one at x = 0
                                 "kwbbww",
                                 "kwwwww", // row 2
                                 "kwwwww",
                                 "kwwwww",
                                 "Rrwwww", // row 3
                                 "Rrwwww",
                                 "Rrwwww",
                                 "kwwwww", // row 4
                                 "kwwwww",
                                 "kwwwww",
                                 "kwwwkk", // row 5
                                 "kwwwkk",
                                 "kwwwkk",
                                 "======", // the border row holds the line y = 6
                             })));
}

TEST(CanvasRenderer, OneGridGreyLinesAndTheirCrossings) {
    CanvasRenderer r;
    const QImage pattern = picture({"wk", "ww"});
    const QImage out = r.renderAll(pattern, {2, 2, 3, 1.0f}, GridOne);
    // Vertical: x = 0 white, x = 1 grey. Horizontal: y = 2 white (border), y = 1 grey.
    EXPECT_EQ(describe(out), describe(picture({
                                 "kwwGkk",
                                 "kwwGkk",
                                 "kwwGkk",
                                 "Gggwgg", // white and grey cross at x = 0; grey over grey cancels at x = 3
                                 "kwwgww",
                                 "kwwgww",
                                 "======",
                             })));
}

TEST(CanvasRenderer, GridIsPureXorAndRenderingItTwiceRestoresThePixels) {
    CanvasRenderer r;
    const CanvasGeometry g{17, 23, 5, 0.73333335f};
    const QImage a = test::photoLikeImage(17, 23, 3), b = test::photoLikeImage(17, 23, 9);
    for (GridChoice grid : {GridFive, GridOne}) {
        const QImage a1 = r.renderAll(a, g, grid), a0 = r.renderAll(a, g, GridNone);
        const QImage b1 = r.renderAll(b, g, grid), b0 = r.renderAll(b, g, GridNone);
        for (int y = 0; y < a1.height(); ++y)
            for (int x = 0; x < a1.width(); ++x) {
                const QRgb maskA = a1.pixel(x, y) ^ a0.pixel(x, y), maskB = b1.pixel(x, y) ^ b0.pixel(x, y);
                ASSERT_EQ(maskA, maskB) << x << "," << y; // the same lines whatever the colours
                ASSERT_TRUE(maskA == 0 || maskA == 0xffffff || maskA == 0x808080 || maskA == 0x7f7f7f);
                ASSERT_EQ(a1.pixel(x, y) ^ maskA, a0.pixel(x, y)); // twice restores
            }
    }
}

TEST(CanvasRenderer, AnyRectangleMatchesTheWholeCanvas) {
    CanvasRenderer r;
    const CanvasGeometry g{31, 40, 7, 1.3636364f};
    const QImage pattern = test::photoLikeImage(31, 40, 4);
    const QImage whole = r.renderAll(pattern, g, GridOne);
    std::mt19937 rng(2);
    QImage target(120, 90, QImage::Format_RGB32);
    for (int n = 0; n < 200; ++n) {
        const int w = 1 + int(rng() % 100), h = 1 + int(rng() % 80);
        const int x = int(rng() % (whole.width() - w + 1)), y = int(rng() % (whole.height() - h + 1));
        const QPoint origin(int(rng() % (120 - w + 1)), int(rng() % (90 - h + 1)));
        r.render(pattern, g, GridOne, QRect(x, y, w, h), target, origin);
        ASSERT_EQ(target.copy(QRect(origin, QSize(w, h))), whole.copy(x, y, w, h)) << x << "," << y << " " << w << "x" << h;
    }
    // Outside the canvas the renderer paints its outside colour.
    r.outsideColour = 0xff123456;
    r.render(pattern, g, GridOne, QRect(-2, -2, 3, 3), target);
    EXPECT_EQ(target.pixel(0, 0), 0xff123456u);
    EXPECT_EQ(target.pixel(2, 2), whole.pixel(0, 0));
}

TEST(CanvasRenderer, SqueezedCanvasMergesLinesOnOneRow) {
    // Zoom 1 at gauge 200 x 10: twenty rows share one pixel row.
    CanvasRenderer r;
    const CanvasGeometry g{10, 100, 1, 0.05f};
    QImage pattern(10, 100, QImage::Format_RGB32);
    pattern.fill(0xffffffff);
    const QImage out = r.renderAll(pattern, g, GridOne);
    ASSERT_EQ(out.size(), QSize(10, 6));
    // Twenty lines per pixel row: four white and sixteen grey cancel out, columns keep theirs.
    EXPECT_EQ(out.pixel(1, 2), 0xff7f7f7fu);
    EXPECT_EQ(out.pixel(0, 2), 0xff000000u);
}

TEST(CanvasRenderer, OverlayRunsLastOnTheRenderedPixels) {
    CanvasRenderer r;
    QRect seen;
    r.overlay = [&](QImage& target, QPoint origin, const QRect& rect) {
        seen = rect;
        target.setPixel(origin, 0xff00ff00);
    };
    QImage target(10, 10, QImage::Format_RGB32);
    const QImage pattern = picture({"ww", "ww"});
    r.render(pattern, {2, 2, 4, 1.0f}, GridFive, QRect(1, 2, 5, 5), target, QPoint(3, 3));
    EXPECT_EQ(seen, QRect(1, 2, 5, 5));
    EXPECT_EQ(target.pixel(3, 3), 0xff00ff00u);
}
