#pragma once

#include <QString>

// What a scan needs from whoever runs it: the window answers with a message box and an
// event-loop yield, the command line and the tests with their own small implementations.
namespace tidemark {

// Where the scan stands, reported after each directory it has listed.
struct ProgressionScan {
    int repertoiresVisites = 0;        // directories listed so far, the base directory included
    qsizetype fichiersTrouves = 0;     // entries in the file list so far
    qsizetype fichiersRepertoire = 0;  // matching files of the directory just listed
    int repertoiresTrouves = 0;        // directories found so far, listed or still to list
};

class ScanInterface {
public:
    virtual ~ScanInterface() = default;

    // Asks a Yes/No question in a message box titled `titre`; true for "Oui".
    virtual bool demandeOuiNon(const QString& texte, const QString& titre) = 0;

    // Called before each directory is listed (never before the base directory of a
    // directory-mode scan); arret() is asked right after it: true ends the scan there.
    virtual void cede() = 0;
    virtual bool arret() { return false; }

    // Progress after each directory listed; the window moves its counters and its bar.
    virtual void progression(const ProgressionScan& etat) = 0;
};

// For runs without a window: every question answered "Oui", no yield, no progress shown.
class ScanSansDialogue final : public ScanInterface {
public:
    bool demandeOuiNon(const QString&, const QString&) override { return true; }
    void cede() override {}
    void progression(const ProgressionScan&) override {}
};

}  // namespace tidemark
