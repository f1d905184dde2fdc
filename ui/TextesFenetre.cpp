#include "ui/TextesFenetre.h"

#include "core/AppState.h"
#include "core/Drives.h"
#include "core/Identite.h"
#include "core/NomsFichier.h"
#include "duplicates/RechercheDoublons.h"
#include "garage/Garage.h"
#include "garage/Restauration.h"
#include "session/Session.h"

#include <QLocale>

#include <algorithm>

namespace tidemark {

namespace {

QLocale Francais() {
    return QLocale(QLocale::French, QLocale::France);
}

// "1 fichier détruit", "3 fichiers déplacés": "s" added to both words above one.
QString Accorde(qsizetype n, QStringView nom, QStringView participe) {
    const QString s = n > 1 ? QStringLiteral("s") : QString();
    QString texte = TexteNombre(n, nom, nom.toString() + s);
    texte += u' ';
    texte += participe;
    return texte + s;
}

// The bytes of `octets` and the files of unknown size beside them, for parentheses.
QString TexteTaille(qint64 octets, qsizetype sansTaille, qsizetype fichiers) {
    if (sansTaille >= fichiers)
        return QStringLiteral("taille inconnue");
    QString texte = TexteOctets(octets);
    if (sansTaille > 0)
        texte += QStringLiteral(", plus %1 de taille inconnue")
                     .arg(TexteNombre(sansTaille, u"fichier", u"fichiers"));
    return texte;
}

}  // namespace

QString TexteOctets(qint64 octets) {
    const QLocale francais = Francais();
    if (octets < 1024)
        return francais.toString(octets) +
               (octets > 1 ? QStringLiteral(" octets") : QStringLiteral(" octet"));
    static constexpr QStringView unites[] = {u"Ko", u"Mo", u"Go", u"To"};
    double valeur = double(octets) / 1024;
    int unite = 0;
    while (valeur >= 1024 && unite < 3) {
        valeur /= 1024;
        ++unite;
    }
    QString texte = francais.toString(valeur, 'f', 1);
    texte += u' ';
    texte += unites[unite];
    return texte;
}

QString TexteNombre(qsizetype n, QStringView singulier, QStringView pluriel) {
    QString texte = Francais().toString(qint64(n));
    texte += u' ';
    texte += n > 1 ? pluriel : singulier;
    return texte;
}

QString QuestionDisposition(const ApercuDisposition& apercu, ModeDisposition mode) {
    const bool plusieurs = apercu.fichiers > 1;
    QString texte = TexteNombre(apercu.fichiers, u"fichier", u"fichiers");
    texte += QStringLiteral(" (%1) ").arg(
        TexteTaille(apercu.octets, apercu.sansTaille, apercu.fichiers));
    texte += plusieurs ? u"vont être " : u"va être ";
    if (mode == ModeDisposition::Detruire) {
        texte += plusieurs ? u"détruits définitivement." : u"détruit définitivement.";
    } else {
        texte += plusieurs ? u"déplacés" : u"déplacé";
        texte += apercu.garages.size() > 1 ? u" vers les garages " : u" vers le garage ";
        texte += apercu.garages.join(QStringLiteral(", "));
        texte += u'.';
    }
    texte += u"\n\nContinuer ?";
    return texte;
}

QString RapportDisposition(const BilanDisposition& bilan) {
    const bool detruits = bilan.mode == ModeDisposition::Detruire;
    QString texte;
    if (bilan.traites == 0) {
        texte = detruits ? QStringLiteral("Aucun fichier détruit")
                         : QStringLiteral("Aucun fichier déplacé vers le garage");
    } else {
        texte = Accorde(bilan.traites, u"fichier", detruits ? u"détruit" : u"déplacé");
        if (!detruits)
            texte += u" vers le garage";
        texte +=
            QStringLiteral(" (%1)").arg(TexteTaille(bilan.octets, bilan.sansTaille, bilan.traites));
    }
    QStringList laisses;
    if (const qsizetype n = bilan.cheminsLaisses.size(); n > 0)
        laisses.append(Accorde(n, u"fichier", u"laissé") + QStringLiteral(" en lecture seule"));
    if (const qsizetype n = qsizetype(bilan.echecs.size()); n > 0)
        laisses.append(Accorde(n, u"fichier", u"non traité") +
                       QStringLiteral(" (modifié depuis l'analyse ou en échec)"));
    if (bilan.arrete && bilan.restants > 0)
        laisses.append(Accorde(bilan.restants, u"fichier", u"laissé") +
                       QStringLiteral(" par l'arrêt"));
    for (const QString& laisse : laisses) {
        texte += u" ; ";
        texte += laisse;
    }
    texte += u'.';
    return texte;
}

QString DetailsRapport(const BilanDisposition& bilan) {
    if (bilan.cheminsLaisses.isEmpty())
        return {};
    return QStringLiteral("Fichiers en lecture seule laissés en place :\n") +
           bilan.cheminsLaisses.join(u'\n');
}

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
        case ActionJournal::Annulation:
            break;  // never the action of a run
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
        case EtatFichier::EnPlace:
            return QStringLiteral("resté en place");
    }
    return {};
}

namespace {

// "1 fichier", "3 fichiers", followed by `participe` agreed ("1 fichier restauré").
QString Fichiers(qsizetype n, const QString& participe = {}) {
    const QString s = n > 1 ? QStringLiteral("s") : QString();
    return TexteNombre(n, u"fichier", u"fichiers") +
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
    if (resultat.arrete)
        texte = QStringLiteral("Arrêté avant la fin : ") + texte +
                QStringLiteral(" Les autres n'ont pas été touchés.");
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
