#include "garage/VerrouGarage.h"

#include "core/Drives.h"
#include "core/FileSystem.h"

#include <QDir>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/file.h>
#include <unistd.h>
#endif

namespace tidemark {

namespace {

constexpr auto IntervalleAttente = std::chrono::milliseconds(50);
// Attempts when a lock file or its folders vanish under us (their holder was just leaving).
constexpr int EssaisMax = 1000;

enum class Prise { Prise, SansGarage, Impossible };

// The calls on the lock file the file-system service has no use for, with wide-character
// paths on Windows. Ouvre sets errno on failure.
#ifdef _WIN32
int Ouvre(const QString& chemin, bool nouveau) {
    return ::_wopen(CheminWindows(chemin).c_str(),
                    _O_RDWR | _O_BINARY | _O_NOINHERIT | (nouveau ? _O_CREAT | _O_EXCL : 0),
                    _S_IREAD | _S_IWRITE);
}

HANDLE Poignee(int fd) {
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

// Takes the lock without waiting: 0, EWOULDBLOCK when another holds it, or the error.
int Verrouille(int fd) {
    OVERLAPPED zone{};
    if (::LockFileEx(Poignee(fd), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                     MAXDWORD, &zone))
        return 0;
    const DWORD code = ::GetLastError();
    return code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING ? EWOULDBLOCK
                                                                    : CodeWindows(code);
}

// True when the open file is still the one the path names; `taille` gets its size.
bool Nomme(int fd, const QString& chemin, qint64& taille) {
    BY_HANDLE_FILE_INFORMATION tenu{};
    if (!::GetFileInformationByHandle(Poignee(fd), &tenu))
        return false;
    taille = (qint64(tenu.nFileSizeHigh) << 32) | tenu.nFileSizeLow;
    const std::optional<IdentiteFichier> nomme = FileSystem().identity(chemin);
    return nomme && nomme->peripherique == tenu.dwVolumeSerialNumber &&
           nomme->inode == ((quint64(tenu.nFileIndexHigh) << 32) | tenu.nFileIndexLow);
}

void EcritNumero(int fd) {
    const QByteArray pid = QByteArray::number(qint64(::GetCurrentProcessId())) + '\n';
    if (::_chsize_s(fd, 0) != 0 || ::_lseeki64(fd, 0, SEEK_SET) != 0 ||
        ::_write(fd, pid.constData(), unsigned(pid.size())) < 0) {
        // The number is only a hint for a later run; the lock holds without it.
    }
}

void Ferme(int fd) {
    ::_close(fd);
}

#else
int Ouvre(const QString& chemin, bool nouveau) {
    return ::open(OctetsHote(chemin).constData(),
                  O_RDWR | O_NOFOLLOW | O_CLOEXEC | (nouveau ? O_CREAT | O_EXCL : 0), 0644);
}

int Verrouille(int fd) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return 0;
    return errno == EINTR ? EWOULDBLOCK : errno;
}

bool Nomme(int fd, const QString& chemin, qint64& taille) {
    struct stat tenu {
    }, nomme{};
    if (::fstat(fd, &tenu) != 0 || ::lstat(OctetsHote(chemin).constData(), &nomme) != 0)
        return false;
    taille = tenu.st_size;
    return tenu.st_dev == nomme.st_dev && tenu.st_ino == nomme.st_ino;
}

void EcritNumero(int fd) {
    const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, pid.constData(), size_t(pid.size()), 0) < 0) {
        // The number is only a hint for a later run; the lock holds without it.
    }
}

void Ferme(int fd) {
    ::close(fd);
}

#endif

}  // namespace

QString VerrousGarage::MessageAttente(QChar lettre) {
    return QStringLiteral("une autre purge est en cours sur %1: ; attente…").arg(lettre.toUpper());
}

VerrousGarage::~VerrousGarage() {
    libere();
}

void VerrousGarage::libere() {
    FileSystem systeme;  // the lock's own calls: a run's fault plan does not count them
    for (Verrou& v : verrous_) {
        const QString fichier = v.journaux.acces() + QStringLiteral("/verrou");
#ifdef _WIN32
        // Windows keeps an open file's name: it is closed first. A run that opens it in
        // between keeps the name, holds the lock and goes on with it.
        Ferme(v.fd);
        systeme.forceRemove(fichier);
#else
        // Removed while still held: a run that opened the file meanwhile finds, once it holds
        // it, that the name no longer leads to it, and starts again with a new file.
        systeme.forceRemove(fichier);
        Ferme(v.fd);
#endif
        // The folders are let go before they are removed (Windows removes no held folder), and
        // removed through the folder that holds them.
        v.journaux.ferme();
        QDir().rmdir(v.garage.acces() + QStringLiteral("/.tidemark"));
        v.garage.ferme();
        // rmdir never follows a link in the last place of its path.
        if (!v.garageCree.isEmpty())
            QDir().rmdir(v.garageCree);
    }
    verrous_.clear();
}

bool VerrousGarage::prend(QList<QChar> lettres, const DriveMap& lecteurs, bool creer,
                          FileSystem& fs, const AttenteVerrou& attente) {
    FileSystem systeme;  // the lock's own calls: a run's fault plan does not count them
    for (QChar& l : lettres) l = l.toUpper();
    std::sort(lettres.begin(), lettres.end());
    lettres.erase(std::unique(lettres.begin(), lettres.end()), lettres.end());
    for (const QChar lettre : std::as_const(lettres)) {
        const QString racine = lecteurs.racine(lettre);
        if (racine.isEmpty())
            continue;
        const QString garage =
            racine.endsWith(u'/') ? racine + u'_' : racine + QStringLiteral("/_");
        Verrou v;
        bool annonce = false;
        Prise prise = Prise::Impossible;
        for (int essai = 0; essai < EssaisMax; ++essai) {
            // The garage and its .tidemark are reached from the drive root without following a
            // link: a link there is refused, and the lock is never made through it.
            DossierTenu haut;
            if (!systeme.openFolder(racine, haut).ok())
                break;
            bool garageCree = false;
            if (const ResultatFs r =
                    systeme.openSubfolder(haut, QStringLiteral("_"), creer, v.garage, &garageCree);
                !r.ok()) {
                // A run that puts nothing into the garage makes none to lock.
                if (!creer && r.erreur == ENOENT)
                    prise = Prise::SansGarage;
                break;
            }
            if (garageCree)
                v.garageCree = garage;
            if (const ResultatFs fait =
                    systeme.openSubfolder(v.garage, QStringLiteral(".tidemark"), true, v.journaux);
                !fait.ok()) {
                if (fait.erreur == ENOENT)
                    continue;  // the garage folder went with the run that made it
                break;
            }
            const QString fichier = v.journaux.acces() + QStringLiteral("/verrou");
            bool existait = false;
            int fd = Ouvre(fichier, true);
            if (fd < 0 && errno == EEXIST) {
                existait = true;
                fd = Ouvre(fichier, false);
            }
            if (fd < 0) {
                if (errno == ENOENT)
                    continue;
                break;
            }
            while (const int code = Verrouille(fd)) {
                const bool occupe = code == EWOULDBLOCK;
                if (occupe && attente) {
                    const QString message = annonce ? QString() : MessageAttente(lettre);
                    annonce = true;
                    if (!attente(message)) {
                        Ferme(fd);
                        libere();
                        return false;
                    }
                }
                if (!occupe) {
                    Ferme(fd);
                    fd = -1;
                    break;
                }
                std::this_thread::sleep_for(IntervalleAttente);
            }
            if (fd < 0)
                break;
            // The name must still lead to the file now held: its last holder may have removed
            // it between our open and our lock.
            qint64 taille = 0;
            if (!Nomme(fd, fichier, taille)) {
                Ferme(fd);
                continue;
            }
            // A file that was there, with a holder's number in it, was left by a run that
            // ended without releasing it: killed, its moves may have left temporaries.
            if (existait && taille > 0)
                retires_ += fs.removeLeftoverTemporaries(garage);
            EcritNumero(fd);
            v.fd = fd;
            prise = Prise::Prise;
            break;
        }
        if (prise == Prise::Prise) {
            verrous_.push_back(std::move(v));
        } else if (!v.garageCree.isEmpty()) {
            v.journaux.ferme();
            v.garage.ferme();
            QDir().rmdir(v.garageCree);
        }
    }
    return true;
}

}  // namespace tidemark
