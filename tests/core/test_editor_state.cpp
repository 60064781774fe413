#include "app/app_paths.h"
#include "app/editor_state.h"
#include "support/sample_images.h"

#include <gtest/gtest.h>

using namespace qorn;

TEST(AppFile, JoinsWithOneSeparator) {
    setProgramFolderOverride(QStringLiteral("/opt/qorn"));
    EXPECT_EQ(AppFile(QStringLiteral("defpal.dat")), QStringLiteral("/opt/qorn/defpal.dat"));
    setProgramFolderOverride(QStringLiteral("/"));
    EXPECT_EQ(AppFile(QStringLiteral("qrntmp.bmp")), QStringLiteral("/qrntmp.bmp"));
    setProgramFolderOverride({});
}

TEST(InitPattern, GivesAWhiteHundredByHundredAtGaugeTwenty) {
    setProgramFolderOverride(QStringLiteral("/opt/qorn"));
    EditorState s;
    s.PalTable.set(0, 0x0000FF);
    s.PalTable.set(15, 0xFFFFFF);
    s.zoom = 9;
    s.LineWidth = 3;
    s.normalView = false;
    s.LeftIndex = 7;
    s.initPattern();
    ASSERT_TRUE(s.qrnobj);
    EXPECT_EQ(s.qrnobj->savefile, QStringLiteral("/opt/qorn/NoName.bmp"));
    EXPECT_EQ(s.symFile, QStringLiteral("/opt/qorn/qorn.sym"));
    EXPECT_EQ(s.LeadSrc.width(), 100);
    EXPECT_EQ(s.LeadSrc.height(), 100);
    EXPECT_EQ(s.LeadSrc.bitsPerPixel(), 24);
    EXPECT_EQ(s.LeadSrc.colorCount(), 1);
    EXPECT_EQ(s.LeadSrc.pixel(57, 99), 0xFFFFFFu);
    EXPECT_EQ(s.qrnobj->mee(), 20);
    EXPECT_EQ(s.qrnobj->dan(), 20);
    EXPECT_EQ(s.qrnobj->asp1(), 1.0f);
    EXPECT_EQ(s.qrnobj->asp2(), 1.0f);
    EXPECT_FALSE(s.qrnobj->chgflg);
    EXPECT_FALSE(s.qrnobj->selected);
    EXPECT_EQ(s.RightIndex, 15);
    EXPECT_EQ(s.LeftIndex, 7); // the status refresh resets it, not the pattern
    EXPECT_EQ(s.zoom, 6);
    EXPECT_EQ(s.LineWidth, 1);
    EXPECT_TRUE(s.normalView);
    EXPECT_EQ(s.canvasForeColor, 0x0000FFu);
    EXPECT_EQ(s.canvasBackColor, 0xFFFFFFu);

    // A second new pattern resets a changed document.
    s.qrnobj->chgflg = true;
    s.qrnobj->selected = true;
    s.qrnobj->smpx = 4;
    s.qrnobj->empy = 9;
    s.qrnobj->setMee(30);
    s.LeadSrc.create(7, 3, 24);
    s.initPattern();
    EXPECT_FALSE(s.qrnobj->chgflg);
    EXPECT_FALSE(s.qrnobj->selected);
    EXPECT_EQ(s.qrnobj->smpx, 0);
    EXPECT_EQ(s.qrnobj->empy, 0);
    EXPECT_EQ(s.qrnobj->mee(), 20);
    EXPECT_EQ(s.LeadSrc.width(), 100);
    setProgramFolderOverride({});
}

TEST(StatusTexts, NewPatternLabels) {
    const StatusTexts t = statusTexts(100, 100, 20, 20);
    EXPECT_EQ(t.gauge, QStringLiteral("ｹﾞｰｼﾞ :20目×20段"));
    EXPECT_EQ(t.canvas, QStringLiteral("ｷｬﾝﾊﾞｽ :50cm×50cm"));
    EXPECT_EQ(t.size, QStringLiteral("ｻｲｽﾞ :100目×100段"));
}

TEST(StatusTexts, CentimetresRoundHalfToEven) {
    EXPECT_EQ(statusTexts(105, 100, 20, 20).canvas, QStringLiteral("ｷｬﾝﾊﾞｽ :52cm×50cm"));
    EXPECT_EQ(statusTexts(115, 100, 20, 20).canvas, QStringLiteral("ｷｬﾝﾊﾞｽ :58cm×50cm"));
    // 33 rows at 22 rows per 10 cm is 15 cm exactly; 37 stitches at 17 is 21.76.
    EXPECT_EQ(statusTexts(37, 33, 17, 22).canvas, QStringLiteral("ｷｬﾝﾊﾞｽ :22cm×15cm"));
    EXPECT_EQ(statusTexts(37, 33, 17, 22).gauge, QStringLiteral("ｹﾞｰｼﾞ :17目×22段"));
}
