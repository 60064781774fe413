#include "colour/palette_widgets.h"
#include "support/canvas_mouse.h"
#include "support/form1_fixture.h"
#include "tools/tool_bar.h"
#include "tools/tool_table.h"
#include "view/canvas_widgets.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QToolButton>

using namespace qorn;
using qorn::test::Form1Test;
using qorn::test::dragOnCanvas;
using qorn::test::send;

namespace {

QStringList captions(const QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions()) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

} // namespace

TEST_F(Form1Test, ToolMenuHasItsItemsInOrder) {
    Form1& f = started();
    EXPECT_EQ(f.mnuTool->title(), QStringLiteral("ﾂｰﾙ(&T)"));
    EXPECT_EQ(captions(f.mnuTool),
              (QStringList{"自由曲線", "-", "自由曲線(&B)", "線(&L)", "塗りつぶし(&F)", "長方形(&R)", "円(&E)",
                           "三角形(&I)", "平行四辺形(&P)", "台形(&Z)", "正多角形(&G)", "星型(&A)", "十字(&C)",
                           "文字(&T)...", "スポイト(&S)", "-", "モチーフ(&M)", "-", "線の太さ(&W)"}));
    EXPECT_EQ(captions(f.mnuMotif), (QStringList{"ﾓﾁｰﾌを選ぶ...", "ﾓﾁｰﾌを貼り付ける", "ﾓﾁｰﾌ選択解除"}));
    // Without a motif there is nothing to paste or forget; the menu says so when it opens.
    emit f.mnuTool->aboutToShow();
    EXPECT_FALSE(f.mnuMotifPaste->isEnabled());
    EXPECT_FALSE(f.mnuMotifDel->isEnabled());
    EXPECT_EQ(captions(f.toolGroupMenu(30)),
              (QStringList{"円", "半円－左", "半円-右", "半円-上", "半円-下", "1/4円－左上", "1/4円－左下",
                           "1/4円－右上", "1/4円－右下"}));
    EXPECT_EQ(captions(f.toolGroupMenu(50)), (QStringList{"左傾き", "右傾き", "左下がり", "右下がり"}));
    EXPECT_EQ(captions(f.mnuToolsw), (QStringList{"1", "2", "3", "4"}));
    EXPECT_TRUE(f.mnuToolsww[1]->isChecked());
    EXPECT_TRUE(f.mnuToolsNow->isChecked());
}

TEST_F(Form1Test, StartsWithThePenPressed) {
    Form1& f = started();
    EXPECT_EQ(f.state().ToolState, tool::Pen);
    EXPECT_EQ(f.TBTools->pressed(), 2);
    EXPECT_EQ(f.mnuToolsNow->text(), QStringLiteral("自由曲線"));
    for (int n = 1; n <= 14; ++n) {
        EXPECT_EQ(f.TBTools->button(n)->size(), QSize(24, 22));
        EXPECT_FALSE(f.TBTools->button(n)->icon().isNull()) << n;
    }
    EXPECT_EQ(f.TBTools->button(9)->pos(), QPoint(24, 22)); // second row, second column
}

TEST_F(Form1Test, QuarterCircleVariantTakesOverItsGroupButton) {
    Form1& f = started();
    f.toolVariantItems.value(39)->trigger();
    EXPECT_EQ(f.state().ToolState, 39);
    EXPECT_EQ(f.mnuToolsNow->text(), QStringLiteral("1/4円－右下"));
    EXPECT_EQ(f.TBTools->key(6), QStringLiteral("t39"));
    EXPECT_EQ(f.TBTools->pressed(), 6);
    EXPECT_EQ(f.TBTools->button(6)->toolTip(), QStringLiteral("1/4円－右下"));
    f.mnuTools_Click(tool::Pen);
    QTest::mouseClick(f.TBTools->button(6), Qt::LeftButton);
    EXPECT_EQ(f.state().ToolState, 39); // the button selects the variant it shows

    f.toolVariantItems.value(51)->trigger();
    EXPECT_EQ(f.mnuToolsNow->text(), QStringLiteral("平行四辺形-左傾き"));

    // "新規" puts the first variants back but keeps the tool tips.
    f.mnuNew_Click();
    EXPECT_EQ(f.TBTools->key(6), QStringLiteral("t31"));
    EXPECT_EQ(f.TBTools->key(8), QStringLiteral("t51"));
    EXPECT_EQ(f.TBTools->button(6)->toolTip(), QStringLiteral("1/4円－右下"));
    EXPECT_EQ(f.state().ToolState, tool::Pen);
}

TEST_F(Form1Test, RightClickOnAGroupButtonOpensItsMenu) {
    Form1& f = started();
    QTest::mouseClick(f.TBTools->button(3), Qt::RightButton);
    EXPECT_FALSE(f.toolGroupMenu(20)->isVisible());
    QTest::mouseClick(f.TBTools->button(10), Qt::RightButton);
    EXPECT_TRUE(f.toolGroupMenu(70)->isVisible());
    f.toolGroupMenu(70)->hide();
    EXPECT_EQ(f.state().ToolState, tool::Pen); // opening the menu chose nothing
}

TEST_F(Form1Test, SelectAndEyedropperFromTheirButtons) {
    Form1& f = started();
    QTest::mouseClick(f.TBTools->button(1), Qt::LeftButton);
    EXPECT_EQ(f.state().ToolState, tool::Select);
    EXPECT_TRUE(f.mnuSelect->isChecked());
    EXPECT_EQ(f.mnuToolsNow->text(), QStringLiteral("選択"));
    QTest::mouseClick(f.TBTools->button(14), Qt::LeftButton);
    EXPECT_EQ(f.state().ToolState, tool::Eyedropper);
    f.mnuTools.value(91)->trigger();
    EXPECT_EQ(f.mnuToolsNow->text(), QStringLiteral("十字型"));
    EXPECT_FALSE(f.mnuSelect->isChecked());
    EXPECT_EQ(f.TBTools->pressed(), 12);
}

TEST_F(Form1Test, ShiftLineDrawnThroughTheCanvasWidget) {
    Form1& f = started();
    f.state().qrnobj->setMee(20);
    f.state().qrnobj->setDan(30);
    f.LayoutCanvas();
    f.mnuTools_Click(tool::Line);
    dragOnCanvas(f, {10, 10}, {20, 13}, Qt::LeftButton, Qt::ShiftModifier);
    // Drawn from (10, 10) to the constrained (13, 14), end excluded.
    EXPECT_EQ(f.state().LeadSrc.pixel(10, 10), 0x000000u);
    EXPECT_EQ(f.state().LeadSrc.pixel(12, 13), 0x000000u);
    EXPECT_EQ(f.state().LeadSrc.pixel(13, 14), 0xFFFFFFu);
    EXPECT_TRUE(f.state().qrnobj->chgflg);
    EXPECT_TRUE(f.mnuUndo->isEnabled());
    EXPECT_TRUE(f.tools().overlay().empty());
    f.mnuUndo_Click();
    EXPECT_EQ(f.state().LeadSrc.pixel(10, 10), 0xFFFFFFu);
}

TEST_F(Form1Test, PenPressWithShiftPicksTheRightColourFromThePattern) {
    Form1& f = started();
    f.state().LeadSrc.setPixel(4, 5, f.state().PalTable[77]);
    f.mnuGrids_Click(GridOne); // grid lines over the cell do not matter
    send(f.Picdisplay, QEvent::MouseButtonPress, f, {4.2, 5.1}, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
    send(f.Picdisplay, QEvent::MouseButtonRelease, f, {4.2, 5.1}, Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);
    EXPECT_EQ(f.state().RightIndex, 77);
    EXPECT_EQ(f.Nowcolor->rightColor(), f.state().PalTable[77]);
    EXPECT_FALSE(f.state().qrnobj->chgflg);
}

TEST_F(Form1Test, MiddleButtonDrawsBlackAndFillFlagFillsFigures) {
    Form1& f = started();
    f.SelectLeftColor(40);
    f.mnuTools_Click(tool::Line);
    dragOnCanvas(f, {0, 3}, {5, 3}, Qt::MiddleButton);
    EXPECT_EQ(f.state().LeadSrc.pixel(2, 3), 0x000000u);

    QTest::mouseClick(f.Fillmode, Qt::LeftButton);
    EXPECT_TRUE(f.state().FillFlag);
    EXPECT_TRUE(f.Fillmode->isChecked());
    f.toolVariantItems.value(21)->trigger();
    dragOnCanvas(f, {10, 10}, {16, 15});
    EXPECT_EQ(f.state().LeadSrc.pixel(13, 12), f.state().PalTable[40]);
    QTest::mouseClick(f.Fillmode, Qt::LeftButton);
    EXPECT_FALSE(f.state().FillFlag);
    EXPECT_FALSE(f.Fillmode->isChecked());
}

TEST_F(Form1Test, LineWidthMenuKeepsOneChecked) {
    Form1& f = started();
    f.mnuToolsww[3]->trigger();
    EXPECT_EQ(f.state().LineWidth, 3);
    EXPECT_TRUE(f.mnuToolsww[3]->isChecked());
    EXPECT_FALSE(f.mnuToolsww[1]->isChecked());
    f.mnuTools_Click(tool::Line);
    dragOnCanvas(f, {10, 20}, {20, 20});
    EXPECT_EQ(f.state().LeadSrc.pixel(15, 19), 0x000000u);
    EXPECT_EQ(f.state().LeadSrc.pixel(15, 21), 0x000000u);
    EXPECT_EQ(f.state().LeadSrc.pixel(15, 22), 0xFFFFFFu);
    prompter.answers = {vbNo};
    f.mnuNew_Click();
    EXPECT_EQ(f.state().LineWidth, 1);
    EXPECT_TRUE(f.mnuToolsww[1]->isChecked());
}

TEST_F(Form1Test, RubberBandsLeaveNoTraceOnTheCanvas) {
    Form1& f = started();
    const QImage before = f.Picdisplay->grab().toImage();
    f.toolVariantItems.value(31)->trigger();
    QWidget* c = f.Picdisplay;
    send(c, QEvent::MouseButtonPress, f, {20, 20}, Qt::LeftButton, Qt::LeftButton);
    send(c, QEvent::MouseMove, f, {30, 28}, Qt::NoButton, Qt::LeftButton);
    const QImage during = f.Picdisplay->grab().toImage();
    EXPECT_NE(during, before); // the ellipse band shows
    send(c, QEvent::MouseMove, f, {20, 20}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(f.Picdisplay->grab().toImage(), before); // back to nothing
    f.mnuTools_Click(tool::Select);
    dragOnCanvas(f, {5, 5}, {15, 12});
    EXPECT_NE(f.Picdisplay->grab().toImage(), before); // the selection frame stays
    send(c, QEvent::MouseButtonPress, f, {8, 8}, Qt::RightButton, Qt::RightButton);
    EXPECT_EQ(f.Picdisplay->grab().toImage(), before);
}

TEST_F(Form1Test, TheSelectionFrameIsShownExactlyWhileTheSelectionExists) {
    Form1& f = started();
    f.mnuSelect_Click();
    dragOnCanvas(f, {2, 3}, {11, 7});
    ASSERT_TRUE(f.state().qrnobj->selected);
    EXPECT_EQ(f.Picdisplay->cursor().shape(), Qt::CrossCursor); // ready for the next selection
    auto framed = [&] { return test::shownCanvas(f) != test::bareCanvas(f); };
    EXPECT_TRUE(framed());
    // Renderings of every kind keep it: another grid, zooming out to 1 and back in to 2.
    f.mnuGrids_Click(GridOne);
    EXPECT_TRUE(framed());
    for (int i = 0; i < 5; ++i) f.mnuDispSelection_Click(2);
    ASSERT_EQ(f.state().zoom, 1);
    EXPECT_TRUE(framed());
    f.mnuDispSelection_Click(1);
    EXPECT_TRUE(framed());
    // A right click ends it: no frame, and none comes back as a ghost.
    dragOnCanvas(f, {5, 5}, {5, 5}, Qt::RightButton);
    EXPECT_FALSE(f.state().qrnobj->selected);
    EXPECT_FALSE(framed());
    f.mnuGrids_Click(GridFive);
    f.mnuTools_Click(tool::Line);
    EXPECT_FALSE(framed());
    // A tool change ends a selection too.
    f.mnuSelect_Click();
    dragOnCanvas(f, {1, 1}, {6, 6});
    ASSERT_TRUE(framed());
    f.mnuTools_Click(tool::Fill);
    EXPECT_FALSE(f.state().qrnobj->selected);
    EXPECT_FALSE(framed());
}

TEST_F(Form1Test, AnotherToolEndsAPlacementAndItsFrame) {
    Form1& f = started();
    QImage picture(6, 4, QImage::Format_RGB32);
    picture.fill(qRgb(0, 255, 0));
    f.state().Lead1[0].setImage(picture);
    f.state().PlaceWidth = 6;
    f.state().PlaceHeight = 4;
    f.state().ToolState = tool::Paste;
    send(f.Picdisplay, QEvent::MouseMove, f, {10, 10}, Qt::NoButton, Qt::NoButton);
    ASSERT_NE(test::shownCanvas(f), test::bareCanvas(f));
    f.TBTools_ButtonClick(f.TBTools->numberOfKey(QStringLiteral("t21")));
    EXPECT_EQ(f.state().ToolState, tool::Rectangle);
    EXPECT_EQ(f.state().PlaceWidth, 0);
    EXPECT_EQ(f.state().PlaceHeight, 0);
    EXPECT_EQ(test::shownCanvas(f), test::bareCanvas(f));
    EXPECT_TRUE(f.mnuTool->menuAction()->isEnabled());
    EXPECT_TRUE(f.TBTools->isEnabled());
    send(f.Picdisplay, QEvent::MouseMove, f, {20, 20}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(test::shownCanvas(f), test::bareCanvas(f));
}

TEST_F(Form1Test, AShiftPressWithThePenPaintsNothingWhateverFollows) {
    Form1& f = started();
    f.state().LeadSrc.setPixel(4, 5, f.state().PalTable[12]);
    const QImage before = f.state().LeadSrc.image();
    f.setUndoEnabled(true);
    QWidget* c = f.Picdisplay;
    send(c, QEvent::MouseButtonPress, f, {4.2, 5.1}, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
    send(c, QEvent::MouseMove, f, {4.4, 5.1}, Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
    send(c, QEvent::MouseMove, f, {6, 8}, Qt::NoButton, Qt::LeftButton);
    send(c, QEvent::MouseButtonRelease, f, {6, 8}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(f.state().RightIndex, 12);
    EXPECT_EQ(f.state().LeadSrc.image(), before);
    EXPECT_FALSE(f.state().qrnobj->chgflg);
    EXPECT_TRUE(f.mnuUndo->isEnabled());
}
