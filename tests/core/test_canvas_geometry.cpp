#include "view/canvas_geometry.h"

#include <gtest/gtest.h>

using namespace qorn;

namespace {

std::vector<int> positions(const std::vector<GridLine>& lines, unsigned mask) {
    std::vector<int> out;
    for (const GridLine& l : lines)
        if (l.mask == mask) out.push_back(l.at);
    return out;
}

std::vector<QString> texts(const std::vector<RulerLabel>& labels) {
    std::vector<QString> out;
    for (const RulerLabel& l : labels) out.push_back(l.text);
    return out;
}

CanvasLayout layoutFor(int W, int H, int zoom, float asp2, int clientW, int clientH) {
    LayoutInput in;
    in.geometry = {W, H, zoom, asp2};
    in.clientWidth = clientW;
    in.clientHeight = clientH;
    return layoutCanvas(in);
}

} // namespace

TEST(PointToStitch, RoundsHalvesToEven) {
    EXPECT_EQ(pointToStitch(2.5, 3.5), QPoint(2, 4));
    EXPECT_EQ(pointToStitch(2.51, 3.49), QPoint(3, 3));
    EXPECT_EQ(pointToStitch(-0.5, 0.5), QPoint(0, 0));
    EXPECT_EQ(pointToStitch(-1.5, 101.5), QPoint(-2, 102)); // not clamped to the pattern
}

TEST(CanvasGeometry, CellsFollowTheGaugeAndTheWholeCanvasIsRounded) {
    const CanvasGeometry square{100, 100, 6, 1.0f};
    EXPECT_EQ(square.pixelWidth(), 600);
    EXPECT_EQ(square.pixelHeight(), 600);
    const CanvasGeometry flat{100, 100, 6, 0.5f}; // gauge 20 x 40
    EXPECT_EQ(flat.pixelWidth(), 600);
    EXPECT_EQ(flat.pixelHeight(), 300);
    // 7 rows of 5 x 0.7 pixels: 24.5 rounds to the even 24, not 7 x round(3.5).
    const CanvasGeometry odd{3, 7, 5, 0.7f};
    EXPECT_EQ(odd.pixelHeight(), 24);
    EXPECT_DOUBLE_EQ(flat.pixelToUnits(QPointF(15, 7.5)).x(), 2.5);
    EXPECT_DOUBLE_EQ(flat.pixelToUnits(QPointF(15, 7.5)).y(), 2.5);
}

TEST(CanvasGeometry, RowsAndTheirFirstPixelsAgree) {
    for (const CanvasGeometry& g : {CanvasGeometry{10, 37, 7, 0.73333335f}, CanvasGeometry{4, 50, 3, 1.5f},
                                    CanvasGeometry{4, 90, 1, 0.05f}, CanvasGeometry{4, 13, 11, 2.0f}}) {
        const int hc = g.pixelHeight();
        for (int y = 0; y < hc; ++y) {
            const int row = g.rowOfPixel(y);
            EXPECT_GE(y, g.firstPixelOfRow(row)) << y;
            EXPECT_LT(y, g.firstPixelOfRow(row + 1)) << y;
        }
        EXPECT_EQ(g.firstPixelOfRow(g.H), hc); // the bottom line falls on the border row
        if (hc >= g.H) { // every row shown: the first and the last at the edges
            EXPECT_EQ(g.rowOfPixel(hc - 1), g.H - 1);
            EXPECT_EQ(g.rowOfPixel(0), 0);
        }
    }
}

TEST(LayoutCanvas, PatternThatFitsHidesBothBarsAndShrinksTheViewport) {
    const CanvasLayout l = layoutFor(100, 100, 6, 0.5f, 1200, 900);
    EXPECT_EQ(l.canvas, QSize(602, 302));
    EXPECT_FALSE(l.h.visible);
    EXPECT_FALSE(l.v.visible);
    EXPECT_EQ(l.viewport, QRect(4, 40, 604, 304));
    EXPECT_EQ(l.hscaledum, QRect(4, 346, 604, 18));
    EXPECT_EQ(l.vscaledum, QRect(610, 40, 24, 304));
    EXPECT_EQ(l.lblZoom, QPoint(614, 350));
    EXPECT_EQ(l.hscrollTopLeft, QPoint(4, 366));
    EXPECT_EQ(l.vscrollTopLeft, QPoint(634, 40));
}

TEST(LayoutCanvas, LargePatternGetsScrollRanges) {
    // Client 900 x 600: viewport 656 wide, 482 high (600 x 4/5 + 2).
    const CanvasLayout l = layoutFor(200, 4000, 11, 2.0f, 900, 600);
    EXPECT_EQ(l.viewport.size(), QSize(656, 482));
    ASSERT_TRUE(l.h.visible);
    ASSERT_TRUE(l.v.visible);
    // R = W zoom - (inner - m) = 2200 - (654 - 2) = 1548.
    EXPECT_EQ(l.h.max, 1548);
    EXPECT_EQ(l.h.largeChange, 311); // 1548 / 5 + 1 = 310.6
    EXPECT_EQ(l.h.smallChange, 78);  // 1548 / 20 + 1 = 78.4
    // Beyond 16 bits: 4000 x 22 - 478 = 87522.
    EXPECT_EQ(l.v.max, 87522);
}

TEST(LayoutCanvas, TooSmallWindowAsksForTheMinimumSize) {
    const CanvasLayout l = layoutFor(100, 100, 6, 1.0f, 200, 200);
    EXPECT_TRUE(l.widenWindow);
    EXPECT_TRUE(l.heightenWindow);
    EXPECT_EQ(l.viewport.width(), 64);
    EXPECT_EQ(l.viewport.height(), 272);
    EXPECT_FALSE(layoutFor(100, 100, 6, 1.0f, 245, 340).widenWindow);
}

TEST(Zoom, ClampsAtOneAndEleven) {
    int zoom = 11;
    EXPECT_FALSE(stepZoom(zoom, true));
    EXPECT_EQ(zoom, 11);
    zoom = 1;
    EXPECT_FALSE(stepZoom(zoom, false));
    EXPECT_EQ(zoom, 1);
    zoom = 6;
    EXPECT_TRUE(stepZoom(zoom, true));
    EXPECT_EQ(zoom, 7);
}

TEST(Zoom, GridRulesFollowTheNewZoom) {
    auto in2 = zoomGridRule(2, true, GridNone);
    EXPECT_EQ(in2.action, ZoomGridRule::Nothing);
    EXPECT_FALSE(in2.fiveEnabled);
    auto in3 = zoomGridRule(3, true, GridNone);
    EXPECT_EQ(in3.action, ZoomGridRule::Draw);
    EXPECT_TRUE(in3.fiveEnabled);
    EXPECT_FALSE(in3.oneEnabled);
    auto in4 = zoomGridRule(4, true, GridFive);
    EXPECT_TRUE(in4.oneEnabled && in4.optionEnabled);
    EXPECT_EQ(zoomGridRule(2, false, GridOne).action, ZoomGridRule::SelectNone);
    EXPECT_EQ(zoomGridRule(3, false, GridOne).action, ZoomGridRule::SelectFive);
    EXPECT_EQ(zoomGridRule(3, false, GridFive).action, ZoomGridRule::Draw);
    auto out7 = zoomGridRule(7, false, GridOne);
    EXPECT_EQ(out7.action, ZoomGridRule::Draw);
    EXPECT_FALSE(out7.changesItems);
}

TEST(Autoscroll, StepsOnceTowardsTheEdgeReached) {
    // Viewport shows canvas pixels [value, value + 300).
    EXPECT_EQ(autoscrollValue(350.0, 300, 40, 500, 10), 50); // past the right edge
    EXPECT_EQ(autoscrollValue(340.0, 300, 40, 500, 10), 50); // exactly on it
    EXPECT_EQ(autoscrollValue(200.0, 300, 40, 500, 10), 40); // inside: nothing
    EXPECT_EQ(autoscrollValue(40.0, 300, 40, 500, 10), 30);  // the left edge
    // Near the ends the step is shortened: the first and last rows can always be reached.
    EXPECT_EQ(autoscrollValue(-5.0, 300, 5, 500, 10), 0);
    EXPECT_EQ(autoscrollValue(900.0, 300, 495, 500, 10), 500);
    EXPECT_EQ(autoscrollValue(-5.0, 300, 0, 500, 10), 0);
    EXPECT_EQ(autoscrollValue(900.0, 300, 500, 500, 10), 500);
}

TEST(Rulers, HorizontalLabelsByZoom) {
    auto at6 = horizontalRulerLabels(100, 6);
    ASSERT_EQ(at6.size(), 10u);
    EXPECT_EQ(at6.front().text, QStringLiteral(" 10 "));
    EXPECT_DOUBLE_EQ(at6.front().at, 8.0);
    EXPECT_EQ(at6.back().text, QStringLiteral(" 100 "));
    EXPECT_EQ(texts(horizontalRulerLabels(100, 5)),
              (std::vector<QString>{" 10 ", " 30 ", " 50 ", " 70 ", " 90 "}));
    EXPECT_TRUE(horizontalRulerLabels(9, 6).empty());
}

TEST(Rulers, VerticalLabelsCountFromTheBottom) {
    auto v = verticalRulerLabels(100, 6);
    ASSERT_EQ(v.size(), 11u);
    EXPECT_EQ(v[0].text, QString());
    EXPECT_DOUBLE_EQ(v[0].at, 99.0);
    EXPECT_EQ(v[1].text, QStringLiteral("10"));
    EXPECT_DOUBLE_EQ(v[1].at, 89.0);
    EXPECT_EQ(v[10].text, QStringLiteral("100"));
    EXPECT_DOUBLE_EQ(v[10].at, -1.0);
    EXPECT_EQ(texts(verticalRulerLabels(45, 3)), (std::vector<QString>{"", "20", "40"}));
}

TEST(Grid, FiveAndOneOnTwelveByTwelve) {
    const GridLines five = gridLines(12, 12, GridFive);
    EXPECT_EQ(positions(five.vertical, kGridWhite), (std::vector<int>{0, 5, 10}));
    EXPECT_EQ(positions(five.horizontal, kGridWhite), (std::vector<int>{12, 7, 2}));
    EXPECT_TRUE(positions(five.vertical, kGridGrey).empty());
    const GridLines one = gridLines(12, 12, GridOne);
    EXPECT_EQ(positions(one.vertical, kGridWhite), (std::vector<int>{0, 5, 10}));
    EXPECT_EQ(positions(one.vertical, kGridGrey), (std::vector<int>{1, 2, 3, 4, 6, 7, 8, 9, 11}));
    EXPECT_EQ(positions(one.horizontal, kGridGrey), (std::vector<int>{11, 10, 9, 8, 6, 5, 4, 3, 1}));
    EXPECT_EQ(one.vertical.size() + one.horizontal.size(), 24u); // each position once
    const GridLines none = gridLines(12, 12, GridNone);
    EXPECT_TRUE(none.vertical.empty() && none.horizontal.empty());
}
