// The main window's load, the configuration window's show and hide buttons, help, about and
// the exits.
#include "ui/Form1.h"

#include "core/AppState.h"
#include "core/Drives.h"
#include "core/FileSystem.h"
#include "core/Identite.h"
#include "core/Reglages.h"
#include "session/Session.h"
#include "ui/FenetreAPropos.h"
#include "ui/FenetreGarage.h"
#include "ui/Form2.h"
#include "ui/Intro.h"
#include "ui/Positions.h"
#include "ui/SelecteurRepertoire.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>

namespace tidemark {

namespace {

// The stored base directory in its one drive form, when its folder still exists; else the
// root of C:, or of the first mapped drive when C: is not mapped.
QString RepertoireDeBase(const QString& memorise, const DriveMap& lecteurs, const FileSystem& fso) {
    for (const QString& candidat : {memorise, QStringLiteral("c:\\")}) {
        const auto chemin = lecteurs.normalise(candidat);
        const auto hote = chemin ? lecteurs.versHote(*chemin) : std::nullopt;
        if (hote && fso.folderExists(*hote))
            return *chemin;
    }
    const QList<QChar> lettres = lecteurs.lettres();
    return lettres.isEmpty() ? QStringLiteral("C:\\") : RacineLecteur(lettres.first());
}

}  // namespace

void Form1::charge(QWidget* aPropos) {
    setWindowTitle(identite::TitreFenetrePrincipale());
    const bool modeConfig =
        reglages::Lit(store_, reglages::Opt).compare(u"config", Qt::CaseInsensitive) == 0;
    state_.RepBase = RepertoireDeBase(reglages::Lit(store_, reglages::MemRepert), lecteurs_, fso_);
    (reglages::LitBooleen(store_, reglages::OptPurge) ? OptPEfface : OptPDeplace)->setChecked(true);
    (reglages::LitBooleen(store_, reglages::OptDouble) ? OptMEfface : OptMDeplace)
        ->setChecked(true);

    // The config.pro mode lists full paths, as checking its box would.
    OptConfig->setChecked(modeConfig);
    OptRepert->setChecked(!modeConfig);
    ChkHome->setEnabled(modeConfig);
    sousrep->setChecked(modeConfig);
    state_.CheminComplet = modeConfig;

    form2_ = new Form2(state_, store_, dialogues_, this);
    form2_->charge();
    connect(form2_, &Form2::appliquee, this, [this] {
        typef->clear();
        typef->addItem(state_.FiltreFich);
        typefChange();
    });
    connect(form2_, &Form2::cachee, this, [this] {
        CmdForm2No->hide();
        CmdForm2Yes->show();
    });
    state_.FiltreFich = ConstruitFiltre(state_.TabConf);
    typef->clear();
    typef->addItem(state_.FiltreFich);

    Unite->clear();
    for (QChar lettre : lecteurs_.lettres())
        Unite->addItem(RacineLecteur(lettre) + QStringLiteral("   ") + lecteurs_.racine(lettre),
                       QString(lettre));
    placeUnite(state_.RepBase);
    Repert->placeSansSignal(state_.RepBase);
    LbRepert->setText(state_.RepBase);

    Frame1->hide();
    Frame2->hide();
    NumCar->setText(QStringLiteral("4"));
    if (aPropos)
        aPropos->close();
    LbNonTermine->hide();
    razProgression(0);
    ajusteCommandes();

    // Shown before the first scan, so a long scan runs in a visible window; placed once
    // shown, when its controls' smallest sizes are known, so that it fits its screen.
    show();
    PlaceFenetre(this, reglages::LitPosition(store_, reglages::TopPos),
                 reglages::LitPosition(store_, reglages::LeftPos));
    // The configuration window comes up over the main one, never behind it; on first start,
    // with no place of its own yet, it stands beside it.
    if (store_.get(SectionDemarrage, reglages::LeftPos2).trimmed().isEmpty())
        DisposeCoteACote(this, form2_);
    if (reglages::LitBooleen(store_, reglages::Form2V))
        montrerForm2();
    else
        cacherForm2();
    scanne();
}

void Form1::placeUnite(const QString& chemin) {
    const int index =
        Unite->findData(QString(chemin.isEmpty() ? QChar(u'C') : chemin[0].toUpper()));
    const QSignalBlocker bloque(Unite);
    Unite->setCurrentIndex(index);
}

void Form1::razProgression(qsizetype n) {
    ProgressBar1->setMinimum(0);
    ProgressBar1->setMaximum(MaximumProgression(n));
    ProgressBar1->setValue(0);
}

void Form1::montrerForm2() {
    form2_->show();
    form2_->raise();
    CmdForm2No->show();
    CmdForm2Yes->hide();
}

void Form1::montrerGarage() {
    if (!garage_)
        garage_ = new FenetreGarage(session_, lecteurs_, fso_, dialogues_, this);
    garage_->show();
    garage_->raise();
    garage_->rafraichit();
}

void Form1::cacherForm2() {
    form2_->hide();
    CmdForm2No->hide();
    CmdForm2Yes->show();
}

void Form1::sortir() {
    if (session_.occupee()) {
        // The command stops first; the exit follows as soon as it has.
        apresCommande_ = [this] { sortir(); };
        session_.arrete(true);
        return;
    }
    reglages::SauvePosition(store_, reglages::TopPos, HautEnTwips(this));
    reglages::SauvePosition(store_, reglages::LeftPos, GaucheEnTwips(this));
    reglages::SauvePosition(store_, reglages::TopPos2, HautEnTwips(form2_));
    reglages::SauvePosition(store_, reglages::LeftPos2, GaucheEnTwips(form2_));
    store_.save(SectionDemarrage, reglages::Opt,
                OptRepert->isChecked() ? QStringLiteral("Repert") : QStringLiteral("Config"));
    store_.save(SectionDemarrage, reglages::MemRepert, state_.RepBase);
    store_.save(SectionDemarrage, reglages::OptPurge, TexteBooleen(OptPEfface->isChecked()));
    store_.save(SectionDemarrage, reglages::OptDouble, TexteBooleen(OptMEfface->isChecked()));
    store_.save(SectionDemarrage, reglages::Form2V, TexteBooleen(form2_->isVisible()));
    termine();
}

void Form1::annuler() {
    if (session_.occupee()) {
        apresCommande_ = [this] { annuler(); };
        session_.arrete(true);
        return;
    }
    termine();
}

void Form1::termine() {
    close();
}

void Form1::closeEvent(QCloseEvent* event) {
    if (session_.occupee()) {
        event->ignore();
        annuler();
        return;
    }
    // Closing the configuration window stores its position and the current configuration;
    // its last "apply" starts no scan any more.
    disconnect(form2_, nullptr, this, nullptr);
    form2_->cacher();
    for (QWidget* fenetre : {static_cast<QWidget*>(intro_), fenetreAPropos_})
        if (fenetre)
            fenetre->close();
    event->accept();
    QCoreApplication::quit();
}

void Form1::aide() {
    if (!intro_)
        intro_ = new Intro(dialogues_, this);
    intro_->show();
    intro_->raise();
    intro_->charge(cheminsIntro_.isEmpty() ? Intro::CheminsIntro() : cheminsIntro_);
}

void Form1::aPropos() {
    if (!fenetreAPropos_)
        fenetreAPropos_ = new FenetreAPropos(this);
    fenetreAPropos_->show();
    fenetreAPropos_->raise();
}

}  // namespace tidemark
