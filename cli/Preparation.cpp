#include "cli/Preparation.h"

#include "cli/Commandes.h"

#include "core/Identite.h"

#include <QLocale>

#include <cerrno>

namespace tidemark::cli {

namespace {

// A line of the config.pro reader without its blank mark and its line ending: on standard
// error the mark only shifts the text.
QString SansMarque(QString ligne) {
    if (ligne.startsWith(MarqueVide))
        ligne.remove(0, MarqueVide.size());
    while (ligne.endsWith(u'\n') || ligne.endsWith(u'\r')) ligne.chop(1);
    return ligne;
}

}  // namespace

bool DemandeAide(const QStringList& arguments) {
    for (const QString& argument : arguments) {
        if (argument == u"--")
            return false;
        if (argument == u"--help" || argument == u"-h")
            return true;
    }
    return false;
}

QString LitArguments(const QStringList& arguments, ArgumentsCommande& lus) {
    // The "--" is found here rather than left to LitSelection, so that what follows it stays
    // an operand: a directory may be named "-old".
    const qsizetype tirets = arguments.indexOf(QStringLiteral("--"));
    lus.autres = tirets < 0 ? arguments : arguments.first(tirets);
    lus.apresTirets = tirets < 0 ? QStringList() : arguments.sliced(tirets + 1);
    return LitSelection(lus.autres, lus.selection);
}

QString LitOperandes(const QStringList& autres, const QStringList& apresTirets,
                     const QString& commande, QStringList& operandes) {
    operandes.clear();
    for (const QString& argument : autres) {
        if (argument.startsWith(u'-') && argument.size() > 1)
            return QStringLiteral("option inconnue « %1 » (voir %2 --help).")
                .arg(argument, commande);
        operandes.append(argument);
    }
    operandes.append(apresTirets);
    return {};
}

QString Preparation::charge(const Selection& selection, const QString& repertoire) {
    if (const QString avertissement = store.avertissement(); !avertissement.isEmpty())
        Ecrit(stderr, QStringLiteral("tidemark-cli : ") + avertissement + u'\n');
    const QString refus = AppliqueSelection(selection, store, state);
    if (!refus.isEmpty())
        return refus;

    lecteurs = DriveMap::Courante(store);
    const RepertoireResolu resolu = ResoutRepertoireSaisi(repertoire, lecteurs, fs);
    if (!resolu.accepte())
        return resolu.raison;

    demande = DemandeScan{};
    demande.repertoire = resolu.chemin;
    if (selection.configPro) {
        demande.mode = ModeScan::Config;
        demande.avecHome = selection.home;
    } else {
        demande.sousRepertoires = selection.recursif;
    }
    return {};
}

void Preparation::scanne() {
    ScanSansDialogue sansDialogue;
    resultat = Scan(state, demande, lecteurs, fs, sansDialogue);
    for (const QString& ligne : std::as_const(resultat.lignes))
        Ecrit(stderr, SansMarque(ligne) + u'\n');
    for (const QString& avis : std::as_const(resultat.avis)) Ecrit(stderr, avis + u'\n');
}

QString Preparation::bilanScan() const {
    return QStringLiteral("%1 fichier(s) dans %2 répertoire(s).")
        .arg(Nombre(qint64(state.TabFich.size())), Nombre(resultat.repertoiresVisites));
}

bool Preparation::incomplet() const {
    return resultat.repertoiresIgnores > 0 || resultat.nomsIgnores > 0 || resultat.capaciteAtteinte;
}

bool EcritLignes(std::size_t nombre, const std::function<QString(std::size_t)>& ligne) {
    constexpr qsizetype Bloc = 1 << 16;
    QByteArray tampon;
    tampon.reserve(Bloc);
    bool ok = true;
    for (std::size_t i = 0; i < nombre && ok; ++i) {
        tampon += ligne(i).toUtf8();
        tampon += '\n';
        if (tampon.size() >= Bloc - 1024) {
            ok = std::fwrite(tampon.constData(), 1, std::size_t(tampon.size()), stdout) ==
                 std::size_t(tampon.size());
            tampon.clear();
        }
    }
    if (ok)
        ok = std::fwrite(tampon.constData(), 1, std::size_t(tampon.size()), stdout) ==
             std::size_t(tampon.size());
    // A redirection to a full disk fails only when the buffer reaches the file.
    ok = std::fflush(stdout) == 0 && ok && !std::ferror(stdout);
    if (!ok) {
        const int erreur = errno != 0 ? errno : EIO;
        Ecrit(stderr, QStringLiteral("tidemark-cli : erreur d'écriture sur la sortie standard "
                                     "(%1).\n")
                          .arg(FileSystem::reason(erreur)));
    }
    return ok;
}

QString Nombre(qint64 valeur) {
    static const QLocale francais(QLocale::French, QLocale::France);
    return francais.toString(valeur);
}

QString AideFin(const QString& remarques) {
    return QStringLiteral("  -h, --help             affiche cette aide et quitte\n\n") + remarques +
           QStringLiteral(
               "\n"
               "Code de sortie :\n"
               " 0  fait,\n"
               " 1  liste incomplète ou fichiers non traités (détail sur l'erreur standard),\n"
               " 2  usage ou entrée incorrects (la raison est donnée sur une ligne).\n");
}

}  // namespace tidemark::cli
