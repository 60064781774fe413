#include "app_icon.h"

#include <QPainter>

#include <vector>

namespace qorn {
namespace {

struct Patch {
    QRect rect;
    QColor colour;
};

// The picture as filled rectangles, painted in order: a chart of four-pixel stitches, a heart on
// a cream ground, a grid line along each stitch's top and left edge, and a frame. The pixels and
// the SVG both come from this list.
std::vector<Patch> iconPatches() {
    static const char* const kHeart[8] = {
        "........", ".##.##..", "#######.", "#######.", ".#####..", "..###...", "...#....", "........",
    };
    const QRect canvas(0, 0, 32, 32);
    std::vector<Patch> patches{{canvas, QColor(250, 244, 228)}};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            if (kHeart[y][x] == '#') patches.push_back({QRect(2 + 4 * x, 2 + 4 * y, 4, 4), QColor(200, 40, 60)});
    // The last stitch column and row run under the frame, as on a chart cut from a larger one.
    for (int k = 0; k < 8; ++k) {
        patches.push_back({QRect(2 + 4 * k, 2, 1, 30), QColor(150, 140, 120)});
        patches.push_back({QRect(2, 2 + 4 * k, 30, 1), QColor(150, 140, 120)});
    }
    const QColor ink(40, 40, 40);
    for (const QRect& edge : {QRect(0, 0, 32, 1), QRect(0, 31, 32, 1), QRect(0, 0, 1, 32), QRect(31, 0, 1, 32)})
        patches.push_back({edge, ink});
    return patches;
}

QImage baseIcon() {
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    for (const Patch& patch : iconPatches()) p.fillRect(patch.rect, patch.colour);
    p.end();
    return image;
}

} // namespace

QImage applicationIconImage(int size) {
    const QImage base = baseIcon();
    if (size <= 0 || size == base.width()) return base;
    // Pixel art stays crisp when each pixel becomes a whole square; other sizes are reduced
    // from the next such enlargement.
    const int whole = (size + base.width() - 1) / base.width() * base.width();
    const QImage enlarged = base.scaled(whole, whole, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (whole == size) return enlarged;
    return enlarged.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QByteArray applicationIconSvg() {
    QByteArray svg = QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"32\" height=\"32\" viewBox=\"0 0 32 32\" "
        "shape-rendering=\"crispEdges\">\n");
    for (const Patch& patch : iconPatches()) {
        const QRect& r = patch.rect;
        svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\"/>\n")
                   .arg(r.x())
                   .arg(r.y())
                   .arg(r.width())
                   .arg(r.height())
                   .arg(patch.colour.name())
                   .toLatin1();
    }
    svg += "</svg>\n";
    return svg;
}

} // namespace qorn
