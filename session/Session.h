#pragma once

#include "core/AppState.h"
#include "core/Progression.h"
#include "duplicates/RechercheDoublons.h"
#include "duplicates/RevueCouples.h"
#include "garage/Restauration.h"
#include "inventory/Scan.h"
#include "purge/AnalysePurge.h"
#include "purge/TraitementPurge.h"
#include "session/ContenusCouples.h"

#include <QObject>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

// The session owns the working set (the file list with its marks, the facts read, the
// couples, the notices) and runs the long commands that replace or read it, one at a time,
// on its worker thread. It lives on the window's thread: every result is applied there, and
// every signal is received there.
namespace tidemark {

class DriveMap;
class FileSystem;

enum class Commande {
    Aucune,
    Scan,
    VisuPurge,
    TraitementPurge,
    RechercheMultiples,
    TraitementMultiple,
    CeFichier,
    CesFichiers,
    Restauration,  // a run brought back from the garage
    VidageGarage   // the garage emptied of what waited there long enough, or its dry run
};

// Where the list stands, for the window to decide what its commands may do.
enum class EtapeListe {
    SansListe,   // no file list (messages only, or no file found)
    Listee,      // a list fresh from a scan
    Analysee,    // "Visu Purge" ran on it
    Purgee,      // a purge run, its rescan and its new analysis ran
    Recherchee,  // "Recherche Multiples ?" ran on it
};

// What a disposing command did, once it is over (the rescan included).
struct BilanDisposition {
    ModeDisposition mode = ModeDisposition::Deplacer;
    qsizetype traites = 0;   // files deleted or moved into the garage
    qsizetype restants = 0;  // files left untouched by a stop
    bool arrete = false;
    std::vector<EchecDisposition> echecs;
    qint64 octets = 0;           // the bytes of `traites` whose facts were read
    qsizetype sansTaille = 0;    // of `traites`, the files without facts (bytes unknown)
    QStringList cheminsLaisses;  // read-only files left in place
};

class Session : public QObject {
    Q_OBJECT
public:
    // `etat` is the settings-derived state the session starts from; the session owns it
    // from then on, with the working set. `lecteurs` and `fs` are not owned.
    Session(AppState etat, const DriveMap& lecteurs, FileSystem& fs, QObject* parent = nullptr);
    ~Session() override;

    const AppState& etat() const { return etat_; }
    // For the short commands of the window's thread (hand marks, the configuration window):
    // never while a command runs.
    AppState& etatModifiable() { return etat_; }

    Commande enCours() const { return enCours_; }
    bool occupee() const { return enCours_ != Commande::Aucune; }
    EtapeListe etape() const { return etape_; }
    // Marked lines of the last analysis.
    qsizetype marqueesAnalyse() const { return marqueesAnalyse_; }
    // The couple under review, when "Traitement multiple" showed one.
    const std::optional<CoupleRevue>& revue() const { return revue_; }
    // Its index in the couple table, when there is one.
    std::optional<std::size_t> indiceRevue() const {
        return revue_ && revue_->trouve ? std::optional(indiceRevue_) : std::nullopt;
    }
    // Makes couple k of the table the one under review (a click in the window's table);
    // false, and nothing changed, while a command runs or when k is beyond the table.
    bool choisitCouple(std::size_t k);
    // Whether the two files of each couple hold the same bytes, read in the background.
    ContenusCouples& contenus() { return *contenus_; }

    // How questions asked in the middle of a command are answered (the scan's drive-root
    // question): called on the session's thread. Without it every question is answered "Oui".
    std::function<bool(const QString& texte, const QString& titre)> question;

    // The stop request of the running command (tests may plan one with apres()).
    DemandeArret& arret() { return arret_; }
    // Stops the running command at its next file or directory. `abandon`: what would follow
    // (the rescan after a disposal) is left out too.
    void arrete(bool abandon = false);

    // Replaces the file list: every mark, fact read and couple of the old one goes with it.
    void remplaceListe(std::vector<QString> liste);
    void vide();

    // The long commands. Each returns at once; the results come through the signals below.
    void lanceScan(const DemandeScan& demande);
    void lanceVisuPurge();
    void lanceTraitementPurge(ModeDisposition mode, const DemandeScan& rescan);
    void lanceRechercheMultiples(const DemandeRecherche& demande);
    void lanceTraitementMultiple(const DemandeRecherche& demande);
    void lanceDisposition(CoteCouple cote, bool tous, ModeDisposition mode,
                          const DemandeScan& rescan, const DemandeRecherche& recherche);
    // The garage commands, on every mapped drive: run `id` restored (only the original paths
    // `choisis` when not empty), or the files moved there more than `jours` days ago
    // destroyed (`essai`: only counted). The file list is left as it is.
    void lanceRestauration(const QString& id, const QStringList& choisis);
    void lanceVidage(int jours, bool essai);

Q_SIGNALS:
    // A command starts or ends (enCours() tells which).
    void commandeChangee();
    // The bar: `valeur` of `nombre` steps of the running pass.
    void progression(qint64 valeur, qint64 nombre);
    // The scan's counters: entries so far, matching files of the directory just listed.
    void compteurs(qint64 trouves, qint64 repertoire);
    // A line for the status line while a command waits (another run's garage lock).
    void statut(const QString& texte);
    // A scan is about to start (also the rescan of a disposal).
    void scanCommence();
    // Steps done, each applied to the working set before it is signalled.
    void scanTermine(const tidemark::ResultatScan& resultat, bool modeConfig);
    void analyseTerminee(const tidemark::PlanPurge& plan);
    void rechercheTerminee(const tidemark::ResultatRecherche& resultat);
    void revueTrouvee();
    // A purge run or a disposal is over, its rescan included.
    void dispositionTerminee(const tidemark::BilanDisposition& bilan);
    // A restore or an emptying (enCours() tells which) is over; `essai` for a dry run.
    void garageTermine(const tidemark::ResultatGarage& resultat, bool essai);
    // Internal: the worker left something for this thread (see depile()).
    void aTraiter();

private:
    template <typename R>
    void surFil(std::function<R()> travail, std::function<void(R&)> suite);
    // From the worker: runs `f` on the session's thread. Everything the worker hands over
    // goes through `verrou_`, so the hand-over is plain to see (ThreadSanitizer included).
    void versSession(std::function<void()> f);
    void depile();
    void boucle();
    void debut(Commande commande);
    void fin();
    void etapeScan(const DemandeScan& demande, std::function<void()> suite);
    void etapeAnalyse(std::function<void()> suite);
    void etapeRecherche(const DemandeRecherche& demande, std::function<void()> suite);
    void etapeRevue(const DemandeRecherche& demande, std::function<void()> suite);
    Progression rapporteur();
    DemandeRecherche suivie(DemandeRecherche demande);
    AttenteVerrou attente();
    bool demandeSurFenetre(const QString& texte, const QString& titre);

    AppState etat_;
    const DriveMap& lecteurs_;
    FileSystem& fs_;
    Commande enCours_ = Commande::Aucune;
    EtapeListe etape_ = EtapeListe::SansListe;
    qsizetype marqueesAnalyse_ = 0;
    std::optional<CoupleRevue> revue_;
    std::size_t indiceRevue_ = 0;
    ContenusCouples* contenus_;
    DemandeArret arret_;
    bool abandon_ = false;

    std::mutex verrou_;  // guards what follows
    std::condition_variable reveil_;
    std::deque<std::function<void()>> travaux_;  // for the worker
    std::deque<std::function<void()>> retours_;  // for the session's thread
    bool finFil_ = false;
    // The last progress reported, shown once per hand-over.
    qint64 valeur_ = -1, nombre_ = 0, trouves_ = -1, repertoire_ = 0;
    std::thread fil_;  // the worker, started last
};

}  // namespace tidemark
