// Figures reaching far beyond the pattern are only worked out near it; the pixels that land in
// the pattern must be those of the whole figure drawn on an image large enough to hold it.
#include "imaging/raster_ops.h"
#include "support/ascii_picture.h"
#include "tools/figures.h"

#include <gtest/gtest.h>

#include <random>

using namespace qorn;
using namespace qorn::test;

namespace {

constexpr ColorRef kBlack = 0x000000;
const QSize kSmall(24, 20);

// `draw(image, shift)` on the small image, and on one holding `reach` as well, everything
// shifted onto it, from which the small image's area is cut back out.
template <typename Draw> void expectClippedMatchesWhole(const QRect& reach, Draw draw) {
    QImage small = blank(kSmall.width(), kSmall.height());
    draw(small, QPoint(0, 0));
    QRect all = reach.united(QRect(QPoint(0, 0), kSmall)).adjusted(-8, -8, 8, 8); // beyond any pen
    // An even shift: figures round their midpoints half to even.
    all.setTopLeft(QPoint(all.left() & ~1, all.top() & ~1));
    QImage big = blank(all.width(), all.height());
    draw(big, -all.topLeft());
    EXPECT_EQ(asciiOf(small), asciiOf(big.copy(QRect(-all.topLeft(), kSmall))));
}

} // namespace

TEST(ClippedFigures, RectanglesAndEllipsesMatchTheWholeFigure) {
    // Long drags out of the image each way, the image inside with edges just beyond it, beside it.
    const std::vector<std::array<int, 4>> drags = {
        {5, 3, 19, 900},    {18, 15, -700, -400}, {3, 4, 800, 17},  {-3, -2, 27, 23},
        {-500, 6, 600, 14}, {2, -600, 21, 650},   {30, 2, 400, 18}, {-1, -1, 25, 21},
    };
    for (const auto& [x1, y1, x2, y2] : drags)
        for (int pen = 1; pen <= 4; ++pen)
            for (bool fill : {false, true}) {
                SCOPED_TRACE(QString::asprintf("(%d,%d)-(%d,%d) pen %d fill %d", x1, y1, x2, y2, pen, fill)
                                 .toStdString());
                const QRect reach = QRect(QPoint(x1, y1), QPoint(x2, y2)).normalized();
                expectClippedMatchesWhole(reach, [&](QImage& img, QPoint d) {
                    gdi::rectangle(img, x1 + d.x(), y1 + d.y(), x2 + d.x(), y2 + d.y(), kBlack, pen, fill);
                });
                expectClippedMatchesWhole(reach, [&](QImage& img, QPoint d) {
                    gdi::ellipse(img, x1 + d.x(), y1 + d.y(), x2 + d.x(), y2 + d.y(), kBlack, pen, fill);
                });
            }
}

TEST(ClippedFigures, EveryShapeMatchesTheWholeShape) {
    const std::vector<int> codes = {2001, 8001, 8002, 8003, 8004, 8005, 8006, 8007, 8008, 5004, 5005, 5006, 5007,
                                    3000, 3001, 3002, 3003, 4000, 4001, 4002, 4003, 10000, 6000, 6001, 6002, 6003,
                                    9001};
    for (int code : codes)
        for (const QRect& f : {QRect(4, 3, 17, 700), QRect(-600, -300, 615, 312), QRect(-2, -3, 29, 26)})
            for (int pen = 1; pen <= 4; ++pen)
                for (bool fill : {false, true})
                    for (float asp1 : {1.0f, 2.5f}) {
                        if (asp1 != 1.0f && code < 6000) continue; // only the regular figures use it
                        SCOPED_TRACE(QString::asprintf("shape %d at %d,%d pen %d fill %d asp1 %g", code, f.left(),
                                                       f.top(), pen, fill, asp1)
                                         .toStdString());
                        // Regular figures rise asp1 times their width above the rectangle's bottom.
                        const int rise = static_cast<int>(asp1 * float(f.width())) + 2;
                        expectClippedMatchesWhole(f.united(f.adjusted(0, f.height() - rise, 0, 0)),
                                                  [&](QImage& img, QPoint d) {
                                                      drawShape(img, code, f.translated(d), {kBlack, pen, fill}, asp1);
                                                  });
                    }
}

TEST(ClippedLines, ThinAndWideLinesMatchTheWholeLine) {
    const std::vector<std::pair<QPoint, QPoint>> lines = {
        {{3, 4}, {40, 900}},     {{40, 900}, {3, 4}},     {{-300, 10}, {500, 12}}, {{500, 12}, {-300, 10}},
        {{-50, -70}, {60, 80}},  {{12, -800}, {11, 800}}, {{-9, 30}, {30, -9}},    {{25, -400}, {26, 400}},
        {{-3, 21}, {27, 21}},    {{-200, -190}, {-5, 5}}, {{0, 0}, {23, 19}},
    };
    for (const auto& [a, b] : lines)
        for (int width = 1; width <= 5; ++width) {
            SCOPED_TRACE(
                QString::asprintf("(%d,%d)-(%d,%d) width %d", a.x(), a.y(), b.x(), b.y(), width).toStdString());
            expectClippedMatchesWhole(QRect(a, b).normalized(),
                                      [&](QImage& img, QPoint d) { gdi::line(img, a + d, b + d, kBlack, width); });
        }
}

// The clipped walk starts part-way along the line: it must land on the pixels the full walk
// reaches, in the same order.
TEST(ClippedLines, ClippedWalkVisitsTheFullWalksPixelsInsideTheClip) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(-3000, 3000), side(1, 400);
    for (int i = 0; i < 3000; ++i) {
        const QPoint from(coord(rng), coord(rng));
        const QPoint to = i % 3 == 0 ? QPoint(coord(rng), coord(rng)) : from + QPoint(coord(rng) / 7, coord(rng));
        const QRect clip(coord(rng) / 4, coord(rng) / 4, side(rng), side(rng));
        std::vector<QPoint> full, clipped;
        gdi::linePixels(from, to, [&](int x, int y) {
            if (clip.contains(x, y)) full.emplace_back(x, y);
        });
        gdi::linePixels(from, to, clip, [&](int x, int y) { clipped.emplace_back(x, y); });
        ASSERT_EQ(clipped, full) << from.x() << "," << from.y() << " to " << to.x() << "," << to.y();
    }
}

// A drag over the whole 16-bit range of stitch coordinates: the mask of the whole figure would
// need more cells than an int counts.
TEST(ClippedFigures, FullRangeDragsDrawOnlyWhatFallsOnThePattern) {
    QImage edge = blank(16, 2);
    gdi::rectangle(edge, -32768, -32768, 14, 32767, kBlack, 2, false);
    EXPECT_EQ(asciiOf(edge), ascii({"............##..", "............##.."}));

    QImage inside = blank(6, 2);
    gdi::ellipse(inside, -32768, -32768, 32767, 32767, kBlack, 3, true);
    EXPECT_EQ(asciiOf(inside), ascii({"######", "######"}));

    QImage cross = blank(6, 2);
    drawShape(cross, 10000, QRect(-32768, -32768, 65535, 65535), {kBlack, 1, false}, 1.0f);
    EXPECT_EQ(asciiOf(cross), ascii({"......", "......"})); // deep inside both arms
    drawShape(cross, 10000, QRect(-32768, -32768, 65535, 65535), {kBlack, 1, true}, 1.0f);
    EXPECT_EQ(asciiOf(cross), ascii({"######", "######"}));
}
