// The fault plan that tests hand to the file-system service, on every platform.
#include "core/FileSystem.h"

namespace tidemark {

void FaultPlan::echoue(OperationFs operation, int k, int codeErreur) {
    pannes_.push_back({operation, k, codeErreur});
}

int FaultPlan::suivante(OperationFs operation) {
    const int rang = ++comptes_[static_cast<int>(operation)];
    if (avantEtape)
        avantEtape(operation, rang);
    for (const Panne& panne : pannes_) {
        if (panne.operation == operation && panne.rang == rang)
            return panne.code;
    }
    return 0;
}

int FaultPlan::compte(OperationFs operation) const {
    return comptes_[static_cast<int>(operation)];
}

}  // namespace tidemark
