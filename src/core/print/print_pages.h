#pragma once

#include "colour/palette.h"
#include "print/print_layout.h"
#include "view/symbol_file.h"

#include <QImage>
#include <QPageLayout>
#include <QPointF>
#include <QRect>
#include <QString>

#include <array>
#include <functional>
#include <optional>
#include <vector>

class QPainter;
class QPaintDevice;
class QPagedPaintDevice;

namespace qorn {

// What the print settings ask for.
struct PrintOptions {
    bool colour = false;        // "カラー" rather than "パターン図"
    double magnification = 1.5; // 1, 1.5 or 2
    GridChoice grid = GridFive; // the screen's grid choice
    bool legend = true;
    bool hCenter = false;
    bool vCenter = false;
    QString title;
};

// Everything one print needs, owned by the print: the pattern (or the selected rectangle of it)
// as palette indices in a copy of its own, so nothing the editor holds is touched while pages
// go out.
struct PrintJob {
    QImage cells; // Indexed8, one pixel per stitch
    std::array<QRgb, 256> colours{};
    QRgb background = 0;
    std::array<QString, 256> symbols; // empty for a colour chart
    int mee = 20;
    int dan = 20;
    PrintOptions options;

    QSize size() const { return cells.size(); }
    double asp2() const;
    // Stitches of the background colour stay blank and are never listed, whichever palette
    // index holds that colour.
    bool isBackground(int index) const { return colours[static_cast<size_t>(index)] == background; }
};

// Maps `area` of `pattern` (the whole pattern without one; clipped to it) onto the palette,
// exact colours to their lowest index. `symbols` may be empty for a colour chart.
PrintJob makePrintJob(const QImage& pattern, const std::optional<QRect>& area, const Palette& palette,
                      int backgroundIndex, const SymbolTable& symbols, int mee, int dan,
                      const PrintOptions& options);

// The palette indices that occur in `stitches` of the job, the background colour left out.
std::array<bool, 256> usedColours(const PrintJob& job, const QRect& stitches);

// One page's legend laid out: the header and the entries in palette order, each on the chart's
// page (part 0) or on a following page when the space below the chart runs out.
struct LegendFlow {
    struct Header {
        int part = 0;
        QPointF at; // top-left of the text
    };
    struct Item {
        int index = 0;
        int part = 0;
        QPointF at;
        double width = 0;
    };
    std::vector<Header> headers; // one on every part that carries the legend
    std::vector<Item> items;
    int parts = 1; // pages used by this chart page, itself included
};
LegendFlow legendFlow(const PrintJob& job, const PrintLayout& layout, int chartPage,
                      const QPaintDevice& device);

// The header line: gauge, nine blanks, title.
QString legendHeaderText(const PrintJob& job);

// Every sheet of a print: chart pages in order, each followed by the pages its legend runs on.
struct PrintPlan {
    struct Sheet {
        int chartPage = 0;
        int legendPart = 0; // 0: the chart itself
    };
    PrintLayout layout;
    std::vector<Sheet> sheets;
    bool ok() const { return layout.ok(); }
    int pageCount() const { return static_cast<int>(sheets.size()); }
};
PrintPlan planPrint(const PrintJob& job, const QPaintDevice& device);

// Draws one sheet onto a painter open on a device of the plan's size and resolution (a
// printer, a PDF writer or an image); the paper is taken as white. The symbol chart draws its
// symbols as text; the colour chart draws the page's cells as an image, unsmoothed and stored
// without loss.
void paintChartPage(QPainter& painter, const PrintJob& job, const PrintPlan& plan, int sheet);

// A4 portrait with 5 mm margins, about what a typical printer leaves printable.
QPageLayout defaultPrintPageLayout();

// Prints every sheet as one document, pages separated by new pages. `progress`, when given, hears
// of each finished page (done, total) and ends the document early by answering false; pages
// already finished stay printed. A refused layout prints nothing and says why; a device that
// cannot be opened or take another page throws Error 20018, after ending what was printed.
PrintRefusal printChart(QPagedPaintDevice& device, const PrintJob& job,
                        const std::function<bool(int done, int total)>& progress = {});

// printChart into a PDF file.
PrintRefusal writeChartPdf(const QString& path, const PrintJob& job,
                           const QPageLayout& pageLayout = defaultPrintPageLayout(), int resolution = 600,
                           const std::function<bool(int done, int total)>& progress = {});

} // namespace qorn
