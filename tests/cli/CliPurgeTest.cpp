// tidemark-cli purge run as a user would, on real trees, with its own settings folder.
#include "tests/support/TempTree.h"

#include <QFile>
#include <QLocale>
#include "tests/cli/LanceCli.h"

#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace tidemark {
namespace {

using test::Sortie;

// Drive C:\ is `arbre`; HOME and XDG_CONFIG_HOME point into `reglages`, so the settings of
// the user running the tests are never read.
class CliPurgeTest : public ::testing::Test {
protected:
    CliPurgeTest() {
        arbre.fichier("proj/piston.prt.1", QByteArray(1500, 'a'));
        arbre.fichier("proj/piston.prt.2", QByteArray(1000, 'b'));
        arbre.fichier("proj/piston.prt.3", "c");
        arbre.fichiers({"proj/axe.asm.1", "proj/trail.txt.1", "proj/trail.txt.2", "proj/notes.doc",
                        "proj/sous/bielle.prt.1", "proj/sous/bielle.prt.2"});
        avant = arbre.tout();
    }

    // Runs `tidemark-cli arguments...`; standard output goes to `sortieVers` when given.
    Sortie lanceCli(const QStringList& arguments, const QString& sortieVers = {}) {
        return test::LanceCli(arguments, arbre.chemin(), reglages.chemin(), sortieVers);
    }
    Sortie lance(const QStringList& arguments, const QString& sortieVers = {}) {
        return lanceCli(QStringList{QStringLiteral("purge")} + arguments, sortieVers);
    }

    // Writes the settings file as the program stores it: a named configuration of 28 fields.
    void stocke(const QByteArray& nom, const QByteArray& champs, bool courante = false) {
        test::EcritReglage(reglages.chemin(), QStringLiteral("startup/_") + QString::fromUtf8(nom),
                           QString::fromUtf8(champs));
        if (courante)
            test::EcritReglage(reglages.chemin(), QStringLiteral("startup/CurConf"),
                               QString::fromUtf8(nom));
    }

    void rendLectureSeule(const QString& relatif) {
        ASSERT_TRUE(QFile::setPermissions(arbre.chemin(relatif),
                                          QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    }

    test::TempTree arbre;
    test::ConfigTemporaire reglages;
    QStringList avant;  // the tree as the fixture made it
};

// "prt" selected, options: read-only files no, unnumbered first no, keep 2, keep-aux 0.
constexpr char ConfigPrtGarde2[] = "1|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|||||||0|0|2|0|";

const QStringList PlanPrt = {" X  piston.prt.1", " X  piston.prt.2", " M  piston.prt.3"};

TEST_F(CliPurgeTest, EssaiABlancMontreLePlanMarqueSansRienChanger) {
    Sortie s = lance({"--types", "prt", "C:\\proj"});
    EXPECT_EQ(s.code, 0) << s.erreurs.toStdString();
    EXPECT_EQ(s.lignes, PlanPrt);
    // Counts, per-type bytes and the total on standard error, numbers grouped the French way.
    const QLocale francais(QLocale::French, QLocale::France);
    const QString octets = francais.toString(2500);
    EXPECT_NE(octets, QStringLiteral("2500"));
    EXPECT_TRUE(s.erreurs.contains(QStringLiteral("2 fichier(s) à purger sur 3.")))
        << s.erreurs.toStdString();
    EXPECT_TRUE(s.erreurs.contains(QStringLiteral("*.prt.* : 2 fichier(s), %1 octets").arg(octets)))
        << s.erreurs.toStdString();
    EXPECT_TRUE(s.erreurs.contains(QStringLiteral("Total : 2 fichier(s), %1 octets.").arg(octets)));
    EXPECT_TRUE(s.erreurs.contains(QStringLiteral("Essai à blanc")));
    EXPECT_EQ(arbre.tout(), avant);

    // --dry-run says the same; a host path gives the same plan; -r marks full paths, and
    // --keep-aux counts the trail revisions.
    EXPECT_EQ(lance({"--dry-run", "--types=prt", arbre.chemin("proj")}).lignes, PlanPrt);
    EXPECT_EQ(lance({"-r", "--types", "prt,trail", "--keep-aux", "1", "C:\\proj"}).lignes,
              QStringList({" X  C:\\proj\\piston.prt.1", " X  C:\\proj\\piston.prt.2",
                           " M  C:\\proj\\piston.prt.3", " X  C:\\proj\\trail.txt.1",
                           " M  C:\\proj\\trail.txt.2", " X  C:\\proj\\sous\\bielle.prt.1",
                           " M  C:\\proj\\sous\\bielle.prt.2"}));
    // Without any selection every file is listed and nothing is refused in a dry run.
    s = lance({"C:\\proj"});
    EXPECT_EQ(s.code, 0);
    EXPECT_TRUE(s.lignes.contains(QStringLiteral("      notes.doc")));
    EXPECT_EQ(arbre.tout(), avant);
}

TEST_F(CliPurgeTest, GarageEtDeleteDisposentDesFichiersMarques) {
    Sortie s = lance({"--garage", "--types", "prt", "C:\\proj"});
    EXPECT_EQ(s.code, 0) << s.erreurs.toStdString();
    EXPECT_EQ(s.lignes, PlanPrt);  // the plan, shown before the run
    EXPECT_TRUE(s.erreurs.contains(QStringLiteral("2 fichier(s) déplacé(s) vers le garage.")));
    EXPECT_FALSE(arbre.existe("proj/piston.prt.1"));
    EXPECT_FALSE(arbre.existe("proj/piston.prt.2"));
    EXPECT_EQ(arbre.contenu("_/proj/piston.prt.1"), QByteArray(1500, 'a'));
    EXPECT_EQ(arbre.contenu("_/proj/piston.prt.2"), QByteArray(1000, 'b'));
    EXPECT_EQ(arbre.contenu("proj/piston.prt.3"), QByteArray("c"));
    EXPECT_TRUE(arbre.existe("proj/sous/bielle.prt.1"));  // not recursive
    EXPECT_TRUE(arbre.existe("proj/trail.txt.1"));        // type not selected

    // --delete, recursive, keep 1: the older revisions are gone, nothing goes to a garage.
    arbre.fichiers({"proj/piston.prt.1"});
    s = lance({"--delete", "-r", "--types", "prt", "C:\\proj"});
    EXPECT_EQ(s.code, 0) << s.erreurs.toStdString();
    EXPECT_TRUE(s.erreurs.contains(QStringLiteral("2 fichier(s) effacé(s).")));
    EXPECT_FALSE(arbre.existe("proj/piston.prt.1"));
    EXPECT_FALSE(arbre.existe("proj/sous/bielle.prt.1"));
    EXPECT_TRUE(arbre.existe("proj/piston.prt.3"));
    EXPECT_TRUE(arbre.existe("proj/sous/bielle.prt.2"));
    EXPECT_FALSE(arbre.existe("_/proj/sous"));
    EXPECT_EQ(arbre.contenu("_/proj/piston.prt.1"), QByteArray(1500, 'a'));  // earlier garage

    // --keep 2 keeps two revisions.
    arbre.fichiers({"proj/piston.prt.4", "proj/piston.prt.5"});
    s = lance({"--delete", "--keep", "2", "--types", "prt", "C:\\proj"});
    EXPECT_EQ(s.lignes, QStringList({" X  piston.prt.3", " M  piston.prt.4", " M  piston.prt.5"}));
    EXPECT_FALSE(arbre.existe("proj/piston.prt.3"));
    EXPECT_TRUE(arbre.existe("proj/piston.prt.4"));
}

TEST_F(CliPurgeTest, SansTypeChoisiDeleteEtGarageSontRefuses) {
    // No selection and no stored configuration: the filter would be "*".
    for (const char* action : {"--delete", "--garage"}) {
        const Sortie s = lance({action, "C:\\proj"});
        EXPECT_EQ(s.code, 2) << action;
        EXPECT_TRUE(s.lignes.isEmpty());
        EXPECT_TRUE(s.erreurs.startsWith(QStringLiteral("tidemark-cli : ")));
        EXPECT_TRUE(s.erreurs.contains(QString::fromLatin1(action)));
    }
    // The same with a current configuration that selects nothing.
    stocke("Vide", "0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|||||||0|0|1|0|", true);
    EXPECT_EQ(lance({"--delete", "C:\\proj"}).code, 2);
    EXPECT_EQ(lance({"--garage", "--config", "vide", "-r", "C:\\proj"}).code, 2);
    EXPECT_EQ(arbre.tout(), avant);
    // A user pattern is a type the script named.
    const Sortie s = lance({"--delete", "--extra", "*.prt.*", "C:\\proj"});
    EXPECT_EQ(s.code, 0) << s.erreurs.toStdString();
    EXPECT_FALSE(arbre.existe("proj/piston.prt.1"));
    EXPECT_TRUE(arbre.existe("proj/piston.prt.3"));
}

TEST_F(CliPurgeTest, MauvaisUsageSortAvecDeuxSansToucherAuDisque) {
    const QList<QStringList> cas = {
        {"--keep", "0", "--delete", "--types", "prt", "C:\\proj"},
        {"--keep", "x", "--delete", "--types", "prt", "C:\\proj"},
        {"--keep", "-1", "--delete", "--types", "prt", "C:\\proj"},
        {"--keep", "+2", "--delete", "--types", "prt", "C:\\proj"},
        {"--keep=", "--delete", "--types", "prt", "C:\\proj"},
        {"--keep", "99999999999", "--delete", "--types", "prt", "C:\\proj"},
        {"--keep-aux", "-1", "--delete", "--types", "prt", "C:\\proj"},
        {"--keep-aux", "1.5", "--delete", "--types", "prt", "C:\\proj"},
        {"--delete", "--types", "prt", "C:\\proj", "--keep"},
        {"--delete", "--garage", "--types", "prt", "C:\\proj"},
        {"--dry-run", "--delete", "--types", "prt", "C:\\proj"},
        {"--delete", "--purge-all", "--types", "prt", "C:\\proj"},
        {"--delete", "--types", "prt"},
        {"--delete", "--types", "prt", "C:\\proj", "C:\\proj\\sous"},
        {"--delete", "--config", "Inconnue", "C:\\proj"},
        {"--delete", "--types", "prt", "/"},
        {"--delete", "--types", "prt", "C:\\absent"},
    };
    for (const QStringList& arguments : cas) {
        const Sortie s = lance(arguments);
        EXPECT_EQ(s.code, 2) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(s.lignes.isEmpty()) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(s.erreurs.startsWith(QStringLiteral("tidemark-cli : ")))
            << s.erreurs.toStdString();
        EXPECT_EQ(s.erreurs.count(u'\n'), 1) << s.erreurs.toStdString();  // one-line reason
    }
    EXPECT_EQ(arbre.tout(), avant);
    EXPECT_TRUE(lance({"--keep", "0", "C:\\proj"}).erreurs.contains(QStringLiteral("« 0 »")));
    EXPECT_TRUE(lance({"--keep", "2147483648", "C:\\proj"})
                    .erreurs.contains(u"d'au moins 1 et d'au plus 2147483647, pas « 2147483648 »"));
    // keep-aux 0 is a valid count; the "=" form is read too.
    EXPECT_EQ(lance({"--keep-aux", "0", "--types", "prt", "C:\\proj"}).code, 0);
    EXPECT_EQ(lance({"--keep=2", "--types", "prt", "C:\\proj"}).lignes,
              QStringList({" X  piston.prt.1", " M  piston.prt.2", " M  piston.prt.3"}));
}

TEST_F(CliPurgeTest, GarageJamaisSourceEtRepertoireSuiviAvantDEtreJuge) {
    TIDEMARK_SAUF_WINDOWS("symbolic links need a privilege an ordinary user lacks");
    // Z:\ holds C:\ (= home), as the default map does; `arbre` lies on no drive.
    test::TempTree haut;
    haut.fichiers({"home/proj/piston.prt.1", "home/proj/piston.prt.2"});
    haut.fichier("home/proj/config.pro", "search_path C:\\_\\proj\n");
    const QStringList garage = {"home/_/proj/piston.prt.1", "home/_/proj/piston.prt.2"};
    for (const QString& f : garage) haut.fichier(f, f.toUtf8());
    haut.lien("home/dehors", arbre.chemin("proj"));
    const auto purge = [&](const QStringList& arguments) {
        return test::LanceCli(QStringList{"purge", "--delete", "--types", "prt"} + arguments,
                              haut.chemin("home") + ";Z=" + haut.chemin(), reglages.chemin());
    };
    EXPECT_EQ(purge({"-r", "Z:\\"}).code, 0);
    EXPECT_FALSE(haut.existe("home/proj/piston.prt.1"));  // the walk did run
    EXPECT_TRUE(purge({"--config-pro", "C:\\proj"}).erreurs.contains(u"dans un garage"));
    const std::pair<const char*, const char*> refus[] = {
        {"C:\\_\\proj", "garage C:\\_"},
        {"C:\\dehors", "aucun lecteur"},
        {"C:\\proj\\config.pro", "« C:\\proj\\config.pro » n'est pas un dossier."}};
    for (const auto& [dir, raison] : refus) {
        const Sortie s = purge({dir});
        EXPECT_EQ(s.code, 2) << dir;
        EXPECT_TRUE(s.erreurs.contains(QString::fromUtf8(raison))) << s.erreurs.toStdString();
    }
    for (const QString& f : garage) EXPECT_EQ(haut.contenu(f), f.toUtf8());
    EXPECT_EQ(arbre.tout(), avant);

    // An argument whose bytes are not UTF-8 is told so.
    QProcess p;
    p.start("/bin/sh", {"-c", "exec \"$0\" scan \"$(printf 'C:\\\\x\\377')\"", TIDEMARK_CLI});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains(u"pas de l'UTF-8"));
}

TEST_F(CliPurgeTest, ConfigurationEnregistreeEtOptionsQuiLaRemplacent) {
    stocke("Garde2", ConfigPrtGarde2);
    const QStringList garde2 = {" X  piston.prt.1", " M  piston.prt.2", " M  piston.prt.3"};
    Sortie s = lance({"--config", "garde2", "C:\\proj"});
    EXPECT_EQ(s.code, 0) << s.erreurs.toStdString();
    EXPECT_EQ(s.lignes, garde2);
    // A flag overrides what was loaded.
    EXPECT_EQ(lance({"--config", "Garde2", "--keep", "1", "C:\\proj"}).lignes, PlanPrt);
    // The current configuration is used when no selection is given.
    stocke("Garde2", ConfigPrtGarde2, true);
    EXPECT_EQ(lance({"C:\\proj"}).lignes, garde2);
    // --types starts from the options' start values (keep 1), not the stored ones.
    EXPECT_EQ(lance({"--types", "prt", "C:\\proj"}).lignes, PlanPrt);

    // The unnumbered file counts as the newest only when asked, flag against configuration.
    arbre.fichier("proj/piston.prt");
    stocke("SansInd", "1|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|||||||0|1|1|0|");
    EXPECT_EQ(lance({"--config", "SansInd", "C:\\proj"}).lignes,
              QStringList(
                  {" M  piston.prt", " X  piston.prt.1", " X  piston.prt.2", " X  piston.prt.3"}));
    EXPECT_EQ(lance({"--config", "SansInd", "--no-prefer-unnumbered", "C:\\proj"}).lignes,
              QStringList(
                  {" X  piston.prt", " X  piston.prt.1", " X  piston.prt.2", " M  piston.prt.3"}));
    EXPECT_EQ(lance({"--types", "prt", "--prefer-unnumbered", "C:\\proj"}).lignes.first(),
              QStringLiteral(" M  piston.prt"));
}

TEST_F(CliPurgeTest, LectureSeuleLaisseeEnPlaceEtSignalee) {
    rendLectureSeule("proj/piston.prt.1");
    Sortie s = lance({"--delete", "--types", "prt", "C:\\proj"});
    EXPECT_EQ(s.code, 0) << s.erreurs.toStdString();
    EXPECT_TRUE(arbre.existe("proj/piston.prt.1"));
    EXPECT_FALSE(arbre.existe("proj/piston.prt.2"));
    EXPECT_TRUE(s.erreurs.contains(QStringLiteral("1 fichier(s) effacé(s).")));
    EXPECT_TRUE(
        s.erreurs.contains(QStringLiteral("1 fichier(s) en lecture seule laissé(s) en "
                                          "place")))
        << s.erreurs.toStdString();
    EXPECT_TRUE(s.erreurs.contains(QStringLiteral("\nC:\\proj\\piston.prt.1\n")));
    EXPECT_FALSE(s.erreurs.contains(QStringLiteral("pas pu être traité")));

    // A configuration that includes read-only files, overridden by the flag: still left.
    stocke("Caches", "1|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|||||||1|0|1|0|");
    arbre.fichier("proj/piston.prt.0");
    s = lance({"--delete", "--config", "Caches", "--no-include-readonly", "C:\\proj"});
    EXPECT_TRUE(arbre.existe("proj/piston.prt.1"));
    EXPECT_FALSE(arbre.existe("proj/piston.prt.0"));
    // With it, the read-only file goes.
    s = lance({"--delete", "--include-readonly", "--types", "prt", "C:\\proj"});
    EXPECT_EQ(s.code, 0) << s.erreurs.toStdString();
    EXPECT_FALSE(arbre.existe("proj/piston.prt.1"));
    EXPECT_TRUE(arbre.existe("proj/piston.prt.3"));
    EXPECT_FALSE(s.erreurs.contains(QStringLiteral("lecture seule laissé")));
}

TEST_F(CliPurgeTest, EchecsSignalesEtPlanNonEcritNonExecute) {
    // A file where the garage folder C:\_\proj should be: no move can succeed.
    arbre.fichier("_/proj", "bouchon");
    Sortie s = lance({"--garage", "--types", "prt", "C:\\proj"});
    EXPECT_EQ(s.code, 1);
    EXPECT_EQ(s.lignes, PlanPrt);
    EXPECT_TRUE(s.erreurs.contains(QStringLiteral("2 fichiers n'ont pas pu être traités :")))
        << s.erreurs.toStdString();
    for (const char* chemin : {"\nC:\\proj\\piston.prt.1 : ", "\nC:\\proj\\piston.prt.2 : "})
        EXPECT_TRUE(s.erreurs.contains(QString::fromUtf8(chemin))) << chemin;
    EXPECT_TRUE(s.erreurs.contains(QStringLiteral("0 fichier(s) déplacé(s)")));
    EXPECT_EQ(arbre.contenu("proj/piston.prt.1"), QByteArray(1500, 'a'));
    EXPECT_EQ(arbre.contenu("proj/piston.prt.2"), QByteArray(1000, 'b'));
    EXPECT_EQ(arbre.contenu("_/proj"), QByteArray("bouchon"));

    // Standard output that cannot take the plan: nothing is purged, and the run says so.
    s = lance({"--delete", "--types", "prt", "C:\\proj"}, QStringLiteral("/dev/full"));
    EXPECT_EQ(s.code, 1);
    EXPECT_TRUE(s.erreurs.contains(QStringLiteral("aucun fichier n'a été purgé")));
    EXPECT_TRUE(arbre.existe("proj/piston.prt.1"));
    EXPECT_TRUE(arbre.existe("proj/piston.prt.2"));
}

TEST_F(CliPurgeTest, AideEtVersion) {
    Sortie s = lanceCli({"--version"});
    EXPECT_EQ(s.code, 0);
    EXPECT_EQ(s.lignes, QStringList({"tidemark-cli 1.05"}));
    EXPECT_TRUE(s.erreurs.isEmpty());

    s = lanceCli({"--help"});
    EXPECT_EQ(s.code, 0);
    EXPECT_TRUE(s.lignes.first().startsWith(QStringLiteral("Usage : tidemark-cli COMMANDE")));
    EXPECT_EQ(s.lignes.filter(QRegularExpression(QStringLiteral("^  (scan|purge) "))).size(), 2);
    EXPECT_TRUE(s.lignes.contains(QStringLiteral("      --version  affiche la version et quitte")));
    EXPECT_TRUE(s.lignes.contains(QStringLiteral("Code de sortie :")));

    s = lance({"--help"});
    EXPECT_EQ(s.code, 0);
    EXPECT_EQ(s.lignes.first(), QStringLiteral("Usage : tidemark-cli purge [OPTION]... DIR"));
    for (const char* option :
         {"--keep N", "--keep-aux N", "--prefer-unnumbered", "--no-prefer-unnumbered",
          "--include-readonly", "--no-include-readonly", "--dry-run", "--delete", "--garage",
          "-r, --recursive", "--config NOM", "--types", "--extra", "-h, --help"}) {
        const QString debut = QStringLiteral("  ") + QString::fromUtf8(option) + u' ';
        EXPECT_EQ(
            s.lignes.filter(QRegularExpression(u'^' + QRegularExpression::escape(debut))).size(), 1)
            << option;
    }
    EXPECT_TRUE(s.lignes.contains(QStringLiteral("Code de sortie :")));
    // Help is asked for before anything is read: even with a destructive flag nothing moves.
    EXPECT_EQ(lance({"--delete", "--types", "prt", "C:\\proj", "--help"}).code, 0);
    EXPECT_EQ(arbre.tout(), avant);

    EXPECT_EQ(lanceCli({"inconnue"}).code, 2);
    EXPECT_EQ(lanceCli({}).code, 2);
}

}  // namespace
}  // namespace tidemark
