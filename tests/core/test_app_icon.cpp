#include "view/app_icon.h"

#include <QPainter>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

using namespace qorn;

namespace {

bool reddish(QRgb c) { return qRed(c) > qGreen(c) + 80 && qRed(c) > qBlue(c) + 80; }
bool cream(QRgb c) { return qRed(c) > 230 && qGreen(c) > 225 && qBlue(c) > 200; }

// Paints the SVG's rectangles as a browser would at 32 x 32.
QImage rasterise(const QByteArray& svg, QString* root) {
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    QXmlStreamReader xml(svg);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        const auto a = xml.attributes();
        if (xml.name() == QLatin1String("svg")) *root = a.value(QLatin1String("viewBox")).toString();
        if (xml.name() == QLatin1String("rect"))
            p.fillRect(QRect(a.value(QLatin1String("x")).toInt(), a.value(QLatin1String("y")).toInt(),
                             a.value(QLatin1String("width")).toInt(), a.value(QLatin1String("height")).toInt()),
                       QColor(a.value(QLatin1String("fill")).toString()));
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return image;
}

} // namespace

TEST(AppIcon, AHeartOfStitchesOnACreamGroundInsideAFrame) {
    const QImage icon = applicationIconImage(32);
    ASSERT_EQ(icon.size(), QSize(32, 32));
    // Stitches are four pixels from (2, 2); the grid runs along each stitch's top-left edge.
    auto stitch = [&](int sx, int sy) { return icon.pixel(2 + 4 * sx + 2, 2 + 4 * sy + 2); };
    EXPECT_TRUE(reddish(stitch(1, 1)));
    EXPECT_TRUE(reddish(stitch(3, 4)));
    EXPECT_TRUE(reddish(stitch(3, 6)));
    EXPECT_TRUE(cream(stitch(0, 0)));
    EXPECT_TRUE(cream(stitch(3, 1))); // the dip between the lobes
    EXPECT_TRUE(cream(stitch(0, 6)));
    EXPECT_FALSE(reddish(icon.pixel(6, 8))) << "grid line between stitches";
    for (QPoint corner : {QPoint(0, 0), QPoint(31, 0), QPoint(0, 31), QPoint(31, 31)})
        EXPECT_LT(qGray(icon.pixel(corner)), 60);
}

TEST(AppIcon, LargerSizesAreTheSamePixelsStitchForStitch) {
    const QImage base = applicationIconImage(32);
    for (int size : {64, 128, 256}) {
        const QImage big = applicationIconImage(size);
        ASSERT_EQ(big.size(), QSize(size, size));
        const int k = size / 32;
        int differing = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) differing += big.pixel(x, y) != base.pixel(x / k, y / k);
        EXPECT_EQ(differing, 0) << size;
    }
}

TEST(AppIcon, TheScalableIconIsTheSamePicture) {
    const QByteArray svg = applicationIconSvg();
    QString viewBox;
    const QImage drawn = rasterise(svg, &viewBox);
    EXPECT_EQ(viewBox, QStringLiteral("0 0 32 32"));
    const QImage expected = applicationIconImage(32).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(drawn, expected);
    EXPECT_LT(svg.size(), 6 * 1024); // stitches, grid lines and frame as shapes, not pixel runs
}
