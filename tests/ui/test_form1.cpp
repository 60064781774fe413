#include "app/Form1.h"
#include "app/app_paths.h"
#include "app/modal_runner.h"
#include "colour/palette_widgets.h"
#include "support/form1_fixture.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLockFile>
#include <QMenu>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

using namespace qorn;
using qorn::test::Form1Test;


TEST_F(Form1Test, StartsWithANewPatternAndItsStatusLine) {
    Form1& f = started();
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.windowTitle(), QStringLiteral("QORN - NoName"));
    EXPECT_EQ(f.Label1->text(), QStringLiteral("ｹﾞｰｼﾞ :20目×20段"));
    EXPECT_EQ(f.Label2->text(), QStringLiteral("ｷｬﾝﾊﾞｽ :50cm×50cm"));
    EXPECT_EQ(f.Label3->text(), QStringLiteral("ｻｲｽﾞ :100目×100段"));
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ(f.state().qrnobj->savefile, dir + QStringLiteral("/NoName.bmp"));
    EXPECT_EQ(f.state().LeftIndex, 0);
    EXPECT_EQ(f.state().RightIndex, 15);
    EXPECT_EQ(f.Palbox->marker(), 0);
    EXPECT_EQ(f.Nowcolor->leftColor(), 0x000000u);
    EXPECT_EQ(f.Nowcolor->rightColor(), 0xFFFFFFu);
}

TEST_F(Form1Test, MissingPaletteEndsTheProgramWithItsMessage) {
    QFile::remove(dir + QStringLiteral("/defpal.dat"));
    Form1& f = make();
    EXPECT_FALSE(f.Form_Load({}));
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].prompt, QStringLiteral("defpal.datが見つかりません"));
    EXPECT_EQ(prompter.asked[0].title, QStringLiteral("QORN"));
    EXPECT_EQ(prompter.asked[0].style, vbOKCancel + vbExclamation);
    EXPECT_FALSE(QFile::exists(dir + QStringLiteral("/defpal.dat")));
}

TEST_F(Form1Test, SecondInstanceShowsItsMessageAndEnds) {
    QLockFile other(dir + QStringLiteral("/qorn.lock"));
    ASSERT_TRUE(other.tryLock(0));
    Form1& f = make();
    EXPECT_FALSE(f.Form_Load({}));
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].prompt, QStringLiteral("起動は１つです"));
    EXPECT_EQ(prompter.asked[0].title, QStringLiteral("QORN"));
    EXPECT_EQ(prompter.asked[0].style, vbOKCancel + vbExclamation);
    EXPECT_FALSE(f.isVisible());
    other.unlock();
    // Once the other instance has gone, a new start succeeds.
    prompter.asked.clear();
    EXPECT_TRUE(make().Form_Load({}));
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(Form1Test, ClosingAChangedPatternAnsweredCancelKeepsEverything) {
    Form1& f = started();
    f.state().qrnobj->chgflg = true;
    f.state().LeadSrc.setPixel(3, 4, 0x0000FF);
    prompter.answers = {vbCancel};
    EXPECT_FALSE(f.close());
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].prompt, QStringLiteral("NoNameは変更されています。\r\n保存しますか？"));
    EXPECT_EQ(prompter.asked[0].title, QStringLiteral("終了"));
    EXPECT_EQ(prompter.asked[0].style, vbYesNoCancel);
    EXPECT_TRUE(f.isVisible());
    ASSERT_TRUE(f.state().qrnobj);
    EXPECT_TRUE(f.state().qrnobj->chgflg);
    EXPECT_EQ(f.state().LeadSrc.pixel(3, 4), 0x0000FFu);
}

TEST_F(Form1Test, ClosingANoNamePatternAnsweredYesAndCancelledSaveAsKeepsTheWindowOpen) {
    Form1& f = started();
    f.state().qrnobj->chgflg = true;
    prompter.answers = {vbYes};
    files.answers = {std::nullopt};
    EXPECT_FALSE(f.close());
    ASSERT_EQ(files.asked.size(), 1u);
    EXPECT_TRUE(files.asked[0].save);
    EXPECT_EQ(files.asked[0].title, QStringLiteral("名前をつけて保存"));
    EXPECT_EQ(prompter.asked.size(), 1u); // a cancelled dialog shows no message
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(f.state().qrnobj->chgflg);
    EXPECT_EQ(f.Tag, QStringLiteral("0"));
}

TEST_F(Form1Test, ClosingAnsweredNoEndsAndRemovesTheScratchFile) {
    Form1& f = started();
    const QString scratch = dir + QStringLiteral("/qrntmp.bmp");
    QFile file(scratch);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    f.state().qrnobj->chgflg = true;
    prompter.answers = {vbNo};
    EXPECT_TRUE(f.close());
    EXPECT_FALSE(QFile::exists(scratch));
    EXPECT_FALSE(f.state().qrnobj);
}

TEST_F(Form1Test, UnchangedPatternClosesWithoutAsking) {
    Form1& f = started();
    EXPECT_TRUE(f.close());
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(Form1Test, NewAsksAboutChangesAndResetsThePattern) {
    Form1& f = started();
    EditorState& s = f.state();
    s.qrnobj->chgflg = true;
    s.qrnobj->setMee(40);
    s.LeadSrc.create(30, 20, 24);
    s.RightIndex = 40;

    prompter.answers = {vbCancel};
    f.mnuNew->trigger();
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].title, QStringLiteral("新規"));
    EXPECT_EQ(prompter.asked[0].prompt, QStringLiteral("NoNameは変更されています。\r\n保存しますか？"));
    EXPECT_EQ(s.LeadSrc.width(), 30);
    EXPECT_TRUE(s.qrnobj->chgflg);

    prompter.answers = {vbYes}; // the save-as dialog is cancelled: nothing happens
    files.answers = {std::nullopt};
    f.TbMenu_ButtonClick(QStringLiteral("new"));
    EXPECT_EQ(s.LeadSrc.width(), 30);
    EXPECT_EQ(f.Tag, QStringLiteral("0"));

    prompter.answers = {vbNo};
    f.tbButton(QStringLiteral("new"))->trigger();
    EXPECT_EQ(s.LeadSrc.width(), 100);
    EXPECT_EQ(s.qrnobj->mee(), 20);
    EXPECT_EQ(s.RightIndex, 15);
    EXPECT_FALSE(s.qrnobj->chgflg);
    EXPECT_EQ(f.Label1->text(), QStringLiteral("ｹﾞｰｼﾞ :20目×20段"));
    EXPECT_FALSE(f.tbButton(QStringLiteral("undo"))->isEnabled());
}

TEST_F(Form1Test, StatusLineRoundsCentimetresHalfToEven) {
    Form1& f = started();
    f.state().LeadSrc.create(105, 100, 24);
    f.RefreshStatus();
    EXPECT_EQ(f.Label2->text(), QStringLiteral("ｷｬﾝﾊﾞｽ :52cm×50cm"));
    EXPECT_EQ(f.Label3->text(), QStringLiteral("ｻｲｽﾞ :105目×100段"));
    f.state().LeadSrc.create(115, 100, 24);
    f.RefreshStatus();
    EXPECT_EQ(f.Label2->text(), QStringLiteral("ｷｬﾝﾊﾞｽ :58cm×50cm"));
}

TEST_F(Form1Test, MainToolbarHasItsSixteenKeyedButtons) {
    Form1& f = started();
    const QStringList keys = {"new", "open", "save", "print", "cut", "copy", "paste", "delete",
                              "undo", "zoomin", "zoomout", "colcheck", "quantize", "colchg", "gauge", "help"};
    const QStringList tips = {"新規", "開く", "上書き保存", "印刷", "切り取り", "コピー", "貼り付け", "削除",
                              "元に戻す", "拡大", "縮小", "使用色ﾁｪｯｸ", "減色", "特定色変換", "ゲージ変更", "ヘルプ"};
    QStringList found;
    for (QAction* a : f.TbMenu->actions())
        if (!a->isSeparator()) found << a->data().toString();
    EXPECT_EQ(found, keys);
    for (int i = 0; i < keys.size(); ++i) {
        QAction* a = f.tbButton(keys[i]);
        ASSERT_TRUE(a) << keys[i].toStdString();
        EXPECT_EQ(a->toolTip(), tips[i]);
        EXPECT_FALSE(a->icon().isNull()) << keys[i].toStdString();
    }
    // Every command is there; the selection commands wait for a selection.
    for (const char* key : {"new", "open", "save", "print", "zoomin", "zoomout", "colcheck", "quantize", "colchg",
                             "gauge", "help"})
        EXPECT_TRUE(f.tbButton(QString::fromLatin1(key))->isEnabled()) << key;
    for (const char* key : {"cut", "copy", "delete", "undo"})
        EXPECT_FALSE(f.tbButton(QString::fromLatin1(key))->isEnabled()) << key;
    f.TbMenu_ButtonClick(QStringLiteral("nosuchkey"));
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(Form1Test, FileMenuHoldsItsCommands) {
    Form1& f = started();
    QStringList captions;
    for (QAction* a : f.mnuFile->actions())
        if (!a->isSeparator() && a->isVisible()) captions << a->text();
    EXPECT_EQ(captions, QStringList({QStringLiteral("新規(&N)"), QStringLiteral("開く(&O)..."),
                                     QStringLiteral("上書き保存(&S)"), QStringLiteral("名前をつけて保存(&A)..."),
                                     QStringLiteral("描画画面の保存(&V)..."), QStringLiteral("印刷(&P)..."),
                                     QStringLiteral("ﾃｷｽﾄﾌｧｲﾙに出力(&F)..."),
                                     QStringLiteral("終了(&X)")}));
    EXPECT_EQ(f.mnuFile->title(), QStringLiteral("ファイル(&F)"));
}

TEST_F(Form1Test, PaletteClicksChooseTheLeftAndRightColours) {
    Form1& f = started();
    const int cell = PaletteBox::kCell;
    const QPoint cell35(3 * cell + cell / 2, 2 * cell + cell / 2);
    QTest::mouseClick(f.Palbox, Qt::LeftButton, {}, cell35);
    EXPECT_EQ(f.state().LeftIndex, 35);
    EXPECT_EQ(f.Palbox->marker(), 35);
    EXPECT_EQ(f.state().canvasForeColor, f.state().PalTable[35]);
    EXPECT_EQ(f.Nowcolor->leftColor(), f.state().PalTable[35]);

    const QPoint cell255(15 * cell + cell / 2, 15 * cell + cell / 2);
    QTest::mouseClick(f.Palbox, Qt::RightButton, {}, cell255);
    EXPECT_EQ(f.state().RightIndex, 255);
    EXPECT_EQ(f.state().LeftIndex, 35);
    QTest::mouseClick(f.Palbox, Qt::MiddleButton, Qt::ShiftModifier, cell35);
    EXPECT_EQ(f.state().RightIndex, 35);
    EXPECT_EQ(f.Nowcolor->rightColor(), f.state().PalTable[35]);

    // Below the last row nothing changes.
    f.Palbox_MouseDown(Qt::LeftButton, 2.0, 16.0);
    EXPECT_EQ(f.state().LeftIndex, 35);
}

TEST_F(Form1Test, EveryPixelOfThePaletteSelectsTheCellItShows) {
    Form1& f = started();
    f.Palbox->setMarker(0);
    const QImage shown = f.Palbox->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), QSize(16 * PaletteBox::kCell, 16 * PaletteBox::kCell));
    // The corners of every cell, the last pixel column and row included; right clicks leave
    // the marker frame on cell 0, whose pixels are skipped.
    const int k = PaletteBox::kCell;
    for (int row = 0; row < 16; ++row)
        for (int col = 0; col < 16; ++col)
            for (const QPoint at : {QPoint(col * k, row * k), QPoint(col * k + k - 1, row * k),
                                    QPoint(col * k, row * k + k - 1), QPoint(col * k + k - 1, row * k + k - 1)}) {
                if (row == 0 && col == 0) continue;
                QTest::mouseClick(f.Palbox, Qt::RightButton, {}, at);
                ASSERT_EQ(QColor(shown.pixel(at)).rgb(), QColor(rgbFromColorRef(f.state().PalTable[f.state().RightIndex])).rgb())
                    << at.x() << "," << at.y();
                ASSERT_EQ(f.state().RightIndex, row * 16 + col) << at.x() << "," << at.y();
            }
}

TEST_F(Form1Test, ClickingTheCurrentColoursTwiceRestoresThem) {
    Form1& f = started();
    f.SelectLeftColor(9);
    f.SelectRightColor(200);
    QTest::mouseClick(f.Nowcolor, Qt::LeftButton);
    EXPECT_EQ(f.state().LeftIndex, 200);
    EXPECT_EQ(f.state().RightIndex, 9);
    EXPECT_EQ(f.Palbox->marker(), 200);
    EXPECT_EQ(f.Nowcolor->leftColor(), f.state().PalTable[200]);
    QTest::mouseClick(f.Nowcolor, Qt::LeftButton);
    EXPECT_EQ(f.state().LeftIndex, 9);
    EXPECT_EQ(f.state().RightIndex, 200);
    EXPECT_EQ(f.Palbox->marker(), 9);
}

TEST_F(Form1Test, StatusRefreshResetsTheLeftColourOnly) {
    Form1& f = started();
    f.SelectLeftColor(77);
    f.SelectRightColor(88);
    f.RefreshStatus();
    EXPECT_EQ(f.state().LeftIndex, 0);
    EXPECT_EQ(f.state().RightIndex, 88);
    EXPECT_EQ(f.Palbox->marker(), 0);
    // The canvas drawing colour is not touched by the refresh.
    EXPECT_EQ(f.state().canvasForeColor, f.state().PalTable[77]);
}

TEST_F(Form1Test, CommandLineFileThatCannotBeOpenedLeavesTheNewPattern) {
    Form1& f = make();
    EXPECT_TRUE(f.Form_Load(dir + QStringLiteral("/missing/rose.bmp")));
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].prompt, QStringLiteral("エラー番号20010"));
    EXPECT_EQ(prompter.asked[0].title, QStringLiteral("開く"));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("QORN - NoName"));
    EXPECT_EQ(f.state().LeadSrc.width(), 100);
}
