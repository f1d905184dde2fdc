#include "core/Wildcard.h"

#include "core/NomsFichier.h"

namespace tidemark {

namespace {

char16_t Plie(char16_t c) {
    return c < 0x80 ? MinusculeAscii(c) : QChar::toCaseFolded(c);
}

// Glob match of a case-folded pattern against a name folded on the fly. Backtracks only to
// the last "*", which keeps the cost linear in practice.
bool Correspond(QStringView motif, QStringView nom) {
    qsizetype m = 0, n = 0, etoile = -1, reprise = 0;
    while (n < nom.size()) {
        if (m < motif.size() && motif[m] == u'*') {
            etoile = m++;
            reprise = n;
        } else if (m < motif.size() &&
                   (motif[m] == u'?' || motif[m].unicode() == Plie(nom[n].unicode()))) {
            ++m;
            ++n;
        } else if (etoile >= 0) {
            m = etoile + 1;
            n = ++reprise;
        } else {
            return false;
        }
    }
    while (m < motif.size() && motif[m] == u'*') ++m;
    return m == motif.size();
}

// Whether the folded `litteral` stands in `nom` at `debut`.
bool EstA(QStringView nom, qsizetype debut, QStringView litteral) {
    for (qsizetype i = 0; i < litteral.size(); ++i) {
        if (litteral[i].unicode() != Plie(nom[debut + i].unicode()))
            return false;
    }
    return true;
}

// The kind of a pattern, for the usual ones ("*.prt.*", "*.xas") a plain search.
Wildcard::Genre GenreDe(QStringView motif, QStringView& litteral) {
    const auto sansJoker = [](QStringView t) {
        return !t.isEmpty() && !t.contains(u'*') && !t.contains(u'?');
    };
    if (motif.size() > 2 && motif.startsWith(u'*') && motif.endsWith(u'*') &&
        sansJoker(motif.sliced(1, motif.size() - 2))) {
        litteral = motif.sliced(1, motif.size() - 2);
        return Wildcard::Genre::Contient;
    }
    if (motif.size() > 1 && motif.startsWith(u'*') && sansJoker(motif.sliced(1))) {
        litteral = motif.sliced(1);
        return Wildcard::Genre::Termine;
    }
    return Wildcard::Genre::General;
}

}  // namespace

bool Wildcard::Motif::correspond(QStringView nom) const {
    const QStringView l = QStringView(texte).sliced(debut, longueur);
    switch (genre) {
        case Genre::Contient:
            for (qsizetype i = 0; i + l.size() <= nom.size(); ++i) {
                if (EstA(nom, i, l))
                    return true;
            }
            return false;
        case Genre::Termine:
            return nom.size() >= l.size() && EstA(nom, nom.size() - l.size(), l);
        case Genre::General:
            break;
    }
    return Correspond(texte, nom);
}

Wildcard::Wildcard(QStringView liste) {
    for (QStringView morceau : liste.tokenize(u';')) {
        const QString motif = morceau.trimmed().toString().toCaseFolded();
        if (motif.isEmpty())
            continue;
        ajoute(motif);
        if (motif.size() > 2 && motif.endsWith(u".*"))
            ajoute(motif.first(motif.size() - 2));
    }
}

void Wildcard::ajoute(const QString& motif) {
    QStringView litteral;
    const Genre genre = GenreDe(motif, litteral);
    motifs_.push_back({motif, genre,
                       litteral.isNull() ? 0 : qsizetype(litteral.data() - motif.data()),
                       litteral.size()});
}

bool Wildcard::correspond(QStringView nom) const {
    for (const Motif& motif : motifs_) {
        if (motif.correspond(nom))
            return true;
    }
    return false;
}

}  // namespace tidemark
