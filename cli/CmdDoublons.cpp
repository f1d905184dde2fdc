// tidemark-cli duplicates and near: the couples of files of one radical in two directories,
// or of radicals that differ at one character position only, one couple per line.
#include "cli/Commandes.h"
#include "cli/Preparation.h"

#include "duplicates/NomsVoisins.h"
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
               "Options :\n") +
           AideSelection() +
           AideFin(QStringLiteral(
               "Les sous-répertoires sont toujours parcourus ; rien n'est effacé ni déplacé.\n"
               "Sortie standard : les couples ; erreur standard : les messages et le compte.\n"));
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

// Reads the arguments, loads the selection and scans DIR with its subdirectories. Returns
// the exit status of a failure, or -1 when the command may go on.
int Prepare(const QString& commande, const QStringList& arguments, QString* position,
            Preparation& preparation) {
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
    if (const int sortie = Prepare(QStringLiteral("duplicates"), arguments, nullptr, preparation);
        sortie >= 0)
        return sortie;
    DemandeRecherche demande;
    demande.repertoire = preparation.demande.repertoire;
    const ResultatRecherche resultat =
        RechercheMultiples(preparation.state, demande, preparation.lecteurs, preparation.fs);
    return EcritCouples(preparation, resultat.avis,
                        resultat.capaciteAtteinte || !resultat.illisibles.empty());
}

int CmdVoisins(QStringList arguments) {
    if (DemandeAide(arguments)) {
        Ecrit(stdout, AideVoisins());
        return SortieFaite;
    }
    QString position;
    Preparation preparation;
    if (const int sortie = Prepare(QStringLiteral("near"), arguments, &position, preparation);
        sortie >= 0)
        return sortie;
    DemandeVoisins demande;
    demande.NumCar = position;
    const ResultatVoisins resultat = DetecteNomsVoisins(preparation.state, demande);
    if (resultat.refuse)
        return ErreurUsage(resultat.motif.trimmed());
    return EcritCouples(preparation, resultat.avis, resultat.capaciteAtteinte);
}

}  // namespace tidemark::cli
