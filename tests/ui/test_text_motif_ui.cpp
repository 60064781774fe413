// The text tool and motifs, driven through the real window.
#include "colour/frmColchk.h"
#include "common/error.h"
#include "dialogs/spin_edit.h"
#include "document/pattern_files.h"
#include "support/canvas_mouse.h"
#include "support/form1_fixture.h"
#include "colour/palette_widgets.h"
#include "view/canvas_widgets.h"
#include "tools/frmChar.h"
#include "tools/motif.h"
#include "tools/tool_bar.h"
#include "tools/tool_table.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>

#include <cmath>

using namespace qorn;
using qorn::test::clickOnCanvas;
using qorn::test::Form1Test;
using qorn::test::patternImage;
using qorn::test::pressKey;
using qorn::test::send;

namespace {

QRgb entry(Form1& f, int index) { return rgbFromColorRef(f.state().PalTable[index]); }

void hover(Form1& f, QPointF at) { send(f.Picdisplay, QEvent::MouseMove, f, at, Qt::NoButton, Qt::NoButton); }


void setGauge(Form1& f, int mee, int dan) {
    f.state().qrnobj->setMee(mee);
    f.state().qrnobj->setDan(dan);
    f.LayoutCanvas();
}

struct TextFields {
    QString text = QStringLiteral("ABC");
    QString height = QStringLiteral("10");
    QString angle = QStringLiteral("0");
};

// Chooses the text tool through its tool-bar button and answers the dialog; `seen` gets the
// dialog's choices as it measured them.
void chooseText(Form1& f, test::ScriptedModal& modal, const TextFields& fields, TextFontChoice* seen = nullptr) {
    modal.handle = [&](QDialog& d) {
        auto& c = dynamic_cast<frmChar&>(d);
        c.TxtSample->setText(fields.text);
        c.TxtHeight->setText(fields.height);
        c.TxtEscapement->setText(fields.angle);
        c.comOk_Click();
        if (seen) *seen = c.choice();
    };
    f.TBTools_ButtonClick(f.TBTools->numberOfKey(QStringLiteral("t8")));
    modal.handle = nullptr;
}

// The stitches that differ, and their bounding box.
QRect changedArea(const QImage& before, const QImage& after, QRgb ink, int* count) {
    QRect box;
    *count = 0;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x)
            if (after.pixel(x, y) != before.pixel(x, y)) {
                EXPECT_EQ(after.pixel(x, y), ink) << x << "," << y;
                box |= QRect(x, y, 1, 1);
                ++*count;
            }
    return box;
}

// A saved pattern: its image and side file with background 15 (white).
QString savePattern(Form1& f, const QString& dir, const QString& base, const QStringList& rows) {
    QImage image(int(rows[0].size()), int(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, rows[y][x] == QLatin1Char('x') ? entry(f, 3) : entry(f, 15));
    image.save(dir + QLatin1Char('/') + base + QStringLiteral(".bmp"));
    return test::writeFile(dir + QLatin1Char('/') + base + QStringLiteral(".qrd"),
                           qrdText({QStringLiteral("bmp"), 20, 20, 15}));
}

QString plainPicture(const QString& path, QSize size, QRgb colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    image.save(path);
    return path;
}

void fillPattern(Form1& f, int index) {
    f.state().LeadSrc.fill(f.state().PalTable[index]);
    f.RepaintCanvas();
}

} // namespace

TEST_F(Form1Test, JapaneseTextIsWrittenInTheLeftColourAndStretchedByTheGauge) {
    Form1& f = started();
    setGauge(f, 20, 30);
    TextFontChoice choice;
    chooseText(f, modal, {QStringLiteral("編み物ABC"), QStringLiteral("12"), QStringLiteral("0")}, &choice);
    ASSERT_EQ(f.state().ToolState, tool::Text);
    ASSERT_NE(f.textDialog(), nullptr);
    EXPECT_FALSE(choice.family.isEmpty()); // a face is chosen without a click
    const TextStamp unstretched = renderTextStamp(QStringLiteral("編み物ABC"), choice, 1.0);
    EXPECT_EQ(f.state().PlaceWidth, unstretched.frame.width());
    EXPECT_EQ(f.state().PlaceHeight, int(std::nearbyint(1.5 * unstretched.frame.height())));

    f.SelectLeftColor(3);
    const QImage before = patternImage(f);
    hover(f, {4, 6});
    EXPECT_FALSE(f.state().qrnobj->selected); // the floating frame is no selection
    EXPECT_NE(test::shownCanvas(f), test::bareCanvas(f)); // but it shows
    clickOnCanvas(f, {4, 6});
    int count = 0;
    const QRect written = changedArea(before, patternImage(f), entry(f, 3), &count);
    EXPECT_GT(count, 40);
    const QRect frame(4, 6, f.state().PlaceWidth ? f.state().PlaceWidth : unstretched.frame.width(),
                      int(std::nearbyint(1.5 * unstretched.frame.height())));
    EXPECT_TRUE(frame.contains(written)) << written.x() << "," << written.y() << " " << written.width() << "x" << written.height();
    // The letters are half as tall again as the unstretched ones: they fill most of the frame.
    EXPECT_GE(written.height(), int(0.6 * frame.height()));
    EXPECT_GE(written.width(), int(0.8 * frame.width()));
    // The tool hands back to the pen and the next use starts from a fresh dialog.
    EXPECT_EQ(f.state().ToolState, tool::Pen);
    EXPECT_EQ(f.textDialog(), nullptr);
    EXPECT_TRUE(f.state().qrnobj->chgflg);
    EXPECT_EQ(test::shownCanvas(f), test::bareCanvas(f));
}

TEST_F(Form1Test, TextTurnedAQuarterFillsItsFrameAtEveryQuarter) {
    Form1& f = started();
    setGauge(f, 20, 30);
    for (const int angle : {90, 180, 270, 360}) {
        TextFontChoice choice;
        chooseText(f, modal, {QStringLiteral("ABC"), QStringLiteral("20"), QString::number(angle)}, &choice);
        const int w = f.state().PlaceWidth, h = f.state().PlaceHeight;
        TextFontChoice level = choice;
        level.angle = 0;
        const TextStamp flat = renderTextStamp(QStringLiteral("ABC"), level, 1.0);
        if (angle % 180 == 90) {
            // The text's height across, its width stretched along the rows.
            EXPECT_EQ(w, flat.frame.height()) << angle;
            EXPECT_EQ(h, int(std::nearbyint(1.5 * flat.frame.width()))) << angle;
        } else {
            EXPECT_EQ(QSize(w, h), QSize(flat.frame.width(), int(std::nearbyint(1.5 * flat.frame.height())))) << angle;
        }
        fillPattern(f, 15);
        const QImage before = patternImage(f);
        hover(f, {10, 20});
        clickOnCanvas(f, {10, 20});
        int count = 0;
        const QRect written = changedArea(before, patternImage(f), entry(f, 0), &count);
        ASSERT_GT(count, 0) << angle;
        EXPECT_TRUE(QRect(10, 20, w, h).contains(written)) << angle;
        // The text runs along the frame's long side and fills it, stretched along the rows when
        // turned upright.
        if (angle % 180 == 90) EXPECT_GE(written.height(), int(0.8 * h)) << angle;
        else EXPECT_GE(written.width(), int(0.8 * w)) << angle;
        EXPECT_GE(std::min(written.width() / double(w), written.height() / double(h)), 0.5) << angle;
    }
}

TEST_F(Form1Test, TextDialogRefusesItsFieldsInOrderAndCancelGoesBackToThePen) {
    Form1& f = started();
    std::vector<std::pair<QString, QString>> said;
    modal.handle = [&](QDialog& d) {
        auto& c = dynamic_cast<frmChar&>(d);
        EXPECT_EQ(c.windowTitle(), QStringLiteral("ﾌｫﾝﾄの表示"));
        EXPECT_EQ(c.TxtSample->text(), QStringLiteral("ABC"));
        EXPECT_EQ(c.TxtHeight->text(), QStringLiteral("10"));
        EXPECT_EQ(c.TxtWeight->text(), QStringLiteral("4"));
        EXPECT_GE(c.FontList->currentRow(), 0);
        const struct {
            const char *angle, *height, *width, *weight, *message;
        } cases[] = {
            {"-1", "2", "-1", "0", "角度が不正です"}, {"361", "3", "0", "1", "角度が不正です"},
            {"0", "2", "abc", "0", "高さが不正です"}, {"0", "201", "0", "4", "高さが不正です"},
            {"0", "200", "201", "0", "幅が不正です"}, {"0", "200", "200", "10", "太さが不正です"},
            {"360", "3", "0", "x", "太さが不正です"},
        };
        for (const auto& k : cases) {
            c.TxtEscapement->setText(QString::fromUtf8(k.angle));
            c.TxtHeight->setText(QString::fromUtf8(k.height));
            c.TxtWidth->setText(QString::fromUtf8(k.width));
            c.TxtWeight->setText(QString::fromUtf8(k.weight));
            const size_t before = prompter.asked.size();
            c.comOk_Click();
            ASSERT_EQ(prompter.asked.size(), before + 1) << k.message;
            EXPECT_EQ(prompter.asked.back().prompt, QString::fromUtf8(k.message));
            EXPECT_EQ(prompter.asked.back().title, QStringLiteral("文字入力"));
            EXPECT_EQ(c.cx, 0);
        }
        c.comCan_Click();
    };
    f.mnuTools.value(100)->trigger();
    EXPECT_EQ(modal.shown, 1);
    EXPECT_EQ(f.state().ToolState, tool::Pen);
    EXPECT_EQ(f.state().PlaceWidth, 0);
    EXPECT_TRUE(f.mnuTool->menuAction()->isEnabled());
}

TEST_F(Form1Test, OnlyFontsThatTurnOfferTheAngle) {
    Form1& f = started();
    bool turnable = false;
    modal.handle = [&](QDialog& d) {
        auto& c = dynamic_cast<frmChar&>(d);
        EXPECT_TRUE(c.TxtEscapement->isEnabled()); // every font here can be turned
        c.isScalable = [&](const QString&) { return turnable; };
        c.FontList_Click();
        EXPECT_FALSE(c.TxtEscapement->isEnabled());
        EXPECT_FALSE(c.LblEscapement->isEnabled());
        // A bad angle in a field that is not offered is no reason to refuse.
        c.TxtEscapement->setText(QStringLiteral("-5"));
        c.comOk_Click();
        EXPECT_GT(c.cx, 0);
        EXPECT_EQ(c.position, 0);
    };
    f.mnuTools.value(100)->trigger();
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ(f.state().ToolState, tool::Text);
}

TEST_F(Form1Test, RightClickOrEscapeDropsTheTextAndWritesNothing) {
    Form1& f = started();
    chooseText(f, modal, {});
    const QImage before = patternImage(f);
    hover(f, {3, 3});
    clickOnCanvas(f, {3, 3}, Qt::RightButton);
    EXPECT_EQ(patternImage(f), before);
    EXPECT_TRUE(f.state().qrnobj->chgflg);
    EXPECT_EQ(f.state().ToolState, tool::Pen);
    EXPECT_EQ(f.textDialog(), nullptr);

    chooseText(f, modal, {});
    hover(f, {3, 3});
    pressKey(f, Qt::Key_Escape);
    EXPECT_EQ(f.state().ToolState, tool::Pen);
    EXPECT_EQ(f.state().PlaceWidth, 0);
    clickOnCanvas(f, {20, 20}); // the pen again: one stitch
    EXPECT_EQ(patternImage(f).pixel(20, 20), entry(f, 0));
    EXPECT_EQ(patternImage(f).pixel(21, 20), before.pixel(21, 20));
}

TEST_F(Form1Test, TheTextColourButtonChoosesTheLeftColour) {
    Form1& f = started();
    modal.handle = [&](QDialog& d) {
        if (auto* colours = dynamic_cast<frmColchk*>(&d)) {
            EXPECT_EQ(colours->mode(), frmColchk::Mode::TextColour);
            colours->Picture1_MouseDown(Qt::LeftButton, 3.5, 0.5); // cell 3
            colours->comOk_Click();
            return;
        }
        auto& c = dynamic_cast<frmChar&>(d);
        c.comCol_Click();
        EXPECT_TRUE(c.lblCol->styleSheet().contains(QStringLiteral("#%1").arg(entry(f, 3) & 0xffffff, 6, 16, QLatin1Char('0'))));
        c.comOk_Click();
    };
    f.mnuTools.value(100)->trigger();
    EXPECT_EQ(f.state().LeftIndex, 3);
    const QImage before = patternImage(f);
    hover(f, {1, 1});
    clickOnCanvas(f, {1, 1});
    int count = 0;
    changedArea(before, patternImage(f), entry(f, 3), &count);
    EXPECT_GT(count, 0);
}

TEST_F(Form1Test, AMotifIsShownStampedManyTimesAndUndoneOneStampAtATime) {
    Form1& f = started();
    // A diagonal of 10 stitches on a white background, 30 wide.
    QStringList rows;
    for (int y = 0; y < 10; ++y) {
        QString row(30, QLatin1Char('.'));
        row[y] = QLatin1Char('x');
        rows << row;
    }
    const QString qrd = savePattern(f, dir, QStringLiteral("flower"), rows);
    files.answers.push_back(qrd);
    f.mnuMotifSel_Click();
    ASSERT_TRUE(prompter.asked.empty()) << prompter.asked.front().prompt.toStdString();
    EXPECT_EQ(f.MotifFile, qrd);
    EXPECT_EQ(files.asked.back().title, QStringLiteral("ﾓﾁｰﾌを選ぶ"));
    // 30 x 10 stitches: a thumbnail 48 x 16, crisp, the background in the window's colour.
    const QImage thumb = f.ImgMotif->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(thumb.size(), QSize(48, 16));
    EXPECT_EQ(thumb.pixel(0, 0), entry(f, 3));
    EXPECT_EQ(thumb.pixel(47, 15), f.palette().color(QPalette::Button).rgb());
    // It shows on the main window, below the current colours.
    ASSERT_EQ(f.ImgMotif->window(), &f);
    EXPECT_TRUE(f.ImgMotif->isVisibleTo(&f));
    EXPECT_GE(f.ImgMotif->y(), f.Nowcolor->y() + f.Nowcolor->height());
    const QPoint at = f.ImgMotif->mapTo(&f, QPoint(0, 0));
    const QImage window = f.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(window.copy(QRect(at, thumb.size())), thumb);
    f.mnuTool_Click();
    EXPECT_TRUE(f.mnuMotifPaste->isEnabled());
    EXPECT_TRUE(f.mnuMotifDel->isEnabled());

    fillPattern(f, 12);
    f.mnuMotifPaste_Click();
    ASSERT_EQ(f.state().ToolState, tool::Motif);
    EXPECT_FALSE(f.mnuTool->menuAction()->isEnabled());
    // Decided once: the file may go, the placement goes on with its copy.
    QFile::remove(qrd);
    hover(f, {2, 2});
    clickOnCanvas(f, {2, 2});
    const QImage afterFirst = patternImage(f);
    hover(f, {40, 50});
    clickOnCanvas(f, {40, 50});
    const QImage afterSecond = patternImage(f);
    for (const QPoint at : {QPoint(2, 2), QPoint(40, 50)}) {
        EXPECT_EQ(afterSecond.pixel(at), entry(f, 3));                   // the motif's stitch
        EXPECT_EQ(afterSecond.pixel(at + QPoint(1, 0)), entry(f, 12));   // its background keeps red
        EXPECT_EQ(afterSecond.pixel(at + QPoint(9, 9)), entry(f, 3));
        EXPECT_EQ(afterSecond.pixel(at + QPoint(10, 9)), entry(f, 12));
    }
    EXPECT_EQ(f.state().ToolState, tool::Motif);
    EXPECT_TRUE(f.mnuUndo->isEnabled());
    f.mnuUndo_Click();
    EXPECT_EQ(patternImage(f), afterFirst);

    // The thumbnail's click starts a placement too; a right click ends it.
    f.state().qrnobj->chgflg = false;
    clickOnCanvas(f, {60, 60}, Qt::RightButton);
    EXPECT_EQ(f.state().ToolState, tool::Pen);
    EXPECT_TRUE(f.mnuTool->menuAction()->isEnabled());
    EXPECT_TRUE(f.state().qrnobj->chgflg);
    EXPECT_EQ(test::shownCanvas(f), test::bareCanvas(f));
}

TEST_F(Form1Test, MotifsLargerThanThePatternOrThePatternItselfAreRefused) {
    Form1& f = started(); // 100 x 100
    const QString fits = plainPicture(dir + QStringLiteral("/fits.bmp"), {100, 100}, entry(f, 3));
    const QString wide = plainPicture(dir + QStringLiteral("/wide.bmp"), {101, 100}, entry(f, 3));
    files.answers.push_back(fits);
    f.mnuMotifSel_Click();
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ(f.MotifFile, fits);
    files.answers.push_back(wide);
    f.mnuMotifSel_Click();
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].prompt, QStringLiteral("大きすぎるﾋﾞｯﾄﾏｯﾌﾟです"));
    EXPECT_EQ(prompter.asked[0].title, QStringLiteral("ﾓﾁｰﾌを選ぶ"));
    EXPECT_EQ(f.MotifFile, fits); // the old motif stays
    EXPECT_EQ(f.MotifFilterIndex, 2);

    // The pattern being edited, by its image or its side file, under any spelling of its path.
    const QString own = savePattern(f, dir, QStringLiteral("own"), {QStringLiteral("x.")});
    f.state().qrnobj->chgflg = false;
    ASSERT_TRUE(f.OpenPatternFile(own));
    for (const QString& chosen : {own, dir + QStringLiteral("/./own.bmp")}) {
        prompter.asked.clear();
        files.answers.push_back(chosen);
        f.mnuMotifSel_Click();
        ASSERT_EQ(prompter.asked.size(), 1u);
        EXPECT_EQ(prompter.asked[0].prompt, QStringLiteral("編集中の画像はモチーフとして選択できません"));
        EXPECT_EQ(f.MotifFile, fits);
    }

    // The other way round: the motif's file cannot be opened for editing by any road.
    const QImage shown = patternImage(f);
    prompter.asked.clear();
    files.answers.push_back(dir + QStringLiteral("/sub/../fits.bmp"));
    QDir(dir).mkdir(QStringLiteral("sub"));
    f.mnuOpen_Click();
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].prompt, QStringLiteral("選択中のﾓﾁｰﾌﾌｧｲﾙは編集できません"));
    EXPECT_EQ(prompter.asked[0].title, QStringLiteral("ﾌｧｲﾙを開く-fits"));
    EXPECT_EQ(patternImage(f), shown);
    EXPECT_TRUE(sameFile(f.state().qrnobj->savefile, dir + QStringLiteral("/own.bmp")));

    // Nor can a save write over it: the pattern would become its own motif.
    prompter.asked.clear();
    const QByteArray motifBytes = test::readFile(fits);
    files.answers.push_back(fits);
    f.mnuSaveAs_Click();
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].prompt, QStringLiteral("選択中のﾓﾁｰﾌﾌｧｲﾙは編集できません"));
    EXPECT_EQ(test::readFile(fits), motifBytes);

    // Forgotten, it opens again.
    f.mnuMotifDel_Click();
    EXPECT_TRUE(f.MotifFile.isEmpty());
    EXPECT_TRUE(f.ImgMotif->pixmap().isNull());
    f.mnuTool_Click();
    EXPECT_FALSE(f.mnuMotifPaste->isEnabled());
}

TEST_F(Form1Test, AnIconMotifStampsItsThirtyTwoSquareEntryWithItsTransparency) {
    Form1& f = started();
    const QString icon = test::writeFile(dir + QStringLiteral("/three.ico"), test::iconFile({16, 48, 32}));
    files.answers.push_back(icon);
    f.mnuMotifSel_Click();
    ASSERT_TRUE(prompter.asked.empty());
    EXPECT_EQ(f.ImgMotif->pixmap().size(), QSize(48, 48));
    fillPattern(f, 12);
    const QImage before = patternImage(f);
    // Left click on the thumbnail starts the placement.
    QMouseEvent press(QEvent::MouseButtonRelease, QPointF(5, 5), f.ImgMotif->mapToGlobal(QPointF(5, 5)),
                      Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(f.ImgMotif, &press);
    ASSERT_EQ(f.state().ToolState, tool::Motif);
    EXPECT_EQ(QSize(f.state().PlaceWidth, f.state().PlaceHeight), QSize(32, 32));
    hover(f, {-3, 10});
    clickOnCanvas(f, {-3, 10});
    const QImage after = patternImage(f);
    // The icon's orange, snapped to the palette: one entry, not the pattern's red.
    const QRgb orange = after.pixel(20, 20);
    EXPECT_NE(orange, before.pixel(20, 20));
    EXPECT_NE(f.state().PalTable.FindPalIndex(colorRefFromRgb(orange)), 0);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) {
            const bool stamped = y >= 10 && y < 42 && x >= 13 && x < 29;
            ASSERT_EQ(after.pixel(x, y), stamped ? orange : before.pixel(x, y)) << x << "," << y;
        }
    pressKey(f, Qt::Key_Escape);
    EXPECT_EQ(f.state().ToolState, tool::Pen);
    EXPECT_TRUE(f.mnuTool->menuAction()->isEnabled());
}

TEST_F(Form1Test, TheMotifOutlivesNewPatternsAndAMissingOrDamagedFileIsReported) {
    Form1& f = started();
    const QString qrd = savePattern(f, dir, QStringLiteral("m"), {QStringLiteral("x.x"), QStringLiteral(".x.")});
    files.answers.push_back(qrd);
    f.mnuMotifSel_Click();
    f.mnuNew_Click();
    EXPECT_EQ(f.MotifFile, qrd);
    EXPECT_FALSE(f.ImgMotif->pixmap().isNull());

    // Saving as its image would also rewrite its side file: refused.
    files.answers.push_back(dir + QStringLiteral("/m.bmp"));
    f.mnuSaveAs_Click();
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].prompt, QStringLiteral("選択中のﾓﾁｰﾌﾌｧｲﾙは編集できません"));
    prompter.asked.clear();

    // The side file is there but its picture is gone.
    const QByteArray picture = test::readFile(dir + QStringLiteral("/m.bmp"));
    QFile::remove(dir + QStringLiteral("/m.bmp"));
    f.mnuMotifPaste_Click();
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].prompt, QStringLiteral("ﾌｧｲﾙが見つかりません"));
    EXPECT_EQ(f.state().ToolState, tool::Pen);
    test::writeFile(dir + QStringLiteral("/m.bmp"), picture);
    prompter.asked.clear();

    test::writeFile(qrd, qrdText({QStringLiteral("bmp"), 20, 20, 300}));
    f.mnuMotifPaste_Click();
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].title, QStringLiteral("ﾓﾁｰﾌ貼り付け"));
    EXPECT_EQ(prompter.asked[0].prompt, fileErrorMessage(err::Damaged, FileCommand::MotifSelection));
    EXPECT_EQ(f.state().ToolState, tool::Pen);
    EXPECT_TRUE(f.mnuTool->menuAction()->isEnabled());

    QFile::remove(qrd);
    f.mnuMotifPaste_Click();
    ASSERT_EQ(prompter.asked.size(), 2u);
    EXPECT_EQ(prompter.asked[1].prompt, QStringLiteral("ﾌｧｲﾙが見つかりません"));
    EXPECT_EQ(f.state().ToolState, tool::Pen);
    EXPECT_TRUE(f.TBTools->isEnabled());
}
