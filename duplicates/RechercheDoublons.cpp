#include "duplicates/RechercheDoublons.h"

#include "core/Drives.h"
#include "core/FileSystem.h"
#include "core/NomsFichier.h"
#include "core/Parallele.h"
#include "garage/Garage.h"

#include <QHash>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <span>
#include <utility>

namespace tidemark {

namespace {

// A radical as a hash key: equal without regard to case, hashed on its case-folded form.
struct CleRadical {
    QStringView radical;
    bool operator==(const CleRadical& autre) const { return MemeRadical(radical, autre.radical); }
};
size_t qHash(const CleRadical& cle, size_t graine) {
    return HachageSansCasse(cle.radical, graine);
}

// A directory as a hash key, equal by MemeRepertoire: the drive letter is hashed in upper
// case, the rest as it stands.
struct CleRepertoire {
    QStringView repertoire;
    bool operator==(const CleRepertoire& autre) const {
        return MemeRepertoire(repertoire, autre.repertoire);
    }
};
size_t qHash(const CleRepertoire& cle, size_t graine) {
    const QStringView r = cle.repertoire;
    if (!EstCheminLecteur(r))
        return qHash(r, graine);
    return qHash(r.sliced(1), graine) ^ (size_t(r[0].toUpper().unicode()) * 0x9E3779B97F4A7C15ULL);
}

// Files to read ahead per thread at least: below that a thread costs more than it saves.
// Above it, as many threads as the waits of a file server need (FilsLecture), once the
// reads are seen to wait.
constexpr std::size_t NomsParFil = 64;
// Entries whose groups a full search that may stop at its limit reads ahead at a time.
constexpr qsizetype EntreesParBloc = 4096;

// What was read of an entry, once: its size and dates, or why it could not be read; its
// identity on disk is read later, and only when it is needed.
// Prelue: read ahead by litDAvance, not yet asked for by the search.
enum class Lecture : quint8 { NonLue, Prelue, Lue, Illisible };

// The entries of a radical group cut into runs of consecutive members of one directory.
// Two members of one run never make a couple, so a run of the entry's own directory is
// passed over in one step.
class Recherche {
public:
    Recherche(const AppState& state, const DriveMap& lecteurs, const FileSystem& fs)
        : state_(state), lecteurs_(lecteurs), fs_(fs) {}

    CouplesTrouves cherche(qint64 limite, bool signaleDepassement, const Progression& progression,
                           DemandeArret* arret) {
        CouplesTrouves resultat;
        const qsizetype n = qsizetype(state_.TabFich.size());
        AvanceurProgression avance(progression, n);
        if (n < 2 || limite < 0 || (!signaleDepassement && limite == 0))
            return resultat;
        regroupe(n);
        lectures_.assign(std::size_t(n), Lecture::NonLue);
        infos_.assign(std::size_t(n), InfoFichier{});
        lecturesIdentite_.assign(std::size_t(n), Lecture::NonLue);
        identites_.assign(std::size_t(n), IdentiteFichier{});
        // When even every possible couple fits below the limit, every entry that may join
        // one will be read: they are read ahead, folder by folder on several threads.
        // Otherwise the full search may stop early at the limit: it reads ahead, the same
        // way, the groups of the next block of entries it comes to, so that it reads little
        // past where it stops. The first couples alone (PremiersCouples) read only what they
        // reach.
        const bool toutLu = signaleDepassement && CouplesPossibles() <= limite;
        if (toutLu) {
            std::vector<qint32> candidats;
            for (qint32 i = 0; i < qint32(n); ++i) {
                if (plusieursRepertoires_[std::size_t(groupes_.groupe[std::size_t(i)])])
                    candidats.push_back(i);
            }
            litDAvance(candidats);
        }
        const bool parBlocs = signaleDepassement && !toutLu;
        std::vector<quint8> groupeLu(parBlocs ? plusieursRepertoires_.size() : 0, 0);
        qsizetype luJusqua = 0;

        std::vector<qint32> curseur(groupes_.debut.begin(), groupes_.debut.end() - 1);
        for (qsizetype i = 0; i < n; ++i) {
            if (arret && arret->verifie()) {
                resultat.arrete = true;
                break;
            }
            avance.a(i);
            if (parBlocs && i >= luJusqua) {
                luJusqua = std::min(n, i + EntreesParBloc);
                litGroupesDe(i, luJusqua, groupeLu);
            }
            const qint32 g = groupes_.groupe[std::size_t(i)];
            const qint32 t = curseur[std::size_t(g)]++;
            const qint32 dernierRun = premierRun_[std::size_t(g) + 1];
            const qint32 run = runDeMembre_[std::size_t(t)];
            // Runs next to each other belong to two directories, so a later run means a
            // candidate in another directory.
            if (run + 1 >= dernierRun || !lit(qint32(i), resultat))
                continue;
            const qint32 repI = repertoire_[std::size_t(i)];
            for (qint32 r = run + 1; r < dernierRun; ++r) {
                if (repertoireRun_[std::size_t(r)] == repI)
                    continue;
                for (qint32 u = debutRun_[std::size_t(r)]; u < debutRun_[std::size_t(r) + 1]; ++u) {
                    const qint32 j = groupes_.membres[std::size_t(u)];
                    if (!lit(j, resultat) || unSeulFichier(qint32(i), j))
                        continue;
                    if (qint64(resultat.couples.size()) >= limite) {
                        resultat.depasse = true;
                        return termine(resultat);
                    }
                    resultat.couples.push_back({qint32(i), j});
                    if (!signaleDepassement && qint64(resultat.couples.size()) >= limite)
                        return termine(resultat);
                }
            }
        }
        return termine(resultat);
    }

private:
    static CouplesTrouves termine(CouplesTrouves& resultat) {
        std::sort(resultat.illisibles.begin(), resultat.illisibles.end(),
                  [](const EntreeIllisible& a, const EntreeIllisible& b) {
                      return a.position < b.position;
                  });
        return std::move(resultat);
    }

    // How many couples the groups could make at most: every pair of members in two runs
    // (two runs may be one directory, so this may count too many, never too few).
    qint64 CouplesPossibles() const {
        qint64 total = 0;
        const qint32 nbGroupes = qint32(groupes_.debut.size()) - 1;
        for (qint32 g = 0; g < nbGroupes; ++g) {
            const qint64 membres =
                groupes_.debut[std::size_t(g) + 1] - groupes_.debut[std::size_t(g)];
            qint64 carres = 0;
            for (qint32 r = premierRun_[std::size_t(g)]; r < premierRun_[std::size_t(g) + 1]; ++r) {
                const qint64 taille = debutRun_[std::size_t(r) + 1] - debutRun_[std::size_t(r)];
                carres += taille * taille;
            }
            total += (membres * membres - carres) / 2;
        }
        return total;
    }

    // Reads ahead the facts of every member of the groups of entries `debut` to `fin` - 1
    // that lie in two directories or more and were not read ahead yet.
    void litGroupesDe(qsizetype debut, qsizetype fin, std::vector<quint8>& groupeLu) {
        std::vector<qint32> candidats;
        for (qsizetype i = debut; i < fin; ++i) {
            const qint32 g = groupes_.groupe[std::size_t(i)];
            if (!plusieursRepertoires_[std::size_t(g)] || groupeLu[std::size_t(g)])
                continue;
            groupeLu[std::size_t(g)] = 1;
            candidats.insert(candidats.end(),
                             groupes_.membres.begin() + groupes_.debut[std::size_t(g)],
                             groupes_.membres.begin() + groupes_.debut[std::size_t(g) + 1]);
        }
        std::sort(candidats.begin(), candidats.end());
        litDAvance(candidats);
    }

    // Reads the facts of the entries at `candidats` (list positions, in list order), the
    // entries of one folder relative to that folder, the folders shared out between threads.
    // What could not be read is left to lit(), which reads it again for the reason.
    void litDAvance(const std::vector<qint32>& candidats) {
        struct Lot {
            const QString* hote;
            std::size_t premier;
            std::size_t nombre;
        };
        std::vector<Lot> lots;
        std::vector<QStringView> noms;
        std::vector<qint32> positions;
        qint32 repLot = -1;
        for (const qint32 i : candidats) {
            const qint32 rep = repertoire_[std::size_t(i)];
            const std::optional<QString>& dossier = dossierHote(rep);
            if (dossier->isEmpty())
                continue;
            if (lots.empty() || rep != repLot) {
                lots.push_back({&*dossier, noms.size(), 0});
                repLot = rep;
            }
            noms.push_back(NomFichier(state_.TabFich[std::size_t(i)]));
            positions.push_back(i);
            ++lots.back().nombre;
        }
        std::vector<std::optional<InfoFichier>> lues(noms.size());
        const auto litLots = [&](std::size_t debut, std::size_t fin) {
            for (std::size_t l = debut; l < fin; ++l) {
                fs_.infosIn(*lots[l].hote, std::span(noms).subspan(lots[l].premier, lots[l].nombre),
                            std::span(lues).subspan(lots[l].premier, lots[l].nombre));
            }
        };
        // The folders are handed out one after another to the threads, which join this one
        // only once its reads are seen to wait.
        std::atomic<std::size_t> suivant{0};
        Renforts renforts(NombreDeFils(noms.size(), NomsParFil), 0, true);
        const auto ouvrier = [&](unsigned fil) {
            for (std::size_t l = suivant++; l < lots.size(); l = suivant++) {
                litLots(l, l + 1);
                if (fil == 0)
                    renforts.apres();
            }
        };
        renforts.travaille(ouvrier);
        for (std::size_t k = 0; k < positions.size(); ++k) {
            if (lues[k]) {
                infos_[std::size_t(positions[k])] = *lues[k];
                lectures_[std::size_t(positions[k])] = Lecture::Prelue;
            }
        }
    }

    // Radical groups, directory numbers, and the runs of every group.
    void regroupe(qsizetype n) {
        const std::vector<QString>& liste = state_.TabFich;
        std::vector<qint32> groupe(static_cast<std::size_t>(n));
        repertoire_.assign(std::size_t(n), 0);
        QHash<CleRadical, qint32> radicaux;
        radicaux.reserve(n / 4 + 16);
        QHash<CleRepertoire, qint32> repertoires;
        QStringView repPrecedent;
        qint32 numPrecedent = -1;
        for (qsizetype i = 0; i < n; ++i) {
            const CleRadical cle{NomSansRevision(liste[std::size_t(i)])};
            auto it = radicaux.constFind(cle);
            if (it == radicaux.cend())
                it = radicaux.insert(cle, qint32(radicaux.size()));
            groupe[std::size_t(i)] = it.value();

            // The files of a directory are listed together: one comparison most of the time.
            const QStringView rep = RepertoireEntree(state_, std::size_t(i));
            if (numPrecedent < 0 || !MemeRepertoire(rep, repPrecedent)) {
                auto r = repertoires.constFind(CleRepertoire{rep});
                if (r == repertoires.cend()) {
                    r = repertoires.insert(CleRepertoire{rep}, qint32(repertoires.size()));
                    cheminsRepertoires_.push_back(rep);
                }
                numPrecedent = r.value();
                repPrecedent = rep;
            }
            repertoire_[std::size_t(i)] = numPrecedent;
        }
        groupes_ = RangeParGroupe(std::move(groupe), qint32(radicaux.size()));

        const qint32 nbGroupes = qint32(groupes_.debut.size()) - 1;
        premierRun_.assign(std::size_t(nbGroupes) + 1, 0);
        runDeMembre_.assign(groupes_.membres.size(), 0);
        debutRun_.clear();
        repertoireRun_.clear();
        for (qint32 g = 0; g < nbGroupes; ++g) {
            premierRun_[std::size_t(g)] = qint32(debutRun_.size());
            for (qint32 u = groupes_.debut[std::size_t(g)]; u < groupes_.debut[std::size_t(g) + 1];
                 ++u) {
                const qint32 rep = repertoire_[std::size_t(groupes_.membres[std::size_t(u)])];
                if (u == groupes_.debut[std::size_t(g)] || rep != repertoireRun_.back()) {
                    debutRun_.push_back(u);
                    repertoireRun_.push_back(rep);
                }
                runDeMembre_[std::size_t(u)] = qint32(debutRun_.size()) - 1;
            }
        }
        premierRun_[std::size_t(nbGroupes)] = qint32(debutRun_.size());
        debutRun_.push_back(qint32(groupes_.membres.size()));
        plusieursRepertoires_.assign(std::size_t(nbGroupes), 0);
        for (qint32 g = 0; g < nbGroupes; ++g) {
            const qint32 premier = premierRun_[std::size_t(g)];
            for (qint32 r = premier + 1; r < premierRun_[std::size_t(g) + 1]; ++r) {
                if (repertoireRun_[std::size_t(r)] != repertoireRun_[std::size_t(premier)]) {
                    plusieursRepertoires_[std::size_t(g)] = 1;
                    break;
                }
            }
        }
    }

    // The host path of entry p: its directory's, found once per directory, and its name.
    // Empty when the directory lies on no drive.
    QString hote(qint32 p) {
        const std::optional<QString>& dossier = dossierHote(repertoire_[std::size_t(p)]);
        if (dossier->isEmpty())
            return {};
        QString chemin = *dossier;
        return chemin.append(NomFichier(state_.TabFich[std::size_t(p)]));
    }

    // The host path of directory number `rep` followed by "/", found once; empty when the
    // directory lies on no drive.
    const std::optional<QString>& dossierHote(qint32 rep) {
        if (std::size_t(rep) >= hotesRepertoires_.size())
            hotesRepertoires_.resize(cheminsRepertoires_.size());
        std::optional<QString>& dossier = hotesRepertoires_[std::size_t(rep)];
        if (!dossier) {
            // "C:" (the directory of C:\x) stands for the drive's root.
            dossier = lecteurs_.versHote(cheminsRepertoires_[std::size_t(rep)].toString())
                          .value_or(QString());
            if (!dossier->isEmpty() && !dossier->endsWith(u'/'))
                *dossier += u'/';
        }
        return dossier;
    }

    // Reads the size and modification time of entry p the first time it is needed (one
    // lstat); false when it cannot be read (then it is reported once and makes no couple).
    bool lit(qint32 p, CouplesTrouves& resultat) {
        Lecture& etat = lectures_[std::size_t(p)];
        if (etat == Lecture::Prelue) {
            resultat.infos.insert(p, infos_[std::size_t(p)]);
            etat = Lecture::Lue;
        }
        if (etat != Lecture::NonLue)
            return etat == Lecture::Lue;
        etat = Lecture::Illisible;
        const QString chemin = hote(p);
        if (chemin.isEmpty()) {
            resultat.illisibles.push_back({p, QStringLiteral("ce chemin n'est sur aucun lecteur")});
            return false;
        }
        const std::optional<InfoFichier> info = fs_.info(chemin);
        if (!info) {
            int erreur = ENOENT;
            fs_.identity(chemin, &erreur);  // only for the reason
            resultat.illisibles.push_back({p, FileSystem::reason(erreur)});
            return false;
        }
        infos_[std::size_t(p)] = *info;
        resultat.infos.insert(p, *info);
        etat = Lecture::Lue;
        return true;
    }

    // True when two read entries reach one file on disk. Two paths of one file read by lstat
    // give one size and one modification time, so the identity is looked at only for a
    // symbolic link (whose target may be the other entry) or when both of those agree.
    bool unSeulFichier(qint32 a, qint32 b) {
        const InfoFichier& ia = infos_[std::size_t(a)];
        const InfoFichier& ib = infos_[std::size_t(b)];
        if (!ia.lien && !ib.lien &&
            (ia.taille != ib.taille || ia.modificationNs != ib.modificationNs))
            return false;
        const IdentiteFichier* ida = identite(a);
        const IdentiteFichier* idb = identite(b);
        // A file that vanished since its size was read: the pair is left out rather than
        // risk two names of one file; the review would refuse it anyway.
        return !ida || !idb || *ida == *idb;
    }

    const IdentiteFichier* identite(qint32 p) {
        Lecture& etat = lecturesIdentite_[std::size_t(p)];
        if (etat == Lecture::NonLue && !infos_[std::size_t(p)].lien) {
            // What lstat gave for an entry that is no symbolic link is its file's identity.
            identites_[std::size_t(p)] = {infos_[std::size_t(p)].peripherique,
                                          infos_[std::size_t(p)].inode};
            etat = Lecture::Lue;
        } else if (etat == Lecture::NonLue) {
            const std::optional<IdentiteFichier> lue = fs_.identity(hote(p));
            etat = lue ? Lecture::Lue : Lecture::Illisible;
            if (lue)
                identites_[std::size_t(p)] = *lue;
        }
        return etat == Lecture::Lue ? &identites_[std::size_t(p)] : nullptr;
    }

    const AppState& state_;
    const DriveMap& lecteurs_;
    const FileSystem& fs_;

    Groupes groupes_;
    std::vector<qint32> repertoire_;            // directory number of each entry
    std::vector<qint32> premierRun_;            // first run of each group, one more at the end
    std::vector<qint32> debutRun_;              // first member (index in membres) of each run, +end
    std::vector<qint32> repertoireRun_;         // directory number of each run
    std::vector<qint32> runDeMembre_;           // run of each member
    std::vector<quint8> plusieursRepertoires_;  // 1 for a group found in two directories or more
    std::vector<QStringView> cheminsRepertoires_;           // drive path of each directory number
    std::vector<std::optional<QString>> hotesRepertoires_;  // its host path and "/", once
    std::vector<Lecture> lectures_;
    std::vector<InfoFichier> infos_;
    std::vector<Lecture> lecturesIdentite_;
    std::vector<IdentiteFichier> identites_;
};

QString AvisIllisibles(const AppState& state, const std::vector<EntreeIllisible>& illisibles) {
    const qsizetype n = qsizetype(illisibles.size());
    QString texte = n == 1 ? QStringLiteral(
                                 "1 fichier n'a pas pu être lu et n'entre dans aucun "
                                 "couple :")
                           : QStringLiteral(
                                 "%1 fichiers n'ont pas pu être lus et n'entrent dans "
                                 "aucun couple :")
                                 .arg(n);
    const qsizetype montres = std::min<qsizetype>(n, NbEchecsAffiches);
    for (qsizetype k = 0; k < montres; ++k) {
        const EntreeIllisible& e = illisibles[std::size_t(k)];
        texte += QStringLiteral(" %1 (%2)%3")
                     .arg(CheminEntree(state, std::size_t(e.position)), e.raison,
                          k + 1 < montres ? QStringLiteral(";") : QString());
    }
    if (n > montres)
        texte += QStringLiteral(" et %1 autres").arg(n - montres);
    return texte;
}

}  // namespace

// ---- The search ---------------------------------------------------------------------------

CouplesTrouves TrouveCouples(const AppState& state, qint64 limite, const DriveMap& lecteurs,
                             const FileSystem& fs, const Progression& progression,
                             DemandeArret* arret) {
    return Recherche(state, lecteurs, fs).cherche(limite, true, progression, arret);
}

CouplesTrouves PremiersCouples(const AppState& state, qint64 limite, const DriveMap& lecteurs,
                               const FileSystem& fs, const Progression& progression,
                               DemandeArret* arret) {
    return Recherche(state, lecteurs, fs).cherche(limite, false, progression, arret);
}

CouplesTrouves TrouveCouples(AppState& state, qint64 limite, const DriveMap& lecteurs,
                             const FileSystem& fs, const Progression& progression) {
    CouplesTrouves trouves = TrouveCouples(std::as_const(state), limite, lecteurs, fs, progression);
    state.InfosLues.fusionne(trouves.infos);
    return trouves;
}

CouplesTrouves PremiersCouples(AppState& state, qint64 limite, const DriveMap& lecteurs,
                               const FileSystem& fs, const Progression& progression) {
    CouplesTrouves trouves =
        PremiersCouples(std::as_const(state), limite, lecteurs, fs, progression);
    state.InfosLues.fusionne(trouves.infos);
    return trouves;
}

ResultatRecherche RechercheMultiples(const AppState& state, const DemandeRecherche& demande,
                                     const DriveMap& lecteurs, const FileSystem& fs) {
    ResultatRecherche resultat;
    if (!demande.sousRepertoires)
        return resultat;
    resultat.effectuee = true;
    CouplesTrouves trouves = TrouveCouples(state, std::max<qint64>(demande.capacite, 0), lecteurs,
                                           fs, demande.progression, demande.arret);
    resultat.arretee = trouves.arrete;
    resultat.table = std::move(trouves.couples);
    // A table filled by doubling may hold twice its size; the search keeps it to 8 bytes
    // a couple.
    resultat.table.shrink_to_fit();
    resultat.infos = std::move(trouves.infos);
    resultat.couples = qint64(resultat.table.size());
    resultat.capaciteAtteinte = trouves.depasse;
    if (trouves.depasse)
        resultat.avis.append(TexteCapaciteAtteinte(demande.capacite).trimmed());
    if (!trouves.illisibles.empty())
        resultat.avis.append(AvisIllisibles(state, trouves.illisibles));
    resultat.illisibles = std::move(trouves.illisibles);
    return resultat;
}

void AppliqueRecherche(AppState& state, ResultatRecherche& resultat) {
    if (!resultat.effectuee)
        return;
    state.Couples = std::move(resultat.table);
    state.InfosLues = std::move(resultat.infos);
}

ResultatRecherche RechercheMultiples(AppState& state, const DemandeRecherche& demande,
                                     const DriveMap& lecteurs, const FileSystem& fs) {
    ResultatRecherche resultat = RechercheMultiples(std::as_const(state), demande, lecteurs, fs);
    AppliqueRecherche(state, resultat);
    return resultat;
}

// ---- Texts --------------------------------------------------------------------------------

QString TexteCouple1(const AppState& state, std::size_t k) {
    return CheminEntree(state, std::size_t(state.Couples[k].premier));
}

QString TexteCouple2(const AppState& state, std::size_t k) {
    return CheminEntree(state, std::size_t(state.Couples[k].second));
}

RangeeListV RangeeCouple(const AppState& state, std::size_t k) {
    return {TexteCouple1(state, k), TexteCouple2(state, k)};
}

QString TexteCapaciteAtteinte(qint64 capacite) {
    return QStringLiteral(
               "Recherche arrêtée : plus de %1 couples trouvés, seuls les %1 premiers "
               "sont listés. ")
        .arg(capacite);
}

// ---- Helpers ------------------------------------------------------------------------------

size_t HachageSansCasse(QStringView texte, size_t graine) {
    // FNV-1a over the folded code points, then a final mix so that every bit counts.
    quint64 h = 0xcbf29ce484222325ULL ^ quint64(graine);
    const qsizetype n = texte.size();
    for (qsizetype k = 0; k < n; ++k) {
        char32_t c = texte[k].unicode();
        if (c < 0x80) {
            c = MinusculeAscii(char16_t(c));
        } else {
            if (QChar::isHighSurrogate(c) && k + 1 < n && texte[k + 1].isLowSurrogate())
                c = QChar::surrogateToUcs4(char16_t(c), texte[++k].unicode());
            c = QChar::toCaseFolded(c);
        }
        h = (h ^ c) * 0x100000001b3ULL;
    }
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    return size_t(h);
}

Groupes RangeParGroupe(std::vector<qint32> groupe, qint32 nombreGroupes) {
    Groupes g;
    g.debut.assign(std::size_t(nombreGroupes) + 1, 0);
    for (const qint32 numero : groupe) ++g.debut[std::size_t(numero) + 1];
    for (std::size_t k = 1; k < g.debut.size(); ++k) g.debut[k] += g.debut[k - 1];
    g.membres.resize(groupe.size());
    std::vector<qint32> suivant(g.debut.begin(), g.debut.end() - 1);
    for (std::size_t i = 0; i < groupe.size(); ++i)
        g.membres[std::size_t(suivant[std::size_t(groupe[i])]++)] = qint32(i);
    g.groupe = std::move(groupe);
    return g;
}

bool MemeRepertoire(QStringView a, QStringView b) {
    if (a.size() != b.size())
        return false;
    if (EstCheminLecteur(a) && EstCheminLecteur(b))
        return a[0].toUpper() == b[0].toUpper() && a.sliced(1) == b.sliced(1);
    return a == b;
}

QStringView RepertoireEntree(const AppState& state, std::size_t i) {
    return RepertoireEntree(state.TabFich, state.RepBase, i);
}

QStringView RepertoireEntree(std::span<const QString> liste, QStringView repBase, std::size_t i) {
    const QString& entree = liste[i];
    if (EstCheminLecteur(entree))
        return NomRepertoire(entree);
    // A bare name lies in the base directory (CheminEntree joins them with one "\").
    QStringView base = repBase;
    if (base.endsWith(u'\\'))
        base.chop(1);
    return base;
}

}  // namespace tidemark
