#include "tool_icons.h"

#include "imaging/raster_ops.h"
#include "tools/figures.h"
#include "tools/tool_table.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace qorn {
namespace {

constexpr ColorRef kInk = makeColorRef(30, 30, 30);

QImage blankIcon() {
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    return img;
}

// Pixels drawn by the raster routines on white, then white made transparent.
QImage figureIcon(int code) {
    QImage img(16, 16, QImage::Format_RGB32);
    img.fill(0xffffffff);
    if (code == tool::Rectangle) gdi::rectangle(img, 1, 3, 15, 13, kInk, 1, false);
    else if (code == tool::Circle) gdi::ellipse(img, 1, 2, 15, 14, kInk, 1, false);
    else if (const auto shape = shapeCodeOf(code)) drawShape(img, *shape, QRect(1, 1, 14, 14), {kInk, 1, false}, 1.0f);
    QImage out = img.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            if (out.pixel(x, y) == 0xffffffffu) out.setPixel(x, y, 0);
    return out;
}

QImage paintedIcon(int code) {
    QImage img = blankIcon();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(30, 30, 30);
    switch (code) {
    case tool::Select:
        p.setPen(QPen(ink, 1, Qt::DotLine));
        p.drawRect(QRectF(1.5, 2.5, 12, 10));
        break;
    case tool::Pen: {
        QPainterPath body;
        body.moveTo(3, 13);
        body.lineTo(4, 10);
        body.lineTo(12, 2);
        body.lineTo(14, 4);
        body.lineTo(6, 12);
        body.closeSubpath();
        p.setPen(QPen(ink, 1));
        p.setBrush(QColor(240, 200, 80));
        p.drawPath(body);
        break;
    }
    case tool::Line:
        p.setPen(QPen(ink, 1.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(2, 13), QPointF(14, 3));
        break;
    case tool::Fill: {
        p.setPen(QPen(ink, 1));
        p.setBrush(QColor(200, 200, 210));
        QPolygonF bucket({{3, 7}, {8, 2}, {13, 7}, {8, 12}});
        p.drawPolygon(bucket);
        p.setBrush(QColor(40, 90, 200));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRectF(11.5, 9, 3.5, 5));
        break;
    }
    case tool::Text: {
        QFont f = p.font();
        f.setPixelSize(14);
        f.setBold(true);
        p.setFont(f);
        p.setPen(ink);
        p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("A"));
        break;
    }
    case tool::Eyedropper:
        p.setPen(QPen(ink, 1));
        p.setBrush(QColor(120, 120, 120));
        p.drawEllipse(QRectF(10, 1.5, 4.5, 4.5));
        p.setPen(QPen(ink, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(11, 5), QPointF(3.5, 12.5));
        p.setPen(QPen(QColor(40, 90, 200), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawPoint(QPointF(2.5, 13.5));
        break;
    default: break;
    }
    return img;
}

} // namespace

QIcon toolIcon(const QString& key) {
    bool ok = false;
    const int code = key.mid(1).toInt(&ok);
    if (!ok || !key.startsWith(QLatin1Char('t'))) return {};
    const bool figure = code == tool::Rectangle || code == tool::Circle || shapeCodeOf(code).has_value();
    const bool painted = code == tool::Select || code == tool::Pen || code == tool::Line || code == tool::Fill ||
                         code == tool::Text || code == tool::Eyedropper;
    if (!figure && !painted) return {};
    return QIcon(QPixmap::fromImage(figure ? figureIcon(code) : paintedIcon(code)));
}

} // namespace qorn
