#include "print_layout.h"

#include "common/vbround.h"

#include <QPaintDevice>

#include <algorithm>
#include <cmath>

namespace qorn {

namespace {

// Room the page keeps free: right and below the usable area, and the least left margin.
constexpr double kSpareWidthTwips = 1120;
constexpr double kSpareHeightTwips = 1000;
constexpr double kMinLeftTwips = 1200;
constexpr double kCellTwips = 100;
constexpr double kRowNumberGapTwips = 400;
constexpr double kStitchNumberGapTwips = 100;
constexpr double kLegendGapTwips = 400;
constexpr double kLegendRightTwips = 1000;

int ceilDiv(int a, int b) {
    return (a + b - 1) / b;
}

} // namespace

PrintDevice printDeviceOf(const QPaintDevice& device) {
    PrintDevice d;
    d.pixels = QSize(device.width(), device.height());
    d.dpiX = device.logicalDpiX() > 0 ? device.logicalDpiX() : 600;
    d.dpiY = device.logicalDpiY() > 0 ? device.logicalDpiY() : 600;
    return d;
}

QString printRefusalMessage(PrintRefusal refusal) {
    switch (refusal) {
    case PrintRefusal::None:
        return {};
    case PrintRefusal::NoColumns:
        return QStringLiteral("用紙の幅に5目分のマス目が入りません。印刷倍率を小さくしてください。");
    case PrintRefusal::NoRows:
        return QStringLiteral(
            "用紙の高さに5段分のマス目が入りません。印刷倍率を小さくするか、ゲージを確かめてください。");
    case PrintRefusal::EmptyChart:
        return QStringLiteral("印刷する目がありません。");
    }
    return {};
}

PrintLayout layoutPrint(const PrintDevice& device, QSize chart, double asp2, double magnification,
                        bool hCenter, bool vCenter) {
    PrintLayout l;
    l.device = device;
    l.chart = chart;
    l.magnification = magnification;
    if (chart.width() <= 0 || chart.height() <= 0) {
        l.refusal = PrintRefusal::EmptyChart;
        return l;
    }
    const double pageW = device.pixels.width() * device.twipsPerPixelX();
    const double pageH = device.pixels.height() * device.twipsPerPixelY();
    const double cellWTwips = kCellTwips * magnification;
    const double cellHTwips = kCellTwips * magnification * asp2;
    l.cols = 5 * (roundToInt((pageW - kSpareWidthTwips) / cellWTwips) / 5);
    l.rows = cellHTwips > 0 ? 5 * (roundToInt((pageH - kSpareHeightTwips) / cellHTwips) / 5) : 0;
    // Rounding up can make the chart wider than the paper right of the margin, or taller than
    // the page: its last cells would be cut off, so such a page takes five fewer.
    while (l.cols > 0 && kMinLeftTwips + l.cols * cellWTwips > pageW)
        l.cols -= 5;
    while (l.rows > 0 && l.rows * cellHTwips > pageH)
        l.rows -= 5;
    if (l.cols <= 0) {
        l.cols = 0;
        l.refusal = PrintRefusal::NoColumns;
        return l;
    }
    if (l.rows <= 0) {
        l.rows = 0;
        l.refusal = PrintRefusal::NoRows;
        return l;
    }
    l.pagesAcross = ceilDiv(chart.width(), l.cols);
    l.pagesDown = ceilDiv(chart.height(), l.rows);
    l.hCenter = hCenter && l.pagesAcross == 1;
    l.vCenter = vCenter && l.pagesDown == 1;
    l.cellW = cellWTwips / device.twipsPerPixelX();
    l.cellH = cellHTwips / device.twipsPerPixelY();
    return l;
}

PrintPage PrintLayout::page(int index) const {
    PrintPage p;
    if (!ok() || index < 0 || index >= pageCount()) return p;
    const int c0 = (index % pagesAcross) * cols;
    const int r0 = (index / pagesAcross) * rows;
    const int nc = std::min(c0 + cols, chart.width()) - c0;
    const int nr = std::min(r0 + rows, chart.height()) - r0;
    p.stitches = QRect(c0, r0, nc, nr);
    p.width = roundToInt(nc * cellW);
    p.height = roundToInt(nr * cellH);
    const double tppX = device.twipsPerPixelX(), tppY = device.twipsPerPixelY();
    const int minLeft = roundToInt(kMinLeftTwips / tppX);
    p.left = hCenter ? std::max(roundToInt((device.pixels.width() - kSpareWidthTwips / tppX - p.width) / 2),
                                minLeft)
                     : minLeft;
    // A chart a little taller than the usable height is not pushed above the page.
    p.top = vCenter
                ? std::max(roundToInt((device.pixels.height() - kSpareHeightTwips / tppY - p.height) / 2), 0)
                : 0;
    return p;
}

int printTextPointSize(double magnification) {
    if (magnification < 1.25) return 8;
    if (magnification < 1.75) return 10;
    return 12;
}

QString printNumberText(int n) {
    return QStringLiteral("%1").arg(n == 0 ? QString() : QString::number(n), 3);
}

int printLineWidth(double dpi, int printerPixels) {
    return std::max(1, roundToInt(printerPixels * dpi / 600.0));
}

namespace {

PrintGrid gridOf(const PrintLayout& l, const PrintPage& p, bool fine) {
    PrintGrid g;
    const int thin = printLineWidth(std::min(l.device.dpiX, l.device.dpiY), 1);
    const int bold = printLineWidth(std::min(l.device.dpiX, l.device.dpiY), 4);
    const int firstCol = p.stitches.left(), firstRow = p.stitches.top();
    const int nCols = p.stitches.width(), nRows = p.stitches.height();
    auto horizontal = [&](int y, int width, bool isBold) {
        g.lines.push_back(
            {Qt::Horizontal, y, p.left - width / 2, p.left + p.width - width / 2 + width, width, isBold});
    };
    auto vertical = [&](int x, int width, bool isBold) {
        g.lines.push_back(
            {Qt::Vertical, x, p.top - width / 2, p.top + p.height - width / 2 + width, width, isBold});
    };

    horizontal(p.top, thin, false);
    const int rowNumberX = roundToInt(p.left - kRowNumberGapTwips / l.device.twipsPerPixelX());
    for (int n = 1; n <= nRows; ++n) {
        // Rows below this line, down to the bottom of the whole printed area.
        const int below = l.chart.height() - firstRow - n;
        const int y = roundToInt(p.top + n * l.cellH);
        if (below % 5 == 0) {
            g.rowNumbers.push_back({QPoint(rowNumberX, y), below, printNumberText(below)});
            horizontal(y, fine ? bold : thin, fine);
        } else if (fine) {
            horizontal(y, thin, false);
        }
    }
    const int stitchNumberY =
        roundToInt(p.top + p.height + kStitchNumberGapTwips / l.device.twipsPerPixelY());
    for (int i = firstCol; i < firstCol + nCols; ++i) {
        const int x = roundToInt(p.left + (i - firstCol) * l.cellW);
        if (i % 5 == 0) {
            const int numberX = roundToInt(p.left + (i - firstCol) * l.cellW - 2 * l.cellW);
            g.stitchNumbers.push_back({QPoint(numberX, stitchNumberY), i, printNumberText(i)});
            vertical(x, fine ? bold : thin, fine);
        } else if (fine) {
            vertical(x, thin, false);
        }
    }
    vertical(roundToInt(p.left + nCols * l.cellW), thin, false);
    return g;
}

} // namespace

PrintGrid PrintGridFive(const PrintLayout& layout, const PrintPage& page) {
    return gridOf(layout, page, false);
}

PrintGrid PrintGridFine(const PrintLayout& layout, const PrintPage& page) {
    return gridOf(layout, page, true);
}

PrintGrid printGrid(const PrintLayout& layout, const PrintPage& page, GridChoice choice) {
    switch (choice) {
    case GridFive:
        return PrintGridFive(layout, page);
    case GridOne:
        return PrintGridFine(layout, page);
    case GridNone:
        break;
    }
    return {};
}

LegendPlace legendPlace(const PrintLayout& layout, const PrintPage& page) {
    LegendPlace place;
    place.header = QPoint(
        page.left, roundToInt(kLegendGapTwips / layout.device.twipsPerPixelY() + page.height + page.top));
    place.rightLimit =
        roundToInt(layout.device.pixels.width() - kLegendRightTwips / layout.device.twipsPerPixelX());
    return place;
}

} // namespace qorn
