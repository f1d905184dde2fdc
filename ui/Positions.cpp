#include "ui/Positions.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace tidemark {

void PlaceFenetre(QWidget* fenetre, float topTwips, float leftTwips) {
    QPoint voulu(int(std::lround(leftTwips / TwipsParPixel)),
                 int(std::lround(topTwips / TwipsParPixel)));
    // The window must show at least a corner of its title bar on some screen.
    const QRect barre(voulu, QSize(std::min(fenetre->width(), 120), 40));
    bool visible = false;
    for (const QScreen* ecran : QGuiApplication::screens())
        visible = visible || ecran->availableGeometry().intersects(barre);
    if (!visible) {
        if (const QScreen* ecran = QGuiApplication::primaryScreen()) {
            const QRect zone = ecran->availableGeometry();
            voulu.setX(
                std::clamp(voulu.x(), zone.left(), std::max(zone.left(), zone.right() - 120)));
            voulu.setY(std::clamp(voulu.y(), zone.top(), std::max(zone.top(), zone.bottom() - 40)));
        }
    }
    fenetre->move(voulu);
}

float HautEnTwips(const QWidget* fenetre) {
    return float(fenetre->pos().y() * TwipsParPixel);
}

float GaucheEnTwips(const QWidget* fenetre) {
    return float(fenetre->pos().x() * TwipsParPixel);
}

}  // namespace tidemark
