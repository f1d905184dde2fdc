#pragma once

// What the Linux and the Windows sides of the file-system service share, for their own use.
#include "core/FileSystem.h"

namespace tidemark {

// The outcome of an operation that ended with `code` (0: success), with its French reason.
inline ResultatFs Resultat(int code) {
    return {code, FileSystem::reason(code)};
}

// The error the fault plan chooses for the next operation of this kind; 0 without a plan.
inline int PanneChoisie(FaultPlan* plan, OperationFs operation) {
    return plan ? plan->suivante(operation) : 0;
}

}  // namespace tidemark
