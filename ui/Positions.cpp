#include "ui/Positions.h"

#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace tidemark {

QRect DansZone(QRect voulu, const QRect& zone, const QSize& minimum) {
    // The frame of the window is its client area with the title bar and borders around it.
    const QRect interieur = zone.adjusted(Bordure, HauteurTitre, -Bordure, -Bordure);
    voulu.setWidth(std::max(minimum.width(), std::min(voulu.width(), interieur.width())));
    voulu.setHeight(std::max(minimum.height(), std::min(voulu.height(), interieur.height())));
    voulu.moveLeft(
        std::max(interieur.left(), std::min(voulu.left(), interieur.right() + 1 - voulu.width())));
    voulu.moveTop(
        std::max(interieur.top(), std::min(voulu.top(), interieur.bottom() + 1 - voulu.height())));
    return voulu;
}

namespace {

// The available area of the screen that holds `point`, or of the primary screen.
QRect ZoneEcran(const QPoint& point) {
    if (const QScreen* ecran = QGuiApplication::screenAt(point))
        return ecran->availableGeometry();
    const QScreen* principal = QGuiApplication::primaryScreen();
    return principal ? principal->availableGeometry()
                     : QRect(point, QSize(INT_MAX / 2, INT_MAX / 2));
}

void Ajuste(QWidget* fenetre, const QRect& voulu) {
    // The smallest size the window's controls allow, as they will be drawn.
    fenetre->ensurePolished();
    if (QLayout* disposition = fenetre->layout())
        disposition->activate();
    const QRect place = DansZone(voulu, ZoneEcran(voulu.topLeft()), fenetre->minimumSizeHint());
    fenetre->resize(place.size());
    fenetre->move(place.topLeft());
}

}  // namespace

void PlaceFenetre(QWidget* fenetre, float topTwips, float leftTwips) {
    const QPoint voulu(int(std::lround(leftTwips / TwipsParPixel)),
                       int(std::lround(topTwips / TwipsParPixel)));
    Ajuste(fenetre, QRect(voulu, fenetre->size()));
}

void PlaceACote(QWidget* fenetre, const QWidget* voisine) {
    const QRect zone = ZoneEcran(voisine->pos());
    const QRect occupe = voisine->frameGeometry();
    QRect voulu(QPoint(occupe.right() + 1 + Bordure, voisine->y()), fenetre->size());
    // No room on the right: its left if there is room there, else the screen's left edge,
    // over the selection frames rather than over the commands on the main window's right.
    if (voulu.right() + Bordure > zone.right()) {
        if (occupe.left() - zone.left() >= voulu.width() + 2 * Bordure)
            voulu.moveRight(occupe.left() - 1 - Bordure);
        else
            voulu.moveLeft(zone.left());
    }
    Ajuste(fenetre, voulu);
}

void DisposeCoteACote(QWidget* principale, QWidget* seconde) {
    const QRect zone = ZoneEcran(principale->pos());
    seconde->ensurePolished();
    const int largeurSeconde = std::max(seconde->width(), seconde->minimumSizeHint().width());
    const int place = zone.width() - largeurSeconde - 4 * Bordure;
    if (place >= principale->minimumSizeHint().width()) {
        const int largeur = std::min(principale->width(), place);
        const int gauche = std::min(principale->x(), zone.left() + place - largeur + Bordure);
        principale->resize(largeur, principale->height());
        principale->move(std::max(zone.left() + Bordure, gauche), principale->y());
    }
    PlaceACote(seconde, principale);
}

float HautEnTwips(const QWidget* fenetre) {
    return float(fenetre->pos().y() * TwipsParPixel);
}

float GaucheEnTwips(const QWidget* fenetre) {
    return float(fenetre->pos().x() * TwipsParPixel);
}

}  // namespace tidemark
