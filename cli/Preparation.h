#pragma once

#include "cli/Selection.h"

#include "core/AppState.h"
#include "core/Drives.h"
#include "core/FileSystem.h"
#include "core/SettingsStore.h"
#include "inventory/Scan.h"
#include "inventory/ScanInterface.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <functional>

// What every command of tidemark-cli does before its own work: reading the selection and
// the operands, loading the settings, resolving DIR, scanning it; and the pieces of output
// they all write the same way.
namespace tidemark::cli {

// The arguments of a command once its selection options are taken out.
struct ArgumentsCommande {
    Selection selection;
    // The other arguments before a "--", in their order: the command's own options, their
    // values and its operands, still to be told apart by the command.
    QStringList autres;
    // The arguments after the first "--": operands, even when they begin with "-".
    QStringList apresTirets;
};

// True when "--help" or "-h" comes before any "--".
bool DemandeAide(const QStringList& arguments);

// Splits `arguments` at the first "--" and reads the selection options of the part before
// it. Returns the one-line reason of a wrong selection, else an empty text.
QString LitArguments(const QStringList& arguments, ArgumentsCommande& lus);

// The operands of a command: the arguments of `autres` the command did not take (an
// argument that begins with "-" is an unknown option, "-" alone is an operand), then those
// after "--". Returns the reason of an unknown option, naming `commande` for its help.
QString LitOperandes(const QStringList& autres, const QStringList& apresTirets,
                     const QString& commande, QStringList& operandes);

// Everything a command works with: the settings, the shared state, the drives, the
// file-system service and the scan of DIR.
class Preparation {
public:
    QtSettingsStore store;
    AppState state;
    DriveMap lecteurs;
    FileSystem fs;
    // The scan to run; `charge` fills it from the selection (directory mode with -r, or
    // config.pro mode) and a command may change it before `scanne` (duplicates always
    // scans subdirectories).
    DemandeScan demande;
    ResultatScan resultat;

    // Says on standard error when the settings are defaults held in memory only (their file
    // could not be read), loads the selection into `state` as the window does at start, and
    // resolves DIR, a host path or a drive path, into the drive path of the folder it reaches
    // (links followed). Returns the one-line reason of a selection naming no stored
    // configuration, or of a DIR that is missing, not a folder, in a garage or on no drive
    // (the command then exits with SortieUsage), else an empty text.
    QString charge(const Selection& selection, const QString& repertoire);

    // Runs the scan without any question (a drive root is scanned as asked), then writes to
    // standard error the lines of the config.pro reader and the scan's notices.
    void scanne();

    // The count line of the scan, for standard error: "12 fichier(s) dans 3 répertoire(s)."
    QString bilanScan() const;

    // True when the list misses files: directories that could not be read, names that no
    // drive path can hold, or a full list. The command then exits with SortieIncomplete.
    bool incomplet() const;
};

// Writes `nombre` lines to standard output, `ligne(i)` for i from 0, each followed by a
// line feed, in large blocks. False when standard output could not take them all (a full
// disk): a reason has then been written to standard error.
bool EcritLignes(std::size_t nombre, const std::function<QString(std::size_t)>& ligne);

// A number with the French grouping of thousands: "1 234 567".
QString Nombre(qint64 valeur);

// The closing lines of every --help: the help option, the command's `remarques` (lines
// that end with a line feed) and the exit statuses.
QString AideFin(const QString& remarques);

}  // namespace tidemark::cli
