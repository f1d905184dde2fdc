// The fault plan that tests hand to the file-system service, on every platform. Its counts
// are kept under a lock: a purge run moves files on several threads, and "fail the k-th
// move" must fail exactly one of them.
#include "core/FileSystem.h"

namespace tidemark {

void FaultPlan::echoue(OperationFs operation, int k, int codeErreur) {
    const std::lock_guard garde(verrou_.m);
    pannes_.push_back({operation, k, codeErreur});
}

int FaultPlan::suivante(OperationFs operation) {
    int rang = 0;
    {
        const std::lock_guard garde(verrou_.m);
        rang = ++comptes_[static_cast<int>(operation)];
    }
    if (avantEtape)
        avantEtape(operation, rang);
    const std::lock_guard garde(verrou_.m);
    for (const Panne& panne : pannes_) {
        if (panne.operation == operation && panne.rang == rang)
            return panne.code;
    }
    return 0;
}

int FaultPlan::compte(OperationFs operation) const {
    const std::lock_guard garde(verrou_.m);
    return comptes_[static_cast<int>(operation)];
}

}  // namespace tidemark
