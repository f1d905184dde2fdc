#include "ui/Form1.h"

#include "core/AppState.h"
#include "inventory/Marquage.h"
#include "session/Session.h"
#include "ui/Dialogues.h"
#include "ui/ModeleListe.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "ui/SelecteurRepertoire.h"
#include "ui/TableCouples.h"

namespace tidemark {

Form1::Form1(Session& session, SettingsStore& store, const DriveMap& lecteurs, FileSystem& fso,
             Dialogues& dialogues, QWidget* parent)
    : QMainWindow(parent),
      session_(session),
      state_(session.etatModifiable()),
      store_(store),
      lecteurs_(lecteurs),
      fso_(fso),
      dialogues_(dialogues),
      modele_(new ModeleListe(state_, this)) {
    setObjectName(QStringLiteral("Form1"));
    construit();
    resize(1280, 800);

    connect(Repert, &SelecteurRepertoire::cheminChange, this, &Form1::repertChange);
    connect(Unite, &QComboBox::activated, this, &Form1::uniteChange);
    connect(OptConfig, &QRadioButton::clicked, this, &Form1::optConfigClick);
    connect(OptRepert, &QRadioButton::clicked, this, &Form1::optRepertClick);
    connect(sousrep, &QCheckBox::clicked, this, &Form1::sousrepClick);
    connect(typef, &QComboBox::activated, this, &Form1::typefChange);
    connect(CmdStop, &QPushButton::clicked, this, &Form1::cmdStopClick);
    connect(CmdActualiser, &QPushButton::clicked, this, &Form1::scanne);
    connect(List1, &QAbstractItemView::clicked, this, &Form1::list1Click);
    connect(CmdForm2Yes, &QPushButton::clicked, this, &Form1::montrerForm2);
    connect(CmdForm2No, &QPushButton::clicked, this, &Form1::cacherForm2);
    connect(cmd_sortie, &QPushButton::clicked, this, &Form1::sortir);
    connect(cmd_annuler, &QPushButton::clicked, this, &Form1::annuler);
    connect(CmdAide, &QPushButton::clicked, this, &Form1::aide);
    connect(CmdAP, &QPushButton::clicked, this, &Form1::aPropos);
    connect(CmdPurge, &QPushButton::clicked, this, &Form1::cmdPurgeClick);
    connect(CmdTrait, &QPushButton::clicked, this, &Form1::cmdTraitClick);
    connect(CmdGarage, &QPushButton::clicked, this, &Form1::montrerGarage);
    connect(CmdCoche, &QPushButton::clicked, this, &Form1::cmdCocheClick);
    connect(Cmd_Inv, &QPushButton::clicked, this,
            [this] { marque([](AppState& state, QStringView) { return Inverser(state); }); });
    connect(cmd_ajo, &QPushButton::clicked, this, [this] { marque(&Ajouter); });
    connect(cmd_enl, &QPushButton::clicked, this, [this] { marque(&Enlever); });
    connect(CmdMulti, &QPushButton::clicked, this, &Form1::cmdMultiClick);
    connect(CmdTraitMulti, &QPushButton::clicked, this, &Form1::cmdTraitMultiClick);
    connect(CmdDep1, &QPushButton::clicked, this, [this] { dispose(false, false); });
    connect(CmdDep2, &QPushButton::clicked, this, [this] { dispose(true, false); });
    connect(CmdDepMulti1, &QPushButton::clicked, this, [this] { dispose(false, true); });
    connect(CmdDepMulti2, &QPushButton::clicked, this, [this] { dispose(true, true); });
    // "Suivant" moves to the next couple of the table and disposes of nothing.
    connect(CmdSuiv, &QPushButton::clicked, this, [this] { tableCouples_->suivant(); });
    connect(tableCouples_, &TableCouples::coupleChoisi, this, &Form1::choisitCouple);

    // The session's commands report here, on this thread.
    session_.question = [this](const QString& texte, const QString& titre) {
        return dialogues_.ouiNon(this, texte, titre);
    };
    connect(&session_, &Session::commandeChangee, this, &Form1::commandeChangee);
    connect(&session_, &Session::progression, this, &Form1::progression);
    rafraichissement_ = new QTimer(this);
    rafraichissement_->setSingleShot(true);
    rafraichissement_->setInterval(40);
    connect(rafraichissement_, &QTimer::timeout, this, &Form1::montreAvancement);
    connect(&session_, &Session::compteurs, this, [this](qint64 trouves, qint64 repertoire) {
        trouves_ = trouves;
        repertoire_ = repertoire;
        if (!rafraichissement_->isActive())
            rafraichissement_->start();
    });
    connect(&session_, &Session::statut, this,
            [this](const QString& texte) { afficheAvis({texte}); });
    connect(&session_, &Session::scanCommence, this, &Form1::debutDeScan);
    connect(&session_, &Session::scanTermine, this, &Form1::finDeScan);
    connect(&session_, &Session::analyseTerminee, this, &Form1::finAnalyse);
    connect(&session_, &Session::rechercheTerminee, this, &Form1::finRecherche);
    connect(&session_, &Session::revueTrouvee, this, &Form1::afficheRevue);
    connect(&session_, &Session::dispositionTerminee, this, &Form1::finDisposition);
}

Form1::~Form1() {
    session_.question = nullptr;
}

}  // namespace tidemark
