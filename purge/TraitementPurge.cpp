#include "purge/TraitementPurge.h"

#include "core/Drives.h"
#include "core/NomsFichier.h"
#include "core/Parallele.h"
#include "garage/Journal.h"
#include "inventory/Marquage.h"
#include "purge/AnalysePurge.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <tuple>

namespace tidemark {

namespace {

// The drive letters the run disposes on, as the garage sees them (a path typed under another
// drive belongs to the drive that holds it). One conversion per directory.
QList<QChar> LettresDes(const AppState& state, const std::vector<std::size_t>& lignes,
                        const DriveMap& lecteurs) {
    QList<QChar> lettres;
    QString dossierPrecedent;
    for (const std::size_t i : lignes) {
        const QString chemin = CheminEntree(state, i);
        const QString dossier = chemin.first(std::max<qsizetype>(chemin.lastIndexOf(u'\\'), 0));
        if (!lettres.isEmpty() && dossier == dossierPrecedent)
            continue;
        dossierPrecedent = dossier;
        if (const std::optional<QString> propre = lecteurs.normalise(chemin);
            propre && !lettres.contains((*propre)[0]))
            lettres.append((*propre)[0]);
    }
    return lettres;
}

// The group of revisions of each "X" line, for the check of the revisions kept in it: their
// older revisions are disposed of only while these still stand as the analysis read them.
// A group is the run of neighbouring entries of one directory and one name without revision,
// found along the list in order. Its kept revisions are checked again before each of its
// files goes; once a check fails, the rest of the group stays.
class GroupesGardes {
public:
    GroupesGardes(const AppState& state, const std::vector<std::size_t>& lignes,
                  const DriveMap& lecteurs, const FileSystem& fs)
        : state_(state), lecteurs_(lecteurs), fs_(fs), groupeDe_(lignes.size(), -1) {
        std::vector<std::pair<std::size_t, std::size_t>> bornes;
        QString cheminI, autre;
        for (std::size_t k = 0; k < lignes.size(); ++k) {
            const std::size_t i = lignes[k];
            if (state_.EtatMarque[i] != EtatX)
                continue;  // an auxiliary file: marked for its type, not for newer revisions
            if (bornes.empty() || i >= bornes.back().second) {
                const PartiesEntree pi = parties(i, cheminI);
                std::size_t debut = i, fin = i + 1;
                while (debut > 0 && MemeGroupe(parties(debut - 1, autre), pi)) --debut;
                while (fin < state_.TabFich.size() && MemeGroupe(parties(fin, autre), pi)) ++fin;
                bornes.emplace_back(debut, fin);
            }
            groupeDe_[k] = int(bornes.size()) - 1;
        }
        groupes_ = std::vector<Groupe>(bornes.size());
        for (std::size_t g = 0; g < bornes.size(); ++g)
            std::tie(groupes_[g].debut, groupes_[g].fin) = bornes[g];
    }

    // Nothing when the k-th marked line may go as far as its group is concerned, else the
    // reason it stays. Looks at the kept revisions again on every call.
    std::optional<QString> verdict(std::size_t k) {
        if (groupeDe_[k] < 0)
            return std::nullopt;
        Groupe& groupe = groupes_[std::size_t(groupeDe_[k])];
        {
            const std::lock_guard garde(groupe.mutex);
            if (groupe.raison)
                return groupe.raison;
        }
        // The kept revisions' host paths are worked out once, by the first file of the group.
        std::call_once(groupe.prepare, [&] { prepare(groupe); });
        std::optional<QString> raison = examine(groupe);
        if (!raison)
            return std::nullopt;
        const std::lock_guard garde(groupe.mutex);
        if (!groupe.raison)
            groupe.raison = std::move(raison);
        return groupe.raison;
    }

private:
    struct Garde {
        QString chemin;               // drive path
        std::optional<QString> hote;  // host path, nothing when on no drive
        const InfoFichier* lue;       // what the analysis read of it, or null
    };
    struct Groupe {
        std::size_t debut = 0;
        std::size_t fin = 0;
        std::once_flag prepare;
        std::vector<Garde> gardes;  // its kept revisions
        std::mutex mutex;
        std::optional<QString> raison;  // set once a kept revision was found changed
    };

    PartiesEntree parties(std::size_t k, QString& chemin) const {
        chemin = CheminEntree(state_, k);
        return Decoupe(chemin);
    }

    void prepare(Groupe& groupe) const {
        for (std::size_t k = groupe.debut; k < groupe.fin; ++k) {
            if (state_.EtatMarque[k] != EtatM)
                continue;
            Garde garde{CheminEntree(state_, k), {}, state_.InfosLues.trouve(qint32(k))};
            garde.hote = lecteurs_.versHote(garde.chemin);
            groupe.gardes.push_back(std::move(garde));
        }
    }

    std::optional<QString> examine(const Groupe& groupe) const {
        for (const Garde& garde : groupe.gardes) {
            const std::optional<InfoFichier> present =
                garde.hote ? fs_.info(*garde.hote) : std::optional<InfoFichier>();
            if (!present || (garde.lue && *present != *garde.lue))
                return QStringLiteral(
                           "la révision gardée « %1 » a changé ou disparu depuis l'analyse ; "
                           "les révisions de ce modèle sont laissées en place")
                    .arg(garde.chemin);
        }
        return std::nullopt;
    }

    const AppState& state_;
    const DriveMap& lecteurs_;
    const FileSystem& fs_;
    std::vector<int> groupeDe_;  // per marked line, its group, or -1 for an auxiliary file
    std::vector<Groupe> groupes_;
};

// What became of one marked line.
struct Issue {
    enum class Quoi : quint8 { Intacte, Traitee, Laissee, Echec } quoi = Quoi::Intacte;
    QString raison;  // Echec
};

// Files per thread at least: below that a thread costs more than it saves.
constexpr std::size_t LignesParFil = 16;

}  // namespace

ApercuDisposition ApercuPurge(const AppState& state) {
    std::vector<qint32> positions;
    for (std::size_t i = 0; i < state.TabFich.size(); ++i) {
        if (EstMarquee(EtatDeLigne(state, i)))
            positions.push_back(qint32(i));
    }
    return Apercu(state, positions);
}

ResultatTraitement TraitementPurge(const AppState& state, ModeDisposition mode,
                                   const DriveMap& lecteurs, FileSystem& fs,
                                   const ProgressionTraitement& progression,
                                   const AttenteVerrou& attente, DemandeArret* arret,
                                   unsigned fils) {
    ResultatTraitement resultat;
    // The marks are read once, before the first file goes: what the user saw is what runs.
    std::vector<std::size_t> lignes;
    for (std::size_t i = 0; i < state.TabFich.size(); ++i) {
        if (EstMarquee(EtatDeLigne(state, i)))
            lignes.push_back(i);
    }
    resultat.marquees = qsizetype(lignes.size());
    if (lignes.empty())
        return resultat;

    // One run per garage at a time: held until the last file is done.
    VerrousGarage verrous;
    if (!verrous.prend(LettresDes(state, lignes, lecteurs), lecteurs,
                       mode == ModeDisposition::Deplacer, fs, attente)) {
        resultat.abandonne = true;
        return resultat;
    }

    // Every file done is noted at once in the journal of its garage. The threads share the
    // journal and what they learn of the garage folders; each has its own context for the
    // file it has just checked.
    JournalGarage journal(
        mode == ModeDisposition::Detruire ? ActionJournal::Suppression : ActionJournal::Garage,
        lecteurs, QDateTime::currentDateTimeUtc(), {}, &fs);
    DossiersGarage dossiers;
    GroupesGardes groupes(state, lignes, lecteurs, fs);
    std::vector<Issue> issues(lignes.size());

    // The lines are handed out in list order, the stop checked before each one as a serial
    // run checks it: a stop leaves the same lines done, the others untouched.
    std::mutex distribution;
    std::size_t prochaine = 0;
    bool arrete = false;
    // A journal that could not take a line: nothing more is moved or deleted.
    std::atomic<bool> sansJournal{false};
    // The journal lines of the files to come are written ahead, in batches that grow from one
    // line to LignesEnAvance, each written before the first of its files is handed out: one
    // write serves many files, and every file is still named before it goes. A line whose
    // file does not go is undone. Read-only files may be left by a delete: those lines are
    // written one by one, by the disposal itself, as are the lines of files nobody read.
    const bool enAvance = mode == ModeDisposition::Deplacer || state.options.ValCaches == 1;
    std::vector<std::optional<FichierJournal>> lot;
    std::size_t debutLot = 0;
    std::size_t tailleLot = 1;
    const auto ecritLot = [&] {
        debutLot = prochaine;
        lot.clear();
        std::vector<FichierJournal> lignesLot;
        for (std::size_t k = prochaine; k < std::min(lignes.size(), prochaine + tailleLot); ++k) {
            const InfoFichier* lue = state.InfosLues.trouve(qint32(lignes[k]));
            lot.push_back(
                lue ? LigneDisposition(CheminEntree(state, lignes[k]), mode, *lue, lecteurs)
                    : std::nullopt);
            if (lot.back())
                lignesLot.push_back(*lot.back());
        }
        tailleLot = std::min(tailleLot * 2, LignesEnAvance);
        if (journal.note(lignesLot))
            return true;
        for (const FichierJournal& ligne : lignesLot) journal.annule(ligne);
        lot.clear();
        return false;
    };
    const auto suivante =
        [&]() -> std::optional<std::pair<std::size_t, std::optional<FichierJournal>>> {
        const std::lock_guard garde(distribution);
        if (arrete || sansJournal || prochaine >= lignes.size())
            return std::nullopt;
        if (arret && arret->verifie()) {
            arrete = true;
            return std::nullopt;
        }
        if (enAvance && prochaine >= debutLot + lot.size() && !ecritLot()) {
            sansJournal = true;
            return std::nullopt;
        }
        const std::size_t k = prochaine++;
        std::optional<FichierJournal> ligne;
        if (k < debutLot + lot.size())
            ligne = std::move(lot[k - debutLot]);
        return std::pair(k, std::move(ligne));
    };
    std::atomic<qsizetype> faits{0};
    AvanceurProgression avance(progression, resultat.marquees);
    // The moves start on this thread; others join it only where the disk makes it wait.
    Renforts renforts(NombreDeFils(lignes.size(), LignesParFil), fils);
    const auto ouvrier = [&](unsigned fil) {
        ContexteGarage contexte(&journal, &dossiers);
        while (auto donnee = suivante()) {
            const std::size_t k = donnee->first;
            const std::size_t i = lignes[k];
            Issue& issue = issues[k];
            const InfoFichier* lue = state.InfosLues.trouve(qint32(i));
            if (donnee->second)
                contexte.prevoit(std::move(*donnee->second));
            if (const std::optional<QString> raison = groupes.verdict(k)) {
                issue = {Issue::Quoi::Echec, *raison};
            } else if (const ResultatDisposition r =
                           TraiteDoublon(CheminEntree(state, i), mode, state.options.ValCaches, lue,
                                         lecteurs, fs, &contexte);
                       !r.ok()) {
                issue = {Issue::Quoi::Echec, r.raison};
                if (r.journalEnEchec)
                    sansJournal = true;
            } else {
                issue.quoi = r.laisse ? Issue::Quoi::Laissee : Issue::Quoi::Traitee;
            }
            if (const std::optional<FichierJournal> reste = contexte.reprend())
                journal.annule(*reste);
            const qsizetype n = ++faits;
            if (fil == 0) {  // progress is reported by this thread alone
                avance.a(n);
                renforts.apres();
            }
        }
    };
    renforts.travaille(ouvrier);
    avance.a(faits);
    // The lines written ahead for files never handed out (a stop, a journal gone) are undone.
    for (std::size_t k = std::max(prochaine, debutLot); k < debutLot + lot.size(); ++k) {
        if (lot[k - debutLot])
            journal.annule(*lot[k - debutLot]);
    }
    dossiers.libere();
    if (arrete) {
        resultat.arrete = true;
        resultat.restantes = resultat.marquees - faits;
    }
    // Without its journal the run stopped: every line not reached stays, and says why.
    if (sansJournal) {
        for (Issue& issue : issues) {
            if (issue.quoi == Issue::Quoi::Intacte)
                issue = {Issue::Quoi::Echec,
                         QStringLiteral("le journal du garage ne peut pas être écrit ; rien de "
                                        "plus n'a été fait")};
        }
    }

    // The report, in list order whatever the order the files were done in.
    for (std::size_t k = 0; k < lignes.size(); ++k) {
        const std::size_t i = lignes[k];
        const Issue& issue = issues[k];
        if (issue.quoi == Issue::Quoi::Echec) {
            resultat.echecs.push_back({CheminEntree(state, i), issue.raison});
        } else if (issue.quoi == Issue::Quoi::Laissee) {
            ++resultat.laissees;
            resultat.cheminsLaisses.append(CheminEntree(state, i));
        } else if (issue.quoi == Issue::Quoi::Traitee) {
            ++resultat.traitees;
            if (const InfoFichier* lue = state.InfosLues.trouve(qint32(i)))
                resultat.octets += lue->taille;
            else
                ++resultat.sansControle;
        }
    }
    resultat.avisJournal = journal.avis();
    return resultat;
}

}  // namespace tidemark
