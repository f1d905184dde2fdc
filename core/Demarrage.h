#pragma once

#include "core/AppState.h"
#include "core/SettingsStore.h"

namespace tidemark {

// The shared state as the program starts: the file-type table with nothing selected, the
// stored configuration names, the current configuration name read from the store and that
// configuration loaded into the table and the options (when nothing is stored under it the
// table keeps no type selected, and the kept counts are 1 and 0). `FiltreFich` stays empty
// until the main window (or the command line) builds it.
AppState EtatInitial(const SettingsStore& store);

}  // namespace tidemark
