// Motifs: choosing one, its thumbnail, and the placement that stamps it.
#include "app/Form1.h"
#include "common/error.h"
#include "document/pattern_files.h"
#include "tools/motif.h"
#include "tools/tool_table.h"
#include "view/canvas_widgets.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPalette>
#include <QPixmap>

namespace qorn {
namespace {

const QString kMotifFilter = QStringLiteral(
    "ＱＲＤ(*.QRD)|*.qrd|ＢＭＰ(*.BMP)|*.bmp|ＴＩＦ(*.TIF)|*.tif|ＰＣＸ(*.PCX)|*.pcx|ＪＰＥＧ(*.JPG)|*.jpg|"
    "ｱｲｺﾝ(*.ICO)|*.ico|すべてのファイル(*.*)|*.*");

// The hourglass for the length of a scope, whatever way it is left.
struct BusyPointer {
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

} // namespace

void Form1::buildMotifMenu() {
    mnuMotif = mnuTool->addMenu(QStringLiteral("モチーフ(&M)"));
    mnuMotifSel = mnuMotif->addAction(QStringLiteral("ﾓﾁｰﾌを選ぶ..."));
    mnuMotifPaste = mnuMotif->addAction(QStringLiteral("ﾓﾁｰﾌを貼り付ける"));
    mnuMotifDel = mnuMotif->addAction(QStringLiteral("ﾓﾁｰﾌ選択解除"));
    connect(mnuMotifSel, &QAction::triggered, this, &Form1::mnuMotifSel_Click);
    connect(mnuMotifPaste, &QAction::triggered, this, &Form1::mnuMotifPaste_Click);
    connect(mnuMotifDel, &QAction::triggered, this, &Form1::mnuMotifDel_Click);
    mnuMotifPaste->setEnabled(false);
    mnuMotifDel->setEnabled(false);
}

void Form1::buildMotifBox() {
    ImgMotif = new QLabel(client);
    ImgMotif->setObjectName(QStringLiteral("ImgMotif"));
    ImgMotif->setFixedSize(kMotifThumbnailSide, kMotifThumbnailSide);
    ImgMotif->installEventFilter(this);
}

void Form1::mnuTool_Click() {
    const bool set = !MotifFile.isEmpty();
    mnuMotifPaste->setEnabled(set);
    mnuMotifDel->setEnabled(set);
}

bool Form1::isMotifFile(const QString& path) const {
    return !MotifFile.isEmpty() && (sameFile(path, MotifFile) || sameFile(path, motifImage_));
}

void Form1::mnuMotifSel_Click() {
    const QString title = QStringLiteral("ﾓﾁｰﾌを選ぶ");
    const int e = trapErrors([&] { chooseMotif(title); });
    // The previous motif stays whatever went wrong.
    if (e && e != err::Cancelled) showFileError(e, FileCommand::MotifSelection, title);
}

void Form1::chooseMotif(const QString& title) {
    cCommonDlg dlg(*services_.files);
    dlg.Form = this;
    dlg.Filter = kMotifFilter;
    dlg.FilterIndex = MotifFilterIndex == 0 ? 1 : MotifFilterIndex;
    dlg.Flags = cCommonDlg::FileMustExist;
    dlg.CancelError = true;
    dlg.DialogTitle = title;
    dlg.InitDir = startFolder();
    dlg.ShowOpen();
    if (dlg.CancelButton) throw Error(err::Cancelled);
    const QString path = dlg.FileName;
    rememberFolder(path);

    // The pattern being edited, by its own image or by its side file, is never its own motif.
    const QString image = motifKindOf(path) == MotifKind::Pattern ? readSideFileImage(path, path).file : path;
    const QString own = state_.qrnobj->savefile;
    if (sameFile(image, own) || sameFile(path, own)) {
        services_.prompter->MsgBox(QStringLiteral("編集中の画像はモチーフとして選択できません"), vbOKOnly, title);
        return;
    }
    LoadedMotif loaded;
    {
        BusyPointer busy;
        loaded = loadMotif(path, state_.PalTable);
    }
    if (motifTooLarge(loaded.motif.size(), QSize(state_.LeadSrc.width(), state_.LeadSrc.height()))) {
        services_.prompter->MsgBox(kMotifTooLarge, vbOKCancel + vbExclamation, title);
        return;
    }
    const QColor face = palette().color(QPalette::Button);
    const QImage thumb = motifThumbnail(loaded.motif, makeColorRef(face.red(), face.green(), face.blue()));
    ImgMotif->setFixedSize(thumb.size());
    ImgMotif->setPixmap(QPixmap::fromImage(thumb));
    MotifFile = path;
    motifImage_ = loaded.image;
    MotifFilterIndex = FilterIndexOf(kMotifFilter, SplitPath(path).ext);
}

void Form1::mnuMotifDel_Click() {
    if (MotifFile.isEmpty()) return;
    ImgMotif->clear();
    ImgMotif->setFixedSize(kMotifThumbnailSide, kMotifThumbnailSide);
    MotifFile.clear();
    motifImage_.clear();
}

void Form1::ImgMotif_MouseUp(Qt::MouseButton button, const QPoint& globalPos) {
    mnuTool_Click();
    if (button == Qt::LeftButton && !MotifFile.isEmpty()) mnuMotifPaste_Click();
    else if (button == Qt::RightButton) mnuMotif->popup(globalPos);
}

void Form1::mnuMotifPaste_Click() {
    if (MotifFile.isEmpty() || !state_.normalView) return;
    const QString title = QStringLiteral("ﾓﾁｰﾌ貼り付け");
    const int e = trapErrors([&] { startMotifPlacement(title); });
    if (e) {
        // Nothing floats after a failure; the pen is back and the tools usable.
        mnuTools_Click(tool::Pen);
        showFileError(e, FileCommand::MotifSelection, title);
    }
}

void Form1::startMotifPlacement(const QString& title) {
    // A placement still floating gives way to this one.
    endToolUse();
    tools_.clearSelection();
    takeUndoStep();
    const bool pattern = QFileInfo(MotifFile).isFile() && motifKindOf(MotifFile) == MotifKind::Pattern;
    if (!QFileInfo(MotifFile).isFile() || (pattern && !QFileInfo(readSideFileImage(MotifFile, MotifFile).file).isFile())) {
        services_.prompter->MsgBox(QStringLiteral("ﾌｧｲﾙが見つかりません"), vbOKOnly, title);
        mnuTools_Click(tool::Pen);
        return;
    }
    LoadedMotif loaded;
    {
        BusyPointer busy;
        // Read, checked and masked once: every stamp of this placement uses this copy, whatever
        // happens to the file meanwhile.
        loaded = loadMotif(MotifFile, state_.PalTable);
    }
    state_.Lead1[0].setImage(loaded.motif.picture);
    if (loaded.motif.masked()) state_.Lead1[1].setImage(loaded.motif.mask);
    else state_.Lead1[1].release();
    setToolsEnabled(false);
    state_.ToolState = tool::Motif;
    state_.PlaceWidth = loaded.motif.size().width();
    state_.PlaceHeight = loaded.motif.size().height();
    Picdisplay->setCursor(Qt::ArrowCursor);
    Picdisplay->setFocus();
}

} // namespace qorn
