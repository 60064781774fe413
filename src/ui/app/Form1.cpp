#include "Form1.h"

#include "app/app_paths.h"
#include "app/single_instance.h"
#include "document/pattern_files.h"
#include "tools/tool_table.h"
#include "colour/palette_widgets.h"
#include "common/error.h"
#include "import/frmBmp.h"
#include "menu_icons.h"
#include "recovery_keeper.h"
#include "tools/frmChar.h"
#include "tools/tool_bar.h"
#include "view/canvas_widgets.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include <cstdio>

namespace qorn {

namespace {

// The client area reports its resizes: the layout works in its coordinates.
class ClientArea : public QWidget {
public:
    using QWidget::QWidget;
    std::function<void()> onResize;

protected:
    void resizeEvent(QResizeEvent*) override {
        if (onResize) onResize();
    }
};

struct TbMenuEntry {
    const char* key;
    const char* tooltip;
};

// Toolbar order; keys and tooltips as the buttons are known by.
constexpr TbMenuEntry kTbMenu[] = {
    {"new", "新規"},           {"open", "開く"},     {"save", "上書き保存"},  {"print", "印刷"},
    {"cut", "切り取り"},       {"copy", "コピー"},   {"paste", "貼り付け"},   {"delete", "削除"},
    {"undo", "元に戻す"},      {"zoomin", "拡大"},   {"zoomout", "縮小"},     {"colcheck", "使用色ﾁｪｯｸ"},
    {"quantize", "減色"},      {"colchg", "特定色変換"}, {"gauge", "ゲージ変更"}, {"help", "ヘルプ"},
};

} // namespace

QString currentDefaultPrinter() {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return {};
    return info.printerName() + QLatin1Char(',') + info.makeAndModel() + QLatin1Char(',') + info.printerName();
}

Form1::Form1(const Services& services, QWidget* parent) : QMainWindow(parent), services_(services) {
    setWindowTitle(QStringLiteral("QORN"));
    setWindowIcon(applicationIcon());
    buildMenus();
    buildClientArea();
    buildToolbar();
    // Rubber bands and frames are drawn over whatever part of the canvas is rendered.
    watchClipboard();
    renderer.overlay = [this](QImage& target, QPoint origin, const QRect& rect) {
        applyOverlay(tools_.overlay(), Picdisplay->geometry(), target, origin, rect);
    };
    resize(900, 680);
    // Size the client area now: the first pattern is laid out before the window is shown.
    layout()->activate();
    // Small enough for any screen, large enough that the right-hand column, the rulers and
    // the scroll bars never cover the canvas or leave the window.
    const QSize frame = size() - client->size();
    setMinimumSize(QSize(CanvasLayout::kMinClientWidth, CanvasLayout::kMinClientHeight) + frame);
}

Form1::~Form1() = default;

QAction* Form1::addCommand(QMenu* menu, const QString& caption, const QString& title,
                           const std::function<void()>& command) {
    QAction* action = menu->addAction(caption);
    connect(action, &QAction::triggered, this, [this, title, command] { guarded(title, command); });
    return action;
}

void Form1::buildMenus() {
    mnuFile = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    mnuNew = addCommand(mnuFile, QStringLiteral("新規(&N)"), QStringLiteral("新規"), [this] { mnuNew_Click(); });
    mnuOpen = addCommand(mnuFile, QStringLiteral("開く(&O)..."), QStringLiteral("開く"), [this] { mnuOpen_Click(); });
    mnuSave = addCommand(mnuFile, QStringLiteral("上書き保存(&S)"), QStringLiteral("上書き保存"), [this] { mnuSave_Click(); });
    mnuSaveAs = addCommand(mnuFile, QStringLiteral("名前をつけて保存(&A)..."), QStringLiteral("名前をつけて保存"), [this] { mnuSaveAs_Click(); });
    mnuFile->addSeparator();
    mnuFileSaveD = addCommand(mnuFile, QStringLiteral("描画画面の保存(&V)..."), QStringLiteral("描画画面の保存"), [this] { mnuFileSaveD_Click(); });
    mnuPrint = addCommand(mnuFile, QStringLiteral("印刷(&P)..."), QStringLiteral("印刷"), [this] { mnuPrint_Click(); });
    mnuFilePrint = addCommand(mnuFile, QStringLiteral("ﾃｷｽﾄﾌｧｲﾙに出力(&F)..."), QStringLiteral("ﾃｷｽﾄﾌｧｲﾙに出力"), [this] { mnuFilePrint_Click(); });
    mnuFile->addSeparator();
    mnuExit = mnuFile->addAction(QStringLiteral("終了(&X)"));
    connect(mnuExit, &QAction::triggered, this, &Form1::mnuExit_Click);
    mnuFileRecent[0] = mnuFile->addSeparator();
    mnuFileRecent[0]->setVisible(false);
    for (int k = 1; k <= 4; ++k) {
        mnuFileRecent[k] = addCommand(mnuFile, QStringLiteral("Recent%1").arg(k), QStringLiteral("開く"),
                                      [this, k] { mnuFileRecent_Click(k); });
        mnuFileRecent[k]->setVisible(false);
    }

    mnuEdit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
    connect(mnuEdit, &QMenu::aboutToShow, this, [this] { guarded(QStringLiteral("編集"), [this] { mnuEdit_Click(); }); });
    mnuUndo = addCommand(mnuEdit, QStringLiteral("元に戻す(&U)"), QStringLiteral("元に戻す"), [this] { mnuUndo_Click(); });
    mnuEdit->addSeparator();
    mnuCut = addCommand(mnuEdit, QStringLiteral("切り取り(&T)"), QStringLiteral("切り取り"), [this] { mnuCut_Click(); });
    mnuCopy = addCommand(mnuEdit, QStringLiteral("ｺﾋﾟｰ(&C)"), QStringLiteral("コピー"), [this] { mnuCopy_Click(); });
    mnuPaste = addCommand(mnuEdit, QStringLiteral("貼り付け(&P)"), QStringLiteral("貼り付け"), [this] { mnuPaste_Click(); });
    mnuDelete = addCommand(mnuEdit, QStringLiteral("削除(&D)"), QStringLiteral("削除"), [this] { mnuDelete_Click(); });
    mnuEdit->addSeparator();
    mnuSelect = mnuEdit->addAction(QStringLiteral("選択(&S)"));
    mnuSelect->setCheckable(true);
    connect(mnuSelect, &QAction::triggered, this, &Form1::mnuSelect_Click);
    mnuSelectAll = addCommand(mnuEdit, QStringLiteral("すべてを選択(&A)"), QStringLiteral("すべてを選択"), [this] { mnuSelectAll_Click(); });
    mnuSelectAll->setCheckable(true);
    mnuEdit->addSeparator();
    mnuReverse = mnuEdit->addMenu(QStringLiteral("鏡像処理(&M)"));
    mnuReverses[0] = addCommand(mnuReverse, QStringLiteral("上下(&U)"), QStringLiteral("鏡像処理"), [this] { mnuReverse_Click(0); });
    mnuReverses[1] = addCommand(mnuReverse, QStringLiteral("左右(&L)"), QStringLiteral("鏡像処理"), [this] { mnuReverse_Click(1); });
    mnuEditGscale = addCommand(mnuEdit, QStringLiteral("グレイスケール(&G)"), QStringLiteral("グレースケール化"), [this] { mnuEditGscale_Click(); });

    mnuDisp = menuBar()->addMenu(QStringLiteral("表示(&V)"));
    mnuDispSelection[0] = addCommand(mnuDisp, QStringLiteral("全体表示(&A)"), QStringLiteral("全体表示"), [this] { mnuDispSelection_Click(0); });
    mnuDispSelection[1] = addCommand(mnuDisp, QStringLiteral("拡大(&M)"), QStringLiteral("拡大"), [this] { mnuDispSelection_Click(1); });
    mnuDispSelection[2] = addCommand(mnuDisp, QStringLiteral("縮小(&R)"), QStringLiteral("縮小"), [this] { mnuDispSelection_Click(2); });
    mnuDisp->addSeparator();
    mnuGrid = mnuDisp->addMenu(QStringLiteral("グリッドの表示(&G)"));
    const QString gridCaptions[3] = {QStringLiteral("間隔５"), QStringLiteral("間隔１"), QStringLiteral("なし")};
    for (int i = 0; i < 3; ++i) {
        mnuGrids[i] = mnuGrid->addAction(gridCaptions[i]);
        mnuGrids[i]->setCheckable(true);
        connect(mnuGrids[i], &QAction::triggered, this, [this, i] { mnuGrids_Click(i); });
    }
    mnuGrids[GridFive]->setChecked(true);
    mnuDispOption = mnuDisp->addMenu(QStringLiteral("ｵﾌﾟｼｮﾝ"));
    mnuDispNormal = addCommand(mnuDispOption, QStringLiteral("通常表示"), QStringLiteral("通常表示"),
                               [this] { mnuDispNormal_Click(); });
    mnuDispCross = addCommand(mnuDispOption, QStringLiteral("クロス表示"), QStringLiteral("クロス表示"),
                              [this] { mnuDispCross_Click(); });
    mnuDispSym = addCommand(mnuDispOption, QStringLiteral("パターン表示"), QStringLiteral("パターン表示"),
                            [this] { mnuDispSym_Click(); });
    for (QAction* a : {mnuDispNormal, mnuDispCross, mnuDispSym}) a->setCheckable(true);
    mnuDispNormal->setChecked(true);

    buildToolMenu();

    mnuColor = menuBar()->addMenu(QStringLiteral("色(&C)"));
    mnuColorChk = addCommand(mnuColor, QStringLiteral("使用色ﾁｪｯｸ(&K)"), QStringLiteral("色数チェック"), [this] { mnuColorChk_Click(); });
    mnuColorChange = addCommand(mnuColor, QStringLiteral("特定色変更(&C)..."), QStringLiteral("特定色変換"), [this] { mnuColorChange_Click(); });
    mnuReduceColor = addCommand(mnuColor, QStringLiteral("減色(&R)..."), QStringLiteral("減色"), [this] { mnuReduceColor_Click(); });

    mnuOption = menuBar()->addMenu(QStringLiteral("設定(&S)"));
    connect(mnuOption, &QMenu::aboutToShow, this, [this] { mnuOption_Click(); });
    mnuGauge = addCommand(mnuOption, QStringLiteral("ゲージ変更(&G)..."), QStringLiteral("ゲージ変更"), [this] { mnuGauge_Click(); });
    mnuSize = mnuOption->addMenu(QStringLiteral("サイズ変更(&S)"));
    mnuSizeNum = addCommand(mnuSize, QStringLiteral("数値指定(&N)..."), QStringLiteral("ｻｲｽﾞ変更"), [this] { mnuSizeNum_Click(); });
    mnuSizeSel = addCommand(mnuSize, QStringLiteral("選択領域以外削除(&S)"), QStringLiteral("ｻｲｽﾞ変更"), [this] { mnuSizeSel_Click(); });
    mnuOption->addSeparator();
    mnuPatFile = addCommand(mnuOption, QStringLiteral("ﾊﾟﾀｰﾝﾌｧｲﾙの変更(&P)..."), QStringLiteral("ﾊﾟﾀｰﾝﾌｧｲﾙの変更"), [this] { mnuPatFile_Click(); });

    mnuHelp = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    mnuHelpIndex = addCommand(mnuHelp, QStringLiteral("目次(&C)"), QStringLiteral("ヘルプ"), [this] { mnuHelpIndex_Click(); });
    mnuAbout = addCommand(mnuHelp, QStringLiteral("バージョン情報(&A)"), QStringLiteral("バージョン情報"), [this] { mnuAbout_Click(); });
}

void Form1::buildToolbar() {
    // The toolbar sits inside the client area, at its top, as the layout's coordinates expect.
    TbMenu = new QToolBar(centralWidget());
    TbMenu->setObjectName(QStringLiteral("TbMenu"));
    TbMenu->setIconSize(QSize(16, 16));
    TbMenu->setMovable(false);
    TbMenu->setGeometry(0, 0, width(), 30);
    // Each key runs its command once that command exists; until then its button stays disabled.
    tbCommands_ = {
        {QStringLiteral("new"), [this] { mnuNew_Click(); }},
        {QStringLiteral("open"), [this] { mnuOpen_Click(); }},
        {QStringLiteral("save"), [this] { mnuSave_Click(); }},
        {QStringLiteral("print"), [this] { mnuPrint_Click(); }},
        {QStringLiteral("cut"), [this] { mnuCut_Click(); }},
        {QStringLiteral("copy"), [this] { mnuCopy_Click(); }},
        {QStringLiteral("paste"), [this] { mnuPaste_Click(); }},
        {QStringLiteral("delete"), [this] { mnuDelete_Click(); }},
        {QStringLiteral("undo"), [this] { mnuUndo_Click(); }},
        {QStringLiteral("gauge"), [this] { mnuGauge_Click(); }},
        {QStringLiteral("colcheck"), [this] { mnuColorChk_Click(); }},
        {QStringLiteral("quantize"), [this] { mnuReduceColor_Click(); }},
        {QStringLiteral("colchg"), [this] { mnuColorChange_Click(); }},
        {QStringLiteral("zoomin"), [this] { mnuDispSelection_Click(1); }},
        {QStringLiteral("zoomout"), [this] { mnuDispSelection_Click(2); }},
        {QStringLiteral("help"), [this] { mnuHelpIndex_Click(); }},
    };
    for (const auto& entry : kTbMenu) {
        const QString key = QString::fromLatin1(entry.key);
        QAction* action = TbMenu->addAction(menuIcon(key), QString::fromUtf8(entry.tooltip));
        action->setData(key);
        action->setToolTip(QString::fromUtf8(entry.tooltip));
        action->setEnabled(tbCommands_.contains(key));
        tbButtons_.insert(key, action);
        if (key == QLatin1String("print") || key == QLatin1String("delete") || key == QLatin1String("zoomout") ||
            key == QLatin1String("colchg"))
            TbMenu->addSeparator();
    }
    connect(TbMenu, &QToolBar::actionTriggered, this,
            [this](QAction* action) {
                guarded(action->toolTip(), [this, action] { TbMenu_ButtonClick(action->data().toString()); });
            });
}

void Form1::buildClientArea() {
    auto* area = new ClientArea(this);
    area->onResize = [this] { Form_Resize(); };
    client = area;
    setCentralWidget(client);
    buildCanvasArea();
    buildToolBar();

    Palbox = new PaletteBox(state_.PalTable, client);
    Palbox->setObjectName(QStringLiteral("Palbox"));
    Palbox->onPress = [this](Qt::MouseButton b, double x, double y) { Palbox_MouseDown(b, x, y); };
    Nowcolor = new NowColorBox(client);
    Nowcolor->setObjectName(QStringLiteral("Nowcolor"));
    Nowcolor->onClick = [this] { Nowcolor_Click(); };

    Label1 = new QLabel(this);
    Label2 = new QLabel(this);
    Label3 = new QLabel(this);
    for (QLabel* label : {Label1, Label2, Label3}) {
        label->setMinimumWidth(140);
        label->installEventFilter(this);
        statusBar()->addWidget(label);
    }
}

void Form1::placeRightColumn() {
    const int w = client->width();
    if (TbMenu) TbMenu->setGeometry(0, 0, w, 30);
    // The right-hand column: palette and current colours.
    const int x0 = std::max(0, w - 196);
    TBTools->move(x0, 40);
    Palbox->move(x0, 96);
    Nowcolor->move(x0, 96 + Palbox->height() + 8);
    Fillmode->move(x0 + Nowcolor->width() + 8, Nowcolor->y() + 4);
    if (ImgMotif) ImgMotif->move(x0, Nowcolor->y() + Nowcolor->height() + 8);
}

bool Form1::Form_Load(const QString& commandLine) {
    instance_ = std::make_unique<SingleInstance>(services_.lockPath.isEmpty() ? SingleInstance::defaultLockPath()
                                                                              : services_.lockPath);
    if (!instance_->acquire()) {
        services_.prompter->MsgBox(QStringLiteral("起動は１つです"), vbOKCancel + vbExclamation,
                                   QStringLiteral("QORN"));
        return false;
    }
    state_.qrnobj = std::make_unique<qorn::qrnobj>();
    QCoreApplication::processEvents();
    defaultPrinter_ = currentDefaultPrinter();
    BuildRecentMenu();

    const QString palettePath = AppFile(QStringLiteral("defpal.dat"));
    if (!QFile::exists(palettePath)) {
        services_.prompter->MsgBox(QStringLiteral("defpal.datが見つかりません"), vbOKCancel + vbExclamation,
                                   QStringLiteral("QORN"));
        return false;
    }
    state_.PalTable.load(palettePath);
    Palbox->update();

    InitPattern();

    // Work lost in a crash comes first; the command line's file only when none was taken back.
    if (offerRecovery()) return true;
    if (commandLine.isEmpty()) {
        RepaintCanvas();
    } else {
        // A file that cannot be opened is reported as the open command reports it; the new
        // pattern stays and the program runs on.
        const int e = trapErrors([&] {
            if (OpenPatternFile(commandLine)) {
                setWindowTitle(QStringLiteral("QORN - ") + SplitPath(state_.qrnobj->savefile).base);
                rememberFolder(commandLine);
            }
        });
        if (e) showFileError(e, FileCommand::Open, QStringLiteral("開く"));
        frmBmp_.reset();
    }
    return true;
}

int Form1::InitPattern() {
    state_.initPattern();
    setWindowTitle(QStringLiteral("QORN - NoName"));
    for (const char* key : {"cut", "copy", "delete"}) tbButtons_.value(QString::fromLatin1(key))->setEnabled(false);
    LblZoom->setText(QStringLiteral("0"));
    mnuGrids[GridFive]->setEnabled(true);
    mnuGrids[GridOne]->setEnabled(true);
    mnuDispOption->setEnabled(true); // zoom 6
    setUndoEnabled(false);
    mnuToolsww_Click(1);
    forgetEditingState();
    // Laid out before scrolling, so that the new pattern's own ranges take the scroll.
    LayoutCanvas();
    scrollToBottomLeft();
    RefreshStatus();
    mnuTools_Click(tool::Pen);
    runVisibleScrollHandlers();
    show();
    QApplication::restoreOverrideCursor();
    return 1;
}

void Form1::refreshStatusLabels() {
    const StatusTexts t =
        statusTexts(state_.LeadSrc.width(), state_.LeadSrc.height(), state_.qrnobj->mee(), state_.qrnobj->dan());
    Label1->setText(t.gauge);
    Label2->setText(t.canvas);
    Label3->setText(t.size);
}

void Form1::RefreshStatus() {
    refreshStatusLabels();
    state_.resetLeftColor();
    refreshColorBoxes();
}

void Form1::closeEvent(QCloseEvent* event) {
    if (Form_QueryUnload()) event->accept();
    else event->ignore();
}

void Form1::paintEvent(QPaintEvent* event) {
    QMainWindow::paintEvent(event);
    // The start-up benchmark waits for this line.
    if (!firstPaintNoticed_ && qEnvironmentVariableIsSet("QORN_NOTICE_FIRST_PAINT")) {
        firstPaintNoticed_ = true;
        std::fputs("first-paint\n", stdout);
        std::fflush(stdout);
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    }
}

} // namespace qorn
