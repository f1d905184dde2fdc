#pragma once

#include "core/LectureFichier.h"

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// The reader of Pro/ENGINEER's config.pro: the directories named by its "search_path" lines
// become the search directories of a config-mode scan.
namespace tidemark {

class DriveMap;
class FileSystem;

// At most this many search directories are kept, those of every file read counted together.
inline constexpr int CapaciteRepConf = 501;

// What the reading of one or more config.pro files tells the user.
struct CompteRenduConfig {
    // Lines for the file list, each behind the blank mark, with their own line endings:
    // the "en cours d'analyse" line of each file read and the failure lines.
    QStringList lignes;
    int horsLecteur = 0;     // existing directories passed over because they lie on no drive
    int dansGarage = 0;      // existing directories passed over because they lie in a garage
    int auDelaCapacite = 0;  // existing directories passed over because the list was full
    // Notices for the status line: why a config.pro that is there was not read (a pipe, a
    // device, a folder, a file past the bound, a system error).
    QStringList avis;
};

// A config.pro larger than this is no real one and is not read.
inline constexpr qint64 LimiteConfigPro = 16 * Mo;

// The text of a file: UTF-8 when the bytes are valid UTF-8 (a leading byte-order mark
// dropped), else Windows-1252.
QString DecodeTexteFichier(const QByteArray& octets);

// The value of the environment variable `home`; when it is not set under that name, the one
// of the first name that equals it without regard to case, in byte order ("HOME" on Linux).
// Empty when none is set. The whole value is kept, whatever its length.
QString VariableHome(const QProcessEnvironment& environnement);

// The path of the config.pro of a directory (drive path): one "\" between them.
QString CheminConfigPro(const QString& repertoire);

// Reads the config.pro at drive path `fichier`, looked for in the drive directory
// `repertoire`, and appends to `RepConf` every existing directory named by one of its
// search_path lines, as the drive path of the folder it reaches (links followed), in the order
// met (the same directory named twice is appended twice). A relative directory is taken from
// the process's current directory. Adds its lines to `compteRendu.lignes` and counts what it
// passed over. Returns true when the file was read to its end, false when it is missing, is
// no regular file, is larger than LimiteConfigPro or could not be read (a notice then says
// why, unless it is missing: then there is no list line, only that notice); it is never waited
// on and is closed in every case. Writes nothing on disk.
bool LitConfigPro(const QString& fichier, const QString& repertoire, const DriveMap& lecteurs,
                  const FileSystem& fs, QStringList& RepConf, CompteRenduConfig& compteRendu,
                  int capacite = CapaciteRepConf);

// The list line of a file read without a search directory found in it.
QString LigneSansSearchPath(const QString& fichier);
// The list line of a file whose search directories were all passed over (on no drive, in a
// garage, past the capacity): the notices that follow say why.
QString LigneSearchPathRefuses(const QString& fichier);

}  // namespace tidemark
