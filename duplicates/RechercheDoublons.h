#pragma once

#include "core/AppState.h"
#include "core/NomsFichier.h"
#include "core/Progression.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <span>
#include <vector>

// "Recherche Multiples ?": the files of the list that bear the same radical (the name without
// its revision suffix, compared without regard to case) in two different directories. The
// couples are kept in AppState::Couples as pairs of list positions, ordered by the position
// of their first file, then of their second; their texts and display lines are derived from
// the list when shown.
//
// The radicals are derived once and grouped, so the search costs the number of entries plus
// the number of couples, never the square of the list. It reads the identity (device and
// inode), size and modification time of the entries whose radical occurs in two directories,
// and of no others: two entries that reach one file on disk (a folder reached through a
// symbolic link and directly, a link to a file, a hard link) are one file, never a couple.
namespace tidemark {

class DriveMap;
class FileSystem;

// The couple table holds at most this many couples; the search stops when there are more.
inline constexpr qint32 CapaciteCouples = 500001;

// What a search needs besides the shared state.
struct DemandeRecherche {
    bool sousRepertoires = true;        // "Sous Répertoires Compris": without it nothing is done
    QString repertoire;                 // the chosen directory (drive path)
    qint32 capacite = CapaciteCouples;  // couples the table may hold (small in tests)
    Progression progression;            // may be empty
    DemandeArret* arret = nullptr;      // may be null; checked at each entry
};

// An entry that the search could not read: it is in no couple.
struct EntreeIllisible {
    qint32 position;
    QString raison;  // in French
};

// What a search found, for the window and the command line to show.
struct ResultatRecherche {
    bool effectuee = false;               // false when sousRepertoires was off: nothing changed
    bool capaciteAtteinte = false;        // more couples than the table holds: the search stopped
                                          // and the table holds the first `capacite` of them
    bool arretee = false;                 // stopped on request: the table is incomplete
    qint64 couples = 0;                   // couples in the table
    std::vector<AppState::Couple> table;  // the couples, in their order
    FaitsLus infos;                       // the facts of every entry read
    std::vector<EntreeIllisible> illisibles;  // in list order
    QStringList avis;  // notices in French, one per line: capacity reached, unread entries
};

// Runs the search over state.TabFich and returns its couples and the size and modification
// time of the entries it read (what the review checks again before disposing of a file).
// Does nothing when demande.sousRepertoires is off.
ResultatRecherche RechercheMultiples(const AppState& state, const DemandeRecherche& demande,
                                     const DriveMap& lecteurs, const FileSystem& fs);
// Writes a search's couples into state.Couples and its facts into state.InfosLues (moved out
// of `resultat`); nothing when the search was not made.
void AppliqueRecherche(AppState& state, ResultatRecherche& resultat);
// The search, then AppliqueRecherche, for callers that hold the state alone.
ResultatRecherche RechercheMultiples(AppState& state, const DemandeRecherche& demande,
                                     const DriveMap& lecteurs, const FileSystem& fs);

// The couples of the list by the rules of the search, in their order, for the full search
// and for the review's first couple, with the size and modification time of every entry
// they read. The overloads on a non-const state also insert those facts into
// state.InfosLues, and change nothing else in it.
struct CouplesTrouves {
    std::vector<AppState::Couple> couples;
    bool depasse = false;                     // TrouveCouples: a couple beyond `limite` exists
    std::vector<EntreeIllisible> illisibles;  // entries that could not be read, in list order
    FaitsLus infos;                           // the facts read
    bool arrete = false;                      // stopped on request: the couples are incomplete
};
// At most `limite` couples; stops at the first couple beyond them and sets `depasse`.
CouplesTrouves TrouveCouples(const AppState& state, qint64 limite, const DriveMap& lecteurs,
                             const FileSystem& fs, const Progression& progression = {},
                             DemandeArret* arret = nullptr);
CouplesTrouves TrouveCouples(AppState& state, qint64 limite, const DriveMap& lecteurs,
                             const FileSystem& fs, const Progression& progression = {});
// The first `limite` couples, and not one more looked for: PremiersCouples(state, 1, ...)
// reads only what the first couple needs.
CouplesTrouves PremiersCouples(const AppState& state, qint64 limite, const DriveMap& lecteurs,
                               const FileSystem& fs, const Progression& progression = {},
                               DemandeArret* arret = nullptr);
CouplesTrouves PremiersCouples(AppState& state, qint64 limite, const DriveMap& lecteurs,
                               const FileSystem& fs, const Progression& progression = {});

// ---- Texts derived from the table ---------------------------------------------------------

// The two paths of couple k (TabCouple1 and TabCouple2): the list entries as full drive
// paths. k must be below state.Couples.size().
QString TexteCouple1(const AppState& state, std::size_t k);
QString TexteCouple2(const AppState& state, std::size_t k);

// One row of the two-column list: the first path, then the second path as its sub-item.
struct RangeeListV {
    QString premier;
    QString second;
};
RangeeListV RangeeCouple(const AppState& state, std::size_t k);

// The notice of a search that stopped at `capacite` couples.
QString TexteCapaciteAtteinte(qint64 capacite);

// ---- Helpers shared with the review -------------------------------------------------------

// True when two directories (drive paths) are one, as the file system compares them: the
// drive letter without regard to case, the rest exactly (on Linux Moteur and moteur are two
// folders).
bool MemeRepertoire(QStringView a, QStringView b);

// The directory of entry i as CheminEntree(state, i) gives it, without building that path.
QStringView RepertoireEntree(const AppState& state, std::size_t i);
// The same over a list and its base directory alone.
QStringView RepertoireEntree(std::span<const QString> liste, QStringView repBase, std::size_t i);

// True when two radicals are one: equal without regard to case.
inline bool MemeRadical(QStringView a, QStringView b) {
    return EgauxSansCasse(a, b);
}

// A hash of a text's case-folded form, computed without building it: two texts that
// MemeRadical calls equal have the same hash (each code point folded as Qt's comparison
// folds it).
size_t HachageSansCasse(QStringView texte, size_t graine = 0);

// Entries sorted by group in one pass: the members of group g are
// membres[debut[g]] .. membres[debut[g + 1] - 1], in list order.
struct Groupes {
    std::vector<qint32> groupe;   // the group of each entry, 0 to the number of groups - 1
    std::vector<qint32> debut;    // start of each group in `membres`, one more at the end
    std::vector<qint32> membres;  // list positions, group after group
};
Groupes RangeParGroupe(std::vector<qint32> groupe, qint32 nombreGroupes);

}  // namespace tidemark
