#include "tests/ui/FenetreFixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTreeView>

namespace tidemark::test {
namespace {

using namespace Qt::StringLiterals;

class Form1DoublonsTest : public FenetreTest {
protected:
    // Scans C:\w with its subdirectories, analyses it and looks for duplicates.
    void cherche() {
        store.save(SectionDemarrage, QStringLiteral("memrepert"), QStringLiteral("c:\\w"));
        demarre();
        clique("sousrep");
        clique("CmdPurge");
        clique("CmdMulti");
    }
    QString txt(const char* nom) const { return controle<QLineEdit>(nom)->text(); }
    bool disposables() const {
        for (const char* nom : {"CmdDep1", "CmdDep2", "CmdDepMulti1", "CmdDepMulti2"})
            if (!controle(nom)->isEnabled())
                return false;
        return true;
    }
};

TEST_F(Form1DoublonsTest, SearchSwitchesToDuplicatesModeAndSaysWhereTheGarageIs) {
    arbre.fichiers({"w/a/p.prt.1", "w/b/P.PRT.2", "w/c/p.prt.3", "w/c/autre.prt.1"});
    cherche();
    EXPECT_FALSE(controle("Frame7")->isVisible());
    EXPECT_TRUE(controle("Frame10")->isVisible());
    EXPECT_FALSE(controle("CmdMulti")->isEnabled());
    EXPECT_TRUE(controle("CmdTraitMulti")->isEnabled());
    EXPECT_FALSE(controle("CmdPurge")->isEnabled());
    EXPECT_FALSE(disposables());
    auto* listV = controle<QTreeView>("ListV");
    ASSERT_EQ(listV->model()->rowCount(), 3);
    EXPECT_EQ(listV->model()->headerData(1, Qt::Horizontal).toString(),
              u"Fichier au deuxième emplacement");
    EXPECT_EQ(listV->model()->index(2, 0).data().toString(), u"C:\\w\\b\\P.PRT.2");
    EXPECT_EQ(listV->model()->index(2, 1).data().toString(), u"C:\\w\\c\\p.prt.3");
    EXPECT_EQ(txt("TxtFich1"),
              u"Cliquez sur 'Traitement multiple' Les fichiers déplacés le seront "
              u"dans un répertoire 'garage'. ");
    EXPECT_EQ(txt("TxtFich2"),
              u"Ce répertoire garage sera :C:\\_\\w en conservant la "
              u"sous-arborescence d'origine");
}

TEST_F(Form1DoublonsTest, CeFichierMovesOneSideThenShowsTheNextCouple) {
    arbre.fichiers({"w/a/p.prt.1", "w/b/p.prt.2", "w/c/p.prt.3"});
    cherche();
    clique("CmdTraitMulti");
    EXPECT_EQ(txt("TxtFich1"), u"C:\\w\\a\\p.prt.1");
    EXPECT_EQ(txt("TxtFich2"), u"C:\\w\\b\\p.prt.2");
    EXPECT_TRUE(disposables());
    clique("CmdDep1");
    EXPECT_TRUE(arbre.existe(QStringLiteral("_/w/a/p.prt.1")));
    EXPECT_FALSE(arbre.existe(QStringLiteral("w/a/p.prt.1")));
    EXPECT_EQ(txt("TxtFich1"), u"C:\\w\\b\\p.prt.2");
    EXPECT_EQ(txt("TxtFich2"), u"C:\\w\\c\\p.prt.3");
    EXPECT_TRUE(controle("Frame10")->isVisible());

    controle<QRadioButton>("OptMEfface")->click();
    clique("CmdDep2");
    EXPECT_FALSE(arbre.existe(QStringLiteral("w/c/p.prt.3")));
    EXPECT_FALSE(arbre.existe(QStringLiteral("_/w/c/p.prt.3")));
    EXPECT_EQ(txt("TxtFich1"), u" Pas de doublons de fichiers trouvés ");
    EXPECT_EQ(txt("TxtFich2"), u" Pas de doublons de fichiers trouvés ");
    EXPECT_FALSE(disposables());
    EXPECT_TRUE(dialogues.erreurs.isEmpty());
}

TEST_F(Form1DoublonsTest, CesFichiersTakesTheSameSideBetweenTheSameDirectories) {
    arbre.fichiers({"w/a/p1.prt.1", "w/a/p2.prt.3", "w/a/p3.prt", "w/b/p1.prt.2", "w/b/p2.prt.1",
                    "w/x/p3.prt"});
    cherche();
    clique("CmdTraitMulti");
    EXPECT_EQ(txt("TxtFich1"), u"C:\\w\\a\\p1.prt.1");
    clique("CmdDepMulti1");
    EXPECT_TRUE(arbre.existe(QStringLiteral("_/w/a/p1.prt.1")));
    EXPECT_TRUE(arbre.existe(QStringLiteral("_/w/a/p2.prt.3")));
    EXPECT_TRUE(arbre.existe(QStringLiteral("w/a/p3.prt")));  // its partner is in C:\w\x
    EXPECT_EQ(txt("TxtFich1"), u"C:\\w\\a\\p3.prt");
    EXPECT_EQ(txt("TxtFich2"), u"C:\\w\\x\\p3.prt");
}

TEST_F(Form1DoublonsTest, CesFichiersAnsweredNonChangesNothing) {
    arbre.fichiers({"w/a/p1.prt.1", "w/a/p2.prt.3", "w/b/p1.prt.2", "w/b/p2.prt.1"});
    cherche();
    clique("CmdTraitMulti");
    controle<QRadioButton>("OptMEfface")->click();
    dialogues.reponse = false;
    clique("CmdDepMulti1");
    EXPECT_EQ(dialogues.confirmations,
              QStringList{u"Confirmer|2 fichiers (2 octets) vont être détruits définitivement."
                          u"\n\nContinuer ?|Non"_s});
    EXPECT_TRUE(arbre.existe(QStringLiteral("w/a/p1.prt.1")));
    EXPECT_TRUE(arbre.existe(QStringLiteral("w/a/p2.prt.3")));
    EXPECT_EQ(txt("TxtFich1"), u"C:\\w\\a\\p1.prt.1");
}

TEST_F(Form1DoublonsTest, AFileChangedSinceTheSearchIsLeftAndReported) {
    arbre.fichiers({"w/a/p.prt.1", "w/b/p.prt.2"});
    cherche();
    clique("CmdTraitMulti");
    arbre.fichier(QStringLiteral("w/a/p.prt.1"), "changed meanwhile");
    clique("CmdDep1");
    EXPECT_TRUE(arbre.existe(QStringLiteral("w/a/p.prt.1")));
    EXPECT_FALSE(arbre.existe(QStringLiteral("_/w/a/p.prt.1")));
    ASSERT_EQ(dialogues.erreurs.size(), 1);
    EXPECT_TRUE(dialogues.erreurs[0].contains(u"C:\\w\\a\\p.prt.1"));
    EXPECT_EQ(txt("TxtFich1"), u"C:\\w\\a\\p.prt.1");  // the refresh followed
}

TEST_F(Form1DoublonsTest, SuivantDoesNothing) {
    arbre.fichiers({"w/a/p.prt.1", "w/b/p.prt.2"});
    cherche();
    clique("CmdTraitMulti");
    auto* suivant = controle<QAbstractButton>("CmdSuiv");
    EXPECT_FALSE(suivant->isVisible());
    suivant->click();
    EXPECT_EQ(txt("TxtFich1"), u"C:\\w\\a\\p.prt.1");
    EXPECT_EQ(arbre.tout().size(), 2);
}

}  // namespace
}  // namespace tidemark::test
