#include "print/frmPrint.h"
#include "print/print_pages.h"
#include "support/canvas_mouse.h"
#include "support/form1_fixture.h"
#include "support/sample_images.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRadioButton>
#include <QRegularExpression>

using namespace qorn;
using qorn::test::Form1Test;

namespace {

// Pages of a PDF as its page objects count them.
int pdfPages(const QString& path) {
    int n = 0;
    auto it = QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]")).globalMatch(QString::fromLatin1(test::readFile(path)));
    while (it.hasNext()) {
        it.next();
        ++n;
    }
    return n;
}

std::function<void(QDialog&)> printWith(std::function<void(frmPrint&)> fill) {
    return [fill](QDialog& d) {
        auto* p = dynamic_cast<frmPrint*>(&d);
        if (!p) return d.reject();
        fill(*p);
        p->Command1_Click();
    };
}

void setPattern(Form1& f, int w, int h, int mee, int dan) {
    f.state().LeadSrc.setImage(test::photoLikeImage(w, h, 4));
    f.state().qrnobj->setMee(mee);
    f.state().qrnobj->setDan(dan);
    f.LayoutCanvas();
}

} // namespace

TEST_F(Form1Test, PrintSettingsStartAsTheUserExpectsAndSayWhenOnlyAPartPrints) {
    Form1& f = started();
    ASSERT_TRUE(f.tbButton(QStringLiteral("print"))->isEnabled());
    int shown = 0;
    modal.handle = [&](QDialog& d) {
        auto& p = static_cast<frmPrint&>(d);
        ++shown;
        EXPECT_EQ(p.windowTitle(), shown == 1 ? QStringLiteral("印刷") : QStringLiteral("印刷(部分)"));
        EXPECT_TRUE(p.Option1->isChecked());
        EXPECT_TRUE(p.Option4->isChecked());
        EXPECT_TRUE(p.Check1->isChecked());
        EXPECT_FALSE(p.ChkHalign->isChecked());
        EXPECT_TRUE(p.TxtTitle->isEnabled());
        p.Check1->setChecked(false);
        EXPECT_FALSE(p.TxtTitle->isEnabled());
        const PrintOptions o = p.options(GridOne);
        EXPECT_FALSE(o.legend);
        EXPECT_DOUBLE_EQ(o.magnification, 1.5);
        p.Command2_Click();
    };
    f.setUndoEnabled(true);
    f.tbButton(QStringLiteral("print"))->trigger();
    EXPECT_FALSE(f.mnuUndo->isEnabled());
    f.mnuSelect_Click();
    test::dragOnCanvas(f, {2, 2}, {8, 8});
    f.mnuPrint_Click();
    EXPECT_EQ(shown, 2);
    EXPECT_TRUE(files.asked.empty()); // cancelled: no file asked for
}

TEST_F(Form1Test, WithoutAPrinterTheChartBecomesAPdfOfAllItsPages) {
    if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "a printer is installed here";
    Form1& f = started();
    setPattern(f, 200, 400, 20, 20);
    const QString pdf = dir + QStringLiteral("/chart.pdf");
    modal.handle = printWith([](frmPrint& p) { p.Option2->setChecked(true); });
    files.answers = {pdf};
    f.mnuPrint_Click();
    ASSERT_EQ(files.asked.size(), 1u);
    EXPECT_TRUE(files.asked[0].save);
    EXPECT_EQ(files.asked[0].filter, QStringLiteral("PDF(*.pdf)|*.pdf"));
    EXPECT_EQ(files.asked[0].flags & cCommonDlg::OverwritePrompt, cCommonDlg::OverwritePrompt);
    ASSERT_TRUE(QFile::exists(pdf));
    EXPECT_TRUE(test::readFile(pdf).startsWith("%PDF"));
    EXPECT_GE(pdfPages(pdf), 4); // 200 x 400 at 1.5 runs over pages across and down
    EXPECT_TRUE(prompter.asked.empty());

    // Cancelling the file dialog is silent and writes nothing.
    QFile::remove(pdf);
    files.answers = {std::nullopt};
    f.mnuPrint_Click();
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(Form1Test, AChartWithNoRowOnAPageIsRefusedBeforeAnythingIsAsked) {
    Form1& f = started();
    setPattern(f, 50, 50, 200, 10); // cells twenty times taller than wide
    modal.handle = printWith([](frmPrint& p) { p.Option5->setChecked(true); });
    f.mnuPrint_Click();
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].title, QStringLiteral("印刷"));
    EXPECT_EQ(prompter.asked[0].prompt, printRefusalMessage(PrintRefusal::NoRows));
    EXPECT_TRUE(files.asked.empty());
}

TEST_F(Form1Test, ThePrinterChosenInTheSettingsIsKeptForTheNextPrint) {
    Form1& f = started();
    setPattern(f, 30, 20, 20, 20);
    const QString chosen = dir + QStringLiteral("/to-file.pdf");
    files.printerAnswers = {false, true};
    files.choose = [&](QPrinter& p) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(chosen);
    };
    modal.handle = printWith([](frmPrint& p) {
        p.Command3_Click(); // cancelled: nothing shown
        p.Command3_Click();
    });
    f.mnuPrint_Click();
    EXPECT_EQ(files.printerShown, 2);
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_TRUE(files.asked.empty()); // the pages went where the printer dialog said
    ASSERT_TRUE(QFile::exists(chosen));
    EXPECT_EQ(pdfPages(chosen), 1);

    QFile::remove(chosen);
    modal.handle = printWith([](frmPrint&) {});
    f.mnuPrint_Click();
    EXPECT_TRUE(QFile::exists(chosen));
}

TEST_F(Form1Test, ASymbolChartNeedsItsSymbolFileAColourChartDoesNot) {
    Form1& f = started();
    setPattern(f, 30, 20, 20, 20);
    QFile::remove(f.state().symFile);
    const QString pdf = dir + QStringLiteral("/colour.pdf");
    files.printerAnswers = {true};
    files.choose = [&](QPrinter& p) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pdf);
    };
    modal.handle = printWith([](frmPrint& p) { p.Command3_Click(); });
    f.mnuPrint_Click();
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].prompt, QStringLiteral("SYMファイルが見つかりません"));
    EXPECT_EQ(prompter.asked[0].title, QStringLiteral("印刷"));
    EXPECT_FALSE(QFile::exists(pdf));

    modal.handle = printWith([](frmPrint& p) { p.Option2->setChecked(true); });
    f.mnuPrint_Click();
    EXPECT_EQ(prompter.asked.size(), 1u);
    EXPECT_TRUE(QFile::exists(pdf));
}
