#include "ui/TextesFenetre.h"

#include "core/AppState.h"
#include "core/Drives.h"
#include "core/Identite.h"
#include "core/NomsFichier.h"
#include "duplicates/RechercheDoublons.h"
#include "garage/Garage.h"

#include <algorithm>

namespace tidemark {

QString TexteTxtFich1() {
    return QStringLiteral(
        "Cliquez sur 'Traitement multiple' Les fichiers déplacés le seront "
        "dans un répertoire 'garage'. ");
}

QString TexteTxtFich2(const QString& repertoire) {
    // The garage of the chosen directory by the garage's own rule; a drive given alone
    // ("C:") stands for its root.
    QString base = repertoire;
    if (base.size() == 2 && EstCheminLecteur(base))
        base += u'\\';
    const QString garage =
        base.size() >= 3 && EstCheminLecteur(base) && base[2] == u'\\' ? CheminGarage(base) : base;
    return QStringLiteral("Ce répertoire garage sera :") + garage +
           QStringLiteral(" en conservant la sous-arborescence d'origine");
}

QString LigneAffichage(QStringView premier, QStringView second) {
    const qsizetype espaces = std::max<qsizetype>(ColonneSecondChemin - 1 - premier.size(), 2);
    QString ligne;
    ligne.reserve(premier.size() + espaces + second.size());
    ligne.append(premier);
    ligne.append(QString(espaces, u' '));
    ligne.append(second);
    return ligne;
}

QString LigneCouple(const AppState& state, std::size_t k) {
    return LigneAffichage(TexteCouple1(state, k), TexteCouple2(state, k));
}

QString LigneListeVoisin(const AppState& state, std::size_t k) {
    QString ligne = MarqueVide.toString();
    return ligne.append(LigneCouple(state, k));
}

}  // namespace tidemark
