#pragma once

#include <QByteArray>
#include <QChar>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

// The garage journal: every file a run moved into a garage, destroyed, or brought back from
// one. It lives in the garage it describes, X:\_\.tidemark, one text file per run and per
// drive, named by the run's start time (20261208T142441.123Z.txt, "-2"... added when that
// name is taken), so that runs sort and never collide. The file is UTF-8 text: a header of
// lines beginning with "#", then one line per file, tab-separated:
//   action  original drive path  garage drive path  bytes  modification time
// A line is appended as soon as its file is done, with one write(2) (the lines of files done
// at the same moment by several threads share one), so a run killed half-way leaves a line
// for every file it moved but the last one or two of each thread.
namespace tidemark {

class DriveMap;
class FileSystem;

// What a run did to its files; also the action of each line.
enum class ActionJournal {
    Garage,       // moved into the garage ("garage")
    Suppression,  // destroyed, from its place or from the garage ("delete")
    Restauration  // moved back from the garage to its place ("restore")
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
    bool operator==(const FichierJournal&) const = default;
};

// One run on one drive, as its journal was read.
struct ExecutionJournal {
    QString id;      // the file name without ".txt": what the command line calls RUN
    QChar lettre;    // the drive whose garage holds the journal
    QDateTime date;  // when the run started (UTC); invalid when the file says nothing usable
    ActionJournal action = ActionJournal::Garage;
    QString source;  // a restore: the run it brought back
    std::vector<FichierJournal> fichiers;
    int lignesIgnorees = 0;  // damaged, cut or refused lines passed over

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

// Every run journaled in the garages of `lettres` (all mapped drives when empty), oldest
// first (by date, then by id). Journals that cannot be read are passed over.
std::vector<ExecutionJournal> LitJournaux(const DriveMap& lecteurs, QList<QChar> lettres = {});

// The journal of one run being written, on every drive it works on. Each drive's file is
// made when the first file of that drive is noted (with the garage folder and .tidemark
// when missing), so a run that does nothing leaves no journal. The threads of one run note
// their files in it at the same time, one line after another.
class JournalGarage {
public:
    JournalGarage(ActionJournal action, const DriveMap& lecteurs,
                  QDateTime debut = QDateTime::currentDateTimeUtc(), QString source = {});
    ~JournalGarage();
    JournalGarage(const JournalGarage&) = delete;
    JournalGarage& operator=(const JournalGarage&) = delete;

    // Appends the line of one file to the journal of the drive of `fichier.original`.
    // False when it could not be written (the reason is kept in `avis`).
    bool note(const FichierJournal& fichier);

    // The id of the run (that of its first journal; another drive may have needed a suffix).
    QString id() const { return id_; }
    // Why a journal could not be made or written, once per drive.
    const QStringList& avis() const { return avis_; }

private:
    int ouvre(QChar lettre);
    void ecrit(char16_t lettre, const QByteArray& lignes);

    ActionJournal action_;
    const DriveMap& lecteurs_;
    QDateTime debut_;
    QString source_;
    QString id_;
    std::map<char16_t, int> fichiers_;  // drive letter -> open journal, -1 when it failed
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
