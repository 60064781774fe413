#pragma once

#include "colour/palette.h"

#include <QWidget>

#include <functional>

namespace qorn {

// `Palbox`: the 16 x 16 palette cells with the `Shape1` frame on the left colour's cell.
// Presses are reported in cell units, as the palette's own scale counts them.
class PaletteBox : public QWidget {
public:
    PaletteBox(const Palette& palette, QWidget* parent = nullptr);
    void setMarker(int index);
    int marker() const { return marker_; }
    static constexpr int kCell = 11;
    // The pixels of one cell, in box coordinates.
    static QRect cellRect(int index);
    std::function<void(Qt::MouseButton, double, double)> onPress;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    const Palette& palette_;
    int marker_ = 0;
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
