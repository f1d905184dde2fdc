#pragma once

#include "core/AppState.h"
#include "core/Progression.h"
#include "garage/Garage.h"
#include "garage/VerrouGarage.h"

#include <QStringList>

#include <functional>
#include <vector>

// "Traitement Purge": disposes of every marked line's file, in list order, by deleting it
// or moving it into the garage. A file that cannot be disposed of is skipped and reported;
// the others go on. The rescan and the new analysis that follow are the caller's: it runs
// its scan, then VisuPurge (AnalysePurge.h), then shows ComposeMessageEchecs(echecs)
// (Garage.h) when some file failed.
namespace tidemark {

class DriveMap;

struct ResultatTraitement {
    qsizetype marquees = 0;      // lines in state 1 or 3 when the run started
    qsizetype traitees = 0;      // files deleted or moved into the garage
    qsizetype laissees = 0;      // read-only files left in place ("Détruire" without ValCaches)
    QStringList cheminsLaisses;  // their drive paths, in list order
    // Of `traitees`, the lines that had no facts read by the analysis (marked by hand after
    // it, or with no analysis at all): disposed of without the size and date check, since
    // the user chose them on the list as it stands.
    qsizetype sansControle = 0;
    // The bytes of `traitees` as the analysis read them (the lines of `sansControle` add none).
    qint64 octets = 0;
    // Every file that was not disposed of, in list order, with its French reason: refused
    // paths, failed deletes and moves, files changed or vanished since the analysis.
    std::vector<EchecDisposition> echecs;
    // The run gave up waiting for another run's garage lock: nothing was done.
    bool abandonne = false;
    // Why the garage journal of a drive could not be written (the files went all the same).
    QStringList avisJournal;
    // The run was stopped: the files of `restantes` marked lines were not touched (a file
    // being moved when the stop came was moved whole first).
    bool arrete = false;
    qsizetype restantes = 0;

    bool complet() const { return echecs.empty(); }
};

// Progress: `faits` of the `total` marked lines done, 0 first (AvanceurProgression).
using ProgressionTraitement = Progression;

// Disposes of the file of every line in state 1 or 3 (EtatDeLigne), in list order. The path
// of line i is CheminEntree(state, i). When state.InfosLues holds the facts of entry i, the
// file is first checked against them: a file changed or vanished since is left alone and
// reported. A revision marked "X" goes only while the revisions kept ("M") in its group are
// still there and, where the analysis read them, unchanged (size, date, identity); otherwise
// every marked revision of that group stays and is reported. The run first takes the lock of
// the garage of every drive it works on (VerrousGarage), waiting through `attente` while
// another run holds one. Under Detruire a read-only file is deleted only when
// state.options.ValCaches is 1 (else left in place, silently); under Deplacer it goes to the garage
// like any other. Lines in state 0 or 2 are never touched. Changes nothing in `state`.
// `arret` (may be null) is checked before each marked line, in list order: a stop ends the
// run there. The files go on `fils` threads (1 runs them all here); with 0 the run starts on
// this thread alone and takes up to FilsLecture only once the disk is seen to make it wait.
// The lines are handed out in list order and the report is in list order, so the result is
// the same whatever the number.
// The journal lines TraitementPurge writes ahead of their files in one write, at most: a run
// killed leaves at most that many lines whose files did not go.
inline constexpr std::size_t LignesEnAvance = 64;

// What TraitementPurge would dispose of: the files of the lines in state 1 or 3.
ApercuDisposition ApercuPurge(const AppState& state);

ResultatTraitement TraitementPurge(const AppState& state, ModeDisposition mode,
                                   const DriveMap& lecteurs, FileSystem& fs,
                                   const ProgressionTraitement& progression = {},
                                   const AttenteVerrou& attente = {}, DemandeArret* arret = nullptr,
                                   unsigned fils = 0);

}  // namespace tidemark
