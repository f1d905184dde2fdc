#include "garage/VerrouGarage.h"

#include "core/Drives.h"
#include "core/FileSystem.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tidemark {

namespace {

constexpr auto IntervalleAttente = std::chrono::milliseconds(50);
// Attempts when a lock file or its folders vanish under us (their holder was just leaving).
constexpr int EssaisMax = 1000;

enum class Prise { Prise, SansGarage, Impossible, Abandon };

// mkdir that takes an existing folder as done; false on any other failure.
bool Dossier(const QByteArray& chemin, bool* cree = nullptr) {
    if (::mkdir(chemin.constData(), 0777) == 0) {
        if (cree)
            *cree = true;
        return true;
    }
    struct stat s {};
    return errno == EEXIST && ::lstat(chemin.constData(), &s) == 0 && S_ISDIR(s.st_mode);
}

}  // namespace

QString VerrousGarage::MessageAttente(QChar lettre) {
    return QStringLiteral("une autre purge est en cours sur %1: ; attente…").arg(lettre.toUpper());
}

VerrousGarage::~VerrousGarage() {
    libere();
}

void VerrousGarage::libere() {
    for (Verrou& v : verrous_) {
        // Removed while still held: a run that opened the file meanwhile finds, once it holds
        // it, that the name no longer leads to it, and starts again with a new file.
        ::unlink(v.fichier.constData());
        ::close(v.fd);
        ::rmdir(v.dossier.constData());
        if (!v.garageCree.isEmpty())
            ::rmdir(v.garageCree.constData());
    }
    verrous_.clear();
}

bool VerrousGarage::prend(QList<QChar> lettres, const DriveMap& lecteurs, bool creer,
                          FileSystem& fs, const AttenteVerrou& attente) {
    for (QChar& l : lettres) l = l.toUpper();
    std::sort(lettres.begin(), lettres.end());
    lettres.erase(std::unique(lettres.begin(), lettres.end()), lettres.end());
    for (const QChar lettre : std::as_const(lettres)) {
        const QString racine = lecteurs.racine(lettre);
        if (racine.isEmpty())
            continue;
        const QByteArray garage = QFile::encodeName(
            racine.endsWith(u'/') ? racine + u'_' : racine + QStringLiteral("/_"));
        Verrou v;
        v.dossier = garage + "/.tidemark";
        v.fichier = v.dossier + "/verrou";
        bool annonce = false;
        Prise prise = Prise::Impossible;
        for (int essai = 0; essai < EssaisMax; ++essai) {
            bool garageCree = false;
            if (creer ? !Dossier(garage, &garageCree) : !Dossier(garage)) {
                struct stat s {};
                prise = !creer && ::lstat(garage.constData(), &s) != 0 ? Prise::SansGarage
                                                                       : Prise::Impossible;
                break;
            }
            if (garageCree)
                v.garageCree = garage;
            if (!Dossier(v.dossier)) {
                if (errno == ENOENT)
                    continue;  // the garage folder went with the run that made it
                break;
            }
            bool existait = false;
            int fd = ::open(v.fichier.constData(),
                            O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
            if (fd < 0 && errno == EEXIST) {
                existait = true;
                fd = ::open(v.fichier.constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
            }
            if (fd < 0) {
                if (errno == ENOENT)
                    continue;
                break;
            }
            while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
                const bool occupe = errno == EWOULDBLOCK || errno == EINTR;
                if (occupe && attente) {
                    const QString message = annonce ? QString() : MessageAttente(lettre);
                    annonce = true;
                    if (!attente(message)) {
                        ::close(fd);
                        libere();
                        return false;
                    }
                }
                if (!occupe) {
                    ::close(fd);
                    fd = -1;
                    break;
                }
                std::this_thread::sleep_for(IntervalleAttente);
            }
            if (fd < 0)
                break;
            // The name must still lead to the file now held: its last holder may have removed
            // it between our open and our lock.
            struct stat tenu {
            }, nomme{};
            if (::fstat(fd, &tenu) != 0 || ::lstat(v.fichier.constData(), &nomme) != 0 ||
                tenu.st_dev != nomme.st_dev || tenu.st_ino != nomme.st_ino) {
                ::close(fd);
                continue;
            }
            // A file that was there, with a holder's number in it, was left by a run that
            // ended without releasing it: killed, its moves may have left temporaries.
            if (existait && tenu.st_size > 0)
                retires_ += fs.removeLeftoverTemporaries(QFile::decodeName(garage));
            const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
            if (::ftruncate(fd, 0) != 0 ||
                ::pwrite(fd, pid.constData(), size_t(pid.size()), 0) < 0) {
                // The number is only a hint for a later run; the lock holds without it.
            }
            v.fd = fd;
            prise = Prise::Prise;
            break;
        }
        if (prise == Prise::Prise)
            verrous_.push_back(std::move(v));
        else if (!v.garageCree.isEmpty())
            ::rmdir(v.garageCree.constData());
    }
    return true;
}

}  // namespace tidemark
