#include "ui/pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>

namespace kestrel {

namespace {
QPixmap blank(const QSize& size) {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    return pm;
}
}  // namespace

QPixmap drawLogo() {
    QPixmap pm = blank(QSize(470, 170));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 470, 170);
    g.setColorAt(0, QColor(22, 60, 110));
    g.setColorAt(1, QColor(40, 120, 170));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(5, 5, 460, 160), 28, 28);
    // A stylised kestrel: two swept wings over a level line.
    QPainterPath bird;
    bird.moveTo(40, 95);
    bird.cubicTo(70, 40, 110, 35, 135, 70);
    bird.cubicTo(160, 35, 200, 40, 230, 95);
    bird.cubicTo(195, 70, 160, 72, 135, 100);
    bird.cubicTo(110, 72, 75, 70, 40, 95);
    p.setBrush(QColor(250, 200, 60));
    p.drawPath(bird);
    p.setPen(QPen(QColor(250, 200, 60), 4));
    p.drawLine(QPointF(40, 128), QPointF(230, 128));
    p.setPen(Qt::white);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(42);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(245, 40, 210, 50), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Kestrel"));
    f.setPixelSize(30);
    f.setBold(false);
    p.setFont(f);
    p.drawText(QRectF(245, 92, 210, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tool"));
    return pm;
}

QPixmap drawTruck() {
    QPixmap pm = blank(QSize(94, 100));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.5));
    // Drum above the cab, seen end-on.
    p.setBrush(QColor(200, 200, 210));
    p.drawEllipse(QRectF(17, 4, 60, 44));
    p.setBrush(QColor(150, 150, 165));
    p.drawEllipse(QRectF(35, 16, 24, 20));
    // Cab with windscreen and lamps.
    p.setBrush(QColor(230, 120, 30));
    p.drawRoundedRect(QRectF(12, 44, 70, 40), 6, 6);
    p.setBrush(QColor(170, 210, 240));
    p.drawRect(QRectF(20, 50, 54, 16));
    p.setBrush(Qt::yellow);
    p.drawEllipse(QRectF(17, 72, 8, 8));
    p.drawEllipse(QRectF(69, 72, 8, 8));
    // Wheels.
    p.setBrush(Qt::black);
    p.drawRect(QRectF(14, 84, 14, 14));
    p.drawRect(QRectF(66, 84, 14, 14));
    return pm;
}

QPixmap drawArrow(bool pointingRight) {
    QPixmap pm = blank(QSize(60, pointingRight ? 60 : 59));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal h = pm.height();
    QPolygonF arrow;
    arrow << QPointF(4, h * 0.35) << QPointF(32, h * 0.35) << QPointF(32, 6) << QPointF(56, h / 2)
          << QPointF(32, h - 6) << QPointF(32, h * 0.65) << QPointF(4, h * 0.65);
    if (!pointingRight) {
        for (QPointF& pt : arrow) pt.setX(60 - pt.x());
    }
    p.setPen(QPen(QColor(120, 0, 0), 1.5));
    p.setBrush(QColor(220, 20, 20));
    p.drawPolygon(arrow);
    return pm;
}

QPixmap drawStopSign() {
    QPixmap pm = blank(QSize(60, 60));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPolygonF oct;
    for (int i = 0; i < 8; ++i) {
        const double a = (22.5 + 45.0 * i) * M_PI / 180.0;
        oct << QPointF(30 + 28 * std::cos(a), 30 + 28 * std::sin(a));
    }
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(QColor(210, 20, 20));
    p.drawPolygon(oct);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(14);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(pm.rect(), Qt::AlignCenter, QStringLiteral("STOP"));
    return pm;
}

}  // namespace kestrel
