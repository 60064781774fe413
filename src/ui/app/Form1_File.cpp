// The file menu, the main toolbar and the life cycle of the window.
#include "Form1.h"

#include "app/app_paths.h"
#include "app/recent_files.h"
#include "common/error.h"
#include "dialogs/cCommonDlg.h"
#include "common/file_write.h"
#include "document/pattern_files.h"
#include "print/text_chart.h"
#include "view/symbol_file.h"
#include "import/frmBmp.h"
#include "modal_runner.h"
#include "tools/tool_table.h"
#include "view/canvas_bitmap.h"
#include "view/canvas_widgets.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

namespace qorn {
namespace {

const QString kOpenFilter = QStringLiteral(
    "ＱＲＤ(*.QRD)|*.qrd|ＢＭＰ(*.BMP)|*.bmp|ＴＩＦ(*.TIF)|*.tif|ＰＣＸ(*.PCX)|*.pcx|ＪＰＥＧ(*.JPG)|*.jpg|"
    "ｱｲｺﾝ(*.ICO)|*.ico|ｶｰｿﾙ(*.CUR)|*.cur|すべてのファイル(*.*)|*.*");
const QString kSaveFilter = QStringLiteral("ＢＭＰ(*.BMP)|*.bmp|ＴＩＦ(*.TIF)|*.tif|ＰＣＸ(*.PCX)|*.pcx");

// The side file of an image: same folder and base name, extension ".qrd" in any case.
QString findQrd(const SplitPathResult& p) { return findFileIgnoringCase(p.folder, p.base + QStringLiteral(".qrd")); }

bool isRefusedExtension(const QString& name) {
    const QString last3 = name.right(3).toUpper();
    return last3 == QLatin1String("JPG") || last3 == QLatin1String("ICO") || !formatCodeFor(SplitPath(name).ext);
}

} // namespace

void Form1::showFileError(int number, FileCommand command, const QString& title) {
    // Whatever failed, the pointer is the normal one again before the message shows.
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    if (number == err::Cancelled) return;
    services_.prompter->MsgBox(fileErrorMessage(number, command), vbOKCancel + vbExclamation, title);
}

void Form1::guarded(const QString& title, const std::function<void()>& command) {
    const int e = trapErrors(command);
    if (e) showFileError(e, FileCommand::Editing, title);
    syncRecovery();
}

QString Form1::startFolder() const {
    if (!lastFolder_.isEmpty()) return lastFolder_;
    const QString kept = QSettings(QStringLiteral("QORN"), QStringLiteral("QORN")).value(QStringLiteral("Folders/LastFolder")).toString();
    return !kept.isEmpty() && QFileInfo(kept).isDir() ? kept : QDir::homePath();
}

void Form1::rememberFolder(const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo(folder).isDir()) return;
    lastFolder_ = folder;
    // Kept for the next run as well.
    QSettings settings(QStringLiteral("QORN"), QStringLiteral("QORN"));
    settings.setValue(QStringLiteral("Folders/LastFolder"), folder);
}

cCommonDlg Form1::saveDialog(const QString& filter, const QString& defaultExt) {
    cCommonDlg dlg(*services_.files);
    dlg.Form = this;
    dlg.Filter = filter;
    dlg.DefaultExt = defaultExt;
    dlg.FilterIndex = 1;
    dlg.InitDir = startFolder();
    dlg.Flags = cCommonDlg::SaveFlags;
    dlg.CancelError = true;
    return dlg;
}

QString Form1::chosenSaveName(cCommonDlg& dlg, bool withSideFile) {
    dlg.ShowSave();
    if (dlg.CancelButton) throw Error(err::Cancelled);
    rememberFolder(dlg.FileName);
    // Writing over the motif's files would make the pattern its own motif.
    const SplitPathResult p = SplitPath(dlg.FileName);
    if (isMotifFile(dlg.FileName) || (withSideFile && isMotifFile(p.folder + p.base + QStringLiteral(".qrd")))) {
        services_.prompter->MsgBox(QStringLiteral("選択中のﾓﾁｰﾌﾌｧｲﾙは編集できません"), vbOKOnly, dlg.DialogTitle);
        throw Error(err::Cancelled);
    }
    return dlg.FileName;
}

void Form1::forgetEditingState() {
    tools_.cancelGesture();
    tools_.clearSelection();
    const bool placing = tools_.placing();
    tools_.endPlacement();
    if (placing) mnuTools_Click(tool::Pen);
    state_.undoSnapshot.clear();
    setUndoEnabled(false);
}

bool Form1::askSaveChanges(const QString& title) {
    if (!state_.qrnobj->chgflg) return true;
    const QString base = SplitPath(state_.qrnobj->savefile).base;
    const int answer = services_.prompter->MsgBox(
        base + QStringLiteral("は変更されています。\r\n保存しますか？"), vbYesNoCancel, title);
    if (answer == vbCancel) return false;
    if (answer == vbYes) {
        mnuSave_Click();
        if (Tag.toInt() == 1) {
            Tag = QStringLiteral("0");
            return false;
        }
    }
    return true;
}

void Form1::mnuNew_Click() {
    if (!askSaveChanges(QStringLiteral("新規"))) return;
    Tag = QStringLiteral("0");
    TBReset();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    tbButtons_.value(QStringLiteral("undo"))->setEnabled(false);
    leaveLockedView();
    InitPattern();
    LayoutCanvas();
    mnuGrids_Click(GridFive);
    runVisibleScrollHandlers();
    QApplication::restoreOverrideCursor();
    tbButtons_.value(QStringLiteral("undo"))->setEnabled(false);
    state_.qrnobj->chgflg = false;
    dropRecovery();
}

void Form1::mnuExit_Click() { close(); }

bool Form1::Form_QueryUnload() {
    if (state_.qrnobj && !askSaveChanges(QStringLiteral("終了"))) return false;
    // Saved or deliberately thrown away: nothing is left to recover.
    dropRecovery();
    // The program never changes the system's default printer (the printer dialog only chooses
    // for this run), so there is nothing to put back: a different default now was set outside.
    state_.qrnobj.reset();
    // Only a scratch picture an older copy may have left: nothing writes it any more. Best effort,
    // a read-only program folder just keeps it.
    const QString scratch = AppFile(QStringLiteral("qrntmp.bmp"));
    if (QFile::exists(scratch)) QFile::remove(scratch);
    return true;
}

void Form1::TbMenu_ButtonClick(const QString& key) {
    const auto command = tbCommands_.constFind(key);
    if (command != tbCommands_.constEnd()) (*command)();
}

void Form1::mnuOpen_Click() {
    Tag = QStringLiteral("0");
    leaveLockedView();
    setUndoEnabled(false);
    try {
        cCommonDlg dlg(*services_.files);
        dlg.Form = this;
        dlg.Filter = kOpenFilter;
        dlg.FilterIndex = openFilterIndex_;
        dlg.Flags = cCommonDlg::FileMustExist;
        dlg.CancelError = true;
        dlg.DialogTitle = QStringLiteral("ファイルを開く");
        dlg.InitDir = startFolder();
        dlg.ShowOpen();
        if (dlg.CancelButton) throw Error(err::Cancelled);
        const QString path = dlg.FileName;
        rememberFolder(path);
        scrollToBottomLeft();
        bool opened = false;
        const int e = trapErrors([&] { opened = OpenPatternFile(path); });
        if (opened) {
            setWindowTitle(QStringLiteral("QORN - ") + SplitPath(state_.qrnobj->savefile).base);
            RememberFile(path);
        }
        openFilterIndex_ = opened ? FilterIndexOf(kOpenFilter, SplitPath(state_.qrnobj->savefile).ext) : 1;
        if (e) throw Error(e);
    } catch (const Error& e) {
        showFileError(e.number(), FileCommand::Open, QStringLiteral("開く"));
    }
    frmBmp_.reset();
}

bool Form1::OpenPatternFile(const QString& path) {
    const SplitPathResult p = SplitPath(path);
    if (isMotifFile(path)) {
        services_.prompter->MsgBox(QStringLiteral("選択中のﾓﾁｰﾌﾌｧｲﾙは編集できません"), vbOKOnly,
                                   QStringLiteral("ﾌｧｲﾙを開く-") + p.base);
        return false;
    }
    QString qrd;
    if (p.ext.toUpper() == QLatin1String("QRD")) {
        qrd = path;
    } else {
        qrd = findQrd(p);
        if (!qrd.isEmpty() &&
            services_.prompter->MsgBox(QStringLiteral("QRDﾌｧｲﾙのﾊﾟﾗﾒｰﾀを使用しますか？"), vbYesNo,
                                       QStringLiteral("ﾌｧｲﾙを開く-") + p.base) != vbYes)
            qrd.clear();
    }
    if (!qrd.isEmpty()) {
        if (state_.qrnobj->chgflg && !AskSaveBeforeOpen()) return false;
        LoadQrdPattern(state_, path, qrd);
        afterPatternLoaded();
        state_.qrnobj->chgflg = false;
        return true;
    }
    frmBmp_ = std::make_unique<frmBmp>(*services_.prompter, this);
    if (!frmBmp_->load(path, state_.PalTable[state_.RightIndex])) return false;
    services_.modal->exec(*frmBmp_);
    if (frmBmp_->Command1Tag != QLatin1String("1")) {
        frmBmp_.reset();
        return false;
    }
    return ImportPattern(path);
}

void Form1::afterPatternLoaded() {
    // Whatever the copy held was saved or declined before this pattern replaced it.
    dropRecovery();
    forgetEditingState();
    LayoutCanvas();
    RepaintCanvas();
    RefreshStatus();
    scrollToBottomLeft();
    runVisibleScrollHandlers();
    QApplication::restoreOverrideCursor();
}

bool Form1::ImportPattern(const QString& path) {
    frmBmp& dialog = *frmBmp_;
    dialog.Command1Tag = QStringLiteral("0");
    setBusy(true);
    Raster work;
    const int e = trapErrors([&] { work = prepareImport(dialog.source(), dialog.choices(), state_.PalTable); });
    setBusy(false);
    if (e) throw Error(e);
    work.colorRes(24, PaletteFixedRgb, 0, 0);
    if (dialog.replacesPattern()) {
        if (state_.qrnobj->chgflg && !AskSaveBeforeOpen()) return false;
        state_.LeadSrc = work;
        afterPatternLoaded();
        state_.qrnobj->chgflg = true;
        state_.qrnobj->savefile = path;
        return true;
    }
    // Placed into the pattern: the picture follows the mouse until a click puts it down. The
    // pattern keeps its name: the picture is not what a later save should overwrite.
    endToolUse();
    tools_.clearSelection();
    state_.Lead1[0] = work;
    state_.PlaceWidth = work.width();
    state_.PlaceHeight = work.height();
    state_.ToolState = tool::Paste;
    Picdisplay->setFocus();
    state_.qrnobj->chgflg = true;
    return true;
}

bool Form1::AskSaveBeforeOpen() {
    const QString base = SplitPath(state_.qrnobj->savefile).base;
    const int answer = services_.prompter->MsgBox(base + QStringLiteral("は変更されています。\n保存しますか？"),
                                                  vbYesNoCancel, QStringLiteral("ﾌｧｲﾙを開く"));
    if (answer == vbYes) {
        mnuSave_Click();
        return Tag.toInt() != 1;
    }
    if (answer == vbCancel) {
        if (frmBmp_) frmBmp_->hide();
        return false;
    }
    return true;
}

void Form1::mnuSave_Click() {
    const SplitPathResult p = SplitPath(state_.qrnobj->savefile);
    // Names that cannot be written as they are go through save-as.
    if (p.base.toUpper() == QLatin1String("NONAME") || isRefusedExtension(state_.qrnobj->savefile)) {
        mnuSaveAs_Click();
        return;
    }
    const QString question =
        (state_.qrnobj->selected ? QStringLiteral("選択した部分を") : QString()) + QStringLiteral("上書き保存しますか？");
    const int answer = services_.prompter->MsgBox(question, vbYesNoCancel, QStringLiteral("上書き保存-") + p.base);
    if (answer == vbNo) {
        mnuSaveAs_Click();
        return;
    }
    if (answer == vbCancel) {
        Tag = QStringLiteral("1");
        return;
    }
    Tag = QStringLiteral("0");
    setBusy(true);
    const bool partial = state_.qrnobj->selected;
    const int e = trapErrors([&] { writePattern(state_, state_.qrnobj->savefile, SaveKind::Overwrite); });
    setBusy(false);
    if (e) {
        showFileError(e, FileCommand::OverwriteSave, QStringLiteral("上書き保存"));
        Tag = QStringLiteral("1");
        return;
    }
    tools_.clearSelection();
    // Only a part went to the file: the rest of the chart is still unsaved.
    if (!partial) state_.qrnobj->chgflg = false;
    syncRecovery();
    rememberFolder(state_.qrnobj->savefile);
}

void Form1::mnuSaveAs_Click() {
    const SplitPathResult p = SplitPath(state_.qrnobj->savefile);
    const bool neverSaved = p.base.toUpper() == QLatin1String("NONAME");
    try {
        cCommonDlg dlg = saveDialog(kSaveFilter, QStringLiteral("bmp"));
        // A new pattern's name points into the program folder, which is no place for charts.
        if (!neverSaved) dlg.InitDir = p.folder;
        dlg.DialogTitle = state_.qrnobj->selected ? QStringLiteral("名前をつけて保存(部分)")
                                                  : QStringLiteral("名前をつけて保存");
        dlg.FileName = proposedSaveAsName(p.base);
        const QString chosen = chosenSaveName(dlg, true);
        if (isRefusedExtension(chosen)) {
            services_.prompter->MsgBox(QStringLiteral("この形式では保存できません"), vbOKOnly,
                                       QStringLiteral("名前をつけて保存"));
            Tag = QStringLiteral("1");
            return;
        }
        setBusy(true);
        const bool partial = state_.qrnobj->selected;
        const int e = trapErrors([&] { writePattern(state_, chosen, SaveKind::SaveAs); });
        setBusy(false);
        if (e) throw Error(e);
        // The pattern takes its new name only once it is written there.
        Tag = QStringLiteral("0");
        state_.qrnobj->savefile = chosen;
        tools_.clearSelection();
        const SplitPathResult saved = SplitPath(chosen);
        setWindowTitle(QStringLiteral("QORN - ") + saved.base);
        if (!partial) state_.qrnobj->chgflg = false;
        syncRecovery();
        RememberFile(saved.folder + saved.base + QStringLiteral(".qrd"));
    } catch (const Error& e) {
        showFileError(e.number(), FileCommand::SaveAs, QStringLiteral("名前をつけて保存"));
        Tag = QStringLiteral("1");
    }
}

void Form1::mnuFileSaveD_Click() {
    try {
        cCommonDlg dlg = saveDialog(QStringLiteral("BMP(*.bmp)|*.bmp"), QStringLiteral("bmp"));
        chosenSaveName(dlg);
        setBusy(true);
        // The canvas as it is drawn: cells, grid and whatever feedback is on it.
        const int e = trapErrors([&] {
            saveCanvasBitmap(dlg.FileName, renderer, state_.LeadSrc.image(), Picdisplay->geometry(), gridChoice());
        });
        setBusy(false);
        if (e) throw Error(e);
    } catch (const Error& e) {
        showFileError(e.number(), FileCommand::SaveAs, QStringLiteral("描画画面の保存"));
    }
}

void Form1::mnuFilePrint_Click() {
    const QString title = QStringLiteral("ﾃｷｽﾄﾌｧｲﾙに出力");
    if (!QFileInfo::exists(state_.symFile)) {
        services_.prompter->MsgBox(symbolFileMissingMessage(), vbOKCancel + vbExclamation, title);
        return;
    }
    setUndoEnabled(false);
    undoAtLock_ = false; // also when written from a locked view
    const std::optional<QRect> area =
        selectionRect(*state_.qrnobj, QSize(state_.LeadSrc.width(), state_.LeadSrc.height()));
    try {
        cCommonDlg dlg = saveDialog(QStringLiteral("ＴＸＴ(*.txt)|*.txt|すべてのﾌｧｲﾙ(*.*)|*.*"), QStringLiteral("txt"));
        dlg.DialogTitle = area ? title + QStringLiteral("(部分)") : title;
        chosenSaveName(dlg);
        const SymbolFileResult symbols = readSymbolFile(state_.symFile, state_.RightIndex);
        if (!symbols.ok() && symbols.errorNumber == 0) {
            services_.prompter->MsgBox(symbols.message(), vbOKCancel + vbExclamation, title);
            return;
        }
        if (!symbols.ok()) throw Error(symbols.errorNumber);
        setBusy(true);
        // The pattern as it is now; a pending placement's picture plays no part.
        const int e = trapErrors([&] {
            writeFileAtomically(dlg.FileName,
                                textChartBytes(state_.LeadSrc.image(), area, state_.PalTable, state_.RightIndex,
                                               symbols.table),
                                err::IoError);
        });
        setBusy(false);
        if (e) throw Error(e);
    } catch (const Error& e) {
        showFileError(e.number(), FileCommand::TextChart, title);
    }
}

void Form1::BuildRecentMenu() {
    const QStringList entries = RecentFiles::entries();
    for (int k = 0; k < std::min<int>(entries.size(), RecentFiles::kCount); ++k) {
        mnuFileRecent[0]->setVisible(true);
        // A menu text takes "&" for a mnemonic; the path itself travels in the data.
        QString text = entries[k];
        mnuFileRecent[k + 1]->setText(text.replace(QLatin1Char('&'), QStringLiteral("&&")));
        mnuFileRecent[k + 1]->setData(entries[k]);
        mnuFileRecent[k + 1]->setVisible(true);
    }
}

bool Form1::IsRecentFile(const QString& path) const {
    for (int k = 1; k <= RecentFiles::kCount; ++k)
        if (mnuFileRecent[k]->isVisible() && mnuFileRecent[k]->data().toString() == path) return true;
    return false;
}

void Form1::RememberFile(const QString& path) {
    if (!IsRecentFile(path)) RecentFiles::AddRecentFile(path);
    BuildRecentMenu();
}

void Form1::mnuFileRecent_Click(int index) {
    Tag = QStringLiteral("0");
    leaveLockedView();
    setUndoEnabled(false);
    const QString path = mnuFileRecent[index]->data().toString();
    scrollToBottomLeft();
    bool opened = false;
    const int e = trapErrors([&] { opened = OpenPatternFile(path); });
    if (opened) {
        rememberFolder(path);
        setWindowTitle(QStringLiteral("QORN - ") + SplitPath(state_.qrnobj->savefile).base);
        BuildRecentMenu();
    }
    if (e) showFileError(e, FileCommand::Open, QStringLiteral("開く"));
    frmBmp_.reset();
}

} // namespace qorn
