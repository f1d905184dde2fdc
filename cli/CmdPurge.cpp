// tidemark-cli purge: "Visu Purge" on a scanned directory, its plan on standard output, and
// with --delete or --garage the "Traitement Purge" of the marked files.
#include "cli/Commandes.h"
#include "cli/Preparation.h"

#include "garage/Garage.h"
#include "inventory/Marquage.h"
#include "purge/AnalysePurge.h"
#include "purge/TraitementPurge.h"

#include <limits>
#include <optional>

namespace tidemark::cli {

namespace {

QString Aide() {
    return QStringLiteral(
               "Usage : tidemark-cli purge [OPTION]... DIR\n"
               "Marque les anciennes révisions des fichiers de DIR (chemin du système ou chemin "
               "de lecteur C:\\...),\nmontre le plan et, sur demande, efface les fichiers "
               "marqués ou les déplace vers le garage.\n"
               "\n"
               "Options :\n"
               "  --keep N               garde les N dernières révisions des modèles (N >= 1)\n"
               "  --keep-aux N           garde N révisions des trail, log et inf (N >= 0)\n"
               "  --prefer-unnumbered    un fichier sans numéro de révision est le plus récent\n"
               "  --no-prefer-unnumbered un fichier sans numéro de révision est la révision 0\n"
               "  --include-readonly     --delete efface aussi les fichiers en lecture seule\n"
               "  --no-include-readonly  --delete laisse en place les fichiers en lecture seule\n"
               "  --dry-run              montre le plan sans rien changer (par défaut)\n"
               "  --delete               efface les fichiers marqués « X » et « -- »\n"
               "  --garage               déplace les fichiers marqués vers le garage X:\\_ de "
               "leur lecteur\n") +
           AideSelection() +
           AideFin(QStringLiteral(
               "Les options --keep à --include-readonly remplacent celles de la configuration "
               "chargée.\n"
               "--delete et --garage exigent des types choisis (--types, --extra ou une "
               "configuration).\n"
               "Sortie standard : le plan, une ligne par fichier, marque puis fichier ; erreur "
               "standard :\nles comptes et totaux, les messages et les fichiers non traités.\n"));
}

enum class Action { Essai, Efface, Garage };

// What the purge's own options asked; an option not given keeps the loaded value.
struct OptionsCommande {
    std::optional<int> garde;             // --keep: ValNbRev
    std::optional<int> gardeAuxiliaires;  // --keep-aux: ValNbRev1
    std::optional<bool> sansIndice;       // --[no-]prefer-unnumbered: ValMaitreSansInd
    std::optional<bool> lectureSeule;     // --[no-]include-readonly: ValCaches
    std::optional<Action> action;
};

// A count of revisions: decimal digits only (no sign, no space), at least `minimum`.
QString LitNombre(const QString& option, const QString& texte, int minimum,
                  std::optional<int>& valeur) {
    bool ok = !texte.isEmpty();
    for (const QChar c : texte) ok = ok && c >= u'0' && c <= u'9';
    const int n = ok ? texte.toInt(&ok) : 0;
    if (!ok || n < minimum)
        return QStringLiteral(
                   "%1 attend un nombre entier d'au moins %2 et d'au plus 2147483647, "
                   "pas « %3 ».")
            .arg(option)
            .arg(minimum)
            .arg(texte);
    valeur = n;
    return {};
}

QString ChoisitAction(OptionsCommande& options, Action action) {
    if (options.action && *options.action != action)
        return QStringLiteral("--dry-run, --delete et --garage s'excluent : un seul à la fois.");
    options.action = action;
    return {};
}

// Takes the purge's own options out of `arguments`, leaving the others in their order.
QString LitOptions(QStringList& arguments, OptionsCommande& options) {
    QStringList reste;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        QString valeur;
        bool manque = false;
        QString refus;
        if (LitValeur(arguments, i, u"--keep", valeur, manque)) {
            refus = manque ? QStringLiteral("--keep attend un nombre de révisions.")
                           : LitNombre(QStringLiteral("--keep"), valeur, 1, options.garde);
        } else if (LitValeur(arguments, i, u"--keep-aux", valeur, manque)) {
            refus = manque ? QStringLiteral("--keep-aux attend un nombre de révisions.")
                           : LitNombre(QStringLiteral("--keep-aux"), valeur, 0,
                                       options.gardeAuxiliaires);
        } else if (argument == u"--prefer-unnumbered" || argument == u"--no-prefer-unnumbered") {
            // Of two opposite flags the last one given counts.
            options.sansIndice = argument == u"--prefer-unnumbered";
        } else if (argument == u"--include-readonly" || argument == u"--no-include-readonly") {
            options.lectureSeule = argument == u"--include-readonly";
        } else if (argument == u"--dry-run") {
            refus = ChoisitAction(options, Action::Essai);
        } else if (argument == u"--delete") {
            refus = ChoisitAction(options, Action::Efface);
        } else if (argument == u"--garage") {
            refus = ChoisitAction(options, Action::Garage);
        } else {
            reste.append(argument);
        }
        if (!refus.isEmpty())
            return refus;
    }
    arguments = reste;
    return {};
}

void AppliqueOptions(const OptionsCommande& lues, OptionsPurge& options) {
    if (lues.garde)
        options.ValNbRev = *lues.garde;
    if (lues.gardeAuxiliaires)
        options.ValNbRev1 = *lues.gardeAuxiliaires;
    if (lues.sansIndice)
        options.ValMaitreSansInd = *lues.sansIndice ? 1 : 0;
    if (lues.lectureSeule)
        options.ValCaches = *lues.lectureSeule ? 1 : 0;
}

// True when some row of the table is selected with a pattern: the scan's filter is then
// made of them, not the "*" that lists every file.
bool TypesChoisis(const TableTypes& table) {
    for (const LigneType& ligne : table) {
        if (ligne.selection == 1 && !ligne.motif.isEmpty())
            return true;
    }
    return false;
}

// The counts and totals of the analysis, on standard error: the marked lines, then bytes
// and count per file type (the rows the window's configuration shows), then the total.
void EcritTotaux(const AppState& state, const PlanPurge& plan) {
    QString texte = QStringLiteral("%1 fichier(s) à purger sur %2.\n")
                        .arg(Nombre(plan.nbfich), Nombre(qint64(state.TabFich.size())));
    for (int k = 0; k < NbTypesFixes; ++k) {
        if (plan.nombres[std::size_t(k)] == 0)
            continue;
        texte += QStringLiteral("  %1 : %2 fichier(s), %3 octets\n")
                     .arg(state.TabConf[std::size_t(k)].motif, Nombre(plan.nombres[std::size_t(k)]),
                          Nombre(plan.octets[std::size_t(k)]));
    }
    texte += QStringLiteral("Total : %1 fichier(s), %2 octets.\n")
                 .arg(Nombre(plan.totalNombre()), Nombre(plan.totalOctets()));
    Ecrit(stderr, texte);
}

// Runs "Traitement Purge" and writes what it did on standard error. True when every marked
// file was disposed of or, for a read-only one under --delete, deliberately left.
bool Traite(Preparation& preparation, Action action) {
    const ModeDisposition mode =
        action == Action::Efface ? ModeDisposition::Detruire : ModeDisposition::Deplacer;
    const ResultatTraitement resultat =
        TraitementPurge(preparation.state, mode, preparation.lecteurs, preparation.fs, {},
                        [](const QString& message) {
                            if (!message.isEmpty())
                                Ecrit(stderr, message + u'\n');
                            return true;
                        });

    Ecrit(stderr, (mode == ModeDisposition::Detruire
                       ? QStringLiteral("%1 fichier(s) effacé(s).\n")
                       : QStringLiteral("%1 fichier(s) déplacé(s) vers le garage.\n"))
                      .arg(Nombre(resultat.traitees)));
    for (const QString& avis : resultat.avisJournal) Ecrit(stderr, avis + u'\n');
    if (resultat.laissees > 0) {
        Ecrit(stderr, QStringLiteral("%1 fichier(s) en lecture seule laissé(s) en place "
                                     "(--include-readonly pour les effacer) :\n")
                          .arg(Nombre(resultat.laissees)));
        for (const QString& chemin : resultat.cheminsLaisses) Ecrit(stderr, chemin + u'\n');
    }
    if (!resultat.complet()) {
        // Every failed path with its reason, not only the first ones a message box shows.
        const MessageEchecs message =
            ComposeMessageEchecs(resultat.echecs, std::numeric_limits<int>::max());
        Ecrit(stderr, message.texte + u'\n');
    }
    return resultat.complet();
}

}  // namespace

int CmdPurge(QStringList arguments) {
    if (DemandeAide(arguments)) {
        Ecrit(stdout, Aide());
        return SortieFaite;
    }
    ArgumentsCommande lus;
    OptionsCommande options;
    QString refus = LitArguments(arguments, lus);
    if (refus.isEmpty())
        refus = LitOptions(lus.autres, options);
    QStringList operandes;
    if (refus.isEmpty())
        refus = LitOperandes(lus.autres, lus.apresTirets, QStringLiteral("purge"), operandes);
    if (!refus.isEmpty())
        return ErreurUsage(refus);
    if (operandes.size() != 1)
        return ErreurUsage(operandes.isEmpty()
                               ? QStringLiteral("purge attend un répertoire DIR.")
                               : QStringLiteral("purge attend un seul répertoire DIR."));

    Preparation preparation;
    refus = preparation.charge(lus.selection, operandes[0]);
    if (!refus.isEmpty())
        return ErreurUsage(refus);
    AppliqueOptions(options, preparation.state.options);
    const Action action = options.action.value_or(Action::Essai);
    if (action != Action::Essai && !TypesChoisis(preparation.state.TabConf))
        return ErreurUsage(
            QStringLiteral("%1 refusé : aucun type de fichier n'est choisi, la purge porterait "
                           "sur tous les fichiers (*). Nommez-les avec --types, --extra ou "
                           "--config.")
                .arg(action == Action::Efface ? QStringLiteral("--delete")
                                              : QStringLiteral("--garage")));

    preparation.scanne();
    const PlanPurge plan = VisuPurge(preparation.state, preparation.lecteurs, preparation.fs);

    const AppState& state = preparation.state;
    const bool planEcrit =
        EcritLignes(state.TabFich.size(), [&state](std::size_t i) { return TexteLigne(state, i); });
    for (const QString& avis : plan.avis) Ecrit(stderr, avis + u'\n');
    Ecrit(stderr, preparation.bilanScan() + u'\n');
    EcritTotaux(state, plan);

    if (action == Action::Essai) {
        Ecrit(stderr, QStringLiteral("Essai à blanc : rien n'a changé sur le disque (--delete "
                                     "ou --garage pour purger).\n"));
        return !planEcrit || preparation.incomplet() ? SortieIncomplete : SortieFaite;
    }
    if (!planEcrit) {
        // The plan is shown before anything is done; a plan nobody could read is not run.
        Ecrit(stderr, QStringLiteral("Le plan n'a pas pu être écrit : aucun fichier n'a été "
                                     "purgé.\n"));
        return SortieIncomplete;
    }
    const bool complet = Traite(preparation, action);
    return !complet || preparation.incomplet() ? SortieIncomplete : SortieFaite;
}

}  // namespace tidemark::cli
