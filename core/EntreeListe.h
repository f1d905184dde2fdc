#pragma once

#include "core/Drives.h"

#include <QString>

#include <cstddef>
#include <span>

namespace tidemark {

// The full drive path of entry i of a file list: the entry itself when it is a drive path
// (X:\...), else the base directory of the directory-mode scan that listed it as a bare
// name, "" and the entry. CheminEntree(state, i) is this over state.TabFich and state.RepBase.
inline QString CheminEntree(std::span<const QString> liste, const QString& repBase, std::size_t i) {
    const QString& entree = liste[i];
    if (EstCheminLecteur(entree))
        return entree;
    return JoindreChemin(repBase, entree);
}

}  // namespace tidemark
