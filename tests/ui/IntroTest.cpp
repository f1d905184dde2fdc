#include "tests/ui/FenetreFixture.h"
#include "ui/Intro.h"

#include <QPlainTextEdit>

namespace tidemark::test {
namespace {

class IntroTest : public FenetreTest {};

TEST_F(IntroTest, HelpButtonShowsTheFileAndAClickCloses) {
    arbre.fichier(QStringLiteral("aide/intro.txt"), "Première ligne\r\nDeuxième ligne sans fin");
    demarre();
    form1()->setCheminsIntro({arbre.chemin(QStringLiteral("absent/intro.txt")),
                              arbre.chemin(QStringLiteral("aide/intro.txt"))});
    clique("CmdAide");
    Intro* intro = form1()->intro();
    ASSERT_NE(intro, nullptr);
    EXPECT_TRUE(intro->isVisible());
    EXPECT_TRUE(form1()->isEnabled());  // modeless
    EXPECT_EQ(intro->texte(), u"Première ligne\nDeuxième ligne sans fin\n");
    EXPECT_TRUE(dialogues.erreurs.isEmpty());
    QTest::mouseClick(controle<QPlainTextEdit>("Text1", intro)->viewport(), Qt::LeftButton);
    EXPECT_FALSE(intro->isVisible());

    clique("CmdAide");
    EXPECT_TRUE(intro->isVisible());
    QTest::keyClick(intro, Qt::Key_A);
    EXPECT_FALSE(intro->isVisible());
}

TEST_F(IntroTest, MissingFileSaysWhereItBelongs) {
    demarre();
    const QString chemin = arbre.chemin(QStringLiteral("intro.txt"));
    form1()->setCheminsIntro({chemin});
    clique("CmdAide");
    ASSERT_EQ(dialogues.erreurs.size(), 1);
    EXPECT_EQ(dialogues.erreurs[0],
              QStringLiteral("Tidemark  by Velnor|Le fichier de présentation : ") + chemin +
                  QStringLiteral("   n'existe pas .\nIl faut placer ce fichier dans le répertoire "
                                 "d'installation de Tidemark.\n\n !!! "));
    EXPECT_TRUE(form1()->intro()->isVisible());
    EXPECT_EQ(form1()->intro()->texte(), u"");
}

TEST_F(IntroTest, PipeIsRefusedAtOnceAndTheNextFileRead) {
    TIDEMARK_SAUF_WINDOWS("no named pipe or /dev/zero to put in a folder");
    arbre.piege(QStringLiteral("tube/intro.txt"), TempTree::Piege::Tube);
    arbre.fichier(QStringLiteral("aide/intro.txt"), "Texte");
    const QString tube = arbre.chemin(QStringLiteral("tube/intro.txt"));
    demarre();
    form1()->setCheminsIntro({tube});
    clique("CmdAide");
    EXPECT_EQ(dialogues.erreurs,
              QStringList(QStringLiteral("Tidemark  by Velnor|Le fichier de présentation ne peut "
                                         "pas être lu : « ") +
                          tube + QStringLiteral(" » n'est pas un fichier ordinaire .\n\n !!! ")));
    EXPECT_EQ(form1()->intro()->texte(), u"");
    form1()->setCheminsIntro({tube, arbre.chemin(QStringLiteral("aide/intro.txt"))});
    clique("CmdAide");
    EXPECT_EQ(form1()->intro()->texte(), u"Texte\n");
    EXPECT_EQ(dialogues.erreurs.size(), 1);
}

TEST(LitTexteIntro, LinesEndWithABreakWhateverTheEncoding) {
    EXPECT_EQ(LitTexteIntro(""), u"");
    EXPECT_EQ(LitTexteIntro("a\nb\n"), u"a\nb\n");
    EXPECT_EQ(LitTexteIntro("a\r\n\r\nb"), u"a\n\nb\n");
    EXPECT_EQ(LitTexteIntro("pi\xe8"
                            "ce"),
              u"pièce\n");  // Windows-1252
}

TEST_F(IntroTest, ShippedIntroIsFoundBesideTheProgram) {
    // The build copies intro.txt beside the desktop program; its text is ours, in French.
    QFile fichier(QStringLiteral(TIDEMARK_INTRO));
    ASSERT_TRUE(fichier.open(QIODevice::ReadOnly));
    EXPECT_TRUE(LitTexteIntro(fichier.readAll()).contains(u"garage"));
}

}  // namespace
}  // namespace tidemark::test
