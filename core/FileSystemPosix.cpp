// The file-system service on Linux and other POSIX systems.
#include "core/DeplacementAilleurs.h"
#include "core/FileSystem.h"
#include "core/FileSystemCommun.h"

#include <QFile>
#include <QRandomGenerator>
#include <QScopeGuard>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tidemark {

namespace {

QByteArray Natif(const QString& chemin) {
    return QFile::encodeName(chemin);
}

// Runs one counted step: the errno the fault plan chooses for it, else the call's own
// errno (0 when the call succeeded). `appel` returns 0 or -1 like a system call.
template <typename Appel>
int Etape(FaultPlan* plan, OperationFs operation, Appel&& appel) {
    if (const int code = PanneChoisie(plan, operation))
        return code;
    return std::forward<Appel>(appel)() == 0 ? 0 : errno;
}

bool Existe(const QByteArray& chemin) {
    struct stat s {};
    return ::lstat(chemin.constData(), &s) == 0;
}

// The facts the analysis keeps of an entry, from its lstat.
InfoFichier Faits(const struct stat& s) {
    InfoFichier info;
    info.taille = s.st_size;
    info.modificationNs = qint64(s.st_mtim.tv_sec) * 1'000'000'000 + s.st_mtim.tv_nsec;
    info.lien = S_ISLNK(s.st_mode);
    info.peripherique = quint64(s.st_dev);
    info.inode = quint64(s.st_ino);
    return info;
}

bool MemeFichier(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

QByteArray Dossier(const QByteArray& chemin) {
    const qsizetype i = chemin.lastIndexOf('/');
    return i < 0 ? QByteArray(".") : i == 0 ? QByteArray("/") : chemin.left(i);
}

// True when both paths name the same entry of the same folder (not merely two hard links
// of one file).
bool MemeEntree(const QByteArray& a, const QByteArray& b) {
    if (a == b)
        return true;
    const qsizetype ia = a.lastIndexOf('/');
    const qsizetype ib = b.lastIndexOf('/');
    if (a.mid(ia + 1) != b.mid(ib + 1))
        return false;
    struct stat da {
    }, db{};
    return ::stat(Dossier(a).constData(), &da) == 0 && ::stat(Dossier(b).constData(), &db) == 0 &&
           MemeFichier(da, db);
}

// The errors by which link(2) says no hard link can be made here: none on this file
// system (EPERM, EOPNOTSUPP, which is also ENOTSUP on Linux) or too many already (EMLINK).
bool SansLiensDurs(int code) {
    return code == EPERM || code == EOPNOTSUPP || code == EMLINK;
}

void Fermer(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// The prefix of the hidden temporary names a move creates beside its target.
constexpr char PrefixeTemporaire[] = ".tidemark-";
constexpr int LongueurSuffixeTemporaire = 6;

// Creates something under a fresh hidden name in `dossier` (.tidemark-XXXXXX). `creer`
// makes it at the name it is given and returns 0 or -1 like a system call, failing with
// EEXIST when the name is taken; another name is then tried. The errno, or 0 with `nom` set.
template <typename Creer>
int CreerSousNomUnique(const QByteArray& dossier, Creer&& creer, QByteArray& nom) {
    static constexpr char alphabet[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int essai = 0; essai < 100; ++essai) {
        QByteArray candidat = dossier + '/' + PrefixeTemporaire;
        for (int i = 0; i < LongueurSuffixeTemporaire; ++i)
            candidat += alphabet[QRandomGenerator::global()->bounded(int(sizeof alphabet) - 1)];
        if (creer(candidat) == 0) {
            nom = candidat;
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

// A temporary file or link beside the target: removed when it goes out of scope unless it
// was put in place (then `chemin` is cleared). `identite` is what it was created as, so that
// an undo later removes this file and never another one put at the same name since.
struct Temporaire {
    QByteArray chemin;
    int fd = -1;
    IdentiteFichier identite;
    Temporaire() = default;
    Temporaire(const Temporaire&) = delete;
    Temporaire& operator=(const Temporaire&) = delete;
    ~Temporaire() {
        Fermer(fd);
        if (!chemin.isEmpty())
            ::unlink(chemin.constData());
    }
};

// Renames `de` to `vers` unless `vers` exists (EEXIST then). renameat2(RENAME_NOREPLACE)
// does it in one step; a file system without it (EINVAL, ENOSYS) gets link(2), which also
// refuses an existing name, and `parLien` is set: `de` is then still there and the caller
// removes it. Without hard links either, the last resort checks the target, then renames:
// only a file created in between could be replaced.
// A target in a held folder, /proc/self/fd/N/name, as the folder N and the name in it: the
// same file for the kernel, without its walk through /proc. Any other path as it stands.
std::pair<int, const char*> DansDossierTenu(const QByteArray& chemin) {
    static constexpr QByteArrayView Prefixe = "/proc/self/fd/";
    if (!chemin.startsWith(Prefixe))
        return {AT_FDCWD, chemin.constData()};
    const qsizetype barre = chemin.indexOf('/', Prefixe.size());
    bool ok = false;
    const int fd =
        barre > Prefixe.size()
            ? QByteArrayView(chemin).sliced(Prefixe.size(), barre - Prefixe.size()).toInt(&ok)
            : 0;
    if (!ok || fd < 0 || chemin.indexOf('/', barre + 1) >= 0 || barre + 1 >= chemin.size())
        return {AT_FDCWD, chemin.constData()};
    return {fd, chemin.constData() + barre + 1};
}

int RenommerSansRemplacer(FaultPlan* plan, const QByteArray& de, const QByteArray& vers,
                          bool& parLien) {
    parLien = false;
    int code = Etape(plan, OperationFs::Renomme, [&] {
        return ::renameat2(AT_FDCWD, de.constData(), AT_FDCWD, vers.constData(), RENAME_NOREPLACE);
    });
    if (code != EINVAL && code != ENOSYS)
        return code;
    // linkat without AT_SYMLINK_FOLLOW links a symbolic link itself, not its target.
    code = Etape(plan, OperationFs::Renomme,
                 [&] { return ::linkat(AT_FDCWD, de.constData(), AT_FDCWD, vers.constData(), 0); });
    if (code == 0)
        parLien = true;
    if (!SansLiensDurs(code))
        return code;
    if (Existe(vers))
        return EEXIST;
    return Etape(plan, OperationFs::Renomme,
                 [&] { return ::rename(de.constData(), vers.constData()); });
}

IdentiteFichier Identite(const struct stat& s) {
    return {quint64(s.st_dev), quint64(s.st_ino)};
}

int SynchroniserDossier(const QByteArray& dossier) {
    const int fd = ::open(dossier.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const int r = ::fsync(fd);
    const int code = errno;
    ::close(fd);
    errno = code;
    return r;
}

int LireLien(const QByteArray& chemin, const struct stat& s, QByteArray& lien) {
    qsizetype taille = s.st_size > 0 ? qsizetype(s.st_size) + 1 : 256;
    for (;;) {
        lien.resize(taille);
        const ssize_t n = ::readlink(chemin.constData(), lien.data(), size_t(taille));
        if (n < 0)
            return errno;
        if (n < taille) {
            lien.resize(n);
            return 0;
        }
        taille *= 2;  // possibly truncated: read again with more room
    }
}

constexpr qsizetype TailleMorceau = 1 << 20;

// Writes all of `donnees`, resuming after short writes and interruptions.
int EcrireTout(int fd, const char* donnees, qsizetype taille) {
    while (taille > 0) {
        const ssize_t n = ::write(fd, donnees, size_t(taille));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return EIO;
        donnees += n;
        taille -= n;
    }
    return 0;
}

// Copies the content of `source` into `cible` in chunks; the fault plan counts one Copie
// per chunk read (one for an empty file).
int CopierContenu(FaultPlan* plan, int source, int cible) {
    const auto tampon = std::make_unique<char[]>(TailleMorceau);
    for (bool premier = true;; premier = false) {
        ssize_t n;
        do n = ::read(source, tampon.get(), size_t(TailleMorceau));
        while (n < 0 && errno == EINTR);
        if (n < 0)
            return errno;
        if (n == 0 && !premier)
            return 0;
        if (const int code = PanneChoisie(plan, OperationFs::Copie))
            return code;
        if (n == 0)
            return 0;
        if (const int code = EcrireTout(cible, tampon.get(), n))
            return code;
    }
}

// Makes the temporary copy of a regular file in `dossier`, with the source's content,
// mode, owner (when allowed) and times, synced to disk.
int CopierFichier(FaultPlan* plan, const QByteArray& source, const struct stat& avant,
                  const QByteArray& dossier, Temporaire& tmp) {
    int fdSource = ::open(source.constData(), O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fdSource < 0)
        return errno;
    const auto fermer = qScopeGuard([&] { Fermer(fdSource); });
    struct stat debut {};
    if (::fstat(fdSource, &debut) != 0)
        return errno;
    if (!MemeFichier(debut, avant) || !S_ISREG(debut.st_mode))
        return EBUSY;  // replaced between the look and the open

    int code = CreerSousNomUnique(
        dossier,
        [&](const QByteArray& nom) {
            tmp.fd =
                ::open(nom.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            return tmp.fd < 0 ? -1 : 0;
        },
        tmp.chemin);
    if (code != 0)
        return code;
    struct stat creee {};
    if (::fstat(tmp.fd, &creee) != 0)
        return errno;
    tmp.identite = Identite(creee);
    if ((code = CopierContenu(plan, fdSource, tmp.fd)) != 0)
        return code;
    // Best effort: only a privileged user may give a file away; done before fchmod,
    // which chown would otherwise undo for the set-id bits.
    if (debut.st_uid != ::geteuid() || debut.st_gid != ::getegid())
        (void)::fchown(tmp.fd, debut.st_uid, debut.st_gid);
    code = Etape(plan, OperationFs::Attributs,
                 [&] { return ::fchmod(tmp.fd, debut.st_mode & 07777); });
    if (code != 0)
        return code;
    const struct timespec temps[2] = {debut.st_atim, debut.st_mtim};
    if ((code = Etape(plan, OperationFs::Attributs, [&] { return ::futimens(tmp.fd, temps); })))
        return code;
    if ((code = Etape(plan, OperationFs::Synchronise, [&] { return ::fsync(tmp.fd); })))
        return code;
    const int fd = std::exchange(tmp.fd, -1);
    if (::close(fd) != 0)
        return errno;  // a late write error (network file systems report them here)

    // Written to while being copied: deleting it would lose what was added.
    struct stat fin {};
    if (::fstat(fdSource, &fin) != 0)
        return errno;
    if (fin.st_size != debut.st_size || fin.st_mtim.tv_sec != debut.st_mtim.tv_sec ||
        fin.st_mtim.tv_nsec != debut.st_mtim.tv_nsec)
        return EBUSY;
    return 0;
}

// Re-creates a symbolic link (the link, not what it points to) under a temporary name.
int CopierLien(FaultPlan* plan, const QByteArray& source, const struct stat& avant,
               const QByteArray& dossier, Temporaire& tmp) {
    QByteArray lien;
    if (const int code = LireLien(source, avant, lien))
        return code;
    int code = Etape(plan, OperationFs::Copie, [&] {
        const int r = CreerSousNomUnique(
            dossier,
            [&](const QByteArray& nom) { return ::symlink(lien.constData(), nom.constData()); },
            tmp.chemin);
        errno = r;
        return r == 0 ? 0 : -1;
    });
    if (code != 0)
        return code;
    struct stat creee {};
    if (::lstat(tmp.chemin.constData(), &creee) != 0)
        return errno;
    tmp.identite = Identite(creee);
    const struct timespec temps[2] = {avant.st_atim, avant.st_mtim};
    return Etape(plan, OperationFs::Attributs, [&] {
        return ::utimensat(AT_FDCWD, tmp.chemin.constData(), temps, AT_SYMLINK_NOFOLLOW);
    });
}

// The steps of a move to another file system, on Linux (see DeplacementAilleurs.h).
class PrimitivesPosix : public PrimitivesDeplacement {
public:
    explicit PrimitivesPosix(FaultPlan* plan) : plan_(plan) {}

    int copie(const QString& source, const InfoFichier& avant, const QString& dossier, QString& tmp,
              IdentiteFichier& copie) override {
        const QByteArray de = Natif(source);
        struct stat s {};
        if (::lstat(de.constData(), &s) != 0)
            return errno;
        if (!(Faits(s) == avant))
            return EBUSY;  // replaced or written to since it was read
        if (!S_ISREG(s.st_mode) && !S_ISLNK(s.st_mode))
            return EOPNOTSUPP;  // a device, pipe or socket cannot be copied
        Temporaire t;
        const int code = S_ISLNK(s.st_mode) ? CopierLien(plan_, de, s, Natif(dossier), t)
                                            : CopierFichier(plan_, de, s, Natif(dossier), t);
        if (code != 0)
            return code;
        tmp = QFile::decodeName(std::exchange(t.chemin, QByteArray()));
        copie = t.identite;
        return 0;
    }

    int renommeSansRemplacer(const QString& de, const QString& vers) override {
        const QByteArray a = Natif(de);
        bool parLien = false;
        const int code = RenommerSansRemplacer(plan_, a, Natif(vers), parLien);
        if (code == 0 && parLien)
            ::unlink(a.constData());  // linked in place: the temporary name goes
        return code;
    }

    int remplace(const QString& de, const QString& vers, QString& ancienne) override {
        const QByteArray a = Natif(de);
        const QByteArray cible = Natif(vers);
        // A second name of the older file (a hard link, not counted: on a file system without
        // hard links there is none), so that a failure after the replacement can put it back.
        QByteArray second;
        if (CreerSousNomUnique(
                Dossier(cible),
                [&](const QByteArray& nom) {
                    return ::linkat(AT_FDCWD, cible.constData(), AT_FDCWD, nom.constData(), 0);
                },
                second) != 0)
            second.clear();
        const int code = Etape(plan_, OperationFs::Renomme,
                               [&] { return ::rename(a.constData(), cible.constData()); });
        if (code != 0) {
            if (!second.isEmpty())
                ::unlink(second.constData());
            return code;
        }
        ancienne = QFile::decodeName(second);
        return 0;
    }

    int synchroniseDossier(const QString& dossier) override {
        return Etape(plan_, OperationFs::Synchronise,
                     [&] { return SynchroniserDossier(Natif(dossier)); });
    }

    std::optional<InfoFichier> faits(const QString& chemin, int& erreur) override {
        struct stat s {};
        if (::lstat(Natif(chemin).constData(), &s) != 0) {
            erreur = errno;
            return std::nullopt;
        }
        return Faits(s);
    }

    int supprime(const QString& chemin) override {
        return Etape(plan_, OperationFs::Supprime,
                     [&] { return ::unlink(Natif(chemin).constData()); });
    }

    void retire(const QString& chemin) override { ::unlink(Natif(chemin).constData()); }

    bool remet(const QString& de, const QString& vers, bool remplacer) override {
        const QByteArray a = Natif(de), b = Natif(vers);
        return remplacer ? ::rename(a.constData(), b.constData()) == 0
                         : ::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(),
                                       RENAME_NOREPLACE) == 0;
    }

private:
    FaultPlan* plan_;
};

}  // namespace

namespace {

// What an entry is, without stat when the folder tells it.
GenreEntree Genre(int fd, const dirent* e) {
    unsigned char type = e->d_type;
    if (type == DT_UNKNOWN) {
        struct stat s {};
        if (::fstatat(fd, e->d_name, &s, AT_SYMLINK_NOFOLLOW) != 0)
            return GenreEntree::Autre;
        type = S_ISREG(s.st_mode)   ? DT_REG
               : S_ISDIR(s.st_mode) ? DT_DIR
               : S_ISLNK(s.st_mode) ? DT_LNK
                                    : DT_UNKNOWN;
    }
    switch (type) {
        case DT_REG:
            return GenreEntree::Fichier;
        case DT_DIR:
            return GenreEntree::Dossier;
        case DT_LNK: {
            struct stat s {};
            if (::fstatat(fd, e->d_name, &s, 0) == 0 && S_ISDIR(s.st_mode))
                return GenreEntree::Autre;
            return GenreEntree::Fichier;
        }
        default:
            return GenreEntree::Autre;  // devices, pipes and sockets
    }
}

}  // namespace

ResultatFs FileSystem::readFolder(
    const QString& chemin,
    const std::function<void(const char*, std::size_t, GenreEntree)>& visite) const {
    if (const int code = PanneChoisie(plan_, OperationFs::LitDossier))
        return Resultat(code);
    DIR* d = ::opendir(QFile::encodeName(chemin).constData());
    if (!d)
        return Resultat(errno);
    const int fd = ::dirfd(d);
    int erreur = 0;
    for (;;) {
        errno = 0;
        const dirent* e = ::readdir(d);
        if (!e) {
            erreur = errno;
            break;
        }
        const char* nom = e->d_name;
        if (nom[0] == '.' && (nom[1] == 0 || (nom[1] == '.' && nom[2] == 0)))
            continue;
        visite(nom, std::strlen(nom), Genre(fd, e));
    }
    ::closedir(d);
    return erreur ? Resultat(erreur) : ResultatFs{};
}

// ---- FileSystem: queries --------------------------------------------------------------

FileSystem::FileSystem(FaultPlan* plan) : plan_(plan) {}

bool FileSystem::folderExists(const QString& chemin) const {
    struct stat s {};
    return ::lstat(Natif(chemin).constData(), &s) == 0 && S_ISDIR(s.st_mode);
}

bool FileSystem::fileExists(const QString& chemin) const {
    struct stat s {};
    return ::lstat(Natif(chemin).constData(), &s) == 0 && !S_ISDIR(s.st_mode);
}

std::optional<InfoFichier> FileSystem::info(const QString& chemin) const {
    bool dossier = false;
    return info(chemin, dossier);
}

std::optional<InfoFichier> FileSystem::info(const QString& chemin, bool& dossier) const {
    struct stat s {};
    if (::lstat(Natif(chemin).constData(), &s) != 0)
        return std::nullopt;
    dossier = S_ISDIR(s.st_mode);
    return Faits(s);
}

void FileSystem::infosIn(const QString& dossier, std::span<const QStringView> noms,
                         std::span<std::optional<InfoFichier>> infos) const {
    const QByteArray natifDossier = Natif(dossier);
    const bool avecBarre = natifDossier.endsWith('/');
    // O_PATH needs no read permission on the folder, only what a path walk through it needs.
    const int fd = ::open(natifDossier.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    QByteArray nom;  // reused from name to name
    for (std::size_t i = 0; i < noms.size(); ++i) {
        // What Natif gives for the name: an ASCII name is its own bytes, copied into the
        // reused buffer; any other goes through the encoder.
        const QStringView vue = noms[i];
        nom.resize(vue.size());
        char* octets = nom.data();
        qsizetype k = 0;
        for (; k < vue.size(); ++k) {
            const char16_t c = vue[k].unicode();
            if (c >= 0x80)
                break;
            octets[k] = char(c);
        }
        if (k < vue.size())
            nom = vue.toLocal8Bit();
        // Names whose relative reading could differ from the full path's go the long way: an
        // empty one (the full path is the folder itself), an absolute one (fstatat would
        // ignore the folder), and a full path the kernel would refuse as too long.
        const bool relatif = fd >= 0 && nom.size() > 0 && nom[0] != '/' &&
                             qstrlen(nom.constData()) > 0 &&
                             natifDossier.size() + 1 + nom.size() < PATH_MAX;
        if (!relatif) {
            QString chemin = dossier;
            if (!avecBarre)
                chemin.append(u'/');
            chemin.append(noms[i]);
            infos[i] = info(chemin);
            continue;
        }
        struct stat s {};
        if (::fstatat(fd, nom.constData(), &s, AT_SYMLINK_NOFOLLOW) == 0)
            infos[i] = Faits(s);
        else
            infos[i] = std::nullopt;
    }
    if (fd >= 0)
        ::close(fd);
}

std::optional<IdentiteFichier> FileSystem::identity(const QString& chemin, int* erreur) const {
    const QByteArray natif = Natif(chemin);
    struct stat s {};
    // stat follows a link to its target; a link that leads nowhere is read as itself.
    if (::stat(natif.constData(), &s) != 0 && ::lstat(natif.constData(), &s) != 0) {
        if (erreur)
            *erreur = errno;
        return std::nullopt;
    }
    return IdentiteFichier{quint64(s.st_dev), quint64(s.st_ino)};
}

bool FileSystem::isReadOnly(const QString& chemin) const {
    struct stat s {};
    return ::lstat(Natif(chemin).constData(), &s) == 0 && !S_ISLNK(s.st_mode) &&
           (s.st_mode & S_IWUSR) == 0;
}

// ---- FileSystem: changes --------------------------------------------------------------

ResultatFs FileSystem::createFolder(const QString& chemin, bool* cree) {
    const QByteArray natif = Natif(chemin);
    int code =
        Etape(plan_, OperationFs::CreeDossier, [&] { return ::mkdir(natif.constData(), 0777); });
    if (cree)
        *cree = code == 0;
    // Already there counts as done only when it is a folder (not a file, not a link to one).
    if (code == EEXIST && folderExists(chemin))
        code = 0;
    return Resultat(code);
}

ResultatFs FileSystem::forceRemove(const QString& chemin) {
    const QByteArray natif = Natif(chemin);
    return Resultat(
        Etape(plan_, OperationFs::Supprime, [&] { return ::unlink(natif.constData()); }));
}

ResultatFs FileSystem::move(const QString& source, const QString& cible, Remplacement remplacement,
                            const InfoFichier* sourceLue) {
    const QByteArray de = Natif(source);
    const QByteArray vers = Natif(cible);
    // The source's own facts: read first unless the caller just read them, and then only on
    // the rare paths that need more than they hold (an existing target, another file system).
    struct stat avant {};
    bool avantLu = false;
    const auto litAvant = [&] {
        if (!avantLu && ::lstat(de.constData(), &avant) != 0)
            return errno;
        avantLu = true;
        return 0;
    };
    if (!sourceLue) {
        if (const int erreur = litAvant())
            return Resultat(erreur);
        if (S_ISDIR(avant.st_mode))
            return Resultat(EISDIR);
    }

    int code;
    if (remplacement == Remplacement::Jamais) {
        bool parLien = false;
        code = RenommerSansRemplacer(plan_, de, vers, parLien);
        if (code == 0 && parLien) {
            code = Etape(plan_, OperationFs::Supprime, [&] { return ::unlink(de.constData()); });
            // The second name only, and only while it is still the source's: the source is
            // whole.
            struct stat a {
            }, b{};
            if (code != 0 && ::lstat(de.constData(), &a) == 0 &&
                ::lstat(vers.constData(), &b) == 0 && MemeFichier(a, b))
                ::unlink(vers.constData());
        }
    } else {
        // Most targets do not exist yet: a rename that refuses to replace settles those in one
        // call, with no look at the target first. Only when the target exists (EEXIST), or the
        // file system lacks the flag (EINVAL, ENOSYS), is the target examined and replaced.
        const auto [dossierCible, nomCible] = DansDossierTenu(vers);
        code = Etape(plan_, OperationFs::Renomme, [&] {
            return ::renameat2(AT_FDCWD, de.constData(), dossierCible, nomCible, RENAME_NOREPLACE);
        });
        struct stat present {};
        if (code != EEXIST && code != EINVAL && code != ENOSYS) {
            // Done, or a failure the replacing rename would meet as well (EXDEV: copied below).
        } else if (const int erreur = litAvant()) {
            code = erreur;
        } else if (::lstat(vers.constData(), &present) == 0 && MemeFichier(present, avant) &&
                   !MemeEntree(de, vers)) {
            // Two hard links of one file: rename(2) would do nothing and succeed, leaving
            // the source behind. The target already is the file; only the source name goes.
            code = Etape(plan_, OperationFs::Supprime, [&] { return ::unlink(de.constData()); });
        } else {
            code = Etape(plan_, OperationFs::Renomme,
                         [&] { return ::rename(de.constData(), vers.constData()); });
        }
    }
    if (code == EXDEV) {
        const int erreur = litAvant();
        PrimitivesPosix primitives(plan_);
        code = erreur ? erreur
               : S_ISDIR(avant.st_mode)
                   ? EISDIR
                   : DeplaceAilleurs(primitives, source, Faits(avant), cible, remplacement);
    }
    return Resultat(code);
}

namespace {

bool EstNomTemporaire(const char* nom) {
    const std::size_t prefixe = sizeof PrefixeTemporaire - 1;
    if (std::strncmp(nom, PrefixeTemporaire, prefixe) != 0 ||
        std::strlen(nom) != prefixe + LongueurSuffixeTemporaire)
        return false;
    for (const char* c = nom + prefixe; *c; ++c) {
        if (!std::isalnum(static_cast<unsigned char>(*c)))
            return false;
    }
    return true;
}

int RetireTemporairesDans(int fdDossier) {
    DIR* d = ::fdopendir(fdDossier);
    if (!d) {
        ::close(fdDossier);
        return 0;
    }
    int retires = 0;
    std::vector<QByteArray> sousDossiers;
    while (const dirent* e = ::readdir(d)) {
        struct stat s {};
        if (::fstatat(fdDossier, e->d_name, &s, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(s.st_mode)) {
            if (e->d_name[0] != '.')
                sousDossiers.emplace_back(e->d_name);
        } else if (EstNomTemporaire(e->d_name) && ::unlinkat(fdDossier, e->d_name, 0) == 0) {
            ++retires;
        }
    }
    for (const QByteArray& nom : sousDossiers) {
        const int fd =
            ::openat(fdDossier, nom.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0)
            retires += RetireTemporairesDans(fd);
    }
    ::closedir(d);
    return retires;
}

}  // namespace

int FileSystem::removeLeftoverTemporaries(const QString& dossier) {
    const int fd =
        ::open(Natif(dossier).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    return fd < 0 ? 0 : RetireTemporairesDans(fd);
}

// ---- Held folders and appended files ----------------------------------------------------

void DossierTenu::ferme() {
    if (poignee_ != -1)
        ::close(int(poignee_));
    poignee_ = -1;
    acces_.clear();
    lieu_.clear();
}

void FichierAjout::ferme() {
    if (poignee_ != -1)
        ::close(int(poignee_));
    poignee_ = -1;
}

namespace {

// Takes an open folder into `dossier`; the errno, or 0. The folder is reached afterwards through
// /proc/self/fd/N, so /proc must show it: without /proc nothing could be done relative to it,
// and nothing is done at all (ENOSYS) rather than by a path that may have changed.
// The path the kernel gives the open folder `fd` now, or nothing when it cannot tell it (a
// path too long). A folder renamed since has its new path; one removed has its old path
// followed by " (deleted)": neither is the path it was reached by.
QByteArray CheminNoyau(int fd) {
    char tampon[PATH_MAX];
    const QByteArray lien = "/proc/self/fd/" + QByteArray::number(fd);
    const ssize_t n = ::readlink(lien.constData(), tampon, sizeof tampon);
    if (n <= 0 || n >= ssize_t(sizeof tampon) || tampon[0] != '/')
        return {};
    return QByteArray(tampon, qsizetype(n));
}

int Tenir(int fd, DossierTenu& dossier, qintptr& poignee, QString& acces, IdentiteFichier& id) {
    struct stat s {};
    if (::fstat(fd, &s) != 0) {
        const int code = errno;
        ::close(fd);
        return code;
    }
    if (!S_ISDIR(s.st_mode)) {
        ::close(fd);
        return S_ISLNK(s.st_mode) ? ELOOP : ENOTDIR;
    }
    const QByteArray chemin = "/proc/self/fd/" + QByteArray::number(fd);
    struct stat vu {};
    if (::stat(chemin.constData(), &vu) != 0 || !MemeFichier(vu, s)) {
        ::close(fd);
        return ENOSYS;
    }
    dossier.ferme();
    poignee = fd;
    acces = QString::fromLatin1(chemin);
    id = Identite(s);
    return 0;
}

constexpr int OuvertureDossier = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

}  // namespace

ResultatFs FileSystem::openFolder(const QString& chemin, DossierTenu& dossier) const {
    const int fd = ::open(Natif(chemin).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return Resultat(errno);
    if (const int code = Tenir(fd, dossier, dossier.poignee_, dossier.acces_, dossier.identite_))
        return Resultat(code);
    dossier.lieu_ = CheminNoyau(fd);
    return {};
}

ResultatFs FileSystem::openSubfolder(const DossierTenu& parent, const QString& nom, bool creer,
                                     DossierTenu& dossier, bool* cree) {
    if (cree)
        *cree = false;
    const QByteArray natif = Natif(nom);
    if (natif.isEmpty() || natif.contains('/') || natif == "." || natif == "..")
        return Resultat(EINVAL);
    const int fdParent = int(parent.poignee_);
    int fd = ::openat(fdParent, natif.constData(), OuvertureDossier);
    if (fd < 0 && errno == ENOENT && creer) {
        const int code = Etape(plan_, OperationFs::CreeDossier,
                               [&] { return ::mkdirat(fdParent, natif.constData(), 0777); });
        if (code != 0 && code != EEXIST)
            return Resultat(code);
        if (cree)
            *cree = code == 0;
        fd = ::openat(fdParent, natif.constData(), OuvertureDossier);
    }
    if (fd < 0) {
        // A link there is told apart from a file: both fail as "not a folder" here.
        struct stat s {};
        const int code = errno;
        if (code == ENOTDIR &&
            ::fstatat(fdParent, natif.constData(), &s, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(s.st_mode))
            return Resultat(ELOOP);
        return Resultat(code);
    }
    // Where the kernel sees it must be where it was asked for: the parent moved meanwhile
    // otherwise, and the folder is not taken for one under the parent's path.
    QByteArray lieu;
    if (!parent.lieu_.isEmpty()) {
        lieu = parent.lieu_;
        if (!lieu.endsWith('/'))
            lieu += '/';
        lieu += natif;
        if (CheminNoyau(fd) != lieu) {
            ::close(fd);
            return Resultat(EBUSY);
        }
    }
    if (const int code = Tenir(fd, dossier, dossier.poignee_, dossier.acces_, dossier.identite_))
        return Resultat(code);
    dossier.lieu_ = std::move(lieu);
    return {};
}

bool FileSystem::unmoved(const DossierTenu& dossier) const {
    return dossier.ouvert() && !dossier.lieu_.isEmpty() &&
           CheminNoyau(int(dossier.poignee_)) == dossier.lieu_;
}

ResultatFs FileSystem::createFile(const DossierTenu& dossier, const QString& nom,
                                  FichierAjout& fichier) {
    const int fd = ::openat(int(dossier.poignee_), Natif(nom).constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return Resultat(errno);
    fichier.ferme();
    fichier.poignee_ = fd;
    return {};
}

ResultatFs FileSystem::append(FichierAjout& fichier, QByteArrayView octets) {
    if (const int code = PanneChoisie(plan_, OperationFs::Ecrit))
        return Resultat(code);
    if (!fichier.ouvert())
        return Resultat(EBADF);
    const ssize_t n = ::write(int(fichier.poignee_), octets.data(), std::size_t(octets.size()));
    if (n < 0)
        return Resultat(errno);
    return Resultat(n == octets.size() ? 0 : ENOSPC);
}

ResultatFs FileSystem::openLockFile(const DossierTenu& dossier, const QString& nom, bool creer,
                                    FichierAjout& fichier) {
    if (const int code = PanneChoisie(plan_, OperationFs::Verrou))
        return Resultat(code);
    const int fd = ::openat(int(dossier.poignee_), Natif(nom).constData(),
                            O_RDWR | O_NOFOLLOW | O_CLOEXEC | (creer ? O_CREAT | O_EXCL : 0), 0644);
    if (fd < 0)
        return Resultat(errno);
    fichier.ferme();
    fichier.poignee_ = fd;
    return {};
}

ResultatFs FileSystem::lockFile(FichierAjout& fichier) {
    if (const int code = PanneChoisie(plan_, OperationFs::Verrou))
        return Resultat(code);
    if (::flock(int(fichier.poignee_), LOCK_EX | LOCK_NB) == 0)
        return {};
    return Resultat(errno == EINTR ? EWOULDBLOCK : errno);
}

ResultatFs FileSystem::rewrite(FichierAjout& fichier, QByteArrayView octets) {
    if (const int code = PanneChoisie(plan_, OperationFs::Verrou))
        return Resultat(code);
    const int fd = int(fichier.poignee_);
    if (::ftruncate(fd, 0) != 0)
        return Resultat(errno);
    const ssize_t n = ::pwrite(fd, octets.data(), std::size_t(octets.size()), 0);
    return Resultat(n < 0 ? errno : n == octets.size() ? 0 : ENOSPC);
}

std::optional<InfoFichier> FileSystem::facts(const FichierAjout& fichier) const {
    struct stat s {};
    if (::fstat(int(fichier.poignee_), &s) != 0)
        return std::nullopt;
    return Faits(s);
}

std::optional<qint64> FileSystem::arrivalTime(const QString& chemin) const {
    struct stat s {};
    if (::lstat(Natif(chemin).constData(), &s) != 0)
        return std::nullopt;
    return qint64(s.st_ctim.tv_sec) * 1'000'000'000 + s.st_ctim.tv_nsec;
}

QByteArray OctetsHote(const QString& chemin) {
    return QFile::encodeName(chemin);
}

QString TexteHote(QByteArrayView octets) {
    return QFile::decodeName(octets.toByteArray());
}

// ---- FichierLecture -------------------------------------------------------------------

int FichierLecture::faitsDe(const QString& chemin, InfoFichier& info, bool& ordinaire) {
    struct stat s {};
    if (::stat(Natif(chemin).constData(), &s) != 0)
        return errno;
    info = Faits(s);
    ordinaire = S_ISREG(s.st_mode);
    return 0;
}

int FichierLecture::ouvre(const QString& chemin) {
    ferme();
    const QByteArray natif = Natif(chemin);
    int fd;
    do fd = ::open(natif.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return errno;
    poignee_ = fd;
    return 0;
}

int FichierLecture::faits(InfoFichier& info, bool& ordinaire) const {
    struct stat s {};
    if (::fstat(int(poignee_), &s) != 0)
        return errno;
    info = Faits(s);
    ordinaire = S_ISREG(s.st_mode);
    return 0;
}

qint64 FichierLecture::lit(qint64 decalage, char* octets, qint64 longueur, int& erreur) {
    for (;;) {
        const ssize_t n = ::pread(int(poignee_), octets, std::size_t(longueur), off_t(decalage));
        if (n < 0 && errno == EINTR)
            continue;
        erreur = n < 0 ? errno : 0;
        return n;
    }
}

void FichierLecture::ferme() {
    if (poignee_ != -1)
        ::close(int(poignee_));
    poignee_ = -1;
}

}  // namespace tidemark
