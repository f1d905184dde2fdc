// "Visu Purge", "Traitement Purge" and the four commands that correct the marks by hand.
#include "ui/Form1.h"

#include "core/AppState.h"
#include "inventory/Marquage.h"
#include "purge/AnalysePurge.h"
#include "purge/TraitementPurge.h"
#include "ui/Dialogues.h"
#include "ui/Form2.h"
#include "ui/ModeleListe.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

namespace tidemark {

void Form1::cmdPurgeClick() {
    if (scanEnCours_)
        return;
    visuPurge();
}

qsizetype Form1::visuPurge() {
    List1->setToolTip(InfoBulleListeAnalysee.toString());
    razProgression(qsizetype(state_.TabFich.size()));
    const PlanPurge plan =
        VisuPurge(state_, lecteurs_, fso_, [this](EtapeAnalyse, qsizetype position, qsizetype) {
            ProgressBar1->setValue(int(position));
        });
    modele_->rafraichit();
    list1Click();
    form2_->AjourTabConf();
    afficheAvis(plan.avis);

    CmdPurge->setEnabled(false);
    const bool marques = plan.nbfich > 0;
    if (marques || sousrep->isChecked()) {
        // Duplicates are looked for only on a list with nothing left to purge.
        for (QWidget* w : {static_cast<QWidget*>(Frame1), static_cast<QWidget*>(CmdMulti),
                           static_cast<QWidget*>(OptMDeplace), static_cast<QWidget*>(OptMEfface)})
            w->setEnabled(!marques);
        CmdTraitMulti->setEnabled(false);
    }
    CmdTrait->setEnabled(marques);
    return plan.nbfich;
}

void Form1::cmdTraitClick() {
    if (scanEnCours_)
        return;
    const qsizetype marquees = CompteMarquees(state_);
    razProgression(marquees);
    const ResultatTraitement resultat = TraitementPurge(
        state_, OptPEfface->isChecked() ? ModeDisposition::Detruire : ModeDisposition::Deplacer,
        lecteurs_, fso_, [this](qsizetype faits, qsizetype) { ProgressBar1->setValue(int(faits)); },
        attenteVerrou());
    if (resultat.abandonne) {
        finAttente();
        return;
    }

    // The list is rebuilt from the disk and analysed again, failures or not.
    scanne();
    if (fin_)
        return;
    const bool rien = visuPurge() == 0;
    if (rien && sousrep->isChecked()) {
        CmdPurge->setEnabled(false);
        CmdTrait->setEnabled(false);
        for (QWidget* w : {static_cast<QWidget*>(Frame1), static_cast<QWidget*>(CmdMulti),
                           static_cast<QWidget*>(OptMEfface), static_cast<QWidget*>(OptMDeplace)})
            w->setEnabled(true);
        CmdTraitMulti->setEnabled(false);
    } else {
        CmdPurge->setEnabled(true);
        CmdTrait->setEnabled(false);
        Frame1->setEnabled(false);
    }
    montreEchecs(resultat.echecs);
}

AttenteVerrou Form1::attenteVerrou() {
    return [this](const QString& message) {
        if (!message.isEmpty())
            afficheAvis({message});
        // The window stays alive while another run holds the garage; only the exits act, as
        // during a scan, and one of them ends the wait.
        scanEnCours_ = true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        scanEnCours_ = false;
        return sortieDemandee_ == Sortie::Aucune;
    };
}

void Form1::finAttente() {
    state_.StopScan = false;
    if (sortieDemandee_ == Sortie::Sortir)
        sortir();
    else if (sortieDemandee_ == Sortie::Annuler)
        annuler();
}

void Form1::montreEchecs(const std::vector<EchecDisposition>& echecs) {
    if (echecs.empty())
        return;
    const MessageEchecs message = ComposeMessageEchecs(echecs);
    dialogues_.avertissement(this, message.texte, message.details, message.titre);
}

void Form1::marque(qsizetype (*commande)(AppState&, QStringView)) {
    if (scanEnCours_)
        return;
    commande(state_, n_filtre->text());
    modele_->marquesChangees();
    list1Click();
}

void Form1::cmdCocheClick() {
    if (scanEnCours_)
        return;
    QList<int> lignes;
    for (const QModelIndex& index : List1->selectionModel()->selectedRows())
        lignes.append(index.row());
    Cocher(state_, lignes);
    modele_->marquesChangees();
    list1Click();
}

}  // namespace tidemark
