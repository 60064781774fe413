#include "print/print_layout.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace qorn;

namespace {

PrintDevice device300(int w, int h) {
    return PrintDevice{QSize(w, h), 300, 300};
}

// A4 portrait, the whole sheet printable, at 600 dpi.
PrintDevice a4At600() {
    return PrintDevice{QSize(4961, 7016), 600, 600};
}

// 1734 px at 300 dpi is 8323 twips: 7203 usable, 72 cells of 100 twips.
constexpr int kWidth72 = 1734;

} // namespace

TEST(PrintLayout, SeventyTwoUsableCellsGiveSeventyAndThirtyColumnsUncentred) {
    const PrintLayout l = layoutPrint(device300(kWidth72, 3508), QSize(100, 100), 1.0, 1.0, true, true);
    ASSERT_TRUE(l.ok());
    EXPECT_EQ(l.cols, 70);
    EXPECT_EQ(l.pagesAcross, 2);
    EXPECT_EQ(l.pagesDown, 1);
    EXPECT_FALSE(l.hCenter);
    EXPECT_TRUE(l.vCenter); // one page down: still centred that way
    EXPECT_EQ(l.page(0).stitches, QRect(0, 0, 70, 100));
    EXPECT_EQ(l.page(1).stitches, QRect(70, 0, 30, 100));
    // Uncentred: the 1200-twip margin, 250 px at 300 dpi.
    EXPECT_EQ(l.page(1).left, 250);
    EXPECT_EQ(l.page(1).width, std::lround(30 * 100 / 4.8));

    const PrintGrid g = PrintGridFive(l, l.page(1));
    ASSERT_FALSE(g.stitchNumbers.empty());
    EXPECT_EQ(g.stitchNumbers.front().value, 70);
    EXPECT_EQ(g.stitchNumbers.front().text, QStringLiteral(" 70"));
    EXPECT_EQ(g.stitchNumbers.back().value, 95);
    // Two cells left of the line it numbers.
    EXPECT_EQ(g.stitchNumbers.front().at.x(), 250 - std::lround(2 * 100 / 4.8));
}

TEST(PrintLayout, RowsAndColumnsPerPageAreMultiplesOfFiveFromTheRoundedCellCount) {
    // 16838 twips high, 15838 usable; cells of 150 x 300 twips: 52.8 -> 53 -> 50 rows.
    const PrintLayout l =
        layoutPrint(PrintDevice{QSize(4961, 7016), 600, 600}, QSize(200, 400), 2.0, 1.5, false, false);
    ASSERT_TRUE(l.ok());
    EXPECT_EQ(l.rows, 50);
    EXPECT_EQ(l.cols, 5 * (std::lround((4961 * 2.4 - 1120) / 150) / 5)); // 71 -> 70
    EXPECT_EQ(l.pagesDown, 8);
    EXPECT_EQ(l.pagesAcross, 3);
    EXPECT_DOUBLE_EQ(l.cellW, 150 / 2.4);
    EXPECT_DOUBLE_EQ(l.cellH, 300 / 2.4);
    // Left to right, then top to bottom; the last page in each direction is short.
    EXPECT_EQ(l.page(2).stitches, QRect(140, 0, 60, 50));
    EXPECT_EQ(l.page(3).stitches, QRect(0, 50, 70, 50));
    EXPECT_EQ(l.page(l.pageCount() - 1).stitches, QRect(140, 350, 60, 50));
}

TEST(PrintLayout, TallStitchesAtMagnificationTwoOnA4AreRefused) {
    // Gauge 200 x 10: a cell is 20 times as tall as wide, 4000 twips at magnification 2.
    const PrintLayout l = layoutPrint(a4At600(), QSize(100, 100), 20.0, 2.0, false, false);
    EXPECT_FALSE(l.ok());
    EXPECT_EQ(l.refusal, PrintRefusal::NoRows);
    EXPECT_EQ(l.pageCount(), 0);
    EXPECT_FALSE(printRefusalMessage(l.refusal).isEmpty());
    EXPECT_EQ(l.page(0).width, 0);
    // At magnification 1 five rows of 2000 twips fit.
    EXPECT_EQ(layoutPrint(a4At600(), QSize(100, 100), 20.0, 1.0, false, false).rows, 5);
    EXPECT_EQ(layoutPrint(device300(300, 3508), QSize(10, 10), 1.0, 1.0, false, false).refusal,
              PrintRefusal::NoColumns);
    EXPECT_EQ(layoutPrint(a4At600(), QSize(0, 10), 1.0, 1.0, false, false).refusal, PrintRefusal::EmptyChart);
}

TEST(PrintLayout, OnePageChartIsCentredOnTheUsableAreaButNeverLeftOfTheMargin) {
    const PrintDevice d = device300(2480, 3508); // A4 at 300 dpi
    const PrintLayout small = layoutPrint(d, QSize(20, 30), 1.0, 1.0, true, true);
    const PrintPage p = small.page(0);
    const double usableW = 2480 - 1120 / 4.8, usableH = 3508 - 1000 / 4.8;
    EXPECT_EQ(p.left, std::lround((usableW - p.width) / 2));
    EXPECT_EQ(p.top, std::lround((usableH - p.height) / 2));

    // A full-width chart would be centred left of the margin: the margin wins.
    const PrintLayout wide = layoutPrint(d, QSize(95, 30), 1.0, 1.0, true, false);
    ASSERT_EQ(wide.pagesAcross, 1);
    EXPECT_LT(std::lround((usableW - wide.page(0).width) / 2), 250);
    EXPECT_EQ(wide.page(0).left, 250);
    EXPECT_EQ(wide.page(0).top, 0);
}

TEST(PrintLayout, ChartNeverRunsOffTheRightOfThePage) {
    // 8580 twips wide: 74.6 usable cells round to 75, but 1200 + 7500 twips overruns the page.
    const PrintLayout l = layoutPrint(device300(1788, 3508), QSize(200, 50), 1.0, 1.0, false, false);
    EXPECT_EQ(l.cols, 70);
    for (int i = 0; i < l.pageCount(); ++i)
        EXPECT_LE(l.page(i).left + l.page(i).width, 1788);
}

TEST(PrintLayout, NumberFormatIsRightAlignedInThreeWithZeroEmpty) {
    EXPECT_EQ(printNumberText(0), QStringLiteral("   "));
    EXPECT_EQ(printNumberText(5), QStringLiteral("  5"));
    EXPECT_EQ(printNumberText(70), QStringLiteral(" 70"));
    EXPECT_EQ(printNumberText(195), QStringLiteral("195"));
    EXPECT_EQ(printNumberText(3995), QStringLiteral("3995"));
}

TEST(PrintLayout, LineWidthsAreThoseOfA600DpiPrinter) {
    EXPECT_EQ(printLineWidth(600, 1), 1);
    EXPECT_EQ(printLineWidth(600, 4), 4);
    EXPECT_EQ(printLineWidth(1200, 1), 2);
    EXPECT_EQ(printLineWidth(1200, 4), 8);
    EXPECT_EQ(printLineWidth(300, 1), 1);
    EXPECT_EQ(printLineWidth(300, 4), 2);
}

TEST(PrintLayout, GridFiveCountsRowsFromTheBottomAndStitchesFromTheLeft) {
    const PrintLayout l = layoutPrint(device300(2480, 3508), QSize(12, 12), 1.0, 1.0, false, false);
    const PrintPage p = l.page(0);
    const PrintGrid g = PrintGridFive(l, p);
    std::vector<int> ys, xs;
    for (const PrintGridLine& line : g.lines) {
        EXPECT_EQ(line.width, 1);
        EXPECT_FALSE(line.bold);
        (line.orientation == Qt::Horizontal ? ys : xs).push_back(line.pos);
    }
    auto y = [&](int n) { return int(std::lround(p.top + n * l.cellH)); };
    auto x = [&](int n) { return int(std::lround(p.left + n * l.cellW)); };
    // Top border, then the lines with 10, 5 and 0 rows below them.
    EXPECT_EQ(ys, (std::vector<int>{y(0), y(2), y(7), y(12)}));
    EXPECT_EQ(xs, (std::vector<int>{x(0), x(5), x(10), x(12)}));
    ASSERT_EQ(g.rowNumbers.size(), 3u);
    EXPECT_EQ(g.rowNumbers[0].value, 10);
    EXPECT_EQ(g.rowNumbers[0].at, QPoint(p.left - std::lround(400 / 4.8), y(2)));
    EXPECT_EQ(g.rowNumbers[2].text, QStringLiteral("   "));
    ASSERT_EQ(g.stitchNumbers.size(), 3u);
    EXPECT_EQ(g.stitchNumbers[1].value, 5);
    EXPECT_EQ(g.stitchNumbers[1].at, QPoint(int(std::nearbyint(p.left + 5 * l.cellW - 2 * l.cellW)),
                                            std::lround(p.top + p.height + 100 / 4.8)));
    // Lines span the chart, corners closed.
    EXPECT_EQ(g.lines.front().from, p.left);
    EXPECT_EQ(g.lines.front().to, p.left + p.width + 1);
}

TEST(PrintLayout, GridFineDrawsEveryBoundaryWithTheNumberedOnesBold) {
    const PrintLayout l =
        layoutPrint(PrintDevice{QSize(4961, 7016), 600, 600}, QSize(12, 12), 1.0, 1.0, false, false);
    const PrintGrid g = PrintGridFine(l, l.page(0));
    int horizontal = 0, vertical = 0, bold = 0;
    for (const PrintGridLine& line : g.lines) {
        (line.orientation == Qt::Horizontal ? horizontal : vertical)++;
        if (line.bold) {
            ++bold;
            EXPECT_EQ(line.width, 4);
        } else {
            EXPECT_EQ(line.width, 1);
        }
    }
    EXPECT_EQ(horizontal, 13);
    EXPECT_EQ(vertical, 13);
    EXPECT_EQ(bold, 6);
    EXPECT_EQ(g.rowNumbers.size(), 3u);
    EXPECT_TRUE(printGrid(l, l.page(0), GridNone).lines.empty());
    EXPECT_TRUE(printGrid(l, l.page(0), GridNone).rowNumbers.empty());
}

TEST(PrintLayout, RowNumbersOfLaterPagesCountFromTheBottomOfTheWholeChart) {
    // 417 px at 300 dpi: 1002 usable twips, ten rows a page.
    const PrintLayout l = layoutPrint(device300(2480, 417), QSize(10, 23), 1.0, 1.0, false, false);
    ASSERT_EQ(l.rows, 10);
    ASSERT_EQ(l.pagesDown, 3);
    auto numbers = [&](int page) {
        std::vector<std::pair<int, int>> out; // value, row boundary on the page
        for (const PrintNumber& n : PrintGridFive(l, l.page(page)).rowNumbers)
            out.emplace_back(n.value, int(std::lround((n.at.y() - l.page(page).top) / l.cellH)));
        return out;
    };
    EXPECT_EQ(numbers(0), (std::vector<std::pair<int, int>>{{20, 3}, {15, 8}}));
    EXPECT_EQ(numbers(1), (std::vector<std::pair<int, int>>{{10, 3}, {5, 8}}));
    EXPECT_EQ(numbers(2), (std::vector<std::pair<int, int>>{{0, 3}}));
}

TEST(PrintLayout, LegendStartsFourHundredTwipsBelowTheChart) {
    const PrintLayout l = layoutPrint(device300(2480, 3508), QSize(30, 40), 1.0, 1.0, false, true);
    const PrintPage p = l.page(0);
    const LegendPlace place = legendPlace(l, p);
    EXPECT_EQ(place.header, QPoint(p.left, std::lround(p.top + p.height + 400 / 4.8)));
    EXPECT_EQ(place.rightLimit, std::lround(2480 - 1000 / 4.8));
}
