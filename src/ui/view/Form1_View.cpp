// The canvas view: layout, scroll bars, zoom and the grid menu.
#include "app/Form1.h"
#include "canvas_widgets.h"
#include "colour/palette_widgets.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QScrollBar>
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
    if (index != 1 && index != 2) return; // the whole view arrives with its window
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

} // namespace qorn
