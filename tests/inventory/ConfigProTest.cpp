#include "inventory/ConfigPro.h"

#include "core/Drives.h"
#include "core/FileSystem.h"
#include "core/Identite.h"
#include "inventory/Scan.h"
#include "tests/inventory/InterfaceScanTest.h"
#include "tests/support/TempTree.h"

#include <QDir>

#include <gtest/gtest.h>

namespace tidemark {
namespace {

const QString Marque = MarqueVide.toString();

// Drive C:\ is the tree; its search directories hold one model each, and "lib" a subfolder
// that config mode must not enter.
class ConfigProTest : public ::testing::Test {
protected:
    ConfigProTest() {
        lecteurs.ajoute(u'C', arbre.chemin());
        arbre.fichiers({"lib/l.prt.1", "lib/notes.doc", "lib/sub/deep.prt.1", "Lib Commune/c.prt.1",
                        "Majuscules/M.prt.1", "rel/parts/r.prt.1", "Données/d.prt.1",
                        "proj/p.prt.1", "maison/h.prt.1"});
        state.FiltreFich = QStringLiteral("*.prt.*");
        ancienCourant = QDir::currentPath();
        QDir::setCurrent(arbre.chemin());
    }
    ~ConfigProTest() override { QDir::setCurrent(ancienCourant); }

    // The absolute host path of a folder of the tree, as a config.pro would name it.
    QByteArray abs(const char* relatif) const { return arbre.chemin(relatif).toUtf8(); }

    ResultatScan scanne(bool avecHome = false) {
        DemandeScan demande;
        demande.mode = ModeScan::Config;
        demande.repertoire = QStringLiteral("C:\\proj");
        demande.avecHome = avecHome;
        demande.environnement = environnement;
        demande.capaciteRepConf = capaciteRepConf;
        return Scan(state, demande, lecteurs, fs, ui);
    }
    QStringList liste() const { return QStringList(state.TabFich.begin(), state.TabFich.end()); }

    test::TempTree arbre;
    QString ancienCourant;
    DriveMap lecteurs;
    AppState state;
    FileSystem fs;
    test::InterfaceScanTest ui;
    QProcessEnvironment environnement;
    int capaciteRepConf = CapaciteRepConf;
};

TEST_F(ConfigProTest, LignesSearchPathSelonLesRegles) {
    TIDEMARK_SAUF_WINDOWS(
        "a host path is itself a drive path there: with letters mapped to test folders, a host "
        "path in config.pro reads as a drive path");
    arbre.fichier("liste.txt", "search_path " + abs("Données") + "\n");
    arbre.fichier("proj/config.pro",
                  "! commentaire\n"
                  "SEARCH_PATH   " +
                      abs("Majuscules") +
                      "   \n"
                      "  search_path " +
                      abs("lib") +
                      "\n"
                      "search_path_file " +
                      abs("liste.txt") +
                      "\n"
                      "search_path\t" +
                      abs("lib") +
                      "\n"
                      "search_path " +
                      abs("Lib Commune") +
                      "\n"
                      "search_path " +
                      abs("lib") + " " + abs("Majuscules") +
                      "\n"
                      "search_path rel/parts\n"
                      "search_path C:\\lib\n"
                      "search_path " +
                      abs("absent") +
                      "\n"
                      "search_path   \n"
                      "search_path /\n"
                      "search_path " +
                      abs("lib"));
    const ResultatScan r = scanne();
    // The same directory named twice stays twice; only existing directories on a drive.
    EXPECT_EQ(state.RepConf, QStringList({"C:\\Majuscules", "C:\\Lib Commune", "C:\\rel\\parts",
                                          "C:\\lib", "C:\\lib"}));
    // ... but is listed once, and no search directory is descended into.
    EXPECT_EQ(liste(), QStringList({"C:\\Majuscules\\M.prt.1", "C:\\Lib Commune\\c.prt.1",
                                    "C:\\rel\\parts\\r.prt.1", "C:\\lib\\l.prt.1"}));
    EXPECT_EQ(r.lignes, QStringList({Marque + "Le fichier  'C:\\proj\\config.pro'  est en cours "
                                              "d'analyse"}));
    EXPECT_FALSE(r.sansRepertoireConfig);
    EXPECT_TRUE(state.CheminComplet);
    EXPECT_EQ(r.avis, QStringList({"1 répertoire(s) de recherche passé(s) : ils ne se trouvent "
                                   "sur aucun lecteur.",
                                   "1 répertoire(s) de recherche nommé(s) plus d'une fois : "
                                   "listé(s) une seule fois."}));
    EXPECT_EQ(ui.cedes, 4);  // one yield before each directory listed
}

TEST_F(ConfigProTest, RepertoiresDansUnGaragePasses) {
    TIDEMARK_SAUF_WINDOWS("symbolic links need a privilege an ordinary user lacks");
    // Named as a drive path, as a host path or through a link, a garage is never searched.
    arbre.fichiers({"_/lib/g.prt.1"});
    arbre.lien("vers_garage", arbre.chemin("_/lib"));
    arbre.fichier("proj/config.pro", "search_path C:\\_\\lib\nsearch_path " + abs("_/lib") +
                                         "\nsearch_path C:\\vers_garage\nsearch_path C:\\lib\n");
    const ResultatScan r = scanne();
    EXPECT_EQ(state.RepConf, QStringList({"C:\\lib"}));
    EXPECT_EQ(liste(), QStringList({"C:\\lib\\l.prt.1"}));
    EXPECT_EQ(r.avis, QStringList({"3 répertoire(s) de recherche passé(s) : ils se trouvent "
                                   "dans un garage, qui n'est jamais purgé."}));
}

TEST_F(ConfigProTest, FinsDeLigneEtEncodages) {
    TIDEMARK_SAUF_WINDOWS(
        "a host path is itself a drive path there: with letters mapped to test folders, a host "
        "path in config.pro reads as a drive path");
    struct Cas {
        QByteArray contenu;
        QStringList attendu;
    };
    const Cas cas[] = {
        {"search_path " + abs("lib") + "\r\nsearch_path " + abs("Majuscules") + "\r\n",
         {"C:\\lib", "C:\\Majuscules"}},
        {"search_path " + abs("lib") + "\rsearch_path " + abs("Majuscules"),
         {"C:\\lib", "C:\\Majuscules"}},
        {"! rien\nsearch_path " + abs("lib"), {"C:\\lib"}},
        {"search_path " + abs("") +
             "/Donn\xe9"
             "es\r\n",
         {"C:\\Données"}},                                                      // Windows-1252
        {"\xef\xbb\xbfsearch_path " + abs("Données") + "\n", {"C:\\Données"}},  // UTF-8, BOM
        {"", {}},
    };
    for (const Cas& c : cas) {
        arbre.fichier("proj/config.pro", c.contenu);
        QStringList RepConf;
        CompteRenduConfig compteRendu;
        EXPECT_TRUE(LitConfigPro(QStringLiteral("C:\\proj\\config.pro"), QStringLiteral("C:\\proj"),
                                 lecteurs, fs, RepConf, compteRendu))
            << c.contenu.toStdString();
        EXPECT_EQ(RepConf, c.attendu) << c.contenu.toStdString();
    }
}

TEST_F(ConfigProTest, FichierManquantVideOuSansRepertoire) {
    const QString manque = Marque +
                           "Le répertoire  'C:\\proj'  ne contient pas de fichier "
                           "'config.pro'\r\n";
    const QString analyse = Marque + "Le fichier  'C:\\proj\\config.pro'  est en cours d'analyse";
    const QString sansSearchPath =
        Marque + "Le fichier 'C:\\proj\\config.pro'  ne contient pas de 'search path'\r\n";

    state.TabFich = {QStringLiteral("ancien")};
    ResultatScan r = scanne();
    EXPECT_EQ(r.lignes, QStringList({manque}));
    EXPECT_TRUE(r.sansRepertoireConfig);
    EXPECT_TRUE(state.TabFich.empty());  // a new list each time

    arbre.fichier("proj/config.pro", "");
    r = scanne();
    EXPECT_EQ(r.lignes, QStringList({analyse, sansSearchPath}));

    arbre.fichier("proj/config.pro", "search_path " + abs("absent") + "\nmapkey x\n");
    r = scanne();
    EXPECT_EQ(r.lignes, QStringList({analyse, sansSearchPath}));
    EXPECT_TRUE(r.sansRepertoireConfig);

    // Search directories that are all passed over are said to be refused, not missing.
    arbre.dossier("_/x");
    arbre.fichier("proj/config.pro", "search_path C:\\_\\x\n");
    r = scanne();
    EXPECT_EQ(r.lignes.last(),
              Marque + "Le fichier 'C:\\proj\\config.pro'  n'a que des 'search path' refusés\r\n");

    // A folder named config.pro cannot be read as a file: one notice says so, no list line
    // claims there is none.
    QFile::remove(arbre.chemin("proj/config.pro"));
    arbre.dossier("proj/config.pro");
    r = scanne();
    EXPECT_TRUE(r.lignes.isEmpty());
    EXPECT_TRUE(r.avis.contains(
        u"config.pro passé : « C:\\proj\\config.pro » n'est pas un fichier ordinaire."));
}

TEST_F(ConfigProTest, HomePuisRepertoireUnMemeDossierListeUneFois) {
    TIDEMARK_SAUF_WINDOWS(
        "a host path is itself a drive path there: with letters mapped to test folders, a host "
        "path in config.pro reads as a drive path");
    arbre.fichier("maison/config.pro",
                  "search_path " + abs("lib") + "\nsearch_path " + abs("Majuscules") + "\n");
    arbre.fichier("proj/config.pro", "search_path " + abs("lib") + "\n");
    environnement.insert(QStringLiteral("HOME"), arbre.chemin("maison"));
    ResultatScan r = scanne(true);
    EXPECT_EQ(state.RepConf, QStringList({"C:\\lib", "C:\\Majuscules", "C:\\lib"}));
    EXPECT_EQ(liste(), QStringList({"C:\\lib\\l.prt.1", "C:\\Majuscules\\M.prt.1"}));
    EXPECT_EQ(r.lignes,
              QStringList({Marque + "Le fichier  'C:\\maison\\config.pro'  est en cours d'analyse",
                           Marque + "Le fichier  'C:\\proj\\config.pro'  est en cours d'analyse"}));

    // Without the home option, or with `home` unset, only the chosen directory's file.
    scanne(false);
    EXPECT_EQ(state.RepConf, QStringList({"C:\\lib"}));
    environnement.clear();
    scanne(true);
    EXPECT_EQ(state.RepConf, QStringList({"C:\\lib"}));

    // A home file without a search directory gets its own line; one on no drive, a notice.
    arbre.fichier("maison/config.pro", "! vide\n");
    environnement.insert(QStringLiteral("home"), arbre.chemin("maison"));
    r = scanne(true);
    EXPECT_TRUE(r.lignes.contains(
        Marque + "Le fichier 'C:\\maison\\config.pro'  ne contient pas de 'search path'\r\n"));
    environnement.insert(QStringLiteral("home"), QStringLiteral("/"));
    r = scanne(true);
    EXPECT_EQ(state.RepConf, QStringList({"C:\\lib"}));
    ASSERT_EQ(r.avis.size(), 1);
    EXPECT_TRUE(r.avis[0].startsWith(QStringLiteral("Le dossier « home » (/)")));
}

TEST_F(ConfigProTest, CapaciteArretEtRepertoireDisparu) {
    TIDEMARK_SAUF_WINDOWS(
        "a host path is itself a drive path there: with letters mapped to test folders, a host "
        "path in config.pro reads as a drive path");
    arbre.fichier("proj/config.pro", "search_path " + abs("lib") + "\nsearch_path " +
                                         abs("Majuscules") + "\nsearch_path " + abs("Lib Commune") +
                                         "\n");
    capaciteRepConf = 2;
    ResultatScan r = scanne();
    EXPECT_EQ(state.RepConf, QStringList({"C:\\lib", "C:\\Majuscules"}));
    EXPECT_EQ(r.avis, QStringList({"1 répertoire(s) de recherche passé(s) au-delà des 2 que la "
                                   "liste peut tenir."}));

    // The first search directory vanishes before its visit; the yield before the third stops.
    capaciteRepConf = CapaciteRepConf;
    ui.cedes = 0;
    ui.surCede = [this](int rang) {
        if (rang == 1)
            QDir(arbre.chemin("lib")).removeRecursively();
        state.StopScan = rang == 3;
    };
    r = scanne();
    EXPECT_EQ(liste(), QStringList({"C:\\Majuscules\\M.prt.1"}));
    EXPECT_EQ(r.repertoiresIgnores, 1);
    EXPECT_TRUE(r.arrete);
}

TEST_F(ConfigProTest, FichierTropGrandRefuseEtLaSuiteLue) {
    TIDEMARK_SAUF_WINDOWS(
        "a host path is itself a drive path there: with letters mapped to test folders, a host "
        "path in config.pro reads as a drive path");
    arbre.piege("maison/config.pro", test::TempTree::Piege::Enorme, LimiteConfigPro + 1);
    arbre.fichier("proj/config.pro", "search_path " + abs("lib") + "\n");
    QStringList RepConf;
    CompteRenduConfig compteRendu;
    EXPECT_FALSE(LitConfigPro(QStringLiteral("C:\\maison\\config.pro"),
                              QStringLiteral("C:\\maison"), lecteurs, fs, RepConf, compteRendu));
    EXPECT_EQ(compteRendu.avis,
              QStringList("config.pro passé : « C:\\maison\\config.pro » dépasse 16 Mo."));
    // The home file is a notice; the chosen directory's is read after it.
    environnement.insert(QStringLiteral("HOME"), arbre.chemin("maison"));
    const ResultatScan r = scanne(true);
    EXPECT_EQ(r.lignes.first(),
              Marque + "Le fichier  'C:\\proj\\config.pro'  est en cours d'analyse");
    EXPECT_EQ(liste(), QStringList({"C:\\lib\\l.prt.1"}));
}

TEST(VariableHome, NomExactPuisToutEcritureDuNom) {
    QProcessEnvironment env;
    EXPECT_EQ(VariableHome(env), QString());
    env.insert(QStringLiteral("hOME"), QStringLiteral("/c"));
    env.insert(QStringLiteral("HOME"), QStringLiteral("/a"));
    EXPECT_EQ(VariableHome(env), QStringLiteral("/a"));  // the first in byte order
    const QString longue = u'/' + QString(300, u'x');
    env.insert(QStringLiteral("home"), longue);
    EXPECT_EQ(VariableHome(env), longue);  // the exact name first, kept whole
}

TEST(DecodeTexteFichier, Utf8SinonWindows1252) {
    EXPECT_EQ(DecodeTexteFichier("Donn\xc3\xa9"
                                 "es"),
              QStringLiteral("Données"));
    EXPECT_EQ(DecodeTexteFichier("\xef\xbb\xbf"
                                 "abc"),
              QStringLiteral("abc"));
    EXPECT_EQ(DecodeTexteFichier("\x80 c\x9c"
                                 "ur \xe9t\xe9"),
              QStringLiteral("€ cœur été"));
}

}  // namespace
}  // namespace tidemark
