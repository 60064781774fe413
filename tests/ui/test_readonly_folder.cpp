// An installed copy lives in a folder the user cannot write: a whole session of the editor has
// to leave that folder exactly as it found it.
#include "app/app_paths.h"
#include "print/frmPrint.h"
#include "support/canvas_mouse.h"
#include "support/form1_fixture.h"
#include "support/sample_images.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRadioButton>

#include <unistd.h>

using namespace qorn;
using qorn::test::Form1Test;

namespace {

struct Entry {
    QString name;
    qint64 size;
    QDateTime modified;
    bool operator==(const Entry&) const = default;
};

std::vector<Entry> listing(const QString& folder) {
    std::vector<Entry> entries;
    const QFileInfoList infos =
        QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& info : infos) entries.push_back({info.fileName(), info.size(), info.lastModified()});
    // The folder itself: an entry made and removed again still changes its time.
    entries.push_back({QStringLiteral("."), 0, QFileInfo(folder).lastModified()});
    return entries;
}

std::string describe(const std::vector<Entry>& entries) {
    std::string text;
    for (const Entry& e : entries)
        text += (e.name + QStringLiteral(" %1 %2\n").arg(e.size).arg(e.modified.toString(Qt::ISODateWithMs))).toStdString();
    return text;
}

// Restores write permission however the test ends, so that the fixture can remove the folder.
struct Writable {
    QString folder;
    ~Writable() { QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); }
};

int nonWhitePixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += (image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
    return n;
}

} // namespace

TEST_F(Form1Test, ASessionLeavesAReadOnlyProgramFolderAsItWas) {
    const QString program = dir + QStringLiteral("/program");
    const QString work = dir + QStringLiteral("/work");
    ASSERT_TRUE(QDir().mkpath(program));
    ASSERT_TRUE(QDir().mkpath(work));
    for (const char* name : {"defpal.dat", "qorn.sym", "Qorn.html"})
        ASSERT_TRUE(QFile::copy(QStringLiteral(QORN_SOURCE_DIR "/data/") + QLatin1String(name),
                                program + QLatin1Char('/') + QLatin1String(name)));
    setProgramFolderOverride(program);
    Writable restore{program};
    const auto readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                          QFile::ReadOther | QFile::ExeOther;
    ASSERT_TRUE(QFile::setPermissions(program, readOnly));
    // Root writes through the permission bits: then only the listing below can tell.
    const bool enforced = ::access(QFile::encodeName(program).constData(), W_OK) != 0;
    if (!enforced) std::fprintf(stderr, "note: the folder stays writable for this user; comparing its listing only\n");
    const std::vector<Entry> before = listing(program);

    Form1& f = started();
    ASSERT_TRUE(prompter.asked.empty());

    // A stroke, saved outside the program folder.
    test::dragOnCanvas(f, {3, 3}, {20, 12});
    ASSERT_TRUE(f.state().qrnobj->chgflg);
    const QString chart = work + QStringLiteral("/chart.bmp");
    files.answers = {chart};
    f.mnuSave_Click(); // a new pattern has no name yet: this goes through save-as
    ASSERT_TRUE(QFile::exists(chart));
    EXPECT_TRUE(QFile::exists(work + QStringLiteral("/chart.qrd")));
    EXPECT_GT(nonWhitePixels(QImage(chart)), 0);
    EXPECT_FALSE(f.state().qrnobj->chgflg);

    // The views that read the symbol file from the program folder, and back.
    f.mnuDispCross->trigger();
    EXPECT_TRUE(f.mnuDispCross->isChecked());
    f.mnuDispSym->trigger();
    EXPECT_TRUE(f.mnuDispSym->isChecked());
    f.mnuDispNormal->trigger();
    EXPECT_TRUE(f.state().normalView);

    // Printed as a PDF, by the no-printer road or the printer dialog's print-to-file.
    const QString pdf = work + QStringLiteral("/chart.pdf");
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        files.answers = {pdf};
    } else {
        files.printerAnswers = {true};
        files.choose = [&](QPrinter& p) {
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(pdf);
        };
    }
    modal.handle = [&](QDialog& d) {
        auto* p = dynamic_cast<frmPrint*>(&d);
        if (!p) return d.reject();
        p->Option2->setChecked(true); // colours: needs no symbol file
        if (!QPrinterInfo::availablePrinters().isEmpty()) p->Command3_Click();
        p->Command1_Click();
    };
    f.mnuPrint_Click();
    ASSERT_TRUE(QFile::exists(pdf));
    EXPECT_TRUE(test::readFile(pdf).startsWith("%PDF"));

    // Help reads its page from the program folder.
    f.mnuHelpIndex_Click();
    ASSERT_EQ(files.helpShown.size(), 1u);
    EXPECT_EQ(QFileInfo(files.helpShown[0]).absolutePath(), program);

    EXPECT_TRUE(f.close());
    form.reset();
    EXPECT_TRUE(prompter.asked.empty()) << prompter.asked.front().prompt.toStdString();

    const std::vector<Entry> after = listing(program);
    EXPECT_EQ(after, before) << "before:\n" << describe(before) << "after:\n" << describe(after);
}
