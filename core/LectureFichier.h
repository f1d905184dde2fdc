#pragma once

#include <QByteArray>
#include <QString>

// The one way the program reads a whole file it did not write itself (config.pro, intro.txt,
// the settings file): only a regular file, never waiting on a pipe or a device, and never
// more than a bound far above any real file, so that a hostile file can neither hang the
// program nor exhaust its memory.
namespace tidemark {

inline constexpr qint64 Mo = 1024 * 1024;

// How the reading of a file ended.
enum class IssueLecture {
    Lu,            // the file is regular and within the bound (its bytes were read if asked)
    Absent,        // nothing at that path
    PasOrdinaire,  // a folder, a pipe, a device or a socket, or a link to one
    TropGrand,     // more bytes than the bound
    Erreur         // the system refused to open, inspect or read it
};

enum class Lecture {
    Contenu,  // read the bytes
    Controle  // only check that the file could be read: open it, inspect it, close it
};

struct LectureFichier {
    IssueLecture issue = IssueLecture::Erreur;
    QByteArray octets;  // the whole file, when read
    int erreur = 0;     // the errno of Absent and Erreur
    // Why the file was not read, in French, to follow the file's name ("n'est pas un fichier
    // ordinaire", "dépasse 16 Mo", "accès refusé"...); empty when it was.
    QString raison;
    bool ok() const { return issue == IssueLecture::Lu; }
};

// Opens the file at host path `chemin` without blocking (a symbolic link is followed) and
// reads it whole when it is a regular file of at most `limite` bytes. A file that grows
// past the bound while it is read is refused as too large. The file is closed in every case.
LectureFichier LitFichierOrdinaire(const QString& chemin, qint64 limite,
                                   Lecture lecture = Lecture::Contenu);

// The file's name in quotes followed by why it was not read, for a notice:
// "« C:\\proj\\config.pro » n'est pas un fichier ordinaire", "« intro.txt » : accès refusé".
QString PhraseRefus(const LectureFichier& lecture, const QString& nom);

}  // namespace tidemark
