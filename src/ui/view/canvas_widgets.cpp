#include "canvas_widgets.h"

#include "app/editor_state.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace qorn {

CanvasView::CanvasView(EditorState& state, CanvasRenderer& renderer, std::function<GridChoice()> grid,
                       QWidget* parent)
    : QWidget(parent), state_(state), renderer_(renderer), grid_(std::move(grid)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
}

CanvasGeometry CanvasView::geometry() const {
    CanvasGeometry g;
    g.W = state_.LeadSrc.width();
    g.H = state_.LeadSrc.height();
    g.zoom = state_.zoom;
    g.asp2 = state_.qrnobj ? state_.qrnobj->asp2() : 1.0f;
    return g;
}

void CanvasView::paintEvent(QPaintEvent* event) {
    const QRect exposed = event->rect();
    if (buffer_.width() < exposed.width() || buffer_.height() < exposed.height())
        buffer_ = QImage(std::max(buffer_.width(), exposed.width()), std::max(buffer_.height(), exposed.height()),
                         QImage::Format_RGB32);
    // The widget's border is the renderer's outside; its bottom row is the canvas's border row.
    renderer_.outsideColour = renderer_.borderColour;
    renderer_.render(state_.LeadSrc.image(), geometry(), grid_(), exposed.translated(-1, -1), buffer_);
    QPainter p(this);
    p.drawImage(exposed.topLeft(), buffer_, QRect(QPoint(0, 0), exposed.size()));
}

void CanvasView::mousePressEvent(QMouseEvent* event) {
    if (onPress) onPress(event, event->position() - QPointF(1, 1));
}

void CanvasView::mouseMoveEvent(QMouseEvent* event) {
    if (onMove) onMove(event, event->position() - QPointF(1, 1));
}

void CanvasView::mouseReleaseEvent(QMouseEvent* event) {
    if (onRelease) onRelease(event, event->position() - QPointF(1, 1));
}

RulerStrip::RulerStrip(Qt::Orientation orientation, QWidget* parent) : QWidget(parent), orientation_(orientation) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void RulerStrip::setScale(int units, int zoom) {
    units_ = units;
    labels_ = orientation_ == Qt::Horizontal ? horizontalRulerLabels(units, zoom) : verticalRulerLabels(units, zoom);
    update();
}

void RulerStrip::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(event->rect(), Qt::white);
    if (units_ <= 0) return;
    p.setPen(Qt::black);
    const QFontMetrics fm(font());
    // The strip's user scale spreads `units` over its length; text stands below and right of
    // its position, as printing at a current position does.
    const double perUnit = (orientation_ == Qt::Horizontal ? width() : height()) / double(units_);
    for (const RulerLabel& label : labels_) {
        if (label.text.isEmpty()) continue;
        const QPoint at = orientation_ == Qt::Horizontal ? QPoint(int(label.at * perUnit), 0)
                                                          : QPoint(0, int(label.at * perUnit));
        const QRect box(at, QSize(fm.horizontalAdvance(label.text), fm.height()));
        if (box.intersects(event->rect())) p.drawText(box.left(), box.top() + fm.ascent(), label.text);
    }
}

} // namespace qorn
