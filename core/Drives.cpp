#include "core/Drives.h"

#include "core/FileSystem.h"
#include "core/SettingsStore.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

namespace tidemark {

namespace {

char16_t Lettre(QChar c) {
    return c.toUpper().unicode();
}

bool EstLettre(QChar c) {
    const char16_t u = Lettre(c);
    return u >= u'A' && u <= u'Z';
}

// The clean absolute form of a host path, without a trailing "/" except for "/" itself.
// The current folder is asked for (a getcwd call) only when the path is relative:
// absoluteFilePath gives an absolute path back as it is.
QString HoteNet(const QString& chemin) {
    if (QDir::isAbsolutePath(chemin))
        return QDir::cleanPath(chemin);
    return QDir::cleanPath(QDir::current().absoluteFilePath(chemin));
}

// Folders compare the way the file system does: exactly on Linux, without regard to case on
// Windows.
#ifdef _WIN32
constexpr Qt::CaseSensitivity CasseDossiers = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity CasseDossiers = Qt::CaseSensitive;
#endif

// True when `chemin` is `racine` or lies below it, in whole components. A root that ends
// with "/" ("/", or "C:/" on Windows) holds every path that begins with it.
bool SousRacine(const QString& chemin, const QString& racine) {
    if (racine.endsWith(u'/'))
        return chemin.startsWith(racine, CasseDossiers) ||
               QStringView(chemin).compare(QStringView(racine).chopped(1), CasseDossiers) == 0;
    return chemin.startsWith(racine, CasseDossiers) &&
           (chemin.size() == racine.size() || chemin[racine.size()] == u'/');
}

}  // namespace

bool EstCheminLecteur(QStringView texte) {
    return texte.size() >= 2 && EstLettre(texte[0]) && texte[1] == u':';
}

bool EstRacineLecteur(QStringView cheminLecteur) {
    return cheminLecteur.size() == 3 && EstCheminLecteur(cheminLecteur) &&
           cheminLecteur[2] == u'\\';
}

QString RacineLecteur(QChar lettre) {
    return QString(QChar(Lettre(lettre))) + QStringLiteral(":\\");
}

QString JoindreChemin(const QString& dossier, QStringView nom) {
    QString chemin = dossier;
    if (!chemin.endsWith(u'\\'))
        chemin += u'\\';
    return chemin += nom;
}

DriveMap DriveMap::Depuis(QStringView texte) {
    DriveMap carte;
    for (QStringView entree : texte.tokenize(u';', Qt::SkipEmptyParts)) {
        const qsizetype egal = entree.indexOf(u'=');
        if (egal < 0)
            continue;
        const QStringView lettre = entree.first(egal).trimmed();
        const QString dossier = entree.sliced(egal + 1).trimmed().toString();
        if (lettre.size() == 1 && EstLettre(lettre[0]) && QDir::isAbsolutePath(dossier))
            carte.ajoute(lettre[0], dossier);
    }
    return carte;
}

DriveMap DriveMap::Courante(const SettingsStore& store) {
    const QString env = qEnvironmentVariable("TIDEMARK_DRIVES").trimmed();
    if (!env.isEmpty()) {
        DriveMap carte = Depuis(env);
        if (!carte.racines_.empty())
            return carte;
    }
    DriveMap carte;
    for (const PaireReglage& paire : store.getAll(QStringLiteral("drives"))) {
        if (paire.first.size() == 1 && EstLettre(paire.first[0]) &&
            QDir::isAbsolutePath(paire.second))
            carte.ajoute(paire.first[0], paire.second);
    }
    if (carte.racines_.empty()) {
#ifdef _WIN32
        // Drive paths are the host's own: every local and mapped drive is itself.
        for (const QFileInfo& lecteur : QDir::drives()) {
            const QString racine = lecteur.absolutePath();
            if (EstCheminLecteur(racine))
                carte.ajoute(racine[0], racine.first(2) + u'/');
        }
#else
        carte.ajoute(u'C', QDir::homePath());
        carte.ajoute(u'Z', QStringLiteral("/"));
#endif
    }
    return carte;
}

void DriveMap::ajoute(QChar lettre, const QString& racine) {
    racines_[Lettre(lettre)] = HoteNet(racine);
}

QList<QChar> DriveMap::lettres() const {
    QList<QChar> liste;
    for (const auto& [lettre, racine] : racines_) liste.append(QChar(lettre));
    return liste;
}

QString DriveMap::racine(QChar lettre) const {
    const auto it = racines_.find(Lettre(lettre));
    return it == racines_.end() ? QString() : it->second;
}

std::optional<QString> DriveMap::versLecteur(const QString& cheminHote) const {
    if (cheminHote.isEmpty())
        return std::nullopt;
    const QString chemin = HoteNet(cheminHote);
    const std::pair<const char16_t, QString>* meilleure = nullptr;
    for (const auto& entree : racines_) {
        if (SousRacine(chemin, entree.second) &&
            (!meilleure || entree.second.size() > meilleure->second.size()))
            meilleure = &entree;
    }
    if (!meilleure)
        return std::nullopt;
    QString reste = chemin.size() > meilleure->second.size()
                        ? chemin.sliced(meilleure->second.size())
                        : QString();
    if (reste.startsWith(u'/'))
        reste.remove(0, 1);
    reste.replace(u'/', u'\\');
    return RacineLecteur(QChar(meilleure->first)) + reste;
}

std::optional<QString> DriveMap::versHote(const QString& cheminLecteur) const {
    if (!EstCheminLecteur(cheminLecteur))
        return std::nullopt;
    const QString racineHote = racine(cheminLecteur[0]);
    if (racineHote.isEmpty())
        return std::nullopt;
    QString reste = cheminLecteur.sliced(2);
    reste.replace(u'\\', u'/');
    // One leading "/" only: on Windows a path that begins with two is a network path.
    while (reste.startsWith(u'/')) reste.remove(0, 1);
    // Cleaned on its own first so that ".." cannot climb above the drive's root.
    const QString propre = QDir::cleanPath(u'/' + reste);
    if (propre.startsWith(u"/.."))
        return std::nullopt;
    if (propre == u"/")
        return racineHote;
    return racineHote.endsWith(u'/') ? racineHote + propre.sliced(1) : racineHote + propre;
}

std::optional<QString> DriveMap::normalise(const QString& cheminLecteur) const {
    const std::optional<QString> hote = versHote(cheminLecteur);
    if (!hote)
        return std::nullopt;
    return versLecteur(*hote);
}

std::optional<QString> DriveMap::versLecteurDepuisSaisie(const QString& saisie) const {
    return EstCheminLecteur(saisie) ? normalise(saisie) : versLecteur(saisie);
}

QString DriveMap::MessageHorsLecteur(const QString& chemin) {
    return QStringLiteral(
               "Le chemin « %1 » ne se trouve sur aucun lecteur. Associez un "
               "lecteur à son dossier (variable TIDEMARK_DRIVES ou section "
               "« drives » des réglages).")
        .arg(chemin);
}

RepertoireResolu ResoutRepertoireSaisi(const QString& saisie, const DriveMap& lecteurs,
                                       const FileSystem& fs) {
    RepertoireResolu r;
    const auto refuse = [&r](RefusRepertoire refus, const QString& raison) {
        r.refus = refus;
        r.raison = raison;
        return r;
    };
    const QString absent = QStringLiteral("Le répertoire « %1 » n'existe pas.").arg(saisie);
    if (saisie.isEmpty())
        return refuse(RefusRepertoire::Absent, absent);

    std::optional<QString> hote;
    if (EstCheminLecteur(saisie)) {
        hote = lecteurs.versHote(saisie);
        if (!hote)
            return refuse(RefusRepertoire::HorsLecteur, DriveMap::MessageHorsLecteur(saisie));
    } else {
        hote = HoteNet(saisie);
    }
    int erreur = 0;
    const std::optional<QString> reel = fs.realPath(*hote, &erreur);
    if (!reel) {
        if (erreur == ENOENT || erreur == ENOTDIR)
            return refuse(RefusRepertoire::Absent, absent);
        if (erreur == EILSEQ)
            return refuse(RefusRepertoire::Illisible,
                          QStringLiteral("Le répertoire « %1 » mène à un chemin dont les octets ne "
                                         "sont pas de l'UTF-8 : il ne peut pas s'écrire dans un "
                                         "chemin de lecteur.")
                              .arg(saisie));
        return refuse(RefusRepertoire::Illisible,
                      QStringLiteral("Le répertoire « %1 » ne peut pas être suivi : %2.")
                          .arg(saisie, FileSystem::reason(erreur)));
    }
    if (!fs.folderExists(*reel))
        return refuse(RefusRepertoire::PasUnDossier,
                      QStringLiteral("« %1 » n'est pas un dossier.").arg(saisie));

    // The drives as their roots really are, so that the folder reached, which holds no link
    // any more, is compared with roots that hold none either.
    DriveMap reelle;
    for (const QChar lettre : lecteurs.lettres()) {
        const QString racine = lecteurs.racine(lettre);
        const QString racineReelle = fs.realPath(racine).value_or(racine);
        reelle.ajoute(lettre, racineReelle);
        const std::optional<QString> garage = fs.realPath(racineReelle + QStringLiteral("/_"));
        if (garage && SousRacine(*reel, *garage))
            return refuse(RefusRepertoire::DansGarage,
                          QStringLiteral("Le répertoire « %1 » se trouve dans le garage %2 : ce "
                                         "qui est mis au garage n'est jamais purgé.")
                              .arg(saisie, RacineLecteur(lettre) + u'_'));
    }
    const std::optional<QString> chemin = reelle.versLecteur(*reel);
    if (!chemin) {
        // Named through a link, the folder it leads to is the one that needs a drive.
        if (*reel == *hote)
            return refuse(RefusRepertoire::HorsLecteur, DriveMap::MessageHorsLecteur(saisie));
        return refuse(RefusRepertoire::HorsLecteur,
                      QStringLiteral("« %1 » mène à « %2 ». ").arg(saisie, *reel) +
                          DriveMap::MessageHorsLecteur(*reel));
    }
    r.chemin = *chemin;
    return r;
}

}  // namespace tidemark
