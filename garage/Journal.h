#pragma once

#include <QByteArray>
#include <QChar>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include "core/FileSystem.h"

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// The garage journal: every file a run moved into a garage, destroyed, or brought back from
// one. It lives in the garage it describes, X:\_\.tidemark, one text file per run and per
// drive, named by the run's start time (20261208T142441.123Z.txt, "-2"... added when that
// name is taken), so that runs sort and never collide. The file is UTF-8 text: a header of
// lines beginning with "#", then one line per file, tab-separated:
//   action  original drive path  garage drive path  bytes  modification time
// A file's line is appended before the file is moved or deleted, with one write (the lines of
// files taken at the same moment by several threads share one), so a run killed at any moment
// leaves a line for every file that went. A move or delete that then fails is followed by an
// "undone" line for the same file; a line whose file never went (the run was killed in
// between) is told by the disk: the file is still at its place.
//
// The header names the run's number on that garage ("# numéro"), taken under the garage lock:
// one more than the highest already there. Runs are ordered by it, never by the clock, and a
// run never counts as older than the run before it on its garage. Journals written by 1.05
// have no number: they come first, in the order of their dates.
namespace tidemark {

class DriveMap;

// What a run did to its files; also the action of each line.
enum class ActionJournal {
    Garage,        // moved into the garage ("garage")
    Suppression,   // destroyed, from its place or from the garage ("delete")
    Restauration,  // moved back from the garage to its place ("restore")
    Annulation     // the line before it for the same file did not happen ("undone"); never
                   // the action of a run, nor of a file once read
};

// "garage", "delete", "restore": the words of the journal and of the command line.
QString NomAction(ActionJournal action);

// One file of a run. Paths are drive paths in their one form; `garage` is empty for a file
// destroyed at its place (a purge under "Détruire").
struct FichierJournal {
    ActionJournal action = ActionJournal::Garage;
    QString original;
    QString garage;
    qint64 taille = 0;
    qint64 modificationNs = 0;  // nanoseconds since the epoch
    // False when an "undone" line followed: the move or delete failed, the file stayed.
    bool fait = true;
    bool operator==(const FichierJournal&) const = default;
};

// One run on one drive, as its journal was read.
struct ExecutionJournal {
    QString id;         // the file name without ".txt": what the command line calls RUN
    QChar lettre;       // the drive whose garage holds the journal
    QDateTime date;     // when the run started (UTC); invalid when the file says nothing usable
    qint64 numero = 0;  // its number on its garage (0: a journal written by 1.05)
    // When the run counts as made, for its order and its age: its date, or that of the run
    // before it on its garage when the clock said earlier (set by LitJournaux).
    QDateTime ordre;
    ActionJournal action = ActionJournal::Garage;
    QString source;  // a restore: the run it brought back
    std::vector<FichierJournal> fichiers;
    int lignesIgnorees = 0;  // damaged, cut or refused lines passed over

    // The files that went (`fait`), and their bytes.
    qint64 nombre() const;
    qint64 octets() const;
};

// Reads the text of a journal of the garage of drive `lettre`, as far as it can: a line cut
// short (no line feed), not UTF-8, without its five fields, or whose paths are not drive
// paths of that drive in their plain form (X:\..., no "." or ".." component, not in the
// garage) or whose garage path is not the one CheminGarage gives, is passed over and
// counted. Never fails.
ExecutionJournal LitJournal(const QByteArray& texte, const QString& id, QChar lettre);

// The host path of the journal folder of a drive (its garage's ".tidemark"), or empty.
QString DossierJournaux(const DriveMap& lecteurs, QChar lettre);
// Holds the journal folder X:\_\.tidemark of drive `lettre`, reached from the drive root
// without following a link (ELOOP or ENOTDIR when a link or a file stands there); made, with
// the garage, when missing and `creer`.
ResultatFs TientDossierJournaux(FileSystem& fs, const DriveMap& lecteurs, QChar lettre, bool creer,
                                DossierTenu& dossier);
// The French notice for a journal folder that cannot be held.
QString MessageDossierJournaux(QChar lettre, const ResultatFs& r);

// Every run journaled in the garages of `lettres` (all mapped drives when empty), oldest
// first: on each garage by number, and between garages by `ordre`. The journal folder is
// reached without following a link, and only regular files are opened: a journal folder that
// is a link, or a "journal" that is a pipe, a link or a folder, is passed over and named in
// `avis` (may be null), as are journals that cannot be read.
std::vector<ExecutionJournal> LitJournaux(const DriveMap& lecteurs, QList<QChar> lettres = {},
                                          QStringList* avis = nullptr);

// The journal of one run being written, on every drive it works on. Each drive's file is
// made when the first file of that drive is noted (with the garage folder and .tidemark
// when missing, reached without following a link), so a run that does nothing leaves no
// journal. The threads of one run note their files in it at the same time, one line after
// another. Its writes go through the file-system service `fs` (its own when null), so that a
// fault plan reaches them; the caller holds the garage's lock.
class JournalGarage {
public:
    JournalGarage(ActionJournal action, const DriveMap& lecteurs,
                  QDateTime debut = QDateTime::currentDateTimeUtc(), QString source = {},
                  FileSystem* fs = nullptr);
    ~JournalGarage();
    JournalGarage(const JournalGarage&) = delete;
    JournalGarage& operator=(const JournalGarage&) = delete;

    // Appends the line of one file to the journal of the drive of `fichier.original`, and
    // returns once it is written. False when it could not be (the reason is kept in `avis`):
    // from then on every line of that drive is refused, so the run must stop there.
    bool note(const FichierJournal& fichier);
    // The same for several files at once, in one write per drive: false when any could not be
    // written.
    bool note(const std::vector<FichierJournal>& fichiers);
    // Appends the "undone" line of a file noted whose move or delete failed (best effort).
    void annule(const FichierJournal& fichier);

    // The id of the run (that of its first journal; another drive may have needed a suffix).
    QString id() const { return id_; }
    // Why a journal could not be made or written, once per drive.
    const QStringList& avis() const { return avis_; }

private:
    struct Ouvert {
        DossierTenu dossier;  // X:\_\.tidemark, held
        FichierAjout fichier;
        bool echec = false;
    };
    bool ecritLignes(const std::vector<FichierJournal>& fichiers, ActionJournal action);
    void ouvre(QChar lettre, Ouvert& ouvert);
    void ecrit(char16_t lettre, const QByteArray& lignes);

    ActionJournal action_;
    const DriveMap& lecteurs_;
    std::unique_ptr<FileSystem> propre_;
    FileSystem* fs_;
    QDateTime debut_;
    QString source_;
    QString id_;
    std::map<char16_t, Ouvert> fichiers_;  // drive letter -> its journal
    QStringList avis_;
    // The threads of a run note at the same time: one writes, the others queue their lines.
    std::mutex mutex_;
    std::condition_variable ecrit_;
    std::map<char16_t, QByteArray> attente_;  // lines not yet written, per drive
    quint64 deposees_ = 0;                    // lines noted
    quint64 ecrites_ = 0;                     // of those, written (or failed)
    bool ecriture_ = false;                   // a thread is writing
};

// The UTC time of nanoseconds since the epoch, to the nanosecond: 2026-12-08T14:24:41.123456789Z.
QString DateNs(qint64 ns);
// The inverse; nothing when the text is not of that form.
std::optional<qint64> LitDateNs(QStringView texte);

// The original drive path of a garage drive path (C:\_\proj\a -> C:\proj\a); empty when it
// is not in a garage.
QString CheminOriginal(QStringView cheminGarage);

}  // namespace tidemark
