#pragma once

#include "app/editor_state.h"
#include "app/prompter.h"
#include "view/canvas_geometry.h"
#include "view/canvas_renderer.h"

#include <QHash>
#include <QMainWindow>
#include <QString>

#include <functional>
#include <memory>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QScrollBar;
class QToolBar;

namespace qorn {

class CanvasView;
class ModalRunner;
class NowColorBox;
class RulerStrip;
class PaletteBox;
class SingleInstance;

// The main window. Handlers are grouped by menu; each gathers its input, calls the core and
// refreshes what it changed. Definitions are split by subsystem (Form1_File.cpp, ...).
class Form1 : public QMainWindow {
    Q_OBJECT

public:
    struct Services {
        Prompter* prompter = nullptr;
        ModalRunner* modal = nullptr;
        QString lockPath; // the single-instance lock
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
    void mnuSave_Click();
    void TbMenu_ButtonClick(const QString& key);

    // The canvas view: layout, scrolling, zoom and grid.
    void LayoutCanvas();
    void Hscroll1_Change();
    void VScroll1_Change();
    void mnuDispSelection_Click(int index);
    void mnuGrids_Click(int index);
    // Renders the canvas from the bitmap; the grid is drawn with every rendering.
    void RepaintCanvas();
    void Autoscroll(double x, double y);
    void Form_Resize();
    GridChoice gridChoice() const;
    void scrollToBottomLeft();
    void runVisibleScrollHandlers();

    // Edit menu.
    void mnuUndo_Click();
    void setUndoEnabled(bool enabled);

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
    QMenu* mnuDisp = nullptr;
    QAction* mnuDispSelection[3] = {nullptr, nullptr, nullptr}; // whole view, zoom in, zoom out
    QMenu* mnuGrid = nullptr;
    QAction* mnuGrids[3] = {nullptr, nullptr, nullptr};

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
    void placeRightColumn();
    void refreshColorBoxes();

    Services services_;
    EditorState state_;
    std::unique_ptr<SingleInstance> instance_;
    QString defaultPrinter_;
    QHash<QString, QAction*> tbButtons_;
    // What each main-toolbar key runs; keys without a command yet have disabled buttons.
    QHash<QString, std::function<void()>> tbCommands_;
    bool firstPaintNoticed_ = false;
};

// The default printer as "device,driver,port", recorded at start-up and compared at shutdown.
QString currentDefaultPrinter();

} // namespace qorn
