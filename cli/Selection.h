#pragma once

#include "core/AppState.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// The selection options that every command of tidemark-cli shares:
//   [-r|--recursive] [--config-pro [--home]]
//   [--config NAME | --types KEY,KEY... [--extra PATTERN]...]
namespace tidemark {

class SettingsStore;

struct Selection {
    bool recursif = false;    // -r, --recursive: every subdirectory too
    bool configPro = false;   // --config-pro: the search directories of DIR's config.pro
    bool home = false;        // --home: first those of the config.pro of $home
    bool avecConfig = false;  // --config was given
    QString config;           // its name, as typed
    bool avecTypes = false;   // --types (or --extra) was given: the selection starts empty
    QList<int> lignesTypes;   // rows of the file-type table named by --types, in order
    QStringList extras;       // --extra patterns, trimmed, at most three
};

// Takes the selection options out of `arguments` and leaves the others in their order; an
// argument "--" ends the options and is removed. Returns a one-line French reason when the
// options are wrong (unknown type key, a fourth --extra, a pattern holding "|", --config
// together with --types...), else an empty text.
QString LitSelection(QStringList& arguments, Selection& selection);

// Fills `state` as the window does at start (EtatInitial), then applies the selection: the
// named configuration with its options, or the types and patterns with the options at their
// start values; builds FiltreFich. Returns a French reason when --config names no stored
// configuration, else an empty text.
QString AppliqueSelection(const Selection& selection, const SettingsStore& store, AppState& state);

// The lines of --help that describe the selection options.
QString AideSelection();

// The value of an option given as "--opt VALUE" or "--opt=VALUE" at `arguments[i]`; `i`
// moves past a separate value. False when the argument is not that option; `manque` is set
// when it is but has no value.
bool LitValeur(const QStringList& arguments, qsizetype& i, QStringView option, QString& valeur,
               bool& manque);

}  // namespace tidemark
