#include "inventory/Scan.h"

#include "core/Drives.h"
#include "core/FileSystem.h"
#include "core/Identite.h"
#include "core/NomsFichier.h"
#include "core/Parallele.h"
#include "core/Wildcard.h"

#include <QLocale>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <utility>
#include <vector>

namespace tidemark {

namespace {

// ---- Reading one directory ------------------------------------------------------------

struct SousRepertoire {
    QString nom;
    QByteArray octets;  // the name as the host spells it, to build the host path
};

// The entries of one directory that the scan keeps, sorted.
struct Listing {
    std::vector<QString> fichiers;            // matching files
    std::vector<SousRepertoire> repertoires;  // directories to enter
    int nomsIgnores = 0;
    int erreur = 0;  // errno when the directory could not be read
};

// Case-insensitive name order, as QString compares without regard to case; names equal that
// way go in the byte order of their UTF-8 form. Pro/ENGINEER names are nearly always ASCII,
// so ASCII characters are folded here and only other text goes through Qt's folding.
bool AvantNom(QStringView a, QStringView b) {
    const qsizetype n = std::min(a.size(), b.size());
    const char16_t* pa = a.utf16();
    const char16_t* pb = b.utf16();
    for (qsizetype i = 0; i < n; ++i) {
        if (pa[i] == pb[i])
            continue;
        if (pa[i] >= 0x80 || pb[i] >= 0x80) {
            const int c = a.compare(b, Qt::CaseInsensitive);
            return c != 0 ? c < 0 : a.toUtf8() < b.toUtf8();
        }
        const char16_t x = MinusculeAscii(pa[i]);
        const char16_t y = MinusculeAscii(pb[i]);
        if (x != y)
            return x < y;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a.toUtf8() < b.toUtf8();
}

// A name that holds "\" or a control character cannot be part of a drive path or of a list
// line; a name whose bytes are not UTF-8 could not be found again from its text.
struct NomDecode {
    QString texte;
    bool exprimable = true;
};

// `prefixe` comes first in the text, the name after it (one string, one allocation).
NomDecode Decode(const QString& prefixe, const char* nom, size_t longueur) {
    bool ascii = true, interdit = false;
    for (size_t i = 0; i < longueur; ++i) {
        const auto c = static_cast<unsigned char>(nom[i]);
        ascii = ascii && c < 0x80;
        interdit = interdit || c < 0x20 || c == '\\' || c == 0x7F;
    }
    NomDecode d;
    const auto taille = static_cast<qsizetype>(longueur);
    if (ascii) {
        d.texte.reserve(prefixe.size() + taille);
        d.texte.append(prefixe).append(QLatin1StringView(nom, taille));
    } else {
        const QString texte = QString::fromUtf8(nom, taille);
        interdit = interdit || texte.toUtf8() != QByteArrayView(nom, taille);
        d.texte = prefixe + texte;
    }
    d.exprimable = !interdit;
    return d;
}

// The garage folders "_" of the mapped drives, by identity, read once before a walk: a
// folder "_" met at any depth, through any drive, is one of them when its identity is. Only
// folders named "_" are looked at, so the walk pays one more read for those alone.
class Garages {
public:
    Garages(const DriveMap& lecteurs, const FileSystem& fs) : fs_(fs) {
        for (const QChar lettre : lecteurs.lettres()) {
            if (const auto id = fs.identity(lecteurs.racine(lettre) + QStringLiteral("/_")))
                identites_.push_back(*id);
        }
    }

    // True when the folder "_" of the host directory `hote` is a drive's garage.
    bool contient(const QByteArray& hote) const {
        if (identites_.empty())
            return false;
        QByteArray chemin = hote;
        if (!chemin.endsWith('/'))
            chemin += '/';
        chemin += '_';
        const auto id = fs_.identity(TexteHote(chemin));
        return id && std::find(identites_.begin(), identites_.end(), *id) != identites_.end();
    }

private:
    const FileSystem& fs_;
    std::vector<IdentiteFichier> identites_;
};

// Reads the entries of the host directory `hote` into `listing` (emptied first): the files
// matching `filtre`, each as `prefixe` followed by its name, and, when `avecRepertoires`, the
// subdirectories, both sorted by name. Names
// beginning with "." are hidden. A folder "_" is left out when `racine` (the listed directory
// is a drive root) or when it is one of `garages`. On failure `listing.erreur` holds the
// errno and the lists are empty.
void LitRepertoire(const FileSystem& fs, const QByteArray& hote, const QString& prefixe,
                   const Wildcard& filtre, bool avecRepertoires, bool racine,
                   const Garages& garages, Listing& listing) {
    listing.fichiers.clear();
    listing.repertoires.clear();
    listing.nomsIgnores = 0;
    const auto visite = [&](const char* brut, std::size_t longueur, GenreEntree genre) {
        if (brut[0] == '.')
            return;
        if (genre == GenreEntree::Autre || (genre == GenreEntree::Dossier && !avecRepertoires))
            return;
        if (genre == GenreEntree::Dossier && longueur == 1 && brut[0] == '_' &&
            (racine || garages.contient(hote)))
            return;
        const bool fichier = genre == GenreEntree::Fichier;
        NomDecode nom = Decode(fichier ? prefixe : QString(), brut, longueur);
        if (fichier && !filtre.correspond(QStringView(nom.texte).sliced(prefixe.size())))
            return;
        if (!nom.exprimable) {
            ++listing.nomsIgnores;
            return;
        }
        if (genre == GenreEntree::Fichier)
            listing.fichiers.push_back(std::move(nom.texte));
        else
            listing.repertoires.push_back(
                {std::move(nom.texte), QByteArray(brut, static_cast<qsizetype>(longueur))});
    };
    listing.erreur = fs.readFolder(TexteHote(hote), visite).erreur;
    if (listing.erreur != 0) {
        // A listing cut short by an error is not listed at all: half a directory would pass
        // for a whole one.
        listing.fichiers.clear();
        listing.repertoires.clear();
        return;
    }
    const qsizetype debut = prefixe.size();
    std::sort(listing.fichiers.begin(), listing.fichiers.end(),
              [debut](const QString& a, const QString& b) {
                  return AvantNom(QStringView(a).sliced(debut), QStringView(b).sliced(debut));
              });
    std::sort(
        listing.repertoires.begin(), listing.repertoires.end(),
        [](const SousRepertoire& a, const SousRepertoire& b) { return AvantNom(a.nom, b.nom); });
}

// ---- The walk -------------------------------------------------------------------------

struct RepertoireAVisiter {
    QString lecteur;  // drive path
    QByteArray hote;  // host path, as the system spells it
};

// One directory of the walk, read by whichever thread comes to it first.
struct Noeud {
    enum class Etat { Attente, Lecture, Lu };
    RepertoireAVisiter rep;
    bool sousRepertoires = false;
    Etat etat = Etat::Attente;
    Listing listing;
    std::vector<Noeud*> enfants;  // its subdirectories to enter, in name order
};

// Reads the directories of a walk ahead of it, on up to `fils` threads, the walk's own
// thread among them. Each directory read adds its subdirectories to be read, the first one
// on top, so that the threads read about in the order the walk asks. The walk takes the
// directories in its own order and waits for the one it needs (or reads it itself when no
// thread has begun it): what it gets is what reading each directory in its turn gives, the
// waits of the file system overlapped. Threads start as the directories waiting outnumber
// the idle ones, so a small tree is read on few threads. Chosen by the walk (`demande` 0),
// no thread starts before the walk's own reads are seen to wait (SondeAttente): a local disk
// answers at once, and the threads would cost more than the reads they overlap.
class LecturesAvance {
public:
    using Lecture = std::function<void(Noeud&)>;
    LecturesAvance(unsigned demande, Lecture lecture)
        : fils_(demande > 0 ? demande : FilsLecture),
          enAvance_(demande > 1),
          lecture_(std::move(lecture)) {}
    ~LecturesAvance() {
        {
            const std::lock_guard garde(mutex_);
            fin_ = true;
        }
        travail_.notify_all();
        for (std::thread& t : threads_) t.join();
    }
    LecturesAvance(const LecturesAvance&) = delete;
    LecturesAvance& operator=(const LecturesAvance&) = delete;

    // A directory the walk will ask for; it is read when asked, not ahead.
    Noeud& ajoute(RepertoireAVisiter rep, bool sousRepertoires) {
        const std::lock_guard garde(mutex_);
        Noeud& noeud = noeuds_.emplace_back();
        noeud.rep = std::move(rep);
        noeud.sousRepertoires = sousRepertoires;
        return noeud;
    }

    // `noeud` once read: by this thread when no other has begun it.
    Noeud& attend(Noeud& noeud) {
        std::unique_lock verrou(mutex_);
        if (noeud.etat == Noeud::Etat::Attente) {
            noeud.etat = Noeud::Etat::Lecture;
            verrou.unlock();
            lit(noeud);
            if (!enAvance_ && sonde_.attend())
                commenceAvance();
        } else {
            lu_.wait(verrou, [&] { return noeud.etat == Noeud::Etat::Lu; });
        }
        return noeud;
    }

private:
    // From now on each directory read sends its subdirectories ahead; those already met and
    // not yet read go ahead at once, the next the walk needs on top.
    void commenceAvance() {
        {
            const std::lock_guard garde(mutex_);
            enAvance_ = true;
            for (const Noeud& lu : noeuds_) {
                if (lu.etat != Noeud::Etat::Lu)
                    continue;
                for (auto it = lu.enfants.rbegin(); it != lu.enfants.rend(); ++it) {
                    if ((*it)->etat == Noeud::Etat::Attente)
                        aLire_.push_back(*it);
                }
            }
            engage();
        }
        travail_.notify_all();
    }

    // Starts threads while the directories waiting outnumber the idle ones (under the lock).
    void engage() {
        // Once the walk has ended (fin_), no thread starts: the walk is joining them.
        if (fils_ < 2 || !enAvance_ || fin_)
            return;
        while (threads_.size() + 1 < fils_ && libres_ < aLire_.size()) {
            ++libres_;
            threads_.emplace_back([this] { travaille(); });
        }
    }

    // Reads a claimed directory, then makes its subdirectories nodes to be read ahead.
    void lit(Noeud& noeud) {
        lecture_(noeud);
        std::vector<SousRepertoire>& sous = noeud.listing.repertoires;
        {
            const std::lock_guard garde(mutex_);
            for (SousRepertoire& s : sous) {
                QByteArray hote = noeud.rep.hote;
                if (!hote.endsWith('/'))
                    hote += '/';
                hote += s.octets;
                Noeud& enfant = noeuds_.emplace_back();
                enfant.rep = {JoindreChemin(noeud.rep.lecteur, s.nom), std::move(hote)};
                enfant.sousRepertoires = true;
                noeud.enfants.push_back(&enfant);
            }
            if (fils_ > 1 && enAvance_ && !fin_) {
                for (auto it = noeud.enfants.rbegin(); it != noeud.enfants.rend(); ++it)
                    aLire_.push_back(*it);
                engage();
            }
            sous = {};
            noeud.etat = Noeud::Etat::Lu;
        }
        lu_.notify_all();
        if (!noeud.enfants.empty())
            travail_.notify_all();
    }

    void travaille() {
        std::unique_lock verrou(mutex_);
        for (;;) {
            travail_.wait(verrou, [this] { return fin_ || !aLire_.empty(); });
            if (fin_)
                return;
            Noeud* noeud = aLire_.back();
            aLire_.pop_back();
            if (noeud->etat != Noeud::Etat::Attente)
                continue;  // the walk came to it first
            noeud->etat = Noeud::Etat::Lecture;
            --libres_;
            verrou.unlock();
            lit(*noeud);
            verrou.lock();
            ++libres_;
        }
    }

    const unsigned fils_;
    bool enAvance_;       // directories are read ahead of the walk (under the lock)
    SondeAttente sonde_;  // the walk's own reads, until they are seen to wait
    const Lecture lecture_;
    std::mutex mutex_;
    std::condition_variable travail_;  // a directory to read, or the end
    std::condition_variable lu_;       // a directory was read
    std::deque<Noeud> noeuds_;         // every directory met; a deque keeps them in place
    std::vector<Noeud*> aLire_;        // to read ahead, the next on top
    std::vector<std::thread> threads_;
    std::size_t libres_ = 0;  // threads waiting for a directory
    bool fin_ = false;
};

QString Nombre(qsizetype n) {
    return QLocale(QLocale::French, QLocale::France).toString(n);
}

// Adds entries to the list and keeps the counts of one scan.
class Parcours {
public:
    Parcours(Inventaire& state, const QString& filtre, const DemandeScan& demande,
             const DriveMap& lecteurs, const FileSystem& fs, ScanInterface& interface,
             ResultatScan& resultat)
        : state_(state),
          demande_(demande),
          interface_(interface),
          resultat_(resultat),
          fs_(fs),
          filtre_(filtre),
          garages_(lecteurs, fs),
          lectures_(demande.fils, [this](Noeud& noeud) {
              // Full paths are made as the names are read: one string a file.
              LitRepertoire(
                  fs_, noeud.rep.hote,
                  state_.CheminComplet ? JoindreChemin(noeud.rep.lecteur, u"") : QString(), filtre_,
                  noeud.sousRepertoires, EstRacineLecteur(noeud.rep.lecteur), garages_,
                  noeud.listing);
          }) {
        // A new list each time; its memory follows the entries found, not the capacity.
        std::vector<QString>().swap(state_.TabFich);
        state_.TabFich.reserve(static_cast<size_t>(std::min<qsizetype>(demande.capacite, 4096)));
    }

    // The spare room of the list stays: giving it back would copy the whole list once more
    // into fresh memory, for at most one string object an entry.

    // Lists one directory without a yield before it; false when the scan must end (the list
    // is full). `sousRepertoires`: the subdirectories found are queued to be visited, depth
    // first.
    bool liste(const RepertoireAVisiter& rep, bool sousRepertoires) {
        return liste(lectures_.ajoute(rep, sousRepertoires));
    }

    // Visits the queued directories, depth first, yielding before each one.
    void descend() {
        while (!pile_.empty()) {
            Noeud& noeud = *pile_.back();
            pile_.pop_back();
            if (!cede() || !liste(noeud))
                return;
        }
    }

    // Yields, then lists `rep` unless a stop was asked meanwhile; false when the scan ends.
    bool visite(const RepertoireAVisiter& rep, bool sousRepertoires) {
        return cede() && liste(rep, sousRepertoires);
    }

    // The notices of the walk, in French.
    void avis() const {
        QStringList& avis = resultat_.avis;
        if (resultat_.repertoiresIgnores == 1)
            avis.append(QStringLiteral("1 répertoire n'a pas pu être lu et a été passé :"));
        else if (resultat_.repertoiresIgnores > 1)
            avis.append(QStringLiteral("%1 répertoires n'ont pas pu être lus et ont été passés :")
                            .arg(Nombre(resultat_.repertoiresIgnores)));
        avis.append(echecs_);
        if (resultat_.nomsIgnores > 0)
            avis.append(QStringLiteral("%1 nom(s) passé(s) : « \\ », caractère de contrôle ou "
                                       "octets hors UTF-8, impossibles à écrire dans un chemin.")
                            .arg(Nombre(resultat_.nomsIgnores)));
        if (resultat_.capaciteAtteinte)
            avis.append(QStringLiteral("La liste est pleine (%1 fichiers) : les fichiers suivants "
                                       "n'y figurent pas.")
                            .arg(Nombre(demande_.capacite)));
    }

private:
    // The yield before a directory; false when a stop was asked.
    bool cede() {
        interface_.cede();
        if (interface_.arret()) {
            resultat_.arrete = true;
            return false;
        }
        return true;
    }

    bool liste(Noeud& noeud) {
        Listing& listing = lectures_.attend(noeud).listing;
        const RepertoireAVisiter& rep = noeud.rep;
        resultat_.nomsIgnores += listing.nomsIgnores;
        if (listing.erreur != 0) {
            ++resultat_.repertoiresIgnores;
            echecs_.append(
                QStringLiteral("  %1 : %2").arg(rep.lecteur, FileSystem::reason(listing.erreur)));
            return true;
        }
        ++resultat_.repertoiresVisites;

        // Each entry was made at its exact size by the reader: a list of half a million
        // paths is the scan's whole memory cost.
        for (QString& entree : listing.fichiers) {
            if (static_cast<qsizetype>(state_.TabFich.size()) >= demande_.capacite) {
                resultat_.capaciteAtteinte = true;
                break;
            }
            state_.TabFich.push_back(std::move(entree));
        }
        interface_.progression(
            {resultat_.repertoiresVisites, static_cast<qsizetype>(state_.TabFich.size()),
             static_cast<qsizetype>(listing.fichiers.size()),
             resultat_.repertoiresVisites + int(pile_.size() + noeud.enfants.size())});
        listing = {};
        if (resultat_.capaciteAtteinte)
            return false;

        // Pushed in reverse so that the first subdirectory is visited next.
        for (auto it = noeud.enfants.rbegin(); it != noeud.enfants.rend(); ++it)
            pile_.push_back(*it);
        return true;
    }

    Inventaire& state_;
    const DemandeScan& demande_;
    ScanInterface& interface_;
    ResultatScan& resultat_;
    const FileSystem& fs_;
    Wildcard filtre_;
    Garages garages_;
    std::vector<Noeud*> pile_;
    QStringList echecs_;
    LecturesAvance lectures_;  // last: its threads end before what they read goes
};

std::optional<QByteArray> Hote(const DriveMap& lecteurs, const QString& lecteur) {
    const std::optional<QString> hote = lecteurs.versHote(lecteur);
    if (!hote)
        return std::nullopt;
    return OctetsHote(*hote);
}

void ScanRepertoire(Inventaire& state, const QString& filtre, const DemandeScan& demande,
                    const DriveMap& lecteurs, const FileSystem& fs, ScanInterface& interface,
                    ResultatScan& resultat) {
    const RepertoireResolu resolu = ResoutRepertoireSaisi(demande.repertoire, lecteurs, fs);
    const std::optional<QString> base =
        resolu.accepte() ? std::optional<QString>(resolu.chemin) : std::nullopt;
    bool sousRepertoires = demande.sousRepertoires;
    if (sousRepertoires && base && EstRacineLecteur(*base) &&
        !interface.demandeOuiNon(TexteAvertissementRacine(), TitreAvertissement())) {
        sousRepertoires = false;
        resultat.racineRefusee = true;
    }
    state.CheminComplet = sousRepertoires;
    state.RepBase = base.value_or(demande.repertoire);

    Parcours parcours(state, filtre, demande, lecteurs, fs, interface, resultat);
    const std::optional<QByteArray> hote = base ? Hote(lecteurs, *base) : std::nullopt;
    if (!hote) {
        ++resultat.repertoiresIgnores;
        resultat.avis.append(base ? DriveMap::MessageHorsLecteur(demande.repertoire)
                                  : resolu.raison);
        return;
    }
    if (parcours.liste({*base, *hote}, sousRepertoires) && sousRepertoires)
        parcours.descend();
    parcours.avis();
}

void ScanConfig(Inventaire& state, const QString& filtre, const DemandeScan& demande,
                const DriveMap& lecteurs, const FileSystem& fs, ScanInterface& interface,
                ResultatScan& resultat) {
    state.RepConf.clear();
    state.CheminComplet = true;
    CompteRenduConfig compteRendu;
    // Reads the config.pro of one directory; a file read that names no search directory is
    // said in a line of its own.
    const auto refuses = [&] {
        return compteRendu.horsLecteur + compteRendu.dansGarage + compteRendu.auDelaCapacite;
    };
    const auto litConfigDe = [&](const QString& repertoire) {
        const qsizetype avant = state.RepConf.size();
        const int refusesAvant = refuses();
        const QString fichier = CheminConfigPro(repertoire);
        if (LitConfigPro(fichier, repertoire, lecteurs, fs, state.RepConf, compteRendu,
                         demande.capaciteRepConf) &&
            state.RepConf.size() == avant)
            compteRendu.lignes.append(refuses() > refusesAvant ? LigneSearchPathRefuses(fichier)
                                                               : LigneSansSearchPath(fichier));
    };

    if (demande.avecHome) {
        const QString home = VariableHome(demande.environnement);
        if (!home.isEmpty()) {
            const std::optional<QString> rep = lecteurs.versLecteurDepuisSaisie(home);
            if (!rep) {
                resultat.avis.append(
                    QStringLiteral("Le dossier « home » (%1) ne se trouve sur aucun lecteur : "
                                   "son config.pro n'est pas lu.")
                        .arg(home));
            } else {
                litConfigDe(*rep);
            }
        }
    }
    // The chosen directory is followed to the folder it reaches; one that is refused (in a
    // garage, on no drive...) has its config.pro left unread, and says why.
    const RepertoireResolu choisi = ResoutRepertoireSaisi(demande.repertoire, lecteurs, fs);
    if (choisi.accepte())
        litConfigDe(choisi.chemin);
    else
        resultat.avis.append(choisi.raison);

    resultat.lignes = compteRendu.lignes;
    resultat.sansRepertoireConfig = state.RepConf.isEmpty();

    // A directory named twice stays twice in RepConf but is listed once: listed twice, each
    // of its files would be counted twice by the analysis and disposed of twice. Sameness is
    // the directory's identity, so two spellings of one directory are one.
    Parcours parcours(state, filtre, demande, lecteurs, fs, interface, resultat);
    std::set<std::pair<quint64, quint64>> vus;
    int doubles = 0;
    for (const QString& rep : std::as_const(state.RepConf)) {
        const std::optional<QByteArray> hote = Hote(lecteurs, rep);
        const std::optional<IdentiteFichier> id =
            hote ? fs.identity(TexteHote(*hote)) : std::nullopt;
        if (id && !vus.insert({id->peripherique, id->inode}).second) {
            ++doubles;
            continue;
        }
        if (!parcours.visite({rep, hote.value_or(QByteArray())}, false))
            break;
    }
    // Why a config.pro that is there was not read (a pipe, a device, a file past the bound).
    resultat.avis.append(compteRendu.avis);
    if (compteRendu.horsLecteur > 0)
        resultat.avis.append(QStringLiteral("%1 répertoire(s) de recherche passé(s) : ils ne se "
                                            "trouvent sur aucun lecteur.")
                                 .arg(compteRendu.horsLecteur));
    if (compteRendu.dansGarage > 0)
        resultat.avis.append(QStringLiteral("%1 répertoire(s) de recherche passé(s) : ils se "
                                            "trouvent dans un garage, qui n'est jamais purgé.")
                                 .arg(compteRendu.dansGarage));
    if (compteRendu.auDelaCapacite > 0)
        resultat.avis.append(QStringLiteral("%1 répertoire(s) de recherche passé(s) au-delà des "
                                            "%2 que la liste peut tenir.")
                                 .arg(compteRendu.auDelaCapacite)
                                 .arg(demande.capaciteRepConf));
    if (doubles > 0)
        resultat.avis.append(QStringLiteral("%1 répertoire(s) de recherche nommé(s) plus d'une "
                                            "fois : listé(s) une seule fois.")
                                 .arg(doubles));
    parcours.avis();
}

QString Espaces(int n) {
    return QString(n, u' ');
}

}  // namespace

QString TexteAvertissementRacine() {
    const QString lignes[] = {
        Espaces(27) + QStringLiteral("La recherche de tous les fichiers à partir de la racine") +
            Espaces(2),
        Espaces(40) + QStringLiteral("risque d'être assez longue ."),
        Espaces(1),
        Espaces(40) + QStringLiteral(". ATTENTION .... ATTENTION ."),
        Espaces(1),
        Espaces(22) +
            QStringLiteral("Assurez vous que tous les répertoires de cette unité correspondent à") +
            Espaces(1),
        Espaces(21) +
            QStringLiteral(
                "des fichiers de données. Certaines des extensions de fichier traitées ."),
        Espaces(30) + QStringLiteral("ne sont pas spécifiques à Pro/E ( *.log *.inf *.idx ) .") +
            Espaces(1),
        Espaces(1),
        Espaces(40) + QStringLiteral(".   CONSEIL .... CONSEIL ."),
        Espaces(1) + QStringLiteral("Lors des premiéres utilisations de ce programme  :") +
            Espaces(1),
        Espaces(3) + QStringLiteral("- passez un peu de temps à vérifier les fichiers détectés "
                                    "par l'application avant de 'purger'."),
        Espaces(3) + QStringLiteral("- utilisez les options 'déplacer' plutôt que 'détruire'."),
        Espaces(3) + QStringLiteral("Vous pourrez ensuite effacer les répertoires 'garage' aprés "
                                    "avoir vérifié leurs contenus."),
        Espaces(1),
        Espaces(38) + QStringLiteral("Voulez vous quand même continuer ?"),
    };
    QString texte;
    for (const QString& ligne : lignes) texte += ligne + QStringLiteral("\n\r");
    return texte;
}

QString TitreAvertissement() {
    return QLatin1String(identite::AppNom) + QStringLiteral(" Velnor");
}

QString LigneAnalyseRepertoire(const QString& repertoire) {
    return MarqueVide.toString() + QStringLiteral("Le répertoire '") + repertoire +
           QStringLiteral("'  est en cours d'analyse");
}

ResultatScan Scan(const AppState& reglages, const DemandeScan& demande, const DriveMap& lecteurs,
                  const FileSystem& fs, ScanInterface& interface) {
    ResultatScan resultat;
    if (reglages.FiltreFich.isEmpty())
        return resultat;
    resultat.effectue = true;
    Inventaire& inventaire = resultat.inventaire;
    inventaire.RepBase = reglages.RepBase;
    if (demande.mode == ModeScan::Config)
        ScanConfig(inventaire, reglages.FiltreFich, demande, lecteurs, fs, interface, resultat);
    else
        ScanRepertoire(inventaire, reglages.FiltreFich, demande, lecteurs, fs, interface, resultat);
    return resultat;
}

namespace {

// The interface of the caller, with the stop request of the state besides.
class InterfaceEtat final : public ScanInterface {
public:
    InterfaceEtat(const AppState& state, ScanInterface& interface)
        : state_(state), interface_(interface) {}
    bool demandeOuiNon(const QString& texte, const QString& titre) override {
        return interface_.demandeOuiNon(texte, titre);
    }
    void cede() override { interface_.cede(); }
    bool arret() override { return state_.StopScan || interface_.arret(); }
    void progression(const ProgressionScan& etat) override { interface_.progression(etat); }

private:
    const AppState& state_;
    ScanInterface& interface_;
};

}  // namespace

ResultatScan Scan(AppState& state, const DemandeScan& demande, const DriveMap& lecteurs,
                  const FileSystem& fs, ScanInterface& interface) {
    state.StopScan = false;
    InterfaceEtat avecArret(state, interface);
    ResultatScan resultat = Scan(std::as_const(state), demande, lecteurs, fs, avecArret);
    state.StopScan = false;
    if (!resultat.effectue)
        return resultat;
    Inventaire& inventaire = resultat.inventaire;
    state.TabFich = std::move(inventaire.TabFich);
    state.CheminComplet = inventaire.CheminComplet;
    state.RepBase = std::move(inventaire.RepBase);
    if (demande.mode == ModeScan::Config)
        state.RepConf = std::move(inventaire.RepConf);
    inventaire = {};
    return resultat;
}

}  // namespace tidemark
