#include "colour/palette_widgets.h"
#include "document/recovery.h"
#include "imaging/raster.h"
#include "support/sample_images.h"
#include "support/canvas_mouse.h"
#include "support/form1_fixture.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

using namespace qorn;
using qorn::test::samePixels;
using qorn::test::dragOnCanvas;
using qorn::test::Form1Test;

namespace {

const QString kOffer = QStringLiteral("前回終了時に保存されていない図案があります。復元しますか？");

// Lets the window run until `done` holds; false after `ms` without it.
template <typename F> bool runUntil(F done, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QTest::qWait(10);
    }
    return true;
}


class RecoveryUi : public Form1Test {
protected:
    QString folder() const { return dir + QStringLiteral("/recovery"); }
    QStringList copies() const { return QDir(folder()).entryList({QStringLiteral("*.qrec")}, QDir::Files); }
    // A started window whose copy follows edits after `idleMs` of quiet.
    Form1& editor(int idleMs = 100, int longestMs = 20000) {
        Form1& f = started();
        f.setRecoveryDelays(idleMs, longestMs);
        return f;
    }
    // A stroke with the pen, then the window left alone until its copy holds the stroke.
    void strokeAndWait(Form1& f, QPointF from, QPointF to) {
        dragOnCanvas(f, from, to);
        ASSERT_TRUE(f.state().qrnobj->chgflg);
        ASSERT_TRUE(runUntil([&] { return copyHoldsPattern(f); })) << "no copy of the stroke";
    }
    static bool copyHoldsPattern(Form1& f) {
        const QString path = f.recoveryCopyPath();
        if (path.isEmpty() || !QFile::exists(path)) return false;
        RecoveryContent c;
        if (test::errorOf([&] { c = readRecoveryFile(path); })) return false;
        return samePixels(c.pattern, f.state().LeadSrc.image());
    }
    // A copy as a run that crashed leaves it.
    QString leaveOrphan(const RecoveryContent& content) {
        RecoverySession crashed(folder());
        EXPECT_TRUE(crashed.start());
        crashed.write(content);
        return crashed.copyPath();
    }
    void writeQrdPattern(const QString& name, QRgb colour, const QByteArray& qrd) {
        Raster r;
        r.create(12, 8, 24);
        r.fill(qRgb(qBlue(colour), qGreen(colour), qRed(colour)));
        r.save(dir + QLatin1Char('/') + name + QStringLiteral(".bmp"), FormatBmp);
        test::writeFile(dir + QLatin1Char('/') + name + QStringLiteral(".qrd"), qrd);
    }
};

} // namespace

TEST_F(RecoveryUi, AChangedPatternIsCopiedOnceEditingPausesAndFollowsLaterStrokes) {
    Form1& f = editor(300);
    QTest::qWait(400);
    EXPECT_TRUE(copies().isEmpty()) << "an unmodified pattern has no copy";
    dragOnCanvas(f, {2, 3}, {9, 3});
    QTest::qWait(50);
    EXPECT_TRUE(copies().isEmpty()) << "written before editing paused";
    ASSERT_TRUE(runUntil([&] { return copyHoldsPattern(f); }));
    ASSERT_EQ(copies().size(), 1);
    const RecoveryContent first = readRecoveryFile(f.recoveryCopyPath());
    EXPECT_EQ(first.mee, 20);
    EXPECT_EQ(first.dan, 20);
    EXPECT_EQ(first.background, 15);
    // Something was drawn: the copy is not the white pattern of a new start.
    QImage white(100, 100, QImage::Format_RGB32);
    white.fill(Qt::white);
    EXPECT_FALSE(samePixels(first.pattern, white));

    strokeAndWait(f, {20, 30}, {40, 30});
    EXPECT_FALSE(samePixels(readRecoveryFile(f.recoveryCopyPath()).pattern, first.pattern));
    EXPECT_EQ(copies().size(), 1) << "one copy per editor, replaced in place";
}

TEST_F(RecoveryUi, AnEditThatNeverPausesIsStillCopiedAtTheLongestDelay) {
    Form1& f = editor(5000, 300);
    QElapsedTimer t;
    t.start();
    int stitch = 0;
    // A stroke every 40 ms keeps restarting the pause; only the longest delay can write.
    while (copies().isEmpty() && t.elapsed() < 4000) {
        dragOnCanvas(f, {double(stitch % 90), 10.0 + stitch / 90}, {double(stitch % 90) + 1, 10.0 + stitch / 90});
        ++stitch;
        QTest::qWait(40);
    }
    EXPECT_FALSE(copies().isEmpty());
    EXPECT_LT(t.elapsed(), 4000);
}

TEST_F(RecoveryUi, SavingRemovesTheCopyAndTheNextChangeBringsItBack) {
    Form1& f = editor();
    strokeAndWait(f, {2, 3}, {9, 3});
    const QString copy = f.recoveryCopyPath();
    files.answers = {dir + QStringLiteral("/saved.bmp")};
    f.mnuSaveAs->trigger();
    ASSERT_TRUE(QFile::exists(dir + QStringLiteral("/saved.bmp")));
    EXPECT_FALSE(f.state().qrnobj->chgflg);
    EXPECT_FALSE(QFile::exists(copy));
    EXPECT_TRUE(copies().isEmpty());

    strokeAndWait(f, {20, 30}, {40, 30});
    // Overwriting the named pattern removes it again.
    prompter.answers = {vbYes};
    f.mnuSave->trigger();
    EXPECT_FALSE(f.state().qrnobj->chgflg);
    EXPECT_TRUE(copies().isEmpty());
}

TEST_F(RecoveryUi, SavingOnlyASelectionKeepsTheCopy) {
    Form1& f = editor();
    strokeAndWait(f, {2, 3}, {9, 3});
    f.mnuSelect_Click();
    dragOnCanvas(f, {1, 1}, {6, 5});
    files.answers = {dir + QStringLiteral("/part.bmp")};
    f.mnuSaveAs->trigger();
    ASSERT_TRUE(QFile::exists(dir + QStringLiteral("/part.bmp")));
    EXPECT_TRUE(f.state().qrnobj->chgflg);
    QTest::qWait(300);
    EXPECT_EQ(copies().size(), 1);
    EXPECT_TRUE(copyHoldsPattern(f));
}

TEST_F(RecoveryUi, EveryRoadThatThrowsTheChangesAwayRemovesTheCopy) {
    writeQrdPattern(QStringLiteral("other"), qRgb(255, 0, 0), "\"bmp\",20,20,15\r\n");
    const struct {
        const char* road;
        std::function<void(Form1&)> take;
    } roads[] = {
        {"new, not saved", [](Form1& f) { f.mnuNew->trigger(); }},
        {"open, not saved",
         [this](Form1& f) {
             files.answers = {dir + QStringLiteral("/other.qrd")};
             f.mnuOpen->trigger();
         }},
        {"close, not saved", [](Form1& f) { EXPECT_TRUE(f.close()); }},
    };
    for (const auto& r : roads) {
        Form1& f = editor();
        strokeAndWait(f, {2, 3}, {9, 3});
        prompter.answers = {vbNo};
        prompter.asked.clear();
        r.take(f);
        ASSERT_FALSE(prompter.asked.empty()) << r.road;
        EXPECT_TRUE(prompter.asked[0].prompt.endsWith(QStringLiteral("保存しますか？"))) << r.road;
        EXPECT_TRUE(copies().isEmpty()) << r.road;
        QTest::qWait(300);
        EXPECT_TRUE(copies().isEmpty()) << r.road << ": written again after the changes were gone";
        form.reset();
    }
}

TEST_F(RecoveryUi, ClosingCancelledOrWithAFailedSaveKeepsTheCopy) {
    Form1& f = editor();
    strokeAndWait(f, {2, 3}, {9, 3});
    prompter.answers = {vbCancel};
    EXPECT_FALSE(f.close());
    EXPECT_EQ(copies().size(), 1);
    // Yes, then the save dialog cancelled: the work is neither saved nor thrown away.
    prompter.answers = {vbYes};
    files.answers = {std::nullopt};
    EXPECT_FALSE(f.close());
    EXPECT_EQ(copies().size(), 1);
    EXPECT_TRUE(copyHoldsPattern(f));
}

TEST_F(RecoveryUi, YesAtStartUpBringsBackTheWorkUnsavedAndNameless) {
    const RecoveryContent lost{test::photoLikeImage(30, 44, 8), 25, 35, 7};
    const QString left = leaveOrphan(lost);
    prompter.answers = {vbYes};
    Form1& f = started();
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].prompt, kOffer);
    EXPECT_EQ(prompter.asked[0].style, vbYesNo);
    EXPECT_EQ(prompter.asked[0].title, QStringLiteral("QORN"));

    EXPECT_TRUE(samePixels(f.state().LeadSrc.image(), lost.pattern));
    EXPECT_EQ(f.state().qrnobj->mee(), 25);
    EXPECT_EQ(f.state().qrnobj->dan(), 35);
    EXPECT_EQ(f.state().RightIndex, 7);
    EXPECT_EQ(f.Nowcolor->rightColor(), f.state().PalTable[7]);
    EXPECT_TRUE(f.state().qrnobj->chgflg);
    EXPECT_EQ(f.state().qrnobj->savefile, dir + QStringLiteral("/NoName.bmp"));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("QORN - NoName"));
    EXPECT_EQ(f.Label1->text(), QStringLiteral("ｹﾞｰｼﾞ :25目×35段"));
    EXPECT_EQ(f.Label3->text(), QStringLiteral("ｻｲｽﾞ :30目×44段"));
    // The canvas is laid out for the restored size.
    const CanvasGeometry g = f.Picdisplay->geometry();
    EXPECT_EQ(f.Picdisplay->size(), QSize(g.pixelWidth(), g.pixelHeight()) + QSize(CanvasView::kBorder, CanvasView::kBorder));
    EXPECT_EQ(g.W, 30);

    // The copy is still on disk, now this run's own, until the work is saved or thrown away.
    EXPECT_FALSE(QFile::exists(left));
    ASSERT_EQ(copies().size(), 1);
    EXPECT_EQ(f.recoveryCopyPath(), folder() + QLatin1Char('/') + copies()[0]);
    EXPECT_EQ(test::readFile(f.recoveryCopyPath()), recoveryBytes(lost));

    // A second crash still has it.
    form.reset();
    prompter.asked.clear();
    prompter.answers = {vbYes};
    Form1& again = started();
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_TRUE(samePixels(again.state().LeadSrc.image(), lost.pattern));
    EXPECT_EQ(again.state().RightIndex, 7);
}

TEST_F(RecoveryUi, NoAtStartUpDeletesTheCopyAndStartsAnew) {
    const QString left = leaveOrphan({test::photoLikeImage(30, 44, 8), 25, 35, 7});
    prompter.answers = {vbNo};
    Form1& f = started();
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].prompt, kOffer);
    EXPECT_FALSE(QFile::exists(left));
    EXPECT_TRUE(copies().isEmpty());
    EXPECT_EQ(f.state().LeadSrc.width(), 100);
    EXPECT_EQ(f.state().qrnobj->mee(), 20);
    EXPECT_EQ(f.state().RightIndex, 15);
    EXPECT_FALSE(f.state().qrnobj->chgflg);
    // Not asked again.
    form.reset();
    prompter.asked.clear();
    started();
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(RecoveryUi, ADamagedCopyIsDeletedWithoutAQuestion) {
    QDir().mkpath(folder());
    const QByteArray good = recoveryBytes({test::photoLikeImage(30, 44, 8), 25, 35, 7});
    const QString cut = test::writeFile(folder() + QStringLiteral("/qorn-11-0000abcd.qrec"), good.left(good.size() - 40));
    const QString junk = test::writeFile(folder() + QStringLiteral("/qorn-12-0000abce.qrec"), "not a copy");
    Form1& f = started();
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_FALSE(QFile::exists(cut));
    EXPECT_FALSE(QFile::exists(junk));
    EXPECT_EQ(f.state().LeadSrc.width(), 100);
    EXPECT_FALSE(f.state().qrnobj->chgflg);
}

TEST_F(RecoveryUi, TheCommandLineFileOpensOnlyWhenTheOfferIsDeclined) {
    writeQrdPattern(QStringLiteral("p"), qRgb(255, 0, 0), "\"bmp\",22,30,3\r\n");
    const QString arg = dir + QStringLiteral("/p.qrd");
    const RecoveryContent lost{test::photoLikeImage(30, 44, 8), 25, 35, 7};

    leaveOrphan(lost);
    prompter.answers = {vbYes};
    Form1& restored = make();
    ASSERT_TRUE(restored.Form_Load(arg));
    EXPECT_TRUE(samePixels(restored.state().LeadSrc.image(), lost.pattern));
    EXPECT_EQ(restored.windowTitle(), QStringLiteral("QORN - NoName"));
    restored.state().qrnobj->chgflg = false; // let it close cleanly
    form.reset();
    QDir(folder()).removeRecursively();

    leaveOrphan(lost);
    prompter.asked.clear();
    prompter.answers = {vbNo};
    Form1& opened = make();
    ASSERT_TRUE(opened.Form_Load(arg));
    EXPECT_EQ(prompter.asked[0].prompt, kOffer);
    EXPECT_EQ(opened.windowTitle(), QStringLiteral("QORN - p"));
    EXPECT_EQ(opened.state().LeadSrc.width(), 12);
    EXPECT_EQ(opened.state().qrnobj->mee(), 22);
}

TEST_F(RecoveryUi, TheLiveCopyOfAnotherRunningEditorIsLeftAlone) {
    RecoverySession other(folder());
    ASSERT_TRUE(other.start());
    other.write({test::photoLikeImage(30, 44, 8), 25, 35, 7});
    Form1& f = editor();
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_TRUE(QFile::exists(other.copyPath()));
    strokeAndWait(f, {2, 3}, {9, 3});
    EXPECT_EQ(copies().size(), 2);
    prompter.answers = {vbNo};
    EXPECT_TRUE(f.close());
    EXPECT_EQ(copies(), QStringList{QFileInfo(other.copyPath()).fileName()});
}

// The real thing: an editor process killed mid-edit, its work restored by the next start.
TEST_F(RecoveryUi, AnEditorKilledMidEditIsRestoredAtTheNextStart) {
    writeQrdPattern(QStringLiteral("p"), qRgb(255, 255, 255), "\"bmp\",24,32,9\r\n");
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QStringLiteral(QORN_RECOVERY_CHILD), {dir, dir + QStringLiteral("/p.qrd")});
    ASSERT_TRUE(child.waitForStarted(10000));
    QByteArray said;
    while (!said.contains("ready") && child.state() == QProcess::Running && child.waitForReadyRead(30000))
        said += child.readAllStandardOutput();
    ASSERT_TRUE(said.contains("ready")) << said.constData();
    ASSERT_EQ(copies().size(), 1);

    child.kill(); // SIGKILL: nothing of the editor runs after this
    ASSERT_TRUE(child.waitForFinished(10000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
    ASSERT_EQ(copies().size(), 1) << "the copy outlives the editor";

    const QImage drawn(dir + QStringLiteral("/drawn.png"));
    ASSERT_FALSE(drawn.isNull());
    prompter.answers = {vbYes};
    Form1& f = started();
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].prompt, kOffer);
    EXPECT_TRUE(samePixels(f.state().LeadSrc.image(), drawn));
    // The stroke is there: the opened file was white.
    EXPECT_EQ(f.state().LeadSrc.pixel(1, 3), 0x000000u);
    EXPECT_EQ(f.state().LeadSrc.pixel(10, 3), 0x000000u);
    EXPECT_EQ(f.state().LeadSrc.pixel(11, 7), 0xFFFFFFu);
    EXPECT_EQ(f.state().qrnobj->mee(), 24);
    EXPECT_EQ(f.state().qrnobj->dan(), 32);
    EXPECT_EQ(f.state().RightIndex, 9);
    EXPECT_TRUE(f.state().qrnobj->chgflg);
    EXPECT_EQ(f.state().qrnobj->savefile, dir + QStringLiteral("/NoName.bmp"));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("QORN - NoName"));
    EXPECT_EQ(f.Label1->text(), QStringLiteral("ｹﾞｰｼﾞ :24目×32段"));
}
