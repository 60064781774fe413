#pragma once

#include "view/canvas_geometry.h"
#include "view/canvas_renderer.h"

#include <QFrame>
#include <QImage>
#include <QList>
#include <QUrl>
#include <QWidget>

#include <functional>

namespace qorn {

struct EditorState;

// `Picdisplay`: the canvas. It keeps no image of its own: every paint renders just the exposed
// area from the pattern bitmap into a reused buffer. A one-pixel border surrounds the cells.
class CanvasView : public QWidget {
public:
    static constexpr int kBorder = 2; // both sides together

    CanvasView(EditorState& state, CanvasRenderer& renderer, std::function<GridChoice()> grid, QWidget* parent);
    CanvasGeometry geometry() const;

    // Mouse events in canvas pixels (origin at the first cell), for the drawing tools.
    std::function<void(QMouseEvent*, QPointF)> onPress, onMove, onRelease;
    std::function<void(QWheelEvent*)> onWheel;
    // Keys pressed while the canvas has the focus; true when handled.
    std::function<bool(QKeyEvent*)> onKey;
    // A list of files dropped on the canvas (only lists of files are taken).
    std::function<void(const QList<QUrl>&)> onDropFiles;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    EditorState& state_;
    CanvasRenderer& renderer_;
    std::function<GridChoice()> grid_;
    QImage buffer_;
};

// `Hscale` and `Vscale`: the ruler strips, as long as the canvas and moved with it. A strip
// starts where the canvas widget starts, so a label stands at the same offset as its cells.
class RulerStrip : public QWidget {
public:
    RulerStrip(Qt::Orientation orientation, QWidget* parent);
    // The canvas geometry: W or H, the zoom that picks the label step, the cell height.
    void setScale(const CanvasGeometry& geometry);
    Qt::Orientation orientation() const { return orientation_; }
    const std::vector<RulerLabel>& labels() const { return labels_; }
    // Where the digits of each label are drawn, in strip pixels; the end labels are kept
    // inside the strip.
    std::vector<QRect> labelBoxes() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::Orientation orientation_;
    CanvasGeometry geometry_;
    std::vector<RulerLabel> labels_;
};

} // namespace qorn
