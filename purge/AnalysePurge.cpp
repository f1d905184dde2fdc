#include "purge/AnalysePurge.h"

#include "core/Drives.h"
#include "core/NomsFichier.h"
#include "core/Parallele.h"
#include "core/TabConf.h"
#include "inventory/Marquage.h"

#include <algorithm>
#include <atomic>
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

// What decides whether two neighbouring entries are revisions of one file.
struct CleGroupe {
    const PartiesEntree& parties;
    explicit CleGroupe(const PartiesEntree& p) : parties(p) {}
    bool operator==(const CleGroupe& autre) const { return MemeGroupe(parties, autre.parties); }
};

// Trail, log and information files keep ValNbRev1 revisions; every other type ValNbRev.
bool TypeAuxiliaire(QStringView type) {
    return EgauxSansCasse(type, u"txt") || EgauxSansCasse(type, u"log") ||
           EgauxSansCasse(type, u"inf");
}

// One slice of the list, analysed on its own thread, and what it found. A slice starts where
// a group starts, so no group spans two slices and the slices' marks do not depend on each
// other; its results are merged into the plan in slice order, which is list order.
struct Tranche {
    qsizetype debut = 0;
    qsizetype fin = 0;
    std::array<qint64, NbLignesTypes> octets{};
    std::array<qint64, NbLignesTypes> nombres{};
    qsizetype nbfich = 0;
    std::vector<std::pair<qint32, InfoFichier>> infos;  // in list order
    std::vector<qint32> illisibles;
    QStringList avis;
};

// The TabConf row of the first auxiliary rule whose condition holds for an entry, or -1.
// Its check box decides whether the line is marked; no later rule is tried either way.
int RegleAuxiliaire(const TableTypes& table, const PartiesEntree& parties, bool sansGarde) {
    const QStringView type = parties.type;
    if (sansGarde) {
        if (EgauxSansCasse(parties.sansRevision, u"trail.txt"))
            return LigneTrail;
        if (EgauxSansCasse(type, table[LigneLog].cle))
            return LigneLog;
        if (EgauxSansCasse(type, table[LigneInf].cle))
            return LigneInf;
    }
    const int ligne = LigneDuType(table, type);
    return ligne >= PremiereLigneSansRevision && ligne < NbTypesFixes ? ligne : -1;
}

// The revisions pass, then the auxiliary pass, group after group: the auxiliary rules look
// at one entry at a time and only ever put " --  " over what the revisions pass decided, so
// running both on a group while its entries are at hand (cut once, their text still in the
// processor's cache) gives what two walks over the list would.
void PassesMarquage(const AppState& state, std::vector<quint8>& etats, const Tranche& tranche,
                    AvanceurProgression& revisionsFaites, AvanceurProgression& auxiliairesFaits) {
    const qsizetype n = tranche.fin;
    const bool sansIndice = state.options.ValMaitreSansInd == 1;
    const qint64 gardeModeles = BorneNbRev(state.options.ValNbRev);
    const qint64 gardeAuxiliaires = BorneNbRev1(state.options.ValNbRev1);
    const bool sansGarde = gardeAuxiliaires == 0;
    std::vector<PartiesEntree> groupe;  // the entries of the group being read
    qsizetype i = tranche.debut;
    while (i < n) {
        revisionsFaites.a(i);
        // The group that starts at i never runs past the slice's last entry; each entry is
        // compared with its neighbour only, which rests on the list order of the scan.
        groupe.assign(1, Decoupe(state.TabFich[std::size_t(i)]));
        int revMax = groupe[0].revision(sansIndice);
        qsizetype fin = i + 1;
        while (fin < n) {
            PartiesEntree parties = Decoupe(state.TabFich[std::size_t(fin)]);
            if (!(CleGroupe(parties) == CleGroupe(groupe.back())))
                break;
            revMax = std::max(revMax, parties.revision(sansIndice));
            groupe.push_back(parties);
            ++fin;
        }
        if (fin - i > 1) {
            const qint64 garde = TypeAuxiliaire(groupe[0].type) ? gardeAuxiliaires : gardeModeles;
            // In 64 bits: a revision near INT_MAX with a count of 0 would overflow.
            const qint64 seuil = qint64(revMax) - garde + 1;
            for (qsizetype k = i; k < fin; ++k) {
                const int rev = groupe[std::size_t(k - i)].revision(sansIndice);
                etats[std::size_t(k)] = rev < seuil ? EtatX : EtatM;
            }
        }
        for (qsizetype k = i; k < fin; ++k) {
            auxiliairesFaits.a(k);
            const int ligne = RegleAuxiliaire(state.TabConf, groupe[std::size_t(k - i)], sansGarde);
            if (ligne >= 0 && state.TabConf[std::size_t(ligne)].selection == 1)
                etats[std::size_t(k)] = EtatTiret;
        }
        i = fin;
    }
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

// Entries read per block of the totals pass: the facts of a block's marked files are read
// folder by folder, then merged in list order with the progress calls.
constexpr qsizetype EntreesParBloc = 1 << 10;

// The marked files of one directory run within a block: their host folder and names.
struct LotDossier {
    QString hote;
    std::size_t premier = 0;  // index of its first name in the block's names
    std::size_t nombre = 0;
};

// The entries whose facts the analysis reads: the marked ones, for the totals and the check
// before disposal, and the kept revisions, the reason their older revisions are marked.
bool ALire(quint8 etat) {
    return EstMarquee(etat) || etat == EtatM;
}

// `renforts`, on the thread that starts the analysis, hears of each block read.
void PasseTotaux(const AppState& state, const std::vector<quint8>& etats, Tranche& tranche,
                 const DriveMap& lecteurs, const FileSystem& fs, AvanceurProgression& avancement,
                 Renforts* renforts) {
    DossiersHote versHote(lecteurs);
    // Reused from block to block.
    std::vector<LotDossier> lots;
    std::vector<QStringView> noms;
    std::vector<QString> joints;  // paths made for the block's bare names
    std::vector<std::optional<InfoFichier>> infos;
    std::vector<bool> lisibles;   // per entry read in the block: on a drive, read
    std::vector<int> lignesType;  // per entry read in the block: its TabConf row, or -1
    for (qsizetype debut = tranche.debut; debut < tranche.fin; debut += EntreesParBloc) {
        const qsizetype fin = std::min(tranche.fin, debut + EntreesParBloc);
        lots.clear();
        noms.clear();
        joints.clear();
        lisibles.clear();
        lignesType.clear();
        QStringView dossierLot;
        for (qsizetype i = debut; i < fin; ++i) {
            if (!ALire(etats[std::size_t(i)]))
                continue;
            // The entry itself when it is a full drive path, as it nearly always is.
            const QString* chemin = &state.TabFich[std::size_t(i)];
            if (!EstCheminLecteur(*chemin)) {
                joints.push_back(CheminEntree(state, std::size_t(i)));
                chemin = &joints.back();
            }
            const PartiesEntree parties = Decoupe(*chemin);
            const QStringView dossier = parties.repertoire;
            lignesType.push_back(LigneDuType(state.TabConf, parties.type));
            const std::optional<QString>* hote =
                EstCheminLecteur(*chemin) ? &versHote(dossier) : nullptr;
            const bool lisible = hote && hote->has_value();
            lisibles.push_back(lisible);
            if (!lisible)
                continue;
            // One directory, one host folder: a new lot starts where the directory changes.
            if (lots.empty() || dossier != dossierLot) {
                lots.push_back({**hote, noms.size(), 0});
                dossierLot = dossier;
            }
            noms.push_back(parties.fichier);
            ++lots.back().nombre;
        }
        infos.assign(noms.size(), std::nullopt);
        for (const LotDossier& lot : lots) {
            fs.infosIn(lot.hote, std::span(noms).subspan(lot.premier, lot.nombre),
                       std::span(infos).subspan(lot.premier, lot.nombre));
        }
        if (renforts)
            renforts->apres();

        // The merge, in list order.
        std::size_t k = 0;   // marked entry of the block
        std::size_t lu = 0;  // name read
        for (qsizetype i = debut; i < fin; ++i) {
            avancement.a(i);
            if (!ALire(etats[std::size_t(i)]))
                continue;
            const bool lisible = lisibles[k];
            const int ligne = lignesType[k];
            ++k;
            const std::optional<InfoFichier>* info = lisible ? &infos[lu++] : nullptr;
            if (!EstMarquee(etats[std::size_t(i)])) {
                // A kept revision: its facts are what the purge run checks again before it
                // disposes of the older ones; it enters no total.
                if (info && info->has_value())
                    tranche.infos.emplace_back(qint32(i), **info);
                continue;
            }
            ++tranche.nbfich;
            if (!info || !info->has_value()) {
                tranche.illisibles.push_back(qint32(i));
                tranche.avis.append(
                    QStringLiteral("Taille illisible, fichier compté dans aucun total : %1")
                        .arg(CheminEntree(state, std::size_t(i))));
                continue;
            }
            tranche.infos.emplace_back(qint32(i), **info);
            if (ligne >= 0) {
                tranche.octets[std::size_t(ligne)] += (*info)->taille;
                tranche.nombres[std::size_t(ligne)] += 1;
            }
        }
    }
    // The last position is reported once, after every slice (AnalysePurge): reported at the
    // end of each slice, it would come before the positions of this thread's later slices.
}

// The progress of the three passes, as one thread reports it: the passes laid end to end,
// 3 N steps in all.
struct Avancements {
    AvanceurProgression revisions;
    AvanceurProgression auxiliaires;
    AvanceurProgression totaux;
    Avancements(const Progression& rappel, qsizetype n)
        : revisions(rappel, n, 0, 3 * n),
          auxiliaires(rappel, n, n, 3 * n),
          totaux(rappel, n, 2 * n, 3 * n) {}
};

// The three passes over one slice.
void AnalyseTranche(const AppState& state, std::vector<quint8>& etats, Tranche& tranche,
                    const DriveMap& lecteurs, const FileSystem& fs, Avancements& avancements,
                    Renforts* renforts) {
    PassesMarquage(state, etats, tranche, avancements.revisions, avancements.auxiliaires);
    PasseTotaux(state, etats, tranche, lecteurs, fs, avancements.totaux, renforts);
}

// Below this many entries a slice costs more to hand out than it saves.
constexpr qsizetype MinimumParTranche = 64;
// Entries per thread at least: the facts of the marked files are read on as many threads as
// the waits of a file server need (FilsLecture), not as many as there are processors, but a
// short list is not worth a thread.
constexpr qsizetype EntreesParFil = 64;
// Slices per thread: small enough slices that the threads, taking them one after another,
// end at about the same time even when one is slowed down.
constexpr qsizetype TranchesParFil = 4;

// Cuts the list into slices of about the same length, each starting where a group starts
// (the entry differs from its predecessor in directory or in name without revision); a
// short list, one thread, or one single group, is one slice.
std::vector<Tranche> Coupe(const AppState& state, unsigned fils) {
    const qsizetype n = qsizetype(state.TabFich.size());
    const qsizetype voulues =
        fils < 2 ? 1 : std::clamp<qsizetype>(n / MinimumParTranche, 1, fils * TranchesParFil);
    std::vector<Tranche> tranches(1);
    for (qsizetype t = 1; t < voulues; ++t) {
        qsizetype coupure = std::max(n * t / voulues, tranches.back().debut + 1);
        while (coupure < n && CleGroupe(Decoupe(state.TabFich[std::size_t(coupure)])) ==
                                  CleGroupe(Decoupe(state.TabFich[std::size_t(coupure - 1)])))
            ++coupure;
        if (coupure >= n)
            break;
        tranches.back().fin = coupure;
        tranches.emplace_back().debut = coupure;
    }
    tranches.back().fin = n;
    return tranches;
}

}  // namespace

bool MemeGroupe(const PartiesEntree& a, const PartiesEntree& b) {
    return a.repertoire == b.repertoire && EgauxSansCasse(a.sansRevision, b.sansRevision);
}

qint64 PlanPurge::totalOctets() const {
    return std::accumulate(octets.begin(), octets.end(), qint64(0));
}

qint64 PlanPurge::totalNombre() const {
    return std::accumulate(nombres.begin(), nombres.end(), qint64(0));
}

PlanPurge AnalysePurge(const AppState& state, const DriveMap& lecteurs, const FileSystem& fs,
                       const Progression& progression, DemandeArret* arret, unsigned fils) {
    PlanPurge plan;
    const std::size_t n = state.TabFich.size();
    // Hand marks are the starting point: a single file marked by hand stays marked.
    plan.etats.assign(n, EtatVide);
    for (std::size_t i = 0; i < n; ++i) plan.etats[i] = quint8(EtatDeLigne(state, i));

    // The threads take the slices one after another in list order, this thread among them
    // (it alone reports progress); each slice writes the states of its own entries only. The
    // others join this one only once its reads are seen to wait (Renforts).
    const unsigned nombreDeFils = NombreDeFils(n, EntreesParFil, fils);
    std::vector<Tranche> tranches = Coupe(state, nombreDeFils);
    std::atomic<std::size_t> suivante{0};
    std::atomic<bool> arrete{false};
    const auto analyse = [&](Avancements& avancements, Renforts* renforts) {
        for (std::size_t t = suivante++; t < tranches.size(); t = suivante++) {
            if (arret && arret->verifie()) {
                arrete = true;
                break;
            }
            AnalyseTranche(state, plan.etats, tranches[t], lecteurs, fs, avancements, renforts);
        }
    };
    const unsigned utiles = unsigned(std::min<std::size_t>(nombreDeFils, tranches.size()));
    Renforts renforts(utiles, fils > 0 ? utiles : 0, true);
    const Progression muet;  // the other threads report nothing
    Avancements avancements(progression, qsizetype(n));
    const auto ouvrier = [&](unsigned fil) {
        if (fil == 0) {
            analyse(avancements, &renforts);
            return;
        }
        Avancements muets(muet, qsizetype(n));
        analyse(muets, nullptr);
    };
    renforts.travaille(ouvrier);
    avancements.revisions.fin();
    avancements.auxiliaires.fin();
    avancements.totaux.fin();

    plan.arrete = arrete;
    plan.infos.reserve(qsizetype(n));
    for (const Tranche& tranche : tranches) {
        for (int ligne = 0; ligne < NbLignesTypes; ++ligne) {
            plan.octets[std::size_t(ligne)] += tranche.octets[std::size_t(ligne)];
            plan.nombres[std::size_t(ligne)] += tranche.nombres[std::size_t(ligne)];
        }
        plan.nbfich += tranche.nbfich;
        for (const auto& [position, info] : tranche.infos) plan.infos.insert(position, info);
        plan.illisibles.insert(plan.illisibles.end(), tranche.illisibles.begin(),
                               tranche.illisibles.end());
        plan.avis.append(tranche.avis);
    }
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
                    const Progression& progression) {
    PlanPurge plan = AnalysePurge(state, lecteurs, fs, progression);
    AppliquePlan(state, plan);
    return plan;
}

}  // namespace tidemark
