#pragma once

#include "core/AppState.h"
#include "core/SettingsStore.h"

// Named configurations: a snapshot of the file-type selection, the three user patterns and
// the four options, kept in the "startup" section under "_" + name as 28 fields, each
// followed by "|".
namespace tidemark {

// The stored text of the current selection and options.
QString TexteConfiguration(const TableTypes& table, const OptionsPurge& options);

// Reads a stored text into the table's patterns and selections and into the options. The
// options start at ValNbRev 1 and ValNbRev1 0; an empty text changes nothing else. A text
// that is not well formed loads what it can; the kept counts come out clamped.
void LitConfiguration(const QString& texte, TableTypes& table, OptionsPurge& options);

// Rebuilds state.ListConf from the store: every stored name, sorted without regard to case.
void RafraichitNoms(AppState& state, const SettingsStore& store);

// Saves the current selection under `nom`, replacing one of that name. Returns a message
// in French when it is refused (a name holding "/" or "\", a user pattern holding "|"),
// else an empty text; an empty name is silently not saved.
QString SauveConfiguration(const AppState& state, SettingsStore& store, const QString& nom);

// Loads the configuration `nom` into state.TabConf and state.options. A name that is not
// stored only resets the kept counts to 1 and 0.
void ChargeConfiguration(AppState& state, const SettingsStore& store, const QString& nom);

// Deletes the configuration `nom`; an empty name or one that is not stored changes nothing.
void EffaceConfiguration(SettingsStore& store, const QString& nom);

// The stored name equal to `texte` without regard to case, or an empty text.
QString NomStocke(const QStringList& ListConf, const QString& texte);

// A French message when a user pattern cannot be kept (it holds "|"), else an empty text.
QString ControleMotifUtilisateur(const QString& motif);

}  // namespace tidemark
