#include "print/print_pages.h"
#include "support/sample_images.h"
#include "view/symbol_font.h"

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>
#include <QBuffer>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>

using namespace qorn;

namespace {

constexpr int kBackground = 15;

const Palette& shippedPalette() {
    static const Palette p = [] {
        Palette palette;
        palette.load(QStringLiteral(QORN_SOURCE_DIR "/data/defpal.dat"));
        return palette;
    }();
    return p;
}

SymbolTable shippedSymbols(int background = kBackground) {
    return readSymbolFile(QStringLiteral(QORN_SOURCE_DIR "/data/qorn.sym"), background).table;
}

QImage patternOf(const Palette& palette, QSize size, const std::function<int(int, int)>& indexAt) {
    QImage img(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            img.setPixel(x, y, rgbFromColorRef(palette[indexAt(x, y)]));
    return img;
}

PrintJob jobOf(const QImage& pattern, const PrintOptions& options, const Palette& palette = shippedPalette(),
               int background = kBackground, std::optional<QRect> area = std::nullopt) {
    return makePrintJob(pattern, area, palette, background, shippedSymbols(background), 20, 20, options);
}

PrintOptions options(GridChoice grid, bool legend, bool colour = false, double magnification = 1.0) {
    PrintOptions o;
    o.grid = grid;
    o.legend = legend;
    o.colour = colour;
    o.magnification = magnification;
    o.title = QStringLiteral("テスト");
    return o;
}

// A white sheet at 300 dpi.
QImage sheetImage(QSize size = QSize(2480, 3508)) {
    QImage img(size, QImage::Format_RGB32);
    img.setDotsPerMeterX(11811);
    img.setDotsPerMeterY(11811);
    img.fill(Qt::white);
    return img;
}

struct Printed {
    PrintPlan plan;
    std::vector<QImage> sheets;
};

Printed printAll(const PrintJob& job, QSize size = QSize(2480, 3508)) {
    Printed out;
    QImage first = sheetImage(size);
    out.plan = planPrint(job, first);
    for (int i = 0; i < out.plan.pageCount(); ++i) {
        QImage img = sheetImage(size);
        QPainter painter(&img);
        paintChartPage(painter, job, out.plan, i);
        painter.end();
        out.sheets.push_back(img);
    }
    return out;
}

bool dark(QRgb c) {
    return qGray(c) < 128;
}

int darkIn(const QImage& img, const QRect& r) {
    int n = 0;
    const QRect in = r.intersected(img.rect());
    for (int y = in.top(); y <= in.bottom(); ++y)
        for (int x = in.left(); x <= in.right(); ++x)
            n += dark(img.pixel(x, y));
    return n;
}

int exactIn(const QImage& img, const QRect& r, QRgb colour) {
    int n = 0;
    const QRect in = r.intersected(img.rect());
    for (int y = in.top(); y <= in.bottom(); ++y)
        for (int x = in.left(); x <= in.right(); ++x)
            n += (img.pixel(x, y) | 0xff000000u) == (colour | 0xff000000u);
    return n;
}

// The printed cell of stitch (c, r) of a page, as the chart is stretched onto it.
QRect cellRect(const PrintPage& p, int c, int r) {
    const double w = double(p.width) / p.stitches.width(), h = double(p.height) / p.stitches.height();
    return QRect(QPoint(int(p.left + c * w), int(p.top + r * h)),
                 QPoint(int(p.left + (c + 1) * w) - 1, int(p.top + (r + 1) * h) - 1));
}

QRect lineRect(const PrintGridLine& l) {
    const int a = l.pos - l.width / 2;
    return l.orientation == Qt::Vertical ? QRect(a, l.from, l.width, l.to - l.from)
                                         : QRect(l.from, a, l.to - l.from, l.width);
}

QRect numberRect(const PrintNumber& n, const QImage& device) {
    const QFontMetricsF fm(symbolFont(8), const_cast<QImage*>(&device));
    return QRect(n.at, QSize(int(3 * fm.horizontalAdvance(QLatin1Char('0'))) + 1, int(fm.height()) + 1));
}

QString tool(const QString& name) {
    return QStandardPaths::findExecutable(name);
}

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

TEST(PrintPages, GridLinesAndNumbersLandWhereTheLayoutPutsThem) {
    const QImage pattern = patternOf(shippedPalette(), QSize(12, 12), [](int, int) { return kBackground; });
    const Printed out = printAll(jobOf(pattern, options(GridFive, false)));
    ASSERT_EQ(out.sheets.size(), 1u);
    const QImage& img = out.sheets[0];
    const PrintPage page = out.plan.layout.page(0);
    const PrintGrid grid = PrintGridFive(out.plan.layout, page);

    QImage ink = img; // what the layout accounts for is painted white; nothing may be left
    QPainter wipe(&ink);
    for (const PrintGridLine& l : grid.lines) {
        const QRect r = lineRect(l);
        EXPECT_EQ(darkIn(img, r), r.width() * r.height()) << "line at " << l.pos;
        wipe.fillRect(r, Qt::white);
    }
    for (const auto* numbers : {&grid.rowNumbers, &grid.stitchNumbers}) {
        for (const PrintNumber& n : *numbers) {
            const QRect box = numberRect(n, img);
            if (n.value == 0) {
                EXPECT_EQ(darkIn(img, box.adjusted(2, 2, -2, -2)), 0);
                continue;
            }
            EXPECT_GT(darkIn(img, box), 10) << n.value;
            // Right-aligned: a one-digit number leaves the first two places empty.
            if (n.value < 10) {
                EXPECT_EQ(darkIn(img, QRect(box.topLeft(), QSize(box.width() * 2 / 3 - 2, box.height()))), 0);
            }
            wipe.fillRect(box, Qt::white);
        }
    }
    wipe.end();
    EXPECT_EQ(darkIn(ink, ink.rect()), 0);
    // The cells between the lines are blank.
    EXPECT_FALSE(dark(img.pixelColor(cellRect(page, 2, 2).center()).rgb()));
}

// At magnification 2 the numbers are 12 pt; a four-digit row number must still end left of
// the chart instead of running over its border.
TEST(PrintPages, FourDigitRowNumbersStayLeftOfTheChart) {
    const QImage pattern = patternOf(shippedPalette(), QSize(10, 1010), [](int, int) { return kBackground; });
    const PrintJob job = jobOf(pattern, options(GridFive, false, false, 2.0));
    QImage sheet = sheetImage(QSize(2480, 3508));
    const PrintPlan plan = planPrint(job, sheet);
    ASSERT_TRUE(plan.ok());
    QPainter painter(&sheet);
    paintChartPage(painter, job, plan, 0);
    painter.end();
    const PrintPage page = plan.layout.page(0);
    const PrintGrid grid = PrintGridFive(plan.layout, page);
    int wide = 0;
    for (const PrintNumber& n : grid.rowNumbers) {
        if (n.value < 1000) continue;
        ++wide;
        const QRect box = numberRect(n, sheet);
        // Ink of the number's line, between the left margin and the chart's border.
        int rightmost = -1;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = 0; x < page.left - 2; ++x)
                if (dark(sheet.pixel(x, y))) rightmost = std::max(rightmost, x);
        EXPECT_GE(rightmost, 0) << n.value;
        EXPECT_LT(rightmost, page.left - 4) << n.value; // a gap before the border line
        // Nothing of the number inside the first cell of the chart.
        for (int y = box.top() + 3; y <= box.bottom() - 3; ++y)
            for (int x = page.left + 3; x < page.left + static_cast<int>(plan.layout.cellW) - 3; ++x)
                ASSERT_FALSE(dark(sheet.pixel(x, y))) << n.value << " at " << x << "," << y;
    }
    EXPECT_GT(wide, 0);
}

TEST(PrintPages, SymbolsAreTextStretchedOverTheirOwnCells) {
    const QImage pattern = patternOf(shippedPalette(), QSize(10, 10), [](int x, int y) {
        return x == 2 && y == 3 ? 1 : x == 7 && y == 8 ? 2 : kBackground;
    });
    const PrintJob job = jobOf(pattern, options(GridNone, false, false, 2.0));
    const Printed out = printAll(job);
    const QImage& img = out.sheets[0];
    const PrintPage page = out.plan.layout.page(0);
    const QRect a = cellRect(page, 2, 3), b = cellRect(page, 7, 8);
    EXPECT_GT(darkIn(img, a), 20);
    EXPECT_GT(darkIn(img, b), 20);
    EXPECT_EQ(darkIn(img, QRect(page.left, page.top, page.width, page.height)),
              darkIn(img, a) + darkIn(img, b));

    // Drawn at the chart's cell size, not at some text size: the mark spans most of its cell.
    int minX = a.right(), maxX = a.left();
    for (int y = a.top(); y <= a.bottom(); ++y)
        for (int x = a.left(); x <= a.right(); ++x)
            if (dark(img.pixel(x, y))) minX = std::min(minX, x), maxX = std::max(maxX, x);
    EXPECT_GT(maxX - minX, a.width() / 2);
    // Two symbols, two different marks.
    QImage ca = img.copy(a), cb = img.copy(b).scaled(ca.size());
    EXPECT_NE(ca, cb);
}

TEST(PrintPages, GridNonePrintsNoLineAndNoNumberButTheLegend) {
    const QImage pattern = patternOf(shippedPalette(), QSize(20, 20),
                                     [](int x, int y) { return x == 4 && y == 4 ? 1 : kBackground; });
    const PrintJob job = jobOf(pattern, options(GridNone, true));
    const Printed out = printAll(job);
    ASSERT_EQ(out.sheets.size(), 1u);
    const QImage& img = out.sheets[0];
    const PrintPage page = out.plan.layout.page(0);
    const LegendPlace place = legendPlace(out.plan.layout, page);
    const QRect symbol = cellRect(page, 4, 4);
    EXPECT_EQ(darkIn(img, QRect(0, 0, img.width(), place.header.y())), darkIn(img, symbol));
    EXPECT_GT(darkIn(img, symbol), 0);
    const LegendFlow flow = legendFlow(job, out.plan.layout, 0, img);
    ASSERT_EQ(flow.items.size(), 1u);
    EXPECT_EQ(flow.items[0].index, 1);
    EXPECT_GT(darkIn(img, QRect(place.header, QSize(img.width(), 40))), 50); // the header
    const QRect item(flow.items[0].at.toPoint(), QSize(int(flow.items[0].width), 40));
    EXPECT_GT(darkIn(img, item), 10);
}

TEST(PrintPages, PageOfBackgroundOnlyIsBlankWithAnEmptyLegend) {
    const QImage pattern = patternOf(shippedPalette(), QSize(30, 30), [](int, int) { return kBackground; });
    for (bool colour : {false, true}) {
        const PrintJob job = jobOf(pattern, options(GridNone, true, colour));
        const Printed out = printAll(job);
        ASSERT_EQ(out.sheets.size(), 1u);
        const QImage& img = out.sheets[0];
        const PrintPage page = out.plan.layout.page(0);
        const LegendFlow flow = legendFlow(job, out.plan.layout, 0, img);
        EXPECT_TRUE(flow.items.empty());
        ASSERT_EQ(flow.headers.size(), 1u);
        // The colour chart paints the background colour, white here; nothing dark either way.
        EXPECT_EQ(darkIn(img, QRect(page.left, page.top, page.width, page.height)), 0);
        const int header = flow.headers[0].at.toPoint().y();
        const int lineH = int(QFontMetricsF(symbolFont(8), const_cast<QImage*>(&img)).height());
        EXPECT_GT(darkIn(img, QRect(0, header, img.width(), lineH)), 50);
        EXPECT_EQ(darkIn(img, QRect(0, header + lineH + 2, img.width(), img.height())), 0);
    }
}

TEST(PrintPages, SelectionIsNumberedFromItsOwnEdges) {
    // Selection: stitches 7-18, rows 3-11; stitch 1 at its bottom-left, stitch 2 outside it.
    const QImage pattern = patternOf(shippedPalette(), QSize(40, 40), [](int x, int y) {
        return x == 7 && y == 11 ? 1 : x == 30 && y == 30 ? 2 : kBackground;
    });
    const PrintJob job =
        jobOf(pattern, options(GridFive, true), shippedPalette(), kBackground, QRect(7, 3, 12, 9));
    ASSERT_EQ(job.size(), QSize(12, 9));
    const Printed out = printAll(job);
    const QImage& img = out.sheets[0];
    const PrintPage page = out.plan.layout.page(0);
    const PrintGrid grid = PrintGridFive(out.plan.layout, page);
    ASSERT_EQ(grid.rowNumbers.size(), 2u);
    EXPECT_EQ(grid.rowNumbers[0].value, 5);
    EXPECT_EQ(grid.rowNumbers[0].at.y(), std::lround(page.top + 4 * out.plan.layout.cellH));
    EXPECT_EQ(grid.rowNumbers[1].value, 0);
    std::vector<int> stitches;
    for (const PrintNumber& n : grid.stitchNumbers)
        stitches.push_back(n.value);
    EXPECT_EQ(stitches, (std::vector<int>{0, 5, 10}));
    EXPECT_GT(darkIn(img, numberRect(grid.rowNumbers[0], img)), 10);
    EXPECT_GT(darkIn(img, cellRect(page, 0, 8).adjusted(2, 2, -2, -2)), 10);
    const LegendFlow flow = legendFlow(job, out.plan.layout, 0, img);
    ASSERT_EQ(flow.items.size(), 1u);
    EXPECT_EQ(flow.items[0].index, 1);
}

TEST(PrintPages, EveryColourOfAFullPageIsListedExactlyOnceAcrossPages) {
    // 60 x 150 fills an A4 page down; its legend of 255 entries cannot fit below it.
    const QImage pattern =
        patternOf(shippedPalette(), QSize(60, 150), [](int x, int y) { return (y * 60 + x) % 256; });
    for (bool colour : {false, true}) {
        const PrintJob job = jobOf(pattern, options(GridFive, true, colour));
        const Printed out = printAll(job);
        ASSERT_EQ(out.plan.layout.pageCount(), 1);
        ASSERT_GT(out.plan.pageCount(), 1) << "the legend goes on to a following page";
        const LegendFlow flow = legendFlow(job, out.plan.layout, 0, out.sheets[0]);
        EXPECT_EQ(flow.parts, out.plan.pageCount());
        std::map<int, int> listed;
        for (const LegendFlow::Item& item : flow.items)
            ++listed[item.index];
        EXPECT_EQ(listed.size(), 255u);
        for (const auto& [index, count] : listed)
            EXPECT_EQ(count, 1) << index;
        EXPECT_EQ(listed.count(kBackground), 0u);
        // Every header heads entries; none is left alone at the foot of a page.
        for (const LegendFlow::Header& h : flow.headers)
            EXPECT_TRUE(std::any_of(flow.items.begin(), flow.items.end(),
                                    [&](const LegendFlow::Item& item) { return item.part == h.part; }))
                << "part " << h.part;

        const QFont font = symbolFont(colour ? 14 : 8);
        const double itemH = QFontMetricsF(font, const_cast<QImage*>(&out.sheets[0])).height();
        const int limit = legendPlace(out.plan.layout, out.plan.layout.page(0)).rightLimit;
        for (const LegendFlow::Item& item : flow.items) {
            ASSERT_LT(item.part, out.plan.pageCount());
            const QImage& img = out.sheets[static_cast<size_t>(item.part)];
            EXPECT_LE(item.at.y() + itemH, img.height()) << item.index;
            EXPECT_LE(item.at.x(), limit);
            const QRect box(item.at.toPoint(), QSize(int(item.width), int(itemH)));
            const QRgb c = job.colours[static_cast<size_t>(item.index)];
            if (colour) {
                EXPECT_GT(exactIn(img, box, c), 200) << "swatch " << item.index;
            } else {
                EXPECT_GT(darkIn(img, box), 5) << "symbol " << item.index;
            }
        }
        // The following page carries the legend only: its header at the top, no chart.
        const PrintPage page = out.plan.layout.page(0);
        EXPECT_EQ(darkIn(out.sheets[1], QRect(0, 0, page.left - 1, out.sheets[1].height())), 0);
        EXPECT_GT(darkIn(out.sheets[1], QRect(0, 0, out.sheets[1].width(), 40)), 50);
    }
}

TEST(PrintPages, ColourChartCellsArePaletteColoursExactly) {
    std::mt19937 rng(5);
    std::vector<int> indices(40 * 30);
    for (int& i : indices)
        i = int(rng() % 256);
    const QImage pattern =
        patternOf(shippedPalette(), QSize(40, 30), [&](int x, int y) { return indices[size_t(y * 40 + x)]; });
    const PrintJob job = jobOf(pattern, options(GridOne, false, true, 1.5));
    const Printed out = printAll(job);
    const PrintPage page = out.plan.layout.page(0);
    // Unsmoothed: a cell is its colour out to the grid lines, corners included.
    int wrong = 0;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            const QRect inside = cellRect(page, x, y).adjusted(2, 2, -2, -2);
            const QRgb c = rgbFromColorRef(shippedPalette()[indices[size_t(y * 40 + x)]]);
            wrong += exactIn(out.sheets[0], inside, c) != inside.width() * inside.height();
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(PrintPages, BackgroundIsRecognisedByColourWhateverIndexHoldsIt) {
    // White at 15 and at 20, background 20: white stitches map to 15 and must still be blank.
    Palette palette = shippedPalette();
    palette.set(20, palette[15]);
    const QImage pattern = patternOf(palette, QSize(10, 10), [](int x, int) { return x < 5 ? 1 : 15; });
    const PrintJob job = jobOf(pattern, options(GridNone, true), palette, 20);
    EXPECT_TRUE(job.isBackground(15));
    const Printed out = printAll(job);
    const PrintPage page = out.plan.layout.page(0);
    int blank = 0, marked = 0;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            (x < 5 ? marked : blank) += darkIn(out.sheets[0], cellRect(page, x, y)) > 0;
    EXPECT_EQ(marked, 50);
    EXPECT_EQ(blank, 0);
    const LegendFlow flow = legendFlow(job, out.plan.layout, 0, out.sheets[0]);
    ASSERT_EQ(flow.items.size(), 1u);
    EXPECT_EQ(flow.items[0].index, 1);
}

TEST(PrintPages, SymbolAndColourChartsShareTheirPages) {
    const QImage pattern =
        patternOf(shippedPalette(), QSize(150, 260), [](int x, int y) { return (x / 3 + y) % 256; });
    QImage device = sheetImage(QSize(2480, 3508));
    const PrintPlan symbols = planPrint(jobOf(pattern, options(GridFive, true, false, 1.5)), device);
    const PrintPlan colours = planPrint(jobOf(pattern, options(GridFive, true, true, 1.5)), device);
    ASSERT_GT(symbols.layout.pageCount(), 2);
    ASSERT_EQ(symbols.layout.pageCount(), colours.layout.pageCount());
    for (int i = 0; i < symbols.layout.pageCount(); ++i) {
        const PrintPage a = symbols.layout.page(i), b = colours.layout.page(i);
        EXPECT_EQ(a.stitches, b.stitches);
        EXPECT_EQ(QRect(a.left, a.top, a.width, a.height), QRect(b.left, b.top, b.width, b.height));
    }
}

TEST(PrintPages, JobWorksFromItsOwnCopy) {
    QImage pattern = patternOf(shippedPalette(), QSize(8, 8), [](int x, int) { return x; });
    const PrintJob job = jobOf(pattern, options(GridFive, true));
    pattern.fill(Qt::black);
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(job.cells.pixelIndex(x, 5), x);
}

TEST(PrintPages, TallStitchesAtMagnificationTwoWriteNoPdf) {
    const QString dir = test::freshTempDir(QStringLiteral("print_refused"));
    const QString path = dir + QStringLiteral("/chart.pdf");
    const QImage pattern = patternOf(shippedPalette(), QSize(20, 20), [](int, int) { return 1; });
    const PrintJob job = makePrintJob(pattern, std::nullopt, shippedPalette(), kBackground, shippedSymbols(),
                                      200, 10, options(GridFive, true, false, 2.0));
    EXPECT_EQ(writeChartPdf(path, job), PrintRefusal::NoRows);
    EXPECT_FALSE(QFile::exists(path));
}

TEST(PrintPages, UnwritablePdfIsAPrinterError) {
    const QString dir = test::freshTempDir(QStringLiteral("print_unwritable"));
    const QImage pattern = patternOf(shippedPalette(), QSize(20, 20), [](int, int) { return 1; });
    const PrintJob job = jobOf(pattern, options(GridFive, true));
    EXPECT_EQ(test::errorOf([&] { writeChartPdf(dir + QStringLiteral("/no/such/folder/chart.pdf"), job); }),
              20018);
}

TEST(PrintPages, SymbolPdfHasEveryPageAndReadsBackAsText) {
    const QString dir = test::freshTempDir(QStringLiteral("print_pdf"));
    const QString path = dir + QStringLiteral("/chart.pdf");
    std::mt19937 rng(9);
    std::vector<int> indices(200 * 400);
    for (int& i : indices)
        i = int(rng() % 24);
    const QImage pattern = patternOf(shippedPalette(), QSize(200, 400),
                                     [&](int x, int y) { return indices[size_t(y * 200 + x)]; });
    const PrintJob job = jobOf(pattern, options(GridFive, true));
    ASSERT_EQ(writeChartPdf(path, job), PrintRefusal::None);
    const QByteArray bytes = test::readFile(path);
    ASSERT_TRUE(bytes.startsWith("%PDF"));

    QPdfWriter probe(dir + QStringLiteral("/probe.pdf"));
    probe.setResolution(600);
    probe.setPageLayout(defaultPrintPageLayout());
    const PrintPlan plan = planPrint(job, probe);
    ASSERT_EQ(plan.layout.pagesAcross, 2);
    ASSERT_EQ(plan.layout.pagesDown, 3);
    EXPECT_LT(bytes.size(), 1024 * 1024 * plan.pageCount());

    if (tool(QStringLiteral("pdfinfo")).isEmpty() || tool(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "poppler-utils is not installed";
    EXPECT_TRUE(run(tool(QStringLiteral("pdfinfo")), {path})
                    .contains(QStringLiteral("Pages:           %1").arg(plan.pageCount())));
    auto pageText = [&](int page) {
        return run(tool(QStringLiteral("pdftotext")),
                   {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"), QString::number(page),
                    QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    };
    const QString first = pageText(1);
    EXPECT_TRUE(first.contains(QStringLiteral("20目×20段"))) << first.left(400).toStdString();
    EXPECT_TRUE(first.contains(QStringLiteral("テスト")));
    EXPECT_TRUE(first.contains(QStringLiteral("395")));
    EXPECT_TRUE(first.contains(job.symbols[3])) << "symbols are text";
    // The second chart page goes on across: stitches 100 and up.
    int second = 1;
    while (second < plan.pageCount() && plan.sheets[size_t(second)].chartPage != 1)
        ++second;
    const QString across = pageText(second + 1);
    EXPECT_TRUE(across.contains(QStringLiteral("195")));
    EXPECT_FALSE(first.contains(QStringLiteral("195")));
}

TEST(PrintPages, ColourPdfStoresThePaletteColoursExactly) {
    const QString dir = test::freshTempDir(QStringLiteral("print_colour_pdf"));
    const QString path = dir + QStringLiteral("/chart.pdf");
    std::mt19937 rng(4);
    std::vector<int> indices(60 * 80);
    for (int& i : indices)
        i = int(rng() % 256);
    const QImage pattern =
        patternOf(shippedPalette(), QSize(60, 80), [&](int x, int y) { return indices[size_t(y * 60 + x)]; });
    ASSERT_EQ(writeChartPdf(path, jobOf(pattern, options(GridFive, true, true))), PrintRefusal::None);
    EXPECT_LT(test::readFile(path).size(), 100 * 1024 * 2);
    if (tool(QStringLiteral("pdfimages")).isEmpty()) GTEST_SKIP() << "poppler-utils is not installed";
    // Stored without loss and shown without interpolation.
    const QStringList listed =
        run(tool(QStringLiteral("pdfimages")), {QStringLiteral("-list"), path}).split(QLatin1Char('\n'));
    ASSERT_GE(listed.size(), 3);
    const QStringList fields = listed[2].split(QLatin1Char(' '), Qt::SkipEmptyParts);
    ASSERT_GE(fields.size(), 10);
    EXPECT_EQ(fields[8], QStringLiteral("image")) << qPrintable(listed[2]); // Flate, not DCT
    EXPECT_EQ(fields[9], QStringLiteral("no"));
    run(tool(QStringLiteral("pdfimages")),
        {QStringLiteral("-png"), QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
         QStringLiteral("1"), path, dir + QStringLiteral("/img")});
    const QImage cells(dir + QStringLiteral("/img-000.png"));
    ASSERT_EQ(cells.size(), QSize(60, 80));
    int wrong = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 60; ++x)
            wrong += (cells.pixel(x, y) | 0xff000000u) !=
                     rgbFromColorRef(shippedPalette()[indices[size_t(y * 60 + x)]]);
    EXPECT_EQ(wrong, 0);
}

TEST(PrintPages, LegendThatCannotStartBelowTheChartStartsOnTheNextPage) {
    // 2104 px at 300 dpi: five rows of 2000 twips fill the page and leave no room for a header.
    const QImage pattern = patternOf(shippedPalette(), QSize(10, 5), [](int x, int) { return x % 3; });
    const PrintJob job = makePrintJob(pattern, std::nullopt, shippedPalette(), kBackground, shippedSymbols(),
                                      200, 10, options(GridFive, true));
    const Printed out = printAll(job, QSize(2480, 2104));
    ASSERT_EQ(out.plan.layout.rows, 5);
    ASSERT_EQ(out.plan.pageCount(), 2);
    const LegendFlow flow = legendFlow(job, out.plan.layout, 0, out.sheets[0]);
    ASSERT_EQ(flow.headers.size(), 1u);
    EXPECT_EQ(flow.headers[0].part, 1);
    EXPECT_EQ(flow.headers[0].at.y(), 0);
    ASSERT_EQ(flow.items.size(), 3u);
    for (const LegendFlow::Item& item : flow.items)
        EXPECT_EQ(item.part, 1);
    const PrintPage page = out.plan.layout.page(0);
    const int belowNumbers = page.top + page.height + 100;
    EXPECT_EQ(darkIn(out.sheets[0], QRect(0, belowNumbers, 2480, 2104)), 0);
    EXPECT_GT(darkIn(out.sheets[1], QRect(0, 0, 2480, 40)), 50);
}

TEST(PrintPages, CancelledPrintKeepsTheFinishedPagesInOneDocument) {
    const QString dir = test::freshTempDir(QStringLiteral("print_cancel"));
    const QString path = dir + QStringLiteral("/chart.pdf");
    const QImage pattern =
        patternOf(shippedPalette(), QSize(200, 400), [](int x, int y) { return (x + y) % 7; });
    const PrintJob job = jobOf(pattern, options(GridFive, false));
    std::vector<std::pair<int, int>> heard;
    const auto pages = [&] { return test::readFile(path).count("/Type /Page\n"); };
    ASSERT_EQ(writeChartPdf(path, job, defaultPrintPageLayout(), 600,
                            [&](int done, int total) {
                                heard.emplace_back(done, total);
                                return done < 2;
                            }),
              PrintRefusal::None);
    EXPECT_EQ(heard, (std::vector<std::pair<int, int>>{{1, 6}, {2, 6}}));
    EXPECT_EQ(pages(), 2);
    ASSERT_EQ(writeChartPdf(path, job), PrintRefusal::None);
    EXPECT_EQ(pages(), 6);
}
