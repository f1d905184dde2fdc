#include "core/Configurations.h"

#include "core/NomsFichier.h"

namespace tidemark {

namespace {

QString CleConfiguration(const QString& nom) {
    return u'_' + nom;
}

// Selection sort without regard to case: at each position the smallest of the later names
// that is below the current one (the first found among equals) takes its place.
void TriSelection(QStringList& noms) {
    for (qsizetype i = 0; i + 1 < noms.size(); ++i) {
        qsizetype plusPetit = -1;
        for (qsizetype j = i + 1; j < noms.size(); ++j) {
            const QString& reference = plusPetit < 0 ? noms[i] : noms[plusPetit];
            if (noms[j].compare(reference, Qt::CaseInsensitive) < 0)
                plusPetit = j;
        }
        if (plusPetit >= 0)
            noms.swapItemsAt(i, plusPetit);
    }
}

}  // namespace

QString TexteConfiguration(const TableTypes& table, const OptionsPurge& options) {
    QString texte;
    for (int ligne = 0; ligne < NbTypesFixes; ++ligne)
        texte += QString::number(table[ligne].selection) + u'|';
    for (int ligne = PremiereLigneUtilisateur; ligne < NbLignesTypes; ++ligne)
        texte += table[ligne].motif + u'|' + QString::number(table[ligne].selection) + u'|';
    for (int valeur :
         {options.ValCaches, options.ValMaitreSansInd, options.ValNbRev, options.ValNbRev1})
        texte += QString::number(valeur) + u'|';
    return texte;
}

void LitConfiguration(const QString& texte, TableTypes& table, OptionsPurge& options) {
    options.ValNbRev = 1;
    options.ValNbRev1 = 0;
    if (texte.isEmpty())
        return;
    for (LigneType& ligne : table) ligne.selection = 0;
    for (int ligne = PremiereLigneUtilisateur; ligne < NbLignesTypes; ++ligne)
        table[ligne].motif.clear();

    // k walks the targets; rows 18 to 20 take two fields each (pattern, then selection).
    int k = 0;
    bool motifLu = false;  // on a user row: its pattern field has been consumed
    QStringView reste = texte;
    while (!reste.isEmpty()) {
        const qsizetype barre = reste.indexOf(u'|');
        const QStringView champ = barre < 0 ? reste : reste.first(barre);
        reste = barre < 0 ? QStringView() : reste.sliced(barre + 1);

        if (k < PremiereLigneUtilisateur) {
            if (!champ.isEmpty())
                table[k].selection = ValeurEntiere(champ);
            ++k;
        } else if (k < NbLignesTypes) {
            if (!motifLu) {
                if (!champ.isEmpty())
                    table[k].motif = champ.toString();
                motifLu = true;
                continue;
            }
            if (!champ.isEmpty())
                table[k].selection = ValeurEntiere(champ);
            motifLu = false;
            ++k;
        } else {
            int* const cibles[] = {&options.ValCaches, &options.ValMaitreSansInd, &options.ValNbRev,
                                   &options.ValNbRev1};
            if (!champ.isEmpty())
                *cibles[std::min(k - NbLignesTypes, 3)] = ValeurEntiere(champ);
            ++k;
        }
    }
    options.ValNbRev = BorneNbRev(options.ValNbRev);
    options.ValNbRev1 = BorneNbRev1(options.ValNbRev1);
}

void RafraichitNoms(AppState& state, const SettingsStore& store) {
    QStringList noms;
    for (const PaireReglage& paire : store.getAll(SectionDemarrage)) {
        if (paire.first.startsWith(u'_'))
            noms.append(paire.first.sliced(1));
    }
    TriSelection(noms);
    state.ListConf = noms;
}

QString ControleMotifUtilisateur(const QString& motif) {
    if (motif.contains(u'|'))
        return QStringLiteral("Le motif « %1 » ne peut pas contenir le caractère « | ».")
            .arg(motif);
    return {};
}

QString SauveConfiguration(const AppState& state, SettingsStore& store, const QString& nom) {
    if (nom.isEmpty())
        return {};
    if (nom.contains(u'/') || nom.contains(u'\\'))
        return QStringLiteral(
                   "Le nom de configuration « %1 » ne peut pas contenir « / » ni « \\ ».")
            .arg(nom);
    for (int ligne = PremiereLigneUtilisateur; ligne < NbLignesTypes; ++ligne) {
        const QString message = ControleMotifUtilisateur(state.TabConf[ligne].motif);
        if (!message.isEmpty())
            return message;
    }
    store.save(SectionDemarrage, CleConfiguration(nom),
               TexteConfiguration(state.TabConf, state.options));
    return {};
}

void ChargeConfiguration(AppState& state, const SettingsStore& store, const QString& nom) {
    const QString texte =
        nom.isEmpty() ? QString() : store.get(SectionDemarrage, CleConfiguration(nom));
    LitConfiguration(texte, state.TabConf, state.options);
}

void EffaceConfiguration(SettingsStore& store, const QString& nom) {
    if (!nom.isEmpty())
        store.remove(SectionDemarrage, CleConfiguration(nom));
}

QString NomStocke(const QStringList& ListConf, const QString& texte) {
    for (const QString& nom : ListConf) {
        if (nom.compare(texte, Qt::CaseInsensitive) == 0)
            return nom;
    }
    return {};
}

}  // namespace tidemark
