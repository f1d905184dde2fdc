// "Recherche Multiples ?", "Traitement multiple" and the four buttons that dispose of one
// side of the couple under review.
#include "ui/Form1.h"

#include "core/AppState.h"
#include "duplicates/RechercheDoublons.h"
#include "duplicates/RevueCouples.h"
#include "ui/ModeleCouples.h"
#include "ui/SelecteurRepertoire.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>

namespace tidemark {

void Form1::cmdMultiClick() {
    if (scanEnCours_)
        return;
    rechercheMultiples();
}

void Form1::rechercheMultiples() {
    if (!sousrep->isChecked())
        return;
    razProgression(qsizetype(state_.TabFich.size()));
    DemandeRecherche demande;
    demande.repertoire = Repert->chemin();
    demande.progression = [this](qint64 valeur, qint64) { ProgressBar1->setValue(int(valeur)); };
    const ResultatRecherche resultat = RechercheMultiples(state_, demande, lecteurs_, fso_);
    revue_.reset();
    razProgression(qsizetype(state_.Couples.size()));
    modeleCouples_->rafraichit();
    ProgressBar1->setValue(0);
    afficheAvis(resultat.avis);

    // Duplicates mode: the couples instead of the file list.
    CmdPurge->setEnabled(false);
    CmdTrait->setEnabled(false);
    Frame1->setEnabled(true);
    OptMEfface->setEnabled(true);
    OptMDeplace->setEnabled(true);
    CmdMulti->setEnabled(false);
    CmdTraitMulti->setEnabled(true);
    Frame7->hide();
    Frame10->show();
    for (QPushButton* bouton : {CmdDep1, CmdDep2, CmdDepMulti1, CmdDepMulti2})
        bouton->setEnabled(false);
    TxtFich1->setText(resultat.TxtFich1);
    TxtFich2->setText(resultat.TxtFich2);
}

void Form1::cmdTraitMultiClick() {
    if (scanEnCours_ || !sousrep->isChecked())
        return;
    razProgression(qsizetype(state_.TabFich.size()));
    DemandeRecherche demande;
    demande.repertoire = Repert->chemin();
    demande.progression = [this](qint64 valeur, qint64) { ProgressBar1->setValue(int(valeur)); };
    revue_ = std::make_unique<CoupleRevue>(PremierCouple(state_, demande, lecteurs_, fso_));
    TxtFich1->setText(revue_->TxtFich1);
    TxtFich2->setText(revue_->TxtFich2);
    for (QPushButton* bouton : {CmdDep1, CmdDep2, CmdDepMulti1, CmdDepMulti2})
        bouton->setEnabled(revue_->trouve);
}

void Form1::dispose(bool second, bool tous) {
    if (scanEnCours_ || !revue_ || !revue_->trouve)
        return;
    const CoteCouple cote = second ? CoteCouple::Second : CoteCouple::Premier;
    const ModeDisposition mode =
        OptMEfface->isChecked() ? ModeDisposition::Detruire : ModeDisposition::Deplacer;
    const ResultatRevue resultat =
        tous ? CesFichiers(
                   state_, *revue_, cote, mode, lecteurs_, fso_,
                   [this](qint64 valeur, qint64) { ProgressBar1->setValue(int(valeur)); },
                   attenteVerrou())
             : CeFichier(state_, *revue_, cote, mode, lecteurs_, fso_, attenteVerrou());
    if (sortieDemandee_ != Sortie::Aucune) {
        finAttente();
        return;
    }

    // The tree as it now is: scan, search, then the next first couple; failures or not.
    scanne();
    if (fin_)
        return;
    rechercheMultiples();
    cmdTraitMultiClick();
    montreEchecs(resultat.echecs);
}

}  // namespace tidemark
