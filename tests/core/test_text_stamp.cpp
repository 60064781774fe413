#include "tools/text_stamp.h"
#include "view/symbol_font.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QSet>

#include <gtest/gtest.h>

using namespace qorn;

namespace {

// The family "ＭＳ ゴシック" resolves to here, else any installed one: names are localised.
QString anyFamily() {
    installFontSubstitutions();
    const QStringList families = QFontDatabase::families();
    const QString resolved = QFontInfo(QFont(QStringLiteral("ＭＳ ゴシック"))).family();
    if (families.contains(resolved)) return resolved;
    return families.isEmpty() ? QString() : families.first();
}

TextFontChoice choiceOf(int height, int angle = 0) {
    TextFontChoice s;
    s.family = anyFamily();
    s.height = height;
    s.angle = angle;
    return s;
}

int inkCount(const QImage& mask) {
    int n = 0;
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x)
            if ((mask.pixel(x, y) & 0xffffff) == 0) ++n;
    return n;
}

// Rows [first, last] that hold ink; {-1, -1} when none.
std::pair<int, int> inkRows(const QImage& mask) {
    int first = -1, last = -1;
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x)
            if ((mask.pixel(x, y) & 0xffffff) == 0) {
                if (first < 0) first = y;
                last = y;
                break;
            }
    return {first, last};
}

QImage whitePattern(int w, int h) {
    QImage p(w, h, QImage::Format_RGB32);
    p.fill(Qt::white);
    return p;
}

} // namespace

TEST(TextStamp, FontCarriesTheChoices) {
    TextFontChoice s = choiceOf(17);
    s.weight = 700;
    s.italic = s.underline = s.strikeOut = true;
    const QFont f = textFont(s);
    EXPECT_EQ(f.pixelSize(), 17);
    EXPECT_EQ(f.weight(), QFont::Bold);
    EXPECT_TRUE(f.italic() && f.underline() && f.strikeOut());
    EXPECT_TRUE(f.styleStrategy() & QFont::NoAntialias);
}

TEST(TextStamp, WidthStretchesTheAdvance) {
    TextFontChoice narrow = choiceOf(20), wide = choiceOf(20);
    narrow.width = 5;
    wide.width = 20;
    const TextStamp a = renderTextStamp(QStringLiteral("ABCD"), narrow, 1.0);
    const TextStamp b = renderTextStamp(QStringLiteral("ABCD"), wide, 1.0);
    EXPECT_GT(b.frame.width(), 2 * a.frame.width());
    EXPECT_EQ(a.frame.height(), b.frame.height());
}

TEST(TextStamp, NoAntialiasGivesOnlyInkAndBackground) {
    const TextStamp t = renderTextStamp(QStringLiteral("ABCあ"), choiceOf(40, 30), 1.5);
    QSet<QRgb> colours;
    for (int y = 0; y < t.mask.height(); ++y)
        for (int x = 0; x < t.mask.width(); ++x) colours.insert(t.mask.pixel(x, y));
    EXPECT_EQ(colours, (QSet<QRgb>{0xff000000u, 0xffffffffu}));

    const ColorRef red = makeColorRef(255, 0, 0);
    QImage pattern = whitePattern(t.frame.width() + 4, t.frame.height() + 4);
    stampMask(pattern, t.mask, QPoint(2, 2), red);
    int reds = 0;
    for (int y = 0; y < pattern.height(); ++y)
        for (int x = 0; x < pattern.width(); ++x) {
            const QRgb p = pattern.pixel(x, y);
            ASSERT_TRUE(p == rgbFromColorRef(red) || p == 0xffffffffu);
            reds += p == rgbFromColorRef(red);
        }
    EXPECT_EQ(reds, inkCount(t.mask));
    EXPECT_GT(reds, 0);
}

TEST(TextStamp, GaugeStretchesTheHeightAtZeroDegrees) {
    const TextStamp plain = renderTextStamp(QStringLiteral("HIH"), choiceOf(20), 1.0);
    const TextStamp tall = renderTextStamp(QStringLiteral("HIH"), choiceOf(20), 1.5);
    EXPECT_EQ(tall.frame.width(), plain.frame.width());
    EXPECT_EQ(tall.frame.height(), static_cast<int>(std::nearbyint(1.5 * plain.frame.height())));
    const auto [p0, p1] = inkRows(plain.mask);
    const auto [t0, t1] = inkRows(tall.mask);
    ASSERT_GE(p0, 0);
    EXPECT_NEAR(t1 - t0 + 1, 1.5 * (p1 - p0 + 1), 2.0);
}

TEST(TextStamp, NinetyDegreesSwapsTheFrame) {
    const TextStamp flat = renderTextStamp(QStringLiteral("ABCDEF"), choiceOf(16), 1.0);
    const TextStamp up = renderTextStamp(QStringLiteral("ABCDEF"), choiceOf(16, 90), 1.0);
    EXPECT_EQ(up.position, 1);
    EXPECT_EQ(up.frame, flat.frame.transposed());
    // Gauge on the canvas's vertical: the turned text fills the frame's height.
    const TextStamp upTall = renderTextStamp(QStringLiteral("ABCDEF"), choiceOf(16, 90), 1.5);
    EXPECT_EQ(upTall.frame.width(), flat.frame.height());
    EXPECT_EQ(upTall.frame.height(), static_cast<int>(std::nearbyint(1.5 * flat.frame.width())));
    const auto [first, last] = inkRows(upTall.mask);
    EXPECT_GT(last - first + 1, upTall.frame.height() * 3 / 4);
}

TEST(TextStamp, FullTurnEqualsZero) {
    const TextStamp a = renderTextStamp(QStringLiteral("Qx"), choiceOf(18), 1.0);
    const TextStamp b = renderTextStamp(QStringLiteral("Qx"), choiceOf(18, 360), 1.0);
    EXPECT_EQ(b.position, 4);
    EXPECT_EQ(a.frame, b.frame);
    EXPECT_EQ(a.mask, b.mask);
}

TEST(TextStamp, ObliqueFrameIsTheTurnedBox) {
    const TextStamp flat = renderTextStamp(QStringLiteral("ABCD"), choiceOf(20), 1.0);
    const TextStamp turned = renderTextStamp(QStringLiteral("ABCD"), choiceOf(20, 45), 1.0);
    const double w = flat.frame.width(), h = flat.frame.height(), k = 0.01745;
    EXPECT_EQ(turned.frame.width(), static_cast<int>(std::nearbyint(w * std::cos(45 * k) + h * std::cos(45 * k))));
    EXPECT_EQ(turned.frame.height(), static_cast<int>(std::nearbyint(w * std::sin(45 * k) + h * std::sin(45 * k))));
    EXPECT_GT(inkCount(turned.mask), 0);
}

TEST(TextStamp, JapaneseTextIsDrawnWhole) {
    const TextStamp one = renderTextStamp(QStringLiteral("編"), choiceOf(24), 1.0);
    const TextStamp three = renderTextStamp(QStringLiteral("編み物"), choiceOf(24), 1.0);
    EXPECT_GT(inkCount(one.mask), 0);
    EXPECT_GE(three.frame.width(), 3 * one.frame.width() - 2);
    EXPECT_GT(inkCount(three.mask), 2 * inkCount(one.mask));
}

TEST(TextStamp, StampIsClippedAtEdges) {
    QImage mask(3, 2, QImage::Format_RGB32);
    mask.fill(Qt::black);
    mask.setPixel(1, 0, 0xffffffff); // a hole keeps the pattern
    QImage pattern = whitePattern(4, 3);
    const ColorRef blue = makeColorRef(0, 0, 255);
    stampMask(pattern, mask, QPoint(-1, 2), blue);
    const QRgb b = rgbFromColorRef(blue), w = 0xffffffff;
    const QRgb expected[3][4] = {{w, w, w, w}, {w, w, w, w}, {w, b, w, w}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(pattern.pixel(x, y), expected[y][x]) << x << "," << y;
    stampMask(pattern, mask, QPoint(3, -1), blue);
    EXPECT_EQ(pattern.pixel(3, 0), b);
    EXPECT_EQ(pattern.pixel(3, 1), w);
}
