#include "imaging/raster_ops.h"
#include "support/ascii_picture.h"

#include <gtest/gtest.h>

#include <queue>
#include <random>

using namespace qorn;
using namespace qorn::test;

namespace {
constexpr ColorRef kBlack = 0x000000;
constexpr ColorRef kRed = 0x0000FF;
} // namespace

TEST(GdiLine, ExcludesTheEndAndStepsLikeBresenham) {
    QImage img = blank(7, 3);
    gdi::line(img, {0, 0}, {5, 0}, kBlack, 1);
    EXPECT_EQ(asciiOf(img), ascii({"#####..", ".......", "......."}));

    QImage forward = blank(6, 3), backward = blank(6, 3);
    gdi::line(forward, {0, 0}, {4, 1}, kBlack, 1);
    gdi::line(backward, {4, 1}, {0, 0}, kBlack, 1);
    // At the tie (x = 2, y = 0.5) each keeps to its starting row.
    EXPECT_EQ(asciiOf(forward), ascii({"###...", "...#..", "......"}));
    EXPECT_EQ(asciiOf(backward), ascii({".#....", "..###.", "......"}));

    QImage steep = blank(3, 5);
    gdi::line(steep, {0, 0}, {1, 4}, kBlack, 1);
    EXPECT_EQ(asciiOf(steep), ascii({"#..", "#..", "#..", ".#.", "..."}));

    QImage same = blank(2, 2);
    gdi::line(same, {1, 1}, {1, 1}, kBlack, 1);
    EXPECT_EQ(asciiOf(same), ascii({"..", ".."}));
}

TEST(GdiLine, WidePensAreRoundEndedBands) {
    QImage img = blank(9, 5);
    gdi::line(img, {2, 2}, {6, 2}, kBlack, 3);
    // Pixel centres within 1.5 of the segment: the caps' corners (1.41 away) are inside.
    EXPECT_EQ(asciiOf(img), ascii({".........", ".#######.", ".#######.", ".#######.", "........."}));
    QImage two = blank(7, 4);
    gdi::line(two, {1, 1}, {4, 1}, kBlack, 2);
    EXPECT_EQ(asciiOf(two), ascii({"#####..", "#####..", ".......", "......."}));
    QImage four = blank(10, 6);
    gdi::line(four, {3, 2}, {6, 2}, kBlack, 4);
    EXPECT_EQ(asciiOf(four), ascii({"..#####...", ".#######..", ".#######..", "..#####...", "..........",
                                    ".........."}));
}

TEST(GdiRectangle, OutlinesTheHalfOpenBoxInAnyCornerOrder) {
    for (auto [x1, y1, x2, y2] : {std::array{2, 2, 6, 5}, std::array{6, 5, 2, 2}, std::array{2, 5, 6, 2}}) {
        QImage img = blank(8, 7);
        gdi::rectangle(img, x1, y1, x2, y2, kBlack, 1, false);
        EXPECT_EQ(asciiOf(img), ascii({"........", "........", "..####..", "..#..#..", "..####..", "........",
                                       "........"}));
    }
    QImage filled = blank(5, 4);
    gdi::rectangle(filled, 1, 1, 4, 3, kRed, 1, true);
    EXPECT_EQ(asciiOf(filled), ascii({".....", ".rrr.", ".rrr.", "....."}));
    QImage thick = blank(7, 7);
    gdi::rectangle(thick, 0, 0, 7, 7, kBlack, 2, false);
    EXPECT_EQ(asciiOf(thick), ascii({"#######", "#######", "##...##", "##...##", "##...##", "#######", "#######"}));
    QImage none = blank(4, 4);
    gdi::rectangle(none, 2, 2, 2, 2, kBlack, 1, true);
    gdi::rectangle(none, 1, 1, 3, 1, kBlack, 1, true);
    EXPECT_EQ(asciiOf(none), ascii({"....", "....", "....", "...."}));
}

TEST(GdiEllipse, InscribedInTheBox) {
    QImage img = blank(9, 7);
    gdi::ellipse(img, 1, 1, 8, 6, kBlack, 1, false);
    EXPECT_EQ(asciiOf(img), ascii({".........", "..#####..", ".#.....#.", ".#.....#.", ".#.....#.", "..#####..",
                                   "........."}));
    QImage filled = blank(9, 7);
    gdi::ellipse(filled, 8, 6, 1, 1, kBlack, 1, true);
    EXPECT_EQ(asciiOf(filled), ascii({".........", "..#####..", ".#######.", ".#######.", ".#######.",
                                      "..#####..", "........."}));
}

TEST(GdiPolygon, WindingFillsTheStarsCentreAlternateDoesNot) {
    const std::vector<QPoint> pentagram = {{20, 10}, {4, 28}, {10, 0}, {17, 27}, {0, 10}};
    QImage winding = blank(21, 31), alternate = blank(21, 31);
    gdi::polygon(winding, pentagram, kRed, 1, true, gdi::FillMode::Winding);
    gdi::polygon(alternate, pentagram, kRed, 1, true, gdi::FillMode::Alternate);
    EXPECT_EQ(winding.pixel(10, 15), 0xffff0000u);
    EXPECT_EQ(alternate.pixel(10, 15), 0xffffffffu);
    EXPECT_EQ(alternate.pixel(10, 5), 0xffff0000u); // a point of the star
    for (const QPoint& v : pentagram) EXPECT_EQ(winding.pixel(v), 0xffff0000u);
    // An outline only joins the vertices.
    QImage hollow = blank(5, 5);
    gdi::polygon(hollow, {{0, 0}, {4, 0}, {4, 4}, {0, 4}}, kBlack, 1, false, gdi::FillMode::Alternate);
    EXPECT_EQ(asciiOf(hollow), ascii({"#####", "#...#", "#...#", "#...#", "#####"}));
}

namespace {

// Breadth-first search over edge neighbours: obviously right, slow.
QImage oracleFill(QImage img, int x, int y, QRgb colour) {
    if (!img.rect().contains(x, y)) return img;
    const QRgb target = img.pixel(x, y);
    if (target == colour) return img;
    std::queue<QPoint> todo;
    todo.push({x, y});
    img.setPixel(x, y, colour);
    while (!todo.empty()) {
        const QPoint p = todo.front();
        todo.pop();
        for (QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
            const QPoint n = p + d;
            if (img.rect().contains(n) && img.pixel(n) == target) {
                img.setPixel(n, colour);
                todo.push(n);
            }
        }
    }
    return img;
}

} // namespace

TEST(GdiFloodFill, MatchesABreadthFirstOracle) {
    std::mt19937 rng(5);
    for (int n = 0; n < 300; ++n) {
        const int w = 1 + int(rng() % 40), h = 1 + int(rng() % 30);
        QImage img(w, h, QImage::Format_RGB32);
        const int colours = 2 + int(rng() % 3);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) img.setPixel(x, y, 0xff000000 | (rng() % colours) * 0x404040);
        const int x = int(rng() % (w + 2)) - 1, y = int(rng() % (h + 2)) - 1;
        QImage fast = img;
        gdi::floodFill(fast, x, y, kRed);
        ASSERT_EQ(fast, oracleFill(img, x, y, 0xffff0000)) << n;
    }
}

TEST(GdiFloodFill, DoesNotPassADiagonalGap) {
    QImage img = asciiImage({"..#..", ".#...", "#....", "....."});
    gdi::floodFill(img, 0, 0, kRed);
    EXPECT_EQ(asciiOf(img), ascii({"rr#..", "r#...", "#....", "....."}));
    EXPECT_EQ(gdi::floodFill(img, 0, 0, kRed), 0); // already that colour
}

TEST(GdiBlt, CopyAndAndInvertAreClipped) {
    QImage dst = asciiImage({"....", "....", "...."});
    const QImage src = asciiImage({"rb", "#r"});
    gdi::bitBlt(dst, 3, 1, 2, 2, src, 0, 0, gdi::Rop::SrcCopy);
    EXPECT_EQ(asciiOf(dst), ascii({"....", "...r", "...#"}));
    gdi::bitBlt(dst, 0, 0, 2, 2, src, 0, 0, gdi::Rop::SrcAnd);
    EXPECT_EQ(asciiOf(dst), ascii({"rb..", "#r.r", "...#"}));
    gdi::bitBlt(dst, 0, 0, 1, 1, src, 0, 0, gdi::Rop::SrcInvert);
    EXPECT_EQ(dst.pixel(0, 0), 0xff000000u); // red XOR red
    QImage big = blank(4, 4);
    gdi::stretchBlt(big, QRect(0, 0, 4, 4), src);
    EXPECT_EQ(asciiOf(big), ascii({"rrbb", "rrbb", "##rr", "##rr"}));
}
