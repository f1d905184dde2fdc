#include "purge/AnalysePurge.h"

#include "core/Drives.h"
#include "core/NomsFichier.h"
#include "core/TabConf.h"
#include "inventory/Marquage.h"

#include <algorithm>
#include <numeric>
#include <span>
#include <thread>
#include <utility>
#include <vector>

namespace tidemark {

namespace {

// The rows of the trail, log and information rules, which apply only when ValNbRev1 is 0;
// the unrevisioned types (rows 11 to 17) are found by their key.
constexpr int LigneTrail = 8;
constexpr int LigneLog = 9;
constexpr int LigneInf = 10;

// Progress calls per pass, the last position aside.
constexpr qsizetype PasMax = 200;

// Reports progress now and then: a window repainting its bar for each of 500,000 entries
// would cost more than the analysis itself.
class Avancement {
public:
    Avancement(const ProgressionAnalyse& rappel, EtapeAnalyse etape, qsizetype total)
        : rappel_(rappel),
          etape_(etape),
          total_(total),
          pas_(std::max<qsizetype>(1, (total + PasMax - 1) / PasMax)) {}

    void operator()(qsizetype position) {
        if (!rappel_ || position < prochain_)
            return;
        montre(position);
        prochain_ = position + pas_;
    }
    // The last position is always shown, so a bar ends full.
    void fin() {
        if (rappel_ && total_ > 0 && dernier_ != total_ - 1)
            montre(total_ - 1);
    }

private:
    void montre(qsizetype position) {
        rappel_(etape_, position, total_);
        dernier_ = position;
    }
    const ProgressionAnalyse& rappel_;
    EtapeAnalyse etape_;
    qsizetype total_;
    qsizetype pas_;
    qsizetype prochain_ = 0;
    qsizetype dernier_ = -1;
};

bool MemeTexte(QStringView a, QStringView b) {
    // Revisions of one file nearly always share their case: the exact test settles most
    // pairs before the slower comparison that folds case.
    return a.size() == b.size() && (a == b || a.compare(b, Qt::CaseInsensitive) == 0);
}

// What decides whether two neighbouring entries are revisions of one file.
struct CleGroupe {
    QStringView repertoire;
    QStringView nom;
    explicit CleGroupe(QStringView entree)
        : repertoire(NomRepertoire(entree)), nom(NomSansRevision(entree)) {}
    // The same directory, compared as the file system does (exactly, on Linux), and the same
    // name without revision, compared without regard to case as Pro/ENGINEER names are.
    bool operator==(const CleGroupe& autre) const {
        return repertoire == autre.repertoire && MemeTexte(nom, autre.nom);
    }
};

// Trail, log and information files keep ValNbRev1 revisions; every other type ValNbRev.
bool TypeAuxiliaire(QStringView type) {
    return MemeTexte(type, u"txt") || MemeTexte(type, u"log") || MemeTexte(type, u"inf");
}

void PasseRevisions(const AppState& state, PlanPurge& plan, const ProgressionAnalyse& rappel) {
    const qsizetype n = qsizetype(state.TabFich.size());
    const bool sansIndice = state.options.ValMaitreSansInd == 1;
    const qint64 gardeModeles = BorneNbRev(state.options.ValNbRev);
    const qint64 gardeAuxiliaires = BorneNbRev1(state.options.ValNbRev1);
    Avancement avancement(rappel, EtapeAnalyse::Revisions, n);
    qsizetype i = 0;
    while (i < n) {
        avancement(i);
        // The group that starts at i never runs past the last entry; each entry is compared
        // with its neighbour only, which rests on the list order of the scan.
        qsizetype fin = i + 1;
        CleGroupe precedente(state.TabFich[std::size_t(i)]);
        int revMax = NumRevision(state.TabFich[std::size_t(i)], sansIndice);
        while (fin < n) {
            const CleGroupe cle(state.TabFich[std::size_t(fin)]);
            if (!(cle == precedente))
                break;
            revMax = std::max(revMax, NumRevision(state.TabFich[std::size_t(fin)], sansIndice));
            precedente = cle;
            ++fin;
        }
        if (fin - i > 1) {
            const qint64 garde = TypeAuxiliaire(TypeFichier(state.TabFich[std::size_t(i)]))
                                     ? gardeAuxiliaires
                                     : gardeModeles;
            // In 64 bits: a revision near INT_MAX with a count of 0 would overflow.
            const qint64 seuil = qint64(revMax) - garde + 1;
            for (qsizetype k = i; k < fin; ++k) {
                const int rev = NumRevision(state.TabFich[std::size_t(k)], sansIndice);
                plan.etats[std::size_t(k)] = rev < seuil ? EtatX : EtatM;
            }
        }
        i = fin;
    }
    avancement.fin();
}

// The TabConf row of the first auxiliary rule whose condition holds for an entry, or -1.
// Its check box decides whether the line is marked; no later rule is tried either way.
int RegleAuxiliaire(const TableTypes& table, QStringView entree, bool sansGarde) {
    const QStringView type = TypeFichier(entree);
    if (sansGarde) {
        if (MemeTexte(NomSansRevision(entree), u"trail.txt"))
            return LigneTrail;
        if (MemeTexte(type, table[LigneLog].cle))
            return LigneLog;
        if (MemeTexte(type, table[LigneInf].cle))
            return LigneInf;
    }
    const int ligne = LigneDuType(table, type);
    return ligne >= PremiereLigneSansRevision && ligne < NbTypesFixes ? ligne : -1;
}

void PasseAuxiliaire(const AppState& state, PlanPurge& plan, const ProgressionAnalyse& rappel) {
    const qsizetype n = qsizetype(state.TabFich.size());
    const bool sansGarde = BorneNbRev1(state.options.ValNbRev1) == 0;
    Avancement avancement(rappel, EtapeAnalyse::Auxiliaires, n);
    for (qsizetype i = 0; i < n; ++i) {
        avancement(i);
        const int ligne = RegleAuxiliaire(state.TabConf, state.TabFich[std::size_t(i)], sansGarde);
        if (ligne >= 0 && state.TabConf[std::size_t(ligne)].selection == 1)
            plan.etats[std::size_t(i)] = EtatTiret;
    }
    avancement.fin();
}

// The host folder of an entry's directory, turning each directory into a host path once:
// the entries of one directory follow each other, and the drive map cleans every path it
// converts. A file name of the list holds no separator, so reading it within its
// directory's host folder gives what converting the whole path would.
class DossiersHote {
public:
    explicit DossiersHote(const DriveMap& lecteurs) : lecteurs_(lecteurs) {}

    // Nothing when the directory lies on no drive.
    const std::optional<QString>& operator()(QStringView dossier) {
        if (!connu_ || dossier != dossier_) {
            dossier_ = dossier.toString();
            hote_ = lecteurs_.versHote(dossier_);
            if (hote_ && !hote_->endsWith(u'/'))
                hote_->append(u'/');
            connu_ = true;
        }
        return hote_;
    }

private:
    const DriveMap& lecteurs_;
    bool connu_ = false;
    QString dossier_;
    std::optional<QString> hote_;
};

// Entries read per block of the totals pass: the facts of a block are read (by two threads
// when it pays), then merged in list order with the progress calls.
constexpr qsizetype EntreesParBloc = 1 << 15;
// Below this many files to read, a second thread costs more than it saves.
constexpr std::size_t MinimumPourDeuxFils = 2048;

// The marked files of one directory run within a block: their host folder and names.
struct LotDossier {
    QString hote;
    std::size_t premier = 0;  // index of its first name in the block's names
    std::size_t nombre = 0;
};

// Reads the facts of the lots [debut, fin) into `infos`, at the positions of their names.
void LitLots(const FileSystem& fs, const std::vector<LotDossier>& lots, std::size_t debut,
             std::size_t fin, const std::vector<QStringView>& noms,
             std::vector<std::optional<InfoFichier>>& infos) {
    for (std::size_t l = debut; l < fin; ++l) {
        const LotDossier& lot = lots[l];
        fs.infosDans(lot.hote, std::span(noms).subspan(lot.premier, lot.nombre),
                     std::span(infos).subspan(lot.premier, lot.nombre));
    }
}

// Reads the facts of every lot, in two halves of about as many names on two threads when
// there are enough; each thread has its own lots, folders and result slots.
void LitTousLesLots(const FileSystem& fs, const std::vector<LotDossier>& lots,
                    const std::vector<QStringView>& noms,
                    std::vector<std::optional<InfoFichier>>& infos) {
    if (noms.size() < MinimumPourDeuxFils || lots.size() < 2 ||
        std::thread::hardware_concurrency() < 2) {
        LitLots(fs, lots, 0, lots.size(), noms, infos);
        return;
    }
    std::size_t milieu = 0;
    while (milieu < lots.size() && lots[milieu].premier < noms.size() / 2) ++milieu;
    milieu = std::clamp<std::size_t>(milieu, 1, lots.size() - 1);
    std::thread second([&] { LitLots(fs, lots, milieu, lots.size(), noms, infos); });
    LitLots(fs, lots, 0, milieu, noms, infos);
    second.join();
}

void PasseTotaux(const AppState& state, PlanPurge& plan, const DriveMap& lecteurs,
                 const FileSystem& fs, const ProgressionAnalyse& rappel) {
    const qsizetype n = qsizetype(state.TabFich.size());
    Avancement avancement(rappel, EtapeAnalyse::Totaux, n);
    const auto marquees = std::count_if(plan.etats.begin(), plan.etats.end(),
                                        [](quint8 etat) { return EstMarquee(etat); });
    plan.infos.reserve(qsizetype(marquees));
    DossiersHote versHote(lecteurs);
    // Reused from block to block.
    std::vector<LotDossier> lots;
    std::vector<QStringView> noms;
    std::vector<QString> chemins;  // full drive paths of the block's marked entries
    std::vector<std::optional<InfoFichier>> infos;
    std::vector<bool> lisibles;  // per marked entry of the block: on a drive, read
    for (qsizetype debut = 0; debut < n; debut += EntreesParBloc) {
        const qsizetype fin = std::min(n, debut + EntreesParBloc);
        lots.clear();
        noms.clear();
        chemins.clear();
        lisibles.clear();
        QStringView dossierLot;
        for (qsizetype i = debut; i < fin; ++i) {
            if (!EstMarquee(plan.etats[std::size_t(i)]))
                continue;
            chemins.push_back(CheminEntree(state, std::size_t(i)));
            const QString& chemin = chemins.back();
            const QStringView dossier = NomRepertoire(chemin);
            const std::optional<QString>* hote =
                EstCheminLecteur(chemin) ? &versHote(dossier) : nullptr;
            const bool lisible = hote && hote->has_value();
            lisibles.push_back(lisible);
            if (!lisible)
                continue;
            // One directory, one host folder: a new lot starts where the directory changes.
            if (lots.empty() || dossier != dossierLot) {
                lots.push_back({**hote, noms.size(), 0});
                dossierLot = dossier;
            }
            noms.push_back(NomFichier(chemin));
            ++lots.back().nombre;
        }
        infos.assign(noms.size(), std::nullopt);
        LitTousLesLots(fs, lots, noms, infos);

        // The merge, in list order.
        std::size_t k = 0;   // marked entry of the block
        std::size_t lu = 0;  // name read
        for (qsizetype i = debut; i < fin; ++i) {
            avancement(i);
            if (!EstMarquee(plan.etats[std::size_t(i)]))
                continue;
            ++plan.nbfich;
            const bool lisible = lisibles[k];
            const QString& chemin = chemins[k];
            ++k;
            const std::optional<InfoFichier>* info = lisible ? &infos[lu++] : nullptr;
            if (!info || !info->has_value()) {
                plan.illisibles.push_back(qint32(i));
                plan.avis.append(
                    QStringLiteral("Taille illisible, fichier compté dans aucun total : %1")
                        .arg(chemin));
                continue;
            }
            plan.infos.insert(qint32(i), **info);
            const int ligne =
                LigneDuType(state.TabConf, TypeFichier(state.TabFich[std::size_t(i)]));
            if (ligne >= 0) {
                plan.octets[std::size_t(ligne)] += (*info)->taille;
                plan.nombres[std::size_t(ligne)] += 1;
            }
        }
    }
    avancement.fin();
}

}  // namespace

qint64 PlanPurge::totalOctets() const {
    return std::accumulate(octets.begin(), octets.end(), qint64(0));
}

qint64 PlanPurge::totalNombre() const {
    return std::accumulate(nombres.begin(), nombres.end(), qint64(0));
}

PlanPurge AnalysePurge(const AppState& state, const DriveMap& lecteurs, const FileSystem& fs,
                       const ProgressionAnalyse& progression) {
    PlanPurge plan;
    const std::size_t n = state.TabFich.size();
    // Hand marks are the starting point: a single file marked by hand stays marked.
    plan.etats.assign(n, EtatVide);
    for (std::size_t i = 0; i < n; ++i) plan.etats[i] = quint8(EtatDeLigne(state, i));
    PasseRevisions(state, plan, progression);
    PasseAuxiliaire(state, plan, progression);
    PasseTotaux(state, plan, lecteurs, fs, progression);
    return plan;
}

bool AppliquePlan(AppState& state, const PlanPurge& plan) {
    if (plan.etats.size() != state.TabFich.size())
        return false;
    state.EtatMarque = plan.etats;
    for (int ligne = 0; ligne < NbLignesTypes; ++ligne) {
        state.TabConf[std::size_t(ligne)].octets = plan.octets[std::size_t(ligne)];
        state.TabConf[std::size_t(ligne)].nombre = plan.nombres[std::size_t(ligne)];
    }
    state.InfosLues = plan.infos;
    if (!state.TabFich.empty())
        state.ListeDeFichiers = true;
    return true;
}

PlanPurge VisuPurge(AppState& state, const DriveMap& lecteurs, const FileSystem& fs,
                    const ProgressionAnalyse& progression) {
    PlanPurge plan = AnalysePurge(state, lecteurs, fs, progression);
    AppliquePlan(state, plan);
    return plan;
}

}  // namespace tidemark
