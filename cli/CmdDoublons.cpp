// tidemark-cli duplicates and near: the couples of files of one radical in two directories,
// or of radicals that differ at one character position only, one couple per line.
#include "cli/Commandes.h"
#include "cli/Preparation.h"

#include "duplicates/MemeContenu.h"
#include "duplicates/NomsVoisins.h"
#include "duplicates/PairesRepertoires.h"
#include "duplicates/RechercheDoublons.h"

namespace tidemark::cli {

namespace {

QString AideDoublons() {
    return QStringLiteral(
               "Usage : tidemark-cli duplicates [OPTION]... DIR\n"
               "Liste les couples de fichiers de même radical (le nom sans son numéro de "
               "révision)\nprésents dans deux répertoires différents de l'arborescence de DIR, "
               "un couple par ligne :\npremier<TAB>second.\n"
               "\n"
               "Options :\n"
               "      --pairs            une paire de répertoires par ligne au lieu des couples :\n"
               "                         premier répertoire<TAB>second répertoire<TAB>couples,\n"
               "                         les paires aux plus nombreux couples d'abord\n"
               "      --same-content     ne garde que les couples dont les deux fichiers ont le\n"
               "                         même contenu, octet pour octet (un lien est comparé par\n"
               "                         le fichier qu'il désigne) ; avec --pairs, les paires ne\n"
               "                         comptent que ces couples\n") +
           AideSelection() +
           AideFin(QStringLiteral(
               "Les sous-répertoires sont toujours parcourus ; rien n'est effacé ni déplacé.\n"
               "Sortie standard : les couples ou les paires ; erreur standard : les messages et "
               "les comptes.\n"));
}

QString AideVoisins() {
    return QStringLiteral(
               "Usage : tidemark-cli near [OPTION]... --position C DIR\n"
               "Liste les couples de fichiers dont les radicaux ne diffèrent qu'au caractère "
               "numéro C,\nsans tenir compte de la casse, un couple par ligne : "
               "premier<TAB>second.\n"
               "\n"
               "Options :\n"
               "      --position C       le numéro du caractère à comparer (1 pour le premier)\n") +
           AideSelection() +
           AideFin(QStringLiteral(
               "Les sous-répertoires sont toujours parcourus ; rien n'est effacé ni déplacé.\n"
               "Sortie standard : les couples ; erreur standard : les messages et le compte.\n"));
}

// The options of `duplicates` alone.
struct OptionsDoublons {
    bool paires = false;       // --pairs
    bool memeContenu = false;  // --same-content
};

// Reads the arguments, loads the selection and scans DIR with its subdirectories. Returns
// the exit status of a failure, or -1 when the command may go on. `position` is read for
// `near`, `doublons` for `duplicates`.
int Prepare(const QString& commande, const QStringList& arguments, QString* position,
            OptionsDoublons* doublons, Preparation& preparation) {
    ArgumentsCommande lus;
    QString refus = LitArguments(arguments, lus);
    if (!refus.isEmpty())
        return ErreurUsage(refus);
    QStringList autres;
    bool positionLue = false;
    for (qsizetype i = 0; i < lus.autres.size(); ++i) {
        QString valeur;
        bool manque = false;
        if (position && LitValeur(lus.autres, i, u"--position", valeur, manque)) {
            if (manque)
                return ErreurUsage(QStringLiteral("--position attend un numéro de caractère."));
            *position = valeur;
            positionLue = true;
        } else if (doublons && lus.autres[i] == u"--pairs") {
            doublons->paires = true;
        } else if (doublons && lus.autres[i] == u"--same-content") {
            doublons->memeContenu = true;
        } else {
            autres.append(lus.autres[i]);
        }
    }
    QStringList operandes;
    refus = LitOperandes(autres, lus.apresTirets, commande, operandes);
    if (!refus.isEmpty())
        return ErreurUsage(refus);
    if (position && !positionLue)
        return ErreurUsage(QStringLiteral("near attend --position C."));
    // A position that is no whole number of at least 1 is refused before the scan.
    if (position) {
        if (const PositionLue lue = LitPosition(*position); !lue.position)
            return ErreurUsage(lue.motif.trimmed());
    }
    if (operandes.size() != 1)
        return ErreurUsage(QStringLiteral("%1 attend un seul répertoire DIR.").arg(commande));
    if (lus.selection.configPro)
        return ErreurUsage(
            QStringLiteral("%1 parcourt l'arborescence de DIR : --config-pro n'y a pas de sens.")
                .arg(commande));

    refus = preparation.charge(lus.selection, operandes[0]);
    if (!refus.isEmpty())
        return ErreurUsage(refus);
    preparation.demande.sousRepertoires = true;
    preparation.scanne();
    return -1;
}

// Writes the couples, first<TAB>second, and the closing lines; the exit status.
int EcritCouples(const Preparation& preparation, const QStringList& avis, bool incomplet) {
    const AppState& state = preparation.state;
    const bool ecrit = EcritLignes(state.Couples.size(), [&state](std::size_t k) {
        return TexteCouple1(state, k) + u'\t' + TexteCouple2(state, k);
    });
    for (const QString& ligne : avis) Ecrit(stderr, ligne + u'\n');
    Ecrit(stderr, preparation.bilanScan() + u'\n');
    Ecrit(stderr, QStringLiteral("%1 couple(s).\n").arg(Nombre(qint64(state.Couples.size()))));
    return !ecrit || incomplet || preparation.incomplet() ? SortieIncomplete : SortieFaite;
}

}  // namespace

int CmdDoublons(QStringList arguments) {
    if (DemandeAide(arguments)) {
        Ecrit(stdout, AideDoublons());
        return SortieFaite;
    }
    Preparation preparation;
    OptionsDoublons options;
    if (const int sortie =
            Prepare(QStringLiteral("duplicates"), arguments, nullptr, &options, preparation);
        sortie >= 0)
        return sortie;
    DemandeRecherche demande;
    demande.repertoire = preparation.demande.repertoire;
    ResultatRecherche resultat =
        RechercheMultiples(preparation.state, demande, preparation.lecteurs, preparation.fs);
    bool incomplet = resultat.capaciteAtteinte || !resultat.illisibles.empty();
    if (!options.paires && !options.memeContenu)
        return EcritCouples(preparation, resultat.avis, incomplet);

    const AppState& state = preparation.state;
    VueCouples vue = Vue(state);
    const std::size_t trouves = state.Couples.size();
    std::vector<AppState::Couple> identiques;
    if (options.memeContenu) {
        CacheContenus cache;
        const ContenusCompares compares =
            CompareContenus(vue, 0, trouves, preparation.lecteurs, cache);
        for (std::size_t k = 0; k < trouves; ++k) {
            if (compares.verdicts[k] == Contenu::Identique)
                identiques.push_back(state.Couples[k]);
        }
        vue.couples = identiques;
        if (!compares.illisibles.empty()) {
            incomplet = true;
            for (const EntreeIllisible& e : compares.illisibles)
                resultat.avis.append(
                    QStringLiteral("%1 n'a pas pu être comparé (%2) ; ses couples ne sont pas "
                                   "listés.")
                        .arg(CheminEntree(state, std::size_t(e.position)), e.raison));
        }
    }
    bool ecrit = true;
    QString compte = options.memeContenu
                         ? QStringLiteral("%1 couple(s) de même contenu sur %2.")
                               .arg(Nombre(qint64(vue.couples.size())), Nombre(qint64(trouves)))
                         : QStringLiteral("%1 couple(s).").arg(Nombre(qint64(trouves)));
    if (options.paires) {
        const std::vector<PaireRepertoires> paires = PairesRepertoires(vue);
        ecrit = EcritLignes(paires.size(), [&paires](std::size_t k) {
            return paires[k].premier + u'\t' + paires[k].second + u'\t' +
                   QString::number(paires[k].couples);
        });
        compte += QStringLiteral(" %1 paire(s) de répertoires.").arg(Nombre(qint64(paires.size())));
    } else {
        ecrit = EcritLignes(vue.couples.size(), [&](std::size_t k) {
            return CheminEntree(state, std::size_t(vue.couples[k].premier)) + u'\t' +
                   CheminEntree(state, std::size_t(vue.couples[k].second));
        });
    }
    for (const QString& ligne : resultat.avis) Ecrit(stderr, ligne + u'\n');
    Ecrit(stderr, preparation.bilanScan() + u'\n');
    Ecrit(stderr, compte + u'\n');
    return !ecrit || incomplet || preparation.incomplet() ? SortieIncomplete : SortieFaite;
}

int CmdVoisins(QStringList arguments) {
    if (DemandeAide(arguments)) {
        Ecrit(stdout, AideVoisins());
        return SortieFaite;
    }
    QString position;
    Preparation preparation;
    if (const int sortie =
            Prepare(QStringLiteral("near"), arguments, &position, nullptr, preparation);
        sortie >= 0)
        return sortie;
    DemandeVoisins demande;
    demande.NumCar = position;
    ResultatVoisins resultat = DetecteNomsVoisins(preparation.state, demande);
    if (resultat.refuse)
        return ErreurUsage(resultat.motif.trimmed());
    if (resultat.effectue)
        preparation.state.Couples = std::move(resultat.couples);
    return EcritCouples(preparation, resultat.avis, resultat.capaciteAtteinte);
}

}  // namespace tidemark::cli
