#include "palette_widgets.h"

#include <QMouseEvent>
#include <QPainter>

namespace qorn {

PaletteBox::PaletteBox(const Palette& palette, QWidget* parent) : QWidget(parent), palette_(palette) {
    setFixedSize(16 * 11 + 1, 16 * 11 + 1);
    setCursor(Qt::PointingHandCursor);
}

void PaletteBox::setMarker(int index) {
    marker_ = index;
    update();
}

void PaletteBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const double cw = (width() - 1) / 16.0, ch = (height() - 1) / 16.0;
    auto cell = [&](int i) {
        const int x0 = int(i % 16 * cw), y0 = int(i / 16 * ch);
        const int x1 = int((i % 16 + 1) * cw), y1 = int((i / 16 + 1) * ch);
        return QRect(x0, y0, x1 - x0, y1 - y0);
    };
    for (int i = 0; i < Palette::kSize; ++i) p.fillRect(cell(i), QColor(rgbFromColorRef(palette_[i])));
    // The frame is drawn twice, dark and light, so it shows on any colour.
    const QRect r = cell(marker_);
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(r.adjusted(0, 0, 0, 0));
    p.setPen(QPen(Qt::white, 1));
    p.drawRect(r.adjusted(1, 1, -1, -1));
}

void PaletteBox::mousePressEvent(QMouseEvent* event) {
    const double cw = (width() - 1) / 16.0, ch = (height() - 1) / 16.0;
    if (onPress) onPress(event->button(), event->position().x() / cw, event->position().y() / ch);
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
