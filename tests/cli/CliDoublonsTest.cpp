// tidemark-cli duplicates and near run as a user would, on a real tree.
#include "tests/cli/LanceCli.h"
#include "tests/support/TempTree.h"

namespace tidemark {
namespace {

class CliDoublonsTest : public ::testing::Test {
protected:
    CliDoublonsTest() {
        arbre.fichiers({"w/a/p.prt.1", "w/b/P.PRT.2", "w/c/p.prt.3", "w/a/pist1.prt.1",
                        "w/b/pist2.prt.4", "w/a/p.asm.1", "w/b/p.asm.2", "w/a/seul.prt.1"});
        avant = arbre.tout();
    }
    test::Sortie lance(const QStringList& arguments) {
        return test::LanceCli(arguments, arbre.chemin(), reglages.chemin());
    }
    test::TempTree arbre;
    test::TempTree reglages;
    QStringList avant;
};

TEST_F(CliDoublonsTest, DuplicatesListsCouplesInListOrderAndTouchesNothing) {
    const test::Sortie s = lance({QStringLiteral("duplicates"), QStringLiteral("--types"),
                                  QStringLiteral("prt"), arbre.chemin(QStringLiteral("w"))});
    EXPECT_EQ(s.code, 0) << s.erreurs.toStdString();
    EXPECT_EQ(s.lignes, (QStringList{"C:\\w\\a\\p.prt.1\tC:\\w\\b\\P.PRT.2",
                                     "C:\\w\\a\\p.prt.1\tC:\\w\\c\\p.prt.3",
                                     "C:\\w\\b\\P.PRT.2\tC:\\w\\c\\p.prt.3"}));
    EXPECT_TRUE(s.erreurs.contains(u"3 couple(s)."));
    EXPECT_EQ(arbre.tout(), avant);

    // Every type: the assemblies make a couple too; subdirectories are always scanned.
    const test::Sortie tous = lance({QStringLiteral("duplicates"), QStringLiteral("C:\\w")});
    EXPECT_EQ(tous.code, 0);
    EXPECT_TRUE(tous.lignes.contains(u"C:\\w\\a\\p.asm.1\tC:\\w\\b\\p.asm.2"));
    EXPECT_EQ(tous.lignes.size(), 4);
}

TEST_F(CliDoublonsTest, PairsAndSameContentGroupAndFilterTheCouples) {
    TIDEMARK_SAUF_WINDOWS("symbolic links need a privilege an ordinary user lacks");
    // b and c share two models, one of them with other bytes.
    arbre.fichier(QStringLiteral("w/b/k.prt.1"), "un");
    arbre.fichier(QStringLiteral("w/c/k.prt.1"), "deux");
    const QString a = QStringLiteral("C:\\w\\a"), b = QStringLiteral("C:\\w\\b"),
                  c = QStringLiteral("C:\\w\\c");
    const struct {
        QStringList options;
        QStringList lignes;
        const char* compte;
    } cas[] = {
        {{"--pairs"},
         {b + "\t" + c + "\t2", a + "\t" + b + "\t1", a + "\t" + c + "\t1"},
         "4 couple(s). 3 paire(s)"},
        {{"--same-content"},
         {a + "\\p.prt.1\t" + b + "\\P.PRT.2", a + "\\p.prt.1\t" + c + "\\p.prt.3",
          b + "\\P.PRT.2\t" + c + "\\p.prt.3"},
         "3 couple(s) de même contenu sur 4."},
        {{"--same-content", "--pairs"},
         {a + "\t" + b + "\t1", a + "\t" + c + "\t1", b + "\t" + c + "\t1"},
         "3 paire(s)"},
    };
    for (const auto& [options, lignes, compte] : cas) {
        const test::Sortie s =
            lance(QStringList{"duplicates", "--types", "prt"} + options + QStringList{"C:\\w"});
        EXPECT_EQ(s.code, 0) << s.erreurs.toStdString();
        EXPECT_EQ(s.lignes, lignes) << options.join(u' ').toStdString();
        EXPECT_TRUE(s.erreurs.contains(QString::fromUtf8(compte))) << s.erreurs.toStdString();
    }
    // A file that cannot be read is said, and the run is incomplete.
    arbre.lien(QStringLiteral("w/d/k.prt.2"), QStringLiteral("/dev/zero"));
    const test::Sortie s = lance({"duplicates", "--same-content", "C:\\w"});
    EXPECT_EQ(s.code, 1);
    EXPECT_TRUE(s.erreurs.contains(u"C:\\w\\d\\k.prt.2 n'a pas pu être comparé"))
        << s.erreurs.toStdString();
    EXPECT_EQ(arbre.tout().size(), avant.size() + 3);
}

TEST_F(CliDoublonsTest, NearListsRadicalsDifferingAtOnePosition) {
    const test::Sortie s =
        lance({QStringLiteral("near"), QStringLiteral("--types"), QStringLiteral("prt"),
               QStringLiteral("--position"), QStringLiteral("5"), QStringLiteral("C:\\w")});
    EXPECT_EQ(s.code, 0) << s.erreurs.toStdString();
    EXPECT_TRUE(s.lignes.contains(u"C:\\w\\a\\pist1.prt.1\tC:\\w\\b\\pist2.prt.4"));
    EXPECT_FALSE(s.lignes.join(u'\n').contains(u"seul"));
    EXPECT_EQ(arbre.tout(), avant);
}

TEST_F(CliDoublonsTest, BadUsageExitsTwoWithAReason) {
    const QList<QStringList> cas = {
        {QStringLiteral("near"), QStringLiteral("C:\\w")},
        {QStringLiteral("near"), QStringLiteral("--position"), QStringLiteral("0"),
         QStringLiteral("C:\\w")},
        {QStringLiteral("near"), QStringLiteral("--position"), QStringLiteral("x"),
         QStringLiteral("C:\\w")},
        {QStringLiteral("duplicates")},
        {QStringLiteral("duplicates"), QStringLiteral("--position"), QStringLiteral("3"),
         QStringLiteral("C:\\w")},
        {QStringLiteral("duplicates"), QStringLiteral("--config-pro"), QStringLiteral("C:\\w")},
        {QStringLiteral("near"), QStringLiteral("--position"), QStringLiteral("3"),
         QStringLiteral("--pairs"), QStringLiteral("C:\\w")},
        {QStringLiteral("duplicates"), QStringLiteral("/nulle/part/hors/lecteur")},
    };
    for (const QStringList& arguments : cas) {
        const test::Sortie s = lance(arguments);
        EXPECT_EQ(s.code, 2) << arguments.join(u' ').toStdString();
        EXPECT_EQ(s.erreurs.count(u'\n'), 1) << s.erreurs.toStdString();
        EXPECT_TRUE(s.lignes.isEmpty());
    }
}

TEST_F(CliDoublonsTest, HelpDescribesEachOption) {
    for (const char* commande : {"duplicates", "near"}) {
        const test::Sortie s = lance({QString::fromLatin1(commande), QStringLiteral("--help")});
        EXPECT_EQ(s.code, 0);
        EXPECT_TRUE(s.lignes.first().startsWith(QStringLiteral("Usage : tidemark-cli ") +
                                                QLatin1String(commande)));
        EXPECT_TRUE(s.lignes.join(u'\n').contains(u"--types"));
    }
    const QString doublons = lance({"duplicates", "--help"}).lignes.join(u'\n');
    EXPECT_TRUE(doublons.contains(u"--pairs") && doublons.contains(u"--same-content"));
    const test::Sortie aide = lance({QStringLiteral("--help")});
    EXPECT_TRUE(aide.lignes.join(u'\n').contains(u"duplicates"));
    EXPECT_TRUE(aide.lignes.join(u'\n').contains(u"near"));
}

}  // namespace
}  // namespace tidemark
