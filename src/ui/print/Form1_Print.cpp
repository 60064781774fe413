// Printing: the print settings, the printer and where the pages go.
#include "app/Form1.h"
#include "app/modal_runner.h"
#include "common/error.h"
#include "dialogs/cCommonDlg.h"
#include "frmPrint.h"
#include "print/print_pages.h"
#include "tools/tool_table.h"
#include "view/symbol_file.h"

#include <QApplication>
#include <QBuffer>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>

#include <memory>

namespace qorn {
namespace {

const QString kPrintTitle = QStringLiteral("印刷");

// Pages go to a printer the user has: one chosen in the printer dialog (a queue, or a file),
// or the system's default queue. Without any, they go to a PDF file.
bool hasPrinter(const QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat) return !printer.outputFileName().isEmpty();
    return !printer.printerName().isEmpty() && !QPrinterInfo::printerInfo(printer.printerName()).isNull();
}

} // namespace

QPrinter& Form1::printer() {
    // One printer for the run, so the next print goes where the last choice said.
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

std::optional<PrintJob> Form1::printJob(const PrintOptions& options) {
    SymbolTable symbols{};
    if (!options.colour) {
        const SymbolFileResult read = readSymbolFile(state_.symFile, state_.RightIndex);
        if (!read.ok() && read.errorNumber == 0) {
            services_.prompter->MsgBox(read.message(), vbOKCancel + vbExclamation, kPrintTitle);
            return std::nullopt;
        }
        if (!read.ok()) throw Error(read.errorNumber);
        symbols = read.table;
    }
    // The print works from a copy of its own: a floating paste or later edits never reach it.
    return makePrintJob(state_.LeadSrc.image(), selection(), state_.PalTable, state_.RightIndex, symbols,
                        state_.qrnobj->mee(), state_.qrnobj->dan(), options);
}

bool Form1::refusePrint(PrintRefusal refusal) {
    if (refusal == PrintRefusal::None) return false;
    services_.prompter->MsgBox(printRefusalMessage(refusal), vbOKCancel + vbExclamation, kPrintTitle);
    return true;
}

void Form1::printerSetup(QWidget* owner) {
    cCommonDlg dlg(*services_.files);
    dlg.Form = owner;
    dlg.Flags = cCommonDlg::PrintSetup;
    dlg.CancelError = true;
    dlg.Printer = &printer();
    dlg.ShowPrinter();
    const int e = dlg.ErrNumber;
    if (e == 0 || e == err::Cancelled) return;
    services_.prompter->MsgBox(e == 68 ? QStringLiteral("デバイスが準備されていません")
                                       : QStringLiteral("エラー番号") + QString::number(e),
                               vbOKCancel + vbExclamation, QStringLiteral("プリンタの設定"));
}

void Form1::previewPrint(const PrintOptions& options) {
    const std::optional<PrintJob> job = printJob(options);
    if (!job) return;
    if (refusePrint(planPrint(*job, printer()).layout.refusal)) return;
    QPrintPreviewDialog preview(&printer(), this);
    preview.setWindowTitle(QStringLiteral("ﾌﾟﾚﾋﾞｭｰ"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [&](QPrinter* pages) { trapErrors([&] { printChart(*pages, *job); }); });
    services_.modal->exec(preview);
}

void Form1::mnuPrint_Click() {
    setUndoEnabled(false);
    undoAtLock_ = false; // also when printed from a locked view
    frmPrint dialog(selection().has_value(), this);
    dialog.onPrinterSetup = [&] { printerSetup(&dialog); };
    dialog.onPreview = [&] {
        const int e = trapErrors([&] { previewPrint(dialog.options(gridChoice())); });
        if (e) showFileError(e, FileCommand::Print, kPrintTitle);
    };
    services_.modal->exec(dialog);
    if (dialog.Tag != QLatin1String("1")) return;
    const PrintOptions options = dialog.options(gridChoice());

    std::unique_ptr<QProgressDialog> progress;
    auto onPage = [&](int done, int total) {
        if (total <= 1) return true;
        if (!progress) {
            progress = std::make_unique<QProgressDialog>(QString(), QStringLiteral("キャンセル"), 0, total, this);
            progress->setWindowTitle(kPrintTitle);
            progress->setWindowModality(Qt::WindowModal);
            progress->setMinimumDuration(0);
        }
        progress->setLabelText(QStringLiteral("%1 / %2 ページ").arg(done).arg(total));
        progress->setValue(done);
        QApplication::processEvents();
        return !progress->wasCanceled();
    };
    const int e = trapErrors([&] {
        setBusy(true);
        const std::optional<PrintJob> job = printJob(options);
        setBusy(false);
        if (!job) return;
        QPrinter& device = printer();
        if (hasPrinter(device)) {
            refusePrint(printChart(device, *job, onPage));
            return;
        }
        // No printer: the pages become a PDF file, refused before a name is asked for.
        QBuffer nowhere;
        QPdfWriter probe(&nowhere);
        probe.setPageLayout(device.pageLayout());
        probe.setResolution(600);
        if (refusePrint(planPrint(*job, probe).layout.refusal)) return;
        cCommonDlg dlg = saveDialog(QStringLiteral("PDF(*.pdf)|*.pdf"), QStringLiteral("pdf"));
        dlg.DialogTitle = dialog.windowTitle();
        const QString path = chosenSaveName(dlg);
        setBusy(true);
        writeChartPdf(path, *job, device.pageLayout(), 600, onPage);
        setBusy(false);
    });
    progress.reset();
    if (e == 0 || e == err::Cancelled) return;
    showFileError(e, FileCommand::Print, kPrintTitle);
    if (state_.normalView) mnuTools_Click(tool::Pen);
}

} // namespace qorn
