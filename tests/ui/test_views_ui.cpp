#include "app/app_paths.h"
#include "dialogs/cCommonDlg.h"
#include "support/canvas_mouse.h"
#include "support/form1_fixture.h"
#include "support/sample_images.h"
#include "tools/tool_bar.h"
#include "tools/tool_table.h"
#include "view/canvas_bitmap.h"
#include "view/frmAll.h"
#include "view/help_window.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTextBrowser>

using namespace qorn;
using qorn::test::Form1Test;

namespace {

// Writes a symbol file of raw CP932 bytes.
QString symbolFile(const QString& dir, const QString& name, const QByteArray& cp932) {
    return test::writeFile(dir + QLatin1Char('/') + name, cp932);
}

struct LockedItems {
    bool tool, edit, option, grid, whole, zoomIn, zoomOut, tbZoomIn, tbZoomOut, toolBar, undo;
};

LockedItems itemsOf(Form1& f) {
    return {f.mnuTool->menuAction()->isEnabled(),  f.mnuEdit->menuAction()->isEnabled(),
            f.mnuOption->menuAction()->isEnabled(), f.mnuGrid->menuAction()->isEnabled(),
            f.mnuDispSelection[0]->isEnabled(),     f.mnuDispSelection[1]->isEnabled(),
            f.mnuDispSelection[2]->isEnabled(),     f.tbButton(QStringLiteral("zoomin"))->isEnabled(),
            f.tbButton(QStringLiteral("zoomout"))->isEnabled(), f.TBTools->isEnabled(),
            f.mnuUndo->isEnabled()};
}

bool allOff(const LockedItems& i) {
    return !(i.tool || i.edit || i.option || i.grid || i.whole || i.zoomIn || i.zoomOut || i.tbZoomIn ||
             i.tbZoomOut || i.toolBar || i.undo);
}

} // namespace

TEST_F(Form1Test, ViewsLockEditingAndNormalViewPutsUndoBackAsItWas) {
    Form1& f = started();
    for (const bool undoBefore : {true, false}) {
        f.mnuTools_Click(tool::Line);
        test::dragOnCanvas(f, {2, 2}, {9, 2});
        if (!undoBefore) f.setUndoEnabled(false);
        f.mnuDispCross->trigger();
        EXPECT_FALSE(f.state().normalView);
        EXPECT_EQ(f.state().ToolState, tool::Off);
        EXPECT_TRUE(f.mnuDispCross->isChecked());
        EXPECT_FALSE(f.mnuDispNormal->isChecked());
        EXPECT_TRUE(allOff(itemsOf(f)));
        // From one locked view to the other, and back to normal.
        f.mnuDispSym->trigger();
        ASSERT_TRUE(f.mnuDispSym->isChecked()) << (prompter.asked.empty() ? "" : prompter.asked.back().prompt.toStdString());
        EXPECT_TRUE(allOff(itemsOf(f)));
        f.mnuDispNormal->trigger();
        const LockedItems after = itemsOf(f);
        EXPECT_TRUE(after.tool && after.edit && after.option && after.grid && after.whole && after.zoomIn &&
                    after.toolBar);
        EXPECT_EQ(after.undo, undoBefore);
        EXPECT_EQ(f.state().ToolState, tool::Pen);
        EXPECT_TRUE(f.state().normalView);
        EXPECT_EQ(test::shownCanvas(f), test::bareCanvas(f));
    }
}

TEST_F(Form1Test, ATextChartWrittenInALockedViewLeavesUndoOff) {
    Form1& f = started();
    f.mnuTools_Click(tool::Line);
    test::dragOnCanvas(f, {2, 2}, {9, 2});
    ASSERT_TRUE(f.mnuUndo->isEnabled());
    f.mnuDispCross->trigger();
    files.answers = {dir + QStringLiteral("/chart.txt")};
    f.mnuFilePrint_Click();
    ASSERT_TRUE(QFile::exists(dir + QStringLiteral("/chart.txt")));
    f.mnuDispNormal->trigger();
    EXPECT_FALSE(f.mnuUndo->isEnabled());
}

TEST_F(Form1Test, TheCanvasAndTheSavedScreenShowTheMode) {
    Form1& f = started();
    f.state().LeadSrc.setPixel(3, 3, f.state().PalTable[12]);
    for (QAction* mode : {f.mnuDispCross, f.mnuDispSym}) {
        mode->trigger();
        const QImage shown = test::shownCanvas(f);
        EXPECT_NE(shown, test::bareCanvas(f)) << mode->text().toStdString();
        files.answers = {dir + QStringLiteral("/screen.bmp")};
        f.mnuFileSaveD_Click();
        const QImage saved = QImage(dir + QStringLiteral("/screen.bmp")).convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(saved.isNull());
        EXPECT_EQ(saved, shown.copy(0, 0, saved.width(), saved.height())) << mode->text().toStdString();
        f.mnuDispNormal->trigger();
    }
}

TEST_F(Form1Test, PatternViewReportsItsSymbolFileAndFallsBackToNormal) {
    Form1& f = started();
    f.state().symFile = dir + QStringLiteral("/none.sym");
    f.mnuDispSym->trigger();
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].prompt, QStringLiteral("SYMファイルが見つかりません"));
    EXPECT_EQ(prompter.asked[0].title, QStringLiteral("ｼﾝﾎﾞﾙ表示"));
    EXPECT_TRUE(f.state().normalView);
    EXPECT_TRUE(f.mnuDispNormal->isChecked());

    struct Case {
        QByteArray bytes;
        QString prompt, title;
    };
    const Case cases[] = {
        {QByteArray(255, 'A') + "\r\n", QStringLiteral("SYMファイルが異常です"), QStringLiteral("印刷")},
        {QByteArray(99, 'A') + ',' + QByteArray(157, 'B'), QStringLiteral("SYMファイルが異常です"),
         QStringLiteral("印刷")},
        {QByteArray(257, 'A'), QStringLiteral("エラー番号9"), QStringLiteral("パターン表示")},
        {QByteArray(200, 'A') + "\x81\xFF" + QByteArray(55, 'A'), QStringLiteral("SYMファイルが異常です"),
         QStringLiteral("印刷")},
    };
    for (const Case& c : cases) {
        f.state().symFile = symbolFile(dir, QStringLiteral("bad.sym"), c.bytes);
        f.mnuDispCross->trigger(); // failing from a locked view goes back to normal
        prompter.asked.clear();
        f.mnuDispSym->trigger();
        ASSERT_EQ(prompter.asked.size(), 1u);
        EXPECT_EQ(prompter.asked[0].prompt, c.prompt);
        EXPECT_EQ(prompter.asked[0].title, c.title);
        EXPECT_TRUE(f.state().normalView);
        EXPECT_TRUE(f.mnuDispNormal->isChecked());
        EXPECT_TRUE(f.mnuTool->menuAction()->isEnabled());
    }
    // The same characters quoted, a comma among them, are accepted.
    f.state().symFile = symbolFile(dir, QStringLiteral("quoted.sym"),
                                   '"' + QByteArray(99, 'A') + ',' + QByteArray(156, 'B') + "\"\r\n");
    prompter.asked.clear();
    f.mnuDispSym->trigger();
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_TRUE(f.mnuDispSym->isChecked());
}

TEST_F(Form1Test, EveryRoadThatReplacesThePatternLeavesALockedViewFirst) {
    Form1& f = started();
    // Locking ends a placement the way Escape does.
    f.state().Lead1[0].create(4, 4, 24);
    f.state().PlaceWidth = 4;
    f.state().PlaceHeight = 4;
    f.state().ToolState = tool::Paste;
    f.mnuDispCross->trigger();
    EXPECT_EQ(f.state().PlaceWidth, 0);
    f.mnuNew_Click();
    EXPECT_TRUE(f.state().normalView);
    EXPECT_TRUE(f.mnuDispNormal->isChecked());
    EXPECT_TRUE(f.TBTools->isEnabled());
    EXPECT_FALSE(f.mnuUndo->isEnabled());
    EXPECT_EQ(f.state().ToolState, tool::Pen);

    Raster r;
    r.create(12, 8, 24);
    r.fill(0xFFFFFF);
    r.save(dir + QStringLiteral("/other.bmp"), FormatBmp);
    test::writeFile(dir + QStringLiteral("/other.qrd"), "\"bmp\",20,20,15\r\n");
    f.mnuDispCross->trigger();
    files.answers = {dir + QStringLiteral("/other.qrd")};
    f.mnuOpen_Click();
    EXPECT_EQ(f.state().LeadSrc.width(), 12);
    EXPECT_TRUE(f.state().normalView);
    EXPECT_EQ(test::shownCanvas(f), test::bareCanvas(f)); // no tiles over the new chart
}

TEST_F(Form1Test, TheOptionSubmenuFollowsTheZoom) {
    Form1& f = started();
    EXPECT_TRUE(f.mnuDispOption->isEnabled());
    f.mnuDispSelection_Click(2);
    f.mnuDispSelection_Click(2);
    f.mnuDispSelection_Click(2); // 3
    EXPECT_FALSE(f.mnuDispOption->isEnabled());
    f.mnuDispSelection_Click(1); // 4
    EXPECT_TRUE(f.mnuDispOption->isEnabled());
    f.mnuDispSelection_Click(2);
    f.mnuNew_Click();
    EXPECT_TRUE(f.mnuDispOption->isEnabled());
}

TEST_F(Form1Test, TheWholeViewShowsThePatternInItsBoxAndLeavesTheCanvasAlone) {
    Form1& f = started();
    struct Case {
        QSize pattern, picture;
    };
    for (const Case c : {Case{{200, 100}, {246, 123}}, Case{{50, 100}, {120, 239}}, Case{{5, 8000}, {1, 239}}}) {
        f.state().LeadSrc.create(c.pattern.width(), c.pattern.height(), 24);
        f.state().LeadSrc.fill(f.state().PalTable[12]);
        f.LayoutCanvas();
        const QPoint canvasAt = f.Picdisplay->pos();
        const int zoom = f.state().zoom;
        bool shown = false;
        modal.handle = [&](QDialog& d) {
            auto& form = static_cast<frmAll&>(d);
            shown = true;
            EXPECT_EQ(form.windowTitle(), QStringLiteral("全体表示"));
            EXPECT_EQ(form.content(), frmAll::Content::WholeView);
            EXPECT_EQ(form.Picture1->size(), c.picture);
            EXPECT_EQ(form.Picture1->x(), (form.width() - c.picture.width()) / 2); // centred
            const QImage picture = form.Picture1->pixmap().toImage();
            EXPECT_EQ(picture.pixel(picture.width() / 2, picture.height() / 2) | 0xff000000,
                      rgbFromColorRef(f.state().PalTable[12]) | 0xff000000);
            form.Command1->click();
        };
        f.mnuDispSelection[0]->trigger();
        EXPECT_TRUE(shown);
        EXPECT_EQ(f.state().zoom, zoom);
        EXPECT_EQ(f.Picdisplay->pos(), canvasAt);
    }
}

TEST_F(Form1Test, TheAboutBoxNamesThisProgram) {
    Form1& f = started();
    bool shown = false;
    modal.handle = [&](QDialog& d) {
        auto& form = static_cast<frmAll&>(d);
        shown = true;
        EXPECT_EQ(form.windowTitle(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
        EXPECT_EQ(form.content(), frmAll::Content::About);
        EXPECT_EQ(form.Picture1->geometry(), QRect(20, 20, 32, 32));
        EXPECT_FALSE(form.Picture1->pixmap().isNull());
        // The name and version are drawn on the form, right of the icon.
        const QImage face = form.grab().toImage();
        int ink = 0;
        for (int y = 40; y < 90; ++y)
            for (int x = 60; x < 250; ++x) ink += qGray(face.pixel(x, y)) < 100;
        EXPECT_GT(ink, 100);
        form.Command1->click();
    };
    f.mnuAbout->trigger();
    EXPECT_TRUE(shown);
}

TEST_F(Form1Test, HelpOpensItsDocumentOrSaysItCannot) {
    Form1& f = started();
    f.tbButton(QStringLiteral("help"))->trigger();
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].prompt, QStringLiteral("ヘルプを呼び出せません。"));
    ASSERT_EQ(files.helpShown.size(), 1u);
    EXPECT_EQ(files.helpShown[0], AppFile(QStringLiteral("Qorn.html")));
    QFile::copy(QStringLiteral(QORN_SOURCE_DIR "/data/Qorn.html"), AppFile(QStringLiteral("Qorn.html")));
    f.mnuHelpIndex->trigger();
    EXPECT_EQ(prompter.asked.size(), 1u); // no new message

    // The real window: one for the run, brought back by later calls.
    QtFileDialogProvider provider;
    cCommonDlg dlg(provider);
    dlg.HelpFile = AppFile(QStringLiteral("Qorn.html"));
    dlg.HelpCommand = cCommonDlg::HelpContents;
    dlg.ShowHelp();
    EXPECT_EQ(dlg.ErrNumber, 0);
    HelpWindow* window = provider.helpWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->browser()->toPlainText().contains(QStringLiteral("シンボルファイル")));
    window->hide();
    dlg.ShowHelp();
    EXPECT_EQ(provider.helpWindow(), window);
    EXPECT_TRUE(window->isVisible());
    dlg.HelpFile = dir + QStringLiteral("/missing.html");
    dlg.ShowHelp();
    EXPECT_EQ(dlg.ErrNumber, cCommonDlg::HelpUnavailable);
    // The window never keeps the program running on its own, and goes with its owner.
    EXPECT_FALSE(window->testAttribute(Qt::WA_QuitOnClose));
    QtFileDialogProvider owned;
    cCommonDlg forForm(owned);
    forForm.Form = &f;
    forForm.HelpFile = AppFile(QStringLiteral("Qorn.html"));
    forForm.HelpCommand = cCommonDlg::HelpContents;
    forForm.ShowHelp();
    ASSERT_NE(owned.helpWindow(), nullptr);
    EXPECT_EQ(owned.helpWindow()->parent(), &f);
    form.reset();
    EXPECT_EQ(owned.helpWindow(), nullptr);
}

TEST_F(Form1Test, TheChosenSymbolFileLastsUntilANewPattern) {
    Form1& f = started();
    const QString chosen = symbolFile(dir, QStringLiteral("mine.SYM"), QByteArray(256, 'Z'));
    files.answers = {chosen};
    f.mnuPatFile->trigger();
    ASSERT_EQ(files.asked.size(), 1u);
    EXPECT_EQ(files.asked[0].title, QStringLiteral("ﾊﾟﾀｰﾝﾌｧｲﾙの変更"));
    EXPECT_EQ(files.asked[0].filter, QStringLiteral("ＳＹＭ(*.SYM)|*.SYM"));
    EXPECT_EQ(files.asked[0].flags, 4096);
    EXPECT_EQ(files.asked[0].fileName, AppFile(QStringLiteral("qorn.sym")));
    EXPECT_EQ(f.state().symFile, chosen);
    files.answers = {std::nullopt};
    f.mnuPatFile->trigger();
    EXPECT_EQ(f.state().symFile, chosen);
    EXPECT_TRUE(prompter.asked.empty());
    f.mnuNew_Click();
    EXPECT_EQ(f.state().symFile, AppFile(QStringLiteral("qorn.sym")));
}
