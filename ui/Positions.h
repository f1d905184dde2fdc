#pragma once

#include <QPoint>
#include <QSize>

#include <algorithm>
#include <climits>

class QWidget;

namespace tidemark {

// Window positions are stored in twips, 15 to a device-independent pixel on every screen.
inline constexpr int TwipsParPixel = 15;

// Places a window at a stored position in twips, brought onto a visible screen when it
// would lie off every screen (a monitor unplugged since).
void PlaceFenetre(QWidget* fenetre, float topTwips, float leftTwips);
// The window's position in twips, as it is stored.
float HautEnTwips(const QWidget* fenetre);
float GaucheEnTwips(const QWidget* fenetre);

// The range of a progress bar before a loop over n items: 0 to 1 when n is below 2, else
// 0 to n - 1.
inline int MaximumProgression(qsizetype n) {
    return n < 2 ? 1 : int(std::min<qsizetype>(n - 1, INT_MAX));
}

}  // namespace tidemark
