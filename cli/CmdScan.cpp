// tidemark-cli scan: the file list of a directory, of its tree, or of the search directories
// of its config.pro, one entry per line.
#include "cli/Commandes.h"
#include "cli/Preparation.h"

namespace tidemark::cli {

namespace {

QString Aide() {
    return QStringLiteral(
               "Usage : tidemark-cli scan [OPTION]... DIR\n"
               "Liste, un par ligne, les fichiers de DIR (chemin du système ou chemin de "
               "lecteur C:\\...)\nqui correspondent aux types choisis.\n"
               "\n"
               "Options :\n") +
           AideSelection() +
           AideFin(QStringLiteral(
               "Un scan depuis la racine d'un lecteur se fait sans demander de confirmation.\n"
               "Sortie standard : les fichiers ; erreur standard : les messages et le compte.\n"));
}

}  // namespace

int CmdScan(QStringList arguments) {
    if (DemandeAide(arguments)) {
        Ecrit(stdout, Aide());
        return SortieFaite;
    }
    ArgumentsCommande lus;
    QString refus = LitArguments(arguments, lus);
    QStringList operandes;
    if (refus.isEmpty())
        refus = LitOperandes(lus.autres, lus.apresTirets, QStringLiteral("scan"), operandes);
    if (!refus.isEmpty())
        return ErreurUsage(refus);
    if (operandes.size() != 1)
        return ErreurUsage(operandes.isEmpty()
                               ? QStringLiteral("scan attend un répertoire DIR.")
                               : QStringLiteral("scan attend un seul répertoire DIR."));

    Preparation preparation;
    refus = preparation.charge(lus.selection, operandes[0]);
    if (!refus.isEmpty())
        return ErreurUsage(refus);
    preparation.scanne();

    const std::vector<QString>& liste = preparation.state.TabFich;
    const bool ecrit = EcritLignes(liste.size(), [&liste](std::size_t i) { return liste[i]; });
    Ecrit(stderr, preparation.bilanScan() + u'\n');
    return !ecrit || preparation.incomplet() ? SortieIncomplete : SortieFaite;
}

}  // namespace tidemark::cli
