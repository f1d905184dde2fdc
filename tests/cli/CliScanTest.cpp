// tidemark-cli scan run as a user would, on real trees, with its own settings folder.
#include "core/Configurations.h"
#include "core/TabConf.h"
#include "tests/support/TempTree.h"

#include "tests/cli/LanceCli.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>

#include <gtest/gtest.h>

namespace tidemark {
namespace {

using test::Sortie;

// Drive C:\ is `arbre`; HOME and XDG_CONFIG_HOME point into `reglages`, so the settings of
// the user running the tests are never read.
class CliScanTest : public ::testing::Test {
protected:
    CliScanTest() {
        arbre.fichiers({"proj/PISTON.prt.2", "proj/piston.prt.10", "proj/notes.doc",
                        "proj/trail.txt.3", "proj/vue.stp", "proj/sous/axe.prt.1", "x.prt.1",
                        "_/proj/garage.prt.1"});
    }

    Sortie lance(const QStringList& arguments, const QString& sortieVers = {}) {
        return test::LanceCli(QStringList{QStringLiteral("scan")} + arguments, arbre.chemin(),
                              reglages.chemin(), sortieVers, arbre.chemin());
    }

    // Stores a named configuration with `lignes` selected, made current when asked.
    void stocke(const QString& nom, std::initializer_list<int> lignes, bool courante) {
        TableTypes table = TabConfInitiale();
        for (int ligne : lignes) table[ligne].selection = 1;
        test::EcritReglage(reglages.chemin(), QStringLiteral("startup/_") + nom,
                           TexteConfiguration(table, OptionsPurge{}));
        if (courante)
            test::EcritReglage(reglages.chemin(), QStringLiteral("startup/CurConf"), nom);
    }

    test::TempTree arbre;
    test::ConfigTemporaire reglages;
};

TEST_F(CliScanTest, ListeLesEntreesSurLaSortieStandard) {
    const QStringList attendu = {"piston.prt.10", "PISTON.prt.2"};
    Sortie s = lance({"--types", "prt", arbre.chemin("proj")});
    EXPECT_EQ(s.code, 0) << s.erreurs.toStdString();
    EXPECT_EQ(s.lignes, attendu);
    EXPECT_TRUE(s.erreurs.contains(QStringLiteral("2 fichier(s) dans 1 répertoire(s)")));
    // A drive path gives the same list; -r gives full paths, files before subdirectories.
    EXPECT_EQ(lance({"--types=prt", "c:\\proj"}).lignes, attendu);
    EXPECT_EQ(lance({"-r", "--types", "prt", "C:\\proj"}).lignes,
              QStringList({"C:\\proj\\piston.prt.10", "C:\\proj\\PISTON.prt.2",
                           "C:\\proj\\sous\\axe.prt.1"}));
    // From the drive root: no question asked, the garage not entered.
    s = lance({"-r", "--types", "prt", arbre.chemin()});
    EXPECT_EQ(s.code, 0);
    EXPECT_EQ(s.lignes, QStringList({"C:\\x.prt.1", "C:\\proj\\piston.prt.10",
                                     "C:\\proj\\PISTON.prt.2", "C:\\proj\\sous\\axe.prt.1"}));
}

TEST_F(CliScanTest, SelectionParTypesMotifsOuConfiguration) {
    EXPECT_EQ(lance({"--types", "trail,prt", "--extra", "*.STP", "C:\\proj"}).lignes,
              QStringList({"piston.prt.10", "PISTON.prt.2", "trail.txt.3", "vue.stp"}));
    // With no option, the current configuration of the store; with none stored, every file.
    EXPECT_EQ(lance({"C:\\proj"}).lignes.size(), 5);
    stocke(QStringLiteral("Traces"), {PremiereLigneAuxiliaire}, true);
    stocke(QStringLiteral("Modeles"), {0}, false);
    EXPECT_EQ(lance({"C:\\proj"}).lignes, QStringList({"trail.txt.3"}));
    EXPECT_EQ(lance({"--config", "modeles", "C:\\proj"}).lignes,
              QStringList({"piston.prt.10", "PISTON.prt.2"}));
}

TEST_F(CliScanTest, MauvaisUsageSortAvecDeux) {
    const QList<QStringList> cas = {
        {"--config", "Inconnue", "C:\\proj"},
        {"--types", "prt,zzz", "C:\\proj"},
        {"--extra", "a|b", "C:\\proj"},
        {"--extra", "*.a", "--extra", "*.b", "--extra", "*.c", "--extra", "*.d", "C:\\proj"},
        {"--config", "X", "--types", "prt", "C:\\proj"},
        {"--inconnue", "C:\\proj"},
        {"C:\\proj", "C:\\x"},
        {},
        {"/"},           // on no drive
        {"C:\\absent"},  // no such directory
        {"Q:\\proj"},    // a drive that is not mapped
    };
    for (const QStringList& arguments : cas) {
        const Sortie s = lance(arguments);
        EXPECT_EQ(s.code, 2) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(s.lignes.isEmpty()) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(s.erreurs.startsWith(QStringLiteral("tidemark-cli : ")))
            << s.erreurs.toStdString();
    }
    EXPECT_TRUE(lance({"--types", "zzz", "C:\\proj"}).erreurs.contains(QStringLiteral("« zzz »")));
    EXPECT_TRUE(lance({"/"}).erreurs.contains(QStringLiteral("ne se trouve sur aucun lecteur")));
    const Sortie aide = lance({"--help"});
    EXPECT_EQ(aide.code, 0);
    EXPECT_GE(aide.lignes.filter(QStringLiteral("--")).size(), 7);
}

TEST_F(CliScanTest, ConfigProEtListeIncomplete) {
    TIDEMARK_SAUF_WINDOWS(
        "a host path in config.pro reads as a drive path there, and no name may hold a backslash");
    arbre.fichier("proj/config.pro", "search_path " + arbre.chemin("proj/sous").toUtf8() + "\n");
    Sortie s = lance({"--config-pro", "--types", "prt", "C:\\proj"});
    EXPECT_EQ(s.code, 0);
    EXPECT_EQ(s.lignes, QStringList({"C:\\proj\\sous\\axe.prt.1"}));
    EXPECT_TRUE(s.erreurs.startsWith(
        QStringLiteral("Le fichier  'C:\\proj\\config.pro'  est en cours d'analyse\n")));
    // A matching name that no drive path can hold is passed over: the list is incomplete.
    arbre.fichier("proj/a\\b.prt.1");
    s = lance({"--types", "prt", "C:\\proj"});
    EXPECT_EQ(s.code, 1);
    EXPECT_EQ(s.lignes.size(), 2);
    EXPECT_TRUE(s.erreurs.contains(QStringLiteral("1 nom(s) passé(s)")));
}

TEST_F(CliScanTest, FichiersPiegesSansAttente) {
    TIDEMARK_SAUF_WINDOWS("no named pipe or /dev/zero to put in a folder");
    // A settings file that is a pipe gives the defaults with a warning; a config.pro that is
    // a pipe or leads to /dev/zero gets one line that says so; the list is made all the same.
    reglages.piege("Tidemark/Tidemark.conf", test::TempTree::Piege::Tube);
    arbre.piege("proj/config.pro", test::TempTree::Piege::Tube);
    arbre.piege("proj/sous/config.pro", test::TempTree::Piege::LienZero);
    for (const QString rep : {"C:\\proj", "C:\\proj\\sous"}) {
        QElapsedTimer chrono;
        chrono.start();
        const Sortie s = lance({"--config-pro", rep});
        EXPECT_LT(chrono.elapsed(), 1000);
        EXPECT_EQ(s.erreurs, "tidemark-cli : Réglages non lus : « " +
                                 reglages.chemin("Tidemark/Tidemark.conf") +
                                 " » n'est pas un fichier ordinaire. Les réglages par défaut sont "
                                 "utilisés, et rien ne sera enregistré pendant cette session.\n"
                                 "config.pro passé : « " +
                                 rep +
                                 "\\config.pro » n'est pas un fichier ordinaire.\n"
                                 "0 fichier(s) dans 0 répertoire(s).\n");
    }
    EXPECT_EQ(lance({"--types", "prt", "C:\\proj"}).lignes.size(), 2);
}

TEST_F(CliScanTest, OperandesApresDeuxTiretsEtSortieStandardPleine) {
    // After "--" an argument is a directory even when it begins with "-" (relative to the
    // current folder, here the root of C:); before it, an unknown option.
    arbre.fichier("-vieux/a.prt.1");
    Sortie s = lance({"--types", "prt", "--", "-vieux"});
    EXPECT_EQ(s.code, 0) << s.erreurs.toStdString();
    EXPECT_EQ(s.lignes, QStringList({"a.prt.1"}));
    EXPECT_EQ(lance({"--types", "prt", "-vieux"}).code, 2);
    EXPECT_EQ(lance({"--", "--help"}).code, 2);  // no directory "--help"
    // A list that could not be written is not a success.
    s = lance({"--types", "prt", "C:\\proj"}, QStringLiteral("/dev/full"));
    EXPECT_EQ(s.code, 1);
    EXPECT_TRUE(s.erreurs.contains(QStringLiteral("erreur d'écriture sur la sortie standard")));
}

TEST_F(CliScanTest, AideAuFormatHabituel) {
    const Sortie aide = lance({"--help"});
    EXPECT_EQ(aide.code, 0);
    EXPECT_EQ(aide.lignes.first(), QStringLiteral("Usage : tidemark-cli scan [OPTION]... DIR"));
    EXPECT_TRUE(
        aide.lignes.contains(QStringLiteral("  -h, --help             affiche cette aide "
                                            "et quitte")));
    // The exit statuses, one per line, after their heading.
    const qsizetype titre = aide.lignes.indexOf(QStringLiteral("Code de sortie :"));
    ASSERT_GE(titre, 0);
    ASSERT_EQ(aide.lignes.size(), titre + 4);
    for (int code = 0; code < 3; ++code)
        EXPECT_TRUE(aide.lignes[titre + 1 + code].startsWith(QStringLiteral(" %1  ").arg(code)));
}

}  // namespace
}  // namespace tidemark
