// The canvas view: layout, scroll bars, zoom and the grid menu.
#include "app/Form1.h"
#include "canvas_widgets.h"
#include "colour/palette_widgets.h"
#include "app/app_paths.h"
#include "dialogs/cCommonDlg.h"
#include "document/pattern_files.h"
#include "frmAll.h"
#include "view/symbol_file.h"
#include "app/modal_runner.h"
#include "common/error.h"
#include "tools/tool_bar.h"
#include "tools/tool_table.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QMouseEvent>
#include <QWheelEvent>

#include <cmath>

namespace qorn {

void Form1::buildCanvasArea() {
    // The viewport clips the canvas inside its one-pixel frame.
    Picdummy = new QFrame(client);
    Picdummy->setObjectName(QStringLiteral("Picdummy"));
    Picdummy->setFrameStyle(QFrame::Box | QFrame::Plain);
    Picdummy->setLineWidth(1);
    auto* inner = new QWidget(Picdummy);
    inner->setObjectName(QStringLiteral("PicdummyInner"));
    inner->move(1, 1);
    Picdisplay = new CanvasView(state_, renderer, [this] { return gridChoice(); }, inner);
    Picdisplay->setObjectName(QStringLiteral("Picdisplay"));
    Picdisplay->setMouseTracking(true); // frames of floating objects follow the pointer

    Hscaledum = new QWidget(client);
    Hscale = new RulerStrip(Qt::Horizontal, Hscaledum);
    Vscaledum = new QWidget(client);
    Vscale = new RulerStrip(Qt::Vertical, Vscaledum);

    HScroll1 = new QScrollBar(Qt::Horizontal, client);
    VScroll1 = new QScrollBar(Qt::Vertical, client);
    HScroll1->setObjectName(QStringLiteral("HScroll1"));
    VScroll1->setObjectName(QStringLiteral("VScroll1"));
    connect(HScroll1, &QScrollBar::valueChanged, this, [this] { Hscroll1_Change(); });
    connect(VScroll1, &QScrollBar::valueChanged, this, [this] { VScroll1_Change(); });

    for (QWidget* w : {static_cast<QWidget*>(Picdummy), inner, Hscaledum, Vscaledum,
                       static_cast<QWidget*>(Hscale), static_cast<QWidget*>(Vscale)})
        w->installEventFilter(this);

    LblZoom = new QLabel(QStringLiteral("0"), client);
    LblZoom->setObjectName(QStringLiteral("LblZoom"));
    LblZoom->setMinimumWidth(20);
}

GridChoice Form1::gridChoice() const {
    for (int i = 0; i < 3; ++i)
        if (mnuGrids[i]->isChecked()) return static_cast<GridChoice>(i);
    return GridNone;
}

void Form1::LayoutCanvas() {
    LayoutInput in;
    in.geometry = Picdisplay->geometry();
    in.clientWidth = client->width();
    in.clientHeight = client->height();
    in.canvasBorder = CanvasView::kBorder;
    in.viewportBorder = 2;
    const CanvasLayout l = layoutCanvas(in);
    lastLayout = l;

    Picdisplay->resize(l.canvas);
    Picdummy->setGeometry(l.viewport);
    Picdummy->findChild<QWidget*>(QStringLiteral("PicdummyInner"))
        ->setGeometry(1, 1, l.viewport.width() - 2, l.viewport.height() - 2);

    // A hidden bar holds nothing to scroll: its value is 0, and so is the canvas offset.
    HScroll1->setVisible(l.h.visible);
    HScroll1->setMaximum(l.h.visible ? l.h.max : 0);
    if (l.h.visible) { // AdjustHbar
        HScroll1->setGeometry(QRect(l.hscrollTopLeft, QSize(l.viewport.width(), HScroll1->sizeHint().height())));
        HScroll1->setPageStep(l.h.largeChange);
        HScroll1->setSingleStep(l.h.smallChange);
    }
    VScroll1->setVisible(l.v.visible);
    VScroll1->setMaximum(l.v.visible ? l.v.max : 0);
    if (l.v.visible) { // AdjustVbar
        VScroll1->setGeometry(QRect(l.vscrollTopLeft, QSize(VScroll1->sizeHint().width(), l.viewport.height())));
        VScroll1->setPageStep(l.v.largeChange);
        VScroll1->setSingleStep(l.v.smallChange);
    }

    // AdjustHscale and AdjustVscale.
    const CanvasGeometry g = Picdisplay->geometry();
    Hscaledum->setGeometry(l.hscaledum);
    Hscale->resize(l.canvas.width(), l.hscaledum.height());
    Hscale->setScale(g);
    Vscaledum->setGeometry(l.vscaledum);
    Vscale->resize(l.vscaledum.width(), l.canvas.height());
    Vscale->setScale(g);
    LblZoom->move(l.lblZoom);

    if (isVisible() && (l.widenWindow || l.heightenWindow))
        resize(l.widenWindow ? minimumWidth() : width(), l.heightenWindow ? minimumHeight() : height());
    // Canvas and rulers take their offsets from the bars, whatever they were before.
    Hscroll1_Change();
    VScroll1_Change();
    Picdisplay->update();
}

void Form1::Hscroll1_Change() {
    const int x = HScroll1->isHidden() ? 0 : -HScroll1->value();
    Picdisplay->move(x, Picdisplay->y());
    Hscale->move(x, 0);
}

void Form1::VScroll1_Change() {
    const int y = VScroll1->isHidden() ? 0 : -VScroll1->value();
    Picdisplay->move(Picdisplay->x(), y);
    Vscale->move(0, y);
}

void Form1::runVisibleScrollHandlers() {
    // A hidden bar's handler puts its axis back at 0, so both always run.
    VScroll1_Change();
    Hscroll1_Change();
}

void Form1::scrollToBottomLeft() {
    VScroll1->setValue(VScroll1->maximum());
    HScroll1->setValue(HScroll1->minimum());
}

void Form1::Form_Resize() {
    if (isMinimized() || !Picdisplay) return;
    placeRightColumn();
    if (!state_.qrnobj) return;
    LayoutCanvas();
    runVisibleScrollHandlers();
}

void Form1::RepaintCanvas() { Picdisplay->update(); }

void Form1::mnuGrids_Click(int index) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (int i = 0; i < 3; ++i) mnuGrids[i]->setChecked(i == index);
    RepaintCanvas();
    QApplication::restoreOverrideCursor();
}

void Form1::mnuDispSelection_Click(int index) {
    if (index == 0) {
        showAllForm(true, QStringLiteral("全体表示"));
        Picdisplay->update();
        LblZoom->setText(QString::number(state_.zoom - kStartZoom));
        return;
    }
    if (index != 1 && index != 2) return;
    const bool zoomIn = index == 1;
    // Relative positions before anything changes; an empty range counts as 0.
    const double pH = HScroll1->maximum() > 0 ? double(HScroll1->value()) / HScroll1->maximum() : 0.0;
    const double pV = VScroll1->maximum() > 0 ? double(VScroll1->value()) / VScroll1->maximum() : 0.0;
    if (!stepZoom(state_.zoom, zoomIn)) return;

    LayoutCanvas();
    VScroll1->setValue(static_cast<int>(std::nearbyint(VScroll1->maximum() * pV)));
    HScroll1->setValue(static_cast<int>(std::nearbyint(HScroll1->maximum() * pH)));

    const ZoomGridRule rule = zoomGridRule(state_.zoom, zoomIn, gridChoice());
    if (rule.changesItems) {
        mnuGrids[GridFive]->setEnabled(rule.fiveEnabled);
        mnuGrids[GridOne]->setEnabled(rule.oneEnabled);
        mnuDispOption->setEnabled(rule.optionEnabled);
    }
    switch (rule.action) {
    case ZoomGridRule::SelectNone: mnuGrids_Click(GridNone); break;
    case ZoomGridRule::SelectFive: mnuGrids_Click(GridFive); break;
    case ZoomGridRule::Draw: RepaintCanvas(); break;
    case ZoomGridRule::Nothing: break;
    }
    runVisibleScrollHandlers();
    Picdisplay->update();
    LblZoom->setText(QString::number(state_.zoom - kStartZoom));
}

void Form1::Autoscroll(double x, double y) {
    if (!HScroll1->isHidden()) {
        const int inner = lastLayout.viewport.width() - 2;
        HScroll1->setValue(autoscrollValue(x * state_.zoom, inner, HScroll1->value(), HScroll1->maximum(),
                                           HScroll1->singleStep()));
    }
    if (!VScroll1->isHidden()) {
        const int inner = lastLayout.viewport.height() - 2;
        const double py = y * state_.zoom * state_.qrnobj->asp2();
        VScroll1->setValue(
            autoscrollValue(py, inner, VScroll1->value(), VScroll1->maximum(), VScroll1->singleStep()));
    }
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ImgMotif && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        guarded(QStringLiteral("ﾓﾁｰﾌ"), [&] { ImgMotif_MouseUp(mouse->button(), mouse->globalPosition().toPoint()); });
        return true;
    }
    if (watched == Label1 || watched == Label2 || watched == Label3) {
        if (event->type() == QEvent::MouseButtonDblClick) Label_DblClick();
        else if (event->type() == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            Label_MouseUp(mouse->button(), mouse->globalPosition().toPoint());
        }
        return QMainWindow::eventFilter(watched, event);
    }
    if (event->type() == QEvent::Wheel) {
        Picdisplay_Wheel(static_cast<QWheelEvent*>(event));
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void Form1::Picdisplay_Wheel(QWheelEvent* event) {
    if (event->modifiers() & Qt::ControlModifier) {
        // One zoom step per notch; a smooth wheel gathers its small steps first.
        wheelZoom_ += event->angleDelta().y();
        while (std::abs(wheelZoom_) >= 120) {
            const bool in = wheelZoom_ > 0;
            wheelZoom_ += in ? -120 : 120;
            if (state_.normalView) mnuDispSelection_Click(in ? 1 : 2);
        }
        return;
    }
    const bool horizontal = (event->modifiers() & Qt::ShiftModifier) || event->angleDelta().y() == 0;
    QScrollBar* bar = horizontal ? HScroll1 : VScroll1;
    if (bar->isHidden()) return;
    // Some systems turn a Shift wheel sideways themselves.
    const QPoint pixels = event->pixelDelta(), angle = event->angleDelta();
    int delta;
    if (!pixels.isNull()) delta = pixels.y() != 0 ? pixels.y() : pixels.x();
    else delta = (angle.y() != 0 ? angle.y() : angle.x()) * QApplication::wheelScrollLines() * kWheelLinePixels / 120;
    bar->setValue(bar->value() - delta);
}

void Form1::showAllForm(bool wholeView, const QString& caption) {
    frmAll form(wholeView ? frmAll::Content::WholeView : frmAll::Content::About, state_.LeadSrc.image(), this);
    form.setWindowTitle(caption);
    services_.modal->exec(form);
}

void Form1::mnuAbout_Click() { showAllForm(false, QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報")); }

void Form1::mnuHelpIndex_Click() {
    cCommonDlg dlg(*services_.files);
    dlg.Form = this;
    dlg.HelpFile = AppFile(QStringLiteral("Qorn.html"));
    dlg.HelpCommand = cCommonDlg::HelpContents;
    dlg.ShowHelp();
    if (dlg.ErrNumber != 0)
        services_.prompter->MsgBox(dlg.ErrDescription(), vbOKCancel + vbExclamation, QStringLiteral("ヘルプ"));
}

void Form1::mnuPatFile_Click() {
    cCommonDlg dlg(*services_.files);
    dlg.Form = this;
    dlg.Filter = QStringLiteral("ＳＹＭ(*.SYM)|*.SYM");
    dlg.InitDir = SplitPath(AppFile(QStringLiteral("qorn.sym"))).folder;
    dlg.Flags = cCommonDlg::FileMustExist;
    dlg.CancelError = true;
    dlg.DialogTitle = QStringLiteral("ﾊﾟﾀｰﾝﾌｧｲﾙの変更");
    dlg.FileName = state_.symFile;
    dlg.ShowOpen();
    // A cancel changes nothing; the file is read at its next use.
    if (dlg.CancelButton || dlg.FileName.isEmpty()) return;
    state_.symFile = dlg.FileName;
}

void Form1::setLocked(bool locked) {
    if (locked) {
        undoAtLock_ = mnuUndo->isEnabled();
        // A placement or gesture in progress ends as Escape ends it.
        tools_.cancelGesture();
        tools_.endPlacement();
        tools_.clearSelection();
    }
    for (QMenu* m : {mnuTool, mnuEdit, mnuOption, mnuGrid}) m->menuAction()->setEnabled(!locked);
    for (QAction* a : mnuDispSelection) a->setEnabled(!locked);
    for (QAction* a : {mnuReduceColor, mnuColorChange}) a->setEnabled(!locked);
    for (const char* key : {"zoomin", "zoomout", "quantize", "colchg", "gauge"}) {
        const QString k = QString::fromLatin1(key);
        tbButton(k)->setEnabled(!locked && tbCommands_.contains(k));
    }
    tbButton(QStringLiteral("paste"))->setEnabled(!locked && clipboardHasPicture_);
    mnuPaste->setEnabled(!locked && clipboardHasPicture_);
    setUndoEnabled(!locked && undoAtLock_);
    TBTools->releaseAll();
    TBTools->setEnabled(!locked);
    if (locked) state_.ToolState = tool::Off;
}

void Form1::leaveLockedView() {
    if (!state_.normalView || !mnuDispNormal->isChecked()) mnuDispNormal_Click();
}

void Form1::mnuDispCross_Click() {
    tools_.clearSelection();
    const bool fromNormal = state_.normalView;
    mnuDispNormal->setChecked(false);
    mnuDispCross->setChecked(true);
    mnuDispSym->setChecked(false);
    state_.normalView = false;
    // The bitmap is only looked at: the undo snapshot stays what it was.
    renderer.setCrossView(state_.PalTable[state_.RightIndex]);
    if (fromNormal) setLocked(true);
    Picdisplay->update();
}

void Form1::mnuDispSym_Click() {
    const SymbolFileResult symbols = readSymbolFile(state_.symFile, state_.RightIndex);
    switch (symbols.status) {
    case SymbolFileStatus::Ok: break;
    case SymbolFileStatus::Missing:
        // The view stays as it was.
        services_.prompter->MsgBox(symbols.message(), vbOKCancel + vbExclamation, QStringLiteral("ｼﾝﾎﾞﾙ表示"));
        return;
    case SymbolFileStatus::Short:
    case SymbolFileStatus::Undecodable:
        services_.prompter->MsgBox(symbols.message(), vbOKCancel + vbExclamation, QStringLiteral("印刷"));
        mnuDispNormal_Click();
        return;
    case SymbolFileStatus::TooLong:
    case SymbolFileStatus::Unreadable:
        showFileError(symbols.errorNumber, FileCommand::PatternDisplay, QStringLiteral("パターン表示"));
        mnuDispNormal_Click();
        return;
    }
    tools_.clearSelection();
    const bool fromNormal = state_.normalView;
    std::array<QString, 256> texts;
    for (int i = 0; i < 256; ++i) texts[static_cast<size_t>(i)] = symbols.table[static_cast<size_t>(i)].text;
    setBusy(true);
    const int e = trapErrors(
        [&] { renderer.setPatternView(state_.LeadSrc.image(), state_.PalTable, state_.RightIndex, texts); });
    setBusy(false);
    if (e) {
        showFileError(e, FileCommand::PatternDisplay, QStringLiteral("パターン表示"));
        mnuDispNormal_Click();
        return;
    }
    mnuDispNormal->setChecked(false);
    mnuDispCross->setChecked(false);
    mnuDispSym->setChecked(true);
    state_.normalView = false;
    if (fromNormal) setLocked(true);
    Picdisplay->update();
}

void Form1::mnuDispNormal_Click() {
    mnuDispNormal->setChecked(true);
    mnuDispCross->setChecked(false);
    mnuDispSym->setChecked(false);
    const bool wasLocked = !state_.normalView;
    renderer.setNormalView();
    if (wasLocked) setLocked(false);
    if (state_.zoom < 3) {
        mnuGrids_Click(GridNone);
        mnuGrids[GridFive]->setEnabled(false);
        mnuGrids[GridOne]->setEnabled(false);
    } else {
        mnuGrids[GridFive]->setEnabled(true);
        mnuGrids[GridOne]->setEnabled(true);
        RepaintCanvas();
    }
    state_.normalView = true;
    mnuTools_Click(tool::Pen);
}

} // namespace qorn
