#pragma once

#include <QString>

#include <array>

namespace tidemark {

// One row of the file-type table: a wildcard pattern, whether the type is selected, the
// totals of the last analysis and the type key that a file's type is compared with.
struct LigneType {
    QString motif;      // wildcard pattern; the user rows hold what the user typed, trimmed
    int selection = 0;  // 1 when the type takes part in the purge and the pattern list
    qint64 octets = 0;  // bytes of the purgeable files of this type found by the last analysis
    qint64 nombre = 0;  // number of those files
    QString cle;        // type key ("prt", "txt"...); empty on the three user rows
};

inline constexpr int NbLignesTypes = 21;
// Rows 0 to 17 are the fixed Pro/ENGINEER types; only they are looked up by key.
inline constexpr int NbTypesFixes = 18;
// Rows 0 to 7: revisioned models; 8 to 10: trail, log and information files; 11 to 17:
// unrevisioned files; 18 to 20: the user's own patterns.
inline constexpr int PremiereLigneAuxiliaire = 8;
inline constexpr int PremiereLigneSansRevision = 11;
inline constexpr int PremiereLigneUtilisateur = 18;

using TableTypes = std::array<LigneType, NbLignesTypes>;

// The table as the program starts: every pattern and key in place, nothing selected,
// every total at zero.
TableTypes TabConfInitiale();

// The ";"-separated pattern list of the selected rows that have a pattern, in row order,
// or "*" when there is none.
QString ConstruitFiltre(const TableTypes& table);

// Index of the fixed row whose key equals `type` without regard to case, or -1.
int LigneDuType(const TableTypes& table, QStringView type);

}  // namespace tidemark
