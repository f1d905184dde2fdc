#pragma once

#include <QChar>
#include <QString>

#include <map>
#include <optional>

namespace tidemark {

class FileSystem;
class SettingsStore;

// The virtual drives: each drive letter stands for a host folder, so the program's rules can
// work on paths of the form C:\proj\piston.prt.4 on every platform.
class DriveMap {
public:
    DriveMap() = default;

    // The map in force: $TIDEMARK_DRIVES ("C=/home/ann;D=/mnt/data") when it is set and not
    // empty, else the settings section "drives" (key = letter, value = host folder), else
    // C = the user's home folder and Z = /. Entries that are not a letter and an absolute
    // folder are passed over.
    static DriveMap Courante(const SettingsStore& store);
    // The map of a text in the form of $TIDEMARK_DRIVES.
    static DriveMap Depuis(QStringView texte);

    // Maps `lettre` (any case) to the absolute host folder `racine`.
    void ajoute(QChar lettre, const QString& racine);

    // The mapped letters, in upper case and in order.
    QList<QChar> lettres() const;
    // The host folder of a drive, or an empty text when it is not mapped.
    QString racine(QChar lettre) const;

    // The drive path of a host path: the drive whose root is its longest prefix in whole
    // components. A relative path is taken from the current folder. Nothing when no drive
    // holds it.
    std::optional<QString> versLecteur(const QString& cheminHote) const;
    // The host path of a drive path ("c:\proj", "C:/proj", "C:"); nothing when the text is
    // not a drive path, its drive is not mapped, or it climbs above the drive with "..".
    std::optional<QString> versHote(const QString& cheminLecteur) const;
    // A drive path brought to its one form: upper-case letter, "\" separators, and under the
    // drive that holds it when typed under another one (Z:\home\ann\x -> C:\x).
    std::optional<QString> normalise(const QString& cheminLecteur) const;
    // Either kind of path, as a drive path in its one form.
    std::optional<QString> versLecteurDepuisSaisie(const QString& saisie) const;

    // The French message for a path that lies on no drive.
    static QString MessageHorsLecteur(const QString& chemin);

private:
    std::map<char16_t, QString> racines_;  // upper-case letter -> clean absolute host folder
};

// Why a directory named by the user is not taken as a source.
enum class RefusRepertoire {
    Aucun,         // accepted
    Absent,        // it does not exist
    PasUnDossier,  // it is a file
    Illisible,     // its path cannot be followed (permissions, a loop of links, not UTF-8)
    HorsLecteur,   // the folder it reaches lies on no drive
    DansGarage     // the folder it reaches is a drive's garage or lies inside one
};

// A directory named by the user, once followed to the folder it reaches.
struct RepertoireResolu {
    QString chemin;  // when accepted: the drive path of that folder, in its one form
    RefusRepertoire refus = RefusRepertoire::Aucun;
    QString raison;  // when refused: the French reason, naming what was typed
    bool accepte() const { return refus == RefusRepertoire::Aucun; }
};

// Resolves a directory typed as a drive path or as a host path (a relative one is taken
// from the current folder). Its symbolic links are followed first, so that what is judged
// is the folder it reaches, never the name it was reached through. Refused when it does
// not exist, is not a folder, lies inside the garage `_` of any mapped drive (whatever
// drive it is reached through: a garage is never a source) or lies on no drive. Drive
// roots that are links themselves are followed too.
RepertoireResolu ResoutRepertoireSaisi(const QString& saisie, const DriveMap& lecteurs,
                                       const FileSystem& fs);

// True when the text begins with a drive letter and a colon ("C:", "c:\x", "D:/y").
bool EstCheminLecteur(QStringView texte);
// True for a drive root: a letter, a colon and a backslash, nothing more.
bool EstRacineLecteur(QStringView cheminLecteur);
// The drive path of the root of a drive: "C:\".
QString RacineLecteur(QChar lettre);
// Joins a drive folder and a name with exactly one "\" between them.
QString JoindreChemin(const QString& dossier, QStringView nom);

}  // namespace tidemark
