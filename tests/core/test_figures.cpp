#include "imaging/raster_ops.h"
#include "support/ascii_picture.h"
#include "tools/figures.h"
#include "tools/tool_table.h"

#include <gtest/gtest.h>

using namespace qorn;
using namespace qorn::test;

TEST(RegularFigures, PentagonAndStarOnANonSquareGauge) {
    const auto pentagon = regularFigure(72, 0, 0, 20, 30, 1.5f);
    EXPECT_EQ(pentagon, (std::vector<QPoint>{{20, 10}, {10, 0}, {0, 10}, {4, 28}, {17, 27}}));
    const auto star = regularFigure(81, 0, 0, 20, 30, 1.5f);
    EXPECT_EQ(star, (std::vector<QPoint>{{20, 10}, {4, 28}, {10, 0}, {17, 27}, {0, 10}}));
    const auto diamond = regularFigure(71, 0, 0, 20, 30, 1.5f);
    EXPECT_EQ(diamond, (std::vector<QPoint>{{20, 15}, {10, 0}, {0, 15}, {10, 30}}));
    EXPECT_EQ(regularFigure(73, 0, 0, 20, 20, 1.0f).size(), 6u);
    EXPECT_EQ(regularFigure(74, 0, 0, 20, 20, 1.0f).size(), 8u);
    // Placed on the rectangle: shifted with it.
    EXPECT_EQ(regularFigure(71, 5, 7, 25, 37, 1.5f).front(), QPoint(25, 22));
}

TEST(Figures, EveryShapeCodeStaysInsideItsRectangleAndReachesItsEdges) {
    const QRect figure(3, 4, 14, 10);
    for (int t : {22, 32, 33, 34, 35, 36, 37, 38, 39, 41, 42, 43, 44, 51, 52, 53, 54, 61, 62, 63, 64, 91}) {
        for (bool fill : {false, true}) {
            QImage img = blank(20, 18);
            drawShape(img, *shapeCodeOf(t), figure, {0x000000, 1, fill}, 1.0f);
            int painted = 0;
            QRect used;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    if (img.pixel(x, y) != 0xffffffffu) {
                        ++painted;
                        used |= QRect(x, y, 1, 1);
                    }
            EXPECT_GT(painted, 0) << t;
            EXPECT_TRUE(figure.contains(used)) << t << (fill ? " filled" : "");
            EXPECT_EQ(used, figure) << t << (fill ? " filled" : ""); // it fills the rectangle out
        }
    }
}

TEST(Figures, FillFlagDecidesTheInterior) {
    const QRect figure(0, 0, 12, 12);
    for (int t : {22, 31 + 1, 41, 51, 61, 91}) {
        QImage outline = blank(12, 12), filled = blank(12, 12);
        drawShape(outline, *shapeCodeOf(t), figure, {0x000000, 1, false}, 1.0f);
        drawShape(filled, *shapeCodeOf(t), figure, {0x000000, 1, true}, 1.0f);
        int a = 0, b = 0;
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x) {
                a += outline.pixel(x, y) == 0xff000000u;
                b += filled.pixel(x, y) == 0xff000000u;
                if (outline.pixel(x, y) == 0xff000000u) EXPECT_EQ(filled.pixel(x, y), 0xff000000u) << t;
            }
        EXPECT_GT(b, a + 10) << t;
    }
}

TEST(Figures, OrientationMatchesTheMenuNames) {
    const QRect f(0, 0, 15, 15);
    auto draw = [&](int t) {
        QImage img = blank(15, 15);
        drawShape(img, *shapeCodeOf(t), f, {0x000000, 1, true}, 1.0f);
        return img;
    };
    auto columnCount = [](const QImage& img, int x) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y) n += img.pixel(x, y) == 0xff000000u;
        return n;
    };
    auto rowCount = [](const QImage& img, int y) {
        int n = 0;
        for (int x = 0; x < img.width(); ++x) n += img.pixel(x, y) == 0xff000000u;
        return n;
    };
    // The pointed or round side is narrow, the opposite side broad.
    EXPECT_LT(columnCount(draw(41), 0), columnCount(draw(41), 14));   // triangle pointing left
    EXPECT_GT(columnCount(draw(42), 0), columnCount(draw(42), 14));   // right
    EXPECT_LT(rowCount(draw(43), 0), rowCount(draw(43), 14));         // up
    EXPECT_GT(rowCount(draw(44), 0), rowCount(draw(44), 14));         // down
    EXPECT_LT(columnCount(draw(32), 0), columnCount(draw(32), 14));   // half circle, left
    EXPECT_LT(rowCount(draw(34), 0), rowCount(draw(34), 14));         // half circle, top
    EXPECT_LT(columnCount(draw(61), 0), columnCount(draw(61), 14));   // trapezoid pointing left
    EXPECT_LT(rowCount(draw(63), 0), rowCount(draw(63), 14));         // trapezoid pointing up
    // Quarter circle, lower right: the right angle sits in the upper left corner.
    const QImage q = draw(39);
    EXPECT_EQ(q.pixel(0, 0), 0xff000000u);
    EXPECT_EQ(q.pixel(14, 14), 0xffffffffu);
    // Parallelogram leaning left: the top row starts further left than the bottom row.
    const QImage p = draw(51);
    EXPECT_EQ(p.pixel(0, 0), 0xff000000u);
    EXPECT_EQ(p.pixel(0, 14), 0xffffffffu);
    EXPECT_EQ(p.pixel(14, 14), 0xff000000u);
    // The cross leaves its corners empty.
    const QImage c = draw(91);
    EXPECT_EQ(c.pixel(0, 0), 0xffffffffu);
    EXPECT_EQ(c.pixel(7, 0), 0xff000000u);
    EXPECT_EQ(c.pixel(0, 7), 0xff000000u);
}

TEST(ToolTable, CaptionsButtonsAndKeys) {
    EXPECT_EQ(toolCaption(39), QStringLiteral("1/4円－右下"));
    EXPECT_EQ(toolCaption(33), QStringLiteral("半円-右"));
    EXPECT_EQ(toolCaption(51), QStringLiteral("平行四辺形-左傾き"));
    EXPECT_EQ(toolCaption(44), QStringLiteral("三角形-下向き"));
    EXPECT_EQ(toolCaption(72), QStringLiteral("多角形-正五角形"));
    EXPECT_EQ(toolCaption(91), QStringLiteral("十字型"));
    EXPECT_EQ(toolButtonOf(39), 6);
    EXPECT_EQ(toolButtonOf(22), 5);
    EXPECT_EQ(toolButtonOf(11), 14);
    EXPECT_EQ(*shapeCodeOf(39), 8004);
    EXPECT_EQ(*shapeCodeOf(74), 6000);
    EXPECT_FALSE(shapeCodeOf(21).has_value());
    EXPECT_FALSE(shapeCodeOf(31).has_value());
    const auto a = toolBarAction(QStringLiteral("t39"));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->kind, ToolBarAction::Variant);
    EXPECT_EQ(a->index, 39);
    EXPECT_EQ(toolBarAction(QStringLiteral("t21"))->kind, ToolBarAction::Variant);
    EXPECT_EQ(toolBarAction(QStringLiteral("t91"))->kind, ToolBarAction::Tools);
    EXPECT_EQ(toolBarAction(QStringLiteral("t11"))->kind, ToolBarAction::Spoit);
    EXPECT_EQ(toolBarAction(QStringLiteral("t8"))->index, 100);
    EXPECT_FALSE(toolBarAction(QStringLiteral("tx")));
    // Right clicks: buttons 5 to 10 only.
    EXPECT_FALSE(groupMenuAt(2 * 24 + 5, 5));      // button 3
    EXPECT_EQ(groupMenuAt(4 * 24 + 1, 3), 20);     // button 5
    EXPECT_EQ(groupMenuAt(2 * 24 + 10, 22 + 4), 70); // button 10: second row, third column
    EXPECT_FALSE(groupMenuAt(3 * 24, 22 + 1));      // button 11
}
