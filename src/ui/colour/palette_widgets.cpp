#include "palette_widgets.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QToolTip>

#include <QPainter>

namespace qorn {

PaletteBox::PaletteBox(const Palette& palette, QWidget* parent, int cell)
    : QWidget(parent), palette_(palette), cell_(cell) {
    // Sixteen cells fill the box exactly: every pixel belongs to one cell.
    setFixedSize(16 * cell_, 16 * cell_);
    setCursor(Qt::PointingHandCursor);
}

void PaletteBox::setMarker(int index) {
    marker_ = index;
    update();
}

void PaletteBox::setRings(const std::array<bool, Palette::kSize>& rings) {
    rings_ = rings;
    update();
}

QRect PaletteBox::cellRect(int index) const { return QRect(index % 16 * cell_, index / 16 * cell_, cell_, cell_); }

void PaletteBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    for (int i = 0; i < Palette::kSize; ++i) p.fillRect(cellRect(i), QColor(rgbFromColorRef(palette_[i])));
    // Rings drawn by exclusive-or with white: their pixels are the cell's colour inverted,
    // exactly, whatever the colour.
    p.save();
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.setPen(Qt::white);
    for (int i = 0; i < Palette::kSize; ++i)
        if (rings_[static_cast<size_t>(i)]) p.drawEllipse(QRectF(cellRect(i)).center(), 0.3 * cell_, 0.3 * cell_);
    p.restore();
    // The frame is drawn twice, dark and light, so it shows on any colour.
    const QRect r = cellRect(marker_);
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.setPen(QPen(Qt::white, 1));
    p.drawRect(r.adjusted(1, 1, -2, -2));
}

bool PaletteBox::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const int index = Palette::indexAt(help->pos().x() / double(cell_), help->pos().y() / double(cell_));
        const QString tip = index >= 0 && toolTipOf ? toolTipOf(index) : QString();
        if (tip.isEmpty()) QToolTip::hideText();
        else QToolTip::showText(help->globalPos(), tip, this, cellRect(index));
        return true;
    }
    return QWidget::event(event);
}

void PaletteBox::mousePressEvent(QMouseEvent* event) {
    if (onPress) onPress(event->button(), event->position().x() / cell_, event->position().y() / cell_);
}

void PaletteBox::mouseReleaseEvent(QMouseEvent* event) {
    if (onRelease) onRelease(event->globalPosition().toPoint());
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
