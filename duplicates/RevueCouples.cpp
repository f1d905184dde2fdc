#include "duplicates/RevueCouples.h"

#include "core/Drives.h"
#include "core/FileSystem.h"
#include "core/NomsFichier.h"
#include "garage/Journal.h"

#include <QHash>

#include <utility>

namespace tidemark {

namespace {

qint32 Cote(const AppState::Couple& couple, CoteCouple cote) {
    return cote == CoteCouple::Premier ? couple.premier : couple.second;
}

qint32 Autre(const AppState::Couple& couple, CoteCouple cote) {
    return cote == CoteCouple::Premier ? couple.second : couple.premier;
}

bool DansLaListe(const AppState& state, qint32 p) {
    return p >= 0 && std::size_t(p) < state.TabFich.size();
}

QStringView Radical(const AppState& state, qint32 p) {
    return NomSansRevision(state.TabFich[std::size_t(p)]);
}

// True when `affiche` still names two entries of the present list, as shown, of one radical:
// the window may hold a couple shown before a new scan replaced the list.
bool CoupleValable(const AppState& state, const CoupleRevue& affiche) {
    const AppState::Couple& c = affiche.couple;
    return affiche.trouve && DansLaListe(state, c.premier) && DansLaListe(state, c.second) &&
           c.premier != c.second &&
           CheminEntree(state, std::size_t(c.premier)) == affiche.chemin1 &&
           CheminEntree(state, std::size_t(c.second)) == affiche.chemin2 &&
           MemeRadical(Radical(state, c.premier), Radical(state, c.second));
}

EchecDisposition CoupleObsolete(const CoupleRevue& affiche, CoteCouple cote) {
    return {cote == CoteCouple::Premier ? affiche.chemin1 : affiche.chemin2,
            QStringLiteral("le couple affiché ne correspond plus à la liste des fichiers ; rien "
                           "n'a été fait, relancez la recherche")};
}

// One file to dispose of and the files it was found a duplicate of.
struct AEliminer {
    qint32 position;
    std::vector<qint32> autres;
};

// Disposes of the files one after the other, each after its checks.
class Elimination {
public:
    Elimination(const AppState& state, ModeDisposition mode, const DriveMap& lecteurs,
                FileSystem& fs)
        : state_(state),
          mode_(mode),
          lecteurs_(lecteurs),
          fs_(fs),
          journal_(mode == ModeDisposition::Detruire ? ActionJournal::Suppression
                                                     : ActionJournal::Garage,
                   lecteurs, QDateTime::currentDateTimeUtc(), {}, &fs),
          contexte_(&journal_) {}

    // Takes the lock of the garage of the drive of the file at `position` (a command disposes
    // of the files of one directory); false when the wait for another run was given up.
    bool verrouille(qint32 position, const AttenteVerrou& attente) {
        const std::optional<QString> propre =
            lecteurs_.normalise(CheminEntree(state_, std::size_t(position)));
        if (!propre)
            return true;  // refused with its reason when its turn comes
        return verrous_.prend({(*propre)[0]}, lecteurs_, mode_ == ModeDisposition::Deplacer, fs_,
                              attente);
    }

    // False when the journal could not take the file's line: nothing more may go.
    bool elimine(const AEliminer& fichier, ResultatRevue& resultat) {
        const QString chemin = CheminEntree(state_, std::size_t(fichier.position));
        const InfoFichier* info = state_.InfosLues.trouve(fichier.position);
        if (!info) {
            resultat.echecs.push_back(
                {chemin, QStringLiteral("ce fichier n'a pas été lu par la recherche ; il est "
                                        "laissé en place")});
            return true;
        }
        if (const std::optional<QString> raison = SansAutreCopie(fichier)) {
            resultat.echecs.push_back({chemin, *raison});
            return true;
        }
        const ResultatDisposition fait = TraiteDoublon(chemin, mode_, state_.options.ValCaches,
                                                       info, lecteurs_, fs_, &contexte_);
        if (!fait.ok())
            resultat.echecs.push_back({chemin, fait.raison});
        else if (fait.laisse) {
            ++resultat.laisses;
            resultat.cheminsLaisses.append(chemin);
        } else {
            ++resultat.traites;
            resultat.octets += info->taille;
        }
        return !fait.journalEnEchec;
    }

private:
    // Disposing of a duplicate must never take the last copy: at least one of the files it
    // was paired with must still be there, as a file of its own (another file since the
    // search may have been removed, or replaced by a link to this one). The reason when
    // none is, else nothing.
    std::optional<QString> SansAutreCopie(const AEliminer& fichier) const {
        const std::optional<IdentiteFichier> identite = Identite(fichier.position);
        if (!identite)
            return std::nullopt;  // vanished itself: TraiteDoublon's check says so
        for (const qint32 autre : fichier.autres) {
            const std::optional<IdentiteFichier> sienne = Identite(autre);
            if (sienne && *sienne != *identite)
                return std::nullopt;
        }
        return QStringLiteral(
                   "l'autre fichier du couple (%1) a disparu ou est devenu ce même "
                   "fichier depuis la recherche ; celui-ci est laissé en place")
            .arg(CheminEntree(state_, std::size_t(fichier.autres.front())));
    }

    std::optional<IdentiteFichier> Identite(qint32 p) const {
        const std::optional<QString> hote =
            lecteurs_.versHote(CheminEntree(state_, std::size_t(p)));
        return hote ? fs_.identity(*hote) : std::nullopt;
    }

    const AppState& state_;
    ModeDisposition mode_;
    const DriveMap& lecteurs_;
    FileSystem& fs_;
    // The journal of this one command, and what its disposals learn of the garage folders.
    JournalGarage journal_;
    ContexteGarage contexte_;
    VerrousGarage verrous_;
};

// The files of FichiersDuMemeCas with the files each was paired with.
std::vector<AEliminer> DuMemeCas(const AppState& state, const CoupleRevue& affiche,
                                 CoteCouple cote) {
    std::vector<AEliminer> fichiers;
    if (!CoupleValable(state, affiche))
        return fichiers;
    const QStringView repA = RepertoireEntree(state, std::size_t(affiche.couple.premier));
    const QStringView repB = RepertoireEntree(state, std::size_t(affiche.couple.second));
    QHash<qint32, std::size_t> rang;
    const auto ajoute = [&](qint32 p, qint32 autre) {
        const auto it = rang.constFind(p);
        if (it != rang.cend()) {
            fichiers[it.value()].autres.push_back(autre);
            return;
        }
        rang.insert(p, fichiers.size());
        fichiers.push_back({p, {autre}});
    };
    ajoute(Cote(affiche.couple, cote), Autre(affiche.couple, cote));
    for (const AppState::Couple& c : state.Couples) {
        // The table may come from a near-name run or from before the last scan: only a
        // couple of the present list, between the two directories, of one radical, counts.
        if (!DansLaListe(state, c.premier) || !DansLaListe(state, c.second) ||
            c.premier == c.second)
            continue;
        if (!MemeRepertoire(RepertoireEntree(state, std::size_t(c.premier)), repA) ||
            !MemeRepertoire(RepertoireEntree(state, std::size_t(c.second)), repB) ||
            !MemeRadical(Radical(state, c.premier), Radical(state, c.second)))
            continue;
        ajoute(Cote(c, cote), Autre(c, cote));
    }
    return fichiers;
}

}  // namespace

CoupleRevue PremierCouple(AppState& state, const DemandeRecherche& demande,
                          const DriveMap& lecteurs, const FileSystem& fs) {
    CoupleRevue revue = PremierCouple(std::as_const(state), demande, lecteurs, fs);
    state.InfosLues.fusionne(revue.infos);
    return revue;
}

CoupleRevue PremierCouple(const AppState& state, const DemandeRecherche& demande,
                          const DriveMap& lecteurs, const FileSystem& fs) {
    CoupleRevue revue;
    if (!demande.sousRepertoires)
        return revue;
    revue.effectue = true;
    CouplesTrouves trouves =
        PremiersCouples(state, 1, lecteurs, fs, demande.progression, demande.arret);
    revue.illisibles = std::move(trouves.illisibles);
    revue.infos = std::move(trouves.infos);
    if (trouves.couples.empty()) {
        return revue;
    }
    revue.trouve = true;
    revue.couple = trouves.couples.front();
    revue.chemin1 = CheminEntree(state, std::size_t(revue.couple.premier));
    revue.chemin2 = CheminEntree(state, std::size_t(revue.couple.second));
    return revue;
}

CoupleRevue CoupleDeLaTable(const AppState& state, std::size_t k) {
    CoupleRevue revue;
    revue.effectue = true;
    if (k >= state.Couples.size())
        return revue;
    revue.trouve = true;
    revue.couple = state.Couples[k];
    revue.chemin1 = CheminEntree(state, std::size_t(revue.couple.premier));
    revue.chemin2 = CheminEntree(state, std::size_t(revue.couple.second));
    return revue;
}

ResultatRevue CeFichier(const AppState& state, const CoupleRevue& affiche, CoteCouple cote,
                        ModeDisposition mode, const DriveMap& lecteurs, FileSystem& fs,
                        const AttenteVerrou& attente) {
    ResultatRevue resultat;
    if (!CoupleValable(state, affiche)) {
        resultat.echecs.push_back(CoupleObsolete(affiche, cote));
        return resultat;
    }
    Elimination elimination(state, mode, lecteurs, fs);
    const qint32 position = Cote(affiche.couple, cote);
    if (elimination.verrouille(position, attente))
        elimination.elimine({position, {Autre(affiche.couple, cote)}}, resultat);
    return resultat;
}

std::vector<qint32> FichiersDuMemeCas(const AppState& state, const CoupleRevue& affiche,
                                      CoteCouple cote) {
    std::vector<qint32> positions;
    for (const AEliminer& fichier : DuMemeCas(state, affiche, cote))
        positions.push_back(fichier.position);
    return positions;
}

ApercuDisposition ApercuRevue(const AppState& state, const CoupleRevue& affiche, CoteCouple cote,
                              bool tous) {
    if (tous)
        return Apercu(state, FichiersDuMemeCas(state, affiche, cote));
    if (!CoupleValable(state, affiche))
        return Apercu(state, {});
    return Apercu(state, {Cote(affiche.couple, cote)});
}

ResultatRevue CesFichiers(const AppState& state, const CoupleRevue& affiche, CoteCouple cote,
                          ModeDisposition mode, const DriveMap& lecteurs, FileSystem& fs,
                          const Progression& progression, const AttenteVerrou& attente,
                          DemandeArret* arret) {
    ResultatRevue resultat;
    const std::vector<AEliminer> fichiers = DuMemeCas(state, affiche, cote);
    if (fichiers.empty()) {
        resultat.echecs.push_back(CoupleObsolete(affiche, cote));
        return resultat;
    }
    AvanceurProgression avance(progression, qint64(fichiers.size()));
    Elimination elimination(state, mode, lecteurs, fs);
    if (!elimination.verrouille(fichiers.front().position, attente))
        return resultat;
    for (std::size_t k = 0; k < fichiers.size(); ++k) {
        if (arret && arret->verifie()) {
            resultat.arrete = true;
            resultat.restants = qsizetype(fichiers.size() - k);
            break;
        }
        avance.a(qint64(k));
        if (!elimination.elimine(fichiers[k], resultat)) {
            // Without its journal the command goes no further: the others stay, and say why.
            for (std::size_t reste = k + 1; reste < fichiers.size(); ++reste)
                resultat.echecs.push_back(
                    {CheminEntree(state, std::size_t(fichiers[reste].position)),
                     QStringLiteral("le journal du garage ne peut pas être écrit ; rien de plus "
                                    "n'a été fait")});
            break;
        }
    }
    return resultat;
}

}  // namespace tidemark
