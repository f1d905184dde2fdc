// tidemark-cli garage: the runs the garage journals keep, one run's files and where they are,
// a run brought back, the garage emptied.
#include "cli/Commandes.h"
#include "cli/Preparation.h"

#include "core/Drives.h"
#include "core/SettingsStore.h"
#include "garage/Journal.h"
#include "garage/Restauration.h"

#include <algorithm>
#include <limits>

namespace tidemark::cli {

namespace {

QString Aide() {
    return QStringLiteral(
               "Usage : tidemark-cli garage [--drive X]... list\n"
               "   ou : tidemark-cli garage [--drive X]... show RUN\n"
               "   ou : tidemark-cli garage [--drive X]... restore (RUN | --last) [--dry-run]\n"
               "   ou : tidemark-cli garage [--drive X]... empty --older-than JOURS "
               "[--dry-run]\n"
               "Consulte le journal des garages X:\\_ des lecteurs, remet en place les fichiers "
               "d'une exécution\nou vide le garage.\n"
               "\n"
               "Sous-commandes :\n"
               "  list                   une exécution par ligne, la plus récente d'abord :\n"
               "                         RUN, date, action, fichiers, octets\n"
               "  show RUN               un fichier par ligne : état, chemin d'origine, chemin "
               "au garage\n"
               "                         (état : garage, restored, missing, deleted ou "
               "in-place)\n"
               "  restore RUN            remet à leur place les fichiers de RUN encore au "
               "garage,\n"
               "                         sans jamais remplacer un fichier qui s'y trouve\n"
               "  empty --older-than J   détruit les fichiers du garage qui y sont depuis plus "
               "de J jours\n"
               "                         et les écrit (--older-than est obligatoire ; 0 : "
               "tout)\n"
               "\n"
               "Options :\n"
               "  --drive X              seulement le garage du lecteur X (répétable ; par "
               "défaut tous)\n"
               "  --last                 restore : la dernière exécution qui a mis des fichiers "
               "au garage\n"
               "  --older-than JOURS     empty : seulement ce qui y est depuis plus de JOURS "
               "jours (0 : tout)\n"
               "  --dry-run              restore, empty : montre sans rien changer\n") +
           AideFin(QStringLiteral(
               "Un fichier que le journal ne connaît pas est daté par son arrivée au garage, "
               "jamais par sa\ndate de modification. Les exécutions sont ordonnées par leur "
               "numéro, pas par l'horloge.\n"
               "Sortie standard : les lignes demandées ; erreur standard : les comptes, les "
               "messages\net les fichiers laissés avec leur raison.\n"));
}

struct OptionsGarage {
    QList<QChar> lettres;
    bool essai = false;
    bool derniere = false;
    std::optional<int> jours;
    QStringList operandes;
};

QString LitOptions(const QStringList& arguments, const DriveMap& lecteurs, OptionsGarage& lues) {
    bool tirets = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        QString valeur;
        bool manque = false;
        if (tirets || argument == u"-" || !argument.startsWith(u'-')) {
            lues.operandes.append(argument);
        } else if (argument == u"--") {
            tirets = true;
        } else if (LitValeur(arguments, i, u"--drive", valeur, manque)) {
            if (valeur.endsWith(u':'))
                valeur.chop(1);
            if (manque || valeur.size() != 1 || lecteurs.racine(valeur[0]).isEmpty())
                return QStringLiteral("--drive attend la lettre d'un lecteur défini, pas « %1 ».")
                    .arg(valeur);
            lues.lettres.append(valeur[0].toUpper());
        } else if (LitValeur(arguments, i, u"--older-than", valeur, manque)) {
            bool ok = !valeur.isEmpty();
            for (const QChar c : valeur) ok = ok && c >= u'0' && c <= u'9';
            const int n = ok ? valeur.toInt(&ok) : 0;
            if (manque || !ok)
                return QStringLiteral(
                           "--older-than attend un nombre de jours entre 0 et "
                           "2147483647, pas « %1 ».")
                    .arg(valeur);
            lues.jours = n;
        } else if (argument == u"--dry-run") {
            lues.essai = true;
        } else if (argument == u"--last") {
            lues.derniere = true;
        } else {
            return QStringLiteral("option inconnue « %1 » (voir garage --help).").arg(argument);
        }
    }
    return {};
}

bool Attente(const QString& message) {
    if (!message.isEmpty())
        Ecrit(stderr, message + u'\n');
    return true;
}

// The failures and journal notices of a restore or an emptying, on standard error.
int Bilan(const ResultatGarage& r, const QString& fait) {
    Ecrit(stderr, fait.arg(Nombre(qint64(r.faits.size()))) + u'\n');
    for (const QString& avis : r.avis) Ecrit(stderr, avis + u'\n');
    if (!r.complet())
        Ecrit(stderr,
              ComposeMessageEchecs(r.echecs, std::numeric_limits<int>::max()).texte + u'\n');
    return r.complet() ? SortieFaite : SortieIncomplete;
}

int Liste(const std::vector<ExecutionJournal>& executions) {
    // One line per run, its journals on several drives together, newest first.
    struct Total {
        const ExecutionJournal* premiere;
        qint64 fichiers = 0;
        qint64 octets = 0;
    };
    std::vector<Total> totaux;
    for (const ExecutionJournal& e : executions) {
        auto it = std::find_if(totaux.begin(), totaux.end(),
                               [&](const Total& t) { return t.premiere->id == e.id; });
        if (it == totaux.end())
            it = totaux.insert(totaux.end(), Total{&e});
        it->fichiers += e.nombre();
        it->octets += e.octets();
    }
    const bool ecrit = EcritLignes(totaux.size(), [&](std::size_t i) {
        const Total& t = totaux[totaux.size() - 1 - i];
        return QStringLiteral("%1\t%2\t%3\t%4\t%5")
            .arg(t.premiere->id, t.premiere->date.toString(Qt::ISODateWithMs),
                 NomAction(t.premiere->action))
            .arg(t.fichiers)
            .arg(t.octets);
    });
    return ecrit ? SortieFaite : SortieIncomplete;
}

int Montre(const std::vector<ExecutionJournal>& executions, const QString& id,
           const DriveMap& lecteurs, const FileSystem& fs) {
    int ignorees = 0;
    bool trouvee = false;
    for (const ExecutionJournal& e : executions) {
        if (e.id == id) {
            trouvee = true;
            ignorees += e.lignesIgnorees;
        }
    }
    if (!trouvee)
        return ErreurUsage(QStringLiteral("aucune exécution « %1 » dans le journal (voir garage "
                                          "list).")
                               .arg(id));
    const std::vector<LigneExecution> lignes = EtatExecution(executions, id, lecteurs, fs);
    const bool ecrit = EcritLignes(lignes.size(), [&](std::size_t i) {
        return NomEtat(lignes[i].etat) + u'\t' + lignes[i].fichier.original + u'\t' +
               lignes[i].fichier.garage;
    });
    if (ignorees > 0)
        Ecrit(stderr, QStringLiteral("%1 ligne(s) illisible(s) du journal passée(s).\n")
                          .arg(Nombre(ignorees)));
    return ecrit ? SortieFaite : SortieIncomplete;
}

}  // namespace

int CmdGarage(QStringList arguments) {
    if (DemandeAide(arguments)) {
        Ecrit(stdout, Aide());
        return SortieFaite;
    }
    QtSettingsStore store;
    if (const QString avertissement = store.avertissement(); !avertissement.isEmpty())
        Ecrit(stderr, QStringLiteral("tidemark-cli : ") + avertissement + u'\n');
    const DriveMap lecteurs = DriveMap::Courante(store);
    OptionsGarage lues;
    if (const QString refus = LitOptions(arguments, lecteurs, lues); !refus.isEmpty())
        return ErreurUsage(refus);
    if (lues.operandes.isEmpty())
        return ErreurUsage(QStringLiteral("garage attend list, show, restore ou empty."));
    const QString sous = lues.operandes.takeFirst();
    const qsizetype attendus = sous == u"show" || (sous == u"restore" && !lues.derniere) ? 1 : 0;
    if (sous != u"list" && sous != u"show" && sous != u"restore" && sous != u"empty")
        return ErreurUsage(
            QStringLiteral("sous-commande inconnue « %1 » (voir garage --help).").arg(sous));
    if (lues.operandes.size() != attendus)
        return ErreurUsage(attendus == 0 ? QStringLiteral("garage %1 n'attend pas « %2 ».")
                                               .arg(sous, lues.operandes.value(0))
                                         : QStringLiteral("garage %1 attend une exécution RUN "
                                                          "(voir garage list).")
                                               .arg(sous));
    if ((lues.derniere && sous != u"restore") || (lues.jours && sous != u"empty") ||
        (lues.essai && sous != u"restore" && sous != u"empty"))
        return ErreurUsage(QStringLiteral("option sans objet pour garage %1.").arg(sous));
    // Emptying destroys for good: it is never the default of a forgotten option.
    if (sous == u"empty" && !lues.jours)
        return ErreurUsage(
            QStringLiteral("garage empty attend --older-than JOURS (0 pour tout "
                           "détruire) : rien n'a été détruit."));

    FileSystem fs;
    QStringList avis;
    const std::vector<ExecutionJournal> executions = LitJournaux(lecteurs, lues.lettres, &avis);
    for (const QString& a : std::as_const(avis)) Ecrit(stderr, a + u'\n');
    if (sous == u"list")
        return Liste(executions);
    if (sous == u"show")
        return Montre(executions, lues.operandes[0], lecteurs, fs);
    if (sous == u"empty") {
        const ResultatGarage r =
            VideGarage(*lues.jours, lecteurs, lues.lettres, fs, lues.essai, Attente);
        EcritLignes(r.faits.size(), [&](std::size_t i) { return r.faits[i].garage; });
        return Bilan(r, lues.essai ? QStringLiteral("Essai à blanc : %1 fichier(s) seraient "
                                                    "détruits.")
                                   : QStringLiteral("%1 fichier(s) détruit(s) du garage."));
    }
    QString id;
    if (lues.derniere) {
        for (const ExecutionJournal& e : executions) {
            if (e.action == ActionJournal::Garage)
                id = e.id;  // in run order: the last one found is the newest
        }
        if (id.isEmpty())
            return ErreurUsage(QStringLiteral("aucune exécution n'a mis de fichier au garage."));
    } else {
        id = lues.operandes[0];
    }
    const ResultatGarage r =
        RestaureExecution(id, lecteurs, lues.lettres, fs, lues.essai, {}, Attente);
    if (!r.trouvee)
        return ErreurUsage(QStringLiteral("aucune exécution « %1 » dans le journal (voir garage "
                                          "list).")
                               .arg(id));
    EcritLignes(r.faits.size(),
                [&](std::size_t i) { return r.faits[i].original + u'\t' + r.faits[i].garage; });
    return Bilan(r, lues.essai ? QStringLiteral("Essai à blanc : %1 fichier(s) seraient remis "
                                                "en place.")
                               : QStringLiteral("%1 fichier(s) remis en place."));
}

}  // namespace tidemark::cli
