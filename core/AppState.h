#pragma once

#include "core/TabConf.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace tidemark {

// The options that travel with the file-type selection in a named configuration.
struct OptionsPurge {
    int ValCaches = 0;         // 1: read-only files are processed too
    int ValMaitreSansInd = 0;  // 1: the file without revision number takes precedence
    int ValNbRev = 1;          // revisions kept for model files, never below 1
    int ValNbRev1 = 0;         // revisions kept for trail, log and information files, >= 0
};

// Kept counts brought into their range: a count of 0 models or a negative count would purge
// the newest revision.
inline int BorneNbRev(int n) { return n < 1 ? 1 : n; }
inline int BorneNbRev1(int n) { return n < 0 ? 0 : n; }

// Everything the program shares between its windows and commands, made once at start-up and
// handed to whoever needs it.
struct AppState {
    TableTypes TabConf = TabConfInitiale();
    OptionsPurge options;
    QString CurConf;        // name of the current named configuration
    QStringList ListConf;   // stored configuration names, sorted without regard to case
    QString FiltreFich;     // pattern list of the selected types; empty until first built

    // The file list of the last scan: full drive paths or bare names, in traversal order.
    std::vector<QString> TabFich;
    QString RepBase;          // base directory of the last directory-mode scan (drive path)
    QStringList RepConf;      // search directories read from config.pro
    bool CheminComplet = false;  // entries are full paths (subdirectories or config mode)
    bool StopScan = false;       // stop request of the running scan
};

}  // namespace tidemark
