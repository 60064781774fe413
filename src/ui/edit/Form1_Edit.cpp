// The edit menu: undo, the selection and the clipboard, mirror and grayscale; the size and
// gauge commands of the settings menu; keys and dropped files on the canvas.
#include "app/Form1.h"
#include "app/modal_runner.h"
#include "common/error.h"
#include "dialogs/frmGauge.h"
#include "dialogs/spin_edit.h"
#include "document/pattern_files.h"
#include "import/frmBmp.h"
#include "edit/edit_ops.h"
#include "edit/undo.h"
#include "tools/tool_table.h"
#include "view/canvas_widgets.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>

namespace qorn {
namespace {

const QString kNoSelection = QStringLiteral("範囲が選択されていません");

} // namespace

void Form1::setUndoEnabled(bool enabled) {
    mnuUndo->setEnabled(enabled);
    tbButton(QStringLiteral("undo"))->setEnabled(enabled);
}

void Form1::mnuUndo_Click() {
    tools_.clearSelection();
    if (restoreUndoSnapshot(state_)) {
        // A pattern of another size needs its own layout, scroll ranges and status line.
        LayoutCanvas();
        runVisibleScrollHandlers();
        refreshStatusLabels();
    }
    RepaintCanvas();
    setUndoEnabled(false);
}

std::optional<QRect> Form1::selection() const {
    return selectionRect(*state_.qrnobj, QSize(state_.LeadSrc.width(), state_.LeadSrc.height()));
}

std::optional<QRect> Form1::selectionOrSay(const QString& title) {
    const std::optional<QRect> area = selection();
    if (!area) services_.prompter->MsgBox(kNoSelection, vbOKCancel + vbExclamation, title);
    return area;
}

void Form1::takeUndoStep() {
    takeUndoSnapshot(state_);
    setUndoEnabled(true);
}

void Form1::showChangedPattern(bool sizeChanged, bool horizontalToStart) {
    if (sizeChanged) {
        LayoutCanvas();
        RefreshStatus();
    }
    RepaintCanvas();
    // Charts are read from the bottom row up: the view goes back to the bottom rows.
    VScroll1->setValue(VScroll1->maximum());
    if (horizontalToStart) HScroll1->setValue(HScroll1->minimum());
    runVisibleScrollHandlers();
}

// The clipboard.

bool Form1::askClipboard() {
    ++clipboardQueries_;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    clipboardHasPicture_ = data && data->hasImage();
    refreshPasteEnabled();
    return clipboardHasPicture_;
}

void Form1::refreshPasteEnabled() {
    const bool enabled = clipboardHasPicture_ && state_.normalView;
    if (mnuPaste) mnuPaste->setEnabled(enabled);
    tbButton(QStringLiteral("paste"))->setEnabled(enabled);
}

void Form1::watchClipboard() {
    // Asked when the clipboard says it changed, never on a timer: an X11 clipboard whose owner
    // hangs blocks every query for a long time.
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] { askClipboard(); });
    askClipboard();
}

void Form1::ClipboardCopy(const QRect& area) {
    const QImage block = copyStitches(state_.LeadSrc, area);
    QGuiApplication::clipboard()->setImage(block);
    clipboardHasPicture_ = true;
    refreshPasteEnabled();
}

void Form1::mnuCopy_Click() {
    const std::optional<QRect> area = selectionOrSay(QStringLiteral("コピー"));
    if (!area) return;
    setUndoEnabled(false);
    ClipboardCopy(*area);
    tools_.clearSelection();
    mnuTools_Click(tool::Pen);
}

void Form1::mnuCut_Click() {
    const std::optional<QRect> area = selectionOrSay(QStringLiteral("切り取り"));
    if (!area) return;
    takeUndoStep();
    ClipboardCopy(*area);
    fillStitches(state_.LeadSrc, *area, state_.PalTable[state_.RightIndex]);
    state_.qrnobj->chgflg = true;
    tools_.clearSelection();
    RepaintCanvas();
    mnuTools_Click(tool::Pen);
}

void Form1::mnuDelete_Click() {
    const std::optional<QRect> area = selectionOrSay(QStringLiteral("削除"));
    if (!area) return;
    takeUndoStep();
    fillStitches(state_.LeadSrc, *area, state_.PalTable[state_.RightIndex]);
    state_.qrnobj->chgflg = true;
    tools_.clearSelection();
    RepaintCanvas();
}

void Form1::mnuPaste_Click() {
    takeUndoStep();
    if (!askClipboard()) return;
    // A placement still floating gives way to the new one.
    endToolUse();
    tools_.clearSelection();
    setToolsEnabled(false);
    const QImage picture = QGuiApplication::clipboard()->image();
    if (picture.isNull()) {
        setToolsEnabled(true);
        return;
    }
    const bool floats = state_.LeadSrc.width() > picture.width() && state_.LeadSrc.height() > picture.height();
    if (!floats && services_.prompter->MsgBox(QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞの画像がｷｬﾝﾊﾞｽより大きいです。\r\n"
                                                             "画像を置き換えていいですか?"),
                                              vbYesNo, QStringLiteral("貼り付け")) != vbYes) {
        setToolsEnabled(true);
        return;
    }
    setBusy(true);
    Raster work;
    const int e = trapErrors([&] { work = pictureToPattern(picture, state_.PalTable); });
    setBusy(false);
    if (e) {
        setToolsEnabled(true);
        throw Error(e);
    }
    if (!floats) {
        state_.LeadSrc = work;
        state_.qrnobj->chgflg = true;
        setToolsEnabled(true);
        const int left = state_.LeftIndex;
        showChangedPattern(true, true);
        // Unlike the size commands, a paste leaves the colour the user draws with alone.
        SelectLeftColor(left);
        mnuTools_Click(tool::Pen);
        return;
    }
    // Floats: the frame follows the pointer until a press puts the picture down.
    state_.Lead1[0] = work;
    state_.ToolState = tool::Paste;
    state_.PlaceWidth = work.width();
    state_.PlaceHeight = work.height();
    Picdisplay->setFocus();
}

void Form1::mnuSelectAll_Click() {
    // A floating placement is not a selection; it ends as Escape ends it.
    if (tools_.placing()) mnuTools_Click(tool::Pen);
    mnuSelectAll->setChecked(true);
    mnuSelect->setChecked(false);
    qrnobj& q = *state_.qrnobj;
    q.smpx = q.smpy = 0;
    q.empx = static_cast<int16_t>(state_.LeadSrc.width());
    q.empy = static_cast<int16_t>(state_.LeadSrc.height());
    q.selected = true;
    setCutCopyEnabled(true);
    setDeleteEnabled(true);
    overlayChanged();
    Picdisplay->setCursor(Qt::ArrowCursor);
    Picdisplay->setFocus();
}

void Form1::mnuEdit_Click() {
    askClipboard();
    const bool selected = selection().has_value();
    for (QAction* a : {mnuCut, mnuCopy, mnuDelete, mnuReverse->menuAction()}) a->setEnabled(selected);
}

void Form1::mnuOption_Click() { mnuSizeSel->setEnabled(selection().has_value()); }

bool Form1::Picdisplay_KeyDown(int key) {
    if (state_.ToolState == tool::Off) return false;
    if (key == Qt::Key_Escape) {
        tools_.cancelGesture();
        tools_.clearSelection();
        if (state_.ToolState >= tool::Text) mnuTools_Click(tool::Pen);
        return true;
    }
    if (key == Qt::Key_Delete) {
        guarded(QStringLiteral("削除"), [this] { mnuDelete_Click(); });
        return true;
    }
    return false;
}

void Form1::Picdisplay_DropFiles(const QList<QUrl>& urls) {
    if (!state_.normalView) return;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) continue;
        // Opened once the drop has finished, so the program that dragged is not kept waiting
        // while the import dialog is open.
        const QString path = url.toLocalFile();
        QTimer::singleShot(0, this, [this, path] { openDroppedFile(path); });
        return;
    }
}

void Form1::openDroppedFile(const QString& path) {
    Tag = QStringLiteral("0");
    bool opened = false;
    const int e = trapErrors([&] { opened = OpenPatternFile(path); });
    if (opened) {
        setWindowTitle(QStringLiteral("QORN - ") + SplitPath(state_.qrnobj->savefile).base);
        rememberFolder(path);
        RememberFile(path);
    }
    if (e) showFileError(e, FileCommand::Open, QStringLiteral("開く"));
    frmBmp_.reset();
}

// Mirror, grayscale, size and gauge.

void Form1::mnuReverse_Click(int index) {
    const std::optional<QRect> area = selectionOrSay(QStringLiteral("鏡像処理"));
    if (!area) return;
    const int e = trapErrors([&] {
        setBusy(true);
        Raster work = state_.LeadSrc;
        mirrorStitches(work, *area, index == 0);
        takeUndoStep();
        state_.LeadSrc = work;
        tools_.clearSelection();
        state_.qrnobj->chgflg = true;
        showChangedPattern(false, false);
        setBusy(false);
    });
    if (e) return showFileError(e, FileCommand::Transform, QStringLiteral("反転"));
    mnuTools_Click(tool::Pen);
}

void Form1::mnuEditGscale_Click() {
    if (services_.prompter->MsgBox(QStringLiteral("画像を16階調グレースケールに変換します"), vbOKCancel,
                                   QStringLiteral("グレースケール化")) != vbOK)
        return;
    const std::optional<QRect> area = selection();
    setBusy(true);
    Raster work = state_.LeadSrc;
    grayscaleToPalette(work, area, state_.PalTable);
    takeUndoStep();
    state_.LeadSrc = work;
    tools_.clearSelection();
    state_.qrnobj->chgflg = true;
    showChangedPattern(false, true);
    setBusy(false);
}

void Form1::mnuSizeNum_Click() {
    const int W = state_.LeadSrc.width(), H = state_.LeadSrc.height();
    tools_.clearSelection();
    frmGauge dialog(frmGauge::Mode::Size, *services_.prompter, this);
    dialog.MeText->setValue(W);
    dialog.DanText->setValue(H);
    services_.modal->exec(dialog);
    if (dialog.Tag != QLatin1String("1")) return;
    const int e = trapErrors([&] {
        setBusy(true);
        Raster work = state_.LeadSrc;
        resizeAnchored(work, dialog.me(), dialog.dan(), state_.PalTable[state_.RightIndex]);
        // The size change itself cannot be undone.
        setUndoEnabled(false);
        state_.LeadSrc = work;
        state_.qrnobj->chgflg = true;
        showChangedPattern(true, true);
        setBusy(false);
    });
    if (e) showFileError(e, FileCommand::SizeByNumber, QStringLiteral("ｻｲｽﾞ変更"));
}

void Form1::mnuSizeSel_Click() {
    setUndoEnabled(false);
    const std::optional<QRect> area = selection();
    if (!area) return;
    const QRect keep = cropRectForSelection(*area, QSize(state_.LeadSrc.width(), state_.LeadSrc.height()));
    setBusy(true);
    Raster work = state_.LeadSrc;
    work.crop(keep.left(), keep.top(), keep.width(), keep.height());
    state_.LeadSrc = work;
    tools_.clearSelection();
    state_.qrnobj->chgflg = true;
    showChangedPattern(true, true);
    setBusy(false);
}

void Form1::mnuGauge_Click() {
    tools_.clearSelection();
    qrnobj& q = *state_.qrnobj;
    const int rows = state_.LeadSrc.height(), width = state_.LeadSrc.width();
    frmGauge dialog(frmGauge::Mode::Gauge, *services_.prompter, this);
    dialog.MeText->setValue(q.mee());
    dialog.DanText->setValue(q.dan());
    // A gauge that would leave no row, or far too many, is refused while the dialog is open.
    dialog.check = [&](int me, int dan) {
        return gaugeChangeRefusal({q.mee(), q.dan(), me, dan}, width, rows);
    };
    services_.modal->exec(dialog);
    if (dialog.Tag != QLatin1String("1")) return;
    setBusy(true);
    // Gauge and pattern change together, or neither does.
    const Raster changed = gaugeChanged(state_.LeadSrc, {q.mee(), q.dan(), dialog.me(), dialog.dan()});
    setUndoEnabled(false);
    q.setMee(dialog.me());
    q.setDan(dialog.dan());
    state_.LeadSrc = changed;
    q.chgflg = true;
    showChangedPattern(true, true);
    setBusy(false);
}

// The status line.

void Form1::Label_DblClick() {
    if (state_.normalView) guarded(QStringLiteral("ゲージ変更"), [this] { mnuGauge_Click(); });
}

void Form1::Label_MouseUp(Qt::MouseButton button, const QPoint& globalPos) {
    mnuSizeSel->setEnabled(selection().has_value());
    if (button == Qt::RightButton && state_.normalView) mnuOption->popup(globalPos);
}

} // namespace qorn
