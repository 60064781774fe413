#pragma once

#include "app/editor_state.h"
#include "app/prompter.h"

#include <QHash>
#include <QMainWindow>
#include <QString>

#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QToolBar;

namespace qorn {

class ModalRunner;
class NowColorBox;
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
    void mnuNew_Click();
    void mnuExit_Click();
    void mnuSave_Click();
    void TbMenu_ButtonClick(const QString& key);

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
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    PaletteBox* Palbox = nullptr;
    NowColorBox* Nowcolor = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Shutdown; false cancels the close.
    bool Form_QueryUnload();
    // The save question of "新規" and of closing; true when the caller may go on.
    bool askSaveChanges(const QString& title);
    void buildMenus();
    void buildToolbar();
    void buildClientArea();
    void refreshColorBoxes();

    Services services_;
    EditorState state_;
    std::unique_ptr<SingleInstance> instance_;
    QString defaultPrinter_;
    QHash<QString, QAction*> tbButtons_;
    bool firstPaintNoticed_ = false;
};

// The default printer as "device,driver,port", recorded at start-up and compared at shutdown.
QString currentDefaultPrinter();

} // namespace qorn
