#include "garage/Restauration.h"

#include "core/Drives.h"
#include "core/FileSystem.h"

#include <QDir>
#include <QHash>
#include <QSet>

#include <cerrno>
#include <functional>
#include <limits>

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

// True when the file is still at its original place as its line describes it: its move or
// delete never happened (the run was killed between the line and the act).
bool OriginalIntact(const FichierJournal& f, const DriveMap& lecteurs, const FileSystem& fs) {
    const std::optional<QString> hote = lecteurs.versHote(f.original);
    bool dossier = false;
    const std::optional<InfoFichier> info = hote ? fs.info(*hote, dossier) : std::nullopt;
    return info && !dossier && info->taille == f.taille && info->modificationNs == f.modificationNs;
}

// The original paths a restore of run `id` on drive `lettre` brought back: lines that went,
// whose garage copy is gone (a restore killed before its move left the copy there).
QSet<QString> Restaures(const Executions& executions, const QString& id, QChar lettre,
                        const DriveMap& lecteurs, const FileSystem& fs) {
    QSet<QString> chemins;
    for (const ExecutionJournal& e : executions) {
        if (e.action != ActionJournal::Restauration || e.source != id || e.lettre != lettre)
            continue;
        for (const FichierJournal& f : e.fichiers) {
            if (f.fait && !CopieIntacte(f, lecteurs, fs))
                chemins.insert(f.original);
        }
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
            if (f.action == ActionJournal::Garage && f.fait && f.garage == garage)
                id = e.id;
        }
    }
    return id;
}

// The parent of a drive path ("X:" for X:\\a) and its last name.
std::pair<QString, QString> Coupe(const QString& chemin) {
    const qsizetype i = chemin.lastIndexOf(u'\\');
    return {chemin.first(i == 2 ? 2 : i), chemin.sliced(i + 1)};
}

// Removes the folder `dossier` (a drive path) if it is empty, through its parent reached from
// the drive root without following a link. False when it stays.
bool RetireSiVide(const QString& dossier, const DriveMap& lecteurs, FileSystem& fs) {
    DossiersGarage chaine;
    DossiersGarage::PtrNiveau parent;
    QString fautif;
    const auto [haut, nom] = Coupe(dossier);
    return chaine.tiens(haut, lecteurs, fs, parent, fautif, false).ok() &&
           QDir().rmdir(parent->dossier.acces() + u'/' + nom);
}

// Removes the garage folders of `cheminGarage` that its leaving made empty, from its own
// folder up to (not including) the garage folder X:\_.
void RetireDossiersVides(const QString& cheminGarage, const DriveMap& lecteurs, FileSystem& fs) {
    for (qsizetype fin = cheminGarage.lastIndexOf(u'\\'); fin > 4;
         fin = cheminGarage.lastIndexOf(u'\\', fin - 1)) {
        if (!RetireSiVide(cheminGarage.first(fin), lecteurs, fs))
            return;
    }
}

// Brings one file back: from its garage folder, held, into its original folder, held and
// remade where missing, neither reached through a link. The reason it stays in the garage,
// or nothing.
std::optional<QString> Restaure(const FichierJournal& f, const DriveMap& lecteurs, FileSystem& fs,
                                DossiersGarage& dossiers) {
    const auto [dossierGarage, nomGarage] = Coupe(f.garage);
    const auto [dossierOriginal, nomOriginal] = Coupe(f.original);
    DossiersGarage::PtrNiveau de, vers;
    QString fautif;
    if (const ResultatFs r = dossiers.tiens(dossierGarage, lecteurs, fs, de, fautif, false);
        !r.ok())
        return r.erreur == ELOOP || r.erreur == ENOTDIR
                   ? QStringLiteral(
                         "« %1 » est un lien symbolique ou n'est pas un dossier ; le "
                         "fichier n'est pas pris")
                         .arg(fautif)
                   : QStringLiteral("sa copie au garage a changé entre-temps ; elle y reste");
    const QString source = de->dossier.acces() + u'/' + nomGarage;
    bool dossier = false;
    const std::optional<InfoFichier> lu = fs.info(source, dossier);
    if (!lu || dossier || lu->taille != f.taille || lu->modificationNs != f.modificationNs)
        return QStringLiteral("sa copie au garage a changé entre-temps ; elle y reste");
    if (const ResultatFs r = dossiers.tiens(dossierOriginal, lecteurs, fs, vers, fautif, true);
        !r.ok())
        return r.erreur == ELOOP || r.erreur == ENOTDIR
                   ? QStringLiteral(
                         "« %1 » est un lien symbolique ou n'est pas un dossier : rien "
                         "n'est écrit au travers ; le fichier reste au garage")
                         .arg(fautif)
                   : QStringLiteral(
                         "le dossier « %1 » ne peut pas être refait (%2) ; le fichier "
                         "reste au garage")
                         .arg(fautif, r.raison);
    const QString cible = vers->dossier.acces() + u'/' + nomOriginal;
    if (fs.fileExists(cible) || fs.folderExists(cible))
        return QStringLiteral("un autre fichier occupe de nouveau sa place ; il reste au garage");
    const ResultatFs deplace = fs.move(source, cible, Remplacement::Jamais, &*lu);
    if (deplace.erreur == EEXIST)
        return QStringLiteral("un autre fichier occupe de nouveau sa place ; il reste au garage");
    if (!deplace.ok())
        return QStringLiteral("retour impossible (%1) ; le fichier reste au garage")
            .arg(deplace.raison);
    return std::nullopt;
}

// Visits every file of a held garage folder and below with its folder held, its name and its
// garage drive path (X:\\_\\...), in name order, files of a folder before its folders; hidden
// entries are passed over and links to folders are never entered. `dossiers` receives the
// folders, deepest last. False as soon as `visite` returns false.
bool Parcourt(const DossierTenu& tenu, const QString& lecteur, FileSystem& fs,
              const std::function<bool(const DossierTenu&, const QString&, const QString&)>& visite,
              QStringList& dossiers) {
    const QStringList noms = QDir(tenu.acces())
                                 .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot,
                                            QDir::Name | QDir::DirsLast);
    for (const QString& nom : noms) {
        if (nom.contains(u'\\'))
            continue;  // no drive path can name it
        bool dossier = false;
        if (!fs.info(tenu.acces() + u'/' + nom, dossier))
            continue;
        const QString chemin = lecteur + u'\\' + nom;
        if (!dossier) {
            if (!visite(tenu, nom, chemin))
                return false;
            continue;
        }
        DossierTenu sous;
        if (!fs.openSubfolder(tenu, nom, false, sous).ok())
            continue;  // replaced by a link meanwhile: not entered
        dossiers.append(chemin);
        if (!Parcourt(sous, chemin, fs, visite, dossiers))
            return false;
    }
    return true;
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
        case EtatFichier::EnPlace:
            return QStringLiteral("in-place");
    }
    return {};
}

namespace {

// Where the file of one line is now. A line is written before its file goes, so a line whose
// file did not go ("undone" after it, or the run killed in between) finds it where it was.
EtatFichier EtatDe(const FichierJournal& f, const QSet<QString>& restaures,
                   const DriveMap& lecteurs, const FileSystem& fs) {
    switch (f.action) {
        case ActionJournal::Suppression:
            if (!f.garage.isEmpty())  // destroyed from the garage by an emptying
                return !f.fait || CopieIntacte(f, lecteurs, fs) ? EtatFichier::Garage
                                                                : EtatFichier::Detruit;
            return !f.fait || OriginalIntact(f, lecteurs, fs) ? EtatFichier::EnPlace
                                                              : EtatFichier::Detruit;
        case ActionJournal::Restauration:
            return !f.fait || CopieIntacte(f, lecteurs, fs) ? EtatFichier::Garage
                                                            : EtatFichier::Restaure;
        default:
            break;
    }
    if (f.fait && restaures.contains(f.original))
        return EtatFichier::Restaure;
    if (f.fait && CopieIntacte(f, lecteurs, fs))
        return EtatFichier::Garage;
    if (!f.fait || OriginalIntact(f, lecteurs, fs))
        return EtatFichier::EnPlace;
    return EtatFichier::Manquant;
}

}  // namespace

std::vector<LigneExecution> EtatExecution(const Executions& executions, const QString& id,
                                          const DriveMap& lecteurs, const FileSystem& fs) {
    std::vector<LigneExecution> lignes;
    for (const ExecutionJournal& e : executions) {
        if (e.id != id)
            continue;
        const QSet<QString> restaures = Restaures(executions, id, e.lettre, lecteurs, fs);
        for (const FichierJournal& f : e.fichiers) {
            LigneExecution ligne;
            ligne.fichier = f;
            ligne.etat = EtatDe(f, restaures, lecteurs, fs);
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

// The failure of a file whose line the journal could not take: the run goes no further.
EchecDisposition SansJournal(const QString& chemin) {
    return {chemin, QStringLiteral("le journal du garage ne peut pas être écrit ; le fichier "
                                   "n'est pas touché et rien de plus n'est fait")};
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
    JournalGarage journal(ActionJournal::Restauration, lecteurs, maintenant, id, &fs);
    DossiersGarage dossiers;
    QStringList quittes;  // garage paths that left: their folders go once all are let go
    QSet<QString> vus;
    for (const ExecutionJournal& e : executions) {
        if (e.id != id)
            continue;
        resultat.trouvee = true;
        const QSet<QString> restaures = Restaures(executions, id, e.lettre, lecteurs, fs);
        for (const FichierJournal& f : e.fichiers) {
            if (f.action != ActionJournal::Garage || !f.fait || restaures.contains(f.original) ||
                (!choisis.isEmpty() && !choisis.contains(f.original)) || vus.contains(f.garage))
                continue;
            // Killed between its line and its move: it never left its place.
            if (!CopieIntacte(f, lecteurs, fs) && OriginalIntact(f, lecteurs, fs))
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
            }
            FichierJournal fait = f;
            fait.action = ActionJournal::Restauration;
            if (!raison && !essai) {
                if (!journal.note(fait)) {
                    resultat.echecs.push_back(SansJournal(f.original));
                    resultat.arrete = true;
                    break;
                }
                raison = Restaure(f, lecteurs, fs, dossiers);
                if (raison)
                    journal.annule(fait);
            }
            if (raison) {
                resultat.echecs.push_back({f.original, *raison});
                continue;
            }
            resultat.faits.push_back(fait);
            if (!essai)
                quittes.append(f.garage);
        }
        if (resultat.arrete)
            break;
    }
    dossiers.libere();
    for (const QString& garage : std::as_const(quittes)) RetireDossiersVides(garage, lecteurs, fs);
    resultat.execution = journal.id();
    resultat.avis.append(journal.avis());
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
    JournalGarage journal(ActionJournal::Suppression, lecteurs, maintenant, {}, &fs);
    bool sansJournal = false;
    for (const QChar lettre : Lettres(lecteurs, lettres)) {
        const QString garage = QString(lettre.toUpper()) + QStringLiteral(":\\_");
        DossiersGarage chaine;
        DossiersGarage::PtrNiveau tenu;
        QString fautif;
        if (const ResultatFs r = chaine.tiens(garage, lecteurs, fs, tenu, fautif, false); !r.ok()) {
            if (r.erreur == ELOOP || r.erreur == ENOTDIR)
                resultat.avis.append(QStringLiteral("« %1 » est un lien symbolique ou n'est pas "
                                                    "un dossier : il n'est pas vidé")
                                         .arg(fautif));
            continue;
        }
        // When each garage copy arrived, as the journal tells: the latest run that moved a file
        // of this size and date there, counted no earlier than the runs before it.
        QHash<QString, qint64> arrivees;
        for (const ExecutionJournal& e : executions) {
            if (e.lettre != lettre.toUpper() || !e.ordre.isValid())
                continue;
            for (const FichierJournal& f : e.fichiers) {
                if (f.action == ActionJournal::Garage && f.fait)
                    arrivees.insert(f.garage + u'\t' + QString::number(f.taille) + u'\t' +
                                        QString::number(f.modificationNs),
                                    e.ordre.toMSecsSinceEpoch() * 1000000);
            }
        }
        QStringList dossiers;
        const bool fini = Parcourt(
            tenu->dossier, garage, fs,
            [&](const DossierTenu& dossier, const QString& nom, const QString& chemin) {
                if (arret && arret->verifie()) {
                    resultat.arrete = true;
                    return false;
                }
                const QString fichierHote = dossier.acces() + u'/' + nom;
                const std::optional<InfoFichier> info = fs.info(fichierHote);
                if (!info)
                    return true;
                // A file no journal knows is dated by when it entered the garage, never by its
                // own dates: an old revision moved there yesterday is a day old.
                const auto cle = chemin + u'\t' + QString::number(info->taille) + u'\t' +
                                 QString::number(info->modificationNs);
                const auto connue = arrivees.constFind(cle);
                const qint64 arrivee =
                    connue != arrivees.constEnd()
                        ? *connue
                        : fs.arrivalTime(fichierHote).value_or(std::numeric_limits<qint64>::max());
                if (jours > 0 && arrivee >= limiteNs)
                    return true;
                const FichierJournal fait{ActionJournal::Suppression, CheminOriginal(chemin),
                                          chemin, info->taille, info->modificationNs};
                if (!essai) {
                    if (!journal.note(fait)) {
                        resultat.echecs.push_back(SansJournal(chemin));
                        sansJournal = true;
                        return false;
                    }
                    const ResultatFs efface = fs.forceRemove(fichierHote);
                    if (!efface.ok()) {
                        journal.annule(fait);
                        resultat.echecs.push_back({chemin, efface.raison});
                        return true;
                    }
                }
                resultat.faits.push_back(fait);
                return true;
            },
            dossiers);
        tenu.reset();
        chaine.libere();
        if (essai)
            continue;
        // Deepest folders first (a stopped run's too: only the empty ones go), so a folder
        // emptied of its folders goes too.
        for (qsizetype i = dossiers.size() - 1; i >= 0; --i)
            RetireSiVide(dossiers[i], lecteurs, fs);
        if (!fini)
            break;
    }
    if (sansJournal)
        resultat.arrete = true;
    resultat.execution = journal.id();
    resultat.avis.append(journal.avis());
    return resultat;
}

}  // namespace tidemark
