#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include "tests/support/QtGtest.h"

#include <initializer_list>
#include <utility>

namespace tidemark::test {

// A real temporary directory tree for engine tests, removed when the object goes.
// Paths given to it are relative to its root and use "/".
class TempTree {
public:
    // Makes the tree under the system's temporary folder, or under `base` when given
    // (/dev/shm, for a second file system).
    explicit TempTree(const QString& base = {});
    TempTree(std::initializer_list<const char*> fichiers);

    // The absolute host path of a relative path (the root itself when empty).
    QString chemin(const QString& relatif = {}) const;

    // Creates a file, and the folders above it, holding `contenu`.
    void fichier(const QString& relatif, const QByteArray& contenu = "x");
    // Creates several empty files.
    void fichiers(std::initializer_list<const char*> relatifs);
    // Creates a folder and those above it.
    void dossier(const QString& relatif);
    // Creates a symbolic link at `relatif` pointing to `cible` (taken as written).
    void lien(const QString& relatif, const QString& cible);
    // Gives the file `cible` a second name `lien` (a hard link).
    void lienDur(const QString& cible, const QString& lien);
    // Makes a file read-only: no write permission (Linux), the read-only attribute (Windows).
    void lectureSeule(const QString& relatif);
    // Puts at `relatif` what a hostile user may leave where the program reads a file: a
    // named pipe that no one writes, a link to /dev/zero, or a sparse file of `taille` bytes.
    enum class Piege { Tube, LienZero, Enorme };
    void piege(const QString& relatif, Piege piege, qint64 taille = 0);
    // Sets the modification time, in seconds since the epoch.
    void date(const QString& relatif, qint64 secondes);

    bool existe(const QString& relatif) const;
    QByteArray contenu(const QString& relatif) const;
    // Every file and link below the root, relative, sorted; garage journals
    // (_/.tidemark/*.txt) left out.
    QStringList tout() const;

private:
    QTemporaryDir dir_;
};

// A tmpfs mounted on an existing folder while it lives, for a garage or a tree on a second
// file system. Mounting needs the privilege to do so; `raison()` says why it could not.
class MontageTmpfs {
public:
    explicit MontageTmpfs(const QString& dossier);
    ~MontageTmpfs();
    MontageTmpfs(const MontageTmpfs&) = delete;
    MontageTmpfs& operator=(const MontageTmpfs&) = delete;
    bool monte() const { return raison_.isEmpty(); }
    QString raison() const { return raison_; }

private:
    QByteArray dossier_;
    QString raison_;
};

// Points the user's settings at a fresh temporary folder while it lives, so a test of the real
// settings store never touches the user's own: $XDG_CONFIG_HOME for child processes and
// QStandardPaths, and QSettings' own user path, which QSettings reads from the environment
// once per process and keeps. Both go back to what they were when the object goes.
class ConfigTemporaire : public TempTree {
public:
    ConfigTemporaire();
    ~ConfigTemporaire();

private:
    QByteArray ancienXdg_;
    bool avaitXdg_;
    QString ancienChemin_;
    QList<std::pair<QString, QVariant>> registre_;  // the user's own settings, on Windows
};

// Skips the rest of a test on Windows, saying why it cannot hold there; elsewhere nothing.
#ifdef _WIN32
#define TIDEMARK_SAUF_WINDOWS(raison) GTEST_SKIP() << "Windows: " << raison
#else
#define TIDEMARK_SAUF_WINDOWS(raison) static_cast<void>(0)
#endif

}  // namespace tidemark::test
