#pragma once

#include "core/AppState.h"
#include "core/FileSystem.h"
#include "garage/Journal.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// Getting rid of a file: moving it into the garage of its drive, or deleting it. The purge
// run and the review of duplicate pairs both go through these routines.
//
// The garage of a drive is the folder "_" at its root; a file keeps its own sub-tree there:
// C:\proj\piston.prt.1 goes to C:\_\proj\piston.prt.1. The routines take drive paths
// (X:\...), turn them into host paths with the drive map and act through the file-system
// service. None shows a message: each returns what happened, with a French reason when the
// file could not be disposed of.
namespace tidemark {

class DriveMap;

// The option pair of a disposal: "Détruire" or "Deplacer".
enum class ModeDisposition {
    Detruire,  // delete the file (EffaceFichier)
    Deplacer   // move it into the garage (DeplaceGarage)
};

// What a disposal did. `erreur`/`raison` (from ResultatFs) say why it failed; the reason is
// a French sentence that names the path or folder concerned when that helps.
struct ResultatDisposition : ResultatFs {
    QString chemin;       // the drive path that was given
    QString cible;        // DeplaceGarage: the garage drive path, once it could be formed
    bool laisse = false;  // EffaceFichier: a read-only file left in place (ValCaches not 1);
                          // not a failure, the file simply stays
    // The run's journal could not take this file's line: nothing was done to it, and the run
    // must do nothing more.
    bool journalEnEchec = false;
};

// The garage drive path of a drive path: the drive, "\_" and the rest of the path
// (C:\proj\piston.prt.1 -> C:\_\proj\piston.prt.1). A pure text rule: the path must be of the
// form X:\name, which DeplaceGarage checks before using it.
QString CheminGarage(QStringView cheminLecteur);

// What a disposal is about to touch, for the question put before it: its files, the bytes of
// those whose facts were read (state.InfosLues), how many have no facts, and the garage of
// each drive concerned (C:\_), in order of first appearance.
struct ApercuDisposition {
    qsizetype fichiers = 0;
    qint64 octets = 0;
    qsizetype sansTaille = 0;
    QStringList garages;
};
// The preview of disposing of the entries at `positions` of the list.
ApercuDisposition Apercu(const AppState& state, const std::vector<qint32>& positions);

// The garage folders of one run, each held open (DossierTenu) once reached from its drive's
// root without following a link, so that a move lands in the folder that was checked and
// nowhere else. The threads of a run share one. Before each move the folder is checked again
// to still be where it was reached (FileSystem::unmoved, one look for the whole chain from
// the drive root down); when a level was renamed away or replaced by a link, the chain is
// let go and reached afresh, which refuses the link.
class DossiersGarage {
public:
    struct Niveau;
    using PtrNiveau = std::shared_ptr<const Niveau>;
    struct Niveau {
        DossierTenu dossier;
        PtrNiveau parent;  // held as long as this level is; null for a drive root
    };
    // The folder `niveau` (a drive path X:\_ or below it, in its one form) held, made
    // level by level when missing (those made stay if a later step fails). On failure the
    // drive path of the level that failed is in `fautif`.
    // `creer` false: a missing level is ENOENT, nothing is made.
    ResultatFs tiens(const QString& niveau, const DriveMap& lecteurs, FileSystem& fs,
                     PtrNiveau& tenu, QString& fautif, bool creer = true);
    // Known folders were found through one drive map; another map starts afresh.
    void pour(const DriveMap& lecteurs);
    // Lets every folder go (on Windows a held folder can be neither renamed nor removed).
    void libere();

private:
    std::mutex mutex_;
    const DriveMap* lecteurs_ = nullptr;
    QHash<QString, PtrNiveau> tenus_;  // by drive path ("X:" for a drive root)
};

// What one disposal run has learnt of the disk, so that repeated disposals look again only at
// what they must. Owned by one thread of a run:
// - the garage folders known to exist (DossiersGarage), its own or those shared by the
//   threads of the run;
// - the entry the last VerifieInchange of this thread found unchanged, and whether it is a
//   folder: the DeplaceGarage of that same file that follows needs no second look to know it
//   is there. It serves that one next disposal only.
// Each routine below takes the run's context; without one (a single disposal) it uses a
// context of its own. A run that gives its context a journal has every file TraiteDoublon
// disposes of noted in it as soon as it is done.
class ContexteGarage {
public:
    ContexteGarage() = default;
    explicit ContexteGarage(JournalGarage* journal, DossiersGarage* partages = nullptr)
        : journal_(journal), dossiers_(partages ? partages : &propres_) {}
    ContexteGarage(const ContexteGarage&) = delete;
    ContexteGarage& operator=(const ContexteGarage&) = delete;
    JournalGarage* journal() const { return journal_; }
    // The line a run wrote ahead of time for the next file it disposes of: the disposal takes
    // it for its own when it is the very line it would write, else undoes it and writes its own.
    void prevoit(FichierJournal ligne) { prevue_ = std::move(ligne); }
    // That line when the disposal did not take it (it ended before acting): the run undoes it.
    std::optional<FichierJournal> reprend() { return std::exchange(prevue_, std::nullopt); }

private:
    friend ResultatDisposition DeplaceGarage(const QString&, const DriveMap&, FileSystem&,
                                             ContexteGarage*);
    friend ResultatDisposition VerifieInchange(const QString&, const InfoFichier&, const DriveMap&,
                                               const FileSystem&, ContexteGarage*);
    friend ResultatDisposition EffaceFichier(const QString&, int, const DriveMap&, FileSystem&,
                                             ContexteGarage*);
    QString hoteVerifie_;  // host path of the entry just found unchanged, or empty
    bool verifieDossier_ = false;
    InfoFichier infoVerifiee_;  // what was read of that entry
    JournalGarage* journal_ = nullptr;
    std::optional<FichierJournal> prevue_;
    DossiersGarage propres_;
    DossiersGarage* dossiers_ = &propres_;
};

// Moves the file at `chemin` (a drive path) into the garage of its drive. Before anything
// on disk changes it refuses a path that is not X:\..., that holds an empty, "." or ".."
// component, that lies on no mapped drive, that already lies inside a garage (X:\_\...),
// whose garage path is longer than the platform allows (a name longer than NAME_MAX, a
// path of PATH_MAX or more), or whose file is missing or is a folder. It then creates the
// missing garage folders one level at a time (those made stay if a later step fails) and
// moves the file, replacing an older garage copy (even a read-only one) in one step: the
// incoming file is in place before the older copy is gone, so a failed move loses neither.
// The garage folders are reached from the drive root without following links and the file
// is moved into the folder held (DossiersGarage): a link met on the way, at any moment,
// refuses the file. With a journal in the run's context, the file's line is written before
// it moves (and an "undone" line after a move that failed); a line that cannot be written
// leaves the file in place with `journalEnEchec` set.
// A path under another drive's root is first brought to its one form (DriveMap::normalise).
ResultatDisposition DeplaceGarage(const QString& chemin, const DriveMap& lecteurs, FileSystem& fs,
                                  ContexteGarage* contexte = nullptr);

// Deletes the file at `chemin` (a drive path). A read-only file is deleted only when
// `valCaches` is exactly 1; otherwise it is left in place and the result says `laisse`
// (success, nothing reported). Refuses a path that is not X:\..., holds an empty, "." or
// ".." component, lies on no mapped drive, or lies inside a garage (X:\_\...).
// With a journal in the run's context, the line is written before the file goes, as for
// DeplaceGarage.
ResultatDisposition EffaceFichier(const QString& chemin, int valCaches, const DriveMap& lecteurs,
                                  FileSystem& fs, ContexteGarage* contexte = nullptr);

// Checks that the file at `chemin` still has the size, modification time and identity read
// earlier (by the analysis or the duplicate search). Success when it does; otherwise a
// failure whose reason says the file changed or vanished since it was read. Nothing on disk
// changes. On success the run's context remembers the entry for the DeplaceGarage of the
// same file that follows.
ResultatDisposition VerifieInchange(const QString& chemin, const InfoFichier& attendu,
                                    const DriveMap& lecteurs, const FileSystem& fs,
                                    ContexteGarage* contexte = nullptr);

// The journal line TraiteDoublon writes before disposing of the file at `chemin`, found as
// `attendu` says (so that a run can write the lines of many files at once, ahead of them):
// nothing for a path it would refuse before writing anything.
std::optional<FichierJournal> LigneDisposition(const QString& chemin, ModeDisposition mode,
                                               const InfoFichier& attendu,
                                               const DriveMap& lecteurs);

// The one disposal of a file, for the purge run and the pair review alike: EffaceFichier
// (with `valCaches`) under "Détruire", DeplaceGarage under "Deplacer". When `attendu` (may be
// null) holds the facts read by the analysis or the search, the file is first checked
// against them (VerifieInchange) and left alone if it changed or vanished. A file moved or
// deleted is noted in the journal of the run's context, when it has one, before it goes.
ResultatDisposition TraiteDoublon(const QString& chemin, ModeDisposition mode, int valCaches,
                                  const InfoFichier* attendu, const DriveMap& lecteurs,
                                  FileSystem& fs, ContexteGarage* contexte = nullptr);

// One file that could not be disposed of: its drive path and the French reason.
struct EchecDisposition {
    QString chemin;
    QString raison;
    bool operator==(const EchecDisposition&) const = default;
};

// The message shown once a command has failed on some files.
struct MessageEchecs {
    QString titre;    // the message box title
    QString texte;    // how many failed, then the first paths with their reasons
    QString details;  // every failed path with its reason, one per line
};

// How many failures the message text lists before sending the reader to the details.
inline constexpr int NbEchecsAffiches = 10;

// Composes the failure message: "3 fichiers n'ont pas pu être traités :" (singular for one),
// then up to `premiers` lines "path : reason", then how many more are in the details.
// Empty texts when there is no failure.
MessageEchecs ComposeMessageEchecs(const std::vector<EchecDisposition>& echecs,
                                   int premiers = NbEchecsAffiches);

}  // namespace tidemark
