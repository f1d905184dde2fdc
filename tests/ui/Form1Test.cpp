#include "core/Reglages.h"
#include "tests/ui/FenetreFixture.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

namespace tidemark::test {
namespace {

class Form1Test : public FenetreTest {};

TEST_F(Form1Test, EmptyStoreOpensOnTheRootOfCInDirectoryMode) {
    arbre.fichiers({"a.prt.1", "a.prt.2", "b.drw.1", "sous/c.prt.1"});
    demarre();
    EXPECT_EQ(form1()->windowTitle(), u"Velnor 2002/05 Tidemark v.1.05 du 25/11/2005");
    // On first start the two windows stand side by side where the screen has room for both
    // (else the configuration window at its left edge), whole on the screen.
    const QRect ecran = form1()->screen()->availableGeometry();
    EXPECT_EQ(form1()->y(), 94);  // 1416 twips
    EXPECT_TRUE(!form1()->frameGeometry().intersects(form2()->frameGeometry()) ||
                form2()->x() == ecran.left() + Bordure);
    EXPECT_TRUE(ecran.contains(form1()->geometry()) && ecran.contains(form2()->geometry()));
    EXPECT_TRUE(controle<QRadioButton>("OptRepert")->isChecked());
    EXPECT_FALSE(controle<QCheckBox>("ChkHome")->isEnabled());
    EXPECT_TRUE(controle<QRadioButton>("OptPDeplace")->isChecked());
    EXPECT_TRUE(controle<QRadioButton>("OptMDeplace")->isChecked());
    EXPECT_TRUE(form2()->isVisible());
    EXPECT_TRUE(controle("CmdForm2No")->isVisible());
    EXPECT_FALSE(controle("CmdForm2Yes")->isVisible());
    EXPECT_FALSE(controle("Frame1")->isVisible());
    EXPECT_FALSE(controle("Frame2")->isVisible());
    EXPECT_FALSE(controle("CmdStop")->isVisible());
    EXPECT_FALSE(controle("LbNonTermine")->isVisible());
    EXPECT_EQ(controle<QLineEdit>("NumCar")->text(), u"4");
    EXPECT_EQ(texte("LbRepert"), u"C:\\");
    EXPECT_EQ(controle<QComboBox>("typef")->currentText(), u"*");
    // The first scan listed the root's own files as bare names, behind the blank mark.
    EXPECT_EQ(lignes(), (QStringList{"      a.prt.1", "      a.prt.2", "      b.drw.1"}));
    EXPECT_EQ(texte("cptfichier"), u"3");
    EXPECT_EQ(texte("nbfich"), u"0");
    EXPECT_EQ(controle<QGroupBox>("Frame7")->title(), u" Liste des Fichiers  ");
    EXPECT_TRUE(controle("CmdPurge")->isEnabled());
    EXPECT_FALSE(controle("CmdTrait")->isEnabled());
    EXPECT_EQ(controle("List1")->toolTip(), u" Cliquez sur le bouton 'Visu Purge' ");
}

TEST_F(Form1Test, StoredSettingsAreRestored) {
    arbre.dossier(QStringLiteral("projets/moteur"));
    store.save(SectionDemarrage, QStringLiteral("Opt"), QStringLiteral("CONFIG"));
    store.save(SectionDemarrage, QStringLiteral("Form2V"), QStringLiteral("False"));
    store.save(SectionDemarrage, QStringLiteral("memrepert"),
               QStringLiteral("c:\\projets\\moteur"));
    store.save(SectionDemarrage, QStringLiteral("OptPurge"), QStringLiteral("true"));
    store.save(SectionDemarrage, QStringLiteral("OptDouble"), QStringLiteral("peut-être"));
    demarre();
    EXPECT_TRUE(controle<QRadioButton>("OptConfig")->isChecked());
    EXPECT_TRUE(controle<QCheckBox>("ChkHome")->isEnabled());
    EXPECT_FALSE(form2()->isVisible());
    EXPECT_TRUE(controle("CmdForm2Yes")->isVisible());
    EXPECT_FALSE(controle("CmdForm2No")->isVisible());
    EXPECT_EQ(state().RepBase, u"C:\\projets\\moteur");
    EXPECT_TRUE(controle<QRadioButton>("OptPEfface")->isChecked());
    EXPECT_TRUE(controle<QRadioButton>("OptMDeplace")->isChecked());
    // Config mode without a config.pro: the reader's line and the messages caption.
    EXPECT_EQ(controle<QGroupBox>("Frame7")->title(), u" Messages suite à la recherche  ");
    ASSERT_EQ(lignes().size(), 1);
    EXPECT_TRUE(lignes()[0].contains(u"ne contient pas de fichier 'config.pro'"));
    EXPECT_FALSE(controle("CmdPurge")->isEnabled());
}

TEST_F(Form1Test, MissingBaseDirectoryFallsBackToTheRootOfC) {
    store.save(SectionDemarrage, QStringLiteral("memrepert"), QStringLiteral("c:\\parti"));
    demarre();
    EXPECT_EQ(state().RepBase, u"C:\\");
    EXPECT_EQ(controle<QComboBox>("Unite")->currentData().toString(), u"C");
}

TEST_F(Form1Test, SortirStoresTheOptionsAndAnnulerDoesNot) {
    arbre.dossier(QStringLiteral("p"));
    demarre();
    form1()->move(300, 200);
    controle<QRadioButton>("OptMEfface")->setChecked(true);
    clique("CmdForm2No");
    clique("cmd_annuler");
    EXPECT_FALSE(form1()->isVisible());
    EXPECT_EQ(store.get(SectionDemarrage, QStringLiteral("toppos")), u"");
    EXPECT_EQ(store.get(SectionDemarrage, QStringLiteral("OptDouble")), u"");
    // Closing the configuration window stored its position and the current name all the same.
    EXPECT_NE(store.get(SectionDemarrage, QStringLiteral("toppos2")), u"");
    EXPECT_EQ(store.get(SectionDemarrage, QStringLiteral("CurConf"), QStringLiteral("?")), u"");

    demarre();
    EXPECT_EQ(form1()->pos(), QPoint(198, 94));
    form1()->move(300, 200);
    controle<QRadioButton>("OptMEfface")->setChecked(true);
    clique("CmdForm2No");
    clique("cmd_sortie");
    EXPECT_EQ(store.get(SectionDemarrage, QStringLiteral("toppos")), u"3000");
    EXPECT_EQ(store.get(SectionDemarrage, QStringLiteral("leftpos")), u"4500");
    EXPECT_EQ(store.get(SectionDemarrage, QStringLiteral("Opt")), u"Repert");
    EXPECT_EQ(store.get(SectionDemarrage, QStringLiteral("memrepert")), u"C:\\");
    EXPECT_EQ(store.get(SectionDemarrage, QStringLiteral("OptPurge")), u"False");
    EXPECT_EQ(store.get(SectionDemarrage, QStringLiteral("OptDouble")), u"True");
    EXPECT_EQ(store.get(SectionDemarrage, QStringLiteral("Form2V")), u"False");

    demarre();
    EXPECT_EQ(form1()->pos(), QPoint(300, 200));
    EXPECT_TRUE(controle<QRadioButton>("OptMEfface")->isChecked());
    EXPECT_FALSE(form2()->isVisible());
}

TEST_F(Form1Test, SousrepRescansWithFullPathsAndShowsTheDuplicateFrame) {
    arbre.fichiers({"a.prt.1", "sous/b.prt.1", "sous/profond/c.prt.1", "Autre/d.prt.1"});
    store.save(SectionDemarrage, QStringLiteral("memrepert"), QStringLiteral("c:\\"));
    demarre();
    dialogues.reponse = true;
    clique("sousrep");
    EXPECT_EQ(dialogues.questions.size(), 1);
    EXPECT_TRUE(dialogues.questions[0].startsWith(u"Tidemark Velnor|"));
    EXPECT_EQ(lignes(),
              (QStringList{"      C:\\a.prt.1", "      C:\\Autre\\d.prt.1",
                           "      C:\\sous\\b.prt.1", "      C:\\sous\\profond\\c.prt.1"}));
    EXPECT_TRUE(controle<QCheckBox>("sousrep")->isChecked());
    EXPECT_TRUE(controle("Frame1")->isVisible());
    EXPECT_FALSE(controle("Frame1")->isEnabled());  // until "Visu Purge"
    EXPECT_FALSE(controle("CmdStop")->isVisible());

    clique("sousrep");
    EXPECT_EQ(lignes(), QStringList{"      a.prt.1"});
    EXPECT_FALSE(controle("Frame1")->isVisible());
}

TEST_F(Form1Test, NonToTheRootWarningListsTheRootAloneOnce) {
    arbre.fichiers({"a.prt.1", "sous/b.prt.1"});
    demarre();
    dialogues.reponse = false;
    clique("sousrep");
    EXPECT_EQ(scans, 1);
    EXPECT_EQ(dialogues.questions.size(), 1);
    EXPECT_FALSE(controle<QCheckBox>("sousrep")->isChecked());
    EXPECT_EQ(lignes(), QStringList{"      a.prt.1"});
    EXPECT_FALSE(controle("Frame1")->isVisible());
}

TEST_F(Form1Test, StopDuringTheScanKeepsAPartialList) {
    for (const char* d : {"d1", "d2", "d3", "d4"})
        arbre.fichier(QString::fromLatin1(d) + QStringLiteral("/x.prt.1"));
    arbre.dossier(QStringLiteral("projet"));
    for (const char* d : {"d1", "d2", "d3", "d4"})
        arbre.fichier(QStringLiteral("projet/") + QLatin1String(d) + QStringLiteral("/x.prt.1"));
    store.save(SectionDemarrage, QStringLiteral("memrepert"), QStringLiteral("c:\\projet"));
    demarre();
    // The stop comes before the third subdirectory, d3.
    form1()->session().arret().apres(3);
    controle<QAbstractButton>("sousrep")->click();
    EXPECT_TRUE(controle("CmdStop")->isVisible());
    EXPECT_EQ(controle<QAbstractButton>("CmdStop")->text(), u"Arrêt Scan");
    EXPECT_FALSE(controle("CmdPurge")->isEnabled());
    attend();
    EXPECT_EQ(lignes(),
              (QStringList{"      C:\\projet\\d1\\x.prt.1", "      C:\\projet\\d2\\x.prt.1"}));
    EXPECT_TRUE(controle("LbNonTermine")->isVisible());
    EXPECT_EQ(controle<QLabel>("LbNonTermine")->text(), u"Scan  NON Terminé");
    EXPECT_FALSE(controle("CmdStop")->isVisible());
    EXPECT_TRUE(controle("CmdPurge")->isEnabled());
    EXPECT_FALSE(state().StopScan);

    clique("sousrep");
    EXPECT_FALSE(controle("LbNonTermine")->isVisible());
}

TEST_F(Form1Test, ExitDuringAScanStopsItFirst) {
    for (const char* d : {"d1", "d2", "d3"})
        arbre.fichier(QStringLiteral("p/") + QLatin1String(d) + QStringLiteral("/x.prt.1"));
    store.save(SectionDemarrage, QStringLiteral("memrepert"), QStringLiteral("c:\\p"));
    demarre();
    controle<QAbstractButton>("sousrep")->click();
    ASSERT_TRUE(form1()->session().occupee());
    controle<QAbstractButton>("cmd_sortie")->click();
    EXPECT_TRUE(form1()->isVisible());  // not before the scan has stopped
    attend();
    EXPECT_FALSE(form1()->isVisible());
    EXPECT_EQ(store.get(SectionDemarrage, QStringLiteral("memrepert")), u"C:\\p");
}

TEST_F(Form1Test, EmptyDirectorySaysNoFileFound) {
    arbre.dossier(QStringLiteral("vide"));
    store.save(SectionDemarrage, QStringLiteral("memrepert"), QStringLiteral("c:\\vide"));
    demarre();
    EXPECT_EQ(controle<QGroupBox>("Frame7")->title(), u" Pas de fichier trouvé. ");
    EXPECT_TRUE(lignes().isEmpty());
    EXPECT_FALSE(controle("CmdPurge")->isEnabled());
}

TEST_F(Form1Test, DriveChangeScansOnceAndAsksAtMostOnce) {
    arbre.fichiers({"a.prt.1", "p/b.prt.1"});
    QTemporaryDir autre;
    QFile(autre.path() + QStringLiteral("/z.prt.3")).open(QIODevice::WriteOnly);
    qputenv("TIDEMARK_DRIVES",
            QByteArray("C=") + arbre.chemin().toUtf8() + ";D=" + autre.path().toUtf8());
    store.save(SectionDemarrage, QStringLiteral("memrepert"), QStringLiteral("c:\\p"));
    demarre();
    controle<QCheckBox>("sousrep")->click();
    attend();
    dialogues.questions.clear();
    auto* unite = controle<QComboBox>("Unite");
    ASSERT_EQ(unite->count(), 2);
    unite->setCurrentIndex(1);
    Q_EMIT unite->activated(1);
    attend();
    EXPECT_EQ(dialogues.questions.size(), 1);
    EXPECT_EQ(lignes(), QStringList{"      D:\\z.prt.3"});
    EXPECT_EQ(texte("LbRepert"), u"D:\\");
}

TEST_F(Form1Test, ConfigModeListsTheSearchDirectoriesWithFullPaths) {
    TIDEMARK_SAUF_WINDOWS(
        "a host path in config.pro reads as a drive path there while C: is mapped to the test "
        "folder");
    arbre.fichiers({"projet/a.prt.1", "lib/std.prt.2", "lib/sous/x.prt.1"});
    arbre.fichier(QStringLiteral("projet/config.pro"),
                  QStringLiteral("!commentaire\nSEARCH_PATH %1\n")
                      .arg(arbre.chemin(QStringLiteral("lib")))
                      .toUtf8());
    store.save(SectionDemarrage, QStringLiteral("memrepert"), QStringLiteral("c:\\projet"));
    demarre();
    controle<QRadioButton>("OptConfig")->click();
    attend();
    EXPECT_TRUE(controle<QCheckBox>("sousrep")->isChecked());
    EXPECT_TRUE(controle<QCheckBox>("ChkHome")->isEnabled());
    EXPECT_TRUE(controle("Frame1")->isVisible());
    EXPECT_EQ(lignes(), QStringList{"      C:\\lib\\std.prt.2"});
    EXPECT_EQ(scans, 1);
    EXPECT_FALSE(controle("CmdStop")->isVisible());

    controle<QRadioButton>("OptRepert")->click();
    attend();
    EXPECT_FALSE(controle<QCheckBox>("ChkHome")->isEnabled());
    EXPECT_EQ(texte("LbRepert"), u"C:\\projet");
    EXPECT_EQ(lignes(), (QStringList{"      C:\\projet\\a.prt.1", "      C:\\projet\\config.pro"}));
}

// What a screen reader says of each control: a name, never a control's code name; the
// counters read their legend and current number; the buttons that read alike are told apart.
TEST_F(Form1Test, ScreenReadersHearWhatEachControlIsAndShows) {
    arbre.fichier(QStringLiteral("a.prt.1"), QByteArray(1500, 'a'));
    arbre.fichier(QStringLiteral("a.prt.2"), QByteArray(1572, 'a'));
    arbre.fichiers({"a.prt.3", "b.drw.1"});
    demarre();
    const auto nom = [this](const char* objet) {
        QAccessibleInterface* interface = QAccessible::queryAccessibleInterface(controle(objet));
        return interface ? interface->text(QAccessible::Name) : QString();
    };
    const char* const noms[] = {
        "CmdAide",      "CmdAP",        "Frame11",    "n_filtre",   "cmd_enl",  "cmd_ajo",
        "Cmd_Inv",      "CmdCoche",     "Frame4",     "OptPEfface", "CmdTrait", "ChkHome",
        "CmdStop",      "ProgressBar1", "Frame1",     "CmdMulti",   "Repert",   "Unite",
        "typef",        "NumCar",       "CmdForm2No", "List1",      "ListV",    "CmdDep1",
        "CmdDepMulti1", "TxtFich1",     "LbRepert",   "cptfichier", "nbfich"};
    for (const char* objet : noms) {
        EXPECT_FALSE(nom(objet).trimmed().isEmpty()) << objet;
        EXPECT_NE(nom(objet), QLatin1String(objet));
    }
    EXPECT_EQ(nom("n_filtre"), u"Filtre");
    EXPECT_EQ(nom("List1"), u"Liste des fichiers");
    EXPECT_EQ(nom("LbRepert"), u"C:\\");
    EXPECT_EQ(nom("cptfichier"), u"Fichiers listés 4");
    EXPECT_EQ(nom("nbfich"), u"à purger 0");
    EXPECT_NE(nom("CmdDep1"), nom("CmdDep2"));
    EXPECT_NE(nom("CmdDepMulti1"), nom("CmdDepMulti2"));
    clique("CmdPurge");
    EXPECT_EQ(nom("nbfich"), u"à purger 2");
    EXPECT_EQ(texte("LbOctets"), u"(3,0 Ko)");
    controle<QPushButton>("CmdStop")->setText(QStringLiteral("Arrêter"));
    EXPECT_EQ(nom("CmdStop"), u"Arrêter");
    EXPECT_EQ(controle("CmdAP")->toolTip(), u"A propos de Tidemark.");
    // Qt's own buttons and dialogs read French too.
    EXPECT_TRUE(app->traductionQt());
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), u"Annuler");
}

// A window brought into a screen's available area: kept where it fits, shrunk to the area
// (never below its smallest size), moved just enough to be whole, title bar included.
TEST(Positions, AWindowIsBroughtWholeOntoItsScreen) {
    const QRect petit(0, 0, 1366, 768);
    const QSize minimum(850, 500);
    const struct {
        QRect voulu, attendu;
    } cas[] = {
        {{198, 94, 900, 600}, {198, 94, 900, 600}},     // fits: kept
        {{198, 94, 1280, 800}, {80, 32, 1280, 730}},    // too tall, runs off the right
        {{-3000, 5000, 900, 600}, {6, 162, 900, 600}},  // off every edge: brought back
        {{0, 0, 400, 300}, {6, 32, 850, 500}},          // never below its smallest size
    };
    for (const auto& c : cas)
        EXPECT_EQ(DansZone(c.voulu, petit, minimum), c.attendu) << c.voulu.x();
}

TEST(Progression, ResetRule) {
    EXPECT_EQ(MaximumProgression(0), 1);
    EXPECT_EQ(MaximumProgression(1), 1);
    EXPECT_EQ(MaximumProgression(10), 9);
}

}  // namespace
}  // namespace tidemark::test
