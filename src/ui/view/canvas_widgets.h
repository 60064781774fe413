#pragma once

#include "view/canvas_geometry.h"
#include "view/canvas_renderer.h"

#include <QFrame>
#include <QImage>
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

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    EditorState& state_;
    CanvasRenderer& renderer_;
    std::function<GridChoice()> grid_;
    QImage buffer_;
};

// `Hscale` and `Vscale`: the ruler strips, as long as the canvas and moved with it.
class RulerStrip : public QWidget {
public:
    RulerStrip(Qt::Orientation orientation, QWidget* parent);
    // W or H in stitches and rows, and the zoom that picks the label step.
    void setScale(int units, int zoom);
    Qt::Orientation orientation() const { return orientation_; }
    const std::vector<RulerLabel>& labels() const { return labels_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::Orientation orientation_;
    int units_ = 0;
    std::vector<RulerLabel> labels_;
};

} // namespace qorn
