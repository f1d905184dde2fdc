#pragma once

#include "core/AppState.h"
#include "core/NomsFichier.h"
#include "core/Progression.h"

#include <QStringList>
#include <QStringView>

#include <array>
#include <functional>
#include <vector>

// "Visu Purge": decides which listed files a purge would remove. The analysis is computed
// as a plan from the shared state and then applied; it never changes a file, it only reads
// the size and modification time of the files it marks.
//
// 1. Revisions pass: a group is a run of consecutive entries with the same directory
//    (compared exactly, as the file system does: Moteur and moteur are two folders) and the
//    same name without revision (compared without regard to case). In a group of two or
//    more, an entry whose revision is below RevMax - NbGarde + 1 gets " X  " (state 1), any
//    other " M  " (state 2); NbGarde is ValNbRev1 for types "txt", "log" and "inf", else
//    ValNbRev, both clamped (at least 1 and 0). A single file keeps the state it had.
// 2. Auxiliary pass: the first rule whose condition holds decides, and the line gets " --  "
//    (state 3) only when that rule's type row is selected (trail.txt, log and inf when
//    ValNbRev1 is 0; xas, xpr, m_p, crc, err, ers, idx always).
// 3. Totals pass: size and count of the marked files per fixed type row (0 to 17); a file
//    of a user type (rows 18 to 20) is marked and purged but enters no total.
//
// The starting states are the present marks of the list (hand marks included) while files
// are listed, else all 0.
namespace tidemark {

class DriveMap;

// The passes, laid end to end in the progress: pass p at position i of N is reported as
// p N + i of 3 N.
enum class EtapeAnalyse { Revisions, Auxiliaires, Totaux };

// What the analysis decided, to be written into the shared state by AppliquePlan.
struct PlanPurge {
    std::vector<quint8> etats;  // the new state of every entry (EtatLigne), one per entry
    // Bytes and count of the marked files of each TabConf row; rows 18 to 20 stay 0.
    std::array<qint64, NbLignesTypes> octets{};
    std::array<qint64, NbLignesTypes> nombres{};
    // Size, modification time and identity of every marked file and every kept revision
    // ("M") that could be read, by entry index: what the purge run compares again before
    // disposing of a file, and before disposing of the older revisions of a kept one.
    FaitsLus infos;
    // Marked entries whose facts could not be read (vanished, or on no drive): left out of
    // the totals and named in `avis`.
    std::vector<qint32> illisibles;
    QStringList avis;      // notices in French, one per line, for the status line
    qsizetype nbfich = 0;  // marked lines (states 1 and 3)
    bool arrete = false;   // the analysis was stopped: the plan is incomplete

    qint64 totalOctets() const;
    qint64 totalNombre() const;
};

// True when two neighbouring list entries are revisions of one file: the same directory,
// compared as the file system does (exactly, on Linux), and the same name without revision,
// compared without regard to case as Pro/ENGINEER names are.
bool MemeGroupe(const PartiesEntree& a, const PartiesEntree& b);

// Runs the three passes over state.TabFich and returns the plan. Reads the facts of the
// marked files and of the kept revisions only (through `lecteurs` and `fs`); changes
// nothing, on disk or in `state`.
// `progression` may be empty. `arret` (may be null) is checked before each slice of the
// list: a stopped analysis returns a plan marked `arrete`, which is not to be applied.
// `fils`: the threads that share the list (1 runs it all here; 0 starts on this thread and
// takes more, as many as the list's length is worth, once the disk is seen to make it wait);
// the plan is the same whatever their number.
PlanPurge AnalysePurge(const AppState& state, const DriveMap& lecteurs, const FileSystem& fs,
                       const Progression& progression = {}, DemandeArret* arret = nullptr,
                       unsigned fils = 0);

// Writes a plan into the state: EtatMarque, TabConf columns 2 and 3 of all 21 rows, and
// InfosLues (replaced by the facts the analysis read). A non-empty list then shows file
// entries (ListeDeFichiers). Returns false, changing nothing, when the plan was made for a
// list of another length (a scan ran in between).
bool AppliquePlan(AppState& state, const PlanPurge& plan);

// AnalysePurge then AppliquePlan: the whole "Visu Purge", also what a caller runs again
// after its rescan following a purge. Returns the plan for its totals and notices.
PlanPurge VisuPurge(AppState& state, const DriveMap& lecteurs, const FileSystem& fs,
                    const Progression& progression = {});

}  // namespace tidemark
