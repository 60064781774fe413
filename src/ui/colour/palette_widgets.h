#pragma once

#include "colour/palette.h"

#include <QWidget>

#include <array>
#include <functional>

namespace qorn {

// The 16 x 16 palette cells with a frame on the left colour's cell: `Palbox` of the main window
// (with `Shape1`) and `Picture1` of the colour dialog (with `Shapecol`, rings on the used
// colours and a count in each cell's tool tip). Presses are reported in cell units, as the
// palette's own scale counts them.
class PaletteBox : public QWidget {
public:
    static constexpr int kCell = 11;
    PaletteBox(const Palette& palette, QWidget* parent = nullptr, int cell = kCell);
    void setMarker(int index);
    int marker() const { return marker_; }
    // The pixels of one cell, in box coordinates.
    QRect cellRect(int index) const;
    int cellSide() const { return cell_; }
    // Cells with a ring: a circle of 0.3 cells about the centre, in the cell's inverted colour.
    void setRings(const std::array<bool, Palette::kSize>& rings);
    bool ring(int index) const { return rings_[static_cast<size_t>(index)]; }
    std::function<void(Qt::MouseButton, double, double)> onPress;
    // A release anywhere, in global coordinates (the press grabbed the mouse).
    std::function<void(QPoint)> onRelease;
    // The tool tip of a cell; none when empty.
    std::function<QString(int)> toolTipOf;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    const Palette& palette_;
    int cell_;
    int marker_ = 0;
    std::array<bool, Palette::kSize> rings_{};
};

// `Nowcolor`: the left colour in its left two thirds, the right colour in its right third.
class NowColorBox : public QWidget {
public:
    explicit NowColorBox(QWidget* parent = nullptr);
    void setColors(ColorRef left, ColorRef right);
    ColorRef leftColor() const { return left_; }
    ColorRef rightColor() const { return right_; }
    std::function<void()> onClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    ColorRef left_ = 0;
    ColorRef right_ = 0;
};

} // namespace qorn
