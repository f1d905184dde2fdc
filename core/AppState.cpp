#include "core/AppState.h"

#include "core/Drives.h"
#include "core/EntreeListe.h"

namespace tidemark {

QString CheminEntree(const AppState& state, std::size_t i) {
    return CheminEntree(state.TabFich, state.RepBase, i);
}

}  // namespace tidemark
