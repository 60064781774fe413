#pragma once

#include "view/canvas_geometry.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <vector>

class QPaintDevice;

namespace qorn {

constexpr double kTwipsPerInch = 1440.0;

// The printable area of a page as a painter on it sees it: origin at its top-left corner.
struct PrintDevice {
    QSize pixels;
    double dpiX = 600;
    double dpiY = 600;
    double twipsPerPixelX() const { return kTwipsPerInch / dpiX; }
    double twipsPerPixelY() const { return kTwipsPerInch / dpiY; }
};

// The printable area and resolution of a printer, a PDF writer or an image.
PrintDevice printDeviceOf(const QPaintDevice& device);

// Why nothing can be printed. Too large a magnification or too tall a stitch leaves no room for
// five columns or five rows on a page, and every page count would divide by zero.
enum class PrintRefusal { None, NoColumns, NoRows, EmptyChart };
QString printRefusalMessage(PrintRefusal refusal);

// One page of the chart: the stitches it shows and where they land, in device pixels.
struct PrintPage {
    QRect stitches;
    int left = 0;
    int top = 0;
    int width = 0;  // Wc
    int height = 0; // Hc
};

struct PrintLayout {
    PrintRefusal refusal = PrintRefusal::None;
    PrintDevice device;
    QSize chart;
    double magnification = 1;
    int cols = 0; // per page, a multiple of 5
    int rows = 0;
    int pagesAcross = 0;
    int pagesDown = 0;
    // As they apply: a chart split across or down is not centred that way.
    bool hCenter = false;
    bool vCenter = false;
    double cellW = 0; // device pixels
    double cellH = 0;

    bool ok() const { return refusal == PrintRefusal::None; }
    int pageCount() const { return ok() ? pagesAcross * pagesDown : 0; }
    // Pages run left to right, then top to bottom.
    PrintPage page(int index) const;
};

// Pages of a chart of `chart` stitches whose rows are `asp2` times as tall as a stitch is wide,
// at magnification 1, 1.5 or 2 (a cell of 100 twips across at 1).
PrintLayout layoutPrint(const PrintDevice& device, QSize chart, double asp2, double magnification,
                        bool hCenter, bool vCenter);

// The text size of numbers, header and symbol legend at a magnification: 8, 10 or 12 points.
int printTextPointSize(double magnification);

// A number as the chart shows it: "###" (zero is empty), right-aligned in three characters.
QString printNumberText(int n);

// Lines are specified in printer pixels of a 600-dpi printer; on a finer device they keep their
// width on paper instead of becoming hairlines, and never fall below one device pixel.
int printLineWidth(double dpi, int printerPixels);

struct PrintGridLine {
    Qt::Orientation orientation = Qt::Horizontal;
    int pos = 0;  // x of a vertical line, y of a horizontal one, at its middle
    int from = 0; // the span along the line
    int to = 0;
    int width = 1; // device pixels
    bool bold = false;
};

struct PrintNumber {
    QPoint at; // top-left of the text
    int value = 0;
    QString text;
};

struct PrintGrid {
    std::vector<PrintGridLine> lines;
    std::vector<PrintNumber> rowNumbers;
    std::vector<PrintNumber> stitchNumbers;
};

// Lines and numbers of one page. Rows are counted from the bottom of the whole printed area and
// stitches from its left edge; a line every five, or with `PrintGridFine` a line at every cell
// boundary (the numbered ones bold).
PrintGrid PrintGridFive(const PrintLayout& layout, const PrintPage& page);
PrintGrid PrintGridFine(const PrintLayout& layout, const PrintPage& page);
PrintGrid printGrid(const PrintLayout& layout, const PrintPage& page, GridChoice choice);

// Where the header line of a page's legend starts (400 twips below the chart), and the x beyond
// which no legend entry starts (1000 twips from the right of the printable area).
struct LegendPlace {
    QPoint header;
    int rightLimit = 0;
};
LegendPlace legendPlace(const PrintLayout& layout, const PrintPage& page);

} // namespace qorn
