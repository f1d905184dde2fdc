#include "ui/FenetreGarage.h"

#include "core/Drives.h"
#include "core/FileSystem.h"
#include "garage/Restauration.h"
#include "session/Session.h"
#include "ui/Dialogues.h"
#include "ui/TextesFenetre.h"

#include <QDesktopServices>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <utility>

namespace tidemark {

namespace {

constexpr int RoleCle = Qt::UserRole;  // the run's id, or the file's original path

QPushButton* Bouton(const char* nom, const QString& texte, const QString& bulle, QWidget* parent) {
    auto* bouton = new QPushButton(texte, parent);
    bouton->setObjectName(QLatin1String(nom));
    bouton->setAccessibleName(texte);
    bouton->setToolTip(bulle);
    return bouton;
}

QTreeWidget* Liste(const char* nom, const QString& accessible, const QStringList& colonnes,
                   QWidget* parent) {
    auto* liste = new QTreeWidget(parent);
    liste->setObjectName(QLatin1String(nom));
    liste->setAccessibleName(accessible);
    liste->setHeaderLabels(colonnes);
    liste->setRootIsDecorated(false);
    liste->setUniformRowHeights(true);
    liste->setAlternatingRowColors(true);
    return liste;
}

// A row whose number columns (from `premierNombre` on) are aligned right.
QTreeWidgetItem* Ligne(QTreeWidget* liste, const QStringList& textes, const QString& cle,
                       int premierNombre) {
    auto* ligne = new QTreeWidgetItem(liste, textes);
    ligne->setData(0, RoleCle, cle);
    for (int c = premierNombre; c < textes.size(); ++c)
        ligne->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    return ligne;
}

}  // namespace

FenetreGarage::FenetreGarage(Session& session, const DriveMap& lecteurs, FileSystem& fs,
                             Dialogues& dialogues, QWidget* parent)
    : QWidget(parent, Qt::Window),
      ouvreUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); }),
      session_(session),
      lecteurs_(lecteurs),
      fs_(fs),
      dialogues_(dialogues) {
    setObjectName(QStringLiteral("FenetreGarage"));
    setWindowTitle(QStringLiteral("Garage"));
    construit();
    resize(900, 600);

    connect(ListeExecutions, &QTreeWidget::itemSelectionChanged, this,
            &FenetreGarage::executionChoisie);
    connect(ListeFichiersGarage, &QTreeWidget::itemSelectionChanged, this, &FenetreGarage::ajuste);
    connect(CmdRestaurer, &QPushButton::clicked, this, &FenetreGarage::restaurer);
    connect(CmdVider, &QPushButton::clicked, this, &FenetreGarage::vider);
    connect(CmdOuvrirGarage, &QPushButton::clicked, this, &FenetreGarage::ouvrirGarage);
    connect(CmdFermer, &QPushButton::clicked, this, &QWidget::hide);
    connect(&session_, &Session::commandeChangee, this, &FenetreGarage::commandeChangee);
    connect(&session_, &Session::garageTermine, this, &FenetreGarage::garageTermine);
    // The wait for another run's garage lock is said here too.
    connect(&session_, &Session::statut, this, [this](const QString& texte) {
        if (attendu_)
            LbEtatGarage->setText(texte);
    });
    ajuste();
}

void FenetreGarage::construit() {
    auto* executions =
        new QGroupBox(QStringLiteral("Exécutions (les plus récentes d'abord)"), this);
    ListeExecutions =
        Liste("ListeExecutions", QStringLiteral("Exécutions"),
              {QStringLiteral("Date"), QStringLiteral("Action"), QStringLiteral("Fichiers"),
               QStringLiteral("Octets"), QStringLiteral("Au garage")},
              executions);
    ListeExecutions->setSelectionMode(QAbstractItemView::SingleSelection);
    ListeExecutions->header()->setStretchLastSection(false);
    (new QVBoxLayout(executions))->addWidget(ListeExecutions);

    auto* fichiers = new QGroupBox(QStringLiteral("Fichiers de l'exécution choisie"), this);
    ListeFichiersGarage = Liste(
        "ListeFichiersGarage", QStringLiteral("Fichiers"),
        {QStringLiteral("Fichier d'origine"), QStringLiteral("État"), QStringLiteral("Octets")},
        fichiers);
    ListeFichiersGarage->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListeFichiersGarage->header()->setStretchLastSection(false);
    ListeFichiersGarage->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    (new QVBoxLayout(fichiers))->addWidget(ListeFichiersGarage);

    auto* separation = new QSplitter(Qt::Vertical, this);
    separation->addWidget(executions);
    separation->addWidget(fichiers);
    separation->setChildrenCollapsible(false);

    CmdRestaurer = Bouton("CmdRestaurer", QStringLiteral("Restaurer"),
                          QStringLiteral("Remet à leur place les fichiers choisis de "
                                         "l'exécution, ou tous ceux encore au garage."),
                          this);
    CmdVider = Bouton("CmdVider", QStringLiteral("Vider…"),
                      QStringLiteral("Détruit les fichiers mis au garage il y a plus du nombre "
                                     "de jours indiqué (0 : tous)."),
                      this);
    auto* jours = new QLabel(QStringLiteral("plus vieux que"), this);
    NbJours = new QSpinBox(this);
    NbJours->setObjectName(QStringLiteral("NbJours"));
    NbJours->setAccessibleName(QStringLiteral("Jours"));
    NbJours->setRange(0, 3650);
    NbJours->setValue(30);
    NbJours->setSuffix(QStringLiteral(" jours"));
    jours->setBuddy(NbJours);
    CmdOuvrirGarage = Bouton("CmdOuvrirGarage", QStringLiteral("Ouvrir le dossier"),
                             QStringLiteral("Ouvre le dossier du garage dans le gestionnaire "
                                            "de fichiers."),
                             this);
    CmdFermer = Bouton("CmdFermer", QStringLiteral("Fermer"), QString(), this);

    LbEtatGarage = new QLabel(this);
    LbEtatGarage->setObjectName(QStringLiteral("LbEtatGarage"));
    LbEtatGarage->setAccessibleName(QStringLiteral("État du garage"));
    LbEtatGarage->setWordWrap(true);
    LbEtatGarage->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* commandes = new QHBoxLayout;
    commandes->addWidget(CmdRestaurer);
    commandes->addSpacing(16);
    commandes->addWidget(CmdVider);
    commandes->addWidget(jours);
    commandes->addWidget(NbJours);
    commandes->addSpacing(16);
    commandes->addWidget(CmdOuvrirGarage);
    commandes->addStretch(1);
    commandes->addWidget(CmdFermer);

    auto* disposition = new QVBoxLayout(this);
    disposition->addWidget(separation, 1);
    disposition->addLayout(commandes);
    disposition->addWidget(LbEtatGarage);
}

QString FenetreGarage::idChoisi() const {
    const QList<QTreeWidgetItem*> choisies = ListeExecutions->selectedItems();
    return choisies.isEmpty() ? QString() : choisies.first()->data(0, RoleCle).toString();
}

void FenetreGarage::rafraichit() {
    const QString choisi = idChoisi();
    executions_ = LitJournaux(lecteurs_);
    // A run on several drives has a journal on each: one row for them all.
    std::vector<const ExecutionJournal*> uniques;
    for (auto it = executions_.rbegin(); it != executions_.rend(); ++it)
        if (std::none_of(uniques.begin(), uniques.end(),
                         [&](const ExecutionJournal* e) { return e->id == it->id; }))
            uniques.push_back(&*it);

    const QSignalBlocker bloque(ListeExecutions);
    ListeExecutions->clear();
    QTreeWidgetItem* aChoisir = nullptr;
    for (const ExecutionJournal* e : uniques) {
        const std::vector<LigneExecution> lignes =
            EtatExecution(executions_, e->id, lecteurs_, fs_);
        // The files that went, as the journal says (a line whose act failed is not counted).
        qint64 octets = 0, partis = 0;
        for (const LigneExecution& l : lignes) {
            partis += l.fichier.fait;
            octets += l.fichier.fait ? l.fichier.taille : 0;
        }
        const auto auGarage =
            std::count_if(lignes.begin(), lignes.end(),
                          [](const LigneExecution& l) { return l.etat == EtatFichier::Garage; });
        const QString date =
            e->date.isValid()
                ? e->date.toLocalTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"))
                : e->id;
        QTreeWidgetItem* ligne = Ligne(
            ListeExecutions,
            {date, TexteAction(e->action), QString::number(partis),
             QLocale(QLocale::French).toString(octets),
             e->action == ActionJournal::Garage ? QString::number(auGarage) : QStringLiteral("—")},
            e->id, 2);
        ligne->setToolTip(0, e->id);
        if (e->id == choisi)
            aChoisir = ligne;
    }
    for (int c = 0; c < ListeExecutions->columnCount(); ++c) {
        ListeExecutions->resizeColumnToContents(c);
        ListeExecutions->setColumnWidth(c, ListeExecutions->columnWidth(c) + 16);
    }
    if (aChoisir)
        aChoisir->setSelected(true);
    executionChoisie();
}

void FenetreGarage::executionChoisie() {
    ListeFichiersGarage->clear();
    auGarage_ = 0;
    const QString id = idChoisi();
    if (!id.isEmpty())
        for (const LigneExecution& l : EtatExecution(executions_, id, lecteurs_, fs_)) {
            auGarage_ += l.etat == EtatFichier::Garage;
            Ligne(ListeFichiersGarage,
                  {l.fichier.original, TexteEtat(l.etat),
                   QLocale(QLocale::French).toString(l.fichier.taille)},
                  l.fichier.original, 2);
        }
    ListeFichiersGarage->resizeColumnToContents(1);
    ListeFichiersGarage->resizeColumnToContents(2);
    ajuste();
}

void FenetreGarage::ajuste() {
    const bool libre = !session_.occupee();
    const QString id = idChoisi();
    // Only a run that moved files into the garage, some still there, has anything to bring
    // back.
    const bool restaurable =
        auGarage_ > 0 &&
        std::any_of(executions_.begin(), executions_.end(), [&](const ExecutionJournal& e) {
            return e.id == id && e.action == ActionJournal::Garage;
        });
    CmdRestaurer->setEnabled(libre && restaurable);
    CmdVider->setEnabled(libre);
    NbJours->setEnabled(libre);
    if (attendu_ && !libre)
        LbEtatGarage->setText(session_.enCours() == Commande::Restauration
                                  ? QStringLiteral("Restauration en cours…")
                                  : QStringLiteral("Recherche de ce qui peut être vidé…"));
}

void FenetreGarage::commandeChangee() {
    ajuste();
    if (session_.occupee() || questionVidage_.isEmpty())
        return;
    const QString question = std::exchange(questionVidage_, QString());
    if (!dialogues_.confirme(this, question, QStringLiteral("Vider le garage"), true)) {
        LbEtatGarage->setText(QStringLiteral("Vidage annulé : rien n'a été détruit."));
        return;
    }
    attendu_ = true;
    session_.lanceVidage(joursVidage_, false);
}

void FenetreGarage::restaurer() {
    const QString id = idChoisi();
    if (id.isEmpty() || session_.occupee())
        return;
    QStringList choisis;
    for (const QTreeWidgetItem* ligne : ListeFichiersGarage->selectedItems())
        choisis.append(ligne->data(0, RoleCle).toString());
    attendu_ = true;
    session_.lanceRestauration(id, choisis);
}

void FenetreGarage::vider() {
    if (session_.occupee())
        return;
    // A dry run first, to say how many files and bytes would go.
    joursVidage_ = NbJours->value();
    attendu_ = true;
    session_.lanceVidage(joursVidage_, true);
}

void FenetreGarage::garageTermine(const ResultatGarage& resultat, bool essai) {
    if (!std::exchange(attendu_, false))
        return;
    const bool vidage = session_.enCours() == Commande::VidageGarage;
    if (vidage && essai) {
        if (resultat.faits.empty()) {
            LbEtatGarage->setText(
                QStringLiteral("Rien à vider : aucun fichier n'est au garage "
                               "depuis assez longtemps."));
            return;
        }
        qint64 octets = 0;
        for (const FichierJournal& f : resultat.faits) octets += f.taille;
        // Asked once the dry run's command is over (commandeChangee), so that the real one
        // can start.
        questionVidage_ = QuestionVidage(joursVidage_, qsizetype(resultat.faits.size()), octets);
        return;
    }
    rafraichit();
    LbEtatGarage->setText(BilanGarage(resultat, vidage));
}

void FenetreGarage::ouvrirGarage() {
    // The garage of the chosen run's drive, else of the first mapped drive.
    QChar lettre;
    const QString id = idChoisi();
    for (const ExecutionJournal& e : executions_)
        if (e.id == id)
            lettre = e.lettre;
    if (lettre.isNull() && !lecteurs_.lettres().isEmpty())
        lettre = lecteurs_.lettres().first();
    const std::optional<QString> dossier =
        lettre.isNull() ? std::nullopt
                        : lecteurs_.versHote(QString(lettre) + QStringLiteral(":\\_"));
    if (!dossier || !QDir(*dossier).exists()) {
        LbEtatGarage->setText(
            QStringLiteral("Le garage est vide : il n'y a pas de dossier à ouvrir."));
        return;
    }
    if (!ouvreUrl(QUrl::fromLocalFile(*dossier)))
        LbEtatGarage->setText(QStringLiteral("Le dossier %1 n'a pas pu être ouvert.")
                                  .arg(QDir::toNativeSeparators(*dossier)));
}

}  // namespace tidemark
