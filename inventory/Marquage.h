#pragma once

#include "core/AppState.h"

#include <QList>
#include <QString>
#include <QStringView>

// The manual marking of the file list: the four commands of the "Cocher / Inverser /
// Ajouter / Enlever" frame, and the count of marked lines they end with.
//
// A line is its mark followed by its entry, always: `MarqueDEtat(EtatMarque[i])` then
// `TabFich[i]`. Marking a line gives it state 1 (" X  "); unmarking any state gives state 0
// (the blank mark), so the entry text is kept whole and the text lines up with the other
// unmarked lines. The commands act only while the list shows file entries
// (AppState::ListeDeFichiers); otherwise they change nothing. TabFich is never changed.
namespace tidemark {

// The state of list line i: EtatMarque[i] while files are listed, 0 for a line past the end
// of EtatMarque or when the list shows no entries.
int EtatDeLigne(const AppState& state, std::size_t i);

// The text of list line i as the list shows it: its mark followed by entry i.
QString TexteLigne(const AppState& state, std::size_t i);

// `nbfich`: the number of lines in state 1 or 3 (the lines a purge disposes of); 0 when the
// list shows no entries.
qsizetype CompteMarquees(const AppState& state);

// The bytes of the marked files, from the sizes the last analysis read; `sansTaille` counts
// the marked files whose size it did not read. No file is read.
struct TailleMarquees {
    qint64 octets = 0;
    qsizetype sansTaille = 0;
};
TailleMarquees TailleDesMarquees(const AppState& state);

// "Cocher": toggles the selected lines (rows of the list); a line in any state other than 0
// is unmarked, a line in state 0 is marked. Rows outside the list are passed over, a row
// given twice is toggled once. Returns the new count of marked lines.
qsizetype Cocher(AppState& state, const QList<int>& lignesSelectionnees);

// "Inverser": toggles every line, as Cocher does. Returns the new count of marked lines.
qsizetype Inverser(AppState& state);

// "Ajouter": marks every line in state 0 whose whole text (mark included) contains `filtre`
// without regard to case. An empty filter matches every line. Returns the new count.
qsizetype Ajouter(AppState& state, QStringView filtre);

// "Enlever": unmarks every line in state 1 exactly whose whole text (mark included) contains
// `filtre` without regard to case; lines in states 2 and 3 are left as they are. Returns the
// new count.
qsizetype Enlever(AppState& state, QStringView filtre);

}  // namespace tidemark
