#include "duplicates/NomsVoisins.h"

#include "core/Identite.h"
#include "core/NomsFichier.h"

#include <QHash>

namespace tidemark {

namespace {

// A radical seen with one position left out: its length, the part before the position and
// the part after it. Beyond the radical's end nothing is left out.
struct CleVoisin {
    qsizetype longueur;
    QStringView tete;
    QStringView queue;

    CleVoisin(QStringView radical, int position) : longueur(radical.size()) {
        if (position <= longueur) {
            tete = radical.first(position - 1);
            queue = radical.sliced(position);
        } else {
            tete = radical;
        }
    }
    bool operator==(const CleVoisin& autre) const {
        return longueur == autre.longueur && MemeRadical(tete, autre.tete) &&
               MemeRadical(queue, autre.queue);
    }
};
size_t qHash(const CleVoisin& cle, size_t graine) {
    const size_t tete = HachageSansCasse(cle.tete, graine ^ size_t(cle.longueur));
    return HachageSansCasse(cle.queue, tete);
}

QString Refus(const QString& raison) {
    return QStringLiteral("Détection refusée : ") + raison;
}

bool QueDesChiffres(QStringView texte) {
    for (const QChar c : texte) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return !texte.isEmpty();
}

}  // namespace

PositionLue LitPosition(QStringView texte) {
    PositionLue lue;
    const QStringView nombre = texte.trimmed();
    if (nombre.isEmpty()) {
        lue.motif =
            Refus(QStringLiteral("tapez dans « Numéro du caractère à tester » la "
                                 "position du caractère, un nombre entier à partir de "
                                 "1."));
        return lue;
    }
    // A negative whole number is a position below 1, not a text that is no number.
    const bool negatif = nombre.startsWith(u'-') && QueDesChiffres(nombre.sliced(1));
    if (!negatif && !QueDesChiffres(nombre)) {
        lue.motif = Refus(QStringLiteral("« %1 » n'est pas un nombre entier ; tapez la position "
                                         "du caractère à tester, à partir de 1.")
                              .arg(nombre.toString()));
        return lue;
    }
    const int valeur = negatif ? 0 : ValeurEntiere(nombre);
    if (valeur < 1) {
        lue.motif = Refus(QStringLiteral("la position « %1 » est inférieure à 1 ; les "
                                         "caractères se comptent à partir de 1.")
                              .arg(nombre.toString()));
        return lue;
    }
    lue.position = valeur;
    return lue;
}

ResultatVoisins DetecteNomsVoisins(const AppState& state, const DemandeVoisins& demande) {
    ResultatVoisins resultat;
    if (!demande.sousRepertoires)
        return resultat;
    const PositionLue lue = LitPosition(demande.NumCar);
    if (!lue.position) {
        resultat.refuse = true;
        resultat.motif = lue.motif;
        return resultat;
    }
    resultat.effectue = true;
    resultat.position = *lue.position;

    // Each radical is cut once and grouped by its key; the couples are then the pairs of
    // each group, in the order of the list.
    const std::vector<QString>& liste = state.TabFich;
    const qsizetype n = qsizetype(liste.size());
    std::vector<qint32> groupe(static_cast<std::size_t>(n));
    QHash<CleVoisin, qint32> cles;
    cles.reserve(n / 4 + 16);
    for (qsizetype i = 0; i < n; ++i) {
        const CleVoisin cle(NomSansRevision(liste[std::size_t(i)]), resultat.position);
        auto it = cles.constFind(cle);
        if (it == cles.cend())
            it = cles.insert(cle, qint32(cles.size()));
        groupe[std::size_t(i)] = it.value();
    }
    const Groupes groupes = RangeParGroupe(std::move(groupe), qint32(cles.size()));

    std::vector<AppState::Couple>& couples = resultat.couples;
    const qint64 capacite = std::max<qint32>(demande.capacite, 0);
    std::vector<qint32> curseur(groupes.debut.begin(), groupes.debut.end() - 1);
    AvanceurProgression avance(demande.progression, n);
    for (qsizetype i = 0; i < n && !resultat.capaciteAtteinte; ++i) {
        avance.a(i);
        const qint32 g = groupes.groupe[std::size_t(i)];
        const qint32 fin = groupes.debut[std::size_t(g) + 1];
        for (qint32 u = ++curseur[std::size_t(g)]; u < fin; ++u) {
            if (qint64(couples.size()) >= capacite) {
                resultat.capaciteAtteinte = true;
                break;
            }
            couples.push_back({qint32(i), groupes.membres[std::size_t(u)]});
        }
    }
    couples.shrink_to_fit();
    if (resultat.capaciteAtteinte)
        resultat.avis.append(TexteCapaciteAtteinte(capacite).trimmed());
    return resultat;
}

}  // namespace tidemark
