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

}  // namespace

Wildcard::Wildcard(QStringView liste) {
    for (QStringView morceau : liste.tokenize(u';')) {
        const QString motif = morceau.trimmed().toString().toCaseFolded();
        if (motif.isEmpty())
            continue;
        motifs_.push_back(motif);
        if (motif.size() > 2 && motif.endsWith(u".*"))
            motifs_.push_back(motif.first(motif.size() - 2));
    }
}

bool Wildcard::correspond(QStringView nom) const {
    for (const QString& motif : motifs_) {
        if (Correspond(motif, nom))
            return true;
    }
    return false;
}

}  // namespace tidemark
