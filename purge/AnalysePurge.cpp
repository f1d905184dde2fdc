#include "purge/AnalysePurge.h"

#include "core/Drives.h"
#include "core/NomsFichier.h"
#include "core/TabConf.h"
#include "inventory/Marquage.h"

#include <algorithm>
#include <numeric>

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

// The host path of a drive path, turning each directory into a host path once: the
// entries of one directory follow each other, and the drive map cleans every path it
// converts. A file name of the list holds no separator, so joining it to its directory's
// host path gives what converting the whole path would.
class CheminsHote {
public:
    explicit CheminsHote(const DriveMap& lecteurs) : lecteurs_(lecteurs) {}

    std::optional<QString> operator()(const QString& chemin) {
        const QStringView dossier = NomRepertoire(chemin);
        if (!connu_ || dossier != dossier_) {
            dossier_ = dossier.toString();
            hote_ = lecteurs_.versHote(dossier_);
            if (hote_ && !hote_->endsWith(u'/'))
                hote_->append(u'/');
            connu_ = true;
        }
        if (!hote_)
            return std::nullopt;
        QString hote = *hote_;
        hote.append(NomFichier(chemin));
        return hote;
    }

private:
    const DriveMap& lecteurs_;
    bool connu_ = false;
    QString dossier_;
    std::optional<QString> hote_;
};

void PasseTotaux(const AppState& state, PlanPurge& plan, const DriveMap& lecteurs,
                 const FileSystem& fs, const ProgressionAnalyse& rappel) {
    const qsizetype n = qsizetype(state.TabFich.size());
    Avancement avancement(rappel, EtapeAnalyse::Totaux, n);
    CheminsHote versHote(lecteurs);
    for (qsizetype i = 0; i < n; ++i) {
        avancement(i);
        if (!EstMarquee(plan.etats[std::size_t(i)]))
            continue;
        ++plan.nbfich;
        const QString chemin = CheminEntree(state, std::size_t(i));
        const std::optional<QString> hote =
            EstCheminLecteur(chemin) ? versHote(chemin) : std::nullopt;
        const std::optional<InfoFichier> info = hote ? fs.info(*hote) : std::nullopt;
        if (!info) {
            plan.illisibles.push_back(qint32(i));
            plan.avis.append(
                QStringLiteral("Taille illisible, fichier compté dans aucun total : %1")
                    .arg(chemin));
            continue;
        }
        plan.infos.insert(qint32(i), *info);
        const int ligne = LigneDuType(state.TabConf, TypeFichier(state.TabFich[std::size_t(i)]));
        if (ligne >= 0) {
            plan.octets[std::size_t(ligne)] += info->taille;
            plan.nombres[std::size_t(ligne)] += 1;
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
