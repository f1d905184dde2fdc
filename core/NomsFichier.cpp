#include "core/NomsFichier.h"

#include <limits>

namespace tidemark {

PartiesEntree Decoupe(QStringView entree) {
    // One walk from the end: the first dot met is the last one, the last dot met before the
    // "\" (or the start) is the first one.
    PartiesEntree p;
    qsizetype barre = -1;
    for (qsizetype i = entree.size() - 1; i >= 0; --i) {
        const char16_t c = entree[i].unicode();
        if (c == u'\\') {
            barre = i;
            break;
        }
        if (c == u'.') {
            if (p.dernierPoint < 0)
                p.dernierPoint = i;
            p.premierPoint = i;
        }
    }
    const qsizetype debut = barre + 1;
    p.repertoire = barre < 0 ? QStringView() : entree.first(barre);
    p.fichier = entree.sliced(debut);
    if (p.premierPoint >= 0) {
        p.premierPoint -= debut;
        p.dernierPoint -= debut;
    }
    const bool plusieurs = p.premierPoint >= 0 && p.dernierPoint != p.premierPoint;
    p.sansRevision = plusieurs ? p.fichier.first(p.dernierPoint) : p.fichier;
    if (plusieurs)
        p.type = p.fichier.sliced(p.premierPoint + 1, p.dernierPoint - p.premierPoint - 1);
    else if (p.premierPoint >= 0)
        p.type = p.fichier.sliced(p.premierPoint + 1);
    return p;
}

int PartiesEntree::revision(bool sansIndicePrioritaire) const {
    if (premierPoint < 0)
        return 0;
    if (dernierPoint != premierPoint)
        return ValeurEntiere(fichier.sliced(dernierPoint + 1));
    return sansIndicePrioritaire ? RevisionSansIndicePrioritaire : 0;
}

QStringView NomFichier(QStringView entree) {
    return Decoupe(entree).fichier;
}

QStringView NomRepertoire(QStringView entree) {
    return Decoupe(entree).repertoire;
}

QStringView NomSansRevision(QStringView entree) {
    return Decoupe(entree).sansRevision;
}

QStringView TypeFichier(QStringView entree) {
    return Decoupe(entree).type;
}

int NumRevision(QStringView entree, bool sansIndicePrioritaire) {
    return Decoupe(entree).revision(sansIndicePrioritaire);
}

bool EgauxSansCasse(QStringView a, QStringView b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype k = 0; k < a.size(); ++k) {
        const char16_t x = a[k].unicode();
        const char16_t y = b[k].unicode();
        if (x == y)
            continue;
        // Beyond ASCII, folding may join different code units (the Kelvin sign and "k"):
        // the library decides for the whole text.
        if (x >= 0x80 || y >= 0x80)
            return a.compare(b, Qt::CaseInsensitive) == 0;
        if (MinusculeAscii(x) != MinusculeAscii(y))
            return false;
    }
    return true;
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
