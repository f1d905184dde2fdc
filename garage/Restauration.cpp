#include "garage/Restauration.h"

#include "core/Drives.h"
#include "core/FileSystem.h"

#include <QDir>
#include <QHash>
#include <QSet>

#include <cerrno>

namespace tidemark {

namespace {

using Executions = std::vector<ExecutionJournal>;

QList<QChar> Lettres(const DriveMap& lecteurs, const QList<QChar>& lettres) {
    return lettres.isEmpty() ? lecteurs.lettres() : lettres;
}

// True when the garage copy of `f` is the one its run left: same size and modification time.
bool CopieIntacte(const FichierJournal& f, const DriveMap& lecteurs, const FileSystem& fs) {
    const std::optional<QString> hote = lecteurs.versHote(f.garage);
    bool dossier = false;
    const std::optional<InfoFichier> info = hote ? fs.info(*hote, dossier) : std::nullopt;
    return info && !dossier && info->taille == f.taille && info->modificationNs == f.modificationNs;
}

// The original paths a restore of run `id` on drive `lettre` brought back.
QSet<QString> Restaures(const Executions& executions, const QString& id, QChar lettre) {
    QSet<QString> chemins;
    for (const ExecutionJournal& e : executions) {
        if (e.action != ActionJournal::Restauration || e.source != id || e.lettre != lettre)
            continue;
        for (const FichierJournal& f : e.fichiers) chemins.insert(f.original);
    }
    return chemins;
}

// The latest run after `apres` that moved a file to `garage`, or empty.
QString RemplacePar(const Executions& executions, const ExecutionJournal& apres,
                    const QString& garage) {
    QString id;
    bool suivant = false;
    for (const ExecutionJournal& e : executions) {
        if (&e == &apres) {
            suivant = true;
            continue;
        }
        if (!suivant || e.lettre != apres.lettre)
            continue;
        for (const FichierJournal& f : e.fichiers) {
            if (f.action == ActionJournal::Garage && f.garage == garage)
                id = e.id;
        }
    }
    return id;
}

// Removes the garage folders of `cheminGarage` that its leaving made empty, from its own
// folder up to (not including) the garage folder X:\_.
void RetireDossiersVides(const QString& cheminGarage, const DriveMap& lecteurs) {
    for (qsizetype fin = cheminGarage.lastIndexOf(u'\\'); fin > 4;
         fin = cheminGarage.lastIndexOf(u'\\', fin - 1)) {
        const std::optional<QString> hote = lecteurs.versHote(cheminGarage.first(fin));
        if (!hote || !QDir().rmdir(*hote))
            return;
    }
}

// Remakes the folders of `original` that are missing, one level at a time. The reason of a
// failure, or nothing.
std::optional<QString> RefaitDossiers(const QString& original, const DriveMap& lecteurs,
                                      FileSystem& fs) {
    const qsizetype finDossier = original.lastIndexOf(u'\\');
    for (qsizetype fin = original.indexOf(u'\\', 3); fin > 0 && fin <= finDossier;
         fin = original.indexOf(u'\\', fin + 1)) {
        const QString niveau = original.first(fin);
        const std::optional<QString> hote = lecteurs.versHote(niveau);
        if (!hote)
            return DriveMap::MessageHorsLecteur(niveau);
        if (fs.folderExists(*hote))
            continue;
        const ResultatFs cree = fs.createFolder(*hote);
        if (!cree.ok())
            return QStringLiteral(
                       "le dossier « %1 » ne peut pas être refait (%2) ; le fichier "
                       "reste au garage")
                .arg(niveau, cree.raison);
    }
    return std::nullopt;
}

// Brings one file back. The reason it stays in the garage, or nothing.
std::optional<QString> Restaure(const FichierJournal& f, const DriveMap& lecteurs, FileSystem& fs) {
    const std::optional<QString> source = lecteurs.versHote(f.garage);
    const std::optional<QString> cible = lecteurs.versHote(f.original);
    if (!source || !cible)
        return DriveMap::MessageHorsLecteur(f.original);
    bool dossier = false;
    const std::optional<InfoFichier> lu = fs.info(*source, dossier);
    if (!lu || dossier || lu->taille != f.taille || lu->modificationNs != f.modificationNs)
        return QStringLiteral("sa copie au garage a changé entre-temps ; elle y reste");
    if (fs.fileExists(*cible) || fs.folderExists(*cible))
        return QStringLiteral("un autre fichier occupe de nouveau sa place ; il reste au garage");
    if (const std::optional<QString> raison = RefaitDossiers(f.original, lecteurs, fs))
        return raison;
    const ResultatFs deplace = fs.move(*source, *cible, Remplacement::Jamais, &*lu);
    if (deplace.erreur == EEXIST)
        return QStringLiteral("un autre fichier occupe de nouveau sa place ; il reste au garage");
    if (!deplace.ok())
        return QStringLiteral("retour impossible (%1) ; le fichier reste au garage")
            .arg(deplace.raison);
    return std::nullopt;
}

// Every file of a garage folder and below, as garage drive paths (X:\_\...), in name order;
// hidden entries are passed over. `dossiers` receives the folders, deepest last.
void Parcourt(const QString& hote, const QString& lecteur, const FileSystem& fs,
              QStringList& fichiers, QStringList& dossiers) {
    const QStringList noms = QDir(hote).entryList(
        QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name | QDir::DirsLast);
    for (const QString& nom : noms) {
        if (nom.contains(u'\\'))
            continue;  // no drive path can name it
        const QString chemin = hote + u'/' + nom;
        bool dossier = false;
        if (!fs.info(chemin, dossier))
            continue;
        if (dossier) {
            dossiers.append(lecteur + u'\\' + nom);
            Parcourt(chemin, lecteur + u'\\' + nom, fs, fichiers, dossiers);
        } else {
            fichiers.append(lecteur + u'\\' + nom);
        }
    }
}

}  // namespace

QString NomEtat(EtatFichier etat) {
    switch (etat) {
        case EtatFichier::Garage:
            return QStringLiteral("garage");
        case EtatFichier::Restaure:
            return QStringLiteral("restored");
        case EtatFichier::Manquant:
            return QStringLiteral("missing");
        case EtatFichier::Detruit:
            return QStringLiteral("deleted");
    }
    return {};
}

std::vector<LigneExecution> EtatExecution(const Executions& executions, const QString& id,
                                          const DriveMap& lecteurs, const FileSystem& fs) {
    std::vector<LigneExecution> lignes;
    for (const ExecutionJournal& e : executions) {
        if (e.id != id)
            continue;
        const QSet<QString> restaures = Restaures(executions, id, e.lettre);
        for (const FichierJournal& f : e.fichiers) {
            LigneExecution ligne;
            ligne.fichier = f;
            if (f.action == ActionJournal::Suppression)
                ligne.etat = EtatFichier::Detruit;
            else if (f.action == ActionJournal::Restauration || restaures.contains(f.original))
                ligne.etat = EtatFichier::Restaure;
            else
                ligne.etat =
                    CopieIntacte(f, lecteurs, fs) ? EtatFichier::Garage : EtatFichier::Manquant;
            lignes.push_back(std::move(ligne));
        }
    }
    return lignes;
}

namespace {

// The start of a run on the garages of `lettres`: their lock taken (a dry run changes nothing
// and takes none), then the journals read, so that what they say holds while it is held.
// False when the wait for another run's lock was given up.
bool PrendGarages(const DriveMap& lecteurs, const QList<QChar>& lettres, FileSystem& fs, bool essai,
                  const AttenteVerrou& attente, VerrousGarage& verrous, Executions& executions) {
    if (!essai && !verrous.prend(Lettres(lecteurs, lettres), lecteurs, false, fs, attente))
        return false;
    executions = LitJournaux(lecteurs, lettres);
    return true;
}

}  // namespace

ResultatGarage RestaureExecution(const QString& id, const DriveMap& lecteurs,
                                 const QList<QChar>& lettres, FileSystem& fs, bool essai,
                                 const QStringList& choisis, const AttenteVerrou& attente,
                                 const QDateTime& maintenant, DemandeArret* arret) {
    ResultatGarage resultat;
    VerrousGarage verrous;
    Executions executions;
    if (!PrendGarages(lecteurs, lettres, fs, essai, attente, verrous, executions)) {
        resultat.abandonne = true;
        return resultat;
    }
    resultat.trouvee = false;
    JournalGarage journal(ActionJournal::Restauration, lecteurs, maintenant, id);
    QSet<QString> vus;
    for (const ExecutionJournal& e : executions) {
        if (e.id != id)
            continue;
        resultat.trouvee = true;
        const QSet<QString> restaures = Restaures(executions, id, e.lettre);
        for (const FichierJournal& f : e.fichiers) {
            if (f.action != ActionJournal::Garage || restaures.contains(f.original) ||
                (!choisis.isEmpty() && !choisis.contains(f.original)) || vus.contains(f.garage))
                continue;
            if (arret && arret->verifie()) {
                resultat.arrete = true;
                break;
            }
            vus.insert(f.garage);
            std::optional<QString> raison;
            if (!CopieIntacte(f, lecteurs, fs)) {
                const QString apres = RemplacePar(executions, e, f.garage);
                raison = apres.isEmpty() ? QStringLiteral("il n'est plus au garage")
                                         : QStringLiteral(
                                               "sa copie au garage a été remplacée par l'exécution "
                                               "%1 ; restaurez celle-ci pour la reprendre")
                                               .arg(apres);
            } else if (!essai) {
                raison = Restaure(f, lecteurs, fs);
            }
            if (raison) {
                resultat.echecs.push_back({f.original, *raison});
                continue;
            }
            FichierJournal fait = f;
            fait.action = ActionJournal::Restauration;
            resultat.faits.push_back(fait);
            if (!essai) {
                journal.note(fait);
                RetireDossiersVides(f.garage, lecteurs);
            }
        }
        if (resultat.arrete)
            break;
    }
    resultat.execution = journal.id();
    resultat.avis = journal.avis();
    return resultat;
}

ResultatGarage VideGarage(int jours, const DriveMap& lecteurs, const QList<QChar>& lettres,
                          FileSystem& fs, bool essai, const AttenteVerrou& attente,
                          const QDateTime& maintenant, DemandeArret* arret) {
    ResultatGarage resultat;
    VerrousGarage verrous;
    Executions executions;
    if (!PrendGarages(lecteurs, lettres, fs, essai, attente, verrous, executions)) {
        resultat.abandonne = true;
        return resultat;
    }
    const qint64 limiteNs = maintenant.addDays(-qint64(jours)).toMSecsSinceEpoch() * 1000000;
    JournalGarage journal(ActionJournal::Suppression, lecteurs, maintenant);
    for (const QChar lettre : Lettres(lecteurs, lettres)) {
        const QString garage = QString(lettre.toUpper()) + QStringLiteral(":\\_");
        const std::optional<QString> hote = lecteurs.versHote(garage);
        if (!hote || !fs.folderExists(*hote))
            continue;
        // When each garage copy arrived, as the journal tells: the latest run that moved a file
        // of this size and date there.
        QHash<QString, qint64> arrivees;
        for (const ExecutionJournal& e : executions) {
            if (e.lettre != lettre.toUpper() || !e.date.isValid())
                continue;
            for (const FichierJournal& f : e.fichiers) {
                if (f.action == ActionJournal::Garage)
                    arrivees.insert(f.garage + u'\t' + QString::number(f.taille) + u'\t' +
                                        QString::number(f.modificationNs),
                                    e.date.toMSecsSinceEpoch() * 1000000);
            }
        }
        QStringList fichiers, dossiers;
        Parcourt(*hote, garage, fs, fichiers, dossiers);
        for (const QString& chemin : std::as_const(fichiers)) {
            if (arret && arret->verifie()) {
                resultat.arrete = true;
                break;
            }
            const QString fichierHote = *lecteurs.versHote(chemin);
            const std::optional<InfoFichier> info = fs.info(fichierHote);
            if (!info)
                continue;
            const qint64 arrivee = arrivees.value(chemin + u'\t' + QString::number(info->taille) +
                                                      u'\t' + QString::number(info->modificationNs),
                                                  info->modificationNs);
            if (jours > 0 && arrivee >= limiteNs)
                continue;
            if (!essai) {
                const ResultatFs efface = fs.forceRemove(fichierHote);
                if (!efface.ok()) {
                    resultat.echecs.push_back({chemin, efface.raison});
                    continue;
                }
            }
            const FichierJournal fait{ActionJournal::Suppression, CheminOriginal(chemin), chemin,
                                      info->taille, info->modificationNs};
            resultat.faits.push_back(fait);
            if (!essai)
                journal.note(fait);
        }
        if (essai)
            continue;
        // Deepest folders first (a stopped run's too: only the empty ones go), so a folder emptied
        // of its folders goes too.
        for (qsizetype i = dossiers.size() - 1; i >= 0; --i)
            QDir().rmdir(*lecteurs.versHote(dossiers[i]));
        if (resultat.arrete)
            break;
    }
    resultat.execution = journal.id();
    resultat.avis = journal.avis();
    return resultat;
}

}  // namespace tidemark
