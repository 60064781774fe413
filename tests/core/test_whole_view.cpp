#include "view/whole_view.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace qorn;

TEST(WholeView, KeepsTheBitmapsProportionsInTheBox) {
    EXPECT_EQ(wholeViewSize({200, 100}), QSize(246, 123)); // the full width, half the height
    EXPECT_EQ(wholeViewSize({50, 100}), QSize(120, 239));  // the full height, about half the width
    EXPECT_EQ(wholeViewSize({100, 100}), QSize(239, 239));
    // Never less than a pixel, however thin the pattern.
    EXPECT_EQ(wholeViewSize({5, 8000}), QSize(1, 239));
    EXPECT_EQ(wholeViewSize({8000, 5}), QSize(246, 1));
    EXPECT_TRUE(wholeViewSize({0, 10}).isEmpty());
}

TEST(WholeView, GrowsCrispAndShrinksByAveraging) {
    // Enlarging: each stitch becomes a block of its own colour, no blend at the edges.
    QImage two(2, 1, QImage::Format_RGB32);
    two.setPixel(0, 0, qRgb(255, 0, 0));
    two.setPixel(1, 0, qRgb(0, 0, 255));
    const QImage big = wholeViewPicture(two, {8, 4});
    ASSERT_EQ(big.size(), QSize(8, 4));
    for (int x = 0; x < 8; ++x) EXPECT_EQ(big.pixel(x, 2), x < 4 ? qRgb(255, 0, 0) : qRgb(0, 0, 255)) << x;
    // Shrinking: alternate black and white rows average to grey instead of one colour winning.
    QImage stripes(4, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        std::fill_n(reinterpret_cast<QRgb*>(stripes.scanLine(y)), 4, y % 2 ? 0xffffffffu : 0xff000000u);
    const QImage small = wholeViewPicture(stripes, {4, 8});
    ASSERT_EQ(small.size(), QSize(4, 8));
    for (int y = 0; y < 8; ++y) {
        EXPECT_GT(qRed(small.pixel(1, y)), 90) << y;
        EXPECT_LT(qRed(small.pixel(1, y)), 165) << y;
    }
    // Thin in one direction, long in the other: each axis takes its own filter.
    QImage tall(5, 8000, QImage::Format_RGB32);
    tall.fill(qRgb(10, 200, 30));
    const QImage strip = wholeViewPicture(tall, wholeViewSize(tall.size()));
    EXPECT_EQ(strip.size(), QSize(1, 239));
    EXPECT_EQ(strip.pixel(0, 100), qRgb(10, 200, 30));
}
