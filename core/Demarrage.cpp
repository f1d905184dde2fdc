#include "core/Demarrage.h"

#include "core/Configurations.h"
#include "core/Reglages.h"

namespace tidemark {

AppState EtatInitial(const SettingsStore& store) {
    AppState state;
    RafraichitNoms(state, store);
    state.CurConf = reglages::Lit(store, reglages::CurConf);
    ChargeConfiguration(state, store, state.CurConf);
    return state;
}

}  // namespace tidemark
