// The directory selection handlers and the scan as the main window runs and shows it.
#include "ui/Form1.h"

#include "core/AppState.h"
#include "core/Drives.h"
#include "core/Identite.h"
#include "inventory/Marquage.h"
#include "inventory/Scan.h"
#include "ui/Dialogues.h"
#include "ui/Form2.h"
#include "ui/ModeleListe.h"
#include "ui/SelecteurRepertoire.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>

namespace tidemark {

namespace {

// What the scan asks of the window: the root question in a message box, a yield to the
// event loop before each directory (so "Arrêt Scan" can act), and the two counters.
class InterfaceFenetre final : public ScanInterface {
public:
    InterfaceFenetre(QWidget* fenetre, Dialogues& dialogues, QLabel* cptfichier, QLabel* nbfich)
        : fenetre_(fenetre), dialogues_(dialogues), cptfichier_(cptfichier), nbfich_(nbfich) {}

    bool demandeOuiNon(const QString& texte, const QString& titre) override {
        return dialogues_.ouiNon(fenetre_, texte, titre);
    }
    void cede() override { dialogues_.cede(); }
    void progression(const ProgressionScan& etat) override {
        cptfichier_->setText(QString::number(etat.fichiersTrouves));
        nbfich_->setText(QString::number(etat.fichiersRepertoire));
    }

private:
    QWidget* fenetre_;
    Dialogues& dialogues_;
    QLabel* cptfichier_;
    QLabel* nbfich_;
};

}  // namespace

void Form1::repertChange() {
    scanne();
}

void Form1::uniteChange(int index) {
    if (scanEnCours_ || index < 0)
        return;
    const QString lettre = Unite->itemData(index).toString();
    if (lettre.isEmpty())
        return;
    // The picker moves without raising its own change: the drive change scans once.
    Repert->placeSansSignal(RacineLecteur(lettre[0]));
    scanne();
}

void Form1::optConfigClick() {
    if (scanEnCours_ || !OptConfig->isChecked())
        return;
    // Checking "Sous Répertoires Compris" does what its click does, without a scan of its
    // own: the one scan below follows.
    sousrep->setChecked(true);
    state_.CheminComplet = true;
    state_.TabFich.clear();
    cptfichier->setText(QStringLiteral("0"));
    Frame1->show();
    ChkHome->setEnabled(true);
    Repert->placeSansSignal(state_.RepBase);
    scanne();
}

void Form1::optRepertClick() {
    if (scanEnCours_)
        return;
    ChkHome->setEnabled(false);
    Repert->placeSansSignal(state_.RepBase);
    scanne();
}

void Form1::sousrepClick() {
    if (scanEnCours_)
        return;
    cptfichier->setText(QStringLiteral("0"));
    state_.TabFich.clear();
    state_.CheminComplet = sousrep->isChecked();
    scanne();
    Frame1->setVisible(sousrep->isChecked());
}

void Form1::typefChange() {
    if (!typef->currentText().isEmpty())
        scanne();
}

void Form1::cmdStopClick() {
    state_.StopScan = true;
    CmdStop->hide();
    LbNonTermine->show();
}

void Form1::list1Click() {
    nbfich->setText(QString::number(CompteMarquees(state_)));
}

void Form1::scanne() {
    if (fin_ || scanEnCours_ || state_.FiltreFich.isEmpty())
        return;
    const QString chemin = Repert->chemin();
    const bool modeConfig = OptConfig->isChecked();

    state_.ListeDeFichiers = false;
    state_.MessagesListe = {LigneAnalyseRepertoire(chemin)};
    modele_->rafraichit();
    List1->setToolTip(LigneAnalyseRepertoire(chemin).sliced(MarqueVide.size()));
    Frame7->setTitle(QStringLiteral(" Liste des Fichiers en cours de création  "));
    Frame7->show();
    Frame10->hide();
    List1->repaint();
    form2_->RazTabConf();
    LbAvis->clear();
    if (!modeConfig) {
        CmdStop->show();
        LbNonTermine->hide();
    }

    // While the scan runs only "Arrêt Scan" and the exits act: a command started inside a
    // scan would work on a half-built list.
    const QList<QWidget*> verrous = {Frame6,  Frame5, sousrep, Frame3,  Frame8,      Frame4,
                                     Frame11, Frame1, Frame2,  Frame10, CmdForm2Yes, CmdForm2No,
                                     CmdAide, CmdAP,  List1,   form2_};
    std::vector<bool> actifs;
    for (QWidget* w : verrous) {
        actifs.push_back(!w->testAttribute(Qt::WA_ForceDisabled));
        w->setEnabled(false);
    }

    DemandeScan demande;
    demande.mode = modeConfig ? ModeScan::Config : ModeScan::Repertoire;
    demande.repertoire = chemin;
    demande.sousRepertoires = sousrep->isChecked();
    demande.avecHome = ChkHome->isChecked();
    InterfaceFenetre interface(this, dialogues_, cptfichier, nbfich);
    scanEnCours_ = true;
    const ResultatScan resultat = Scan(state_, demande, lecteurs_, fso_, interface);
    scanEnCours_ = false;

    for (qsizetype i = 0; i < verrous.size(); ++i) verrous[i]->setEnabled(actifs[std::size_t(i)]);
    if (resultat.racineRefusee) {
        // "Non" to the root question: the box is unchecked, as its click would, and the
        // root's own files were listed.
        sousrep->setChecked(false);
        Frame1->hide();
    }
    if (!modeConfig)
        LbRepert->setText(state_.RepBase);
    finDeScan(resultat, modeConfig);

    if (sortieDemandee_ == Sortie::Sortir)
        sortir();
    else if (sortieDemandee_ == Sortie::Annuler)
        annuler();
}

void Form1::finDeScan(const ResultatScan& resultat, bool modeConfig) {
    const qsizetype n = qsizetype(state_.TabFich.size());
    if (modeConfig && resultat.sansRepertoireConfig) {
        state_.ListeDeFichiers = false;
        state_.MessagesListe = resultat.lignes;
        modele_->rafraichit();
        Frame7->setTitle(QStringLiteral(" Messages suite à la recherche  "));
        CmdPurge->setEnabled(false);
    } else if (!modeConfig && n == 0) {
        state_.ListeDeFichiers = false;
        state_.MessagesListe.clear();
        modele_->rafraichit();
        CmdPurge->setEnabled(false);
        Frame7->setTitle(QStringLiteral(" Pas de fichier trouvé. "));
    } else {
        afficheListe();
        CmdPurge->setEnabled(true);
        Frame7->setTitle(QStringLiteral(" Liste des Fichiers  "));
    }
    cptfichier->setText(QString::number(n));
    afficheAvis(resultat.avis);

    state_.StopScan = false;
    CmdStop->hide();
    for (QWidget* w : {static_cast<QWidget*>(CmdTrait), static_cast<QWidget*>(Frame1),
                       static_cast<QWidget*>(CmdMulti), static_cast<QWidget*>(CmdTraitMulti),
                       static_cast<QWidget*>(OptMEfface), static_cast<QWidget*>(OptMDeplace)})
        w->setEnabled(false);
    Frame7->show();
    Frame10->hide();
    List1->setToolTip(QStringLiteral(" Cliquez sur le bouton 'Visu Purge' "));
}

void Form1::afficheListe() {
    state_.ListeDeFichiers = true;
    state_.EtatMarque.assign(state_.TabFich.size(), EtatVide);
    state_.InfosLues.clear();
    state_.Couples.clear();
    modele_->rafraichit();
    List1->repaint();
    list1Click();
}

void Form1::afficheAvis(const QStringList& avis) {
    LbAvis->setText(avis.join(u'\n'));
    LbAvis->setVisible(!avis.isEmpty());
}

}  // namespace tidemark
