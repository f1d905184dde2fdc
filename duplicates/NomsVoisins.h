#pragma once

#include "core/AppState.h"
#include "duplicates/RechercheDoublons.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

// "Detecter" of the frame "Noms approchants": couples of entries whose radicals differ at
// most at one chosen character position c (1-based, counted in the radical's UTF-16 units).
// Two radicals make a near couple when they have the same length and are equal, without
// regard to case, except at position c: their heads (the c - 1 first characters) are equal
// and their tails (everything after position c) are equal. For a radical no longer than c - 1
// nothing is left out, so beyond a radical's length only identical radicals match; identical
// radicals always make a couple, wherever their files lie. The names alone decide: no file
// is read.
//
// The couples are returned (positions, first then second in list order) for the caller to
// put in place of the list's couples; List1 shows one line per couple: the blank mark, then
// the display line of the search.
namespace tidemark {

// What the detection needs besides the shared state.
struct DemandeVoisins {
    bool sousRepertoires = true;        // "Sous Répertoires Compris": without it nothing is done
    QString NumCar;                     // the text of the position box, as typed
    qint32 capacite = CapaciteCouples;  // couples the table may hold (small in tests)
    Progression progression;            // may be empty
};

// The position typed in NumCar, or why it cannot be used.
struct PositionLue {
    std::optional<int> position;  // a whole number of at least 1 (a huge one is kept as
                                  // INT_MAX: beyond every radical)
    QString motif;                // otherwise: the line List1 shows, in French
};
PositionLue LitPosition(QStringView texte);

struct ResultatVoisins {
    bool effectue = false;  // false when sousRepertoires was off, or when refused
    bool refuse = false;    // NumCar was not a whole number of at least 1: nothing changed,
                            // and List1 shows `motif` alone
    QString motif;
    int position = 0;                       // the position used
    std::vector<AppState::Couple> couples;  // the couples found, in list order
    bool capaciteAtteinte = false;          // more couples than the table holds: the search stopped
    QStringList avis;                       // notices in French, one per line
};

// Runs the detection over state.TabFich; changes nothing. When it is `effectue`, its couples
// replace the list's.
ResultatVoisins DetecteNomsVoisins(const AppState& state, const DemandeVoisins& demande);

}  // namespace tidemark
