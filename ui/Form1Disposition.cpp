// The main window's controls and their layout.
#include "ui/Form1.h"

#include "duplicates/RechercheDoublons.h"
#include "duplicates/RevueCouples.h"
#include "purge/AnalysePurge.h"
#include "purge/TraitementPurge.h"
#include "ui/ModeleListe.h"
#include "ui/SelecteurRepertoire.h"
#include "ui/TableCouples.h"
#include "ui/TextesFenetre.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWidget>

namespace tidemark {

namespace {

// Gives a control its documented name and tooltip. Its accessible name is what a screen
// reader says: buttons, labels and frames leave it empty so that the reader says their
// current caption, whatever it becomes; a field or a list is named by `accessible`, the
// words of the label beside it.
template <typename T>
T* Nomme(T* controle, const char* nom, const QString& bulle = {}, const QString& accessible = {}) {
    controle->setObjectName(QLatin1String(nom));
    if (!bulle.isEmpty())
        controle->setToolTip(bulle);
    if (!accessible.isEmpty())
        controle->setAccessibleName(accessible);
    return controle;
}

QPushButton* Bouton(const char* nom, const QString& texte, const QString& bulle, QWidget* parent) {
    return Nomme(new QPushButton(texte, parent), nom, bulle);
}

QRadioButton* Option(const char* nom, const QString& texte, const QString& bulle, QWidget* parent) {
    return Nomme(new QRadioButton(texte, parent), nom, bulle);
}

QGroupBox* Cadre(const char* nom, const QString& titre, QWidget* parent) {
    return Nomme(new QGroupBox(titre, parent), nom);
}

QLabel* Etiquette(const char* nom, const QString& texte, QWidget* parent) {
    return Nomme(new QLabel(texte, parent), nom);
}

// A column of frames that scrolls when the screen is too short for it, so that the window
// never needs more height than the screen has; it asks for its column's width, with room
// for the scroll bar.
class ColonneDefilante : public QScrollArea {
public:
    explicit ColonneDefilante(QWidget* colonne) {
        setWidget(colonne);
        setWidgetResizable(true);
        setFrameShape(QFrame::NoFrame);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    QSize minimumSizeHint() const override {
        return {widget()->minimumSizeHint().width() + verticalScrollBar()->sizeHint().width(),
                QScrollArea::minimumSizeHint().height()};
    }
    QSize sizeHint() const override {
        const QSize colonne = widget()->sizeHint();
        return {colonne.width() + verticalScrollBar()->sizeHint().width(), colonne.height()};
    }
};

// A command frame: its "Deplacer"/"Détruire" pair side by side, then its two commands.
void DisposeCommandes(QGroupBox* cadre, QRadioButton* deplacer, QRadioButton* detruire,
                      QPushButton* premier, QPushButton* second) {
    auto* grille = new QGridLayout(cadre);
    grille->addWidget(deplacer, 0, 0);
    grille->addWidget(detruire, 0, 1);
    grille->addWidget(premier, 1, 0, 1, 2);
    grille->addWidget(second, 2, 0, 1, 2);
}

}  // namespace

void Form1::construit() {
    auto* centre = new QWidget(this);
    setCentralWidget(centre);

    auto* titre = Etiquette(
        "Label3", QStringLiteral("Purge et Vérification de multiplicité de fichier."), centre);
    QFont grand = titre->font();
    grand.setPointSize(grand.pointSize() + 3);
    grand.setBold(true);
    titre->setFont(grand);
    CmdAide = Bouton("CmdAide", QStringLiteral("?"), QStringLiteral("Aide "), centre);
    CmdAP = Bouton("CmdAP", QStringLiteral("AP"), QStringLiteral("A propos de Tidemark."), centre);
    for (QPushButton* b : {CmdAide, CmdAP}) b->setFixedWidth(40);
    auto* haut = new QHBoxLayout;
    haut->addWidget(titre, 1);
    haut->addWidget(CmdAide);
    haut->addWidget(CmdAP);

    auto* separation = new QSplitter(Qt::Horizontal, centre);
    separation->setObjectName(QStringLiteral("Separation"));
    separation->addWidget(new ColonneDefilante(construitGauche()));
    separation->addWidget(construitListe());
    separation->addWidget(new ColonneDefilante(construitDroite()));
    separation->setStretchFactor(0, 0);
    separation->setStretchFactor(1, 1);
    separation->setStretchFactor(2, 0);
    separation->setChildrenCollapsible(false);
    separation->setSizes({310, 700, 270});

    auto* disposition = new QVBoxLayout(centre);
    disposition->addLayout(haut);
    disposition->addWidget(separation, 1);

    // Tab order follows the frames: selection, list, commands, exits.
    const QList<QWidget*> ordre = {
        Unite,         Repert->liste(), sousrep,    OptRepert,    OptConfig,   ChkHome,
        typef,         CmdForm2Yes,     CmdForm2No, List1,        CmdStop,     OptPDeplace,
        OptPEfface,    CmdPurge,        CmdTrait,   CmdGarage,    n_filtre,    cmd_ajo,
        cmd_enl,       CmdCoche,        Cmd_Inv,    OptMDeplace,  OptMEfface,  CmdMulti,
        CmdTraitMulti, ListV,           CmdDep1,    CmdDepMulti1, CmdDep2,     CmdDepMulti2,
        CmdSuiv,       NumCar,          CmdApproch, cmd_sortie,   cmd_annuler, CmdAide,
        CmdAP};
    for (qsizetype i = 0; i + 1 < ordre.size(); ++i) setTabOrder(ordre[i], ordre[i + 1]);
}

QWidget* Form1::construitGauche() {
    auto* gauche = new QWidget(this);
    auto* colonne = new QVBoxLayout(gauche);
    colonne->setContentsMargins(0, 0, 0, 0);

    Frame6 = Cadre("Frame6", QStringLiteral("Unité"), gauche);
    Unite = Nomme(new QComboBox(Frame6), "Unite", {}, QStringLiteral("Unité"));
    (new QVBoxLayout(Frame6))->addWidget(Unite);

    Frame5 = Cadre("Frame5", QStringLiteral("Répertoire"), gauche);
    Repert = Nomme(new SelecteurRepertoire(lecteurs_, Frame5), "Repert",
                   QStringLiteral("Choisir le répertoire de référence pour commencer"),
                   QStringLiteral("Répertoire"));
    (new QVBoxLayout(Frame5))->addWidget(Repert);

    sousrep =
        Nomme(new QCheckBox(QStringLiteral("Sous Répertoires Compris"), gauche), "sousrep",
              QStringLiteral("Dans le cas d'une sélection 'Selon répertoire',  impose la recherche "
                             "sur tous les sous répertoires du répertoire courant."));

    Frame3 = Cadre("Frame3", QStringLiteral("Type de sélection de Répertoire"), gauche);
    OptRepert =
        Option("OptRepert", QStringLiteral("Selon Répertoire"),
               QStringLiteral("Les traitements se feront sur les fichiers du répertoire spécifié."),
               Frame3);
    OptConfig =
        Option("OptConfig", QStringLiteral("Selon Config.pro"),
               QStringLiteral("Le traitement sera réalisé sur les fichiers appartenant aux "
                              "répertoires décrits dans les 'search_path' du fichier config.pro "
                              "trouvé dans le répertoire courant."),
               Frame3);
    ChkHome =
        Nomme(new QCheckBox(QStringLiteral("Avec \"Home\""), Frame3), "ChkHome",
              QStringLiteral("La recherche comprendra egalement les fichiers appartenant aux "
                             "répertoires décrits dans les 'search_path' trouvé dans le fichier "
                             "'config.pro' du répertoire \"HOME\""));
    auto* modes = new QVBoxLayout(Frame3);
    modes->addWidget(OptRepert);
    modes->addWidget(OptConfig);
    modes->addWidget(ChkHome);
    ChkHome->setContentsMargins(20, 0, 0, 0);

    Frame8 = Cadre("Frame8", QStringLiteral("Type de fichiers à traiter"), gauche);
    typef = Nomme(new QComboBox(Frame8), "typef", {}, QStringLiteral("Type de fichiers à traiter"));
    typef->setEditable(false);
    (new QVBoxLayout(Frame8))->addWidget(typef);

    CmdForm2No = Bouton("CmdForm2No", QStringLiteral("Cacher le formulaire des configurations."),
                        QString(), gauche);
    CmdForm2Yes = Bouton("CmdForm2Yes", QStringLiteral("Montrer le formulaire des configurations."),
                         QStringLiteral("Afficher le formulaire des configurations."), gauche);

    auto* label2 = Etiquette("Label2", QStringLiteral("Répertoire de base :"), gauche);
    LbRepert = Etiquette("LbRepert", QString(), gauche);
    LbRepert->setWordWrap(true);
    LbRepert->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont gras = LbRepert->font();
    gras.setBold(true);
    LbRepert->setFont(gras);

    colonne->addWidget(Frame6);
    colonne->addWidget(Frame5, 1);
    colonne->addWidget(sousrep);
    colonne->addWidget(Frame3);
    colonne->addWidget(Frame8);
    colonne->addWidget(CmdForm2Yes);
    colonne->addWidget(CmdForm2No);
    colonne->addWidget(label2);
    colonne->addWidget(LbRepert);
    return gauche;
}

QWidget* Form1::construitListe() {
    auto* milieu = new QWidget(this);
    auto* colonne = new QVBoxLayout(milieu);
    colonne->setContentsMargins(0, 0, 0, 0);

    Frame7 = Cadre("Frame7", QStringLiteral("Liste des fichiers"), milieu);
    List1 = Nomme(new QListView(Frame7), "List1", QStringLiteral("Voir le code"),
                  QStringLiteral("Liste des fichiers"));
    List1->setModel(modele_);
    List1->setUniformItemSizes(true);
    List1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    List1->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto* compteurs = new QHBoxLayout;
    cptfichier = Etiquette("cptfichier", QStringLiteral("0"), Frame7);
    nbfich = Etiquette("nbfich", QStringLiteral("0"), Frame7);
    LbNonTermine = Etiquette("LbNonTermine", QStringLiteral("Scan  NON Terminé"), Frame7);
    LbNonTermine->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));
    CmdStop =
        Bouton("CmdStop", QStringLiteral("Arrêt Scan"),
               QStringLiteral("Permet d'arréter le programme durant la phase d'exploration des "
                              "répertoires."),
               Frame7);
    // Rescans the current selection, after files were changed outside the program (F5).
    CmdActualiser = Bouton("CmdActualiser", QStringLiteral("Actualiser"),
                           InfoBulleActualiser.toString(), Frame7);
    CmdActualiser->setShortcut(QKeySequence(Qt::Key_F5));
    ProgressBar1 =
        Nomme(new QProgressBar(Frame7), "ProgressBar1", {}, QStringLiteral("Avancement"));
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setMaximumHeight(12);
    // The counters say what they count; screen readers hear the legend with the number.
    Label4 = Etiquette("Label4", LegendeListes.toString(), Frame7);
    Label1 = Etiquette("Label1", LegendeAPurger.toString(), Frame7);
    LbOctets = Etiquette("LbOctets", QString(), Frame7);
    LbOctets->setToolTip(QStringLiteral("Taille des fichiers à purger"));
    compteurs->addWidget(Label4);
    compteurs->addWidget(cptfichier);
    compteurs->addSpacing(6);
    compteurs->addWidget(Label1);
    compteurs->addWidget(nbfich);
    compteurs->addWidget(LbOctets);
    compteurs->addStretch(1);
    // The bar shares its line with the scan's warning and the commands on the list, so the
    // counters' line stays short enough for a narrow screen.
    auto* avancement = new QHBoxLayout;
    avancement->addWidget(LbNonTermine);
    avancement->addWidget(ProgressBar1, 1);
    avancement->addWidget(CmdActualiser);
    avancement->addWidget(CmdStop);

    LbAvis = Etiquette("LbAvis", QString(), Frame7);
    LbAvis->setWordWrap(true);
    LbAvis->setStyleSheet(QStringLiteral("color: #805000;"));
    // After files went to the garage, the way to look at them there (and to undo the run).
    LbVoirGarage =
        Etiquette("LbVoirGarage",
                  QStringLiteral("<a href=\"garage\">Voir le garage et annuler…</a>"), Frame7);
    LbVoirGarage->setTextInteractionFlags(Qt::LinksAccessibleByMouse |
                                          Qt::LinksAccessibleByKeyboard);
    LbVoirGarage->setAccessibleName(QStringLiteral("Voir le garage et annuler"));
    LbVoirGarage->hide();
    connect(LbVoirGarage, &QLabel::linkActivated, this, [this] { montrerGarage(); });

    auto* liste = new QVBoxLayout(Frame7);
    liste->addWidget(List1, 1);
    liste->addLayout(compteurs);
    liste->addLayout(avancement);
    liste->addWidget(LbAvis);
    liste->addWidget(LbVoirGarage);

    // The couple under review, shown instead of the list.
    Frame10 = Cadre("Frame10",
                    QStringLiteral("Fichiers en double sur l'ensemble des répertoires inspectés "),
                    milieu);
    tableCouples_ = new TableCouples(session_, Frame10);
    ListV = Nomme(tableCouples_->couples(), "ListV", InfoBulleListV.toString(),
                  QStringLiteral("Couples de fichiers en double"));
    LbCouple = Etiquette("LbCouple", QString(), Frame10);
    TxtFich1 = Nomme(new QLineEdit(Frame10), "TxtFich1", {}, QStringLiteral("Premier emplacement"));
    TxtFich2 = Nomme(new QLineEdit(Frame10), "TxtFich2", {}, QStringLiteral("Second emplacement"));
    for (QLineEdit* t : {TxtFich1, TxtFich2}) t->setReadOnly(true);
    const QString bulleUn = InfoBulleCeFichier.toString();
    const QString bulleTous = InfoBulleCesFichiers.toString();
    CmdDep1 = Bouton("CmdDep1", QStringLiteral("Ce Fichier"), bulleUn, Frame10);
    CmdDep2 = Bouton("CmdDep2", QStringLiteral("Ce Fichier"), bulleUn, Frame10);
    CmdDepMulti1 = Bouton("CmdDepMulti1", QStringLiteral("Ces Fichiers"), bulleTous, Frame10);
    CmdDepMulti2 = Bouton("CmdDepMulti2", QStringLiteral("Ces Fichiers"), bulleTous, Frame10);
    // The two rows of buttons read alike: a screen reader hears which file each acts on.
    CmdDep1->setAccessibleName(QStringLiteral("Ce Fichier, premier emplacement"));
    CmdDep2->setAccessibleName(QStringLiteral("Ce Fichier, second emplacement"));
    CmdDepMulti1->setAccessibleName(QStringLiteral("Ces Fichiers, premier emplacement"));
    CmdDepMulti2->setAccessibleName(QStringLiteral("Ces Fichiers, second emplacement"));
    CmdSuiv = Bouton("CmdSuiv", QStringLiteral("Suivant"), InfoBulleSuivant.toString(), Frame10);
    auto* couple = new QGridLayout(Frame10);
    couple->addWidget(tableCouples_, 0, 0, 1, 3);
    couple->addWidget(TxtFich1, 1, 0);
    couple->addWidget(CmdDep1, 1, 1);
    couple->addWidget(CmdDepMulti1, 1, 2);
    couple->addWidget(TxtFich2, 2, 0);
    couple->addWidget(CmdDep2, 2, 1);
    couple->addWidget(CmdDepMulti2, 2, 2);
    couple->addWidget(LbCouple, 3, 0, Qt::AlignRight);
    couple->addWidget(CmdSuiv, 3, 2);
    couple->setColumnStretch(0, 1);
    couple->setRowStretch(0, 1);

    colonne->addWidget(Frame7, 1);
    colonne->addWidget(Frame10, 1);
    return milieu;
}

QWidget* Form1::construitDroite() {
    auto* droite = new QWidget(this);
    auto* colonne = new QVBoxLayout(droite);
    colonne->setContentsMargins(0, 0, 0, 0);

    Frame4 = Cadre("Frame4", QStringLiteral("Controle Purge "), droite);
    OptPDeplace =
        Option("OptPDeplace", QStringLiteral("Deplacer"),
               QStringLiteral("Avec cette option les fichiers purgés seront déplacés dans le "
                              "répertoire 'garage'."),
               Frame4);
    OptPEfface =
        Option("OptPEfface", QStringLiteral("Détruire"),
               QStringLiteral("Avec cette option les fichiers purgés seront irrémédiablement "
                              "effacés du disque."),
               Frame4);
    CmdPurge =
        Bouton("CmdPurge", QStringLiteral("Visu Purge"), InfoBulleVisuPurge.toString(), Frame4);
    CmdTrait = Bouton("CmdTrait", QStringLiteral("Traitement Purge"),
                      InfoBulleTraitementPurge.toString(), Frame4);
    DisposeCommandes(Frame4, OptPDeplace, OptPEfface, CmdPurge, CmdTrait);
    CmdGarage =
        Bouton("CmdGarage", QStringLiteral("Garage…"),
               QStringLiteral("Les exécutions passées par le garage : restaurer, vider."), droite);

    Frame11 = new QWidget(droite);
    Frame11->setObjectName(QStringLiteral("Frame11"));
    Frame11->setAccessibleName(QStringLiteral("Marques par filtre"));
    auto* label13 = Etiquette("Label13", QStringLiteral("Filtre"), Frame11);
    n_filtre = Nomme(new QLineEdit(Frame11), "n_filtre", {}, QStringLiteral("Filtre"));
    label13->setBuddy(n_filtre);
    cmd_ajo = Bouton("cmd_ajo", QStringLiteral("Ajouter"), QString(), Frame11);
    cmd_enl = Bouton("cmd_enl", QStringLiteral("Enlever"), QString(), Frame11);
    CmdCoche = Bouton("CmdCoche", QStringLiteral("Cocher"), QString(), Frame11);
    Cmd_Inv = Bouton("Cmd_Inv", QStringLiteral("Inverser"), QString(), Frame11);
    auto* marquage = new QGridLayout(Frame11);
    marquage->setContentsMargins(4, 4, 4, 4);
    marquage->addWidget(label13, 0, 0);
    marquage->addWidget(n_filtre, 0, 1);
    marquage->addWidget(cmd_ajo, 1, 0);
    marquage->addWidget(cmd_enl, 1, 1);
    marquage->addWidget(CmdCoche, 2, 0);
    marquage->addWidget(Cmd_Inv, 2, 1);

    Frame1 = Cadre("Frame1", QStringLiteral("Controle fichiers multiples"), droite);
    OptMDeplace =
        Option("OptMDeplace", QStringLiteral("Deplacer"),
               QStringLiteral("Avec cette option les fichiers doublons sélectionnés seront "
                              "déplacés dans le répertoire 'garage'."),
               Frame1);
    OptMEfface =
        Option("OptMEfface", QStringLiteral("Détruire"),
               QStringLiteral("Avec cette option les fichiers doublons sélectionnés seront "
                              "irrémediablement effacés du disque."),
               Frame1);
    CmdMulti = Bouton("CmdMulti", QStringLiteral("Recherche Multiples ?"),
                      InfoBulleRechercheMultiples.toString(), Frame1);
    CmdTraitMulti = Bouton("CmdTraitMulti", QStringLiteral("Traitement multiple"),
                           InfoBulleTraitementMultiple.toString(), Frame1);
    DisposeCommandes(Frame1, OptMDeplace, OptMEfface, CmdMulti, CmdTraitMulti);

    Frame2 = Cadre("Frame2", QStringLiteral("Noms approchants"), droite);
    auto* label6 = Etiquette("Label6", QStringLiteral("Numéro du caractère à tester"), Frame2);
    NumCar =
        Nomme(new QLineEdit(Frame2), "NumCar", {}, QStringLiteral("Numéro du caractère à tester"));
    NumCar->setMaximumWidth(50);
    label6->setBuddy(NumCar);
    CmdApproch = Bouton("CmdApproch", QStringLiteral("Detecter"), QString(), Frame2);
    auto* voisins = new QGridLayout(Frame2);
    voisins->addWidget(label6, 0, 0, 1, 2);
    voisins->addWidget(NumCar, 1, 0);
    voisins->addWidget(CmdApproch, 1, 1);

    cmd_sortie = Bouton("cmd_sortie", QStringLiteral("SORTIR"),
                        QStringLiteral("Sortie avec sauvegarde des options courante."), droite);
    cmd_annuler = Bouton("cmd_annuler", QStringLiteral("ANNULER"),
                         QStringLiteral("Sortie immédiate du programme."), droite);

    colonne->addWidget(Frame4);
    colonne->addWidget(CmdGarage);
    colonne->addWidget(Frame11);
    colonne->addWidget(Frame1);
    colonne->addWidget(Frame2);
    colonne->addStretch(1);
    colonne->addWidget(cmd_sortie);
    colonne->addWidget(cmd_annuler);
    return droite;
}

}  // namespace tidemark
