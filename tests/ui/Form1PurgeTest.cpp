#include "tests/ui/FenetreFixture.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace tidemark::test {
namespace {

using namespace Qt::StringLiterals;

class Form1PurgeTest : public FenetreTest {
protected:
    // Five revisions of piston and two of plan in C:\, models kept by two.
    void prepare() {
        for (int i = 1; i <= 5; ++i)
            arbre.fichier(QStringLiteral("piston.prt.%1").arg(i), QByteArray(i * 10, 'p'));
        arbre.fichiers({"plan.drw.1", "plan.drw.2"});
        demarre();
        controle<QCheckBox>("Chk0", form2())->click();
        controle<QCheckBox>("Chk2", form2())->click();
        controle<QLineEdit>("NbRev", form2())->setText(QStringLiteral("2"));
        clique("CmdAppliquer", form2());
    }
};

TEST_F(Form1PurgeTest, VisuPurgeMarksOldRevisionsAndShowsTotals) {
    prepare();
    ASSERT_EQ(lignes().size(), 7);
    clique("CmdPurge");
    EXPECT_EQ(lignes(), (QStringList{" X  piston.prt.1", " X  piston.prt.2", " X  piston.prt.3",
                                     " M  piston.prt.4", " M  piston.prt.5", " M  plan.drw.1",
                                     " M  plan.drw.2"}));
    EXPECT_EQ(texte("nbfich"), u"3");
    EXPECT_FALSE(controle("CmdPurge")->isEnabled());
    EXPECT_TRUE(controle("CmdTrait")->isEnabled());
    EXPECT_EQ(controle<QLineEdit>("Nb0", form2())->text(), u"3");
    EXPECT_EQ(controle<QLineEdit>("Tot0", form2())->text(), u"60");
    EXPECT_EQ(controle<QLineEdit>("TotNombre", form2())->text(), u"3");
    EXPECT_TRUE(controle("List1")->toolTip().startsWith(u"Les fichiers marqués : X et --"));
}

TEST_F(Form1PurgeTest, TraitementPurgeMovesToTheGarageThenRescans) {
    prepare();
    clique("CmdPurge");
    clique("CmdTrait");
    EXPECT_TRUE(arbre.existe(QStringLiteral("_/piston.prt.1")));
    EXPECT_TRUE(arbre.existe(QStringLiteral("_/piston.prt.3")));
    EXPECT_FALSE(arbre.existe(QStringLiteral("piston.prt.3")));
    EXPECT_TRUE(arbre.existe(QStringLiteral("piston.prt.4")));
    EXPECT_EQ(lignes(), (QStringList{" M  piston.prt.4", " M  piston.prt.5", " M  plan.drw.1",
                                     " M  plan.drw.2"}));
    EXPECT_EQ(texte("nbfich"), u"0");
    EXPECT_TRUE(controle("CmdPurge")->isEnabled());
    EXPECT_FALSE(controle("CmdTrait")->isEnabled());
    EXPECT_TRUE(dialogues.erreurs.isEmpty());
    EXPECT_EQ(dialogues.confirmations,
              QStringList{u"Confirmer|3 fichiers (60 octets) vont être déplacés vers le garage "
                          u"C:\\_.\n\nContinuer ?|Oui"_s});
    EXPECT_TRUE(texte("LbAvis").startsWith(u"3 fichiers déplacés vers le garage (60 octets)."));
}

// "Détruire" asks first, "Non" the default: answered "Non" nothing goes; answered "Oui" the
// files go, the status line says how many and how big, and names the read-only file left.
TEST_F(Form1PurgeTest, DetruireAsksFirstThenReportsWhatWasDone) {
    prepare();
    ASSERT_TRUE(QFile::setPermissions(arbre.chemin(QStringLiteral("piston.prt.2")),
                                      QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    clique("CmdPurge");
    controle<QRadioButton>("OptPEfface")->click();
    dialogues.reponse = false;
    clique("CmdTrait");
    EXPECT_EQ(dialogues.confirmations,
              QStringList{u"Confirmer|3 fichiers (60 octets) vont être détruits définitivement."
                          u"\n\nContinuer ?|Non"_s});
    for (const char* nom : {"piston.prt.1", "piston.prt.2", "piston.prt.3"})
        EXPECT_TRUE(arbre.existe(QLatin1String(nom))) << nom;
    EXPECT_EQ(lignes()[0], u" X  piston.prt.1");

    dialogues.reponse = true;
    clique("CmdTrait");
    EXPECT_FALSE(arbre.existe(QStringLiteral("piston.prt.1")));
    EXPECT_FALSE(arbre.existe(QStringLiteral("piston.prt.3")));
    EXPECT_TRUE(arbre.existe(QStringLiteral("piston.prt.2")));
    EXPECT_TRUE(texte("LbAvis").startsWith(
        u"2 fichiers détruits (40 octets) ; 1 fichier laissé en lecture seule."))
        << texte("LbAvis").toStdString();
    EXPECT_TRUE(controle("LbAvis")->toolTip().contains(u"C:\\piston.prt.2"));
}

// The newest revision deleted outside the program after "Visu Purge": the older ones it was
// the reason to remove stay, and the message says why.
TEST_F(Form1PurgeTest, AModelWhoseKeptRevisionWentIsLeftWholeAndReported) {
    prepare();
    clique("CmdPurge");
    ASSERT_TRUE(QFile::remove(arbre.chemin(QStringLiteral("piston.prt.5"))));
    clique("CmdTrait");
    EXPECT_EQ(arbre.tout(), (QStringList{"piston.prt.1", "piston.prt.2", "piston.prt.3",
                                         "piston.prt.4", "plan.drw.1", "plan.drw.2"}));
    ASSERT_EQ(dialogues.erreurs.size(), 1);
    EXPECT_TRUE(dialogues.erreurs[0].contains(
        u"3 fichiers n'ont pas pu être traités :\nC:\\piston.prt.1 : la révision gardée « "
        u"C:\\piston.prt.5 » a changé ou disparu depuis l'analyse"))
        << dialogues.erreurs[0].toStdString();
}

// "Actualiser" (F5) reads the selection again; a greyed search says why it is greyed.
TEST_F(Form1PurgeTest, ActualiserRescansAndAGreyedSearchSaysWhy) {
    prepare();
    EXPECT_TRUE(controle("CmdMulti")->toolTip().startsWith(u"Grisé : les doublons se cherchent"));
    arbre.fichier(QStringLiteral("piston.prt.6"));
    EXPECT_EQ(controle<QPushButton>("CmdActualiser")->shortcut(), QKeySequence(Qt::Key_F5));
    clique("CmdActualiser");
    EXPECT_EQ(lignes().size(), 8);
    controle<QCheckBox>("sousrep")->setChecked(true);
    attend();
    clique("CmdPurge");
    EXPECT_FALSE(controle("CmdMulti")->isEnabled());
    EXPECT_TRUE(controle("CmdMulti")->toolTip().contains(u"encore des fichiers à purger"));
}

TEST_F(Form1PurgeTest, AChangedFileIsLeftAloneAndReported) {
    prepare();
    controle<QRadioButton>("OptPEfface")->click();
    clique("CmdPurge");
    arbre.fichier(QStringLiteral("piston.prt.2"), "rewritten since the analysis");
    clique("CmdTrait");
    EXPECT_FALSE(arbre.existe(QStringLiteral("piston.prt.1")));
    EXPECT_TRUE(arbre.existe(QStringLiteral("piston.prt.2")));
    EXPECT_FALSE(arbre.existe(QStringLiteral("piston.prt.3")));
    ASSERT_EQ(dialogues.erreurs.size(), 1);
    EXPECT_TRUE(dialogues.erreurs[0].contains(u"piston.prt.2"));
    // The rescan and new analysis followed all the same.
    EXPECT_EQ(lignes().first(), u" X  piston.prt.2");
}

TEST_F(Form1PurgeTest, MarksCorrectedByHandAreObeyed) {
    prepare();
    clique("CmdPurge");
    controle<QLineEdit>("n_filtre")->setText(QStringLiteral("PRT.2"));
    clique("cmd_enl");
    EXPECT_EQ(lignes()[1], u"      piston.prt.2");
    EXPECT_EQ(texte("nbfich"), u"2");
    controle<QLineEdit>("n_filtre")->setText(QStringLiteral("drw.1"));
    clique("cmd_ajo");
    EXPECT_EQ(lignes()[5], u" M  plan.drw.1");  // only unmarked lines are added
    auto* liste = controle<QListView>("List1");
    liste->selectionModel()->select(liste->model()->index(6, 0), QItemSelectionModel::Select);
    clique("CmdCoche");
    EXPECT_EQ(lignes()[6], u"      plan.drw.2");
    clique("Cmd_Inv");
    EXPECT_EQ(lignes()[0], u"      piston.prt.1");
    EXPECT_EQ(lignes()[1], u" X  piston.prt.2");
    EXPECT_EQ(lignes()[6], u" X  plan.drw.2");
    clique("Cmd_Inv");

    clique("CmdTrait");
    EXPECT_TRUE(arbre.existe(QStringLiteral("piston.prt.2")));
    EXPECT_TRUE(arbre.existe(QStringLiteral("_/piston.prt.1")));
    EXPECT_TRUE(arbre.existe(QStringLiteral("plan.drw.2")));
}

}  // namespace
}  // namespace tidemark::test
