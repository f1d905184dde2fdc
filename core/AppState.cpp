#include "core/AppState.h"

#include "core/Drives.h"

namespace tidemark {

QString CheminEntree(const AppState& state, std::size_t i) {
    const QString& entree = state.TabFich[i];
    if (EstCheminLecteur(entree))
        return entree;
    return JoindreChemin(state.RepBase, entree);
}

}  // namespace tidemark
