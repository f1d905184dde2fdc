#include "garage/Garage.h"

#include "core/Drives.h"
#include "core/Identite.h"
#include "garage/Journal.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <utility>

namespace tidemark {

namespace {

// The name of the garage folder at the root of every drive.
constexpr QStringView NomGarage = u"_";

ResultatDisposition Echec(const QString& chemin, int code, const QString& raison) {
    ResultatDisposition r;
    r.erreur = code;
    r.raison = raison;
    r.chemin = chemin;
    return r;
}

ResultatDisposition Refus(const QString& chemin, const QString& raison) {
    return Echec(chemin, EINVAL, QStringLiteral("chemin refusé : ") + raison);
}

// Checks that `chemin` is a file path of the program's form, X:\name or X:\dir\...\name,
// before anything derives another path from it: every component non-empty, none "." or
// "..", none holding "/" (a separator on the host, which would cut the name in two) or a
// NUL. Returns the reason of the refusal, or nothing.
std::optional<QString> ControleForme(const QString& chemin) {
    const QString forme =
        QStringLiteral("« %1 » n'est pas un chemin de fichier de la forme X:\\dossier\\nom")
            .arg(chemin);
    if (chemin.size() < 4 || !EstCheminLecteur(chemin) || chemin[2] != u'\\')
        return forme;
    for (QStringView composant : QStringView(chemin).sliced(3).tokenize(u'\\')) {
        if (composant == u"." || composant == u"..")
            return QStringLiteral("« %1 » contient un élément « . » ou « .. »").arg(chemin);
        if (composant.isEmpty() || composant.contains(u'/') || composant.contains(QChar(0)))
            return forme;
    }
    return std::nullopt;
}

// True when a drive path in its one form is the garage folder of its drive or lies in it.
bool DansUnGarage(QStringView chemin) {
    const QStringView reste = chemin.sliced(3);
    return reste.startsWith(NomGarage) &&
           (reste.size() == NomGarage.size() || reste[NomGarage.size()] == u'\\');
}

// The longest path and name the platform makes: on Linux PATH_MAX bytes with the
// terminating NUL and NAME_MAX bytes; on Windows 32,767 UTF-16 characters in the long form
// (a 4-character prefix, and the NUL), and 255 per name.
#ifdef _WIN32
constexpr qsizetype CheminMax = 32767 - 4;
constexpr qsizetype NomMax = 255;
qsizetype Longueur(QStringView texte) {
    return texte.size();
}
#else
constexpr qsizetype CheminMax = PATH_MAX;
constexpr qsizetype NomMax = NAME_MAX;
// Its length in UTF-8, the file names' encoding, counted without encoding it.
qsizetype Longueur(QStringView texte) {
    qsizetype octets = 0;
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const char16_t c = texte[i].unicode();
        if (c < 0x80) {
            octets += 1;
        } else if (c < 0x800) {
            octets += 2;
        } else if (QChar::isHighSurrogate(c) && i + 1 < texte.size() &&
                   texte[i + 1].isLowSurrogate()) {
            octets += 4;
            ++i;
        } else {
            octets += 3;
        }
    }
    return octets;
}
#endif

// The reason a host path cannot be made by this platform, or nothing: a component longer
// than the longest name, or a whole path as long as the longest path or more.
std::optional<QString> ControleLongueur(const QString& cheminLecteur, const QString& hote) {
    if (Longueur(hote) >= CheminMax)
        return QStringLiteral(
                   "le chemin de garage « %1 » est plus long que le système ne le "
                   "permet")
            .arg(cheminLecteur);
    for (QStringView composant : QStringView(hote).tokenize(u'/', Qt::SkipEmptyParts)) {
        if (Longueur(composant) > NomMax)
            return QStringLiteral("le nom « %1 » est plus long que le système ne le permet")
                .arg(composant.toString());
    }
    return std::nullopt;
}

}  // namespace

QString CheminGarage(QStringView cheminLecteur) {
    QString garage = cheminLecteur.first(3).toString();
    garage.append(NomGarage);
    garage.append(cheminLecteur.sliced(2));
    return garage;
}

ApercuDisposition Apercu(const AppState& state, const std::vector<qint32>& positions) {
    ApercuDisposition apercu;
    for (const qint32 position : positions) {
        ++apercu.fichiers;
        if (const InfoFichier* info = state.InfosLues.trouve(position))
            apercu.octets += info->taille;
        else
            ++apercu.sansTaille;
        const QString chemin = CheminEntree(state, std::size_t(position));
        if (chemin.size() >= 3 && EstCheminLecteur(chemin) && chemin[2] == u'\\') {
            // The garage of the drive: its root's garage path, without the path after it.
            const QString garage = CheminGarage(chemin).first(3 + NomGarage.size());
            if (!apercu.garages.contains(garage))
                apercu.garages.append(garage);
        }
    }
    return apercu;
}

ResultatFs DossiersGarage::tiens(const QString& niveau, const DriveMap& lecteurs, FileSystem& fs,
                                 PtrNiveau& tenu, QString& fautif, bool creer) {
    // A level held before serves while it is still where it was, which one look at the
    // deepest one tells for the whole chain (looked at outside the lock: the threads of a run
    // check their folders at the same time).
    PtrNiveau connu;
    {
        const std::lock_guard garde(mutex_);
        connu = tenus_.value(niveau);
    }
    if (connu && fs.unmoved(connu->dossier)) {
        tenu = std::move(connu);
        return {};
    }
    if (connu) {
        const std::lock_guard garde(mutex_);
        if (tenus_.value(niveau) == connu)
            tenus_.remove(niveau);
    }
    // Reached afresh: from its parent, itself reached the same way, down from the drive root,
    // which is its map's folder.
    const qsizetype coupe = niveau.lastIndexOf(u'\\');
    const bool racine = coupe < 0;  // "X:"
    PtrNiveau parent;
    if (!racine) {
        const QString haut = coupe == 2 ? niveau.first(2) : niveau.first(coupe);
        if (const ResultatFs r = tiens(haut, lecteurs, fs, parent, fautif, creer); !r.ok())
            return r;
    }
    auto neuf = std::make_shared<Niveau>();
    neuf->parent = parent;
    ResultatFs r;
    if (racine) {
        const QString hote = lecteurs.racine(niveau[0]);
        r = hote.isEmpty() ? ResultatFs{ENOENT, FileSystem::reason(ENOENT)}
                           : fs.openFolder(hote, neuf->dossier);
    } else {
        r = fs.openSubfolder(parent->dossier, niveau.sliced(coupe + 1), creer, neuf->dossier);
    }
    if (!r.ok()) {
        fautif = racine ? RacineLecteur(niveau[0]) : niveau;
        return r;
    }
    const std::lock_guard garde(mutex_);
    // Another thread may have reached it meanwhile: the newest is kept.
    tenu = neuf;
    tenus_.insert(niveau, tenu);
    return {};
}

void DossiersGarage::pour(const DriveMap& lecteurs) {
    const std::lock_guard garde(mutex_);
    if (lecteurs_ != &lecteurs) {
        tenus_.clear();
        lecteurs_ = &lecteurs;
    }
}

void DossiersGarage::libere() {
    const std::lock_guard garde(mutex_);
    tenus_.clear();
}

namespace {

// The French reason a garage folder cannot be reached or made.
QString RaisonDossier(const QString& niveau, const ResultatFs& r) {
    if (r.erreur == ELOOP)
        return QStringLiteral(
                   "« %1 » est un lien symbolique : rien n'est écrit au travers ; le fichier "
                   "reste en place")
            .arg(niveau);
    const bool garage = niveau.size() == 4;
    const QString quoi = garage ? QStringLiteral("le garage « %1 » ne peut pas être créé")
                         : EstRacineLecteur(niveau)
                             ? QStringLiteral("la racine « %1 » ne peut pas être ouverte")
                             : QStringLiteral("le dossier « %1 » du garage ne peut pas être créé");
    return quoi.arg(niveau) + QStringLiteral(" (") + r.raison +
           QStringLiteral(") ; le fichier reste en place");
}

// The journal line of the disposal of a file whose one form is `propre`, found as `lu`.
FichierJournal LigneDe(ModeDisposition mode, const QString& propre, const InfoFichier& lu) {
    const bool garage = mode == ModeDisposition::Deplacer;
    return {garage ? ActionJournal::Garage : ActionJournal::Suppression, propre,
            garage ? CheminGarage(propre) : QString(), lu.taille, lu.modificationNs};
}

// Writes a file's line before it goes, unless the run wrote that very line ahead: false (and
// the refusal in `resultat`) when the journal cannot take it.
bool NoteAvant(ContexteGarage& contexte, const FichierJournal& note,
               ResultatDisposition& resultat) {
    JournalGarage* journal = contexte.journal();
    if (!journal)
        return true;
    if (const std::optional<FichierJournal> prevue = contexte.reprend()) {
        if (*prevue == note)
            return true;
        journal->annule(*prevue);
    }
    if (journal->note(note))
        return true;
    resultat.erreur = EIO;
    resultat.journalEnEchec = true;
    resultat.raison = QStringLiteral(
        "le journal du garage ne peut pas être écrit ; le fichier reste en place et rien de "
        "plus n'est fait");
    return false;
}

}  // namespace

ResultatDisposition DeplaceGarage(const QString& chemin, const DriveMap& lecteurs, FileSystem& fs,
                                  ContexteGarage* run) {
    ContexteGarage seul;
    ContexteGarage& contexte = run ? *run : seul;
    // What VerifieInchange learnt serves this disposal only, whatever happens to it.
    const QString hoteVerifie = std::exchange(contexte.hoteVerifie_, QString());
    const InfoFichier infoVerifiee = contexte.infoVerifiee_;
    DossiersGarage& dossiers = *contexte.dossiers_;
    dossiers.pour(lecteurs);
    // Every check comes before the first folder is made: a refused file leaves the disk
    // exactly as it was.
    if (const auto raison = ControleForme(chemin))
        return Refus(chemin, *raison);
    const std::optional<QString> propre = lecteurs.normalise(chemin);
    if (!propre)
        return Echec(chemin, ENOENT, DriveMap::MessageHorsLecteur(chemin));
    if (EstRacineLecteur(*propre))
        return Refus(chemin, QStringLiteral("« %1 » est la racine d'un lecteur").arg(chemin));
    if (DansUnGarage(*propre))
        return Refus(chemin, QStringLiteral("« %1 » se trouve déjà dans un garage").arg(chemin));

    ResultatDisposition resultat;
    resultat.chemin = chemin;
    resultat.cible = CheminGarage(*propre);
    const std::optional<QString> source = lecteurs.versHote(*propre);
    const std::optional<QString> cible = lecteurs.versHote(resultat.cible);
    if (!source || !cible)
        return Echec(chemin, ENOENT, DriveMap::MessageHorsLecteur(chemin));
    if (const auto raison = ControleLongueur(resultat.cible, *cible)) {
        ResultatDisposition refus = Refus(chemin, *raison);
        refus.erreur = ENAMETOOLONG;
        refus.cible = resultat.cible;
        return refus;
    }
    // A vanished file would otherwise leave empty garage folders behind it. The entry just
    // found unchanged by VerifieInchange is known to be there, and whether it is a folder.
    const bool connu = !hoteVerifie.isEmpty() && hoteVerifie == *source;
    bool dossier = connu && contexte.verifieDossier_;
    const std::optional<InfoFichier> lu =
        connu ? std::optional<InfoFichier>(infoVerifiee) : fs.info(*source, dossier);
    if (!lu || dossier) {
        const int code = lu ? EISDIR : ENOENT;
        ResultatDisposition echec = Echec(chemin, code, FileSystem::reason(code));
        echec.cible = resultat.cible;
        return echec;
    }

    // The garage folders, from X:\_ down to the file's own folder, held open from the drive
    // root without following a link.
    const qsizetype finDossier = resultat.cible.lastIndexOf(u'\\');
    DossiersGarage::PtrNiveau tenu;
    QString fautif;
    if (const ResultatFs r =
            dossiers.tiens(resultat.cible.first(finDossier), lecteurs, fs, tenu, fautif);
        !r.ok()) {
        ResultatDisposition echec = Echec(chemin, r.erreur, RaisonDossier(fautif, r));
        echec.cible = resultat.cible;
        return echec;
    }

    const FichierJournal note = LigneDe(ModeDisposition::Deplacer, *propre, *lu);
    if (!NoteAvant(contexte, note, resultat))
        return resultat;
    // Into the folder held, whatever its path has become.
    QString dansTenu = tenu->dossier.acces();
    dansTenu.append(u'/');
    dansTenu.append(QStringView(resultat.cible).sliced(finDossier + 1));
    const ResultatFs deplace = fs.move(*source, dansTenu, Remplacement::Atomique, &*lu);
    if (!deplace.ok()) {
        resultat.erreur = deplace.erreur;
        resultat.raison = QStringLiteral("déplacement vers « %1 » impossible : %2")
                              .arg(resultat.cible, deplace.raison);
        if (contexte.journal())
            contexte.journal()->annule(note);
    }
    return resultat;
}

ResultatDisposition EffaceFichier(const QString& chemin, int valCaches, const DriveMap& lecteurs,
                                  FileSystem& fs, ContexteGarage* run) {
    if (const auto raison = ControleForme(chemin))
        return Refus(chemin, *raison);
    // The quarantine is never purged into nothing: a garage file is only ever deleted by
    // the user.
    const std::optional<QString> propre = lecteurs.normalise(chemin);
    if (propre && DansUnGarage(*propre))
        return Refus(chemin, QStringLiteral("« %1 » se trouve dans un garage").arg(chemin));
    const std::optional<QString> hote = propre ? lecteurs.versHote(*propre) : std::nullopt;
    if (!hote)
        return Echec(chemin, ENOENT, DriveMap::MessageHorsLecteur(chemin));

    ResultatDisposition resultat;
    resultat.chemin = chemin;
    if (fs.isReadOnly(*hote) && valCaches != 1) {
        resultat.laisse = true;
        return resultat;
    }
    JournalGarage* journal = run ? run->journal() : nullptr;
    FichierJournal note;
    if (journal) {
        // The facts just checked, else those read now: one more look only for a file nobody
        // read.
        const bool connu = !run->hoteVerifie_.isEmpty() && run->hoteVerifie_ == *hote;
        const std::optional<InfoFichier> lu =
            connu ? std::optional<InfoFichier>(run->infoVerifiee_) : fs.info(*hote);
        if (!lu)
            return Echec(chemin, ENOENT, FileSystem::reason(ENOENT));
        note = LigneDe(ModeDisposition::Detruire, *propre, *lu);
        if (!NoteAvant(*run, note, resultat))
            return resultat;
    }
    // Read-only or not has just been read: no second look.
    const ResultatFs efface = fs.forceRemove(*hote);
    resultat.erreur = efface.erreur;
    resultat.raison = efface.raison;
    if (!efface.ok() && journal)
        journal->annule(note);
    return resultat;
}

ResultatDisposition VerifieInchange(const QString& chemin, const InfoFichier& attendu,
                                    const DriveMap& lecteurs, const FileSystem& fs,
                                    ContexteGarage* run) {
    ContexteGarage seul;
    ContexteGarage& contexte = run ? *run : seul;
    contexte.hoteVerifie_.clear();
    const std::optional<QString> hote = lecteurs.versHote(chemin);
    if (!hote)
        return Echec(chemin, ENOENT, DriveMap::MessageHorsLecteur(chemin));
    bool dossier = false;
    const std::optional<InfoFichier> present = fs.info(*hote, dossier);
    if (!present)
        return Echec(chemin, ENOENT,
                     QStringLiteral("le fichier a disparu depuis qu'il a été lu ; rien n'a été "
                                    "fait"));
    if (*present != attendu)
        return Echec(chemin, EBUSY,
                     QStringLiteral("le fichier a changé (taille ou date) depuis qu'il a été "
                                    "lu ; il est laissé en place"));
    contexte.hoteVerifie_ = *hote;
    contexte.verifieDossier_ = dossier;
    contexte.infoVerifiee_ = *present;
    ResultatDisposition resultat;
    resultat.chemin = chemin;
    return resultat;
}

std::optional<FichierJournal> LigneDisposition(const QString& chemin, ModeDisposition mode,
                                               const InfoFichier& attendu,
                                               const DriveMap& lecteurs) {
    if (ControleForme(chemin))
        return std::nullopt;
    const std::optional<QString> propre = lecteurs.normalise(chemin);
    if (!propre || EstRacineLecteur(*propre) || DansUnGarage(*propre))
        return std::nullopt;
    return LigneDe(mode, *propre, attendu);
}

ResultatDisposition TraiteDoublon(const QString& chemin, ModeDisposition mode, int valCaches,
                                  const InfoFichier* attendu, const DriveMap& lecteurs,
                                  FileSystem& fs, ContexteGarage* run) {
    ContexteGarage seul;
    ContexteGarage& contexte = run ? *run : seul;
    if (attendu) {
        ResultatDisposition controle = VerifieInchange(chemin, *attendu, lecteurs, fs, &contexte);
        if (!controle.ok())
            return controle;
    }
    return mode == ModeDisposition::Detruire
               ? EffaceFichier(chemin, valCaches, lecteurs, fs, &contexte)
               : DeplaceGarage(chemin, lecteurs, fs, &contexte);
}

MessageEchecs ComposeMessageEchecs(const std::vector<EchecDisposition>& echecs, int premiers) {
    MessageEchecs message;
    if (echecs.empty())
        return message;
    message.titre = QLatin1String(identite::AppNom) + QStringLiteral(" Velnor");
    const qsizetype n = qsizetype(echecs.size());
    message.texte = n == 1 ? QStringLiteral("1 fichier n'a pas pu être traité :")
                           : QStringLiteral("%1 fichiers n'ont pas pu être traités :").arg(n);
    const qsizetype montres = std::min<qsizetype>(n, std::max(premiers, 0));
    for (qsizetype i = 0; i < n; ++i) {
        const QString ligne =
            echecs[std::size_t(i)].chemin + QStringLiteral(" : ") + echecs[std::size_t(i)].raison;
        if (i < montres)
            message.texte += u'\n' + ligne;
        if (i > 0)
            message.details += u'\n';
        message.details += ligne;
    }
    if (const qsizetype reste = n - montres; reste > 0) {
        message.texte += reste == 1
                             ? QStringLiteral("\n… et 1 autre, dans les détails.")
                             : QStringLiteral("\n… et %1 autres, dans les détails.").arg(reste);
    }
    return message;
}

}  // namespace tidemark
