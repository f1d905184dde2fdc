#include "cli/Selection.h"

#include "core/Configurations.h"
#include "core/Demarrage.h"
#include "core/SettingsStore.h"
#include "core/TabConf.h"

namespace tidemark {

namespace {

// The key of the trail row on the command line; its key in the table is "txt".
constexpr int LigneTrail = PremiereLigneAuxiliaire;

// The row of a --types key, or -1.
int LigneDeCle(QStringView cle) {
    if (cle.compare(u"trail", Qt::CaseInsensitive) == 0)
        return LigneTrail;
    return LigneDuType(TabConfInitiale(), cle);
}

QString ClesConnues() {
    const TableTypes table = TabConfInitiale();
    QStringList cles;
    for (int i = 0; i < NbTypesFixes; ++i)
        cles.append(i == LigneTrail ? QStringLiteral("trail") : table[i].cle);
    return cles.join(QStringLiteral(", "));
}

}  // namespace

bool LitValeur(const QStringList& arguments, qsizetype& i, QStringView option, QString& valeur,
               bool& manque) {
    const QString& argument = arguments[i];
    manque = false;
    if (argument == option) {
        if (i + 1 >= arguments.size()) {
            manque = true;
            return true;
        }
        valeur = arguments[++i];
        return true;
    }
    if (argument.size() > option.size() && argument.startsWith(option) &&
        argument[option.size()] == u'=') {
        valeur = argument.sliced(option.size() + 1);
        return true;
    }
    return false;
}

QString LitSelection(QStringList& arguments, Selection& selection) {
    QStringList reste;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        QString valeur;
        bool manque = false;
        if (argument == u"--") {
            reste.append(arguments.sliced(i + 1));
            break;
        } else if (argument == u"-r" || argument == u"--recursive") {
            selection.recursif = true;
        } else if (argument == u"--config-pro") {
            selection.configPro = true;
        } else if (argument == u"--home") {
            selection.home = true;
        } else if (LitValeur(arguments, i, u"--config", valeur, manque)) {
            if (manque)
                return QStringLiteral("--config attend un nom de configuration.");
            if (selection.avecConfig)
                return QStringLiteral("--config ne peut être donné qu'une fois.");
            selection.avecConfig = true;
            selection.config = valeur;
        } else if (LitValeur(arguments, i, u"--types", valeur, manque)) {
            if (manque)
                return QStringLiteral("--types attend une liste de types (prt,asm,...).");
            selection.avecTypes = true;
            for (QStringView cle : QStringView(valeur).tokenize(u',', Qt::SkipEmptyParts)) {
                const int ligne = LigneDeCle(cle.trimmed());
                if (ligne < 0)
                    return QStringLiteral("Type inconnu « %1 ». Types connus : %2.")
                        .arg(cle.trimmed().toString(), ClesConnues());
                if (!selection.lignesTypes.contains(ligne))
                    selection.lignesTypes.append(ligne);
            }
        } else if (LitValeur(arguments, i, u"--extra", valeur, manque)) {
            if (manque)
                return QStringLiteral("--extra attend un motif (par exemple *.stp).");
            const QString motif = valeur.trimmed();
            if (motif.isEmpty())
                return QStringLiteral("--extra attend un motif non vide.");
            const QString refus = ControleMotifUtilisateur(motif);
            if (!refus.isEmpty())
                return refus;
            if (selection.extras.size() == NbLignesTypes - PremiereLigneUtilisateur)
                return QStringLiteral("Au plus %1 motifs --extra.")
                    .arg(NbLignesTypes - PremiereLigneUtilisateur);
            selection.avecTypes = true;
            selection.extras.append(motif);
        } else {
            reste.append(argument);
        }
    }
    if (selection.avecConfig && selection.avecTypes)
        return QStringLiteral("--config ne va pas avec --types ni --extra.");
    if (selection.home && !selection.configPro)
        return QStringLiteral("--home ne va qu'avec --config-pro.");
    arguments = reste;
    return {};
}

QString AppliqueSelection(const Selection& selection, const SettingsStore& store, AppState& state) {
    state = EtatInitial(store);
    if (selection.avecConfig) {
        const QString nom = NomStocke(state.ListConf, selection.config);
        if (nom.isEmpty())
            return QStringLiteral("Aucune configuration nommée « %1 » n'est enregistrée.")
                .arg(selection.config);
        state.TabConf = TabConfInitiale();
        state.CurConf = nom;
        ChargeConfiguration(state, store, nom);
    } else if (selection.avecTypes) {
        state.TabConf = TabConfInitiale();
        state.options = OptionsPurge{};
        for (int ligne : selection.lignesTypes) state.TabConf[ligne].selection = 1;
        for (qsizetype k = 0; k < selection.extras.size(); ++k) {
            LigneType& ligne = state.TabConf[PremiereLigneUtilisateur + k];
            ligne.motif = selection.extras[k];
            ligne.selection = 1;
        }
    }
    state.FiltreFich = ConstruitFiltre(state.TabConf);
    return {};
}

QString AideSelection() {
    return QStringLiteral(
        "  -r, --recursive        parcourt aussi tous les sous-répertoires de DIR\n"
        "  --config-pro           liste les répertoires 'search_path' du config.pro de DIR\n"
        "  --home                 avec --config-pro : d'abord ceux du config.pro de $home\n"
        "  --config NOM           charge la configuration enregistrée NOM (types et options)\n"
        "  --types CLE,CLE...     choisit les types : prt asm drw frm tbl sym lay dgm trail\n"
        "                         log inf xas xpr m_p crc err ers idx\n"
        "  --extra MOTIF          ajoute un motif à soi (jusqu'à 3 fois), ex. *.stp\n"
        "  Sans --config ni --types : la configuration en cours des réglages.\n");
}

}  // namespace tidemark
