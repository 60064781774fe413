#include "print_pages.h"

#include "common/error.h"
#include "imaging/quantize.h"
#include "view/symbol_font.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPageSize>
#include <QPainter>
#include <QPen>
#include <QPdfWriter>
#include <QRawFont>

#include <algorithm>

namespace qorn {

namespace {

constexpr int kPrinterError = 20018;
// The symbol chart is composed, as on the screen, in cells of "亜" at 12 points and 96 dpi,
// then stretched onto the printed cells.
constexpr int kComposePointSize = 12;
constexpr int kComposePixelSize = 16; // 12 points at 96 dpi
constexpr int kSwatchPointSize = 14;
const QString kSwatch = QStringLiteral("■");

QFont textFont(const PrintJob& job) {
    return symbolFont(printTextPointSize(job.options.magnification));
}

} // namespace

double PrintJob::asp2() const {
    return dan > 0 ? static_cast<float>(double(mee) / double(dan)) : 0.0;
}

PrintJob makePrintJob(const QImage& pattern, const std::optional<QRect>& area, const Palette& palette,
                      int backgroundIndex, const SymbolTable& symbols, int mee, int dan,
                      const PrintOptions& options) {
    PrintJob job;
    job.colours = palette.rgbColours();
    job.background = job.colours[static_cast<size_t>(std::clamp(backgroundIndex, 0, 255))];
    for (size_t i = 0; i < 256; ++i)
        job.symbols[i] = job.isBackground(int(i)) ? QString() : symbols[i].text;
    job.mee = mee;
    job.dan = dan;
    job.options = options;
    const QRect rect = area ? area->intersected(pattern.rect()) : pattern.rect();
    if (!rect.isEmpty()) {
        job.cells = mapToPalette(pattern.copy(rect), job.colours, false);
        if (job.cells.isNull()) throw Error(err::OutOfMemory);
    }
    return job;
}

std::array<bool, 256> usedColours(const PrintJob& job, const QRect& stitches) {
    std::array<bool, 256> used{};
    const QRect r = stitches.intersected(job.cells.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const uchar* s = job.cells.constScanLine(y);
        for (int x = r.left(); x <= r.right(); ++x)
            used[s[x]] = true;
    }
    for (int i = 0; i < 256; ++i)
        if (job.isBackground(i)) used[static_cast<size_t>(i)] = false;
    return used;
}

QString legendHeaderText(const PrintJob& job) {
    return QStringLiteral("%1目×%2段").arg(job.mee).arg(job.dan) + QString(9, QLatin1Char(' ')) +
           job.options.title;
}

LegendFlow legendFlow(const PrintJob& job, const PrintLayout& layout, int chartPage,
                      const QPaintDevice& device) {
    LegendFlow flow;
    if (!job.options.legend || !layout.ok()) return flow;
    const PrintPage page = layout.page(chartPage);
    const LegendPlace place = legendPlace(layout, page);
    // Metrics only read the device's resolution.
    QPaintDevice* metricsDevice = const_cast<QPaintDevice*>(&device);
    const QFontMetricsF text(textFont(job), metricsDevice);
    const QFontMetricsF swatch(symbolFont(kSwatchPointSize), metricsDevice);
    const double lineH = text.height();
    const double itemH = job.options.colour ? swatch.height() : lineH;
    const double pageH = layout.device.pixels.height();
    const double left = page.left;
    const std::array<bool, 256> used = usedColours(job, page.stitches);

    // What does not fit below the chart goes on to the next page, from its top, under the
    // header again. A following page always takes its first line, however short the paper.
    int part = 0;
    double y = place.header.y();
    bool freshPart = false;
    auto startPart = [&] {
        ++part;
        y = 0;
        freshPart = true;
        flow.headers.push_back({part, QPointF(left, y)});
        y += 2 * lineH;
    };
    // A header is not left alone at the foot of the chart page: it goes with the first line.
    const bool anyUsed = std::find(used.begin(), used.end(), true) != used.end();
    if (y + lineH > pageH || (anyUsed && y + 2 * lineH + itemH > pageH)) {
        startPart();
    } else {
        flow.headers.push_back({part, QPointF(left, y)});
        y += 2 * lineH;
    }
    double x = left;
    bool lineStart = true;
    for (int i = 0; i < 256; ++i) {
        if (!used[static_cast<size_t>(i)]) continue;
        const double w =
            job.options.colour
                ? swatch.horizontalAdvance(kSwatch)
                : text.horizontalAdvance(job.symbols[static_cast<size_t>(i)] + QStringLiteral("  "));
        if (x > place.rightLimit) {
            x = left;
            y += 2 * itemH;
            lineStart = true;
        }
        if (lineStart && !freshPart && y + itemH > pageH) {
            startPart();
            x = left;
        }
        flow.items.push_back({i, part, QPointF(x, y), w});
        x += w;
        lineStart = false;
        freshPart = false;
    }
    flow.parts = part + 1;
    return flow;
}

PrintPlan planPrint(const PrintJob& job, const QPaintDevice& device) {
    PrintPlan plan;
    plan.layout = layoutPrint(printDeviceOf(device), job.size(), job.asp2(), job.options.magnification,
                              job.options.hCenter, job.options.vCenter);
    for (int p = 0; p < plan.layout.pageCount(); ++p) {
        const int parts = job.options.legend ? legendFlow(job, plan.layout, p, device).parts : 1;
        for (int part = 0; part < parts; ++part)
            plan.sheets.push_back({p, part});
    }
    return plan;
}

namespace {

void paintSymbols(QPainter& painter, const PrintJob& job, const PrintPage& page) {
    const int t = std::max(1, symbolCellSide(symbolFont(kComposePointSize)));
    QFont font = symbolFont(kComposePointSize);
    font.setPixelSize(kComposePixelSize);
    const QRawFont raw = QRawFont::fromFont(font);

    // Symbols the face lacks are left to Qt's font fallback one by one; the rest go out as one
    // run of glyphs, which a PDF stores as a few bytes of text per cell.
    std::array<quint32, 256> glyph{};
    for (size_t i = 0; i < 256; ++i) {
        const QString& s = job.symbols[i];
        if (s.isEmpty() || s.trimmed().isEmpty()) continue;
        const QList<quint32> g = raw.isValid() ? raw.glyphIndexesForString(s) : QList<quint32>();
        glyph[i] = g.size() == 1 ? g[0] : 0;
    }

    painter.save();
    painter.translate(page.left, page.top);
    painter.scale(double(page.width) / (page.stitches.width() * t),
                  double(page.height) / (page.stitches.height() * t));
    painter.setPen(Qt::black);
    painter.setFont(font);
    const double ascent = raw.isValid() ? raw.ascent() : QFontMetricsF(font).ascent();
    QList<quint32> indexes;
    QList<QPointF> positions;
    indexes.reserve(page.stitches.width() * page.stitches.height());
    positions.reserve(indexes.capacity());
    for (int r = 0; r < page.stitches.height(); ++r) {
        const uchar* s = job.cells.constScanLine(page.stitches.top() + r) + page.stitches.left();
        for (int c = 0; c < page.stitches.width(); ++c) {
            const QPointF at(double(t) * c, double(t) * r + ascent);
            if (glyph[s[c]]) {
                indexes.push_back(glyph[s[c]]);
                positions.push_back(at);
            } else if (const QString& sym = job.symbols[s[c]]; !sym.isEmpty() && !sym.trimmed().isEmpty()) {
                painter.drawText(at, sym);
            }
        }
    }
    if (!indexes.isEmpty()) {
        QGlyphRun run;
        run.setRawFont(raw);
        run.setGlyphIndexes(indexes);
        run.setPositions(positions);
        painter.drawGlyphRun(QPointF(0, 0), run);
    }
    painter.restore();
}

void paintColours(QPainter& painter, const PrintJob& job, const PrintPage& page) {
    QImage cells(page.stitches.size(), QImage::Format_RGB32);
    if (cells.isNull()) throw Error(err::OutOfMemory);
    for (int r = 0; r < cells.height(); ++r) {
        const uchar* s = job.cells.constScanLine(page.stitches.top() + r) + page.stitches.left();
        auto* d = reinterpret_cast<QRgb*>(cells.scanLine(r));
        for (int c = 0; c < cells.width(); ++c)
            d[c] = job.colours[s[c]];
    }
    painter.save();
    // Without the lossless hint a PDF stores the picture as JPEG and the palette colours blur.
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRect(page.left, page.top, page.width, page.height), cells);
    painter.restore();
}

void paintGrid(QPainter& painter, const PrintJob& job, const PrintLayout& layout, const PrintPage& page) {
    const PrintGrid grid = printGrid(layout, page, job.options.grid);
    if (grid.lines.empty()) return;
    // A hairline down the middle of every line as well: a page shown shrunk (the print preview)
    // would round the thin filled lines away, while a cosmetic pen keeps one screen pixel.
    QPen hairline(Qt::black, 0);
    hairline.setCosmetic(true);
    painter.setPen(hairline);
    for (const PrintGridLine& l : grid.lines) {
        const int a = l.pos - l.width / 2;
        const bool vertical = l.orientation == Qt::Vertical;
        const QRect r = vertical ? QRect(a, l.from, l.width, l.to - l.from) : QRect(l.from, a, l.to - l.from, l.width);
        painter.fillRect(r, Qt::black);
        if (l.to - l.from > 1)
            painter.drawLine(vertical ? QLine(l.pos, l.from, l.pos, l.to - 1) : QLine(l.from, l.pos, l.to - 1, l.pos));
    }
    const QFont font = textFont(job);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QFontMetricsF metrics(font, painter.device());
    const double ascent = metrics.ascent();
    // Row numbers stand in a field of three characters left of the chart; longer ones (a
    // thousand rows and up) grow to the left instead of running into the chart.
    const double field = metrics.horizontalAdvance(QStringLiteral("000"));
    for (const PrintNumber& n : grid.rowNumbers) {
        if (n.value == 0) continue;
        const double width = metrics.horizontalAdvance(n.text);
        painter.drawText(QPointF(n.at.x() + std::min(0.0, field - width), n.at.y() + ascent), n.text);
    }
    for (const PrintNumber& n : grid.stitchNumbers)
        if (n.value != 0) painter.drawText(QPointF(n.at.x(), n.at.y() + ascent), n.text);
}

void paintLegend(QPainter& painter, const PrintJob& job, const LegendFlow& flow, int part) {
    const QFont text = textFont(job);
    const QFont swatch = symbolFont(kSwatchPointSize);
    const double textAscent = QFontMetricsF(text, painter.device()).ascent();
    const double swatchAscent = QFontMetricsF(swatch, painter.device()).ascent();
    painter.setPen(Qt::black);
    painter.setFont(text);
    for (const LegendFlow::Header& h : flow.headers)
        if (h.part == part) painter.drawText(QPointF(h.at.x(), h.at.y() + textAscent), legendHeaderText(job));
    if (job.options.colour) painter.setFont(swatch);
    for (const LegendFlow::Item& item : flow.items) {
        if (item.part != part) continue;
        if (job.options.colour) {
            painter.setPen(QColor::fromRgb(job.colours[static_cast<size_t>(item.index)]));
            painter.drawText(QPointF(item.at.x(), item.at.y() + swatchAscent), kSwatch);
        } else {
            painter.drawText(QPointF(item.at.x(), item.at.y() + textAscent),
                             job.symbols[static_cast<size_t>(item.index)] + QStringLiteral("  "));
        }
    }
}

} // namespace

void paintChartPage(QPainter& painter, const PrintJob& job, const PrintPlan& plan, int sheet) {
    if (sheet < 0 || sheet >= plan.pageCount()) return;
    const PrintPlan::Sheet s = plan.sheets[static_cast<size_t>(sheet)];
    const PrintPage page = plan.layout.page(s.chartPage);
    painter.save();
    if (s.legendPart == 0) {
        if (job.options.colour)
            paintColours(painter, job, page);
        else
            paintSymbols(painter, job, page);
        paintGrid(painter, job, plan.layout, page);
    }
    if (job.options.legend)
        paintLegend(painter, job, legendFlow(job, plan.layout, s.chartPage, *painter.device()), s.legendPart);
    painter.restore();
}

QPageLayout defaultPrintPageLayout() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(5, 5, 5, 5),
                       QPageLayout::Millimeter);
}

PrintRefusal printChart(QPagedPaintDevice& device, const PrintJob& job,
                        const std::function<bool(int done, int total)>& progress) {
    const PrintPlan plan = planPrint(job, device);
    if (!plan.ok()) return plan.layout.refusal;
    QPainter painter;
    if (!painter.begin(&device)) throw Error(kPrinterError);
    // Whatever stops the run, the document is ended so the finished pages go out.
    struct Ender {
        QPainter& p;
        ~Ender() {
            if (p.isActive()) p.end();
        }
    } ender{painter};
    for (int i = 0; i < plan.pageCount(); ++i) {
        if (i > 0 && !device.newPage()) throw Error(kPrinterError);
        paintChartPage(painter, job, plan, i);
        if (progress && !progress(i + 1, plan.pageCount())) break;
    }
    if (!painter.end()) throw Error(kPrinterError);
    return PrintRefusal::None;
}

PrintRefusal writeChartPdf(const QString& path, const PrintJob& job, const QPageLayout& pageLayout,
                           int resolution, const std::function<bool(int done, int total)>& progress) {
    QPdfWriter writer(path);
    writer.setResolution(resolution);
    writer.setPageLayout(pageLayout);
    writer.setCreator(QStringLiteral("QORN"));
    return printChart(writer, job, progress);
}

} // namespace qorn
