#include "app/recent_files.h"
#include "dialogs/spin_edit.h"
#include "document/pattern_files.h"
#include "import/frmBmp.h"
#include "support/canvas_mouse.h"
#include "support/form1_fixture.h"
#include "support/sample_images.h"
#include "tools/tool_table.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QApplication>
#include <QDir>

using namespace qorn;
using qorn::test::readFile;
using qorn::test::Form1Test;

namespace {


// Fills the import dialog and presses OK.
std::function<void(QDialog&)> importWith(std::function<void(frmBmp&)> fill) {
    return [fill](QDialog& d) {
        auto& dialog = static_cast<frmBmp&>(d);
        fill(dialog);
        dialog.Command1_Click();
    };
}

} // namespace

TEST_F(Form1Test, OpeningThroughTheSideFileAsksAndTakesItsGauge) {
    Form1& f = started();
    Raster r;
    r.create(30, 20, 24);
    r.fill(f.state().PalTable[40]);
    r.save(dir + QStringLiteral("/rose.pcx"), FormatPcx);
    test::writeFile(dir + QStringLiteral("/rose.qrd"), "\"pcx\",22,30,12\r\n");
    test::writeFile(dir + QStringLiteral("/rose.bmp"), "not this one");
    files.answers = {dir + QStringLiteral("/rose.bmp")};
    prompter.answers = {vbYes};
    f.tbButton(QStringLiteral("open"))->trigger();
    ASSERT_EQ(files.asked.size(), 1u);
    EXPECT_EQ(files.asked[0].title, QStringLiteral("ファイルを開く"));
    EXPECT_EQ(files.asked[0].flags, 4096);
    EXPECT_EQ(files.asked[0].filterIndex, 1);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].prompt, QStringLiteral("QRDﾌｧｲﾙのﾊﾟﾗﾒｰﾀを使用しますか？"));
    EXPECT_EQ(prompter.asked[0].title, QStringLiteral("ﾌｧｲﾙを開く-rose"));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("QORN - rose"));
    EXPECT_EQ(f.state().qrnobj->savefile, dir + QStringLiteral("/rose.pcx"));
    EXPECT_EQ(f.Label1->text(), QStringLiteral("ｹﾞｰｼﾞ :22目×30段"));
    EXPECT_EQ(f.state().RightIndex, 12);
    EXPECT_FALSE(f.state().qrnobj->chgflg);
    EXPECT_EQ(RecentFiles::entries(), QStringList{dir + QStringLiteral("/rose.bmp")});
    EXPECT_TRUE(f.mnuFileRecent[1]->isVisible());
    // The next open dialog starts on the PCX filter.
    f.mnuOpen_Click();
    EXPECT_EQ(files.asked.back().filterIndex, 4);
}

TEST_F(Form1Test, ImportReplacesThePatternWhenAsked) {
    Form1& f = started();
    test::photoLikeImage(640, 480).save(dir + QStringLiteral("/photo.png"));
    modal.handle = importWith([](frmBmp& d) {
        EXPECT_EQ(d.txtMax->text(), QStringLiteral("200"));
        EXPECT_EQ(d.Label1->text(), QStringLiteral("640×480ﾄﾞｯﾄの画像を"));
        EXPECT_TRUE(d.Check1->isEnabled());
        d.txtCol->setText(QStringLiteral("16"));
        d.Check1->setChecked(true);
    });
    files.answers = {dir + QStringLiteral("/photo.png")};
    f.mnuOpen_Click();
    EXPECT_EQ(modal.shown, 1);
    EXPECT_EQ(f.state().LeadSrc.width(), 200);
    EXPECT_EQ(f.state().LeadSrc.height(), 150);
    EXPECT_LE(f.state().LeadSrc.colorCount(), 16);
    EXPECT_TRUE(f.state().qrnobj->chgflg);
    EXPECT_EQ(f.state().qrnobj->savefile, dir + QStringLiteral("/photo.png"));
    EXPECT_EQ(f.Label3->text(), QStringLiteral("ｻｲｽﾞ :200目×150段"));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("QORN - photo"));
}

TEST_F(Form1Test, ImportPlacesThePictureWhereTheMouseClicks) {
    Form1& f = started();
    QImage small(12, 8, QImage::Format_RGB32);
    small.fill(qRgb(255, 0, 0));
    small.save(dir + QStringLiteral("/red.bmp"));
    modal.handle = importWith([](frmBmp&) {});
    files.answers = {dir + QStringLiteral("/red.bmp")};
    f.mnuOpen_Click();
    EXPECT_EQ(f.state().ToolState, tool::Paste);
    EXPECT_EQ(f.state().PlaceWidth, 12);
    f.Picdisplay_MouseMove(0, false, 95.0, 96.0);
    f.Picdisplay_MouseDown(1, false, 95.0, 96.0);
    f.Picdisplay_MouseUp(1, false, 95.0, 96.0);
    // Clipped at the right and bottom edges.
    EXPECT_EQ(f.state().LeadSrc.pixel(99, 99), 0x0000FFu);
    EXPECT_EQ(f.state().LeadSrc.pixel(94, 99), 0xFFFFFFu);
    EXPECT_EQ(f.state().LeadSrc.width(), 100);
    EXPECT_EQ(f.state().ToolState, tool::Pen);
}

TEST_F(Form1Test, ImportDialogChecksItsFields) {
    Form1& f = started();
    QImage narrow(8, 20, QImage::Format_RGB32);
    narrow.fill(qRgb(0, 0, 255));
    narrow.save(dir + QStringLiteral("/narrow.bmp"));
    bool checked = false;
    modal.handle = [&](QDialog& d) {
        auto& dialog = static_cast<frmBmp&>(d);
        EXPECT_FALSE(dialog.Check1->isEnabled());
        EXPECT_FALSE(dialog.Check1->isChecked());
        for (const char* bad : {"1", "300", "many"}) {
            prompter.asked.clear();
            dialog.txtCol->setText(QString::fromLatin1(bad));
            dialog.Command1_Click();
            ASSERT_EQ(prompter.asked.size(), 1u);
            EXPECT_EQ(prompter.asked[0].prompt, QStringLiteral("色数不正"));
            EXPECT_EQ(prompter.asked[0].title, QStringLiteral("開く"));
            EXPECT_EQ(dialog.Command1Tag, QStringLiteral("0"));
        }
        dialog.txtCol->setText(QStringLiteral("8"));
        dialog.txtMax->setText(QStringLiteral("201"));
        prompter.asked.clear();
        dialog.Command1_Click();
        EXPECT_EQ(prompter.asked.at(0).prompt, QStringLiteral("大きすぎます"));
        dialog.txtMax->step(1); // the spin stays within its range
        EXPECT_EQ(dialog.txtMax->text(), QStringLiteral("200"));
        checked = true;
        dialog.Command2_Click();
    };
    files.answers = {dir + QStringLiteral("/narrow.bmp")};
    f.mnuOpen_Click();
    EXPECT_TRUE(checked);
    EXPECT_EQ(f.state().ToolState, tool::Pen); // cancelled: nothing imported
    EXPECT_EQ(f.state().LeadSrc.width(), 100);
}

TEST_F(Form1Test, ImportDialogCutsTheSameRegionWhicheverWayItIsDragged) {
    Form1& f = started();
    test::photoLikeImage(640, 480, 3).save(dir + QStringLiteral("/p.png"));
    frmBmp a(prompter, &f), b(prompter, &f);
    ASSERT_TRUE(a.load(dir + QStringLiteral("/p.png"), 0xFFFFFF));
    ASSERT_TRUE(b.load(dir + QStringLiteral("/p.png"), 0xFFFFFF));
    a.cutPreview({10, 20}, {110, 90});
    b.cutPreview({110, 90}, {10, 20});
    EXPECT_EQ(a.source().clip(), b.source().clip());
    EXPECT_EQ(a.source().clip(), QRect(20, 40, 200, 140));
    EXPECT_EQ(a.txtMax->text(), QStringLiteral("200"));
    a.cutPreview({5, 5}, {5.2, 40}); // less than a picture pixel wide: no cut
    EXPECT_EQ(a.source().clip(), QRect(20, 40, 200, 140));
}

TEST_F(Form1Test, IconWithThreeImagesListsThem) {
    Form1& f = started();
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(qRgba(0, 0, 0, 0));
    // Qt writes one image per icon file: build a three-image file from three single ones.
    QByteArray parts[3];
    for (int i = 0; i < 3; ++i) {
        const QString p = dir + QStringLiteral("/one%1.ico").arg(i);
        QImage(16 * (i + 1), 16 * (i + 1), QImage::Format_ARGB32).save(p, "ICO");
        parts[i] = readFile(p);
    }
    QByteArray ico = parts[0].left(6);
    ico[4] = 3;
    int offset = 6 + 16 * 3;
    QByteArray data;
    for (const QByteArray& part : parts) {
        QByteArray entry = part.mid(6, 16);
        const QByteArray image = part.mid(6 + 16);
        for (int k = 0; k < 4; ++k) entry[12 + k] = char((offset >> (8 * k)) & 0xff);
        ico.append(entry);
        data.append(image);
        offset += int(image.size());
    }
    ico.append(data);
    test::writeFile(dir + QStringLiteral("/three.ico"), ico);
    frmBmp d(prompter, &f);
    ASSERT_TRUE(d.load(dir + QStringLiteral("/three.ico"), 0xFFFFFF));
    ASSERT_EQ(d.Selpic->count(), 3);
    EXPECT_TRUE(d.Selpic->isVisibleTo(&d));
    EXPECT_FALSE(d.Label1->isVisibleTo(&d));
    EXPECT_EQ(d.Selpic->itemText(1), QStringLiteral("32×32(256色)"));
    d.Selpic_Click(2);
    EXPECT_EQ(d.txtMax->text(), QStringLiteral("48"));
}

TEST_F(Form1Test, LoadFailuresOfTheImportDialogAreReported) {
    Form1& f = started();
    test::writeFile(dir + QStringLiteral("/bad.png"), QByteArray(300, 'z'));
    QDir().mkpath(dir + QStringLiteral("/folder"));
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("/bad.png"), QStringLiteral("ファイルの内容が異常です")},
        {QStringLiteral("/folder"), QStringLiteral("このフォーマットには対応していません")},
    };
    for (const auto& [name, message] : cases) {
        prompter.asked.clear();
        files.answers = {dir + name};
        f.mnuOpen_Click();
        ASSERT_EQ(prompter.asked.size(), 1u) << name.toStdString();
        EXPECT_EQ(prompter.asked[0].prompt, message) << name.toStdString();
        EXPECT_EQ(prompter.asked[0].title, QStringLiteral("開く"));
        EXPECT_EQ(prompter.asked[0].style, vbOKCancel + vbExclamation);
    }
    EXPECT_EQ(modal.shown, 0);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("QORN - NoName"));
}

TEST_F(Form1Test, SaveAsProposesANameAndRecordsTheSideFile) {
    Form1& f = started();
    f.state().qrnobj->savefile = dir + QStringLiteral("/rose.pcx");
    f.state().qrnobj->chgflg = true;
    files.answers = {dir + QStringLiteral("/x_rose.bmp")};
    f.mnuSaveAs_Click();
    ASSERT_EQ(files.asked.size(), 1u);
    EXPECT_EQ(files.asked[0].fileName, QStringLiteral("x_rose.bmp"));
    EXPECT_EQ(files.asked[0].defaultExt, QStringLiteral("bmp"));
    EXPECT_EQ(files.asked[0].flags, 2070);
    EXPECT_EQ(files.asked[0].initDir, dir + QLatin1Char('/'));
    EXPECT_EQ(readFile(dir + QStringLiteral("/x_rose.qrd")), QByteArray("\"bmp\",20,20,15\r\n"));
    EXPECT_FALSE(f.state().qrnobj->chgflg);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("QORN - x_rose"));
    EXPECT_EQ(f.state().qrnobj->savefile, dir + QStringLiteral("/x_rose.bmp"));
    EXPECT_EQ(RecentFiles::entries(), QStringList{dir + QStringLiteral("/x_rose.qrd")});
    // Saving again proposes the same name, not "x_x_rose".
    files.answers = {std::nullopt};
    f.mnuSaveAs_Click();
    EXPECT_EQ(files.asked[1].fileName, QStringLiteral("x_rose.bmp"));
    EXPECT_EQ(f.Tag, QStringLiteral("1"));
}

TEST_F(Form1Test, RefusedNamesStopANewPattern) {
    Form1& f = started();
    f.state().qrnobj->chgflg = true;
    prompter.answers = {vbYes};
    files.answers = {dir + QStringLiteral("/chart.jpg")};
    f.mnuNew_Click();
    ASSERT_EQ(prompter.asked.size(), 2u);
    EXPECT_EQ(prompter.asked[1].prompt, QStringLiteral("この形式では保存できません"));
    EXPECT_EQ(prompter.asked[1].title, QStringLiteral("名前をつけて保存"));
    EXPECT_FALSE(QFile::exists(dir + QStringLiteral("/chart.jpg")));
    EXPECT_FALSE(QFile::exists(dir + QStringLiteral("/chart.qrd")));
    EXPECT_TRUE(f.state().qrnobj->chgflg); // "新規" did not happen
    files.answers = {dir + QStringLiteral("/chart.gif")};
    prompter.answers = {vbYes};
    f.mnuNew_Click();
    EXPECT_FALSE(QFile::exists(dir + QStringLiteral("/chart.qrd")));
}

TEST_F(Form1Test, OverwriteSaveAsksAndWritesTheSelection) {
    Form1& f = started();
    files.answers = {dir + QStringLiteral("/p.bmp")};
    f.mnuSaveAs_Click();
    f.state().qrnobj->selected = true;
    f.state().qrnobj->smpx = 2;
    f.state().qrnobj->smpy = 3;
    f.state().qrnobj->empx = 11;
    f.state().qrnobj->empy = 7;
    f.state().qrnobj->chgflg = true;
    prompter.answers = {vbYes};
    f.tbButton(QStringLiteral("save"))->trigger();
    EXPECT_EQ(prompter.asked.back().prompt, QStringLiteral("選択した部分を上書き保存しますか？"));
    EXPECT_EQ(prompter.asked.back().title, QStringLiteral("上書き保存-p"));
    Raster saved;
    saved.load(dir + QStringLiteral("/p.bmp"), 0);
    EXPECT_EQ(QSize(saved.width(), saved.height()), QSize(10, 5));
    EXPECT_FALSE(f.state().qrnobj->selected);
    // Only a part was saved: closing must still ask about the rest of the chart.
    EXPECT_TRUE(f.state().qrnobj->chgflg);
    EXPECT_EQ(f.state().LeadSrc.width(), 100); // the pattern stays whole
}

TEST_F(Form1Test, RecentFilesShiftAndCompareExactly) {
    Form1& f = started();
    for (const char* name : {"A", "B", "C", "D", "E"}) f.RememberFile(dir + QLatin1Char('/') + QLatin1String(name));
    EXPECT_EQ(RecentFiles::entries(), (QStringList{dir + "/E", dir + "/D", dir + "/C", dir + "/B"}));
    f.RememberFile(dir + QStringLiteral("/B"));
    EXPECT_EQ(RecentFiles::entries().first(), dir + QStringLiteral("/E"));
    EXPECT_TRUE(f.IsRecentFile(dir + QStringLiteral("/C")));
    EXPECT_FALSE(f.IsRecentFile(dir + QStringLiteral("/c")));
    f.RememberFile(dir + QStringLiteral("/e"));
    EXPECT_EQ(RecentFiles::entries().first(), dir + QStringLiteral("/e"));
    EXPECT_EQ(f.mnuFileRecent[2]->text(), dir + QStringLiteral("/E"));
}

TEST_F(Form1Test, EmptyRecentListHidesTheMenuEntries) {
    Form1& f = started();
    for (int k = 0; k <= 4; ++k) EXPECT_FALSE(f.mnuFileRecent[k]->isVisible()) << k;
}

TEST_F(Form1Test, RecentEntryOpensThroughItsSideFile) {
    Form1& f = started();
    files.answers = {dir + QStringLiteral("/kept.bmp")};
    f.mnuSaveAs_Click();
    prompter.answers = {vbNo};
    f.mnuNew_Click();
    prompter.asked.clear();
    f.mnuFileRecent[1]->trigger();
    EXPECT_TRUE(prompter.asked.empty()); // a .qrd path opens without a question
    EXPECT_EQ(f.windowTitle(), QStringLiteral("QORN - kept"));
    EXPECT_EQ(f.state().qrnobj->savefile, dir + QStringLiteral("/kept.bmp"));
}

TEST_F(Form1Test, DrawingScreenIsSavedAsShown) {
    Form1& f = started();
    f.state().qrnobj->chgflg = true;
    files.answers = {dir + QStringLiteral("/screen.bmp")};
    f.mnuFileSaveD_Click();
    EXPECT_EQ(files.asked[0].title, QStringLiteral("Open File"));
    QImage saved(dir + QStringLiteral("/screen.bmp"));
    ASSERT_EQ(saved.size(), QSize(600, 600));
    EXPECT_EQ(saved.pixel(0, 10), 0xff000000u); // the grid line at x = 0 on white
    EXPECT_EQ(saved.pixel(3, 10), 0xffffffffu);
    EXPECT_TRUE(f.state().qrnobj->chgflg);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("QORN - NoName"));
    files.answers = {dir + QStringLiteral("/no/folder/screen.bmp")};
    f.mnuFileSaveD_Click();
    // The dialog refuses such a name; a folder that vanished after it reads as a bad name.
    EXPECT_EQ(prompter.asked.back().prompt, QStringLiteral("ファイル名が無効です"));
    EXPECT_FALSE(QFile::exists(dir + QStringLiteral("/no")));
    EXPECT_EQ(prompter.asked.back().title, QStringLiteral("描画画面の保存"));
}

namespace {

// A white pattern file with its side file, as a user would have saved it.
QString savedChart(const QString& dir, const QString& base, int w, int h, int mee = 20, int dan = 20) {
    Raster r;
    r.create(w, h, 24);
    r.fill(0xFFFFFF);
    r.save(dir + QLatin1Char('/') + base + QStringLiteral(".bmp"), FormatBmp);
    test::writeFile(dir + QLatin1Char('/') + base + QStringLiteral(".qrd"),
                    QStringLiteral("\"bmp\",%1,%2,15\r\n").arg(mee).arg(dan).toLatin1());
    return dir + QLatin1Char('/') + base + QStringLiteral(".qrd");
}

QSize sizeOfFile(const QString& path) {
    Raster r;
    r.load(path, 0);
    return {r.width(), r.height()};
}

} // namespace

TEST_F(Form1Test, AClickWithTheSelectToolNeverCropsASave) {
    Form1& f = started();
    files.answers = {dir + QStringLiteral("/p.bmp")};
    f.mnuSaveAs_Click();
    f.mnuSelect_Click();
    test::clickOnCanvas(f, {5, 5});
    EXPECT_FALSE(f.state().qrnobj->selected);
    f.state().qrnobj->chgflg = true;
    prompter.answers = {vbYes};
    f.mnuSave_Click();
    EXPECT_EQ(prompter.asked.back().prompt, QStringLiteral("上書き保存しますか？"));
    EXPECT_EQ(sizeOfFile(dir + QStringLiteral("/p.bmp")), QSize(100, 100));
    EXPECT_FALSE(f.state().qrnobj->chgflg);
    test::clickOnCanvas(f, {7, 7});
    files.answers = {dir + QStringLiteral("/q.bmp")};
    f.mnuSaveAs_Click();
    EXPECT_EQ(files.asked.back().title, QStringLiteral("名前をつけて保存"));
    EXPECT_EQ(sizeOfFile(dir + QStringLiteral("/q.bmp")), QSize(100, 100));
}

TEST_F(Form1Test, ASelectionEndsWithEveryNewPattern) {
    Form1& f = started();
    f.mnuSelect_Click();
    test::dragOnCanvas(f, {2, 2}, {8, 6});
    ASSERT_TRUE(f.state().qrnobj->selected);
    prompter.answers = {vbNo}; // the drawing need not be kept
    f.state().qrnobj->chgflg = false;
    files.answers = {savedChart(dir, QStringLiteral("other"), 30, 20)};
    f.mnuOpen_Click();
    ASSERT_EQ(f.state().LeadSrc.width(), 30);
    EXPECT_FALSE(f.state().qrnobj->selected);
    EXPECT_FALSE(f.tbButton(QStringLiteral("undo"))->isEnabled());
    EXPECT_TRUE(test::shownCanvas(f) == test::bareCanvas(f)); // no frame left behind
    // The next overwrite save writes the whole of the newly opened chart.
    f.state().qrnobj->chgflg = true;
    prompter.answers = {vbYes};
    f.mnuSave_Click();
    EXPECT_EQ(prompter.asked.back().prompt, QStringLiteral("上書き保存しますか？"));
    EXPECT_EQ(sizeOfFile(dir + QStringLiteral("/other.bmp")), QSize(30, 20));
    // And "新規".
    f.mnuSelect_Click();
    test::dragOnCanvas(f, {2, 2}, {8, 6});
    ASSERT_TRUE(f.state().qrnobj->selected);
    f.state().qrnobj->chgflg = false;
    f.mnuNew_Click();
    EXPECT_FALSE(f.state().qrnobj->selected);
    EXPECT_FALSE(f.tbButton(QStringLiteral("cut"))->isEnabled());
}

TEST_F(Form1Test, PlacingAPictureKeepsThePatternsName) {
    Form1& f = started();
    files.answers = {dir + QStringLiteral("/keep.bmp")};
    f.mnuSaveAs_Click();
    QImage red(12, 8, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    red.save(dir + QStringLiteral("/red.png"));
    const QByteArray picture = readFile(dir + QStringLiteral("/red.png"));
    modal.handle = importWith([](frmBmp& d) { d.Check1->setChecked(false); });
    files.answers = {dir + QStringLiteral("/red.png")};
    f.mnuOpen_Click();
    ASSERT_EQ(f.state().ToolState, tool::Paste);
    EXPECT_EQ(f.state().qrnobj->savefile, dir + QStringLiteral("/keep.bmp"));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("QORN - keep"));
    f.Picdisplay_MouseMove(0, false, 3, 3);
    f.Picdisplay_MouseDown(1, false, 3, 3);
    f.Picdisplay_MouseUp(1, false, 3, 3);
    prompter.answers = {vbYes};
    f.mnuSave_Click();
    EXPECT_EQ(readFile(dir + QStringLiteral("/red.png")), picture); // the picture is untouched
    Raster saved;
    saved.load(dir + QStringLiteral("/keep.bmp"), 24);
    EXPECT_EQ(saved.pixel(4, 4), 0x0000FFu);
    EXPECT_EQ(saved.width(), 100);
}

TEST_F(Form1Test, ASaveThatWorksAfterACancelledOneLetsTheCommandGoOn) {
    Form1& f = started();
    f.state().qrnobj->chgflg = true;
    files.answers = {std::nullopt};
    f.mnuSaveAs_Click();
    ASSERT_EQ(f.Tag, QStringLiteral("1"));
    prompter.answers = {vbYes};
    files.answers = {dir + QStringLiteral("/kept.bmp")};
    f.state().LeadSrc.setPixel(1, 1, 0x000000);
    f.mnuNew_Click();
    EXPECT_TRUE(QFile::exists(dir + QStringLiteral("/kept.bmp")));
    EXPECT_EQ(f.Tag, QStringLiteral("0"));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("QORN - NoName")); // "新規" was carried out
    EXPECT_EQ(f.state().LeadSrc.pixel(1, 1), 0xFFFFFFu);
}

TEST_F(Form1Test, TheSaveQuestionBeforeOpeningKeepsTheChartOnCancelAndOnAFailedSave) {
    Form1& f = started();
    const QString other = savedChart(dir, QStringLiteral("other"), 30, 20);
    f.state().qrnobj->savefile = dir + QStringLiteral("/mine.bmp");
    f.state().qrnobj->chgflg = true;
    f.state().LeadSrc.setPixel(3, 3, 0x000000);
    // Cancel.
    prompter.answers = {vbCancel};
    files.answers = {other};
    f.mnuOpen_Click();
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].prompt, QStringLiteral("mineは変更されています。\n保存しますか？"));
    EXPECT_EQ(prompter.asked[0].title, QStringLiteral("ﾌｧｲﾙを開く"));
    EXPECT_EQ(prompter.asked[0].style, vbYesNoCancel);
    EXPECT_EQ(f.state().LeadSrc.width(), 100);
    EXPECT_EQ(f.state().LeadSrc.pixel(3, 3), 0x000000u);
    EXPECT_TRUE(f.state().qrnobj->chgflg);
    // Yes, and the save fails: the open stops.
    f.state().qrnobj->savefile = dir + QStringLiteral("/gone/mine.bmp");
    prompter.asked.clear();
    prompter.answers = {vbYes, vbYes};
    files.answers = {other};
    f.mnuOpen_Click();
    ASSERT_EQ(prompter.asked.size(), 3u);
    EXPECT_EQ(prompter.asked[1].title, QStringLiteral("上書き保存-mine"));
    EXPECT_EQ(prompter.asked[2].title, QStringLiteral("上書き保存"));
    EXPECT_EQ(f.state().LeadSrc.width(), 100);
    EXPECT_EQ(f.state().LeadSrc.pixel(3, 3), 0x000000u);
    EXPECT_TRUE(f.state().qrnobj->chgflg);
    EXPECT_EQ(f.Tag, QStringLiteral("1"));
}

TEST_F(Form1Test, OverwriteSaveAnsweredNoGoesToSaveAsAndCancelWritesNothing) {
    Form1& f = started();
    files.answers = {dir + QStringLiteral("/p.bmp")};
    f.mnuSaveAs_Click();
    const QByteArray before = readFile(dir + QStringLiteral("/p.bmp"));
    f.state().LeadSrc.setPixel(0, 0, 0x000000);
    f.state().qrnobj->chgflg = true;
    prompter.answers = {vbCancel};
    f.mnuSave_Click();
    EXPECT_EQ(f.Tag, QStringLiteral("1"));
    EXPECT_EQ(readFile(dir + QStringLiteral("/p.bmp")), before);
    EXPECT_TRUE(f.state().qrnobj->chgflg);
    prompter.answers = {vbNo};
    files.answers = {dir + QStringLiteral("/p2.bmp")};
    f.mnuSave_Click();
    ASSERT_EQ(files.asked.size(), 2u);
    EXPECT_TRUE(files.asked.back().save);
    EXPECT_EQ(files.asked.back().fileName, QStringLiteral("x_p.bmp"));
    EXPECT_EQ(readFile(dir + QStringLiteral("/p.bmp")), before);
    EXPECT_TRUE(QFile::exists(dir + QStringLiteral("/p2.bmp")));
    EXPECT_EQ(f.state().qrnobj->savefile, dir + QStringLiteral("/p2.bmp"));
}

TEST_F(Form1Test, TheSideFileQuestionAnsweredNoGoesThroughTheImportDialog) {
    Form1& f = started();
    savedChart(dir, QStringLiteral("rose"), 30, 20, 22, 30);
    prompter.answers = {vbNo};
    modal.handle = importWith([](frmBmp& d) { d.Check1->setChecked(true); });
    files.answers = {dir + QStringLiteral("/rose.bmp")};
    f.mnuOpen_Click();
    EXPECT_EQ(modal.shown, 1);
    EXPECT_EQ(f.state().LeadSrc.width(), 30);
    EXPECT_EQ(f.state().qrnobj->mee(), 20); // the side file's gauge was not taken
    EXPECT_TRUE(f.state().qrnobj->chgflg);
}

TEST_F(Form1Test, ImportOfAReplacingPictureNarrowerThanTenIsRefused) {
    Form1& f = started();
    QImage small(40, 30, QImage::Format_RGB32);
    small.fill(qRgb(0, 0, 255));
    small.save(dir + QStringLiteral("/small.png"));
    modal.handle = [&](QDialog& d) {
        auto& dialog = static_cast<frmBmp&>(d);
        dialog.Check1->setChecked(true);
        dialog.txtMax->setText(QStringLiteral("9"));
        dialog.Command1_Click();
        ASSERT_FALSE(prompter.asked.empty());
        EXPECT_EQ(prompter.asked.back().prompt, QStringLiteral("小さすぎます"));
        EXPECT_EQ(prompter.asked.back().title, QStringLiteral("開く"));
        EXPECT_EQ(dialog.Command1Tag, QStringLiteral("0"));
        dialog.Command2_Click();
    };
    files.answers = {dir + QStringLiteral("/small.png")};
    f.mnuOpen_Click();
    EXPECT_EQ(f.state().LeadSrc.width(), 100);
}

TEST_F(Form1Test, SaveAsOfASelectionSaysSoInItsTitle) {
    Form1& f = started();
    f.mnuSelect_Click();
    test::dragOnCanvas(f, {2, 3}, {11, 7});
    files.answers = {dir + QStringLiteral("/part.bmp")};
    f.mnuSaveAs_Click();
    EXPECT_EQ(files.asked.back().title, QStringLiteral("名前をつけて保存(部分)"));
    EXPECT_EQ(sizeOfFile(dir + QStringLiteral("/part.bmp")), QSize(9, 4));
    EXPECT_FALSE(f.state().qrnobj->selected);
    EXPECT_FALSE(f.tbButton(QStringLiteral("cut"))->isEnabled());
}

TEST_F(Form1Test, FileDialogsStartWhereTheUserLastWasNeverInTheProgramFolder) {
    Form1& f = started();
    files.answers = {std::nullopt};
    f.mnuSaveAs_Click();
    EXPECT_EQ(files.asked.back().initDir, QDir::homePath());
    files.answers = {std::nullopt};
    f.mnuOpen_Click();
    EXPECT_EQ(files.asked.back().initDir, QDir::homePath());
    QDir().mkpath(dir + QStringLiteral("/charts"));
    files.answers = {savedChart(dir + QStringLiteral("/charts"), QStringLiteral("a"), 10, 10)};
    f.mnuOpen_Click();
    ASSERT_EQ(f.state().LeadSrc.width(), 10);
    files.answers = {std::nullopt};
    f.mnuOpen_Click();
    EXPECT_EQ(files.asked.back().initDir, dir + QStringLiteral("/charts"));
    prompter.answers = {vbNo};
    f.mnuNew_Click();
    files.answers = {std::nullopt};
    f.mnuSaveAs_Click();
    EXPECT_EQ(files.asked.back().initDir, dir + QStringLiteral("/charts"));
}

TEST_F(Form1Test, RecentPathsWithAmpersandsShowAndOpenAsTheyAre) {
    Form1& f = started();
    const QString path = savedChart(dir, QStringLiteral("salt&pepper"), 12, 8);
    f.RememberFile(path);
    EXPECT_EQ(f.mnuFileRecent[1]->text(), QString(path).replace(QStringLiteral("&"), QStringLiteral("&&")));
    EXPECT_TRUE(f.IsRecentFile(path));
    f.mnuFileRecent[1]->trigger();
    EXPECT_EQ(f.state().LeadSrc.width(), 12);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("QORN - salt&pepper"));
}

TEST_F(Form1Test, AFailureInsideACommandIsReportedAndKeepsThePattern) {
    Form1& f = started();
    f.state().LeadSrc.setPixel(2, 2, 0x000000);
    f.state().undoSnapshot = QByteArray("BM not a bitmap");
    f.setUndoEnabled(true);
    f.mnuUndo->trigger();
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].title, QStringLiteral("元に戻す"));
    // Undo has no column of its own in the message table: the number is shown.
    EXPECT_EQ(prompter.asked[0].prompt, QStringLiteral("エラー番号20009"));
    EXPECT_EQ(f.state().LeadSrc.pixel(2, 2), 0x000000u);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(Form1Test, TheTextChartWritesOneLineOfSymbolsPerRow) {
    Form1& f = started();
    EditorState& s = f.state();
    s.LeadSrc.create(3, 2, 24);
    const ColorRef one = s.PalTable[1], two = s.PalTable[2], back = s.PalTable[s.RightIndex];
    const ColorRef cells[2][3] = {{one, two, one}, {two, two, back}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) s.LeadSrc.setPixel(x, y, cells[y][x]);
    f.LayoutCanvas();
    QByteArray symbols(256, 'Z');
    symbols[1] = 'A';
    symbols[2] = 'B';
    s.symFile = test::writeFile(dir + QStringLiteral("/ab.sym"), symbols + "\r\n");
    f.setUndoEnabled(true);
    files.answers = {dir + QStringLiteral("/chart.txt")};
    f.mnuFilePrint->trigger();
    ASSERT_EQ(files.asked.size(), 1u);
    EXPECT_EQ(files.asked[0].title, QStringLiteral("ﾃｷｽﾄﾌｧｲﾙに出力"));
    EXPECT_EQ(files.asked[0].filter, QStringLiteral("ＴＸＴ(*.txt)|*.txt|すべてのﾌｧｲﾙ(*.*)|*.*"));
    EXPECT_EQ(files.asked[0].defaultExt, QStringLiteral("txt"));
    EXPECT_EQ(files.asked[0].flags, 2070);
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ(readFile(dir + QStringLiteral("/chart.txt")), QByteArray("ABA\r\nBB\x81\x40\r\n"));
    EXPECT_FALSE(f.mnuUndo->isEnabled());

    // A selection: only its stitches, and the title says so.
    f.mnuSelect_Click();
    test::dragOnCanvas(f, {1, 0}, {3, 1});
    ASSERT_TRUE(s.qrnobj->selected);
    files.answers = {dir + QStringLiteral("/part.txt")};
    f.mnuFilePrint_Click();
    EXPECT_EQ(files.asked.back().title, QStringLiteral("ﾃｷｽﾄﾌｧｲﾙに出力(部分)"));
    EXPECT_EQ(readFile(dir + QStringLiteral("/part.txt")), QByteArray("BA\r\n"));

    // Cancel writes nothing and says nothing.
    files.answers = {std::nullopt};
    f.mnuFilePrint_Click();
    EXPECT_TRUE(prompter.asked.empty());
    // A damaged or missing symbol file is reported under the command's title.
    s.symFile = test::writeFile(dir + QStringLiteral("/short.sym"), QByteArray(100, 'A'));
    files.answers = {dir + QStringLiteral("/none.txt")};
    f.mnuFilePrint_Click();
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].prompt, QStringLiteral("SYMファイルが異常です"));
    EXPECT_EQ(prompter.asked[0].title, QStringLiteral("ﾃｷｽﾄﾌｧｲﾙに出力"));
    EXPECT_FALSE(QFile::exists(dir + QStringLiteral("/none.txt")));
    s.symFile = dir + QStringLiteral("/gone.sym");
    f.mnuFilePrint_Click();
    EXPECT_EQ(prompter.asked.back().prompt, QStringLiteral("SYMファイルが見つかりません"));
    // A field longer than the table is the run-time error, by number.
    s.symFile = test::writeFile(dir + QStringLiteral("/long.sym"), QByteArray(300, 'A'));
    files.answers = {dir + QStringLiteral("/none.txt")};
    f.mnuFilePrint_Click();
    EXPECT_EQ(prompter.asked.back().prompt, QStringLiteral("エラー番号9"));
}

TEST_F(Form1Test, SideFilesAreReadForgivinglyAndReportDamageInWords) {
    Form1& f = started();
    // The side file names the image in another case than the file has.
    Raster r;
    r.create(12, 8, 24);
    r.fill(0xFFFFFF);
    r.save(dir + QStringLiteral("/cs.bmp"), FormatBmp);
    test::writeFile(dir + QStringLiteral("/CS.QRD"), "\"BMP\",22,30,15\r\n");
    files.answers = {dir + QStringLiteral("/cs.bmp")};
    prompter.answers = {vbYes};
    f.mnuOpen_Click();
    EXPECT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(f.state().LeadSrc.width(), 12);
    EXPECT_EQ(f.Label1->text(), QStringLiteral("ｹﾞｰｼﾞ :22目×30段"));
    // Empty, wordless or oversized fields: a damaged file, said as such, and nothing changes.
    for (const QByteArray& text : {QByteArray(), QByteArray("\"bmp\",abc,20,15\r\n"),
                                   QByteArray("\"bmp\",20,99999999999,15\r\n")}) {
        test::writeFile(dir + QStringLiteral("/cs.qrd"), text);
        QFile::remove(dir + QStringLiteral("/CS.QRD"));
        prompter.asked.clear();
        prompter.answers = {vbYes};
        files.answers = {dir + QStringLiteral("/cs.qrd")};
        f.mnuOpen_Click();
        ASSERT_EQ(prompter.asked.size(), 1u) << text.constData();
        EXPECT_EQ(prompter.asked[0].prompt, QStringLiteral("ファイル内容が異常です")) << text.constData();
        EXPECT_EQ(f.Label1->text(), QStringLiteral("ｹﾞｰｼﾞ :22目×30段"));
    }
}

TEST_F(Form1Test, ACommandLineOpenIsTheLastFolderUsedInThisRunAndTheNext) {
    QDir().mkpath(dir + QStringLiteral("/w"));
    Raster r;
    r.create(12, 8, 24);
    r.fill(0xFFFFFF);
    r.save(dir + QStringLiteral("/w/p.bmp"), FormatBmp);
    test::writeFile(dir + QStringLiteral("/w/p.qrd"), "\"bmp\",20,20,15\r\n");
    Form1& f = make();
    ASSERT_TRUE(f.Form_Load(dir + QStringLiteral("/w/p.qrd")));
    ASSERT_EQ(f.state().LeadSrc.width(), 12);
    files.answers = {std::nullopt};
    f.mnuOpen_Click();
    EXPECT_EQ(files.asked.back().initDir, dir + QStringLiteral("/w"));
    form.reset();
    Form1& again = make();
    ASSERT_TRUE(again.Form_Load({}));
    files.answers = {std::nullopt};
    again.mnuSaveAs_Click();
    EXPECT_EQ(files.asked.back().initDir, dir + QStringLiteral("/w"));
}
