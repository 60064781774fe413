#include "palette_widgets.h"

#include <QMouseEvent>
#include <QPainter>

namespace qorn {

PaletteBox::PaletteBox(const Palette& palette, QWidget* parent) : QWidget(parent), palette_(palette) {
    // Sixteen cells of eleven pixels fill the box exactly: every pixel belongs to one cell.
    setFixedSize(16 * kCell, 16 * kCell);
    setCursor(Qt::PointingHandCursor);
}

void PaletteBox::setMarker(int index) {
    marker_ = index;
    update();
}

QRect PaletteBox::cellRect(int index) { return QRect(index % 16 * kCell, index / 16 * kCell, kCell, kCell); }

void PaletteBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    for (int i = 0; i < Palette::kSize; ++i) p.fillRect(cellRect(i), QColor(rgbFromColorRef(palette_[i])));
    // The frame is drawn twice, dark and light, so it shows on any colour.
    const QRect r = cellRect(marker_);
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.setPen(QPen(Qt::white, 1));
    p.drawRect(r.adjusted(1, 1, -2, -2));
}

void PaletteBox::mousePressEvent(QMouseEvent* event) {
    if (onPress) onPress(event->button(), event->position().x() / kCell, event->position().y() / kCell);
}

NowColorBox::NowColorBox(QWidget* parent) : QWidget(parent) {
    setFixedSize(84, 28);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("クリックで左右の色を入れ替え"));
}

void NowColorBox::setColors(ColorRef left, ColorRef right) {
    left_ = left;
    right_ = right;
    update();
}

void NowColorBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int split = width() * 2 / 3;
    p.fillRect(QRect(0, 0, split, height()), QColor(rgbFromColorRef(left_)));
    p.fillRect(QRect(split, 0, width() - split, height()), QColor(rgbFromColorRef(right_)));
    p.setPen(Qt::darkGray);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void NowColorBox::mousePressEvent(QMouseEvent*) {
    if (onClick) onClick();
}

} // namespace qorn
