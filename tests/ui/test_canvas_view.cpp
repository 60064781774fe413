#include "edit/undo.h"
#include "colour/palette_widgets.h"
#include "document/pattern_files.h"
#include "support/sample_images.h"
#include "tools/tool_bar.h"
#include <QCheckBox>
#include "support/form1_fixture.h"
#include "view/canvas_widgets.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QScrollBar>
#include <QWheelEvent>
#include <QApplication>

using namespace qorn;
using qorn::test::Form1Test;

namespace {

void setPattern(Form1& f, int w, int h, int mee, int dan) {
    f.state().LeadSrc.create(w, h, 24);
    f.state().LeadSrc.fill(0xFFFFFF);
    f.state().qrnobj->setMee(mee);
    f.state().qrnobj->setDan(dan);
    f.LayoutCanvas();
    f.runVisibleScrollHandlers();
}

// The one placement rule: on an axis whose bar is hidden the canvas and its ruler stand at 0,
// otherwise both follow the bar.
void expectPlacedByTheBars(Form1& f) {
    const int x = f.HScroll1->isHidden() ? 0 : -f.HScroll1->value();
    const int y = f.VScroll1->isHidden() ? 0 : -f.VScroll1->value();
    EXPECT_EQ(f.Picdisplay->pos(), QPoint(x, y));
    EXPECT_EQ(f.Hscale->x(), x);
    EXPECT_EQ(f.Vscale->y(), y);
    EXPECT_TRUE(f.HScroll1->isHidden() || f.HScroll1->value() <= f.HScroll1->maximum());
}

} // namespace

TEST_F(Form1Test, NewPatternIsLaidOutAtTheBottomLeft) {
    Form1& f = started();
    f.resize(700, 500); // too small for the 600 x 600 canvas: both bars show
    ASSERT_FALSE(f.VScroll1->isHidden());
    ASSERT_FALSE(f.HScroll1->isHidden());
    f.mnuNew_Click();
    EXPECT_EQ(f.LblZoom->text(), QStringLiteral("0"));
    EXPECT_EQ(f.Picdisplay->size(), QSize(602, 602));
    EXPECT_EQ(f.Picdummy->geometry().top(), 40);
    EXPECT_EQ(f.VScroll1->value(), f.VScroll1->maximum());
    EXPECT_GT(f.VScroll1->maximum(), 0);
    EXPECT_EQ(f.HScroll1->value(), 0);
    expectPlacedByTheBars(f);
    // The bottom row of cells and the border under it end where the viewport's inside ends.
    EXPECT_EQ(f.Picdisplay->y() + f.Picdisplay->height(), f.Picdummy->height() - 2);
    EXPECT_TRUE(f.mnuGrids[GridFive]->isChecked());
    EXPECT_FALSE(f.mnuUndo->isEnabled());
    EXPECT_FALSE(f.tbButton(QStringLiteral("undo"))->isEnabled());
}

TEST_F(Form1Test, PatternsThatFitSitAtTheOriginWithTheirRulers) {
    Form1& f = started();
    f.resize(1200, 900);
    // First a chart scrolled to its bottom right, so that every offset is far from 0.
    setPattern(f, 200, 400, 20, 20);
    f.VScroll1->setValue(f.VScroll1->maximum());
    f.HScroll1->setValue(f.HScroll1->maximum());
    ASSERT_LT(f.Picdisplay->y(), 0);
    ASSERT_LT(f.Picdisplay->x(), 0);
    // Then charts that fit, opened from their side files as a user opens them.
    struct Case {
        int w, h, mee, dan;
    };
    for (const Case c : {Case{30, 20, 22, 30}, Case{105, 40, 20, 20}}) {
        Raster r;
        r.create(c.w, c.h, 24);
        r.fill(0xFFFFFF);
        const QString name = dir + QStringLiteral("/fit%1.bmp").arg(c.w);
        r.save(name, FormatBmp);
        test::writeFile(dir + QStringLiteral("/fit%1.qrd").arg(c.w),
                        QStringLiteral("\"bmp\",%1,%2,15\r\n").arg(c.mee).arg(c.dan).toLatin1());
        files.answers = {dir + QStringLiteral("/fit%1.qrd").arg(c.w)};
        f.mnuOpen_Click();
        ASSERT_EQ(f.state().LeadSrc.width(), c.w);
        EXPECT_TRUE(f.HScroll1->isHidden()) << c.w;
        EXPECT_TRUE(f.VScroll1->isHidden()) << c.w;
        EXPECT_EQ(f.Picdisplay->pos(), QPoint(0, 0)) << c.w;
        expectPlacedByTheBars(f);
        // Every row is inside the viewport.
        EXPECT_LE(f.Picdisplay->height(), f.Picdummy->height() - 2);
        // Grow the window back from a scrolled state: the bars go and the origin holds.
        setPattern(f, 200, 400, 20, 20);
        f.VScroll1->setValue(f.VScroll1->maximum());
    }
}

TEST_F(Form1Test, LayoutsThatHideABarPutThatAxisBackAtZero) {
    Form1& f = started();
    f.resize(700, 500);
    setPattern(f, 100, 100, 20, 20);
    f.VScroll1->setValue(f.VScroll1->maximum());
    f.HScroll1->setValue(f.HScroll1->maximum());
    ASSERT_LT(f.Picdisplay->y(), 0);
    f.resize(1400, 1000); // enlarging the window
    EXPECT_TRUE(f.VScroll1->isHidden());
    EXPECT_EQ(f.Picdisplay->pos(), QPoint(0, 0));
    expectPlacedByTheBars(f);

    // An undo that shrinks the pattern.
    f.resize(700, 500);
    setPattern(f, 100, 100, 20, 20);
    f.VScroll1->setValue(f.VScroll1->maximum());
    ASSERT_LT(f.Picdisplay->y(), 0);
    Raster small;
    small.create(10, 10, 24);
    small.fill(0xFFFFFF);
    f.state().undoSnapshot = small.saveToMemory();
    f.setUndoEnabled(true);
    f.mnuUndo_Click();
    EXPECT_EQ(f.state().LeadSrc.width(), 10);
    EXPECT_EQ(f.Picdisplay->pos(), QPoint(0, 0));
    expectPlacedByTheBars(f);
}

TEST_F(Form1Test, RulerNumbersStandOnTheirGridLines) {
    Form1& f = started();
    f.resize(700, 500);
    setPattern(f, 100, 100, 20, 30);
    f.VScroll1->setValue(f.VScroll1->maximum() / 3);
    f.HScroll1->setValue(f.HScroll1->maximum() / 2);
    for (int zoomOut = 0; zoomOut < 3; ++zoomOut) {
        expectPlacedByTheBars(f);
        const CanvasGeometry g = f.Picdisplay->geometry();
        const int blank = f.Hscale->fontMetrics().horizontalAdvance(QLatin1Char(' '));
        const auto hBoxes = f.Hscale->labelBoxes();
        ASSERT_EQ(hBoxes.size(), f.Hscale->labels().size());
        for (size_t i = 0; i + 1 < hBoxes.size(); ++i) {
            // Label B is written from two stitches before the line at B, after a blank.
            const int unit = static_cast<int>(f.Hscale->labels()[i].at);
            const int labelX = f.Hscale->mapTo(&f, hBoxes[i].topLeft()).x();
            const int cellX = f.Picdisplay->mapTo(&f, QPoint(1 + unit * g.zoom, 0)).x();
            EXPECT_EQ(labelX, cellX + blank) << "label " << i << " zoom " << g.zoom;
        }
        const auto vBoxes = f.Vscale->labelBoxes();
        for (size_t i = 1; i + 1 < vBoxes.size(); ++i) {
            const int row = static_cast<int>(f.Vscale->labels()[i].at);
            const int labelY = f.Vscale->mapTo(&f, vBoxes[i].topLeft()).y();
            const int cellY = f.Picdisplay->mapTo(&f, QPoint(0, 1 + g.firstPixelOfRow(row))).y();
            EXPECT_EQ(labelY, cellY) << "label " << i << " zoom " << g.zoom;
        }
        f.mnuDispSelection_Click(2);
    }
}

TEST_F(Form1Test, EndLabelsOfTheRulersAreWhole) {
    Form1& f = started();
    f.resize(1200, 900);
    setPattern(f, 100, 60, 20, 20); // fits: the rulers end where the canvas ends
    const auto boxes = f.Hscale->labelBoxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(f.Hscale->labels().back().text, QStringLiteral(" 100 "));
    const QRect last = boxes.back().translated(f.Hscale->pos());
    EXPECT_TRUE(f.Hscaledum->rect().contains(last)) << last.x() << "+" << last.width();
    const QRect top = f.Vscale->labelBoxes().back().translated(f.Vscale->pos());
    EXPECT_EQ(f.Vscale->labels().back().text, QStringLiteral("60"));
    EXPECT_TRUE(f.Vscaledum->rect().contains(top));
}

TEST_F(Form1Test, FiveDigitRowNumbersAreNarrowedIntoTheirRuler) {
    Form1& f = started();
    setPattern(f, 10, 32000, 20, 20);
    f.VScroll1->setValue(0);
    const auto& labels = f.Vscale->labels();
    ASSERT_FALSE(labels.empty());
    EXPECT_EQ(labels.back().text, QStringLiteral("32000"));
    const auto boxes = f.Vscale->labelBoxes();
    const QRect last = boxes.back();
    ASSERT_FALSE(last.isNull());
    for (const QRect& box : boxes)
        if (!box.isNull()) EXPECT_TRUE(box.left() >= 0 && box.right() < f.Vscale->width()) << box.width();
    // The digits reach across the strip instead of stopping at its edge with two missing.
    const QImage strip = f.Vscale->grab(last).toImage().convertToFormat(QImage::Format_RGB32);
    int left = strip.width(), right = -1;
    for (int y = 0; y < strip.height(); ++y)
        for (int x = 0; x < strip.width(); ++x)
            if (qGray(strip.pixel(x, y)) < 128) left = std::min(left, x), right = std::max(right, x);
    EXPECT_LE(left, 2);
    EXPECT_GE(right, strip.width() - 3);
}

TEST_F(Form1Test, TheWheelScrollsThroughTheBarsAndCtrlZooms) {
    Form1& f = started();
    f.resize(700, 500);
    setPattern(f, 200, 400, 20, 20);
    f.VScroll1->setValue(f.VScroll1->maximum());
    const int v = f.VScroll1->value();
    auto wheel = [&](QPoint angle, Qt::KeyboardModifiers mods) {
        const QPointF at(20, 20);
        QWheelEvent e(at, f.Picdisplay->mapToGlobal(at), QPoint(), angle, Qt::NoButton, mods, Qt::NoScrollPhase,
                      false);
        QApplication::sendEvent(f.Picdisplay, &e);
    };
    wheel({0, 120}, {});
    EXPECT_LT(f.VScroll1->value(), v);
    EXPECT_EQ(f.Picdisplay->y(), -f.VScroll1->value()); // the bar's handler ran
    wheel({0, -120}, {});
    EXPECT_EQ(f.VScroll1->value(), v);
    wheel({0, -120}, Qt::ShiftModifier);
    EXPECT_GT(f.HScroll1->value(), 0);
    EXPECT_EQ(f.Hscale->x(), -f.HScroll1->value());
    wheel({0, 120}, Qt::ControlModifier);
    EXPECT_EQ(f.state().zoom, 7);
    EXPECT_EQ(f.LblZoom->text(), QStringLiteral("1"));
    wheel({0, -60}, Qt::ControlModifier);
    EXPECT_EQ(f.state().zoom, 7); // half a notch is not yet a step
    wheel({0, -60}, Qt::ControlModifier);
    EXPECT_EQ(f.state().zoom, 6);
}

TEST_F(Form1Test, TheSmallestWindowKeepsTheCanvasClear) {
    Form1& f = started();
    f.resize(f.minimumSize());
    f.resize(100, 100); // asks for less than the minimum
    ASSERT_EQ(f.size(), f.minimumSize());
    setPattern(f, 200, 400, 20, 20);
    const QRect client = f.client->rect();
    const QRect canvasArea = f.Picdummy->geometry() | f.Hscaledum->geometry() | f.Vscaledum->geometry() |
                             f.HScroll1->geometry() | f.VScroll1->geometry();
    EXPECT_TRUE(client.contains(canvasArea)) << canvasArea.right() << "," << canvasArea.bottom();
    for (QWidget* w : std::initializer_list<QWidget*>{f.TBTools, f.Palbox, f.Nowcolor, f.Fillmode})
        EXPECT_FALSE(w->geometry().intersects(canvasArea)) << w->objectName().toStdString();
    EXPECT_GT(f.Picdummy->width(), 100);
}

TEST_F(Form1Test, ZoomClampsAndShowsItsLevel) {
    Form1& f = started();
    for (int i = 0; i < 7; ++i) f.tbButton(QStringLiteral("zoomin"))->trigger();
    EXPECT_EQ(f.state().zoom, 11);
    EXPECT_EQ(f.LblZoom->text(), QStringLiteral("5"));
    EXPECT_EQ(f.Picdisplay->width(), 1102);
    for (int i = 0; i < 12; ++i) f.mnuDispSelection[2]->trigger();
    EXPECT_EQ(f.state().zoom, 1);
    EXPECT_EQ(f.LblZoom->text(), QStringLiteral("-5"));
    EXPECT_TRUE(f.mnuGrids[GridNone]->isChecked());
    EXPECT_FALSE(f.mnuGrids[GridFive]->isEnabled());
    EXPECT_FALSE(f.mnuGrids[GridOne]->isEnabled());
    f.mnuDispSelection[1]->trigger();
    f.mnuDispSelection[1]->trigger(); // 3
    EXPECT_TRUE(f.mnuGrids[GridFive]->isEnabled());
    EXPECT_FALSE(f.mnuGrids[GridOne]->isEnabled());
    f.mnuDispSelection[1]->trigger(); // 4
    EXPECT_TRUE(f.mnuGrids[GridOne]->isEnabled());
    f.mnuGrids[GridOne]->trigger();
    f.mnuDispSelection[2]->trigger(); // back to 3: "間隔１" gives way to "間隔５"
    EXPECT_TRUE(f.mnuGrids[GridFive]->isChecked());
    EXPECT_FALSE(f.mnuGrids[GridOne]->isChecked());
}

TEST_F(Form1Test, ZoomKeepsTheRelativeScrollPosition) {
    Form1& f = started();
    setPattern(f, 200, 400, 20, 20);
    ASSERT_FALSE(f.HScroll1->isHidden());
    ASSERT_FALSE(f.VScroll1->isHidden());
    f.HScroll1->setValue(f.HScroll1->maximum() / 2);
    f.VScroll1->setValue(f.VScroll1->maximum() / 2);
    const double h = double(f.HScroll1->value()) / f.HScroll1->maximum();
    const double v = double(f.VScroll1->value()) / f.VScroll1->maximum();
    f.mnuDispSelection_Click(1);
    EXPECT_NEAR(double(f.HScroll1->value()) / f.HScroll1->maximum(), h, 0.002);
    EXPECT_NEAR(double(f.VScroll1->value()) / f.VScroll1->maximum(), v, 0.002);
    EXPECT_EQ(f.Picdisplay->pos(), QPoint(-f.HScroll1->value(), -f.VScroll1->value()));
    EXPECT_EQ(f.Hscale->x(), -f.HScroll1->value());
    EXPECT_EQ(f.Vscale->y(), -f.VScroll1->value());
}

TEST_F(Form1Test, SmallPatternHidesBothScrollBars) {
    Form1& f = started();
    setPattern(f, 40, 30, 20, 40);
    EXPECT_TRUE(f.HScroll1->isHidden());
    EXPECT_TRUE(f.VScroll1->isHidden());
    EXPECT_EQ(f.Picdisplay->size(), QSize(242, 92));
    EXPECT_EQ(f.Picdummy->size(), QSize(244, 94));
}

TEST_F(Form1Test, TallPatternScrollsPastSixteenBits) {
    Form1& f = started();
    setPattern(f, 200, 4000, 20, 10);
    for (int i = 0; i < 5; ++i) f.mnuDispSelection_Click(1);
    EXPECT_GT(f.VScroll1->maximum(), 32767);
    f.VScroll1->setValue(f.VScroll1->maximum());
    EXPECT_EQ(f.Picdisplay->y(), -f.VScroll1->maximum());
    // The bottom of the canvas shows in the viewport.
    EXPECT_GE(f.Picdisplay->y() + f.Picdisplay->height(), 0);
    EXPECT_LE(f.Picdisplay->y() + f.Picdisplay->height(), f.Picdummy->height());
}

TEST_F(Form1Test, NewPatternReturnsToTheFiveGridAndZoomZero) {
    Form1& f = started();
    f.mnuDispSelection_Click(1);
    f.mnuGrids_Click(GridOne);
    f.mnuNew_Click();
    EXPECT_TRUE(f.mnuGrids[GridFive]->isChecked());
    EXPECT_FALSE(f.mnuGrids[GridOne]->isChecked());
    EXPECT_EQ(f.state().zoom, 6);
    EXPECT_EQ(f.LblZoom->text(), QStringLiteral("0"));
    EXPECT_EQ(f.Picdisplay->width(), 602);
}

TEST_F(Form1Test, GridMenuChecksExactlyOne) {
    Form1& f = started();
    f.mnuGrids[GridOne]->trigger();
    EXPECT_EQ(f.gridChoice(), GridOne);
    EXPECT_FALSE(f.mnuGrids[GridFive]->isChecked());
    f.mnuGrids[GridNone]->trigger();
    EXPECT_EQ(f.gridChoice(), GridNone);
    EXPECT_FALSE(f.mnuGrids[GridOne]->isChecked());
    // The widget shows what the renderer makes of the pattern.
    setPattern(f, 12, 12, 20, 20);
    f.mnuGrids_Click(GridFive);
    const QImage shown = f.Picdisplay->grab().toImage().convertToFormat(QImage::Format_RGB32);
    CanvasRenderer r;
    const QImage expected = r.renderAll(f.state().LeadSrc.image(), f.Picdisplay->geometry(), GridFive);
    EXPECT_EQ(shown.copy(1, 1, expected.width(), expected.height()), expected);
}

TEST_F(Form1Test, UndoRestoresTheSnapshotOnceAndKeepsTheDocument) {
    Form1& f = started();
    EditorState& s = f.state();
    takeUndoSnapshot(s);
    f.setUndoEnabled(true);
    s.LeadSrc.setPixel(5, 5, 0x0000FF);
    s.qrnobj->chgflg = true;
    f.SelectLeftColor(40);
    f.mnuUndo->trigger();
    EXPECT_EQ(s.LeadSrc.pixel(5, 5), 0xFFFFFFu);
    EXPECT_EQ(s.LeadSrc.bitsPerPixel(), 24);
    EXPECT_FALSE(f.mnuUndo->isEnabled());
    EXPECT_FALSE(f.tbButton(QStringLiteral("undo"))->isEnabled());
    EXPECT_TRUE(s.qrnobj->chgflg);
    EXPECT_EQ(s.LeftIndex, 40);
}

TEST_F(Form1Test, UndoOfASizeChangeLaysTheCanvasOutAgain) {
    Form1& f = started();
    EditorState& s = f.state();
    takeUndoSnapshot(s); // 100 x 100
    setPattern(f, 30, 20, 20, 20);
    f.refreshStatusLabels();
    s.qrnobj->selected = true;
    s.qrnobj->empx = 9;
    f.setUndoEnabled(true);
    f.mnuUndo_Click();
    EXPECT_EQ(s.LeadSrc.width(), 100);
    EXPECT_EQ(f.Picdisplay->size(), QSize(602, 602));
    EXPECT_EQ(f.Label3->text(), QStringLiteral("ｻｲｽﾞ :100目×100段"));
    EXPECT_FALSE(s.qrnobj->selected);
    EXPECT_EQ(s.qrnobj->empx, 0);
}

TEST_F(Form1Test, RulersFollowTheZoom) {
    Form1& f = started();
    EXPECT_EQ(f.Hscale->labels().size(), 10u);
    EXPECT_EQ(f.Hscale->width(), f.Picdisplay->width());
    EXPECT_EQ(f.Vscale->height(), f.Picdisplay->height());
    f.mnuDispSelection_Click(2);
    EXPECT_EQ(f.Hscale->labels().size(), 5u);
    EXPECT_EQ(f.Vscale->labels().back().text, QStringLiteral("100"));
}

TEST_F(Form1Test, TheWheelOverTheRulersScrollsTooAndEndLabelsNeverOverlap) {
    Form1& f = started();
    f.resize(700, 500);
    setPattern(f, 200, 400, 20, 20);
    f.VScroll1->setValue(f.VScroll1->maximum());
    const int v = f.VScroll1->value();
    for (QWidget* over : {static_cast<QWidget*>(f.Vscale), static_cast<QWidget*>(f.Hscale)}) {
        const QPointF at(5, 5);
        QWheelEvent e(at, over->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, {}, Qt::NoScrollPhase,
                      false);
        QApplication::sendEvent(over, &e);
    }
    EXPECT_LT(f.VScroll1->value(), v);
    EXPECT_EQ(f.Picdisplay->y(), -f.VScroll1->value());
    // A narrow chart at zoom 1: the end label pulled inside would print over "10".
    f.resize(1200, 900);
    setPattern(f, 30, 30, 20, 20);
    for (int i = 0; i < 5; ++i) f.mnuDispSelection_Click(2);
    ASSERT_EQ(f.state().zoom, 1);
    const auto boxes = f.Hscale->labelBoxes();
    for (size_t i = 0; i < boxes.size(); ++i)
        for (size_t j = i + 1; j < boxes.size(); ++j) EXPECT_FALSE(boxes[i].intersects(boxes[j])) << i << "," << j;
}
