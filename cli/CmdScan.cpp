// tidemark-cli scan: the file list of a directory, of its tree, or of the search directories
// of its config.pro, one entry per line.
#include "cli/Commandes.h"
#include "cli/Selection.h"

#include "core/Drives.h"
#include "core/FileSystem.h"
#include "core/Identite.h"
#include "core/SettingsStore.h"
#include "inventory/Scan.h"

#include <QFileInfo>
#include <QLocale>

namespace tidemark::cli {

namespace {

QString Aide() {
    return QStringLiteral(
               "Usage : tidemark-cli scan [options] DIR\n"
               "Liste, un par ligne, les fichiers de DIR (chemin du système ou "
               "chemin de lecteur C:\\...) qui correspondent aux types choisis.\n"
               "Options :\n") +
           AideSelection() +
           QStringLiteral(
               "  -h, --help             affiche cette aide\n"
               "Un scan depuis la racine d'un lecteur se fait sans demander de confirmation.\n"
               "Sortie standard : les fichiers ; erreur standard : les messages et le compte.\n"
               "Code de sortie : 0 fait ; 1 des répertoires ou des fichiers n'ont pas pu être "
               "listés (liste incomplète) ; 2 usage ou entrée incorrects.\n");
}

// A list line of the config.pro reader without its blank mark and its line ending.
QString SansMarque(QString ligne) {
    if (ligne.startsWith(MarqueVide))
        ligne.remove(0, MarqueVide.size());
    while (ligne.endsWith(u'\n') || ligne.endsWith(u'\r')) ligne.chop(1);
    return ligne;
}

void EcritListe(const std::vector<QString>& entrees) {
    QByteArray tampon;
    tampon.reserve(1 << 16);
    for (const QString& entree : entrees) {
        tampon += entree.toUtf8();
        tampon += '\n';
        if (tampon.size() >= (1 << 16) - 1024) {
            std::fwrite(tampon.constData(), 1, static_cast<size_t>(tampon.size()), stdout);
            tampon.clear();
        }
    }
    std::fwrite(tampon.constData(), 1, static_cast<size_t>(tampon.size()), stdout);
    std::fflush(stdout);
}

}  // namespace

int CmdScan(QStringList arguments) {
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
        Ecrit(stdout, Aide());
        return SortieFaite;
    }
    Selection selection;
    const QString refus = LitSelection(arguments, selection);
    if (!refus.isEmpty())
        return ErreurUsage(refus);
    for (const QString& argument : std::as_const(arguments)) {
        if (argument.startsWith(u'-') && argument.size() > 1)
            return ErreurUsage(
                QStringLiteral("option inconnue « %1 » (voir scan --help).").arg(argument));
    }
    if (arguments.size() != 1)
        return ErreurUsage(arguments.isEmpty()
                               ? QStringLiteral("scan attend un répertoire DIR.")
                               : QStringLiteral("scan attend un seul répertoire DIR."));

    QtSettingsStore store;
    AppState state;
    const QString refusSelection = AppliqueSelection(selection, store, state);
    if (!refusSelection.isEmpty())
        return ErreurUsage(refusSelection);

    const DriveMap lecteurs = DriveMap::Courante(store);
    const std::optional<QString> repertoire = lecteurs.versLecteurDepuisSaisie(arguments[0]);
    if (!repertoire)
        return ErreurUsage(DriveMap::MessageHorsLecteur(arguments[0]));
    const std::optional<QString> hote = lecteurs.versHote(*repertoire);
    if (!hote || !QFileInfo(*hote).isDir())
        return ErreurUsage(QStringLiteral("le répertoire « %1 » n'existe pas.").arg(arguments[0]));

    DemandeScan demande;
    demande.repertoire = *repertoire;
    if (selection.configPro) {
        demande.mode = ModeScan::Config;
        demande.avecHome = selection.home;
    } else {
        demande.sousRepertoires = selection.recursif;
    }
    FileSystem fs;
    ScanSansDialogue sansDialogue;
    const ResultatScan resultat = Scan(state, demande, lecteurs, fs, sansDialogue);

    EcritListe(state.TabFich);
    for (const QString& ligne : resultat.lignes) Ecrit(stderr, SansMarque(ligne) + u'\n');
    for (const QString& avis : resultat.avis) Ecrit(stderr, avis + u'\n');
    const QLocale francais(QLocale::French, QLocale::France);
    Ecrit(stderr, QStringLiteral("%1 fichier(s) dans %2 répertoire(s).\n")
                      .arg(francais.toString(qlonglong(state.TabFich.size())),
                           francais.toString(resultat.repertoiresVisites)));

    const bool incomplet =
        resultat.repertoiresIgnores > 0 || resultat.nomsIgnores > 0 || resultat.capaciteAtteinte;
    return incomplet ? SortieIncomplete : SortieFaite;
}

}  // namespace tidemark::cli
