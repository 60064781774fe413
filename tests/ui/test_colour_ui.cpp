#include "colour/frmColchk.h"
#include "colour/frmReduce.h"
#include "colour/palette_widgets.h"
#include "dialogs/spin_edit.h"
#include "support/canvas_mouse.h"
#include "support/form1_fixture.h"
#include "support/sample_images.h"
#include "tools/tool_bar.h"
#include "tools/tool_table.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QSet>
#include <QToolTip>

using namespace qorn;
using qorn::test::dragOnCanvas;
using qorn::test::Form1Test;
using qorn::test::patternImage;

namespace {


QRgb entry(Form1& f, int index) { return rgbFromColorRef(f.state().PalTable[index]); }

// Stitches of the given palette entries, in a repeating order.
void paintEntries(Form1& f, int width, int height, const std::vector<int>& entries) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, entry(f, entries[size_t(x + y * width) % entries.size()]));
    f.state().LeadSrc.setImage(image);
    f.LayoutCanvas();
    f.refreshStatusLabels();
}

QSet<QRgb> coloursOf(const QImage& image) {
    QSet<QRgb> out;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) out.insert(image.pixel(x, y));
    return out;
}

QSet<QRgb> paletteColours(Form1& f) {
    QSet<QRgb> out;
    for (int i = 0; i < 256; ++i) out.insert(entry(f, i));
    return out;
}

std::function<void(QDialog&)> reduceTo(const QString& target, bool dither) {
    return [target, dither](QDialog& d) {
        auto& r = static_cast<frmReduce&>(d);
        r.Text1->setText(target);
        r.chkDither->setChecked(dither);
        r.Command1_Click();
    };
}

// A press on a grid cell and its release over a point of the dialog, as the mouse does it.
void dragCell(frmColchk& d, int index, QWidget* onto) {
    const int side = d.Picture1->cellSide();
    const QPointF at(index % 16 * side + side / 2.0, index / 16 * side + side / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, d.Picture1->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(d.Picture1, &press);
    const QPoint global = onto->mapToGlobal(onto->rect().center());
    const QPointF local = d.Picture1->mapFromGlobal(QPointF(global));
    QMouseEvent release(QEvent::MouseButtonRelease, local, QPointF(global), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(d.Picture1, &release);
}

} // namespace

TEST_F(Form1Test, ColourMenuAndButtonsFollowTheView) {
    Form1& f = started();
    EXPECT_EQ(f.mnuColor->title(), QStringLiteral("色(&C)"));
    for (const char* key : {"colcheck", "quantize", "colchg"}) EXPECT_TRUE(f.tbButton(QString::fromLatin1(key))->isEnabled()) << key;
    f.mnuDispCross_Click();
    EXPECT_FALSE(f.mnuReduceColor->isEnabled());
    EXPECT_FALSE(f.mnuColorChange->isEnabled());
    EXPECT_TRUE(f.mnuColorChk->isEnabled());
    EXPECT_FALSE(f.tbButton(QStringLiteral("quantize"))->isEnabled());
    f.mnuDispNormal_Click();
    EXPECT_TRUE(f.mnuReduceColor->isEnabled());
    EXPECT_TRUE(f.tbButton(QStringLiteral("colchg"))->isEnabled());
}

TEST_F(Form1Test, ReductionRefusesWhatItCannotDoAndChangesNothing) {
    Form1& f = started();
    paintEntries(f, 20, 10, {0, 15});
    modal.shown = 0;
    f.mnuReduceColor_Click();
    EXPECT_EQ(modal.shown, 0);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].prompt, QStringLiteral("これ以上の減色はできません"));
    EXPECT_EQ(prompter.asked[0].title, QStringLiteral("減色処理"));
    EXPECT_TRUE(f.mnuUndo->isEnabled()); // the snapshot comes first, whatever follows

    // 256 palette colours: 257, 1 and words are out of range; 0 ends without a word.
    std::vector<int> all(256);
    for (int i = 0; i < 256; ++i) all[size_t(i)] = i;
    paintEntries(f, 32, 16, all);
    const int n = f.state().LeadSrc.colorCount();
    const QImage before = patternImage(f);
    for (const QString& target : {QStringLiteral("257"), QStringLiteral("1"), QStringLiteral("abc"), QStringLiteral("0")}) {
        prompter.asked.clear();
        modal.handle = [&](QDialog& d) {
            auto& r = static_cast<frmReduce&>(d);
            EXPECT_EQ(r.windowTitle(), QStringLiteral("減色処理"));
            EXPECT_EQ(r.Label1->text(), QStringLiteral("現在の色数： ") + QString::number(n));
            EXPECT_EQ(r.Text1->text(), QString::number(n));
            EXPECT_TRUE(r.chkDither->isChecked());
            reduceTo(target, true)(d);
        };
        f.mnuReduceColor_Click();
        EXPECT_EQ(patternImage(f), before) << target.toStdString();
        if (target == QLatin1String("0")) {
            EXPECT_TRUE(prompter.asked.empty());
        } else {
            ASSERT_EQ(prompter.asked.size(), 1u) << target.toStdString();
            EXPECT_EQ(prompter.asked[0].prompt, QStringLiteral("減色できません"));
            EXPECT_EQ(prompter.asked[0].title, QStringLiteral("色数指定不正"));
            EXPECT_EQ(prompter.asked[0].style, vbOKOnly);
        }
    }
}

TEST_F(Form1Test, ReductionKeepsPaletteColoursAndReducesAPhotographToAtMostItsTarget) {
    Form1& f = started();
    paintEntries(f, 30, 20, {3, 40, 77, 150, 200});
    const QImage exact = patternImage(f);
    modal.handle = reduceTo(QStringLiteral("5"), true);
    f.tbButton(QStringLiteral("quantize"))->trigger();
    EXPECT_EQ(patternImage(f), exact);

    f.state().LeadSrc.setImage(test::photoLikeImage(80, 60, 7));
    const QImage photo = patternImage(f);
    f.state().qrnobj->chgflg = false;
    for (bool dither : {true, false}) {
        modal.handle = reduceTo(QStringLiteral("8"), dither);
        f.mnuReduceColor_Click();
        const QSet<QRgb> colours = coloursOf(patternImage(f));
        EXPECT_LE(colours.size(), 8) << dither;
        EXPECT_TRUE(paletteColours(f).contains(colours)) << dither;
        EXPECT_TRUE(f.state().qrnobj->chgflg);
        EXPECT_EQ(f.state().ToolState, tool::Pen);
        f.mnuUndo_Click();
        EXPECT_EQ(patternImage(f), photo) << dither;
    }
}

TEST_F(Form1Test, AReductionDuringAFloatingPasteLeavesTheToolsUsable) {
    Form1& f = started();
    f.state().LeadSrc.setImage(test::photoLikeImage(60, 60, 3));
    QApplication::clipboard()->setImage(test::photoLikeImage(8, 8, 5));
    QApplication::processEvents();
    f.mnuPaste_Click();
    ASSERT_FALSE(f.TBTools->isEnabled());
    modal.handle = reduceTo(QStringLiteral("4"), false);
    f.mnuReduceColor_Click();
    EXPECT_TRUE(f.TBTools->isEnabled());
    EXPECT_TRUE(f.mnuTool->menuAction()->isEnabled());
    EXPECT_EQ(f.state().ToolState, tool::Pen);
    EXPECT_LE(coloursOf(patternImage(f)).size(), 4);
}

TEST_F(Form1Test, ColourCheckCountsEveryStitchOfThePatternOrTheSelection) {
    Form1& f = started();
    // 7 x 3 stitches of three palette colours, one of them slightly off the palette.
    paintEntries(f, 7, 3, {12, 40, 40, 90});
    QImage image = patternImage(f);
    const QRgb near40 = entry(f, 40) ^ 0x010001;
    image.setPixel(1, 0, near40);
    f.state().LeadSrc.setImage(image);
    modal.handle = [&](QDialog& d) {
        auto& c = static_cast<frmColchk&>(d);
        EXPECT_EQ(c.windowTitle(), QStringLiteral("色数チェック"));
        EXPECT_EQ(c.Label1->text(), QStringLiteral("現在使用色数: 3"));
        EXPECT_FALSE(c.picBefore->isVisible());
        uint32_t sum = 0;
        for (int i = 0; i < 256; ++i) sum += c.cellToolTip(i).toUInt();
        EXPECT_EQ(sum, 21u);
        EXPECT_EQ(c.UseCount[40], 10u); // the off-palette stitch counts under its nearest colour
        // Used cells carry a ring in their inverted colour; others none.
        const QImage grid = c.Picture1->grab().toImage().convertToFormat(QImage::Format_RGB32);
        auto ringPixels = [&](int index) {
            const QRect r = c.Picture1->cellRect(index);
            int n = 0;
            for (int y = r.top() + 2; y < r.bottom() - 1; ++y)
                for (int x = r.left() + 2; x < r.right() - 1; ++x)
                    n += grid.pixel(x, y) == ((~entry(f, index) & 0xffffff) | 0xff000000) ? 1 : 0;
            return n;
        };
        EXPECT_GT(ringPixels(90), 8);
        EXPECT_EQ(ringPixels(91), 0);
        // The tool tip of a cell is its count.
        const QRect cell = c.Picture1->cellRect(12);
        QHelpEvent help(QEvent::ToolTip, cell.center(), c.Picture1->mapToGlobal(cell.center()));
        QApplication::sendEvent(c.Picture1, &help);
        EXPECT_EQ(QToolTip::text(), QString::number(c.UseCount[12]));
        // A left press chooses the left colour in the main window.
        c.Picture1_MouseDown(Qt::LeftButton, 5.5, 2.5);
        c.comOk_Click();
    };
    f.tbButton(QStringLiteral("colcheck"))->trigger();
    EXPECT_EQ(f.state().LeftIndex, 37);
    EXPECT_EQ(f.Palbox->marker(), 37);

    // A 4 x 2 selection: eight stitches, and the caption says it is a part.
    paintEntries(f, 20, 10, {12, 40});
    f.mnuSelect_Click();
    dragOnCanvas(f, {2, 3}, {6, 5});
    modal.handle = [&](QDialog& d) {
        auto& c = static_cast<frmColchk&>(d);
        EXPECT_EQ(c.windowTitle(), QStringLiteral("色数チェック(部分)"));
        uint32_t sum = 0;
        for (uint32_t n : c.UseCount) sum += n;
        EXPECT_EQ(sum, 8u);
        c.comOk_Click();
    };
    f.mnuColorChk_Click();
}

TEST_F(Form1Test, DraggingCellsOntoTheSwatchesChangesEveryStitchOfThatColour) {
    Form1& f = started();
    paintEntries(f, 12, 8, {12, 40, 90});
    const QImage before = patternImage(f);
    const int red = 5;
    // Only "before" chosen: nothing changes.
    modal.handle = [&](QDialog& d) {
        auto& c = static_cast<frmColchk&>(d);
        EXPECT_EQ(c.windowTitle(), QStringLiteral("特定色変換"));
        c.show();
        dragCell(c, 40, c.picBefore);
        EXPECT_EQ(c.BeforeIndex, 40);
        c.comOk_Click();
    };
    f.tbButton(QStringLiteral("colchg"))->trigger();
    EXPECT_EQ(patternImage(f), before);
    EXPECT_FALSE(f.state().qrnobj->chgflg);

    modal.handle = [&](QDialog& d) {
        auto& c = static_cast<frmColchk&>(d);
        c.show();
        dragCell(c, 40, c.picBefore);
        dragCell(c, red, c.picAfter);
        dragCell(c, 90, c.Label1); // let go elsewhere: no swatch changes
        EXPECT_EQ(c.BeforeIndex, 40);
        EXPECT_EQ(c.AfterIndex, red);
        c.comOk_Click();
    };
    f.mnuColorChange_Click();
    const QImage after = patternImage(f);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 12; ++x)
            ASSERT_EQ(after.pixel(x, y), before.pixel(x, y) == entry(f, 40) ? entry(f, red) : before.pixel(x, y));
    EXPECT_TRUE(f.state().qrnobj->chgflg);
    f.mnuUndo_Click();
    EXPECT_EQ(patternImage(f), before);

    // Within a selection only; the selection ends with the change.
    f.mnuSelect_Click();
    dragOnCanvas(f, {0, 0}, {3, 2});
    modal.handle = [&](QDialog& d) {
        auto& c = static_cast<frmColchk&>(d);
        EXPECT_EQ(c.windowTitle(), QStringLiteral("特定色変換(部分)"));
        c.drop(frmColchk::Swatch::Before, 12);
        c.drop(frmColchk::Swatch::After, red);
        c.comOk_Click();
    };
    f.mnuColorChange_Click();
    const QImage part = patternImage(f);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool inside = x < 3 && y < 2;
            ASSERT_EQ(part.pixel(x, y), inside && before.pixel(x, y) == entry(f, 12) ? entry(f, red) : before.pixel(x, y));
        }
    EXPECT_FALSE(f.state().qrnobj->selected);
    EXPECT_FALSE(f.tbButton(QStringLiteral("cut"))->isEnabled());
    EXPECT_EQ(test::shownCanvas(f), test::bareCanvas(f));
}
