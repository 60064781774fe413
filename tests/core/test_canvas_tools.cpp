#include "app/editor_state.h"
#include "edit/undo.h"
#include "support/ascii_picture.h"
#include "tools/canvas_tools.h"
#include "tools/motif.h"
#include "tools/tool_table.h"

#include <gtest/gtest.h>

using namespace qorn;
using namespace qorn::test;

namespace {

struct FakeHost : ToolHost {
    bool undo = false, cutCopy = false, del = false, tools = true;
    int repaints = 0, stitches = 0, penSelections = 0, colourChanges = 0, autoscrolls = 0;
    void setUndoEnabled(bool e) override { undo = e; }
    void setCutCopyEnabled(bool e) override { cutCopy = e; }
    void setDeleteEnabled(bool e) override { del = e; }
    void repaintFromBitmap() override { ++repaints; }
    void repaintStitch(int, int) override { ++stitches; }
    void overlayChanged() override {}
    void autoscroll(double, double) override { ++autoscrolls; }
    void selectPen() override { ++penSelections; }
    void colorsChanged() override { ++colourChanges; }
    void setBusy(bool) override {}
    void setToolsEnabled(bool e) override { tools = e; }
};

class Gesture : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 256; ++i) s.PalTable.set(i, makeColorRef(i, 255 - i, (i * 3) & 255));
        s.PalTable.set(0, 0x000000);
        s.PalTable.set(12, 0xFF0000);
        s.PalTable.set(15, 0xFFFFFF);
        s.initPattern();
        s.LeadSrc.create(30, 40, 24);
        s.LeadSrc.fill(0xFFFFFF);
        s.ToolState = tool::Pen;
    }
    void drag(int tool, QPointF from, QPointF to, int button = 1, bool shift = false) {
        s.ToolState = tool;
        tools.press({button, shift, from.x(), from.y()});
        tools.move({button, shift, (from.x() + to.x()) / 2, (from.y() + to.y()) / 2});
        tools.move({button, shift, to.x(), to.y()});
        tools.release({button, shift, to.x(), to.y()});
    }
    QImage pattern() const { return s.LeadSrc.image(); }

    EditorState s;
    FakeHost host;
    CanvasTools tools{s, host};
};

} // namespace

TEST_F(Gesture, ShiftLineRunsAtFortyFiveDegreesOnTheFabric) {
    s.qrnobj->setMee(20);
    s.qrnobj->setDan(30);
    s.ToolState = tool::Line;
    tools.press({1, true, 10, 10});
    tools.move({1, true, 20, 13});
    EXPECT_EQ(QPoint(s.qrnobj->empx, s.qrnobj->empy), QPoint(13, 14));
    EXPECT_EQ(CanvasTools::constrainedEnd({10, 10}, 20, 13, 1.5f), QPoint(13, 14));
    EXPECT_EQ(CanvasTools::constrainedEnd({10, 10}, 4, 30, 1.5f), QPoint(4, 19));
    EXPECT_EQ(CanvasTools::constrainedEnd({10, 10}, 10, 30, 1.5f), QPoint(10, 10));
}

TEST_F(Gesture, LineCommitsOnReleaseAndLeavesNoBand) {
    drag(tool::Line, {0, 0}, {5, 0});
    for (int x = 0; x < 5; ++x) EXPECT_EQ(s.LeadSrc.pixel(x, 0), 0x000000u) << x;
    EXPECT_EQ(s.LeadSrc.pixel(5, 0), 0xFFFFFFu);
    EXPECT_TRUE(tools.overlay().empty());
    EXPECT_TRUE(s.qrnobj->chgflg);
    EXPECT_TRUE(host.undo);
    EXPECT_EQ(host.repaints, 1);
    EXPECT_EQ(QPoint(s.qrnobj->smpx, s.qrnobj->empx), QPoint(0, 0));
}

TEST_F(Gesture, BandFollowsTheDragAndIsShownOnce) {
    s.ToolState = tool::Rectangle;
    tools.press({1, false, 2, 2});
    for (double x = 3; x < 9; x += 0.7) {
        tools.move({1, false, x, x});
        ASSERT_EQ(tools.overlay().size(), 1u);
        EXPECT_EQ(tools.overlay()[0].kind, OverlayItem::DottedBox);
        EXPECT_EQ(tools.overlay()[0].b, QPoint(s.qrnobj->empx, s.qrnobj->empy));
    }
    // A press of another tool starts a new gesture: the old band does not linger.
    s.ToolState = tool::Circle;
    tools.press({1, false, 2, 2});
    tools.move({1, false, 6, 7});
    tools.move({1, false, 8, 9});
    ASSERT_EQ(tools.overlay().size(), 1u);
    EXPECT_EQ(tools.overlay()[0].kind, OverlayItem::Ellipse);
    tools.release({1, false, 8, 9});
    EXPECT_TRUE(tools.overlay().empty());
    EXPECT_GE(host.autoscrolls, 2);
}

TEST_F(Gesture, FramesShowExactlyWhileTheirStateExists) {
    // The selection frame is there as long as the selection, however often the canvas is
    // rendered again, and never after it.
    drag(tool::Select, {2, 3}, {11, 7});
    const std::vector<OverlayItem> frame = tools.overlay();
    ASSERT_EQ(frame.size(), 1u);
    EXPECT_EQ(frame[0], (OverlayItem{OverlayItem::DottedBox, {2, 3}, {11, 7}}));
    EXPECT_EQ(tools.overlay(), frame);
    tools.clearSelection();
    EXPECT_TRUE(tools.overlay().empty());
    tools.clearSelection();
    EXPECT_TRUE(tools.overlay().empty()); // no ghost from a second removal

    // A placement frame follows the pointer and ends with the placement.
    s.Lead1[0].create(6, 4, 24);
    s.PlaceWidth = 6;
    s.PlaceHeight = 4;
    s.ToolState = tool::Paste;
    host.tools = false;
    EXPECT_TRUE(tools.overlay().empty()); // not before the pointer is over the canvas
    tools.move({0, false, 3, 4});
    ASSERT_EQ(tools.overlay().size(), 1u);
    EXPECT_EQ(tools.overlay()[0], (OverlayItem{OverlayItem::DottedBox, {3, 4}, {9, 8}}));
    tools.endPlacement();
    EXPECT_TRUE(tools.overlay().empty());
    EXPECT_EQ(s.PlaceWidth, 0);
    EXPECT_EQ(s.PlaceHeight, 0);
    EXPECT_FALSE(tools.placing());
    EXPECT_TRUE(host.tools);
    tools.move({0, false, 5, 5});
    EXPECT_TRUE(tools.overlay().empty());
}

TEST_F(Gesture, ASelectionHoldsStitchesOrIsNone) {
    // A click encloses no stitch: no selection, nothing to cut or save.
    drag(tool::Select, {4, 4}, {4, 4});
    EXPECT_FALSE(s.qrnobj->selected);
    EXPECT_FALSE(host.cutCopy);
    EXPECT_FALSE(host.del);
    EXPECT_TRUE(tools.overlay().empty());
    drag(tool::Select, {4, 4}, {9, 4}); // a line of no height
    EXPECT_FALSE(s.qrnobj->selected);
    drag(tool::Select, {35, 45}, {50, 60}); // wholly beyond the 30 x 40 pattern
    EXPECT_FALSE(s.qrnobj->selected);
    // Dragged up and left, and past the edge: kept in order and clipped, as the frame shows.
    drag(tool::Select, {12, 9}, {3.4, 2.6});
    ASSERT_TRUE(s.qrnobj->selected);
    EXPECT_EQ(QRect(QPoint(s.qrnobj->smpx, s.qrnobj->smpy), QPoint(s.qrnobj->empx, s.qrnobj->empy)),
              QRect(QPoint(3, 3), QPoint(12, 9)));
    drag(tool::Select, {25, 35}, {44, 47});
    ASSERT_TRUE(s.qrnobj->selected);
    EXPECT_EQ(QPoint(s.qrnobj->empx, s.qrnobj->empy), QPoint(30, 40));
    EXPECT_EQ(tools.overlay()[0].b, QPoint(30, 40));
}

TEST(SelectionRect, NormalisedClippedAndNeverEmpty) {
    qrnobj q;
    const QSize pattern(30, 40);
    EXPECT_FALSE(selectionRect(q, pattern)); // nothing selected
    q.selected = true;
    q.smpx = 11;
    q.smpy = 7;
    q.empx = 2;
    q.empy = 3;
    EXPECT_EQ(selectionRect(q, pattern), QRect(2, 3, 9, 4));
    EXPECT_EQ(selectionRect(q, pattern, true), QRect(2, 3, 10, 5));
    q.empx = 11; // no width: no stitch, even counting the end stitch in
    EXPECT_FALSE(selectionRect(q, pattern));
    EXPECT_FALSE(selectionRect(q, pattern, true));
    q.smpx = 25;
    q.empx = 31;
    q.smpy = -5;
    q.empy = 50;
    EXPECT_EQ(selectionRect(q, pattern), QRect(25, 0, 5, 40));
    q.smpx = 30;
    q.empx = 35;
    EXPECT_FALSE(selectionRect(q, pattern));
}

TEST_F(Gesture, AShiftPenGesturePaintsNothing) {
    s.LeadSrc.setPixel(10, 10, s.PalTable[12]);
    const QImage before = pattern();
    host.undo = true;
    s.ToolState = tool::Pen;
    tools.press({1, true, 10, 10});
    EXPECT_EQ(s.RightIndex, 12);
    // Jitter, with or without Shift still held, and a stroke across the pattern.
    tools.move({1, true, 10.6, 10});
    tools.move({1, false, 11, 10});
    tools.move({1, false, 15, 20});
    tools.release({1, false, 15, 20});
    EXPECT_EQ(pattern(), before);
    EXPECT_FALSE(s.qrnobj->chgflg);
    EXPECT_TRUE(host.undo);
    EXPECT_EQ(host.stitches, 0);
    // The next plain press paints again.
    tools.press({1, false, 3, 3});
    EXPECT_EQ(s.LeadSrc.pixel(3, 3), 0x000000u);
}

TEST_F(Gesture, FarConstrainedDragsAreHeldAtTheLimitNotWrapped) {
    s.qrnobj->setMee(10);
    s.qrnobj->setDan(200); // asp1 = 20: each stitch across is twenty rows down
    s.ToolState = tool::Rectangle;
    tools.press({1, true, 5, 5});
    tools.move({1, true, 2000, 2000}); // 5 + 1995 x 20 rows is past 16 bits
    EXPECT_EQ(s.qrnobj->empy, 32767);
    EXPECT_GT(s.qrnobj->empx, 5);
    EXPECT_EQ(CanvasTools::constrainedEnd({5, 5}, 40000, 40000, 20.0f), QPoint(32767, 32767));
    EXPECT_EQ(CanvasTools::constrainedEnd({5, 5}, -40000, -40000, 20.0f), QPoint(-32768, -32768));
    tools.release({1, true, 2000, 2000});
    // Drawn downwards from the start: the rows above it stay untouched.
    for (int y = 0; y < 5; ++y) EXPECT_EQ(s.LeadSrc.pixel(5, y), 0xFFFFFFu) << y;
    EXPECT_EQ(s.LeadSrc.pixel(5, 20), 0x000000u);
}

TEST_F(Gesture, RectangleOfNoAreaStillMarksTheChange) {
    const QImage before = pattern();
    drag(tool::Rectangle, {4, 4}, {4, 4});
    EXPECT_EQ(pattern(), before);
    EXPECT_TRUE(s.qrnobj->chgflg);
    drag(tool::Rectangle, {2, 2}, {6, 5});
    EXPECT_EQ(s.LeadSrc.pixel(5, 4), 0x000000u);
    EXPECT_EQ(s.LeadSrc.pixel(6, 5), 0xFFFFFFu);
    EXPECT_EQ(s.LeadSrc.pixel(3, 3), 0xFFFFFFu);
}

TEST_F(Gesture, ButtonsPickTheirColours) {
    s.LeftIndex = 12;
    s.RightIndex = 40;
    drag(tool::Line, {0, 1}, {3, 1}, 2);
    EXPECT_EQ(s.LeadSrc.pixel(1, 1), s.PalTable[40]);
    drag(tool::Line, {0, 2}, {3, 2}, 4);
    EXPECT_EQ(s.LeadSrc.pixel(1, 2), 0x000000u);
    drag(tool::Line, {0, 3}, {3, 3}, 1);
    EXPECT_EQ(s.LeadSrc.pixel(1, 3), 0xFF0000u);
    EXPECT_EQ(tools.buttonColor(3), 0x000000u); // both buttons: black
}

TEST_F(Gesture, PenPaintsRoundedStitchesAndShiftPicksTheRightColour) {
    s.ToolState = tool::Pen;
    host.undo = true;
    tools.press({1, false, 3.5, 2.5});
    EXPECT_EQ(s.LeadSrc.pixel(4, 2), 0x000000u);
    EXPECT_FALSE(host.undo);
    EXPECT_TRUE(s.qrnobj->chgflg);
    tools.move({1, false, -0.2, 5});
    tools.move({1, false, 7, -1});
    tools.move({1, false, 7.4, 8.6});
    EXPECT_EQ(s.LeadSrc.pixel(7, 9), 0x000000u);
    EXPECT_EQ(host.stitches, 2);
    tools.release({1, false, 7.4, 8.6});

    // The pattern's own colour is read, whatever the screen shows over it.
    s.LeadSrc.setPixel(10, 10, s.PalTable[12]);
    s.qrnobj->chgflg = false;
    const QImage before = pattern();
    tools.press({1, true, 10.2, 9.8});
    EXPECT_EQ(s.RightIndex, 12);
    EXPECT_EQ(pattern(), before);
    EXPECT_FALSE(s.qrnobj->chgflg);
    EXPECT_EQ(host.colourChanges, 1);
}

TEST_F(Gesture, EyedropperPicksTheLowestEntryAndHandsBackToThePen) {
    s.PalTable.set(3, 0x123456);
    s.PalTable.set(9, 0x123456);
    s.LeadSrc.setPixel(5, 5, 0x123456);
    drag(tool::Eyedropper, {5, 5}, {5, 5}, 1);
    EXPECT_EQ(s.LeftIndex, 3);
    EXPECT_EQ(s.canvasForeColor, 0x123456u);
    EXPECT_EQ(host.penSelections, 1);
    drag(tool::Eyedropper, {-3, 5}, {-3, 5}, 2);
    EXPECT_EQ(s.RightIndex, 0); // outside the pattern: no colour matches
}

TEST_F(Gesture, UndoAfterAnEyedropperClickKeepsTheLine) {
    drag(tool::Line, {0, 0}, {6, 0});
    ASSERT_TRUE(host.undo);
    drag(tool::Eyedropper, {1, 0}, {1, 0}, 1);
    EXPECT_TRUE(host.undo); // the eyedropper leaves undo as it was
    s.LeadSrc.setPixel(9, 9, 0x0000FF);
    restoreUndoSnapshot(s);
    EXPECT_EQ(s.LeadSrc.pixel(2, 0), 0x000000u); // the snapshot was taken at the eyedropper press
    EXPECT_EQ(s.LeadSrc.pixel(9, 9), 0xFFFFFFu);
}

TEST_F(Gesture, FillStopsAtEdgesAndAlwaysCounts) {
    for (int y = 0; y < 40; ++y) s.LeadSrc.setPixel(10, y, 0x000000);
    s.LeftIndex = 12;
    drag(tool::Fill, {2, 2}, {2, 2});
    EXPECT_EQ(s.LeadSrc.pixel(0, 39), 0xFF0000u);
    EXPECT_EQ(s.LeadSrc.pixel(11, 0), 0xFFFFFFu);
    EXPECT_TRUE(host.undo);
    host.undo = false;
    s.qrnobj->chgflg = false;
    const QImage before = pattern();
    drag(tool::Fill, {3, 3}, {3, 3}); // already that colour
    EXPECT_EQ(pattern(), before);
    EXPECT_TRUE(host.undo);
    EXPECT_TRUE(s.qrnobj->chgflg);
    host.undo = false;
    drag(tool::Fill, {-1, 3}, {-1, 3}); // left of the canvas: nothing, not even undo
    EXPECT_FALSE(host.undo);
}

TEST_F(Gesture, StarIsConstrainedWithoutShift) {
    s.ToolState = tool::Star;
    tools.press({1, false, 0, 0});
    tools.move({1, false, 20, 5});
    EXPECT_EQ(QPoint(s.qrnobj->empx, s.qrnobj->empy), QPoint(5, 5));
}

TEST_F(Gesture, FiguresAreDrawnAlikeWhicheverWayTheyAreDragged) {
    s.qrnobj->setMee(20);
    s.qrnobj->setDan(30);
    for (int t : {21, 22, 31, 33, 42, 53, 64, 72, 81, 91}) {
        // Regular figures are always square on the fabric: 16 stitches make 24 rows here.
        const QPointF end = t == 72 || t == 81 ? QPointF(18, 27) : QPointF(18, 30);
        s.LeadSrc.fill(0xFFFFFF);
        drag(t, {2, 3}, end);
        const QImage forward = pattern();
        s.LeadSrc.fill(0xFFFFFF);
        drag(t, end, {2, 3});
        EXPECT_EQ(pattern(), forward) << t;
    }
}

TEST_F(Gesture, SelectionKeepsItsFrameUntilARightClick) {
    drag(tool::Select, {2, 3}, {11, 7});
    EXPECT_TRUE(s.qrnobj->selected);
    EXPECT_EQ(QRect(QPoint(s.qrnobj->smpx, s.qrnobj->smpy), QPoint(s.qrnobj->empx, s.qrnobj->empy)),
              QRect(QPoint(2, 3), QPoint(11, 7)));
    EXPECT_TRUE(host.cutCopy && host.del);
    ASSERT_EQ(tools.overlay().size(), 1u);
    tools.press({2, false, 5, 5});
    EXPECT_FALSE(s.qrnobj->selected);
    EXPECT_TRUE(tools.overlay().empty());
    EXPECT_FALSE(host.cutCopy);
    tools.press({2, false, 5, 5}); // nothing to clear
    EXPECT_TRUE(tools.overlay().empty());
}

TEST_F(Gesture, ALineReleaseDropsTheSelection) {
    drag(tool::Select, {2, 3}, {11, 7});
    drag(tool::Line, {0, 0}, {3, 0});
    EXPECT_FALSE(s.qrnobj->selected);
    EXPECT_FALSE(host.cutCopy);
}

TEST_F(Gesture, PasteFrameFollowsTheMouseAndTheCopyIsClipped) {
    QImage picture(6, 4, QImage::Format_RGB32);
    picture.fill(0xff00ff00);
    s.Lead1[0].setImage(picture);
    s.PlaceWidth = 6;
    s.PlaceHeight = 4;
    s.ToolState = tool::Paste;
    host.tools = false;
    tools.move({0, false, 10, 10});
    tools.move({0, false, 27.2, 37.6});
    ASSERT_EQ(tools.overlay().size(), 1u);
    EXPECT_EQ(tools.overlay()[0].a, QPoint(27, 38));
    EXPECT_EQ(tools.overlay()[0].b, QPoint(33, 42));
    tools.press({1, false, 27.2, 37.6});
    tools.release({1, false, 27.2, 37.6});
    EXPECT_EQ(s.LeadSrc.pixel(29, 39), 0x00FF00u);
    EXPECT_EQ(s.LeadSrc.pixel(26, 39), 0xFFFFFFu);
    EXPECT_EQ(s.LeadSrc.width(), 30);
    EXPECT_TRUE(tools.overlay().empty());
    EXPECT_TRUE(host.tools);
    EXPECT_EQ(host.penSelections, 1);
    EXPECT_TRUE(s.qrnobj->chgflg);
}

TEST_F(Gesture, DrawingOffIgnoresEverything) {
    s.ToolState = tool::Off;
    const QImage before = pattern();
    tools.press({1, false, 1, 1});
    tools.move({1, false, 2, 2});
    tools.release({1, false, 2, 2});
    EXPECT_EQ(pattern(), before);
    EXPECT_FALSE(s.qrnobj->chgflg);
}

TEST(Overlay, DrawingTwiceRestoresThePixels) {
    const CanvasGeometry g{10, 8, 5, 1.5f};
    QImage base(50, 61, QImage::Format_RGB32);
    for (int y = 0; y < base.height(); ++y)
        for (int x = 0; x < base.width(); ++x) base.setPixel(x, y, qRgb(x * 5, y * 4, (x ^ y) & 255));
    const std::vector<OverlayItem> items = {{OverlayItem::GreyLine, {1, 1}, {8, 6}},
                                            {OverlayItem::DottedBox, {7, 7}, {2, 0}},
                                            {OverlayItem::Ellipse, {3, 4}, {40, 50}}};
    QImage img = base;
    applyOverlay(items, g, img, {}, img.rect());
    EXPECT_NE(img, base);
    applyOverlay(items, g, img, {}, img.rect());
    EXPECT_EQ(img, base);
    // Part of the canvas drawn elsewhere in a target: the same pixels change.
    QImage part(20, 20, QImage::Format_RGB32);
    QImage whole = base;
    applyOverlay(items, g, whole, {}, whole.rect());
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) part.setPixel(x, y, base.pixel(15 + x, 30 + y));
    applyOverlay(items, g, part, {}, QRect(15, 30, 20, 20));
    EXPECT_EQ(part, whole.copy(15, 30, 20, 20));
}

TEST(Overlay, DottedBoxAndGreyLineInPixels) {
    const CanvasGeometry g{4, 4, 2, 1.0f};
    QImage img = blank(9, 9);
    applyOverlay({{OverlayItem::DottedBox, {0, 0}, {3, 2}}}, g, img, {}, img.rect());
    // Corners (0,0) to (6,4) in pixels, every other pixel of the outline flipped by ~grey.
    int flipped = 0;
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x)
            if (img.pixel(x, y) != 0xffffffffu) {
                EXPECT_EQ(img.pixel(x, y), 0xff808080u);
                EXPECT_TRUE(x == 0 || x == 6 || y == 0 || y == 4) << x << "," << y;
                ++flipped;
            }
    EXPECT_EQ(flipped, 10); // a perimeter of 20 pixels, dotted
    QImage line = blank(9, 9);
    applyOverlay({{OverlayItem::GreyLine, {0, 0}, {3, 0}}}, g, line, {}, line.rect());
    for (int x = 0; x < 6; ++x) EXPECT_EQ(line.pixel(x, 0), 0xff7f7f7fu) << x;
    EXPECT_EQ(line.pixel(6, 0), 0xffffffffu);
}

TEST(Overlay, FrameSidesOnTheCanvasEdgeAreDrawnWhereTheyShow) {
    const CanvasGeometry g{4, 4, 2, 1.0f}; // 8 x 8 canvas pixels
    QImage img = blank(9, 9);
    applyOverlay({{OverlayItem::DottedBox, {1, 1}, {4, 4}}}, g, img, {}, img.rect());
    int right = 0, bottom = 0, border = 0;
    for (int k = 0; k < 9; ++k) {
        right += img.pixel(7, k) != 0xffffffffu;
        bottom += img.pixel(k, 7) != 0xffffffffu;
        border += (img.pixel(8, k) != 0xffffffffu) + (img.pixel(k, 8) != 0xffffffffu);
    }
    EXPECT_GT(right, 0);
    EXPECT_GT(bottom, 0);
    EXPECT_EQ(border, 0);
}

TEST_F(Gesture, TextIsWrittenInTheLeftColourWhereTheFrameFloated) {
    // Black marks the stitches that take the colour; the frame is 3 x 2.
    const QImage mask = asciiImage({"#.#", ".#."});
    auto place = [&] {
        s.ToolState = tool::Text;
        s.Lead1[0].setImage(mask);
        s.PlaceWidth = 3;
        s.PlaceHeight = 2;
        host.penSelections = 0;
        s.qrnobj->chgflg = false;
    };
    s.LeftIndex = 12; // blue in this palette
    place();
    tools.move({0, false, 4.4, 6.2});
    ASSERT_EQ(tools.overlay().size(), 1u);
    EXPECT_EQ(tools.overlay()[0].a, QPoint(4, 6));
    EXPECT_FALSE(s.qrnobj->selected); // a floating frame is no selection
    tools.press({1, false, 4.4, 6.2});
    tools.release({1, false, 4.4, 6.2});
    EXPECT_EQ(asciiOf(s.LeadSrc.image().copy(3, 5, 5, 4)), ascii({".....", ".b.b.", "..b..", "....."}));
    EXPECT_EQ(host.penSelections, 1);
    EXPECT_EQ(s.PlaceWidth, 0);
    EXPECT_TRUE(s.Lead1[0].isNull());
    EXPECT_TRUE(s.qrnobj->chgflg);
    EXPECT_TRUE(tools.overlay().empty());

    // A right click writes nothing, hands back to the pen and still counts as a change.
    const QImage before = s.LeadSrc.image().copy();
    place();
    tools.move({0, false, 10, 10});
    tools.press({2, false, 10, 10});
    tools.release({2, false, 10, 10});
    EXPECT_EQ(s.LeadSrc.image(), before);
    EXPECT_EQ(host.penSelections, 1);
    EXPECT_TRUE(s.qrnobj->chgflg);

    // Near the corner only the overlap is written.
    place();
    tools.move({0, false, 28, -1});
    tools.press({1, false, 28, -1});
    tools.release({1, false, 28, -1});
    EXPECT_EQ(s.LeadSrc.pixel(29, 0), 0xFF0000u);
    EXPECT_EQ(s.LeadSrc.pixel(28, 0), 0xFFFFFFu);
}

TEST_F(Gesture, MotifStampsOnEveryLeftClickUntilARightClick) {
    const QImage picture = asciiImage({"b.", ".b"});
    const PreparedMotif motif = maskedByColour(picture, 0xFFFFFF);
    s.LeadSrc.fill(0x0000FF); // red everywhere
    s.Lead1[0].setImage(motif.picture);
    s.Lead1[1].setImage(motif.mask);
    s.PlaceWidth = s.PlaceHeight = 2;
    s.ToolState = tool::Motif;
    host.tools = false;
    auto click = [&](int button, double x, double y) {
        tools.move({0, false, x, y});
        tools.press({button, false, x, y});
        tools.release({button, false, x, y});
    };
    click(1, 0, 0);
    const QImage afterFirst = s.LeadSrc.image().copy();
    click(1, -1, 5); // half of it lands
    EXPECT_EQ(asciiOf(s.LeadSrc.image().copy(0, 0, 3, 7)), ascii({"brr", "rbr", "rrr", "rrr", "rrr", "rrr", "brr"}));
    EXPECT_EQ(s.ToolState, tool::Motif); // the placement goes on
    EXPECT_FALSE(host.tools);
    EXPECT_EQ(host.penSelections, 0);

    // Each press took its snapshot: undo takes back the last stamp only.
    restoreUndoSnapshot(s);
    EXPECT_EQ(s.LeadSrc.image().convertToFormat(QImage::Format_RGB32), afterFirst.convertToFormat(QImage::Format_RGB32));

    s.qrnobj->chgflg = false;
    const QImage before = s.LeadSrc.image().copy();
    click(2, 10, 10);
    EXPECT_EQ(s.LeadSrc.image(), before);
    EXPECT_TRUE(host.tools);
    EXPECT_EQ(host.penSelections, 1);
    EXPECT_EQ(s.PlaceWidth, 0);
    EXPECT_TRUE(s.Lead1[1].isNull());
    EXPECT_TRUE(s.qrnobj->chgflg);
}
