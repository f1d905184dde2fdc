#include "garage/VerrouGarage.h"

#include "core/Drives.h"
#include "core/FileSystem.h"

#include <QDir>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace tidemark {

namespace {

constexpr auto IntervalleAttente = std::chrono::milliseconds(50);
// Attempts when a lock file or its folders vanish under us (their holder was just leaving).
constexpr int EssaisMax = 1000;

enum class Prise { Prise, SansGarage, Impossible };

// The number of this process, written in the lock it holds: a hint for a later run that finds
// the file left behind.
QByteArray NumeroProcessus() {
#ifdef _WIN32
    return QByteArray::number(qint64(::GetCurrentProcessId())) + '\n';
#else
    return QByteArray::number(qint64(::getpid())) + '\n';
#endif
}

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
        v.fichier.ferme();
        systeme.forceRemove(fichier);
#else
        // Removed while still held: a run that opened the file meanwhile finds, once it holds
        // it, that the name no longer leads to it, and starts again with a new file.
        systeme.forceRemove(fichier);
        v.fichier.ferme();
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
            // The lock file's own calls go through the run's service: its fault plan reaches them.
            const QString nom = QStringLiteral("verrou");
            bool existait = false;
            ResultatFs ouvert = fs.openLockFile(v.journaux, nom, true, v.fichier);
            if (ouvert.erreur == EEXIST) {
                existait = true;
                ouvert = fs.openLockFile(v.journaux, nom, false, v.fichier);
            }
            if (!ouvert.ok()) {
                if (ouvert.erreur == ENOENT)
                    continue;
                break;
            }
            bool tenu = false;
            for (;;) {
                const ResultatFs essaiVerrou = fs.lockFile(v.fichier);
                if (essaiVerrou.ok()) {
                    tenu = true;
                    break;
                }
                if (essaiVerrou.erreur != EWOULDBLOCK)
                    break;
                if (attente) {
                    const QString message = annonce ? QString() : MessageAttente(lettre);
                    annonce = true;
                    if (!attente(message)) {
                        v.fichier.ferme();
                        libere();
                        return false;
                    }
                }
                std::this_thread::sleep_for(IntervalleAttente);
            }
            if (!tenu) {
                v.fichier.ferme();
                break;
            }
            // The name must still lead to the file now held: its last holder may have removed
            // it between our open and our lock.
            const std::optional<InfoFichier> tenuFaits = fs.facts(v.fichier);
            const std::optional<InfoFichier> nomme = systeme.info(v.journaux.acces() + u'/' + nom);
            if (!tenuFaits || !nomme || nomme->peripherique != tenuFaits->peripherique ||
                nomme->inode != tenuFaits->inode) {
                v.fichier.ferme();
                continue;
            }
            // A file that was there, with a holder's number in it, was left by a run that
            // ended without releasing it: killed, its moves may have left temporaries.
            if (existait && tenuFaits->taille > 0)
                retires_ += fs.removeLeftoverTemporaries(garage);
            // The number is only a hint for a later run; the lock holds without it.
            (void)fs.rewrite(v.fichier, NumeroProcessus());
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
