// "Visu Purge", "Traitement Purge" and the four commands that correct the marks by hand.
#include "ui/Form1.h"

#include "core/AppState.h"
#include "inventory/Marquage.h"
#include "purge/AnalysePurge.h"
#include "purge/TraitementPurge.h"
#include "session/Session.h"
#include "ui/Dialogues.h"
#include "ui/Form2.h"
#include "ui/ModeleListe.h"
#include "ui/TextesFenetre.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

namespace tidemark {

void Form1::cmdPurgeClick() {
    if (session_.occupee())
        return;
    razProgression(qsizetype(state_.TabFich.size()));
    session_.lanceVisuPurge();
}

void Form1::finAnalyse(const PlanPurge& plan) {
    List1->setToolTip(InfoBulleListeAnalysee.toString());
    modele_->rafraichit();
    list1Click();
    form2_->AjourTabConf();
    afficheAvis(plan.avis);
}

void Form1::cmdTraitClick() {
    if (session_.occupee())
        return;
    const ModeDisposition mode =
        OptPEfface->isChecked() ? ModeDisposition::Detruire : ModeDisposition::Deplacer;
    if (!confirmeDisposition(ApercuPurge(state_), mode))
        return;
    razProgression(CompteMarquees(state_));
    session_.lanceTraitementPurge(mode, demandeScan());
}

bool Form1::confirmeDisposition(const ApercuDisposition& apercu, ModeDisposition mode) {
    // Nothing to dispose of (a couple no longer in the list): the command runs and says so.
    if (apercu.fichiers == 0)
        return true;
    return dialogues_.confirme(this, QuestionDisposition(apercu, mode),
                               TitreConfirmation.toString(), mode == ModeDisposition::Detruire);
}

// After a purge run or a disposal and its rescan: what was done heads the status line (the
// read-only files left in its tooltip), then a stop, how many files went and how many were
// left untouched; failures in one message.
void Form1::finDisposition(const BilanDisposition& bilan) {
    QStringList avis = LbAvis->text().isEmpty() ? QStringList() : QStringList{LbAvis->text()};
    if (bilan.arrete) {
        avis.prepend(QStringLiteral("Arrêté : %1 fichier(s) traité(s), %2 laissé(s) sans y "
                                    "toucher.")
                         .arg(bilan.traites)
                         .arg(bilan.restants));
    }
    avis.prepend(RapportDisposition(bilan));
    afficheAvis(avis);
    LbAvis->setToolTip(DetailsRapport(bilan));
    LbVoirGarage->setVisible(bilan.mode == ModeDisposition::Deplacer && bilan.traites > 0);
    if (bilan.echecs.empty())
        return;
    const MessageEchecs message = ComposeMessageEchecs(bilan.echecs);
    dialogues_.avertissement(this, message.texte, message.details, message.titre);
}

void Form1::marque(qsizetype (*commande)(AppState&, QStringView)) {
    if (session_.occupee())
        return;
    commande(state_, n_filtre->text());
    modele_->marquesChangees();
    list1Click();
}

void Form1::cmdCocheClick() {
    if (session_.occupee())
        return;
    QList<int> lignes;
    for (const QModelIndex& index : List1->selectionModel()->selectedRows())
        lignes.append(index.row());
    Cocher(state_, lignes);
    modele_->marquesChangees();
    list1Click();
}

}  // namespace tidemark
