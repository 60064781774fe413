#include "text_stamp.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <utility>

namespace qorn {

namespace {

// Radians per degree as the placement arithmetic has always used it; the frame sizes depend on
// its rounding.
constexpr double kDegree = 0.01745;
constexpr int kMaxSide = 32767;

int roundSaturated(double v) {
    return static_cast<int>(std::clamp(std::nearbyint(v), 0.0, double(kMaxSide)));
}

// Measures on a fixed-resolution device so the screen never changes a pattern.
QImage measuringDevice() {
    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(3780);
    device.setDotsPerMeterY(3780);
    return device;
}

} // namespace

QFont textFont(const TextFontChoice& choice) {
    QFont font(choice.family);
    font.setPixelSize(std::max(1, choice.height));
    font.setWeight(static_cast<QFont::Weight>(std::clamp(choice.weight, 100, 900)));
    font.setItalic(choice.italic);
    font.setUnderline(choice.underline);
    font.setStrikeOut(choice.strikeOut);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    if (choice.width > 0) {
        const QImage device = measuringDevice();
        const int average = QFontMetrics(font, &device).averageCharWidth();
        if (average > 0) // advance scales linearly with the stretch
            font.setStretch(std::clamp(static_cast<int>(std::lround(100.0 * choice.width / average)), 1, 4000));
    }
    return font;
}

TextStamp renderTextStamp(const QString& text, const TextFontChoice& choice, double asp1) {
    const QFont font = textFont(choice);
    const QImage device = measuringDevice();
    const QFontMetrics fm(font, &device);
    const int textWidth = fm.horizontalAdvance(text), textHeight = fm.height();

    TextStamp stamp;
    const int deg = std::clamp(choice.angle, 0, 360);
    const int r = deg % 90;
    stamp.position = deg / 90;
    double w = textWidth, h = textHeight;
    if (stamp.position % 2 == 1) std::swap(w, h);
    if (r == 0) {
        stamp.frame = QSize(roundSaturated(w), roundSaturated(asp1 * h));
    } else {
        stamp.frame = QSize(roundSaturated(w * std::cos(r * kDegree) + h * std::cos((90 - r) * kDegree)),
                            roundSaturated(asp1 * (w * std::sin(r * kDegree) + h * std::sin((90 - r) * kDegree))));
    }
    if (stamp.frame.isEmpty()) return stamp;
    // Coordinates of the placement are 16-bit; a frame that reaches the limit would wrap.
    if (stamp.frame.width() >= kMaxSide || stamp.frame.height() >= kMaxSide ||
        qint64(stamp.frame.width()) * stamp.frame.height() > kMaxTextStitches) {
        stamp.tooLarge = true;
        return stamp;
    }

    // Turned first, then stretched along the canvas's vertical: the gauge must act on rows
    // whatever the angle, or a turned text would not fill its frame.
    QTransform turn;
    turn.scale(1.0, asp1);
    turn.rotate(-deg);
    const QRectF box = turn.map(QRectF(0, 0, textWidth, textHeight)).boundingRect();
    QTransform place;
    place.translate(std::nearbyint(-box.left()), std::nearbyint(-box.top()));

    stamp.mask = QImage(stamp.frame, QImage::Format_RGB32);
    stamp.mask.fill(Qt::white);
    QPainter painter(&stamp.mask);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setTransform(turn * place);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QPointF(0, fm.ascent()), text); // the reference is the cell's top-left
    painter.end();
    return stamp;
}

void stampMask(QImage& pattern, const QImage& mask, QPoint at, ColorRef colour) {
    if (mask.isNull() || pattern.isNull()) return;
    const QImage m = mask.format() == QImage::Format_RGB32 ? mask : mask.convertToFormat(QImage::Format_RGB32);
    const QRgb ink = rgbFromColorRef(colour);
    const int y0 = std::max(0, -at.y()), y1 = std::min(m.height(), pattern.height() - at.y());
    const int x0 = std::max(0, -at.x()), x1 = std::min(m.width(), pattern.width() - at.x());
    for (int y = y0; y < y1; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(m.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(pattern.scanLine(at.y() + y));
        for (int x = x0; x < x1; ++x)
            if ((in[x] & 0xffffff) == 0) out[at.x() + x] = ink;
    }
}

} // namespace qorn
