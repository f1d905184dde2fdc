#include "ui/Form2.h"

#include "core/AppState.h"
#include "core/Configurations.h"
#include "core/Identite.h"
#include "core/NomsFichier.h"
#include "core/Reglages.h"
#include "ui/Dialogues.h"
#include "ui/Positions.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace tidemark {

namespace {

const char* const LibellesTypes[NbLignesTypes] = {"Pièces",
                                                  "Assemblages",
                                                  "Mises En Plan",
                                                  "Formats",
                                                  "Tables",
                                                  "Symbols",
                                                  "Layout",
                                                  "Diagramme",
                                                  "Trail (1)",
                                                  "Log (1)",
                                                  "Informations (1)",
                                                  " ",
                                                  " ",
                                                  " ",
                                                  " ",
                                                  " ",
                                                  " ",
                                                  " ",
                                                  "Opt1  :",
                                                  "Opt2  :",
                                                  "Opt3  :"};

QLabel* Etiquette(const char* nom, const QString& texte, QWidget* parent) {
    auto* label = new QLabel(texte, parent);
    label->setObjectName(QLatin1String(nom));
    return label;
}

// A read-only total; `accessible` is what a screen reader says of it (its column and row).
QLineEdit* CaseTotal(const QString& nom, const QString& accessible, QWidget* parent) {
    auto* champ = new QLineEdit(QStringLiteral(" "), parent);
    champ->setObjectName(nom);
    champ->setAccessibleName(accessible);
    champ->setReadOnly(true);
    champ->setAlignment(Qt::AlignRight);
    champ->setFocusPolicy(Qt::NoFocus);
    return champ;
}

QPushButton* Bouton(const char* nom, const QString& texte, const QString& bulle, QWidget* parent) {
    auto* bouton = new QPushButton(texte, parent);
    bouton->setObjectName(QLatin1String(nom));
    bouton->setToolTip(bulle);
    return bouton;
}

}  // namespace

Form2::Form2(AppState& state, SettingsStore& store, Dialogues& dialogues, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), store_(store), dialogues_(dialogues) {
    setObjectName(QStringLiteral("Form2"));
    construit();
}

void Form2::construit() {
    // The type table, in two columns: the revisioned types on the left, the others and the
    // user patterns on the right, each row with its check box, pattern, size and count.
    frame1_ = new QGroupBox(QStringLiteral("Configuration"), this);
    frame1_->setObjectName(QStringLiteral("Frame1"));
    auto* grille = new QGridLayout(frame1_);
    grille->setHorizontalSpacing(8);
    grille->setVerticalSpacing(2);
    grille->addWidget(Etiquette("Label2", QStringLiteral("taille"), frame1_), 0, 2,
                      Qt::AlignCenter);
    grille->addWidget(Etiquette("Label3", QStringLiteral("nombre"), frame1_), 0, 3,
                      Qt::AlignCenter);
    grille->addWidget(Etiquette("Label4", QStringLiteral("taille"), frame1_), 0, 7,
                      Qt::AlignCenter);
    grille->addWidget(Etiquette("Label5", QStringLiteral("nombre"), frame1_), 0, 8,
                      Qt::AlignCenter);
    grille->setColumnMinimumWidth(4, 24);

    for (int k = 0; k < NbLignesTypes; ++k) {
        chk_[k] = new QCheckBox(QString::fromUtf8(LibellesTypes[k]), frame1_);
        chk_[k]->setObjectName(QStringLiteral("Chk%1").arg(k));
        chk_[k]->setAccessibleName(k >= PremiereLigneSansRevision && k < PremiereLigneUtilisateur
                                       ? state_.TabConf[k].motif
                                       : chk_[k]->text().trimmed());
        const QString type = chk_[k]->accessibleName().remove(u':').trimmed();
        tot_[k] =
            CaseTotal(QStringLiteral("Tot%1").arg(k), QStringLiteral("Taille ") + type, frame1_);
        nb_[k] =
            CaseTotal(QStringLiteral("Nb%1").arg(k), QStringLiteral("Nombre ") + type, frame1_);
        tot_[k]->setMinimumWidth(110);
        nb_[k]->setMaximumWidth(70);
        connect(chk_[k], &QCheckBox::clicked, this, [this, k] { couleurLigne(k); });

        QWidget* motif;
        if (k < NbTypesFixes) {
            lbl_[k] = Etiquette("", QString(), frame1_);
            lbl_[k]->setObjectName(QStringLiteral("Lbl%1").arg(k));
            motif = lbl_[k];
        } else {
            const int u = k - PremiereLigneUtilisateur;
            txtOpt_[u] = new QLineEdit(frame1_);
            txtOpt_[u]->setObjectName(QStringLiteral("TxtOpt%1").arg(u));
            txtOpt_[u]->setAccessibleName(QStringLiteral("Motif Opt%1").arg(u + 1));
            motif = txtOpt_[u];
        }
        const bool gauche = k < PremiereLigneSansRevision;
        int ligne = gauche ? 1 + k : 1 + k - PremiereLigneSansRevision;
        if (k >= PremiereLigneUtilisateur)
            ligne += 1;  // below the "Types de fichier utilisateurs" heading
        const int col = gauche ? 0 : 5;
        grille->addWidget(chk_[k], ligne, col);
        grille->addWidget(motif, ligne, col + 1);
        grille->addWidget(tot_[k], ligne, col + 2);
        grille->addWidget(nb_[k], ligne, col + 3);
    }
    grille->addWidget(Etiquette("Label1", QStringLiteral("Types de fichier utilisateurs"), frame1_),
                      1 + PremiereLigneUtilisateur - PremiereLigneSansRevision, 5, 1, 4);

    const int ligneTotaux = 1 + PremiereLigneSansRevision;
    grille->addWidget(Etiquette("Label6", QStringLiteral("Totaux :"), frame1_), ligneTotaux, 1,
                      Qt::AlignRight);
    totTaille_ = CaseTotal(QStringLiteral("TotTaille"), QStringLiteral("Total taille"), frame1_);
    totTaille_->setToolTip(
        QStringLiteral("Nombre total d'octects recupérable par l'opération de purge."));
    totNombre_ = CaseTotal(QStringLiteral("TotNombre"), QStringLiteral("Total nombre"), frame1_);
    totNombre_->setToolTip(QStringLiteral("Nombre total de fichiers détectés."));
    grille->addWidget(totTaille_, ligneTotaux, 2);
    grille->addWidget(totNombre_, ligneTotaux, 3);
    grille->addWidget(
        Etiquette("Label10", QStringLiteral("(La taille des fichiers est données en Octets)"),
                  frame1_),
        ligneTotaux + 1, 0, 1, 4);

    // Options: kept counts and the two flags.
    auto* frame3 = new QGroupBox(QStringLiteral("Options"), this);
    frame3->setObjectName(QStringLiteral("Frame3"));
    auto* options = new QGridLayout(frame3);
    nbRev_ = new QLineEdit(frame3);
    nbRev_->setObjectName(QStringLiteral("NbRev"));
    nbRev_->setToolTip(
        QStringLiteral("Nombre de Révision conservées pour les fichiers modèles. "
                       "Ne peut être inférieure à 1.\n"
                       "Sont conservées les révisions dont le numéro dépasse le plus grand "
                       "moins N : avec N = 2, parmi 1, 2, 3, 4, 7, 8 et 12, seule la 12 est "
                       "conservée."));
    nbRev1_ = new QLineEdit(frame3);
    nbRev1_->setObjectName(QStringLiteral("NbRev1"));
    nbRev1_->setToolTip(
        QStringLiteral("Nombre de révisions conservées pour les fichiers "
                       "Trail.txt.*  *.log et *.inf   . Peut être égal à 0."));
    nbRev_->setAccessibleName(QStringLiteral("Nb de Révision"));
    nbRev1_->setAccessibleName(QStringLiteral("Nb de Révision (1)"));
    for (QLineEdit* champ : {nbRev_, nbRev1_}) champ->setMaximumWidth(60);
    auto* label7 = Etiquette("Label7", QStringLiteral("Nb de Révision :"), frame3);
    auto* label8 = Etiquette("Label8", QStringLiteral("Nb de Révision (1) : "), frame3);
    label7->setBuddy(nbRev_);
    label8->setBuddy(nbRev1_);
    chkMaitreSansInd_ = new QCheckBox(
        QStringLiteral("Conserver en priorité le fichier sans indice de révision "), frame3);
    chkMaitreSansInd_->setObjectName(QStringLiteral("ChkMaitreSansInd"));
    chkMaitreSansInd_->setToolTip(
        QStringLiteral("Typiquement les fichiers qui viennent d'intralink. "));
    chkCaches_ =
        new QCheckBox(QStringLiteral("Traiter Y compris les fichiers en  Lecture Seule"), frame3);
    chkCaches_->setObjectName(QStringLiteral("ChkCaches"));
    chkCaches_->setToolTip(
        QStringLiteral("Les fichiers en lecture seule seront effacé si cela à été demandé."));
    options->addWidget(label7, 0, 0);
    options->addWidget(nbRev_, 0, 1);
    options->addWidget(label8, 1, 0);
    options->addWidget(nbRev1_, 1, 1);
    options->addWidget(chkMaitreSansInd_, 0, 2);
    options->addWidget(chkCaches_, 1, 2);
    options->setColumnStretch(3, 1);
    connect(nbRev_, &QLineEdit::textChanged, this, &Form2::nbRevChange);
    // The two flags act at once, without waiting for "Appliquer".
    connect(chkCaches_, &QCheckBox::clicked, this,
            [this](bool coche) { state_.options.ValCaches = coche ? 1 : 0; });
    connect(chkMaitreSansInd_, &QCheckBox::clicked, this,
            [this](bool coche) { state_.options.ValMaitreSansInd = coche ? 1 : 0; });

    // Named configurations.
    auto* frame2 = new QGroupBox(QStringLiteral("Gestion des configurations."), this);
    frame2->setObjectName(QStringLiteral("Frame2"));
    auto* gestion = new QHBoxLayout(frame2);
    nomDeConf_ = new QComboBox(frame2);
    nomDeConf_->setObjectName(QStringLiteral("NomDeConf"));
    nomDeConf_->setAccessibleName(QStringLiteral("Nom de la configuration"));
    nomDeConf_->setEditable(true);
    nomDeConf_->setInsertPolicy(QComboBox::NoInsert);
    nomDeConf_->setMinimumWidth(220);
    auto* sauver = Bouton("CmdSauver", QStringLiteral("Sauver"), QString(), frame2);
    auto* effacer = Bouton("CmdEffacer", QStringLiteral("Effacer"), QString(), frame2);
    gestion->addWidget(nomDeConf_, 1);
    gestion->addWidget(sauver);
    gestion->addWidget(effacer);
    connect(sauver, &QPushButton::clicked, this, &Form2::sauver);
    connect(effacer, &QPushButton::clicked, this, &Form2::effacer);
    connect(nomDeConf_, &QComboBox::textActivated, this, &Form2::choisir);

    auto* appliquer = Bouton(
        "CmdAppliquer", QStringLiteral("Appliquer"),
        QStringLiteral("Application des réglages à la sélection actuelle de fichiers."), this);
    auto* sortie = Bouton("CmdSortie", QStringLiteral("Cacher"),
                          QStringLiteral("Fermer ce formulaire."), this);
    connect(appliquer, &QPushButton::clicked, this, &Form2::appliquer);
    connect(sortie, &QPushButton::clicked, this, &Form2::cacher);

    auto* bas = new QHBoxLayout;
    bas->addWidget(frame2, 1);
    bas->addSpacing(12);
    bas->addWidget(appliquer);
    bas->addWidget(sortie);
    auto* disposition = new QVBoxLayout(this);
    disposition->addWidget(frame1_);
    disposition->addWidget(frame3);
    disposition->addLayout(bas);
}

void Form2::charge() {
    setWindowTitle(QStringLiteral("Velnor 2002/05 ") + QLatin1String(identite::AppNom) +
                   QStringLiteral(" - Configurations  v.") + identite::VersionDatee());
    adjustSize();
    PlaceFenetre(this, reglages::LitPosition(store_, reglages::TopPos2),
                 reglages::LitPosition(store_, reglages::LeftPos2));
    nomDeConf_->setEditText(state_.CurConf);
    ChargeConfiguration(state_, store_, state_.CurConf);
    MaJTabConf();
    remplitNoms();
}

void Form2::couleurLigne(int k) {
    // Unselected rows are greyed like a raised surface, selected ones white like a field.
    const QPalette::ColorRole role = chk_[k]->isChecked() ? QPalette::Base : QPalette::Midlight;
    for (QLineEdit* champ : {tot_[k], nb_[k]}) {
        QPalette palette = champ->palette();
        palette.setColor(QPalette::Base, this->palette().color(role));
        champ->setPalette(palette);
    }
}

void Form2::MaJTabConf() {
    for (int k = 0; k < NbLignesTypes; ++k) {
        if (k < NbTypesFixes)
            lbl_[k]->setText(state_.TabConf[k].motif + QStringLiteral("  : "));
        else
            txtOpt_[k - PremiereLigneUtilisateur]->setText(state_.TabConf[k].motif);
        chk_[k]->setChecked(state_.TabConf[k].selection == 1);
        tot_[k]->setText(QStringLiteral(" "));
        nb_[k]->setText(QStringLiteral(" "));
        couleurLigne(k);
    }
    chkCaches_->setChecked(state_.options.ValCaches == 1);
    chkMaitreSansInd_->setChecked(state_.options.ValMaitreSansInd == 1);
    nbRev_->setText(QString::number(state_.options.ValNbRev));
    nbRev1_->setText(QString::number(state_.options.ValNbRev1));
    frame1_->setTitle(QStringLiteral(" Configuration Courante : ") + nomDeConf_->currentText());
}

void Form2::RazTabConf() {
    for (int k = 0; k < NbTypesFixes; ++k) {
        state_.TabConf[k].octets = 0;
        state_.TabConf[k].nombre = 0;
        tot_[k]->setText(QStringLiteral(" "));
        nb_[k]->setText(QStringLiteral(" "));
    }
    totTaille_->setText(QStringLiteral(" "));
    totNombre_->setText(QStringLiteral(" "));
}

void Form2::AjourTabConf() {
    const QLocale locale;
    qint64 taille = 0;
    qint64 nombre = 0;
    for (int k = 0; k < NbTypesFixes; ++k) {
        tot_[k]->setText(locale.toString(state_.TabConf[k].octets));
        nb_[k]->setText(QString::number(state_.TabConf[k].nombre));
        taille += state_.TabConf[k].octets;
        nombre += state_.TabConf[k].nombre;
    }
    totTaille_->setText(locale.toString(taille));
    totNombre_->setText(QString::number(nombre));
}

Reglages Form2::lus() {
    // The settings are made aside from the window's fields, to be put in place whole.
    Reglages nouveaux = state_.reglages();
    for (int k = 0; k < NbLignesTypes; ++k) {
        LigneType& ligne = nouveaux.TabConf[k];
        if (k >= PremiereLigneUtilisateur) {
            QLineEdit* champ = txtOpt_[k - PremiereLigneUtilisateur];
            const QString motif = champ->text().trimmed();
            const QString refus = ControleMotifUtilisateur(motif);
            if (refus.isEmpty()) {
                ligne.motif = motif;
            } else {
                // A "|" would shift every later field of the stored configuration.
                champ->setText(ligne.motif);
                dialogues_.erreur(this, refus, QStringLiteral("Tidemark Velnor"));
            }
        }
        ligne.selection = chk_[k]->isChecked() ? 1 : 0;
        ligne.octets = 0;
    }
    nouveaux.options.ValCaches = chkCaches_->isChecked() ? 1 : 0;
    nouveaux.options.ValMaitreSansInd = chkMaitreSansInd_->isChecked() ? 1 : 0;
    nouveaux.options.ValNbRev = BorneNbRev(ValeurEntiere(nbRev_->text()));
    nouveaux.options.ValNbRev1 = BorneNbRev1(ValeurEntiere(nbRev1_->text()));
    // The current configuration is a stored one: a name typed and not yet saved names no
    // settings, and stored as current it would load nothing at the next start.
    if (const QString stocke = NomStocke(nouveaux.ListConf, nomDeConf_->currentText());
        !stocke.isEmpty())
        nouveaux.CurConf = stocke;
    return nouveaux;
}

void Form2::applique() {
    state_.reglages() = lus();
}

void Form2::appliquer() {
    Reglages nouveaux = lus();
    nouveaux.FiltreFich = ConstruitFiltre(nouveaux.TabConf);
    state_.reglages() = std::move(nouveaux);
    store_.save(SectionDemarrage, QStringLiteral("curconf"), state_.CurConf);
    Q_EMIT appliquee();
}

void Form2::cacher() {
    reglages::SauvePosition(store_, reglages::TopPos2, HautEnTwips(this));
    reglages::SauvePosition(store_, reglages::LeftPos2, GaucheEnTwips(this));
    applique();
    store_.save(SectionDemarrage, QStringLiteral("curconf"), state_.CurConf);
    hide();
    Q_EMIT cachee();
}

void Form2::closeEvent(QCloseEvent* event) {
    // The window lives as long as the program: closing it only hides it.
    event->ignore();
    if (isVisible())
        cacher();
}

void Form2::sauver() {
    applique();
    const QString refus = SauveConfiguration(state_, store_, nomDeConf_->currentText());
    if (!refus.isEmpty())
        dialogues_.erreur(this, refus, QStringLiteral("Tidemark Velnor"));
    RafraichitNoms(state_, store_);
    remplitNoms();
}

void Form2::effacer() {
    const QString stocke = NomStocke(state_.ListConf, nomDeConf_->currentText());
    if (!stocke.isEmpty() &&
        !dialogues_.confirme(
            this,
            QStringLiteral("La configuration « %1 » sera effacée définitivement.").arg(stocke),
            QStringLiteral("Effacer une configuration"), true))
        return;
    EffaceConfiguration(store_, nomDeConf_->currentText());
    // An erased name is no longer the current configuration, nor stored as such: the next
    // start would load nothing under it. The settings stay applied, under no name.
    if (!stocke.isEmpty() && state_.CurConf.compare(stocke, Qt::CaseInsensitive) == 0) {
        state_.CurConf.clear();
        store_.save(SectionDemarrage, reglages::CurConf, QString());
    }
    RafraichitNoms(state_, store_);
    remplitNoms();
}

void Form2::choisir(const QString& texte) {
    const QString stocke = NomStocke(state_.ListConf, texte);
    if (!stocke.isEmpty()) {
        nomDeConf_->setEditText(stocke);
        ChargeConfiguration(state_, store_, stocke);
    }
    MaJTabConf();
}

void Form2::remplitNoms() {
    const QSignalBlocker bloque(nomDeConf_);
    nomDeConf_->clear();
    nomDeConf_->addItems(state_.ListConf);
    nomDeConf_->setEditText(state_.CurConf);
}

void Form2::nbRevChange() {
    if (ValeurEntiere(nbRev_->text()) < 1)
        nbRev_->setText(QStringLiteral("1"));
}

}  // namespace tidemark
