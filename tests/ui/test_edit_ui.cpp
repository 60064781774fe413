#include "dialogs/frmGauge.h"
#include "dialogs/spin_edit.h"
#include "document/pattern_files.h"
#include "support/canvas_mouse.h"
#include "support/form1_fixture.h"
#include "support/sample_images.h"
#include "tools/tool_bar.h"
#include "tools/tool_table.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QUrl>

using namespace qorn;
using qorn::test::clickOnCanvas;
using qorn::test::dragOnCanvas;
using qorn::test::Form1Test;
using qorn::test::patternImage;
using qorn::test::pressKey;
using qorn::test::send;

namespace {


// A pattern of distinct palette colours, so that every stitch tells where it came from.
void paintPattern(Form1& f, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, rgbFromColorRef(f.state().PalTable[(x * 7 + y * 3) % 200 + 30]));
    f.state().LeadSrc.setImage(image);
    f.LayoutCanvas();
    f.refreshStatusLabels();
}

void selectWithTheTool(Form1& f, QPointF from, QPointF to) {
    f.mnuSelect_Click();
    dragOnCanvas(f, from, to);
}


QRgb background(Form1& f) { return rgbFromColorRef(f.state().PalTable[f.state().RightIndex]); }

// Every stitch outside `area` equal to `before`; inside, as `inside` says.
void expectOnlyAreaChanged(const QImage& before, const QImage& after, const QRect& area,
                           const std::function<QRgb(int, int)>& inside) {
    ASSERT_EQ(before.size(), after.size());
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x) {
            const QRgb want = area.contains(x, y) ? inside(x, y) : before.pixel(x, y);
            ASSERT_EQ(after.pixel(x, y), want) << x << "," << y;
        }
}

std::function<void(QDialog&)> gaugeWith(const QString& me, const QString& dan) {
    return [me, dan](QDialog& d) {
        auto& g = static_cast<frmGauge&>(d);
        g.MeText->setText(me);
        g.DanText->setText(dan);
        g.comOk_Click();
        if (g.Tag != QLatin1String("1")) g.comCan_Click();
    };
}

} // namespace

TEST_F(Form1Test, EditMenuOffersWhatTheSelectionAndClipboardAllow) {
    Form1& f = started();
    QApplication::clipboard()->clear();
    QApplication::processEvents();
    emit f.mnuEdit->aboutToShow();
    for (QAction* a : {f.mnuCut, f.mnuCopy, f.mnuDelete, f.mnuReverse->menuAction(), f.mnuPaste})
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    EXPECT_FALSE(f.tbButton(QStringLiteral("paste"))->isEnabled());

    selectWithTheTool(f, {2, 2}, {6, 5});
    QApplication::clipboard()->setImage(test::photoLikeImage(4, 4));
    QApplication::processEvents();
    EXPECT_TRUE(f.tbButton(QStringLiteral("paste"))->isEnabled());
    emit f.mnuEdit->aboutToShow();
    for (QAction* a : {f.mnuCut, f.mnuCopy, f.mnuDelete, f.mnuReverse->menuAction(), f.mnuPaste})
        EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
    emit f.mnuOption->aboutToShow();
    EXPECT_TRUE(f.mnuSizeSel->isEnabled());
    f.mnuSelect_Click();
    send(f.Picdisplay, QEvent::MouseButtonPress, f, {3, 3}, Qt::RightButton, Qt::RightButton);
    emit f.mnuOption->aboutToShow();
    EXPECT_FALSE(f.mnuSizeSel->isEnabled());
}

TEST_F(Form1Test, TheClipboardIsAskedOnlyWhenItChanges) {
    Form1& f = started();
    const int before = f.clipboardQueries();
    for (int i = 0; i < 20; ++i) {
        QTest::qWait(10);
        QApplication::processEvents();
    }
    EXPECT_EQ(f.clipboardQueries(), before);
    QApplication::clipboard()->setImage(test::photoLikeImage(3, 3));
    QApplication::processEvents();
    EXPECT_GT(f.clipboardQueries(), before);
    EXPECT_TRUE(f.clipboardHasPicture());
    QApplication::clipboard()->setText(QStringLiteral("words"));
    QApplication::processEvents();
    EXPECT_FALSE(f.clipboardHasPicture());
    EXPECT_FALSE(f.tbButton(QStringLiteral("paste"))->isEnabled());
}

TEST_F(Form1Test, CutOfASelectionDraggedUpAndLeftClearsExactlyItsStitches) {
    Form1& f = started();
    paintPattern(f, 40, 30);
    const QImage before = patternImage(f);
    selectWithTheTool(f, {5, 5}, {-3, -3});
    ASSERT_TRUE(f.tbButton(QStringLiteral("cut"))->isEnabled());
    f.tbButton(QStringLiteral("cut"))->trigger();

    const QRect area(0, 0, 5, 5);
    expectOnlyAreaChanged(before, patternImage(f), area, [&](int, int) { return background(f); });
    EXPECT_EQ(QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), before.copy(area));
    EXPECT_TRUE(f.state().qrnobj->chgflg);
    EXPECT_FALSE(f.state().qrnobj->selected);
    EXPECT_EQ(f.state().ToolState, tool::Pen);
    ASSERT_TRUE(f.mnuUndo->isEnabled());
    f.mnuUndo_Click();
    EXPECT_EQ(patternImage(f), before);
}

TEST_F(Form1Test, CopyThenFloatingPasteRepeatsTheStitchesAndOnlyTheOverlapIsWritten) {
    Form1& f = started();
    paintPattern(f, 100, 100);
    const QImage before = patternImage(f);
    f.setUndoEnabled(true);
    selectWithTheTool(f, {10, 20}, {40, 40});
    f.mnuCopy_Click();
    EXPECT_FALSE(f.mnuUndo->isEnabled());
    EXPECT_FALSE(f.state().qrnobj->selected);
    for (const char* key : {"cut", "copy", "delete"}) EXPECT_FALSE(f.tbButton(QString::fromLatin1(key))->isEnabled()) << key;
    EXPECT_TRUE(f.tbButton(QStringLiteral("paste"))->isEnabled());
    EXPECT_EQ(test::shownCanvas(f), test::bareCanvas(f)); // no frame left
    EXPECT_EQ(patternImage(f), before);

    // 30 x 20 floats, then goes down at (90, 95): only 10 x 5 stitches land.
    f.mnuPaste_Click();
    EXPECT_EQ(f.state().ToolState, tool::Paste);
    EXPECT_EQ(f.state().PlaceWidth, 30);
    EXPECT_EQ(f.state().PlaceHeight, 20);
    EXPECT_FALSE(f.TBTools->isEnabled());
    send(f.Picdisplay, QEvent::MouseMove, f, {50, 50}, Qt::NoButton, Qt::NoButton);
    clickOnCanvas(f, {90, 95});
    expectOnlyAreaChanged(before, patternImage(f), QRect(90, 95, 10, 5),
                          [&](int x, int y) { return before.pixel(x - 90 + 10, y - 95 + 20); });
    EXPECT_TRUE(f.TBTools->isEnabled());
    EXPECT_TRUE(f.mnuTool->menuAction()->isEnabled());
    EXPECT_EQ(f.state().ToolState, tool::Pen);
    EXPECT_EQ(f.state().PlaceWidth, 0);

    // Placed wholly inside, the block repeats the copied stitches exactly.
    const QImage now = patternImage(f);
    f.mnuPaste_Click();
    clickOnCanvas(f, {50, 60});
    expectOnlyAreaChanged(now, patternImage(f), QRect(50, 60, 30, 20),
                          [&](int x, int y) { return before.pixel(x - 50 + 10, y - 60 + 20); });
}

TEST_F(Form1Test, RightClickOrEscapeAbandonsAFloatingPasteAndFreesTheTools) {
    Form1& f = started();
    paintPattern(f, 50, 50);
    const QImage before = patternImage(f);
    QApplication::clipboard()->setImage(test::photoLikeImage(8, 8));
    QApplication::processEvents();

    f.mnuPaste_Click();
    send(f.Picdisplay, QEvent::MouseMove, f, {10, 10}, Qt::NoButton, Qt::NoButton);
    clickOnCanvas(f, {10, 10}, Qt::RightButton);
    EXPECT_EQ(patternImage(f), before);
    EXPECT_TRUE(f.state().qrnobj->chgflg);
    EXPECT_TRUE(f.TBTools->isEnabled());
    EXPECT_EQ(f.state().PlaceWidth, 0);

    f.mnuPaste_Click();
    send(f.Picdisplay, QEvent::MouseMove, f, {10, 10}, Qt::NoButton, Qt::NoButton);
    EXPECT_NE(test::shownCanvas(f), test::bareCanvas(f)); // the floating frame
    pressKey(f, Qt::Key_Escape);
    EXPECT_EQ(f.state().ToolState, tool::Pen);
    EXPECT_EQ(f.state().PlaceWidth, 0);
    EXPECT_TRUE(f.TBTools->isEnabled());
    EXPECT_TRUE(f.mnuTool->menuAction()->isEnabled());
    EXPECT_EQ(test::shownCanvas(f), test::bareCanvas(f));
}

TEST_F(Form1Test, AFloatingFrameIsNoSelection) {
    Form1& f = started();
    paintPattern(f, 50, 50);
    QApplication::clipboard()->setImage(test::photoLikeImage(8, 8));
    QApplication::processEvents();
    f.mnuPaste_Click();
    send(f.Picdisplay, QEvent::MouseMove, f, {10, 10}, Qt::NoButton, Qt::NoButton);
    const QImage before = patternImage(f);
    prompter.asked.clear();
    pressKey(f, Qt::Key_Delete);
    f.mnuCut_Click();
    emit f.mnuOption->aboutToShow();
    EXPECT_FALSE(f.mnuSizeSel->isEnabled());
    f.mnuSizeSel_Click();
    EXPECT_EQ(patternImage(f), before);
    ASSERT_EQ(prompter.asked.size(), 2u);
    EXPECT_EQ(prompter.asked[0].prompt, QStringLiteral("範囲が選択されていません"));
    EXPECT_EQ(prompter.asked[0].title, QStringLiteral("削除"));
    EXPECT_EQ(prompter.asked[1].title, QStringLiteral("切り取り"));
    EXPECT_EQ(f.state().ToolState, tool::Paste); // still floating
}

TEST_F(Form1Test, ALargerClipboardPictureReplacesThePatternOnlyWhenTheUserSaysSo) {
    Form1& f = started();
    paintPattern(f, 60, 40);
    const QImage before = patternImage(f);
    // As wide as the pattern and lower: not smaller both ways, so the question comes.
    QImage picture(60, 30, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    for (int x = 0; x < 60; ++x) picture.setPixel(x, 0, qRgba(200, 0, 0, 255));
    QApplication::clipboard()->setImage(picture);
    QApplication::processEvents();

    prompter.answers = {vbNo};
    f.tbButton(QStringLiteral("paste"))->trigger();
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].prompt,
              QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞの画像がｷｬﾝﾊﾞｽより大きいです。\r\n画像を置き換えていいですか?"));
    EXPECT_EQ(prompter.asked[0].title, QStringLiteral("貼り付け"));
    EXPECT_EQ(patternImage(f), before);
    EXPECT_TRUE(f.TBTools->isEnabled());

    prompter.answers = {vbYes};
    f.SelectLeftColor(42);
    f.mnuPaste_Click();
    EXPECT_EQ(f.state().LeftIndex, 42);
    const QImage now = patternImage(f);
    ASSERT_EQ(now.size(), QSize(60, 30));
    // Transparent stitches arrive as white, not black.
    EXPECT_EQ(now.pixel(5, 10), qRgb(255, 255, 255));
    EXPECT_EQ(f.Label3->text(), QStringLiteral("ｻｲｽﾞ :60目×30段"));
    EXPECT_EQ(f.Picdisplay->geometry().H, 30);
    EXPECT_TRUE(f.state().qrnobj->chgflg);
    f.mnuUndo_Click();
    EXPECT_EQ(patternImage(f), before);
    EXPECT_EQ(f.Label3->text(), QStringLiteral("ｻｲｽﾞ :60目×40段"));
}

TEST_F(Form1Test, SelectAllThenDeleteKeyFillsThePatternWithTheBackground) {
    Form1& f = started();
    paintPattern(f, 30, 20);
    f.mnuTools_Click(tool::Line);
    f.mnuSelectAll_Click();
    EXPECT_TRUE(f.mnuSelectAll->isChecked());
    EXPECT_EQ(f.state().ToolState, tool::Line);
    EXPECT_TRUE(f.Picdisplay->hasFocus() || QApplication::focusWidget() == nullptr);
    pressKey(f, Qt::Key_Delete);
    const QImage after = patternImage(f);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) ASSERT_EQ(after.pixel(x, y), background(f));
    EXPECT_TRUE(f.state().qrnobj->chgflg);
    EXPECT_FALSE(f.state().qrnobj->selected);
    EXPECT_TRUE(f.mnuUndo->isEnabled());

    // In a locked view the keys do nothing.
    f.mnuUndo_Click();
    f.mnuSelectAll_Click();
    f.mnuDispCross_Click();
    const QImage locked = patternImage(f);
    pressKey(f, Qt::Key_Delete);
    EXPECT_EQ(patternImage(f), locked);
}

TEST_F(Form1Test, AFileDroppedOnTheCanvasIsOpened) {
    Form1& f = started();
    Raster r;
    r.create(30, 12, 24);
    r.fill(f.state().PalTable[40]);
    r.save(dir + QStringLiteral("/drop.pcx"), FormatPcx);
    test::writeFile(dir + QStringLiteral("/drop.qrd"), "\"pcx\",22,30,12\r\n");
    QMimeData data;
    data.setUrls({QUrl(QStringLiteral("https://example.org/x.bmp")), QUrl::fromLocalFile(dir + QStringLiteral("/drop.pcx"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.Picdisplay, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.Picdisplay, &drop);
    QApplication::processEvents();
    EXPECT_EQ(f.state().LeadSrc.width(), 30);
    EXPECT_EQ(f.state().LeadSrc.height(), 12);
    EXPECT_EQ(f.state().qrnobj->mee(), 22);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("QORN - drop"));

    QMimeData text;
    text.setText(QStringLiteral("not files"));
    QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.Picdisplay, &refused);
    EXPECT_FALSE(refused.isAccepted());
}

TEST_F(Form1Test, GaugeChangeRescalesRowsAndRefusesWhatItCannotDo) {
    Form1& f = started();
    f.setUndoEnabled(true);
    // Refused texts keep the dialog open with the field message; Cancel keeps undo.
    std::vector<QString> refused = {"9", "201", "", "abc", "nan", "inf"};
    modal.handle = [&](QDialog& d) {
        auto& g = static_cast<frmGauge&>(d);
        EXPECT_EQ(g.windowTitle(), QStringLiteral("ゲージ変更"));
        EXPECT_EQ(g.MeText->text(), QStringLiteral("20"));
        for (const QString& t : refused) {
            g.MeText->setText(t);
            g.comOk_Click();
            EXPECT_EQ(g.Tag, QStringLiteral("0")) << t.toStdString();
        }
        g.comCan_Click();
    };
    f.tbButton(QStringLiteral("gauge"))->trigger();
    ASSERT_EQ(prompter.asked.size(), refused.size());
    for (const auto& a : prompter.asked) {
        EXPECT_EQ(a.prompt, QStringLiteral("数値不正"));
        EXPECT_EQ(a.title, QStringLiteral("ｹﾞｰｼﾞ変更"));
    }
    EXPECT_TRUE(f.mnuUndo->isEnabled());
    EXPECT_FALSE(f.state().qrnobj->chgflg);

    // 100 x 100 at 20 x 20 to 20 x 30: 150 rows, 50 cm either way.
    modal.handle = gaugeWith(QStringLiteral("20"), QStringLiteral("30"));
    f.mnuGauge_Click();
    EXPECT_EQ(f.state().LeadSrc.width(), 100);
    EXPECT_EQ(f.state().LeadSrc.height(), 150);
    EXPECT_EQ(f.Label1->text(), QStringLiteral("ｹﾞｰｼﾞ :20目×30段"));
    EXPECT_EQ(f.Label2->text(), QStringLiteral("ｷｬﾝﾊﾞｽ :50cm×50cm"));
    EXPECT_EQ(f.Label3->text(), QStringLiteral("ｻｲｽﾞ :100目×150段"));
    EXPECT_TRUE(f.state().qrnobj->chgflg);
    EXPECT_FALSE(f.mnuUndo->isEnabled());
    // "12.5" is 12, "13.5" is 14.
    modal.handle = gaugeWith(QStringLiteral("12.5"), QStringLiteral("13.5"));
    f.mnuGauge_Click();
    EXPECT_EQ(f.state().qrnobj->mee(), 12);
    EXPECT_EQ(f.state().qrnobj->dan(), 14);
}

TEST_F(Form1Test, GaugeChangesThatWouldLoseThePatternAreRefusedWithNothingChanged) {
    Form1& f = started();
    struct Case {
        int w, h, mee, dan, newMee, newDan;
    };
    for (const Case c : {Case{100, 5, 20, 100, 50, 20}, Case{100, 400, 200, 10, 10, 200}}) {
        paintPattern(f, c.w, c.h);
        f.state().qrnobj->setMee(c.mee);
        f.state().qrnobj->setDan(c.dan);
        f.state().qrnobj->chgflg = false;
        f.setUndoEnabled(true);
        const QImage before = patternImage(f);
        prompter.asked.clear();
        modal.handle = gaugeWith(QString::number(c.newMee), QString::number(c.newDan));
        f.mnuGauge_Click();
        ASSERT_EQ(prompter.asked.size(), 1u);
        EXPECT_EQ(prompter.asked[0].title, QStringLiteral("ｹﾞｰｼﾞ変更"));
        EXPECT_NE(prompter.asked[0].prompt, QStringLiteral("数値不正"));
        EXPECT_EQ(patternImage(f), before);
        EXPECT_EQ(f.state().qrnobj->mee(), c.mee);
        EXPECT_EQ(f.state().qrnobj->dan(), c.dan);
        EXPECT_FALSE(f.state().qrnobj->chgflg);
        EXPECT_TRUE(f.mnuUndo->isEnabled());
    }
}

TEST_F(Form1Test, TheStatusLabelsOpenTheGaugeAndKeepTheCropItemInStep) {
    Form1& f = started();
    int shown = 0;
    modal.handle = [&](QDialog& d) {
        ++shown;
        EXPECT_NE(dynamic_cast<frmGauge*>(&d), nullptr);
        d.reject();
    };
    QTest::mouseDClick(f.Label2, Qt::LeftButton);
    EXPECT_EQ(shown, 1);
    f.mnuSelectAll_Click();
    f.mnuSizeSel->setEnabled(false);
    QTest::mouseClick(f.Label3, Qt::LeftButton);
    EXPECT_TRUE(f.mnuSizeSel->isEnabled());
    f.mnuDispCross_Click();
    QTest::mouseDClick(f.Label1, Qt::LeftButton);
    EXPECT_EQ(shown, 1); // not in a locked view
}

TEST_F(Form1Test, ResizeKeepsTheBottomLeftCornerAndCropKeepsAtLeastFiveStitches) {
    Form1& f = started();
    paintPattern(f, 100, 100);
    const QImage before = patternImage(f);
    f.setUndoEnabled(true);
    modal.handle = [&](QDialog& d) {
        auto& g = static_cast<frmGauge&>(d);
        EXPECT_EQ(g.windowTitle(), QStringLiteral("サイズ変更"));
        EXPECT_EQ(g.DanText->text(), QStringLiteral("100"));
        g.DanText->setText(QStringLiteral("401"));
        g.comOk_Click();
        EXPECT_EQ(g.Tag, QStringLiteral("0"));
        g.comCan_Click();
    };
    f.mnuSizeNum_Click();
    EXPECT_EQ(prompter.asked.back().title, QStringLiteral("ｻｲｽﾞ変更"));
    EXPECT_TRUE(f.mnuUndo->isEnabled()); // a cancelled resize keeps the undo step

    modal.handle = gaugeWith(QStringLiteral("120"), QStringLiteral("80"));
    f.mnuSizeNum_Click();
    const QImage grown = patternImage(f);
    ASSERT_EQ(grown.size(), QSize(120, 80));
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 120; ++x)
            ASSERT_EQ(grown.pixel(x, y), x < 100 ? before.pixel(x, y + 20) : background(f)) << x << "," << y;
    EXPECT_EQ(f.Label3->text(), QStringLiteral("ｻｲｽﾞ :120目×80段"));
    EXPECT_FALSE(f.mnuUndo->isEnabled());
    EXPECT_TRUE(f.state().qrnobj->chgflg);

    // A 3 x 2 selection crops to 5 x 5 from its top-left stitch; at the bottom-right corner
    // the five stay inside the pattern, never fewer.
    selectWithTheTool(f, {10, 10}, {13, 12});
    f.mnuSizeSel_Click();
    const QImage cropped = patternImage(f);
    EXPECT_EQ(cropped, grown.copy(10, 10, 5, 5));
    EXPECT_EQ(f.Label3->text(), QStringLiteral("ｻｲｽﾞ :5目×5段"));
    selectWithTheTool(f, {3, 3}, {7, 7});
    f.mnuSizeSel_Click();
    EXPECT_EQ(patternImage(f), cropped);
    EXPECT_FALSE(f.state().qrnobj->selected);
}

TEST_F(Form1Test, MirrorNeedsASelectionAndFlippingTwiceRestores) {
    Form1& f = started();
    paintPattern(f, 40, 30);
    const QImage before = patternImage(f);
    f.mnuReverse_Click(0);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].title, QStringLiteral("鏡像処理"));
    EXPECT_FALSE(f.mnuUndo->isEnabled());

    f.mnuSelectAll_Click();
    f.mnuReverses[0]->trigger();
    EXPECT_EQ(patternImage(f), before.mirrored(false, true));
    EXPECT_TRUE(f.state().qrnobj->chgflg);
    EXPECT_TRUE(f.mnuUndo->isEnabled());
    EXPECT_FALSE(f.state().qrnobj->selected);
    f.mnuSelectAll_Click();
    f.mnuReverse_Click(0);
    EXPECT_EQ(patternImage(f), before);

    // Left to right inside a selection only.
    selectWithTheTool(f, {4, 4}, {10, 9});
    f.mnuReverse_Click(1);
    expectOnlyAreaChanged(before, patternImage(f), QRect(4, 4, 6, 5),
                          [&](int x, int y) { return before.pixel(4 + 9 - x, y); });
}

TEST_F(Form1Test, GrayscaleAsksFirstAndLeavesOnlyGreyPaletteStitches) {
    Form1& f = started();
    paintPattern(f, 30, 20);
    const QImage before = patternImage(f);
    prompter.answers = {vbCancel};
    f.mnuEditGscale_Click();
    EXPECT_EQ(prompter.asked[0].prompt, QStringLiteral("画像を16階調グレースケールに変換します"));
    EXPECT_EQ(prompter.asked[0].style, vbOKCancel);
    EXPECT_EQ(patternImage(f), before);
    EXPECT_FALSE(f.state().qrnobj->chgflg);

    f.mnuEditGscale_Click();
    const QImage grey = patternImage(f);
    QSet<QRgb> levels;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) {
            const QRgb c = grey.pixel(x, y);
            ASSERT_TRUE(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c)) << x << "," << y;
            levels.insert(c);
        }
    EXPECT_LE(levels.size(), 16);
    EXPECT_GT(levels.size(), 1);
    EXPECT_TRUE(f.state().qrnobj->chgflg);
    EXPECT_TRUE(f.mnuUndo->isEnabled());
}
