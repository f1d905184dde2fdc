#include "tests/ui/FenetreFixture.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeView>

#include <tuple>

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
    QTreeView* vue(const char* nom) const { return controle<QTreeView>(nom); }
    // Clicks row r of a view, as a user would, and lets what it started run.
    void cliqueRangee(const char* nom, int r) const {
        QTreeView* v = vue(nom);
        const QRect rangee = v->visualRect(v->model()->index(r, 0));
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, rangee.center());
        attend();
    }
    // The text of row r's content column once the background reader decided it all.
    static QString attendContenu(const QAbstractItemModel* modele, int r, int colonne = 6) {
        const auto texte = [&] { return modele->index(r, colonne).data().toString(); };
        attendQue([&] { return !texte().contains(u'…') && !texte().contains(u"sur"); });
        return texte();
    }
    static void attendQue(const std::function<bool()>& condition) {
        QElapsedTimer minuteur;
        minuteur.start();
        while (!condition() && minuteur.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
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

TEST_F(Form1DoublonsTest, SuivantChoosesTheNextCoupleAndWrapsWithoutTouchingTheDisk) {
    arbre.fichiers({"w/a/p.prt.1", "w/b/p.prt.2", "w/c/p.prt.3"});
    cherche();
    clique("CmdTraitMulti");
    const QStringList avant = arbre.tout();
    const struct {
        const char* premier;
        const char* second;
        const char* rang;
    } attendus[] = {{"C:\\w\\a\\p.prt.1", "C:\\w\\c\\p.prt.3", "Couple 2 / 3"},
                    {"C:\\w\\b\\p.prt.2", "C:\\w\\c\\p.prt.3", "Couple 3 / 3"},
                    {"C:\\w\\a\\p.prt.1", "C:\\w\\b\\p.prt.2", "Couple 1 / 3"}};
    for (const auto& attendu : attendus) {
        clique("CmdSuiv");
        EXPECT_EQ(txt("TxtFich1"), QString::fromUtf8(attendu.premier));
        EXPECT_EQ(txt("TxtFich2"), QString::fromUtf8(attendu.second));
        EXPECT_EQ(texte("LbCouple"), QString::fromUtf8(attendu.rang));
        EXPECT_EQ(vue("ListV")->currentIndex().row(), int(&attendu - attendus + 1) % 3);
    }
    EXPECT_EQ(arbre.tout(), avant);
    EXPECT_TRUE(dialogues.confirmations.isEmpty());
}

TEST_F(Form1DoublonsTest, AClickedRowIsTheCoupleUnderReviewWithItsFactsAndContents) {
    arbre.fichiers({"w/a/p.prt.1", "w/b/p.prt.2", "w/c/q.prt.1", "w/d/q.prt.2"});
    arbre.fichier(QStringLiteral("w/d/q.prt.2"), "y");  // same size, other bytes
    cherche();
    cliqueRangee("ListV", 1);
    EXPECT_EQ(txt("TxtFich1"), u"C:\\w\\c\\q.prt.1");
    EXPECT_EQ(txt("TxtFich2"), u"C:\\w\\d\\q.prt.2");
    EXPECT_EQ(texte("LbCouple"), u"Couple 2 / 2");
    EXPECT_TRUE(disposables());
    const QAbstractItemModel* modele = vue("ListV")->model();
    EXPECT_EQ(modele->index(1, 2).data().toString(), u"1");
    EXPECT_EQ(modele->index(1, 0).data(Qt::ToolTipRole).toString(), u"C:\\w\\c\\q.prt.1");
    EXPECT_EQ(attendContenu(modele, 0), u"identique");
    EXPECT_EQ(attendContenu(modele, 1), u"différent");

    clique("CmdDep1");
    EXPECT_EQ(dialogues.confirmations.size(), 1);
    EXPECT_TRUE(arbre.existe(QStringLiteral("_/w/c/q.prt.1")));
    EXPECT_TRUE(arbre.existe(QStringLiteral("w/a/p.prt.1")));
    EXPECT_TRUE(arbre.existe(QStringLiteral("w/b/p.prt.2")));
    // The refresh shows the first couple of the new search, and its row.
    EXPECT_EQ(txt("TxtFich1"), u"C:\\w\\a\\p.prt.1");
    EXPECT_EQ(vue("ListV")->currentIndex().row(), 0);
}

TEST_F(Form1DoublonsTest, SortingChangesTheRowsNotTheCouplesTheyStandFor) {
    arbre.fichiers({"w/a/p.prt.1", "w/b/p.prt.2", "w/a/q.prt.1", "w/b/q.prt.2"});
    arbre.fichier(QStringLiteral("w/a/p.prt.1"), "plus long");
    cherche();
    QTreeView* listV = vue("ListV");
    QHeaderView* entete = listV->header();
    // Sorted by the first file's size, smallest first, then largest first.
    for (const auto& [ordre, premier, rang] :
         {std::tuple{Qt::AscendingOrder, u"C:\\w\\a\\q.prt.1", u"Couple 2 / 2"},
          std::tuple{Qt::DescendingOrder, u"C:\\w\\a\\p.prt.1", u"Couple 1 / 2"}}) {
        const QPoint titre(entete->sectionViewportPosition(2) + 5, entete->height() / 2);
        QTest::mouseClick(entete->viewport(), Qt::LeftButton, {}, titre);
        ASSERT_EQ(entete->sortIndicatorOrder(), ordre);
        cliqueRangee("ListV", 0);
        EXPECT_EQ(txt("TxtFich1"), premier);
        EXPECT_EQ(texte("LbCouple"), rang);
    }
    clique("CmdDep1");
    EXPECT_TRUE(arbre.existe(QStringLiteral("_/w/a/p.prt.1")));
    EXPECT_TRUE(arbre.existe(QStringLiteral("w/a/q.prt.1")));
}

TEST_F(Form1DoublonsTest, AChosenFolderPairIsWhatCesFichiersActsOn) {
    arbre.fichiers({"w/a/p1.prt.1", "w/a/p2.prt.1", "w/a/p3.prt.1", "w/b/p1.prt.2", "w/b/p2.prt.2",
                    "w/b/p3.prt.2", "w/c/q1.prt.1", "w/c/q2.prt.1", "w/d/q1.prt.2",
                    "w/d/q2.prt.2"});
    arbre.fichier(QStringLiteral("w/d/q2.prt.2"), "y");
    cherche();
    QTabBar* onglets = controle<QTabWidget>("OngletsCouples")->tabBar();
    QTest::mouseClick(onglets, Qt::LeftButton, {}, onglets->tabRect(1).center());
    const QAbstractItemModel* paires = vue("ListPaires")->model();
    attendQue([paires] { return paires->rowCount() > 0; });
    ASSERT_EQ(paires->rowCount(), 2);
    EXPECT_EQ(paires->index(0, 0).data().toString(), u"C:\\w\\a");
    EXPECT_EQ(paires->index(0, 2).data().toString(), u"3");
    EXPECT_EQ(attendContenu(paires, 1, 5), u"1");
    cliqueRangee("ListPaires", 1);
    EXPECT_EQ(texte("LbPaire"),
              u"C:\\w\\c et C:\\w\\d partagent 2 fichiers de même nom, dont 1 identique.");
    EXPECT_EQ(vue("ListVPaire")->model()->rowCount(), 2);
    EXPECT_EQ(txt("TxtFich1"), u"C:\\w\\c\\q1.prt.1");
    clique("CmdDepMulti1");
    EXPECT_TRUE(arbre.existe(QStringLiteral("_/w/c/q1.prt.1")));
    EXPECT_TRUE(arbre.existe(QStringLiteral("_/w/c/q2.prt.1")));
    for (const char* reste : {"w/a/p1.prt.1", "w/b/p1.prt.2", "w/d/q1.prt.2", "w/d/q2.prt.2"})
        EXPECT_TRUE(arbre.existe(QString::fromUtf8(reste))) << reste;
}

}  // namespace
}  // namespace tidemark::test
