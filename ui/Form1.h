#pragma once

#include <QMainWindow>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;
class QTreeView;

namespace tidemark {

struct AppState;
struct ApercuDisposition;
enum class ModeDisposition;
struct BilanDisposition;
struct DemandeRecherche;
struct DemandeScan;
struct EchecDisposition;
struct PlanPurge;
struct ResultatRecherche;
class Session;
class Dialogues;
class DriveMap;
class FenetreGarage;
class FileSystem;
class Form2;
class Intro;
class ModeleListe;
class SelecteurRepertoire;
class SettingsStore;
class TableCouples;
struct ResultatScan;

// The main window: directory selection, the file list, the purge and duplicate commands
// and the exits. Its handlers start the session's commands and show what they return.
class Form1 : public QMainWindow {
    Q_OBJECT
public:
    // Nothing is owned; everything outlives the window.
    Form1(Session& session, SettingsStore& store, const DriveMap& lecteurs, FileSystem& fso,
          Dialogues& dialogues, QWidget* parent = nullptr);
    ~Form1() override;

    // The window's load: settings restored, the configuration window made, the first scan
    // run. `aPropos` (may be null) is the About window of start-up, closed on the way.
    void charge(QWidget* aPropos);

    Form2* form2() const { return form2_; }
    // The garage window, once "Garage…" made it.
    FenetreGarage* garage() const { return garage_; }
    Intro* intro() const { return intro_; }
    Session& session() const { return session_; }

    // The progress bar before a loop over n items.
    void razProgression(qsizetype n);

    // Where "?" looks for intro.txt (the program's own folders unless a test says otherwise).
    void setCheminsIntro(const QStringList& chemins) { cheminsIntro_ = chemins; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Layout (Form1Disposition.cpp).
    void construit();
    QWidget* construitGauche();
    QWidget* construitListe();
    QWidget* construitDroite();

    // Directory selection and the scan (Form1Scan.cpp).
    void repertChange();
    void uniteChange(int index);
    void optConfigClick();
    void optRepertClick();
    void sousrepClick();
    void typefChange();
    void cmdStopClick();
    void list1Click();
    void scanne();
    DemandeScan demandeScan() const;
    void debutDeScan();
    void finDeScan(const ResultatScan& resultat, bool modeConfig);
    void placeUnite(const QString& chemin);
    void afficheAvis(const QStringList& avis);
    // A counter's number, and its accessible name: its legend followed by the number.
    void ecritCompteur(QLabel* compteur, qint64 n);
    // The one place that decides which commands act: from the session's list and the command
    // it runs.
    void ajusteCommandes();
    void commandeChangee();
    void progression(qint64 valeur, qint64 nombre);

    // The revision purge and the manual marks (Form1Purge.cpp).
    void cmdPurgeClick();
    void cmdTraitClick();
    void finAnalyse(const PlanPurge& plan);
    void marque(qsizetype (*commande)(AppState&, QStringView));
    void cmdCocheClick();
    void finDisposition(const BilanDisposition& bilan);
    // The question before a disposal; false when answered "Non".
    bool confirmeDisposition(const ApercuDisposition& apercu, ModeDisposition mode);

    // Duplicates: the search and the review of couples (Form1Doublons.cpp).
    void cmdMultiClick();
    DemandeRecherche demandeRecherche() const;
    void finRecherche(const ResultatRecherche& resultat);
    void cmdTraitMultiClick();
    void afficheRevue();
    void choisitCouple(std::size_t k);
    void dispose(bool second, bool tous);

    // Load and exits (Form1Chargement.cpp).
    void montrerForm2();
    void cacherForm2();
    void montrerGarage();
    void sortir();
    void annuler();
    void termine();
    void aide();
    void aPropos();

    Session& session_;
    AppState& state_;  // the session's, for the short commands of this thread
    SettingsStore& store_;
    const DriveMap& lecteurs_;
    FileSystem& fso_;
    Dialogues& dialogues_;

    ModeleListe* modele_ = nullptr;
    TableCouples* tableCouples_ = nullptr;  // the couples and the folder pairs
    Form2* form2_ = nullptr;
    FenetreGarage* garage_ = nullptr;
    Intro* intro_ = nullptr;
    QWidget* fenetreAPropos_ = nullptr;

    QStringList cheminsIntro_;
    // An exit asked while a command ran: done once it has stopped.
    std::function<void()> apresCommande_;
    // The bar and the scan's counters are repainted at most every 40 ms, with the last values
    // reported: a repaint per report would keep the event loop busy.
    QTimer* rafraichissement_ = nullptr;
    qint64 valeurBarre_ = -1, nombreBarre_ = 0, trouves_ = -1, repertoire_ = 0;
    void montreAvancement();

    // Controls, named as their objectName.
    QPushButton* CmdAide = nullptr;
    QPushButton* CmdAP = nullptr;
    QWidget* Frame11 = nullptr;
    QLineEdit* n_filtre = nullptr;
    QPushButton* cmd_enl = nullptr;
    QPushButton* cmd_ajo = nullptr;
    QPushButton* Cmd_Inv = nullptr;
    QPushButton* CmdCoche = nullptr;
    QGroupBox* Frame4 = nullptr;
    QRadioButton* OptPEfface = nullptr;
    QRadioButton* OptPDeplace = nullptr;
    QPushButton* CmdTrait = nullptr;
    QPushButton* CmdPurge = nullptr;
    QPushButton* CmdGarage = nullptr;
    QGroupBox* Frame3 = nullptr;
    QCheckBox* ChkHome = nullptr;
    QRadioButton* OptConfig = nullptr;
    QRadioButton* OptRepert = nullptr;
    QPushButton* CmdStop = nullptr;
    QPushButton* CmdActualiser = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QRadioButton* OptMEfface = nullptr;
    QRadioButton* OptMDeplace = nullptr;
    QPushButton* CmdTraitMulti = nullptr;
    QPushButton* CmdMulti = nullptr;
    QPushButton* cmd_sortie = nullptr;
    QPushButton* cmd_annuler = nullptr;
    QGroupBox* Frame5 = nullptr;
    SelecteurRepertoire* Repert = nullptr;
    QGroupBox* Frame6 = nullptr;
    QComboBox* Unite = nullptr;
    QCheckBox* sousrep = nullptr;
    QGroupBox* Frame8 = nullptr;
    QComboBox* typef = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLineEdit* NumCar = nullptr;
    QPushButton* CmdApproch = nullptr;
    QPushButton* CmdForm2No = nullptr;
    QPushButton* CmdForm2Yes = nullptr;
    QGroupBox* Frame7 = nullptr;
    QListView* List1 = nullptr;
    QLabel* cptfichier = nullptr;
    QLabel* nbfich = nullptr;
    QLabel* Label4 = nullptr;        // legend of cptfichier
    QLabel* Label1 = nullptr;        // legend of nbfich
    QLabel* LbOctets = nullptr;      // the bytes of the marked files, once the analysis read them
    QLabel* LbAvis = nullptr;        // the scan's notices, under the list
    QLabel* LbVoirGarage = nullptr;  // after a move into the garage: opens the garage window
    QGroupBox* Frame10 = nullptr;
    QPushButton* CmdSuiv = nullptr;
    QLabel* LbCouple = nullptr;  // "Couple k / N"
    QTreeView* ListV = nullptr;
    QPushButton* CmdDepMulti1 = nullptr;
    QPushButton* CmdDepMulti2 = nullptr;
    QPushButton* CmdDep1 = nullptr;
    QPushButton* CmdDep2 = nullptr;
    QLineEdit* TxtFich1 = nullptr;
    QLineEdit* TxtFich2 = nullptr;
    QLabel* LbRepert = nullptr;
    QLabel* LbNonTermine = nullptr;
};

}  // namespace tidemark
