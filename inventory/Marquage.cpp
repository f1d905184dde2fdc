#include "inventory/Marquage.h"

#include "core/Identite.h"

#include <algorithm>

namespace tidemark {

namespace {

// Gives EtatMarque one state per entry before a command changes it: the list may come
// from a scan that filled TabFich only.
void PrepareEtats(AppState& state) {
    if (state.EtatMarque.size() != state.TabFich.size())
        state.EtatMarque.resize(state.TabFich.size(), EtatVide);
}

void Bascule(quint8& etat) {
    etat = etat != EtatVide ? EtatVide : EtatX;
}

// True when the line made of `marque` and `entree` contains `filtre` without regard to case.
// The line is put together in `tampon`, reused from one line to the next, because a filter
// may straddle the mark and the entry (" X  pis").
bool LigneContient(QStringView marque, const QString& entree, QStringView filtre, QString& tampon) {
    tampon.clear();
    tampon.append(marque);
    tampon.append(entree);
    return tampon.contains(filtre, Qt::CaseInsensitive);
}

}  // namespace

int EtatDeLigne(const AppState& state, std::size_t i) {
    if (!state.ListeDeFichiers || i >= state.EtatMarque.size() || i >= state.TabFich.size())
        return EtatVide;
    return state.EtatMarque[i];
}

QString TexteLigne(const AppState& state, std::size_t i) {
    QString ligne = MarqueDEtat(EtatDeLigne(state, i)).toString();
    if (i < state.TabFich.size())
        ligne.append(state.TabFich[i]);
    return ligne;
}

qsizetype CompteMarquees(const AppState& state) {
    if (!state.ListeDeFichiers)
        return 0;
    const std::size_t n = std::min(state.EtatMarque.size(), state.TabFich.size());
    return std::count_if(state.EtatMarque.begin(), state.EtatMarque.begin() + qsizetype(n),
                         [](quint8 etat) { return EstMarquee(etat); });
}

TailleMarquees TailleDesMarquees(const AppState& state) {
    TailleMarquees taille;
    if (!state.ListeDeFichiers)
        return taille;
    const std::size_t n = std::min(state.EtatMarque.size(), state.TabFich.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (!EstMarquee(state.EtatMarque[i]))
            continue;
        if (const InfoFichier* info = state.InfosLues.trouve(qint32(i)))
            taille.octets += info->taille;
        else
            ++taille.sansTaille;
    }
    return taille;
}

qsizetype Cocher(AppState& state, const QList<int>& lignesSelectionnees) {
    if (state.ListeDeFichiers) {
        PrepareEtats(state);
        // A selection is a set of rows: walked in list order, each row once.
        QList<int> lignes = lignesSelectionnees;
        std::sort(lignes.begin(), lignes.end());
        lignes.erase(std::unique(lignes.begin(), lignes.end()), lignes.end());
        for (const int i : lignes) {
            if (i >= 0 && std::size_t(i) < state.EtatMarque.size())
                Bascule(state.EtatMarque[std::size_t(i)]);
        }
    }
    return CompteMarquees(state);
}

qsizetype Inverser(AppState& state) {
    if (state.ListeDeFichiers) {
        PrepareEtats(state);
        for (quint8& etat : state.EtatMarque) Bascule(etat);
    }
    return CompteMarquees(state);
}

namespace {

// Every line in state `de` whose text (its mark, then its entry) contains the filter, without
// regard to case, goes to state `vers`.
void ChangeSiContient(AppState& state, QStringView filtre, EtatLigne de, EtatLigne vers) {
    if (!state.ListeDeFichiers)
        return;
    PrepareEtats(state);
    const QStringView marque = MarqueDEtat(de);
    QString tampon;
    for (std::size_t i = 0; i < state.TabFich.size(); ++i) {
        quint8& etat = state.EtatMarque[i];
        if (etat == de && LigneContient(marque, state.TabFich[i], filtre, tampon))
            etat = vers;
    }
}

}  // namespace

qsizetype Ajouter(AppState& state, QStringView filtre) {
    ChangeSiContient(state, filtre, EtatVide, EtatX);
    return CompteMarquees(state);
}

qsizetype Enlever(AppState& state, QStringView filtre) {
    ChangeSiContient(state, filtre, EtatX, EtatVide);
    return CompteMarquees(state);
}

}  // namespace tidemark
