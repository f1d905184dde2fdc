#pragma once

#include "core/AppState.h"
#include "inventory/ConfigPro.h"
#include "inventory/ScanInterface.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <vector>

// The scan that builds the file list: the matching files of a directory (and of all its
// subdirectories), or of the search directories named by config.pro files.
namespace tidemark {

class DriveMap;
class FileSystem;

// The file list holds at most this many entries.
inline constexpr qsizetype CapaciteTabFich = 500001;

enum class ModeScan {
    Repertoire,  // "Selon Répertoire": the chosen directory, and its subdirectories if asked
    Config       // "Selon Config.pro": the search directories of the config.pro files
};

// What to scan. The patterns are AppState::FiltreFich.
struct DemandeScan {
    ModeScan mode = ModeScan::Repertoire;
    QString repertoire;            // the chosen directory, a drive path
    bool sousRepertoires = false;  // directory mode: every subdirectory too ("sousrep")
    bool avecHome = false;         // config mode: first the config.pro of the `home` directory
    // Where `home` is looked up in config mode.
    QProcessEnvironment environnement = QProcessEnvironment::systemEnvironment();
    qsizetype capacite = CapaciteTabFich;   // entries the list may hold (small in tests)
    int capaciteRepConf = CapaciteRepConf;  // search directories kept
    // Threads reading the subdirectories of a directory-mode scan, this one included: 0
    // reads on this thread alone until the disk is seen to make it wait, then on up to
    // FilsLecture (core/Parallele.h); 1 reads them all on this thread; more starts them as the
    // directories waiting outnumber them. The list, its notices and the yields are the same
    // whatever the number.
    unsigned fils = 0;
};

// The list a scan made and where it came from.
struct Inventaire {
    std::vector<QString> TabFich;  // full drive paths or bare names, in traversal order
    bool CheminComplet = false;    // entries are full paths (subdirectories or config mode)
    QString RepBase;               // directory mode: the base directory (drive path)
    QStringList RepConf;           // config mode: the search directories read
};

// What a scan did, for the window and the command line to show.
struct ResultatScan {
    Inventaire inventaire;          // the list found (left empty by the Scan on a state)
    bool effectue = false;          // false when FiltreFich was empty: nothing was changed at all
    bool arrete = false;            // StopScan ended it early; the list holds what was found so far
    bool racineRefusee = false;     // the drive-root question was answered "Non": only the
                                    // root's own files were listed, as bare names, and the
                                    // window unchecks its subdirectory box
    bool capaciteAtteinte = false;  // the list was full: later files are missing from it
    int repertoiresVisites = 0;     // directories listed, the base directory included
    int repertoiresIgnores = 0;     // directories that could not be read or had vanished
    int nomsIgnores = 0;            // names that cannot be written in a drive path (holding "\", a
                                    // control character, or bytes that are not UTF-8)
    // Config mode: the reader's lines (behind the blank mark, with their own endings), in
    // the order written. The window shows them in its list only when `sansRepertoireConfig`.
    QStringList lignes;
    bool sansRepertoireConfig = false;  // config mode found no search directory at all
    // Notices of our own, in French, one per line, never shown between the entries:
    // directories skipped, capacity reached, search directories passed over.
    QStringList avis;
};

// The question asked before a scan of a whole drive: 16 lines, each followed by a line feed
// and a carriage return.
QString TexteAvertissementRacine();
// The title of that question: "Tidemark Velnor".
QString TitreAvertissement();
// The list line shown while a directory is being scanned, behind the blank mark.
QString LigneAnalyseRepertoire(const QString& repertoire);

// Runs a scan with the patterns of `reglages.FiltreFich` and returns the list it made in
// `inventaire` (RepBase is reglages.RepBase in config mode). Does nothing when the patterns
// are empty. Calls `interface` for the drive-root question, the yield and stop check before
// each directory, and progress. Reads directory entries only and writes nothing on disk.
ResultatScan Scan(const AppState& reglages, const DemandeScan& demande, const DriveMap& lecteurs,
                  const FileSystem& fs, ScanInterface& interface);
// The same, written into the state: state.TabFich (a new list each time),
// state.CheminComplet, state.RepBase (directory mode) and state.RepConf (config mode). The
// scan also stops when state.StopScan is set after a yield; it is cleared at the start and at
// the end.
ResultatScan Scan(AppState& state, const DemandeScan& demande, const DriveMap& lecteurs,
                  const FileSystem& fs, ScanInterface& interface);

}  // namespace tidemark
