#pragma once

#include "garage/Journal.h"

#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QSpinBox;
class QTreeWidget;

namespace tidemark {

struct ResultatGarage;
class Dialogues;
class DriveMap;
class FileSystem;
class Session;

// The garage window: the runs journaled in the garages of every mapped drive, newest first,
// the files of the chosen one with where each is now, and the commands that bring a run back
// or empty the garage. Both run as session commands; the window reads the journals again
// when they are over and says on its status line what was done. Made once by the main
// window, then shown and hidden.
class FenetreGarage : public QWidget {
    Q_OBJECT
public:
    // Nothing is owned; everything outlives the window.
    FenetreGarage(Session& session, const DriveMap& lecteurs, FileSystem& fs, Dialogues& dialogues,
                  QWidget* parent = nullptr);

    // Reads the journals again and shows them, keeping the chosen run when it is still there.
    void rafraichit();

    // Opens a folder in the desktop's file manager (QDesktopServices by default; tests
    // replace it so that nothing is really opened).
    std::function<bool(const QUrl&)> ouvreUrl;

private:
    void construit();
    void executionChoisie();
    void restaurer();
    void vider();
    void ouvrirGarage();
    void garageTermine(const ResultatGarage& resultat, bool essai);
    void ajuste();
    void commandeChangee();
    QString idChoisi() const;

    Session& session_;
    const DriveMap& lecteurs_;
    FileSystem& fs_;
    Dialogues& dialogues_;
    std::vector<ExecutionJournal> executions_;
    bool attendu_ = false;    // the session's garage command running was started here
    int joursVidage_ = 0;     // the emptying asked, between its dry run and the real one
    int auGarage_ = 0;        // files of the chosen run still in the garage
    QString questionVidage_;  // put once its dry run is over

    QTreeWidget* ListeExecutions = nullptr;
    QTreeWidget* ListeFichiersGarage = nullptr;
    QPushButton* CmdRestaurer = nullptr;
    QPushButton* CmdVider = nullptr;
    QSpinBox* NbJours = nullptr;
    QPushButton* CmdOuvrirGarage = nullptr;
    QPushButton* CmdFermer = nullptr;
    QLabel* LbEtatGarage = nullptr;
};

}  // namespace tidemark
