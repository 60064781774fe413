// The palette and the current colours; colour check, specific colour change and reduction.
#include "app/Form1.h"
#include "app/modal_runner.h"
#include "common/error.h"
#include "dialogs/spin_edit.h"
#include "edit/edit_ops.h"
#include "frmColchk.h"
#include "frmReduce.h"
#include "import/import_source.h"
#include "palette_widgets.h"
#include "tools/tool_table.h"

#include <QCheckBox>

namespace qorn {

void Form1::refreshColorBoxes() {
    Palbox->setMarker(state_.LeftIndex);
    Nowcolor->setColors(state_.PalTable[state_.LeftIndex], state_.PalTable[state_.RightIndex]);
}

void Form1::SelectLeftColor(int index) {
    state_.SelectLeftColor(index);
    refreshColorBoxes();
}

void Form1::SelectRightColor(int index) {
    state_.SelectRightColor(index);
    refreshColorBoxes();
}

void Form1::Palbox_MouseDown(Qt::MouseButton button, double x, double y) {
    const int index = Palette::indexAt(x, y);
    if (index < 0) return;
    if (button == Qt::LeftButton) SelectLeftColor(index);
    else SelectRightColor(index);
}

void Form1::Nowcolor_Click() {
    state_.swapColors();
    refreshColorBoxes();
}

void Form1::showColourDialog(frmColchk& dialog) {
    dialog.onLeftColour = [this](int index) { SelectLeftColor(index); };
    dialog.onRightColour = [this](int index) { SelectRightColor(index); };
    services_.modal->exec(dialog);
}

void Form1::mnuColorChk_Click() {
    setBusy(true);
    frmColchk dialog(frmColchk::Mode::Check, state_.PalTable, state_.LeftIndex, state_.LeadSrc.image(), selection(),
                     this);
    setBusy(false);
    showColourDialog(dialog);
}

void Form1::mnuColorChange_Click() {
    takeUndoStep();
    const std::optional<QRect> area = selection();
    frmColchk dialog(frmColchk::Mode::Change, state_.PalTable, state_.LeftIndex, state_.LeadSrc.image(), area, this);
    showColourDialog(dialog);
    if (!dialog.changeChosen()) return;
    Raster work = state_.LeadSrc;
    changePaletteColour(work, area, state_.PalTable, dialog.BeforeIndex, dialog.AfterIndex);
    state_.LeadSrc = work;
    tools_.clearSelection();
    state_.qrnobj->chgflg = true;
    RepaintCanvas();
}

void Form1::mnuReduceColor_Click() {
    const QString title = QStringLiteral("減色");
    const int e = trapErrors([&] {
        setBusy(true);
        takeUndoStep();
        const int n = state_.LeadSrc.colorCount();
        setBusy(false);
        if (n <= 2) {
            services_.prompter->MsgBox(QStringLiteral("これ以上の減色はできません"), vbOKCancel + vbExclamation,
                                       QStringLiteral("減色処理"));
            return;
        }
        tools_.clearSelection();
        frmReduce dialog(n, this);
        services_.modal->exec(dialog);
        if (dialog.Tag != QLatin1String("1")) return;
        const std::optional<int> k = parseFieldNumber(dialog.Text1->text());
        const bool dither = dialog.chkDither->isChecked();
        if (k == 0) return;
        if (!k || *k < 2 || *k > n) {
            services_.prompter->MsgBox(QStringLiteral("減色できません"), vbOKOnly, QStringLiteral("色数指定不正"));
            return;
        }
        setBusy(true);
        Raster work = state_.LeadSrc;
        reduceToPalette(work, state_.PalTable, *k, dither);
        work.colorRes(24, PaletteFixedRgb, 0, 0);
        state_.LeadSrc = work;
        state_.qrnobj->chgflg = true;
        RepaintCanvas();
        scrollToBottomLeft();
        runVisibleScrollHandlers();
        setBusy(false);
        mnuTools_Click(tool::Pen);
    });
    if (e) {
        showFileError(e, FileCommand::Transform, title);
        mnuTools_Click(tool::Pen);
    }
}

} // namespace qorn
