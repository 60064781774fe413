// The tool menu, the tool bar, the fill flag and the canvas mouse.
#include "app/Form1.h"
#include "colour/frmColchk.h"
#include "colour/palette_widgets.h"
#include "app/modal_runner.h"
#include "frmChar.h"
#include "tool_bar.h"
#include "tools/tool_table.h"
#include "view/canvas_widgets.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QToolButton>

namespace qorn {
namespace {

// The buttons as a new window shows them: number, key, tool tip.
struct InitialButton {
    const char* key;
    const char* toolTip;
};
constexpr InitialButton kInitialButtons[ToolButtonBar::kButtons] = {
    {"t0", "選択"},   {"t1", "自由曲線"},          {"t2", "線"},                {"t3", "塗りつぶし"},
    {"t21", "長方形"}, {"t31", "円"},               {"t41", "三角形－左向き"},   {"t51", "平行四辺形－左傾き"},
    {"t61", "台形－左向き"}, {"t71", "正多角形－ダイヤ型"}, {"t81", "星型"}, {"t91", "十字"},
    {"t8", "文字"},   {"t11", "スポイト"},
};

QString keyOf(int toolState) { return QStringLiteral("t%1").arg(toolState); }

int vbButton(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

int vbButtons(Qt::MouseButtons b) {
    return (b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0) | (b & Qt::MiddleButton ? 4 : 0);
}

} // namespace

void Form1::buildToolMenu() {
    mnuTool = menuBar()->addMenu(QStringLiteral("ﾂｰﾙ(&T)"));
    mnuToolsNow = mnuTool->addAction(QStringLiteral("自由曲線"));
    mnuToolsNow->setCheckable(true);
    mnuToolsNow->setChecked(true);
    connect(mnuToolsNow, &QAction::triggered, this, [this] { mnuToolsNow->setChecked(true); });
    mnuTool->addSeparator();

    auto item = [&](QMenu* menu, int index, const QString& caption) {
        QAction* a = menu->addAction(caption);
        connect(a, &QAction::triggered, this, [this, index] { mnuTools_Click(index); });
        mnuTools.insert(index, a);
    };
    auto variant = [&](QMenu* menu, int code, const QString& caption) {
        QAction* a = menu->addAction(caption);
        connect(a, &QAction::triggered, this, [this, code] { selectFigureVariant(code); });
        toolVariantItems.insert(code, a);
    };
    auto group = [&](int index, const QString& caption) {
        QMenu* sub = mnuTool->addMenu(caption);
        mnuTools.insert(index, sub->menuAction());
        toolGroups_.insert(index, sub);
        return sub;
    };
    item(mnuTool, 1, QStringLiteral("自由曲線(&B)"));
    item(mnuTool, 2, QStringLiteral("線(&L)"));
    item(mnuTool, 3, QStringLiteral("塗りつぶし(&F)"));
    QMenu* rect = group(20, QStringLiteral("長方形(&R)"));
    variant(rect, 21, QStringLiteral("長方形"));
    variant(rect, 22, QStringLiteral("角丸長方形"));
    QMenu* circle = group(30, QStringLiteral("円(&E)"));
    variant(circle, 31, QStringLiteral("円"));
    const char* half[] = {"半円－左", "半円-右", "半円-上", "半円-下"};
    for (int i = 0; i < 4; ++i) variant(circle, 32 + i, QString::fromUtf8(half[i]));
    const char* quarter[] = {"1/4円－左上", "1/4円－左下", "1/4円－右上", "1/4円－右下"};
    for (int i = 0; i < 4; ++i) variant(circle, 36 + i, QString::fromUtf8(quarter[i]));
    const char* facing[] = {"左向き", "右向き", "上向き", "下向き"};
    const char* slant[] = {"左傾き", "右傾き", "左下がり", "右下がり"};
    const char* poly[] = {"ダイヤ型", "正五角形", "正六角形", "正八角形"};
    QMenu* tr = group(40, QStringLiteral("三角形(&I)"));
    for (int i = 0; i < 4; ++i) variant(tr, 41 + i, QString::fromUtf8(facing[i]));
    QMenu* para = group(50, QStringLiteral("平行四辺形(&P)"));
    for (int i = 0; i < 4; ++i) variant(para, 51 + i, QString::fromUtf8(slant[i]));
    QMenu* trap = group(60, QStringLiteral("台形(&Z)"));
    for (int i = 0; i < 4; ++i) variant(trap, 61 + i, QString::fromUtf8(facing[i]));
    QMenu* polygons = group(70, QStringLiteral("正多角形(&G)"));
    for (int i = 0; i < 4; ++i) variant(polygons, 71 + i, QString::fromUtf8(poly[i]));
    item(mnuTool, 81, QStringLiteral("星型(&A)"));
    item(mnuTool, 91, QStringLiteral("十字(&C)"));
    item(mnuTool, 100, QStringLiteral("文字(&T)..."));
    mnuSpoit = mnuTool->addAction(QStringLiteral("スポイト(&S)"));
    connect(mnuSpoit, &QAction::triggered, this, &Form1::mnuSpoit_Click);
    mnuTool->addSeparator();
    buildMotifMenu();
    mnuTool->addSeparator();
    connect(mnuTool, &QMenu::aboutToShow, this, &Form1::mnuTool_Click);
    mnuToolsw = mnuTool->addMenu(QStringLiteral("線の太さ(&W)"));
    auto* widths = new QActionGroup(this);
    for (int i = 1; i <= 4; ++i) {
        mnuToolsww[i] = mnuToolsw->addAction(QString::number(i));
        mnuToolsww[i]->setCheckable(true);
        widths->addAction(mnuToolsww[i]);
        connect(mnuToolsww[i], &QAction::triggered, this, [this, i] { mnuToolsww_Click(i); });
    }
    mnuToolsww[1]->setChecked(true);

}

void Form1::buildToolBar() {
    TBTools = new ToolButtonBar(client);
    TBTools->setObjectName(QStringLiteral("TBTools"));
    for (int n = 1; n <= ToolButtonBar::kButtons; ++n) {
        const InitialButton& b = kInitialButtons[n - 1];
        TBTools->setButton(n, QString::fromLatin1(b.key), QString::fromUtf8(b.toolTip));
    }
    TBTools->onClick = [this](int n) { TBTools_ButtonClick(n); };
    TBTools->onMouseDown = [this](Qt::MouseButton b, QPoint at) { TBTools_MouseDown(b, at); };

    // The canvas reports pixels; the tools work in stitches and rows.
    auto mouse = [this](QMouseEvent* e, QPointF pixel, int button, auto handler) {
        const QPointF at = Picdisplay->geometry().pixelToUnits(pixel);
        const bool shift = (e->modifiers() & Qt::ShiftModifier) != 0;
        guarded(QStringLiteral("QORN"), [&] { (this->*handler)(button, shift, at.x(), at.y()); });
    };
    Picdisplay->onWheel = [this](QWheelEvent* e) { Picdisplay_Wheel(e); };
    Picdisplay->onPress = [=](QMouseEvent* e, QPointF p) { mouse(e, p, vbButton(e->button()), &Form1::Picdisplay_MouseDown); };
    Picdisplay->onMove = [=](QMouseEvent* e, QPointF p) { mouse(e, p, vbButtons(e->buttons()), &Form1::Picdisplay_MouseMove); };
    Picdisplay->onRelease = [=](QMouseEvent* e, QPointF p) { mouse(e, p, vbButton(e->button()), &Form1::Picdisplay_MouseUp); };
    Picdisplay->onKey = [this](QKeyEvent* e) { return Picdisplay_KeyDown(e->key()); };
    Picdisplay->onDropFiles = [this](const QList<QUrl>& urls) { Picdisplay_DropFiles(urls); };

    buildMotifBox();
    Fillmode = new QCheckBox(QStringLiteral("図形塗りつぶし"), client);
    Fillmode->setObjectName(QStringLiteral("Fillmode"));
    connect(Fillmode, &QCheckBox::clicked, this, &Form1::Fillmode_Click);
}

void Form1::setToolCaption(const QString& caption) { mnuToolsNow->setText(caption); }

void Form1::mnuTools_Click(int index) {
    Picdisplay->setCursor(Qt::ArrowCursor);
    TBTools->releaseAll();
    endToolUse();
    tools_.clearSelection();
    state_.ToolState = index == 100 ? tool::Text : index;
    mnuSelect->setChecked(false);
    mnuSelectAll->setChecked(false);
    switch (state_.ToolState) {
    case tool::Pen: case tool::Line: case tool::Fill: case tool::Eyedropper: case tool::Star: case tool::Cross:
        setToolCaption(toolCaption(state_.ToolState));
        TBTools->press(TBTools->numberOfKey(keyOf(state_.ToolState)));
        break;
    case tool::Text: chooseText(); break;
    default: break;
    }
}

void Form1::chooseText() {
    setToolCaption(toolCaption(tool::Text));
    TBTools->press(TBTools->numberOfKey(QStringLiteral("t8")));
    const qrnobj& q = *state_.qrnobj;
    const ColorRef left = state_.PalTable[state_.LeftIndex], right = state_.PalTable[state_.RightIndex];
    // A dialog left loaded by choosing another tool keeps its fields for this use.
    if (!frmChar_) frmChar_ = std::make_unique<frmChar>(*services_.prompter, q.asp1(), left, right, this);
    else frmChar_->setPattern(q.asp1(), left, right);
    frmChar_->chooseColour = [this] {
        frmColchk dialog(frmColchk::Mode::TextColour, state_.PalTable, state_.LeftIndex, QImage(), std::nullopt,
                         frmChar_.get());
        showColourDialog(dialog);
        return state_.PalTable[state_.LeftIndex];
    };
    services_.modal->exec(*frmChar_);
    if (frmChar_->cx == 0) {
        mnuTools_Click(tool::Pen);
        return;
    }
    // The frame floats; it is not a selection, so no selection command can act on it.
    state_.Lead1[0].setImage(frmChar_->stamp.mask);
    state_.PlaceWidth = frmChar_->cx;
    state_.PlaceHeight = frmChar_->cy;
    Picdisplay->setFocus();
}

void Form1::mnuSelect_Click() {
    endToolUse();
    state_.ToolState = tool::Select;
    setToolCaption(toolCaption(tool::Select));
    mnuSelect->setChecked(true);
    mnuSelectAll->setChecked(false);
    TBTools->press(TBTools->numberOfKey(QStringLiteral("t0")));
    Picdisplay->setCursor(Qt::CrossCursor);
}

void Form1::mnuSpoit_Click() {
    endToolUse();
    tools_.clearSelection();
    Picdisplay->setCursor(Qt::ArrowCursor);
    state_.ToolState = tool::Eyedropper;
    setToolCaption(toolCaption(tool::Eyedropper));
    TBTools->press(TBTools->numberOfKey(QStringLiteral("t11")));
}

void Form1::selectFigureVariant(int toolState) {
    endToolUse();
    state_.ToolState = toolState;
    const QString caption = toolCaption(toolState);
    setToolCaption(caption);
    const int number = toolButtonOf(toolState);
    TBTools->setButton(number, keyOf(toolState), caption);
    TBTools->press(number);
}

void Form1::TBTools_ButtonClick(int number) {
    const auto action = toolBarAction(TBTools->key(number));
    if (!action) return;
    switch (action->kind) {
    case ToolBarAction::Select: mnuSelect_Click(); break;
    case ToolBarAction::Tools: mnuTools_Click(action->index); break;
    case ToolBarAction::Spoit: mnuSpoit_Click(); break;
    case ToolBarAction::Variant: selectFigureVariant(action->index); break;
    }
}

void Form1::TBTools_MouseDown(Qt::MouseButton button, QPoint at) {
    if (button != Qt::RightButton) return;
    if (const auto parent = groupMenuAt(at.x(), at.y())) toolGroups_.value(*parent)->popup(QCursor::pos());
}

void Form1::TBReset() {
    const int groups[6][2] = {{5, 21}, {6, 31}, {7, 41}, {8, 51}, {9, 61}, {10, 71}};
    for (const auto& g : groups) TBTools->setButtonKey(g[0], keyOf(g[1]));
}

void Form1::mnuToolsww_Click(int index) {
    state_.LineWidth = index;
    for (int i = 1; i <= 4; ++i) mnuToolsww[i]->setChecked(i == index);
}

void Form1::Fillmode_Click() {
    state_.FillFlag = !state_.FillFlag;
    Fillmode->setChecked(state_.FillFlag);
}

void Form1::Picdisplay_MouseDown(int button, bool shift, double x, double y) {
    Picdisplay->setFocus();
    tools_.press({button, shift, x, y});
}

void Form1::Picdisplay_MouseMove(int button, bool shift, double x, double y) { tools_.move({button, shift, x, y}); }

void Form1::Picdisplay_MouseUp(int button, bool shift, double x, double y) {
    const bool text = state_.ToolState == tool::Text;
    tools_.release({button, shift, x, y});
    // The text is written or dropped: the next use starts from a fresh dialog.
    if (text && state_.ToolState != tool::Text) frmChar_.reset();
}

void Form1::endToolUse() {
    // Another tool ends whatever the old one was doing: its gesture and any placement.
    tools_.cancelGesture();
    tools_.endPlacement();
}

// What the drawing tools ask of the window.

void Form1::setCutCopyEnabled(bool enabled) {
    tbButton(QStringLiteral("cut"))->setEnabled(enabled && tbCommands_.contains(QStringLiteral("cut")));
    tbButton(QStringLiteral("copy"))->setEnabled(enabled && tbCommands_.contains(QStringLiteral("copy")));
}

void Form1::setDeleteEnabled(bool enabled) {
    tbButton(QStringLiteral("delete"))->setEnabled(enabled && tbCommands_.contains(QStringLiteral("delete")));
}

void Form1::repaintFromBitmap() { Picdisplay->update(); }

void Form1::repaintStitch(int x, int y) {
    const CanvasGeometry g = Picdisplay->geometry();
    const int top = g.firstPixelOfRow(y), bottom = g.firstPixelOfRow(y + 1);
    // Canvas pixels sit one pixel inside the widget's border.
    Picdisplay->update(QRect(x * g.zoom + 1, top + 1, g.zoom, std::max(1, bottom - top)));
}

void Form1::overlayChanged() { Picdisplay->update(); }

void Form1::autoscroll(double x, double y) { Autoscroll(x, y); }

void Form1::selectPen() { mnuTools_Click(tool::Pen); }

void Form1::colorsChanged() { refreshColorBoxes(); }

void Form1::setBusy(bool busy) {
    if (busy) QApplication::setOverrideCursor(Qt::WaitCursor);
    else QApplication::restoreOverrideCursor();
}

void Form1::setToolsEnabled(bool enabled) {
    mnuTool->menuAction()->setEnabled(enabled);
    TBTools->setEnabled(enabled);
}

} // namespace qorn
