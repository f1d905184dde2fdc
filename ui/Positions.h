#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <algorithm>
#include <climits>

class QWidget;

namespace tidemark {

// Window positions are stored in twips, 15 to a device-independent pixel on every screen.
inline constexpr int TwipsParPixel = 15;

// What a window manager adds around a window: a title bar above, a border on each side.
inline constexpr int HauteurTitre = 32;
inline constexpr int Bordure = 6;

// A window's client rectangle `voulu` brought into `zone` (a screen's available area) with
// room for its title bar and borders: no larger than the zone allows (nor smaller than
// `minimum`), and moved just enough for the whole window to lie inside.
QRect DansZone(QRect voulu, const QRect& zone, const QSize& minimum);

// Places a window at a stored position in twips, on the screen that holds that point (the
// primary screen when none does, a monitor unplugged since), made to fit that screen's
// available area and moved onto it when it would run past its edges.
void PlaceFenetre(QWidget* fenetre, float topTwips, float leftTwips);
// Places `fenetre` beside `voisine`: at its right when there is room, else at its left, else
// as far right as its screen allows; always whole on that screen.
void PlaceACote(QWidget* fenetre, const QWidget* voisine);
// At first start: `principale` made narrower and moved left, as far as its controls and the
// screen allow, so that `seconde` stands beside it rather than over it; then `seconde`
// placed beside it.
void DisposeCoteACote(QWidget* principale, QWidget* seconde);
// The window's position in twips, as it is stored.
float HautEnTwips(const QWidget* fenetre);
float GaucheEnTwips(const QWidget* fenetre);

// The range of a progress bar before a loop over n items: 0 to 1 when n is below 2, else
// 0 to n - 1.
inline int MaximumProgression(qsizetype n) {
    return n < 2 ? 1 : int(std::min<qsizetype>(n - 1, INT_MAX));
}

}  // namespace tidemark
