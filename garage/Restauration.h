#pragma once

#include "core/Progression.h"
#include "garage/Garage.h"
#include "garage/Journal.h"
#include "garage/VerrouGarage.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

// What the journal makes possible: telling where each file of a run is now, bringing a run
// back from the garage, and emptying the garage of what has waited there long enough. Both
// changes hold the lock of every garage they work on (VerrousGarage) and are journaled as
// runs of their own.
namespace tidemark {

class DriveMap;
class FileSystem;

// Where a file of a run is now.
enum class EtatFichier {
    Garage,    // its copy is still in the garage, as the run left it ("garage")
    Restaure,  // a restore of this run brought it back ("restored")
    Manquant,  // its copy is gone from the garage, or was replaced by a later run ("missing")
    Detruit,   // destroyed by the run, nothing to restore ("deleted")
    EnPlace    // never moved or destroyed: the act failed, or the run was killed between its
               // line and its act; the file is at its place ("in-place")
};

// "garage", "restored", "missing", "deleted", "in-place".
QString NomEtat(EtatFichier etat);

struct LigneExecution {
    EtatFichier etat = EtatFichier::Garage;
    FichierJournal fichier;
};

// The files of the run `id` among `executions` (LitJournaux; on several drives a run has one
// journal each), in journal order, with their state now.
std::vector<LigneExecution> EtatExecution(const std::vector<ExecutionJournal>& executions,
                                          const QString& id, const DriveMap& lecteurs,
                                          const FileSystem& fs);

// What a restore or an emptying did, or would do in a dry run.
struct ResultatGarage {
    bool trouvee = true;                   // the run to restore is journaled
    bool abandonne = false;                // the wait for another run's lock was given up
    bool arrete = false;                   // stopped before its last file, each file done or not
    std::vector<FichierJournal> faits;     // files restored or destroyed, in order
    std::vector<EchecDisposition> echecs;  // files left where they were, with the reason
    QString execution;                     // the id of this run's own journal, if any
    QStringList avis;                      // journals that could not be written
    bool complet() const { return echecs.empty(); }
};

// Moves every file of run `id` (on the garages of `lettres`, every mapped drive when empty)
// that is still in the garage back to its original path, remaking the folders it needs, never
// replacing what stands there: such a file stays in the garage and is reported. A file whose
// garage copy was replaced by a later run is not taken (that copy is the later run's) and is
// reported, naming that run. `choisis`, when not empty, limits the restore to those original
// paths. `essai`: only says what would come back. Garage folders left empty are removed.
// `arret` (may be null) is checked before each file: a stop ends the restore there.
ResultatGarage RestaureExecution(const QString& id, const DriveMap& lecteurs,
                                 const QList<QChar>& lettres, FileSystem& fs, bool essai,
                                 const QStringList& choisis = {}, const AttenteVerrou& attente = {},
                                 const QDateTime& maintenant = QDateTime::currentDateTimeUtc(),
                                 DemandeArret* arret = nullptr);

// Destroys the garage files (of `lettres`, every mapped drive when empty) moved there more than
// `jours` days before `maintenant` (0: all of them); a file the journal does not know is
// judged by its modification time. Hidden entries (the journals, the lock) are left, and so
// are the journals themselves, which stay as the record of what came and went. Garage folders
// left empty are removed. `essai`: only says what would go. `arret` (may be null) is
// checked before each file: a stop ends the emptying there.
ResultatGarage VideGarage(int jours, const DriveMap& lecteurs, const QList<QChar>& lettres,
                          FileSystem& fs, bool essai, const AttenteVerrou& attente = {},
                          const QDateTime& maintenant = QDateTime::currentDateTimeUtc(),
                          DemandeArret* arret = nullptr);

}  // namespace tidemark
