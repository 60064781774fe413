#include "canvas_widgets.h"

#include "app/editor_state.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace qorn {

CanvasView::CanvasView(EditorState& state, CanvasRenderer& renderer, std::function<GridChoice()> grid,
                       QWidget* parent)
    : QWidget(parent), state_(state), renderer_(renderer), grid_(std::move(grid)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    // Escape and Delete act on the canvas only while it has the focus; a click gives it.
    setFocusPolicy(Qt::ClickFocus);
    setAcceptDrops(true);
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
    // Out of memory for the paint buffer: skip this paint rather than draw into nothing.
    if (buffer_.isNull()) return;
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

void CanvasView::wheelEvent(QWheelEvent* event) {
    if (onWheel) onWheel(event);
    event->accept();
}

void CanvasView::keyPressEvent(QKeyEvent* event) {
    if (onKey && onKey(event)) event->accept();
    else QWidget::keyPressEvent(event);
}

void CanvasView::dragEnterEvent(QDragEnterEvent* event) {
    // Files are copied in, never moved; anything else is not taken.
    if (event->mimeData()->hasUrls()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CanvasView::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CanvasView::dropEvent(QDropEvent* event) {
    if (!event->mimeData()->hasUrls()) return event->ignore();
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (onDropFiles) onDropFiles(event->mimeData()->urls());
}

RulerStrip::RulerStrip(Qt::Orientation orientation, QWidget* parent) : QWidget(parent), orientation_(orientation) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void RulerStrip::setScale(const CanvasGeometry& geometry) {
    geometry_ = geometry;
    labels_ = orientation_ == Qt::Horizontal ? horizontalRulerLabels(geometry.W, geometry.zoom)
                                             : verticalRulerLabels(geometry.H, geometry.zoom);
    update();
}

std::vector<QRect> RulerStrip::labelBoxes() const {
    std::vector<QRect> boxes;
    const QFontMetrics fm(font());
    // The canvas widget's border and the viewport's frame put cell pixel 0 two pixels in.
    constexpr int kCellOrigin = 2;
    for (const RulerLabel& label : labels_) {
        const QString digits = label.text.trimmed();
        if (digits.isEmpty()) {
            boxes.emplace_back();
            continue;
        }
        QRect box(QPoint(0, 0), QSize(fm.horizontalAdvance(digits), fm.height()));
        if (orientation_ == Qt::Horizontal) {
            // Printed text begins with a blank before its digits.
            const int x = kCellOrigin + static_cast<int>(std::floor(label.at * geometry_.zoom)) +
                          (label.text.startsWith(QLatin1Char(' ')) ? fm.horizontalAdvance(QLatin1Char(' ')) : 0);
            box.moveLeft(std::clamp(x, 0, std::max(0, width() - box.width())));
        } else {
            const int y = kCellOrigin + geometry_.firstPixelOfRow(static_cast<int>(std::floor(label.at)));
            box.moveTop(std::clamp(y, 0, std::max(0, height() - box.height())));
            // Row numbers of five digits are narrowed to the strip rather than cut off.
            box.setWidth(std::min(box.width(), width()));
        }
        // An end label pulled inside the strip must not print over its neighbour.
        const auto previous = std::find_if(boxes.rbegin(), boxes.rend(), [](const QRect& b) { return !b.isNull(); });
        if (previous != boxes.rend() && previous->intersects(box)) box = QRect();
        boxes.push_back(box);
    }
    return boxes;
}

void RulerStrip::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(event->rect(), Qt::white);
    p.setPen(Qt::black);
    const QFontMetrics fm(font());
    const std::vector<QRect> boxes = labelBoxes();
    for (size_t i = 0; i < labels_.size(); ++i) {
        const QRect& box = boxes[i];
        if (box.isNull() || !box.intersects(event->rect())) continue;
        const QString digits = labels_[i].text.trimmed();
        const int advance = fm.horizontalAdvance(digits);
        p.save();
        p.translate(box.left(), box.top() + fm.ascent());
        if (advance > box.width()) p.scale(double(box.width()) / advance, 1.0);
        p.drawText(0, 0, digits);
        p.restore();
    }
}

} // namespace qorn
