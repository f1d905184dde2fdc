#pragma once

#include "inventory/ScanInterface.h"

#include <functional>
#include <vector>

namespace tidemark::test {

// Answers the drive-root question as told, records what it was asked, and runs `surCede` at
// each yield with its rank (from 1), so a test can stop the scan or change the tree there.
class InterfaceScanTest : public ScanInterface {
public:
    bool reponse = true;
    int questions = 0;
    QString texte, titre;
    int cedes = 0;
    std::function<void(int)> surCede;
    std::vector<ProgressionScan> progressions;

    bool demandeOuiNon(const QString& t, const QString& ti) override {
        ++questions;
        texte = t;
        titre = ti;
        return reponse;
    }
    void cede() override {
        ++cedes;
        if (surCede)
            surCede(cedes);
    }
    void progression(const ProgressionScan& p) override { progressions.push_back(p); }
};

}  // namespace tidemark::test
