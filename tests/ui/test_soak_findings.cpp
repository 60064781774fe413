// Faults the random session of the window found, each replayed as the few steps that show it.
#include "support/canvas_mouse.h"
#include "support/form1_fixture.h"
#include "tools/canvas_tools.h"
#include "tools/tool_table.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>

using namespace qorn;
using qorn::test::dragOnCanvas;
using qorn::test::Form1Test;
using qorn::test::patternImage;
using qorn::test::pressKey;
using qorn::test::send;

namespace {



} // namespace

// A new frame replaces the old selection as soon as it is started, and becomes a selection only
// when the button comes up: while it is dragged (past the pattern's corner here) the commands
// find no selection, rather than the half-drawn frame clipped to the pattern.
TEST_F(Form1Test, AFrameStillBeingDraggedIsNoSelection) {
    Form1& f = started();
    f.state().LeadSrc.fill(f.state().PalTable[3]);
    f.mnuSelect->trigger();
    dragOnCanvas(f, {2, 2}, {6, 5});
    ASSERT_TRUE(f.state().qrnobj->selected);
    ASSERT_TRUE(f.tbButton(QStringLiteral("cut"))->isEnabled());

    send(f.Picdisplay, QEvent::MouseButtonPress, f, {10, 10}, Qt::LeftButton, Qt::LeftButton);
    send(f.Picdisplay, QEvent::MouseMove, f, {-1.5, -1.5}, Qt::NoButton, Qt::LeftButton);
    EXPECT_FALSE(f.state().qrnobj->selected);
    EXPECT_FALSE(f.tbButton(QStringLiteral("cut"))->isEnabled());
    EXPECT_FALSE(f.tbButton(QStringLiteral("delete"))->isEnabled());

    // Delete with the button still down wipes nothing: there is nothing selected yet.
    const QImage before = patternImage(f);
    pressKey(f, Qt::Key_Delete);
    EXPECT_EQ(patternImage(f), before);
    ASSERT_FALSE(prompter.asked.empty());
    EXPECT_EQ(prompter.asked.back().prompt, QStringLiteral("範囲が選択されていません"));

    // The release makes the frame the selection, clipped to the pattern.
    send(f.Picdisplay, QEvent::MouseButtonRelease, f, {-1.5, -1.5}, Qt::LeftButton, Qt::NoButton);
    const qrnobj& q = *f.state().qrnobj;
    ASSERT_TRUE(q.selected);
    EXPECT_EQ(selectionRect(q, QSize(f.state().LeadSrc.width(), f.state().LeadSrc.height())), QRect(0, 0, 10, 10));
    EXPECT_EQ(QRect(QPoint(q.smpx, q.smpy), QPoint(q.empx - 1, q.empy - 1)), QRect(0, 0, 10, 10));
    EXPECT_TRUE(f.tbButton(QStringLiteral("delete"))->isEnabled());
}

// A line or figure band is drawn with the same two corners a selection keeps. Starting one ends
// the selection (select all, then a figure chosen from its menu, here), instead of dragging the
// selection's corners along with the band while it still counts as selected.
TEST_F(Form1Test, StartingAFigureEndsTheSelection) {
    Form1& f = started();
    f.state().LeadSrc.fill(f.state().PalTable[3]);
    f.mnuSelectAll->trigger();
    ASSERT_TRUE(f.state().qrnobj->selected);
    f.toolVariantItems.value(tool::Rectangle)->trigger();
    ASSERT_EQ(f.state().ToolState, tool::Rectangle);

    send(f.Picdisplay, QEvent::MouseButtonPress, f, {3, 3}, Qt::LeftButton, Qt::LeftButton);
    send(f.Picdisplay, QEvent::MouseMove, f, {8, 8}, Qt::NoButton, Qt::LeftButton);
    EXPECT_FALSE(f.state().qrnobj->selected);
    EXPECT_FALSE(f.tbButton(QStringLiteral("delete"))->isEnabled());
    const QImage before = patternImage(f);
    pressKey(f, Qt::Key_Delete);
    EXPECT_EQ(patternImage(f), before);
    ASSERT_FALSE(prompter.asked.empty());
    EXPECT_EQ(prompter.asked.back().prompt, QStringLiteral("範囲が選択されていません"));

    // The band still ends in its rectangle, in the left colour, and leaves no selection.
    send(f.Picdisplay, QEvent::MouseButtonRelease, f, {8, 8}, Qt::LeftButton, Qt::NoButton);
    const QRgb ink = rgbFromColorRef(f.state().PalTable[f.state().LeftIndex]);
    EXPECT_EQ(patternImage(f).pixel(3, 3), ink);
    EXPECT_EQ(patternImage(f).pixel(7, 5), ink); // the right edge stops short of the end corner
    EXPECT_EQ(patternImage(f).pixel(5, 5), rgbFromColorRef(f.state().PalTable[3]));
    EXPECT_FALSE(f.state().qrnobj->selected);
}
