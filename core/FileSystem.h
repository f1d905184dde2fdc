#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <cerrno>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

// The one file-system service of the program. It works on host paths (/home/ann/proj/x on
// Linux, C:/proj/x on Windows); the drive paths of the rules (C:\proj\x) are turned into host
// paths by DriveMap first. Linux's side is FileSystemPosix.cpp, Windows's FileSystemWin.cpp.
namespace tidemark {

// A Windows error that has no errno of its own is carried as this base plus its number, so
// that results keep one kind of code and reason() still names it in French.
inline constexpr int ErreurWindows = 0x20000000;

// A host path as bytes, and back: the system's file-name encoding on Linux, UTF-8 on Windows
// (whose file names are UTF-16, and whose 8-bit code page cannot spell every name).
QByteArray OctetsHote(const QString& chemin);
QString TexteHote(QByteArrayView octets);

#ifdef _WIN32
// The path as the wide-character Win32 calls take it: backslashes, and the \\?\ form past
// the 260 characters the plain form allows.
std::wstring CheminWindows(const QString& chemin);
// The errno that matches a Win32 error code, else ErreurWindows + the code.
int CodeWindows(unsigned long erreur);
#endif

// The operations a fault plan can make fail, each counted on its own. Clean-up after a
// failure (removing a temporary file, undoing a placed copy) is never counted, so a plan
// cannot make the undo itself fail.
enum class OperationFs {
    CreeDossier,  // mkdir of one folder level
    Supprime,     // unlink of a file or link given to remove(), or of a moved source
    Renomme,      // each rename(2), renameat2(2) or link(2) call of a move
    Copie,        // writing a copy to another file system: once per 1 MiB chunk read from
                  // the source (an empty file counts once), once for re-creating a link
    Synchronise,  // fsync of a copied file, then of the target folder
    Attributs,    // on a copy: fchmod, then futimens (a link: one utimensat)
    LitDossier,   // reading the entries of one folder (readFolder)
    Ecrit,        // one append to a file opened by createFile (a journal's header or lines)
    Verrou,       // a garage lock file: its opening, each try to lock it, writing its number
    Nombre
};

// In tests: make the k-th operation of a kind (counted from 1) fail with a chosen errno.
// Operations are counted under a lock: with several threads moving files, "the k-th move"
// is exactly one move, whichever thread makes it.
class FaultPlan {
public:
    void echoue(OperationFs operation, int k, int codeErreur);
    // Counts one more operation of this kind; the errno it must fail with, or 0.
    int suivante(OperationFs operation);
    // How many operations of this kind were counted.
    int compte(OperationFs operation) const;
    // Called before each counted operation with its kind and rank, before any failure is
    // chosen: a test that must stop a process at a chosen moment (SIGKILL) does it here.
    std::function<void(OperationFs operation, int rang)> avantEtape;

private:
    struct Panne {
        OperationFs operation;
        int rang;
        int code;
    };
    // A copy of a plan gets a lock of its own.
    struct Verrou {
        std::mutex m;
        Verrou() = default;
        Verrou(const Verrou&) {}
        Verrou& operator=(const Verrou&) { return *this; }
    };
    mutable Verrou verrou_;
    std::vector<Panne> pannes_;
    std::array<int, static_cast<int>(OperationFs::Nombre)> comptes_{};
};

// The outcome of an operation: errno 0 on success, else the error and a French reason.
struct ResultatFs {
    int erreur = 0;
    QString raison;  // e.g. "accès refusé", "plus de place sur le disque"
    bool ok() const { return erreur == 0; }
};

// The device and inode of a file: two paths with the same pair reach one file.
struct IdentiteFichier {
    quint64 peripherique = 0;
    quint64 inode = 0;
    bool operator==(const IdentiteFichier&) const = default;
};

// What the analysis reads of a file and compares again before disposing of it.
struct InfoFichier {
    qint64 taille = 0;
    qint64 modificationNs = 0;  // modification time, nanoseconds since the epoch
    bool lien = false;          // a symbolic link (the link itself was read)
    quint64 peripherique = 0;   // device and inode: two entries with the same pair are one
    quint64 inode = 0;          // file on disk, whatever their paths
    bool operator==(const InfoFichier&) const = default;
};

// What an entry of a folder is. A symbolic link to a folder is neither (Autre); a link to
// anything else, or to nothing, counts as a file (disposing of it acts on the link itself).
enum class GenreEntree { Fichier, Dossier, Autre };

enum class Remplacement {
    Jamais,   // a move fails with EEXIST rather than replace a file at the target
    Atomique  // the target, if any, is replaced in one step: the incoming file is in place
              // before the older one is gone
};

// A folder held open, reached from the folder it was opened in without following a link.
// `acces()` is a host path that leads to this very folder whatever its path becomes while it
// is held: on Linux /proc/self/fd/N, which the kernel resolves to the open folder itself; on
// Windows its own path, which cannot change meanwhile, since the folder is held without
// FILE_SHARE_DELETE (nobody may rename it, or delete it, until it is let go).
class DossierTenu {
public:
    DossierTenu() = default;
    DossierTenu(const DossierTenu&) = delete;
    DossierTenu& operator=(const DossierTenu&) = delete;
    DossierTenu(DossierTenu&& autre) noexcept { *this = std::move(autre); }
    DossierTenu& operator=(DossierTenu&& autre) noexcept {
        if (this != &autre) {
            ferme();
            poignee_ = std::exchange(autre.poignee_, -1);
            acces_ = std::move(autre.acces_);
            lieu_ = std::move(autre.lieu_);
            identite_ = autre.identite_;
        }
        return *this;
    }
    ~DossierTenu() { ferme(); }

    bool ouvert() const { return poignee_ != -1; }
    const QString& acces() const { return acces_; }
    IdentiteFichier identite() const { return identite_; }
    // Lets the folder go (each system's side closes its handle).
    void ferme();

private:
    friend class FileSystem;
    qintptr poignee_ = -1;
    QString acces_;
    QByteArray lieu_;  // Linux: the path it was reached by, as the kernel spells it
    IdentiteFichier identite_;
};

// A file opened by FileSystem::createFile for appending, closed when it goes.
class FichierAjout {
public:
    FichierAjout() = default;
    FichierAjout(const FichierAjout&) = delete;
    FichierAjout& operator=(const FichierAjout&) = delete;
    FichierAjout(FichierAjout&& autre) noexcept { *this = std::move(autre); }
    FichierAjout& operator=(FichierAjout&& autre) noexcept {
        if (this != &autre) {
            ferme();
            poignee_ = std::exchange(autre.poignee_, -1);
        }
        return *this;
    }
    ~FichierAjout() { ferme(); }
    bool ouvert() const { return poignee_ != -1; }
    void ferme();

private:
    friend class FileSystem;
    qintptr poignee_ = -1;
};

class FileSystem {
public:
    // `plan` may be null; it is not owned and must outlive the service.
    explicit FileSystem(FaultPlan* plan = nullptr);

    bool folderExists(const QString& chemin) const;  // a folder, not a link to one
    bool fileExists(const QString& chemin) const;    // a file or a symbolic link
    // One folder level; its parent must exist. A folder already there counts as done;
    // `cree`, when given, is set when this call made it.
    ResultatFs createFolder(const QString& chemin, bool* cree = nullptr);
    // Size and modification time of the file or link itself; nothing when it is missing.
    std::optional<InfoFichier> info(const QString& chemin) const;
    // The identity of what the path reaches: that of the target for a symbolic link, so
    // that a link and its target are one file; that of the link itself when it leads
    // nowhere. Nothing when the path cannot be read; `erreur` then receives the errno.
    std::optional<IdentiteFichier> identity(const QString& chemin, int* erreur = nullptr) const;
    // The absolute path of what `chemin` reaches, every symbolic link followed and every "."
    // and ".." taken away. Nothing when it cannot be followed to its end (`erreur` then
    // receives the errno), or when that path is not UTF-8 (EILSEQ).
    std::optional<QString> realPath(const QString& chemin, int* erreur = nullptr) const;
    // The same, and whether the entry is a folder (set only when the facts were read).
    std::optional<InfoFichier> info(const QString& chemin, bool& dossier) const;
    // The facts of many entries of one folder: infos[i] is exactly what
    // info(dossier + "/" + noms[i]) gives, but the entries are read relative to one open
    // handle on the folder, so the kernel walks the folder's path once rather than per name.
    // `infos` has the size of `noms`.
    void infosIn(const QString& dossier, std::span<const QStringView> noms,
                 std::span<std::optional<InfoFichier>> infos) const;
    // Calls `visite` with the name (as the host spells it: OctetsHote's bytes) and the kind of
    // every entry of the folder, "." and ".." aside, in the order the system gives them. On
    // Windows the hidden and system entries are left out, as names beginning with "." are
    // by the scan on Linux. A folder that cannot
    // be read, or whose reading fails part-way, gives its errno (the entries seen before a
    // failure were visited: a caller that must not use half a folder drops them).
    ResultatFs readFolder(const QString& chemin,
                          const std::function<void(const char* nom, std::size_t longueur,
                                                   GenreEntree genre)>& visite) const;
    // True when the owner has no write permission on the file (on Windows: the read-only
    // attribute).
    bool isReadOnly(const QString& chemin) const;
    // Deletes a file or a link (never its target). A read-only file is refused with EACCES:
    // Linux lets the owner of the folder delete one; the program does not, on any system.
    ResultatFs remove(const QString& chemin) {
        return isReadOnly(chemin) ? ResultatFs{EACCES, reason(EACCES)} : forceRemove(chemin);
    }
    // Deletes a file or a link, read-only or not.
    ResultatFs forceRemove(const QString& chemin);
    // Moves a file or a link (not a folder) to a full target path, across file systems
    // when needed: then the data is copied to a hidden temporary file beside the target,
    // synced, put in place, and only then is the source deleted.
    // On failure the source is whole, no temporary file is left behind, and the target is
    // as it was (absent, or the older file with Atomique; only on a file system without
    // hard links may a failure after the replacement leave the new copy in its place).
    // `sourceLue`, when given, holds what info(source) just gave for a source that is no
    // folder: the move does not read the source again before renaming it.
    ResultatFs move(const QString& source, const QString& cible,
                    Remplacement remplacement = Remplacement::Jamais,
                    const InfoFichier* sourceLue = nullptr);

    // Opens the host folder `chemin` itself (links along it followed: a drive root as the map
    // names it).
    ResultatFs openFolder(const QString& chemin, DossierTenu& dossier) const;
    // Opens the folder `nom` (one name) of `parent` without following a link: a link there, or
    // anything but a folder, is refused (ELOOP, ENOTDIR) and nothing is made. A missing one is
    // made first when `creer` (counted as CreeDossier); `cree`, when given, says it was.
    ResultatFs openSubfolder(const DossierTenu& parent, const QString& nom, bool creer,
                             DossierTenu& dossier, bool* cree = nullptr);
    // True while `dossier` is still where it was reached: no folder on its path, from the
    // one first opened down to it, renamed away, removed or replaced by a link. On Linux the
    // kernel's own path of the held folder is compared with the path it was reached by, one
    // call for the whole chain (false when that path is too long to be told: the caller then
    // reaches the folder afresh); on Windows a held folder can be neither renamed nor removed,
    // nor can the held folders above it.
    bool unmoved(const DossierTenu& dossier) const;
    // Creates the file `nom` in `dossier` for appending: EEXIST when something (a link too)
    // already has that name, which is never followed.
    ResultatFs createFile(const DossierTenu& dossier, const QString& nom, FichierAjout& fichier);
    // Appends all of `octets` in one write (counted as Ecrit); a short write is ENOSPC.
    ResultatFs append(FichierAjout& fichier, QByteArrayView octets);
    // The garage lock's file calls, each counted as Verrou. Opens the file `nom` of `dossier`
    // for reading and writing, never through a link: made when `creer` (EEXIST when there).
    ResultatFs openLockFile(const DossierTenu& dossier, const QString& nom, bool creer,
                            FichierAjout& fichier);
    // Takes the system's exclusive lock on the open file without waiting (EWOULDBLOCK when
    // another process holds it); the system lets it go when the holder ends, even killed.
    ResultatFs lockFile(FichierAjout& fichier);
    // Replaces the open file's content with `octets`.
    ResultatFs rewrite(FichierAjout& fichier, QByteArrayView octets);
    // The size and identity of the open file; nothing when they cannot be read.
    std::optional<InfoFichier> facts(const FichierAjout& fichier) const;
    // When the entry came into the folder it is in: its status-change time (ctime; Windows's
    // ChangeTime), in nanoseconds since the epoch; nothing when it cannot be read. A rename
    // sets it, so for a garage file it is the time it arrived, whatever its own dates say.
    std::optional<qint64> arrivalTime(const QString& chemin) const;

    // Removes the hidden temporary files (.tidemark-XXXXXX) that moves killed half-way left
    // in `dossier` and the folders below it (links to folders are not followed, hidden
    // folders not entered). Only for a folder where no live move can be at work, such as a
    // garage whose lock is held. Returns how many were removed.
    int removeLeftoverTemporaries(const QString& dossier);

    // The French reason for an errno ("accès refusé"...).
    static QString reason(int codeErreur);

private:
    FaultPlan* plan_;
};

// A file opened for reading, the same way on every platform: its facts read on the open
// handle, then its bytes at chosen offsets. Links are followed.
class FichierLecture {
public:
    FichierLecture() = default;
    FichierLecture(const FichierLecture&) = delete;
    FichierLecture& operator=(const FichierLecture&) = delete;
    FichierLecture(FichierLecture&& autre) noexcept : poignee_(autre.poignee_) {
        autre.poignee_ = -1;
    }
    FichierLecture& operator=(FichierLecture&& autre) noexcept {
        if (this != &autre) {
            ferme();
            poignee_ = autre.poignee_;
            autre.poignee_ = -1;
        }
        return *this;
    }
    ~FichierLecture() { ferme(); }

    // The facts of what the path leads to, links followed, without opening it (opening a
    // device may act on it): the errno, or 0 with `info` and `ordinaire` set.
    static int faitsDe(const QString& chemin, InfoFichier& info, bool& ordinaire);
    // Opens the file; the errno, or 0. A pipe put in the file's place does not block.
    int ouvre(const QString& chemin);
    bool ouvert() const { return poignee_ != -1; }
    // The facts of the open file: the errno, or 0.
    int faits(InfoFichier& info, bool& ordinaire) const;
    // Reads up to `longueur` bytes from `decalage`: how many (0 at the end), or -1 with the
    // errno in `erreur`.
    qint64 lit(qint64 decalage, char* octets, qint64 longueur, int& erreur);
    void ferme();

private:
    qintptr poignee_ = -1;
};

}  // namespace tidemark
