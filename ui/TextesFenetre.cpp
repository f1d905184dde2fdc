#include "ui/TextesFenetre.h"

#include "core/AppState.h"
#include "core/Drives.h"
#include "core/Identite.h"
#include "core/NomsFichier.h"
#include "duplicates/RechercheDoublons.h"
#include "garage/Garage.h"
#include "garage/Restauration.h"

#include <QLocale>

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

QString TexteAction(ActionJournal action) {
    switch (action) {
        case ActionJournal::Garage:
            return QStringLiteral("mise au garage");
        case ActionJournal::Suppression:
            return QStringLiteral("destruction");
        case ActionJournal::Restauration:
            return QStringLiteral("restauration");
    }
    return {};
}

QString TexteEtat(EtatFichier etat) {
    switch (etat) {
        case EtatFichier::Garage:
            return QStringLiteral("au garage");
        case EtatFichier::Restaure:
            return QStringLiteral("restauré");
        case EtatFichier::Manquant:
            return QStringLiteral("manquant");
        case EtatFichier::Detruit:
            return QStringLiteral("détruit");
    }
    return {};
}

QString TexteOctets(qint64 octets) {
    return QLocale(QLocale::French).toString(octets) + QStringLiteral(" octets");
}

namespace {

// "1 fichier", "3 fichiers", followed by `participe` agreed ("1 fichier restauré").
QString Fichiers(qsizetype n, const QString& participe = {}) {
    const QString s = n > 1 ? QStringLiteral("s") : QString();
    return QString::number(n) + QStringLiteral(" fichier") + s +
           (participe.isEmpty() ? QString() : u' ' + participe + s);
}

}  // namespace

QString QuestionVidage(int jours, qsizetype nombre, qint64 octets) {
    const QString quand = jours > 0
                              ? QStringLiteral(" mis au garage il y a plus de %1 jours").arg(jours)
                              : QStringLiteral(" du garage");
    return QStringLiteral("Détruire définitivement ") + Fichiers(nombre) + quand +
           QStringLiteral(" (") + TexteOctets(octets) +
           QStringLiteral(") ?\nIls ne pourront plus être restaurés.");
}

QString BilanGarage(const ResultatGarage& resultat, bool vidage) {
    if (!resultat.trouvee)
        return QStringLiteral("Cette exécution n'est plus dans le journal.");
    QString texte = Fichiers(qsizetype(resultat.faits.size()),
                             vidage ? QStringLiteral("détruit") : QStringLiteral("restauré")) +
                    u'.';
    if (resultat.abandonne)
        texte = QStringLiteral("Abandonné : une autre purge tenait le garage. ") + texte;
    if (!resultat.echecs.empty()) {
        texte += u' ' + Fichiers(qsizetype(resultat.echecs.size()), QStringLiteral("laissé")) +
                 QStringLiteral(" au garage :");
        const std::size_t montres = std::min<std::size_t>(resultat.echecs.size(), 3);
        for (std::size_t i = 0; i < montres; ++i)
            texte += u'\n' + resultat.echecs[i].chemin + QStringLiteral(" : ") +
                     resultat.echecs[i].raison;
        if (montres < resultat.echecs.size())
            texte += QStringLiteral("\n…");
    }
    for (const QString& avis : resultat.avis) texte += u'\n' + avis;
    return texte;
}

}  // namespace tidemark
