#include "symbol_font.h"

#include <QFontMetrics>
#include <QImage>

#include <mutex>

namespace qorn {

void installFontSubstitutions() {
    static std::once_flag once;
    std::call_once(once, [] {
        QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
        QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    });
}

QFont symbolFont(int pointSize) {
    installFontSubstitutions();
    QFont font(QStringLiteral("ＭＳ ゴシック"));
    font.setPointSize(pointSize);
    return font;
}

int symbolCellSide(const QFont& font) {
    // Measured on an image of fixed resolution, so the screen's dpi never changes the chart.
    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(3780);
    device.setDotsPerMeterY(3780);
    return QFontMetrics(font, &device).boundingRect(QStringLiteral("亜")).height();
}

} // namespace qorn
