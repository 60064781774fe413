#pragma once

#include "app/editor_state.h"
#include "app/prompter.h"
#include "dialogs/cCommonDlg.h"
#include "dialogs/file_errors.h"
#include "print/print_pages.h"
#include "tools/canvas_tools.h"
#include "view/canvas_geometry.h"
#include "view/canvas_renderer.h"

#include <QHash>
#include <QMainWindow>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QMenu;
class QScrollBar;
class QToolBar;
class QWheelEvent;
class QDialog;
class QPrinter;
class QUrl;

namespace qorn {

class CanvasView;
class FileDialogProvider;
class ModalRunner;
class frmBmp;
class frmChar;
class frmColchk;
class NowColorBox;
class RulerStrip;
class PaletteBox;
class SingleInstance;
class ToolButtonBar;

// The main window. Handlers are grouped by menu; each gathers its input, calls the core and
// refreshes what it changed. Definitions are split by subsystem (Form1_File.cpp, ...).
class Form1 : public QMainWindow, private ToolHost {
    Q_OBJECT

public:
    struct Services {
        Prompter* prompter = nullptr;
        ModalRunner* modal = nullptr;
        QString lockPath; // the single-instance lock
        FileDialogProvider* files = nullptr;
    };

    explicit Form1(const Services& services, QWidget* parent = nullptr);
    ~Form1() override;

    // Start-up. False when the program must end (a second instance, no palette file).
    bool Form_Load(const QString& commandLine);

    EditorState& state() { return state_; }
    // "1" after a save that was cancelled or failed, "0" otherwise.
    QString Tag = QStringLiteral("0");

    // The file menu and the main toolbar.
    int InitPattern();
    void RefreshStatus();
    // The three labels alone; RefreshStatus also resets the left colour.
    void refreshStatusLabels();
    void mnuNew_Click();
    void mnuExit_Click();
    void mnuOpen_Click();
    void mnuSave_Click();
    void mnuSaveAs_Click();
    void mnuFileSaveD_Click();
    void TbMenu_ButtonClick(const QString& key);

    // Opening one path: through its side file or the import dialog. True when a pattern or a
    // picture to place was taken over.
    bool OpenPatternFile(const QString& path);
    bool AskSaveBeforeOpen();
    // The recent-files list at the end of the file menu.
    void BuildRecentMenu();
    void RememberFile(const QString& path);
    bool IsRecentFile(const QString& path) const;
    void mnuFileRecent_Click(int index);
    QAction* mnuFileRecent[5] = {nullptr, nullptr, nullptr, nullptr, nullptr}; // separator, 1 to 4
    QAction* mnuOpen = nullptr;
    QAction* mnuSave = nullptr;
    QAction* mnuSaveAs = nullptr;
    QAction* mnuFileSaveD = nullptr;
    // The import dialog while an open uses it.
    frmBmp* importDialog() const { return frmBmp_.get(); }

    // The canvas view: layout, scrolling, zoom and grid.
    void LayoutCanvas();
    void Hscroll1_Change();
    void VScroll1_Change();
    void mnuDispSelection_Click(int index);
    void mnuGrids_Click(int index);
    // Display modes: normal editing, the cross-stitch picture, the symbol chart.
    void mnuDispNormal_Click();
    void mnuDispCross_Click();
    void mnuDispSym_Click();
    // The settings menu, the symbol file, the about box and the help.
    void mnuPatFile_Click();
    void mnuAbout_Click();
    void mnuHelpIndex_Click();
    // The text-file chart.
    void mnuFilePrint_Click();
    // Printing: the symbol or colour chart to the printer, or to a PDF file without one.
    void mnuPrint_Click();
    QAction* mnuPrint = nullptr;
    // The printer of the run; the printer dialog's choice lasts until the program ends.
    QPrinter& printer();
    // Renders the canvas from the bitmap; the grid is drawn with every rendering.
    void RepaintCanvas();
    void Autoscroll(double x, double y);
    void Form_Resize();
    // The wheel scrolls the canvas (Shift: sideways) through the bars; Ctrl+wheel zooms.
    void Picdisplay_Wheel(QWheelEvent* event);
    static constexpr int kWheelLinePixels = 20;
    GridChoice gridChoice() const;
    void scrollToBottomLeft();
    void runVisibleScrollHandlers();

    // Edit menu.
    void mnuUndo_Click();
    void setUndoEnabled(bool enabled) override;
    void mnuCopy_Click();
    void mnuCut_Click();
    void mnuDelete_Click();
    void mnuPaste_Click();
    void mnuSelectAll_Click();
    // Opening the edit menu and the settings menu brings their items in step.
    void mnuEdit_Click();
    void mnuOption_Click();
    // 0 turns the selection upside down, 1 mirrors it left to right.
    void mnuReverse_Click(int index);
    void mnuEditGscale_Click();
    // The size and the gauge.
    void mnuSizeNum_Click();
    void mnuSizeSel_Click();
    void mnuGauge_Click();
    // Escape and Delete on the canvas; true when the key was taken.
    bool Picdisplay_KeyDown(int key);
    // Files dropped on the canvas: the first local one is opened once the drop is over.
    void Picdisplay_DropFiles(const QList<QUrl>& urls);
    // The status labels: a double click changes the gauge, a right click offers the settings.
    void Label_DblClick();
    void Label_MouseUp(Qt::MouseButton button, const QPoint& globalPos);
    // Whether the clipboard holds a picture, as last asked; and how often it was asked.
    bool clipboardHasPicture() const { return clipboardHasPicture_; }
    int clipboardQueries() const { return clipboardQueries_; }

    // The canvas mouse and the tools.
    void Picdisplay_MouseDown(int button, bool shift, double x, double y);
    void Picdisplay_MouseMove(int button, bool shift, double x, double y);
    void Picdisplay_MouseUp(int button, bool shift, double x, double y);
    void mnuTools_Click(int index);
    void mnuSelect_Click();
    void mnuSpoit_Click();
    // A figure variant from its submenu or its group button: rectangles to polygons.
    void selectFigureVariant(int toolState);
    void TBTools_ButtonClick(int number);
    void TBTools_MouseDown(Qt::MouseButton button, QPoint at);
    void TBReset();
    void endToolUse();
    void mnuToolsww_Click(int index);
    void Fillmode_Click();
    CanvasTools& tools() { return tools_; }
    // The text tool: its dialog while it is loaded (from choosing the tool until its text is
    // written or dropped).
    frmChar* textDialog() const { return frmChar_.get(); }

    // Motifs: a picture chosen once and stamped as often as wanted.
    void mnuTool_Click();
    void mnuMotifSel_Click();
    void mnuMotifPaste_Click();
    void mnuMotifDel_Click();
    void ImgMotif_MouseUp(Qt::MouseButton button, const QPoint& globalPos);
    QMenu* mnuMotif = nullptr;
    QAction* mnuMotifSel = nullptr;
    QAction* mnuMotifPaste = nullptr;
    QAction* mnuMotifDel = nullptr;
    QLabel* ImgMotif = nullptr;
    QString MotifFile;
    int MotifFilterIndex = 0;
    // The submenu of a figure group (parent index 20 to 70).
    QMenu* toolGroupMenu(int parentIndex) const { return toolGroups_.value(parentIndex); }

    // The colour menu: colour check, specific colour change, colour reduction.
    void mnuColorChk_Click();
    void mnuColorChange_Click();
    void mnuReduceColor_Click();
    QMenu* mnuColor = nullptr;
    QAction* mnuColorChk = nullptr;
    QAction* mnuColorChange = nullptr;
    QAction* mnuReduceColor = nullptr;

    // Palette and current colours.
    void Palbox_MouseDown(Qt::MouseButton button, double x, double y);
    void Nowcolor_Click();
    void SelectLeftColor(int index);
    void SelectRightColor(int index);

    // Controls, for tests and for the subsystems that arrive later.
    QToolBar* TbMenu = nullptr;
    QAction* tbButton(const QString& key) const { return tbButtons_.value(key); }
    QMenu* mnuFile = nullptr;
    QAction* mnuNew = nullptr;
    QAction* mnuExit = nullptr;
    QMenu* mnuEdit = nullptr;
    QAction* mnuUndo = nullptr;
    QAction* mnuCut = nullptr;
    QAction* mnuCopy = nullptr;
    QAction* mnuPaste = nullptr;
    QAction* mnuDelete = nullptr;
    QAction* mnuSelectAll = nullptr;
    QMenu* mnuReverse = nullptr;
    QAction* mnuReverses[2] = {nullptr, nullptr}; // upside down, left to right
    QAction* mnuEditGscale = nullptr;
    QAction* mnuGauge = nullptr;
    QMenu* mnuSize = nullptr;
    QAction* mnuSizeNum = nullptr;
    QAction* mnuSizeSel = nullptr;
    QMenu* mnuDisp = nullptr;
    QAction* mnuDispSelection[3] = {nullptr, nullptr, nullptr}; // whole view, zoom in, zoom out
    QMenu* mnuGrid = nullptr;
    QAction* mnuGrids[3] = {nullptr, nullptr, nullptr};
    QMenu* mnuDispOption = nullptr;
    QAction* mnuDispNormal = nullptr;
    QAction* mnuDispCross = nullptr;
    QAction* mnuDispSym = nullptr;
    QMenu* mnuOption = nullptr;
    QAction* mnuPatFile = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuHelpIndex = nullptr;
    QAction* mnuAbout = nullptr;
    QAction* mnuFilePrint = nullptr;
    QAction* mnuSelect = nullptr;
    QMenu* mnuTool = nullptr;
    QAction* mnuToolsNow = nullptr;
    QHash<int, QAction*> mnuTools; // 1, 2, 3, 81, 91 and the group parents 20 to 70
    QHash<int, QAction*> toolVariantItems; // every figure variant by its tool code
    QAction* mnuSpoit = nullptr;
    QMenu* mnuToolsw = nullptr;
    QAction* mnuToolsww[5] = {nullptr, nullptr, nullptr, nullptr, nullptr}; // 1 to 4
    ToolButtonBar* TBTools = nullptr;
    QCheckBox* Fillmode = nullptr;

    QWidget* client = nullptr;
    QFrame* Picdummy = nullptr;
    CanvasView* Picdisplay = nullptr;
    QWidget* Hscaledum = nullptr;
    QWidget* Vscaledum = nullptr;
    RulerStrip* Hscale = nullptr;
    RulerStrip* Vscale = nullptr;
    QScrollBar* HScroll1 = nullptr;
    QScrollBar* VScroll1 = nullptr;
    QLabel* LblZoom = nullptr;
    CanvasRenderer renderer;
    CanvasLayout lastLayout;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    PaletteBox* Palbox = nullptr;
    NowColorBox* Nowcolor = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    // The wheel over the rulers and the viewport scrolls the canvas too.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Shutdown; false cancels the close.
    bool Form_QueryUnload();
    // The save question of "新規" and of closing; true when the caller may go on.
    bool askSaveChanges(const QString& title);
    void buildMenus();
    void buildToolbar();
    void buildClientArea();
    void buildCanvasArea();
    void buildToolMenu();
    void buildToolBar();
    void placeRightColumn();
    void setToolCaption(const QString& caption);

    // What the drawing tools ask of the window.
    void setCutCopyEnabled(bool enabled) override;
    void setDeleteEnabled(bool enabled) override;
    void repaintFromBitmap() override;
    void repaintStitch(int x, int y) override;
    void overlayChanged() override;
    void autoscroll(double x, double y) override;
    void selectPen() override;
    void colorsChanged() override;
    void setBusy(bool busy) override;
    void setToolsEnabled(bool enabled) override;
    void refreshColorBoxes();
    // The colour dialog, its palette presses following in the main window.
    void showColourDialog(frmColchk& dialog);

    Services services_;
    EditorState state_;
    std::unique_ptr<SingleInstance> instance_;
    QString defaultPrinter_;
    QHash<QString, QAction*> tbButtons_;
    // What each main-toolbar key runs; keys without a command yet have disabled buttons.
    QHash<QString, std::function<void()>> tbCommands_;
    CanvasTools tools_{state_, *this};
    QHash<int, QMenu*> toolGroups_;
    bool firstPaintNoticed_ = false;
    int openFilterIndex_ = 1;
    QString lastFolder_;
    int wheelZoom_ = 0;
    std::unique_ptr<frmBmp> frmBmp_;
    std::unique_ptr<frmChar> frmChar_;
    // The picture the motif file stands for (a side file's image); neither may be opened.
    QString motifImage_;
    bool isMotifFile(const QString& path) const;
    void chooseText();
    void chooseMotif(const QString& title);
    void startMotifPlacement(const QString& title);
    void buildMotifMenu();
    void buildMotifBox();

    void showFileError(int number, FileCommand command, const QString& title);
    // Runs a command that has no error handling of its own; a failure is reported under
    // `title` and leaves the pattern as it was.
    void guarded(const QString& title, const std::function<void()>& command);
    // A menu item whose command runs guarded under `title`.
    QAction* addCommand(QMenu* menu, const QString& caption, const QString& title,
                        const std::function<void()>& command);
    // The folder a file dialog starts in when the pattern has none of its own.
    QString startFolder() const;
    // A save dialog as every save command shows it (first type chosen, the program's option
    // flags, starting in the last folder used); the caller adds its title and name.
    cCommonDlg saveDialog(const QString& filter, const QString& defaultExt);
    // Shows it; a cancel leaves through err::Cancelled, a chosen folder is remembered. The
    // motif's files (and, `withSideFile`, the side file the save writes) are refused.
    QString chosenSaveName(cCommonDlg& dlg, bool withSideFile = false);
    void rememberFolder(const QString& path);
    // Everything a freshly loaded or new pattern must not inherit: a selection, a pending
    // placement, a gesture in progress, the undo snapshot.
    void forgetEditingState();
    // The cross and pattern views lock editing; normal view unlocks it and puts undo back as
    // it was at the lock.
    void setLocked(bool locked);
    bool undoAtLock_ = false;
    // Back to normal view before anything replaces the pattern.
    void leaveLockedView();
    // The whole view (true) or the about box, shown modally.
    void showAllForm(bool wholeView, const QString& caption);
    void afterPatternLoaded();
    bool ImportPattern(const QString& path);

    std::optional<PrintJob> printJob(const PrintOptions& options);
    // Shows why a print cannot be made; true when it cannot.
    bool refusePrint(PrintRefusal refusal);
    void printerSetup(QWidget* owner);
    void previewPrint(const PrintOptions& options);
    std::unique_ptr<QPrinter> printer_;

    // The selected stitches (normalised, clipped, never empty), or nothing.
    std::optional<QRect> selection() const;
    // The same; without one, "範囲が選択されていません" under the command's title.
    std::optional<QRect> selectionOrSay(const QString& title);
    // The undo snapshot of the pattern as it is, and undo offered.
    void takeUndoStep();
    // After a command changed the pattern: layout and status when its size changed, the
    // canvas, the view back at the bottom rows (and the first column when asked).
    void showChangedPattern(bool sizeChanged, bool horizontalToStart);
    void ClipboardCopy(const QRect& area);
    bool askClipboard();
    void refreshPasteEnabled();
    void watchClipboard();
    void openDroppedFile(const QString& path);
    bool clipboardHasPicture_ = false;
    int clipboardQueries_ = 0;

    // Crash recovery (Form1_Recovery.cpp): while the pattern is modified a copy of it is kept in
    // the user's data folder, and offered at the next start when this run never ended normally.
public:
    // How long editing must pause before the copy is written, and the longest a change waits
    // during an edit that never pauses.
    void setRecoveryDelays(int idleMs, int longestMs);
    // This run's copy; empty while there is none.
    QString recoveryCopyPath() const;

private:
    class RecoveryKeeper& recoveryKeeper();
    // At start-up: offers a copy left by a run that did not end; true when one was restored.
    bool offerRecovery();
    // After anything that may have changed or saved the pattern: the copy follows.
    void syncRecovery();
    // The changes were saved or thrown away.
    void dropRecovery();
    std::unique_ptr<class RecoveryKeeper> recovery_;
};

// The default printer as "device,driver,port", recorded at start-up and compared at shutdown.
QString currentDefaultPrinter();

} // namespace qorn
