#include "menu_icons.h"

#include "view/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>
#include <map>

namespace qorn {
namespace {

using Draw = std::function<void(QPainter&)>;

const QColor kInk(40, 40, 40);
const QColor kPaper(255, 255, 255);

void page(QPainter& p, QRectF r) {
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - 4, r.top());
    path.lineTo(r.right(), r.top() + 4);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(QPen(kInk, 1));
    p.setBrush(kPaper);
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - 4, r.top()), QPointF(r.right() - 4, r.top() + 4));
    p.drawLine(QPointF(r.right() - 4, r.top() + 4), QPointF(r.right(), r.top() + 4));
}

void magnifier(QPainter& p, bool plus) {
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(QColor(220, 235, 255));
    p.drawEllipse(QRectF(2.5, 2.5, 9, 9));
    p.setPen(QPen(kInk, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10.5, 10.5), QPointF(14.5, 14.5));
    p.setPen(QPen(kInk, 1.2));
    p.drawLine(QPointF(4.5, 7), QPointF(9.5, 7));
    if (plus) p.drawLine(QPointF(7, 4.5), QPointF(7, 9.5));
}

void swatch(QPainter& p, QRectF r, QColor c) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(c);
    p.drawRect(r);
}

const std::map<QString, Draw>& painters() {
    static const std::map<QString, Draw> table = {
        {QStringLiteral("new"), [](QPainter& p) { page(p, QRectF(3.5, 1.5, 9, 13)); }},
        {QStringLiteral("open"),
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1));
             p.setBrush(QColor(240, 200, 90));
             p.drawRect(QRectF(1.5, 4.5, 11, 9));
             p.setBrush(QColor(250, 225, 130));
             QPolygonF flap({{3.5, 7.5}, {15.5, 7.5}, {12.5, 13.5}, {1.5, 13.5}});
             p.drawPolygon(flap);
         }},
        {QStringLiteral("save"),
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1));
             p.setBrush(QColor(70, 90, 160));
             p.drawRect(QRectF(1.5, 1.5, 13, 13));
             p.setBrush(kPaper);
             p.drawRect(QRectF(4.5, 1.5, 7, 5));
             p.setBrush(QColor(200, 200, 200));
             p.drawRect(QRectF(4.5, 9.5, 7, 5));
         }},
        {QStringLiteral("print"),
         [](QPainter& p) {
             page(p, QRectF(4.5, 1.5, 7, 6));
             p.setBrush(QColor(190, 190, 190));
             p.drawRect(QRectF(1.5, 6.5, 13, 6));
             p.setBrush(kPaper);
             p.drawRect(QRectF(4.5, 10.5, 7, 4));
         }},
        {QStringLiteral("cut"),
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1.2));
             p.drawLine(QPointF(4, 1), QPointF(10.5, 10));
             p.drawLine(QPointF(12, 1), QPointF(5.5, 10));
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QRectF(2, 10, 4.5, 4.5));
             p.drawEllipse(QRectF(9.5, 10, 4.5, 4.5));
         }},
        {QStringLiteral("copy"),
         [](QPainter& p) {
             page(p, QRectF(1.5, 1.5, 8, 10));
             page(p, QRectF(6.5, 4.5, 8, 10));
         }},
        {QStringLiteral("paste"),
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1));
             p.setBrush(QColor(190, 140, 80));
             p.drawRect(QRectF(1.5, 2.5, 10, 12));
             p.setBrush(QColor(160, 160, 160));
             p.drawRect(QRectF(4.5, 1.5, 4, 2));
             page(p, QRectF(6.5, 6.5, 8, 8));
         }},
        {QStringLiteral("delete"),
         [](QPainter& p) {
             p.setPen(QPen(QColor(200, 30, 30), 2.5, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
             p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
         }},
        {QStringLiteral("undo"),
         [](QPainter& p) {
             p.setPen(QPen(QColor(30, 90, 170), 2, Qt::SolidLine, Qt::RoundCap));
             p.setBrush(Qt::NoBrush);
             p.drawArc(QRectF(4, 4, 9, 9), 180 * 16, -270 * 16);
             p.setBrush(QColor(30, 90, 170));
             p.setPen(Qt::NoPen);
             p.drawPolygon(QPolygonF({{1, 8.5}, {7, 8.5}, {4, 12.5}}));
         }},
        {QStringLiteral("zoomin"), [](QPainter& p) { magnifier(p, true); }},
        {QStringLiteral("zoomout"), [](QPainter& p) { magnifier(p, false); }},
        {QStringLiteral("colcheck"),
         [](QPainter& p) {
             swatch(p, QRectF(1.5, 1.5, 5, 5), QColor(220, 60, 60));
             swatch(p, QRectF(7.5, 1.5, 5, 5), QColor(60, 160, 60));
             swatch(p, QRectF(1.5, 7.5, 5, 5), QColor(60, 90, 200));
             p.setPen(QPen(kInk, 2, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(QPointF(8, 11), QPointF(10.5, 14));
             p.drawLine(QPointF(10.5, 14), QPointF(15, 7.5));
         }},
        {QStringLiteral("quantize"),
         [](QPainter& p) {
             for (int i = 0; i < 4; ++i)
                 swatch(p, QRectF(1.5 + i * 3.5, 1.5, 3, 6), QColor::fromHsv(i * 60, 200, 230));
             swatch(p, QRectF(3.5, 9.5, 4, 5), QColor::fromHsv(0, 200, 230));
             swatch(p, QRectF(8.5, 9.5, 4, 5), QColor::fromHsv(120, 200, 230));
         }},
        {QStringLiteral("colchg"),
         [](QPainter& p) {
             swatch(p, QRectF(1.5, 1.5, 6, 6), QColor(230, 80, 80));
             swatch(p, QRectF(8.5, 8.5, 6, 6), QColor(80, 110, 230));
             p.setPen(QPen(kInk, 1.2));
             p.drawLine(QPointF(9, 4), QPointF(13, 4));
             p.drawLine(QPointF(13, 4), QPointF(13, 7));
             p.drawLine(QPointF(11.5, 5.5), QPointF(13, 7));
             p.drawLine(QPointF(14.5, 5.5), QPointF(13, 7));
         }},
        {QStringLiteral("gauge"),
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1));
             p.setBrush(QColor(240, 220, 150));
             p.drawRect(QRectF(0.5, 5.5, 15, 6));
             for (int x = 2; x < 15; x += 2) p.drawLine(QPointF(x + 0.5, 5.5), QPointF(x + 0.5, x % 4 ? 7.5 : 9.5));
         }},
        {QStringLiteral("help"),
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1));
             p.setBrush(QColor(255, 240, 120));
             p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
             QFont f = p.font();
             f.setPixelSize(11);
             f.setBold(true);
             p.setFont(f);
             p.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, QStringLiteral("?"));
         }},
    };
    return table;
}

} // namespace

QIcon menuIcon(const QString& key) {
    const auto& table = painters();
    const auto it = table.find(key);
    if (it == table.end()) return {};
    QIcon icon;
    for (int scale : {1, 2}) {
        QPixmap pixmap(16 * scale, 16 * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        it->second(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon applicationIcon() {
    // The same picture the icon theme gets, in the sizes a window and the about box ask for.
    QIcon icon;
    for (int size : {16, 32, 48, 64}) icon.addPixmap(QPixmap::fromImage(applicationIconImage(size)));
    return icon;
}

} // namespace qorn
