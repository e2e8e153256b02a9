// SPDX-License-Identifier: GPL-3.0-or-later
#include "programicon.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include <cmath>

namespace {

// A 2U cubesat seen from a corner: a box with a solar panel on either side.
void DrawCubesat(QPainter& p, QPointF centre, double size)
{
    p.save();
    p.translate(centre);
    p.rotate(-20);
    const QRectF body(-size * 0.25, -size * 0.45, size * 0.5, size * 0.9);
    p.setPen(QPen(QColor(40, 40, 40), size * 0.03));
    p.setBrush(QColor(200, 200, 205));
    p.drawRect(body);
    p.drawLine(QPointF(body.left(), 0), QPointF(body.right(), 0));
    p.setBrush(QColor(30, 60, 150));
    for (const double side : {-1.0, 1.0}) {
        const double inner = side * size * 0.28;
        const QRectF panel = QRectF(QPointF(inner, -size * 0.4), QPointF(inner + side * size * 0.55, size * 0.4));
        p.drawRect(panel.normalized());
        p.drawLine(QPointF(panel.center().x(), panel.top()), QPointF(panel.center().x(), panel.bottom()));
    }
    p.setPen(QPen(QColor(40, 40, 40), size * 0.025));
    p.drawLine(QPointF(0, body.top()), QPointF(0, body.top() - size * 0.25));
    p.restore();
}

} // namespace

QPixmap DrawInfoPicture(QSize size)
{
    QPixmap pixmap(size);
    const double w = size.width();
    const double h = size.height();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(5, 10, 40));
    sky.setColorAt(1, QColor(20, 40, 90));
    p.fillRect(pixmap.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 230));
    for (int i = 0; i < 40; ++i) // a fixed scatter of stars
        p.drawEllipse(QPointF(std::fmod(i * 97.3, w), std::fmod(i * 53.7, h * 0.6)), 0.8, 0.8);

    // The earth's limb and the satellite's orbit.
    QRadialGradient earth(QPointF(w * 0.5, h * 2.1), h * 1.5);
    earth.setColorAt(0.85, QColor(30, 90, 160));
    earth.setColorAt(1.0, QColor(120, 180, 230));
    p.setBrush(earth);
    p.drawEllipse(QPointF(w * 0.5, h * 2.1), h * 1.5, h * 1.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(230, 200, 80, 160), 1.5, Qt::DashLine));
    p.drawEllipse(QPointF(w * 0.5, h * 2.1), h * 1.75, h * 1.75);

    // The beacon going down to a ground station's dish.
    const QPointF sat(w * 0.62, h * 0.36);
    const QPointF dish(w * 0.3, h * 0.82);
    p.setPen(QPen(QColor(250, 220, 90), 1.5));
    for (int k = 1; k <= 3; ++k) {
        const QPointF at = sat + (dish - sat) * (0.2 * k);
        p.drawArc(QRectF(at - QPointF(8 + 3 * k, 8 + 3 * k), QSizeF(16 + 6 * k, 16 + 6 * k)), 160 * 16, 100 * 16);
    }
    p.setPen(QPen(QColor(230, 230, 230), 2));
    p.setBrush(QColor(210, 210, 210));
    p.drawChord(QRectF(dish - QPointF(14, 10), QSizeF(28, 20)), 150 * 16, 180 * 16);
    p.drawLine(dish, dish + QPointF(0, 14));
    DrawCubesat(p, sat, h * 0.28);
    return pixmap;
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (const int side : {16, 32, 48, 64, 128}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        DrawCubesat(p, QPointF(side / 2.0, side / 2.0), side * 0.55);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
