#include "core/NomsFichier.h"

#include <limits>

namespace tidemark {

namespace {

// The positions of the first and last dot of a name part, -1 when there is none.
struct Points {
    qsizetype premier;
    qsizetype dernier;
    bool plusieurs() const { return premier >= 0 && dernier != premier; }
    bool unSeul() const { return premier >= 0 && dernier == premier; }
};

Points ChercherPoints(QStringView nom) {
    return {nom.indexOf(u'.'), nom.lastIndexOf(u'.')};
}

}  // namespace

QStringView NomFichier(QStringView entree) {
    return entree.sliced(entree.lastIndexOf(u'\\') + 1);
}

QStringView NomRepertoire(QStringView entree) {
    const qsizetype barre = entree.lastIndexOf(u'\\');
    return barre < 0 ? QStringView() : entree.first(barre);
}

QStringView NomSansRevision(QStringView entree) {
    const QStringView nom = NomFichier(entree);
    const Points points = ChercherPoints(nom);
    return points.plusieurs() ? nom.first(points.dernier) : nom;
}

QStringView TypeFichier(QStringView entree) {
    const QStringView nom = NomFichier(entree);
    const Points points = ChercherPoints(nom);
    if (points.plusieurs())
        return nom.sliced(points.premier + 1, points.dernier - points.premier - 1);
    if (points.unSeul())
        return nom.sliced(points.premier + 1);
    return {};
}

int NumRevision(QStringView entree, bool sansIndicePrioritaire) {
    const QStringView nom = NomFichier(entree);
    const Points points = ChercherPoints(nom);
    if (points.plusieurs())
        return ValeurEntiere(nom.sliced(points.dernier + 1));
    if (points.unSeul() && sansIndicePrioritaire)
        return RevisionSansIndicePrioritaire;
    return 0;
}

int ValeurEntiere(QStringView texte) {
    constexpr qint64 maximum = std::numeric_limits<int>::max();
    qsizetype i = 0;
    while (i < texte.size() && texte[i] == u' ') ++i;
    qint64 valeur = 0;
    for (; i < texte.size(); ++i) {
        const char16_t c = texte[i].unicode();
        if (c < u'0' || c > u'9')
            break;
        valeur = std::min(maximum, valeur * 10 + (c - u'0'));
    }
    return static_cast<int>(valeur);
}

}  // namespace tidemark
