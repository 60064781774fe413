#include "app_icon.h"

#include <QPainter>

namespace qorn {
namespace {

QImage baseIcon() {
    // A chart of four-pixel stitches: a heart on a cream ground with a grid every stitch.
    static const char* const kHeart[8] = {
        "........", ".##.##..", "#######.", "#######.", ".#####..", "..###...", "...#....", "........",
    };
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(250, 244, 228));
    QPainter p(&image);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            if (kHeart[y][x] == '#') p.fillRect(QRect(2 + 4 * x, 2 + 4 * y, 4, 4), QColor(200, 40, 60));
    p.setPen(QColor(150, 140, 120));
    for (int k = 0; k <= 8; ++k) {
        p.drawLine(2 + 4 * k, 2, 2 + 4 * k, 34);
        p.drawLine(2, 2 + 4 * k, 34, 2 + 4 * k);
    }
    p.setPen(QColor(40, 40, 40));
    p.drawRect(QRect(0, 0, 31, 31));
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
    const QImage base = baseIcon();
    QByteArray svg = QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"32\" height=\"32\" viewBox=\"0 0 32 32\" "
        "shape-rendering=\"crispEdges\">\n");
    for (int y = 0; y < base.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(base.constScanLine(y));
        for (int x = 0; x < base.width();) {
            int end = x + 1;
            while (end < base.width() && row[end] == row[x]) ++end;
            svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"1\" fill=\"%4\"/>\n")
                       .arg(x)
                       .arg(y)
                       .arg(end - x)
                       .arg(QColor::fromRgb(row[x]).name())
                       .toLatin1();
            x = end;
        }
    }
    svg += "</svg>\n";
    return svg;
}

} // namespace qorn
