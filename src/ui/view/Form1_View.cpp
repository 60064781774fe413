// The canvas view: layout, scroll bars, zoom and the grid menu.
#include "app/Form1.h"
#include "canvas_widgets.h"
#include "colour/palette_widgets.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QScrollBar>

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

    HScroll1->setVisible(l.h.visible);
    if (l.h.visible) { // AdjustHbar
        HScroll1->setGeometry(QRect(l.hscrollTopLeft, QSize(l.viewport.width(), HScroll1->sizeHint().height())));
        HScroll1->setMaximum(l.h.max);
        HScroll1->setPageStep(l.h.largeChange);
        HScroll1->setSingleStep(l.h.smallChange);
    }
    VScroll1->setVisible(l.v.visible);
    if (l.v.visible) { // AdjustVbar
        VScroll1->setGeometry(QRect(l.vscrollTopLeft, QSize(VScroll1->sizeHint().width(), l.viewport.height())));
        VScroll1->setMaximum(l.v.max);
        VScroll1->setPageStep(l.v.largeChange);
        VScroll1->setSingleStep(l.v.smallChange);
    }

    // AdjustHscale and AdjustVscale.
    const CanvasGeometry g = Picdisplay->geometry();
    Hscaledum->setGeometry(l.hscaledum);
    Hscale->resize(l.canvas.width(), l.hscaledum.height());
    Hscale->setScale(g.W, g.zoom);
    Vscaledum->setGeometry(l.vscaledum);
    Vscale->resize(l.vscaledum.width(), l.canvas.height());
    Vscale->setScale(g.H, g.zoom);
    LblZoom->move(l.lblZoom);

    if (isVisible() && (l.widenWindow || l.heightenWindow))
        resize(l.widenWindow ? minimumWidth() : width(), l.heightenWindow ? minimumHeight() : height());
    Picdisplay->update();
}

void Form1::Hscroll1_Change() {
    Picdisplay->move(-HScroll1->value(), Picdisplay->y());
    Hscale->move(-HScroll1->value(), 0);
}

void Form1::VScroll1_Change() {
    Picdisplay->move(Picdisplay->x(), -VScroll1->value());
    Vscale->move(0, -VScroll1->value());
}

void Form1::runVisibleScrollHandlers() {
    if (!VScroll1->isHidden()) VScroll1_Change();
    if (!HScroll1->isHidden()) Hscroll1_Change();
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

void Form1::RepaintCanvas() {
    tools_.clearOverlay();
    Picdisplay->update();
}

void Form1::mnuGrids_Click(int index) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (int i = 0; i < 3; ++i) mnuGrids[i]->setChecked(i == index);
    RepaintCanvas();
    QApplication::restoreOverrideCursor();
}

void Form1::mnuDispSelection_Click(int index) {
    if (index != 1 && index != 2) return; // the whole view arrives with its window
    const bool zoomIn = index == 1;
    // Relative positions before anything changes; an empty range counts as 0.
    const double pH = HScroll1->maximum() > 0 ? double(HScroll1->value()) / HScroll1->maximum() : 0.0;
    const double pV = VScroll1->maximum() > 0 ? double(VScroll1->value()) / VScroll1->maximum() : 0.0;
    if (!stepZoom(state_.zoom, zoomIn)) return;

    LayoutCanvas();
    Picdisplay->move(0, 0);
    VScroll1->setValue(static_cast<int>(std::nearbyint(VScroll1->maximum() * pV)));
    HScroll1->setValue(static_cast<int>(std::nearbyint(HScroll1->maximum() * pH)));

    const ZoomGridRule rule = zoomGridRule(state_.zoom, zoomIn, gridChoice());
    if (rule.changesItems) {
        mnuGrids[GridFive]->setEnabled(rule.fiveEnabled);
        mnuGrids[GridOne]->setEnabled(rule.oneEnabled);
    }
    switch (rule.action) {
    case ZoomGridRule::SelectNone: mnuGrids_Click(GridNone); break;
    case ZoomGridRule::SelectFive: mnuGrids_Click(GridFive); break;
    case ZoomGridRule::Draw: RepaintCanvas(); break;
    case ZoomGridRule::Nothing: break;
    }
    runVisibleScrollHandlers();
    if (state_.qrnobj->selected) tools_.DrawLine(state_.ToolState, 0, 0);
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

} // namespace qorn
