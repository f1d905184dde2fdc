// The directory selection handlers and the scan as the main window runs and shows it.
#include "ui/Form1.h"

#include "core/AppState.h"
#include "core/Drives.h"
#include "core/Identite.h"
#include "inventory/Marquage.h"
#include "inventory/Scan.h"
#include "session/Session.h"
#include "ui/Dialogues.h"
#include "ui/Form2.h"
#include "ui/ModeleListe.h"
#include "ui/Positions.h"
#include "ui/SelecteurRepertoire.h"
#include "ui/TextesFenetre.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace tidemark {

void Form1::repertChange() {
    scanne();
}

void Form1::uniteChange(int index) {
    if (session_.occupee() || index < 0)
        return;
    const QString lettre = Unite->itemData(index).toString();
    if (lettre.isEmpty())
        return;
    // The picker moves without raising its own change: the drive change scans once.
    Repert->placeSansSignal(RacineLecteur(lettre[0]));
    scanne();
}

void Form1::optConfigClick() {
    if (session_.occupee() || !OptConfig->isChecked())
        return;
    // Checking "Sous Répertoires Compris" does what its click does, without a scan of its
    // own: the one scan below follows.
    sousrep->setChecked(true);
    session_.vide();
    state_.CheminComplet = true;
    ecritCompteur(cptfichier, 0);
    Frame1->show();
    ChkHome->setEnabled(true);
    Repert->placeSansSignal(state_.RepBase);
    scanne();
}

void Form1::optRepertClick() {
    if (session_.occupee())
        return;
    ChkHome->setEnabled(false);
    Repert->placeSansSignal(state_.RepBase);
    scanne();
}

void Form1::sousrepClick() {
    if (session_.occupee())
        return;
    ecritCompteur(cptfichier, 0);
    session_.vide();
    state_.CheminComplet = sousrep->isChecked();
    scanne();
    Frame1->setVisible(sousrep->isChecked());
}

void Form1::typefChange() {
    if (!typef->currentText().isEmpty())
        scanne();
}

void Form1::cmdStopClick() {
    const bool scan = session_.enCours() == Commande::Scan;
    session_.arrete();
    CmdStop->hide();
    if (scan)
        LbNonTermine->show();
}

void Form1::list1Click() {
    const qsizetype marquees = CompteMarquees(state_);
    ecritCompteur(nbfich, marquees);
    // The bytes to purge, once the analysis has read the size of every marked file.
    const TailleMarquees taille = TailleDesMarquees(state_);
    const bool connue = marquees > 0 && taille.sansTaille == 0;
    LbOctets->setText(connue ? QStringLiteral("(%1)").arg(TexteOctets(taille.octets)) : QString());
    LbOctets->setAccessibleName(connue ? LbOctets->toolTip() + u' ' + TexteOctets(taille.octets)
                                       : QString());
}

void Form1::ecritCompteur(QLabel* compteur, qint64 n) {
    const QLabel* legende = compteur == cptfichier ? Label4 : Label1;
    compteur->setText(QString::number(n));
    QString nom = legende->text();
    nom.chop(nom.endsWith(u':') ? 1 : 0);
    compteur->setAccessibleName(nom.trimmed() + u' ' + compteur->text());
}

void Form1::scanne() {
    if (session_.occupee() || state_.FiltreFich.isEmpty())
        return;
    session_.lanceScan(demandeScan());
}

DemandeScan Form1::demandeScan() const {
    DemandeScan demande;
    demande.mode = OptConfig->isChecked() ? ModeScan::Config : ModeScan::Repertoire;
    demande.repertoire = Repert->chemin();
    demande.sousRepertoires = sousrep->isChecked();
    demande.avecHome = ChkHome->isChecked();
    return demande;
}

void Form1::debutDeScan() {
    const QString chemin = Repert->chemin();
    state_.ListeDeFichiers = false;
    state_.MessagesListe = {LigneAnalyseRepertoire(chemin)};
    modele_->rafraichit();
    List1->setToolTip(LigneAnalyseRepertoire(chemin).sliced(MarqueVide.size()));
    Frame7->setTitle(QStringLiteral(" Liste des Fichiers en cours de création  "));
    Frame7->show();
    Frame10->hide();
    form2_->RazTabConf();
    LbAvis->clear();
    LbNonTermine->hide();
    Label1->setText(LegendeDansRepertoire.toString());
    LbOctets->clear();
    razProgression(0);
}

void Form1::finDeScan(const ResultatScan& resultat, bool modeConfig) {
    Label1->setText(LegendeAPurger.toString());
    if (resultat.racineRefusee) {
        // "Non" to the root question: the box is unchecked, as its click would, and the
        // root's own files were listed.
        sousrep->setChecked(false);
        Frame1->hide();
    }
    if (!modeConfig)
        LbRepert->setText(state_.RepBase);
    const qsizetype n = qsizetype(state_.TabFich.size());
    modele_->rafraichit();
    if (modeConfig && resultat.sansRepertoireConfig) {
        Frame7->setTitle(QStringLiteral(" Messages suite à la recherche  "));
    } else if (!modeConfig && n == 0) {
        Frame7->setTitle(QStringLiteral(" Pas de fichier trouvé. "));
    } else {
        list1Click();
        Frame7->setTitle(QStringLiteral(" Liste des Fichiers  "));
    }
    trouves_ = -1;  // the counts of the scan under way are the list's now
    ecritCompteur(cptfichier, n);
    afficheAvis(resultat.avis);
    LbNonTermine->setVisible(resultat.arrete);
    Frame7->show();
    Frame10->hide();
    List1->setToolTip(QStringLiteral(" Cliquez sur le bouton 'Visu Purge' "));
}

void Form1::progression(qint64 valeur, qint64 nombre) {
    valeurBarre_ = valeur;
    nombreBarre_ = nombre;
    if (!rafraichissement_->isActive())
        rafraichissement_->start();
}

void Form1::montreAvancement() {
    if (valeurBarre_ >= 0) {
        ProgressBar1->setMaximum(MaximumProgression(qsizetype(nombreBarre_)));
        ProgressBar1->setValue(int(std::min<qint64>(valeurBarre_, ProgressBar1->maximum())));
        valeurBarre_ = -1;
    }
    if (trouves_ >= 0) {
        ecritCompteur(cptfichier, trouves_);
        ecritCompteur(nbfich, repertoire_);
    }
    trouves_ = -1;
}

void Form1::commandeChangee() {
    if (!session_.occupee()) {
        // What is left to show of the command goes with it: the results are on screen.
        rafraichissement_->stop();
        valeurBarre_ = trouves_ = -1;
    }
    ajusteCommandes();
    if (!session_.occupee() && apresCommande_)
        std::exchange(apresCommande_, nullptr)();
}

void Form1::ajusteCommandes() {
    const bool libre = !session_.occupee();
    // While a command runs only the stop and the exits act: a command started inside
    // another would work on a half-built list.
    const QList<QWidget*> verrous = {Frame6,     Frame5,  sousrep, Frame3,  Frame8,
                                     Frame4,     Frame11, Frame2,  Frame10, CmdForm2Yes,
                                     CmdForm2No, CmdAide, CmdAP,   List1,   form2_};
    for (QWidget* w : verrous)
        if (w)
            w->setEnabled(libre);
    ChkHome->setEnabled(OptConfig->isChecked());

    // What the list allows: "Visu Purge" on a fresh list (or one a purge left with work),
    // "Traitement Purge" on an analysis that marked files, the duplicates on a tree with
    // nothing left to purge, and the review once the couples were searched.
    const EtapeListe etape = session_.etape();
    const bool marquees = session_.marqueesAnalyse() > 0;
    const bool recherchee = etape == EtapeListe::Recherchee;
    const bool doublons =
        recherchee || ((etape == EtapeListe::Analysee || etape == EtapeListe::Purgee) &&
                       !marquees && sousrep->isChecked());
    const bool purge = etape == EtapeListe::Listee || (etape == EtapeListe::Purgee && !doublons);
    const bool revue = recherchee && session_.revue() && session_.revue()->trouve;
    CmdPurge->setEnabled(libre && purge);
    CmdTrait->setEnabled(libre && etape == EtapeListe::Analysee && marquees);
    Frame1->setEnabled(libre && doublons);
    OptMEfface->setEnabled(doublons);
    OptMDeplace->setEnabled(doublons);
    CmdMulti->setEnabled(doublons && !recherchee);
    // A greyed search says why.
    CmdMulti->setToolTip(!sousrep->isChecked()   ? InfoBulleMultiplesSansSousRepertoires.toString()
                         : marquees && !doublons ? InfoBulleMultiplesAPurger.toString()
                                                 : InfoBulleRechercheMultiples.toString());
    CmdActualiser->setEnabled(libre && !state_.FiltreFich.isEmpty());
    CmdTraitMulti->setEnabled(recherchee);
    CmdSuiv->setEnabled(recherchee && !state_.Couples.empty());
    for (QPushButton* bouton : {CmdDep1, CmdDep2, CmdDepMulti1, CmdDepMulti2})
        bouton->setEnabled(revue);

    const QString legende = session_.enCours() == Commande::Scan ? QStringLiteral("Arrêt Scan")
                                                                 : QStringLiteral("Arrêter");
    CmdStop->setText(legende);
    CmdStop->setVisible(!libre && !session_.arret().demandee());
}

void Form1::afficheAvis(const QStringList& avis) {
    LbAvis->setText(SecableEntreComposants(avis.join(u'\n')));
    LbVoirGarage->hide();
    LbAvis->setToolTip({});
    LbAvis->setVisible(!avis.isEmpty());
}

}  // namespace tidemark
