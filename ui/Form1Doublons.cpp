// "Recherche Multiples ?", "Traitement multiple" and the four buttons that dispose of one
// side of the couple under review.
#include "ui/Form1.h"

#include "core/AppState.h"
#include "duplicates/RechercheDoublons.h"
#include "duplicates/RevueCouples.h"
#include "session/Session.h"
#include "ui/SelecteurRepertoire.h"
#include "ui/TableCouples.h"
#include "ui/TextesCouples.h"
#include "ui/TextesFenetre.h"

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
    if (session_.occupee() || !sousrep->isChecked())
        return;
    razProgression(qsizetype(state_.TabFich.size()));
    session_.lanceRechercheMultiples(demandeRecherche());
}

DemandeRecherche Form1::demandeRecherche() const {
    DemandeRecherche demande;
    demande.sousRepertoires = sousrep->isChecked();
    demande.repertoire = Repert->chemin();
    return demande;
}

void Form1::finRecherche(const ResultatRecherche& resultat) {
    if (!resultat.effectuee)
        return;
    razProgression(qsizetype(state_.Couples.size()));
    ProgressBar1->setValue(0);
    LbCouple->setText(TexteRangCouple(-1, qint64(state_.Couples.size())));
    afficheAvis(resultat.avis);
    // Duplicates mode: the couples instead of the file list.
    Frame7->hide();
    Frame10->show();
    // Where moved files will go; a search stopped at the table's capacity says so first.
    TxtFich1->setText(
        (resultat.capaciteAtteinte ? TexteCapaciteAtteinte(CapaciteCouples) : QString()) +
        TexteTxtFich1());
    TxtFich2->setText(TexteTxtFich2(Repert->chemin()));
}

void Form1::cmdTraitMultiClick() {
    if (session_.occupee() || !sousrep->isChecked())
        return;
    razProgression(qsizetype(state_.TabFich.size()));
    session_.lanceTraitementMultiple(demandeRecherche());
}

void Form1::afficheRevue() {
    const auto& revue = session_.revue();
    if (!revue)
        return;
    TxtFich1->setText(revue->trouve ? revue->chemin1 : TexteSansDoublon.toString());
    TxtFich2->setText(revue->trouve ? revue->chemin2 : TexteSansDoublon.toString());
    const std::optional<std::size_t> k = session_.indiceRevue();
    LbCouple->setText(TexteRangCouple(k ? qint64(*k) : -1, qint64(state_.Couples.size())));
    tableCouples_->montre(k);
}

// A click in the couple table (or a move to another row): that couple is the one the four
// buttons act on.
void Form1::choisitCouple(std::size_t k) {
    if (!session_.choisitCouple(k))
        return;
    afficheRevue();
    ajusteCommandes();
}

void Form1::dispose(bool second, bool tous) {
    if (session_.occupee() || !session_.revue() || !session_.revue()->trouve)
        return;
    const ModeDisposition mode =
        OptMEfface->isChecked() ? ModeDisposition::Detruire : ModeDisposition::Deplacer;
    if (!confirmeDisposition(ApercuRevue(state_, *session_.revue(),
                                         second ? CoteCouple::Second : CoteCouple::Premier, tous),
                             mode))
        return;
    // The list frame holds the stop button and the bar: shown beside the couples meanwhile.
    Frame7->show();
    razProgression(0);
    session_.lanceDisposition(second ? CoteCouple::Second : CoteCouple::Premier, tous, mode,
                              demandeScan(), demandeRecherche());
}

}  // namespace tidemark
