#pragma once

#include <QChar>
#include <QList>
#include <QString>

#include "core/FileSystem.h"

#include <functional>
#include <vector>

// One disposing run per garage at a time. A run that moves or deletes files holds the lock
// of the garage of every drive it works on, whether it runs in the window or on the command
// line; a second run waits for it. Without it, two runs moving the same files could each
// take the other's garage copy for their own.
//
// The lock is the file X:\_\.tidemark\verrou held with flock(2) on Linux, LockFileEx on
// Windows (through the file-system service, whose fault plan counts its calls as Verrou): the
// system releases it when its holder ends, even killed. A holder that ends normally removes the
// file; a file found on taking the lock, with a holder's process number in it, was left by a run
// that was killed, so the hidden temporary files of its moves are removed from that garage first.
namespace tidemark {

class DriveMap;

// Called while a run waits for a lock another run holds: once with the message to show
// ("une autre purge est en cours sur C: ; attente…"), then about every 100 ms with an empty
// text. Returning false gives up the wait.
using AttenteVerrou = std::function<bool(const QString& message)>;

class VerrousGarage {
public:
    VerrousGarage() = default;
    VerrousGarage(const VerrousGarage&) = delete;
    VerrousGarage& operator=(const VerrousGarage&) = delete;
    ~VerrousGarage();

    // Takes the locks of the garages of `lettres`, in letter order, so that two runs never
    // wait on each other in a circle. `creer`: makes the garage folder of a drive when it is
    // missing (a run that moves files there); otherwise a drive without a garage needs no
    // lock. A garage whose lock cannot be made (a folder the user may not write in) is passed
    // over: no file can be moved there either, and each move says so. Returns false when
    // `attente` gave up; the locks already taken are then released.
    bool prend(QList<QChar> lettres, const DriveMap& lecteurs, bool creer, FileSystem& fs,
               const AttenteVerrou& attente = {});
    // Releases every lock held (also done when the object goes).
    void libere();

    // How many garages are locked.
    qsizetype nombre() const { return qsizetype(verrous_.size()); }
    // How many temporary files left by killed runs were removed on taking the locks.
    int temporairesRetires() const { return retires_; }

    // The message shown while waiting for the garage of drive `lettre`.
    static QString MessageAttente(QChar lettre);

private:
    struct Verrou {
        FichierAjout fichier;  // the open lock file
        DossierTenu garage;    // X:\_, held (reached from the drive root, no link followed)
        DossierTenu journaux;  // its X:\_\.tidemark, held, removed when left empty
        QString garageCree;    // the garage's host path, when made for the lock alone
    };
    std::vector<Verrou> verrous_;
    int retires_ = 0;
};

}  // namespace tidemark
