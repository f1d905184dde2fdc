#pragma once

#include "core/FaitsLus.h"
#include "core/FileSystem.h"
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
inline int BorneNbRev(int n) {
    return n < 1 ? 1 : n;
}
inline int BorneNbRev1(int n) {
    return n < 0 ? 0 : n;
}

// What the settings decide: the type table, the options, the configurations and the pattern
// list they make. One value, replaced whole when a configuration is applied, so a command
// never sees half of one configuration and half of another. (The table's per-type totals are
// the last analysis's, shown beside the types.)
struct Reglages {
    TableTypes TabConf = TabConfInitiale();
    OptionsPurge options;
    QString CurConf;       // name of the current named configuration
    QStringList ListConf;  // stored configuration names, sorted without regard to case
    QString FiltreFich;    // pattern list of the selected types; empty until first built
};

// Everything the program shares between its windows and commands, made once at start-up and
// handed to whoever needs it: the settings, then the working set of the last scan.
struct AppState : Reglages {
    Reglages& reglages() { return *this; }
    const Reglages& reglages() const { return *this; }

    // The file list of the last scan: full drive paths or bare names, in traversal order.
    std::vector<QString> TabFich;
    QString RepBase;             // base directory of the last directory-mode scan (drive path)
    QStringList RepConf;         // search directories read from config.pro
    bool CheminComplet = false;  // entries are full paths (subdirectories or config mode)
    bool StopScan = false;       // stop request of the running scan

    // What the list box shows. While files are listed (ListeDeFichiers), line i is the mark
    // of EtatMarque[i] followed by TabFich[i], and EtatMarque has one state per entry (see
    // EtatLigne); otherwise the list shows MessagesListe, lines of text that are no entries.
    bool ListeDeFichiers = false;
    std::vector<quint8> EtatMarque;
    QStringList MessagesListe;

    // Size and modification time of entries (by position in TabFich) as the last analysis or
    // duplicate search read them; a file is disposed of only while it still matches them.
    // Emptied by every scan.
    FaitsLus InfosLues;

    // The couples of the last duplicate or near-name search, as positions in TabFich; their
    // texts and display lines are derived when shown.
    struct Couple {
        qint32 premier;
        qint32 second;
    };
    std::vector<Couple> Couples;
};

// The mark state of a listed file, kept as the line's item data.
enum EtatLigne : quint8 {
    EtatVide = 0,   // not analysed, or a single file: kept
    EtatX = 1,      // older revision, or marked by hand: purged
    EtatM = 2,      // revision kept
    EtatTiret = 3,  // auxiliary file or revision-less log: purged
};

// True for the states whose files a purge deletes or moves.
inline bool EstMarquee(int etat) {
    return etat == EtatX || etat == EtatTiret;
}

// The full drive path of entry i: the entry itself when it is a drive path (X:\...), else the
// base directory of the directory-mode scan that listed it as a bare name, "" and the entry.
QString CheminEntree(const AppState& state, std::size_t i);

}  // namespace tidemark
