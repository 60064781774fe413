#include "edit/undo.h"
#include "support/form1_fixture.h"
#include "view/canvas_widgets.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QScrollBar>

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

} // namespace

TEST_F(Form1Test, NewPatternIsLaidOutAtTheBottomLeft) {
    Form1& f = started();
    EXPECT_EQ(f.LblZoom->text(), QStringLiteral("0"));
    EXPECT_EQ(f.Picdisplay->size(), QSize(602, 602));
    EXPECT_EQ(f.Picdummy->geometry().top(), 40);
    if (!f.VScroll1->isHidden()) {
        EXPECT_EQ(f.VScroll1->value(), f.VScroll1->maximum());
        EXPECT_EQ(f.Picdisplay->y(), -f.VScroll1->maximum());
    }
    EXPECT_EQ(f.HScroll1->value(), 0);
    EXPECT_TRUE(f.mnuGrids[GridFive]->isChecked());
    EXPECT_FALSE(f.mnuUndo->isEnabled());
    EXPECT_FALSE(f.tbButton(QStringLiteral("undo"))->isEnabled());
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
