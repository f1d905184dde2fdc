#include "inventory/Scan.h"

#include "core/Drives.h"
#include "core/FileSystem.h"

#include <cerrno>
#include "tests/inventory/InterfaceScanTest.h"
#include "tests/support/TempTree.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>

#include <gtest/gtest.h>

#include <array>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tidemark {
namespace {

// A tree whose root is drive C:\.
class ScanTest : public ::testing::Test {
protected:
    ScanTest() {
        lecteurs.ajoute(u'C', arbre.chemin());
        state.FiltreFich = QStringLiteral("*");
    }

    ResultatScan scanne(const QString& repertoire, bool sousRepertoires) {
        DemandeScan demande;
        demande.repertoire = repertoire;
        demande.sousRepertoires = sousRepertoires;
        demande.capacite = capacite;
        demande.fils = fils;
        return Scan(state, demande, lecteurs, fs, ui);
    }
    QStringList liste() const { return QStringList(state.TabFich.begin(), state.TabFich.end()); }

    test::TempTree arbre;
    DriveMap lecteurs;
    AppState state;
    FileSystem fs;
    test::InterfaceScanTest ui;
    qsizetype capacite = CapaciteTabFich;
    unsigned fils = 0;
};

TEST_F(ScanTest, OrdreSansEgardALaCasseLesEgauxEnOrdreDOctets) {
    TIDEMARK_SAUF_WINDOWS("folders ignore case there: names that differ only by case are one file");
    arbre.fichiers({"p/piston.prt.2", "p/piston.prt.10", "p/piston.prt.1", "p/Zeta.prt.1",
                    "p/alpha.prt.1", "p/Alpha.prt.1", "p/écrou.prt.1", "p/Écrou.prt.1",
                    "p/ecrou.prt.1", "p/9.prt.1", "p/10.prt.1"});
    scanne(QStringLiteral("C:\\p"), false);
    EXPECT_EQ(liste(), QStringList({"10.prt.1", "9.prt.1", "Alpha.prt.1", "alpha.prt.1",
                                    "ecrou.prt.1", "piston.prt.1", "piston.prt.10", "piston.prt.2",
                                    "Zeta.prt.1", "Écrou.prt.1", "écrou.prt.1"}));
}

TEST_F(ScanTest, FichiersAvantSousRepertoiresEnProfondeurDAbord) {
    TIDEMARK_SAUF_WINDOWS("folders ignore case there: names that differ only by case are one file");
    arbre.fichiers({"p/z.prt.1", "p/b/b.prt.1", "p/A/a.prt.1", "p/A/x/deep.prt.1", "p/A/a2.prt.1",
                    "p/Moteur/m.prt.1", "p/moteur/m.prt.1", "p/vide/.keep"});
    const ResultatScan r = scanne(QStringLiteral("C:\\p"), true);
    EXPECT_EQ(liste(), QStringList({"C:\\p\\z.prt.1", "C:\\p\\A\\a.prt.1", "C:\\p\\A\\a2.prt.1",
                                    "C:\\p\\A\\x\\deep.prt.1", "C:\\p\\b\\b.prt.1",
                                    "C:\\p\\Moteur\\m.prt.1", "C:\\p\\moteur\\m.prt.1"}));
    EXPECT_EQ(r.repertoiresVisites, 7);  // p, A, x, b, Moteur, moteur, vide
    EXPECT_TRUE(state.CheminComplet);
    EXPECT_FALSE(r.arrete);
}

TEST_F(ScanTest, NomsNusSansSousRepertoiresCheminsCompletsAvec) {
    arbre.fichiers({"proj/piston.prt.1", "proj/sous/axe.prt.1"});
    state.TabFich = {QStringLiteral("reste d'un scan précédent")};
    scanne(QStringLiteral("c:/proj/"), false);
    EXPECT_EQ(liste(), QStringList({"piston.prt.1"}));
    EXPECT_FALSE(state.CheminComplet);
    EXPECT_EQ(state.RepBase, QStringLiteral("C:\\proj"));

    scanne(QStringLiteral("C:\\proj"), true);
    EXPECT_EQ(liste(), QStringList({"C:\\proj\\piston.prt.1", "C:\\proj\\sous\\axe.prt.1"}));
    EXPECT_EQ(ui.cedes, 1);  // before "sous", never before the base directory
}

TEST_F(ScanTest, RacineDeLecteurSansDoubleBarreEtGarageJamaisEntre) {
    arbre.fichiers({"x.prt.1", "sub/y.prt.1", "_/sub/y.prt.1", "_x/z.prt.1", "sub/_/w.prt.1"});
    // "_" sorts before the letters, so "_x" comes first.
    const QStringList attendu = {"C:\\x.prt.1", "C:\\_x\\z.prt.1", "C:\\sub\\y.prt.1",
                                 "C:\\sub\\_\\w.prt.1"};
    scanne(QStringLiteral("C:\\"), true);
    EXPECT_EQ(liste(), attendu);
    // The drive root reached through another drive that also holds it is the same root.
    // (On Windows no drive holds another: a host path is a drive path.)
#ifndef _WIN32
    lecteurs.ajoute(u'Z', QStringLiteral("/"));
    scanne(QStringLiteral("Z:") + QString(arbre.chemin()).replace(u'/', u'\\'), true);
    EXPECT_EQ(state.RepBase, QStringLiteral("C:\\"));
    EXPECT_EQ(liste(), attendu);
    EXPECT_EQ(ui.questions, 2);
    // Below the root, a folder "_" is an ordinary folder.
    scanne(QStringLiteral("C:\\sub"), true);
    EXPECT_EQ(liste(), QStringList({"C:\\sub\\y.prt.1", "C:\\sub\\_\\w.prt.1"}));
#endif
}

TEST_F(ScanTest, GarageDUnLecteurImbriqueJamaisEntreNiChoisi) {
    // D:\ lies inside C:\: walked from C:\, D's garage is still a garage, any other "_" is not.
    lecteurs.ajoute(u'D', arbre.chemin("home"));
    arbre.fichiers(
        {"_/c.prt.1", "home/_/g.prt.1", "home/_/s/g.prt.1", "home/p/x.prt.1", "home/p/_/ok.prt.1"});
    scanne(QStringLiteral("C:\\"), true);
    EXPECT_EQ(liste(), QStringList({"C:\\home\\p\\x.prt.1", "C:\\home\\p\\_\\ok.prt.1"}));
    for (const char* garage : {"C:\\home\\_\\s", "D:\\_"}) {
        const ResultatScan r = scanne(QString::fromUtf8(garage), true);
        EXPECT_TRUE(state.TabFich.empty()) << garage;
        ASSERT_EQ(r.avis.size(), 1);
        EXPECT_TRUE(r.avis[0].contains(u"garage D:\\_")) << r.avis[0].toStdString();
    }
}

TEST_F(ScanTest, ConfirmationDeLaRacine) {
    arbre.fichiers({"x.prt.1", "sub/y.prt.1"});
    ui.reponse = true;
    ResultatScan r = scanne(QStringLiteral("C:\\"), true);
    EXPECT_EQ(ui.questions, 1);
    EXPECT_EQ(ui.titre, QStringLiteral("Tidemark Velnor"));
    EXPECT_FALSE(r.racineRefusee);
    EXPECT_EQ(liste(), QStringList({"C:\\x.prt.1", "C:\\sub\\y.prt.1"}));

    const QStringList lignes = ui.texte.split(QStringLiteral("\n\r"));
    ASSERT_EQ(lignes.size(), 17);  // each of the 16 lines ends in LF CR
    EXPECT_TRUE(lignes[16].isEmpty());
    EXPECT_EQ(ui.texte.count(u'\n'), 16);
    EXPECT_EQ(lignes[0],
              QString(27, u' ') + "La recherche de tous les fichiers à partir de la racine  ");
    EXPECT_EQ(lignes[2], QStringLiteral(" "));
    EXPECT_EQ(lignes[3], QString(40, u' ') + ". ATTENTION .... ATTENTION .");
    EXPECT_EQ(lignes[10], " Lors des premiéres utilisations de ce programme  : ");
    EXPECT_EQ(lignes[15], QString(38, u' ') + "Voulez vous quand même continuer ?");

    ui.reponse = false;
    r = scanne(QStringLiteral("C:\\"), true);
    EXPECT_TRUE(r.racineRefusee);
    EXPECT_FALSE(state.CheminComplet);
    EXPECT_EQ(liste(), QStringList({"x.prt.1"}));

    // No question below the root, nor at the root without subdirectories.
    scanne(QStringLiteral("C:\\sub"), true);
    scanne(QStringLiteral("C:\\"), false);
    EXPECT_EQ(ui.questions, 2);
}

TEST_F(ScanTest, MotifsAppliquesParLeScan) {
    arbre.fichiers({"piston.prt.3", "piston.prt", "PISTON.PRT.4", "piston.prt3", "trail.txt.12",
                    "TRAIL.TXT.1", "mytrail.txt.1", "a.xas", "a.xas.1", "notes.doc"});
    state.FiltreFich = QStringLiteral("*.prt.*;trail.txt.*;*.xas");
    scanne(QStringLiteral("C:\\"), false);
    EXPECT_EQ(liste(), QStringList({"a.xas", "piston.prt", "piston.prt.3", "PISTON.PRT.4",
                                    "TRAIL.TXT.1", "trail.txt.12"}));

    // An empty pattern list has not been built yet: the scan changes nothing at all.
    state.FiltreFich.clear();
    state.RepBase = QStringLiteral("C:\\avant");
    const ResultatScan r = scanne(QStringLiteral("C:\\"), false);
    EXPECT_FALSE(r.effectue);
    EXPECT_EQ(state.TabFich.size(), 6u);
    EXPECT_EQ(state.RepBase, QStringLiteral("C:\\avant"));
}

TEST_F(ScanTest, CachesLiensEtBouclesNeSontPasSuivis) {
    TIDEMARK_SAUF_WINDOWS("symbolic links need a privilege an ordinary user lacks");
    arbre.fichiers(
        {"p/a.prt.1", "p/.h.prt.1", "p/.cache/c.prt.1", "p/sub/s.prt.1", "p/vrai.prt.1"});
    arbre.lien(QStringLiteral("p/sub/boucle"), QStringLiteral(".."));
    arbre.lien(QStringLiteral("p/lienrep"), QStringLiteral("sub"));
    arbre.lien(QStringLiteral("p/lien.prt.1"), QStringLiteral("vrai.prt.1"));
    arbre.lien(QStringLiteral("p/mort.prt.1"), QStringLiteral("nulle-part"));
    const QStringList disque = arbre.tout();
    const ResultatScan r = scanne(QStringLiteral("C:\\p"), true);
    EXPECT_EQ(liste(), QStringList({"C:\\p\\a.prt.1", "C:\\p\\lien.prt.1", "C:\\p\\mort.prt.1",
                                    "C:\\p\\vrai.prt.1", "C:\\p\\sub\\s.prt.1"}));
    EXPECT_EQ(r.repertoiresVisites, 2);
    EXPECT_EQ(arbre.tout(), disque);  // a scan writes nothing
}

TEST_F(ScanTest, NomsQuiNePeuventSEcrireDansUnCheminSontPasses) {
    TIDEMARK_SAUF_WINDOWS(
        "names are UTF-16 there and may hold no control character: such names cannot be made");
    arbre.fichiers({"p/ok.prt.1", "p/a\\b.prt.1", "p/ligne\ncoupee.prt.1", "p/x\\y/z.prt.1",
                    "p/sans-rapport\\.doc"});
    const QByteArray invalide = QFile::encodeName(arbre.chemin("p/")) + "\xff\xfe.prt.1";
    const int fd = ::open(invalide.constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    state.FiltreFich = QStringLiteral("*.prt.*");
    const ResultatScan r = scanne(QStringLiteral("C:\\p"), true);
    EXPECT_EQ(liste(), QStringList({"C:\\p\\ok.prt.1"}));
    EXPECT_EQ(r.nomsIgnores, 4);  // three files and the folder; the .doc does not match
    ASSERT_EQ(r.avis.size(), 1);
    EXPECT_TRUE(r.avis[0].startsWith(QStringLiteral("4 nom(s) passé(s)")));
}

TEST_F(ScanTest, ArretApresKRepertoiresParLeCede) {
    arbre.fichiers(
        {"p/base.prt.1", "p/d1/a.prt.1", "p/d1/e/b.prt.1", "p/d2/c.prt.1", "p/d3/d.prt.1"});
    ui.surCede = [this](int rang) { state.StopScan = rang == 3; };
    const ResultatScan r = scanne(QStringLiteral("C:\\p"), true);
    EXPECT_TRUE(r.arrete);
    EXPECT_FALSE(state.StopScan);  // cleared at the end
    // Yields before d1 and d1\e let them be listed; the third, before d2, stops the scan.
    EXPECT_EQ(liste(),
              QStringList({"C:\\p\\base.prt.1", "C:\\p\\d1\\a.prt.1", "C:\\p\\d1\\e\\b.prt.1"}));
    EXPECT_EQ(ui.cedes, 3);
    EXPECT_EQ(r.repertoiresVisites, 3);
    ASSERT_EQ(ui.progressions.size(), 3u);
    EXPECT_EQ(ui.progressions[1].repertoiresVisites, 2);
    EXPECT_EQ(ui.progressions[1].fichiersTrouves, 2);
    EXPECT_EQ(ui.progressions[1].fichiersRepertoire, 1);

    // A stop request left over from before is cleared when a scan starts.
    state.StopScan = true;
    ui.surCede = nullptr;
    EXPECT_FALSE(scanne(QStringLiteral("C:\\p"), true).arrete);
    EXPECT_EQ(state.TabFich.size(), 5u);
}

TEST_F(ScanTest, RepertoireDisparuOuIllisibleEstPasse) {
    arbre.fichiers({"p/a/1.prt.1", "p/b/2.prt.1", "p/b/sous/3.prt.1", "p/c/4.prt.1"});
    // Each directory read in its turn: read ahead, "b" could be read before the yield that
    // removes it, and the third read need not be that of "c".
    fils = 1;
    // The yield before "b" removes it: it vanishes between its listing and its visit.
    ui.surCede = [this](int rang) {
        if (rang == 2)
            QDir(arbre.chemin(QStringLiteral("p/b"))).removeRecursively();
    };
    ResultatScan r = scanne(QStringLiteral("C:\\p"), true);
    EXPECT_EQ(liste(), QStringList({"C:\\p\\a\\1.prt.1", "C:\\p\\c\\4.prt.1"}));
    EXPECT_EQ(r.repertoiresIgnores, 1);
    ASSERT_EQ(r.avis.size(), 2);
    EXPECT_TRUE(r.avis[0].startsWith(QStringLiteral("1 répertoire n'a pas pu être lu")));
    EXPECT_TRUE(r.avis[1].contains(QStringLiteral("C:\\p\\b :")));

    // The scan reads through the file-system service: a read the fault plan fails (the third,
    // that of "c") passes that directory alone, with the system's reason.
    ui.surCede = nullptr;
    FaultPlan plan;
    plan.echoue(OperationFs::LitDossier, 3, EACCES);
    fs = FileSystem(&plan);
    r = scanne(QStringLiteral("C:\\p"), true);
    EXPECT_EQ(liste(), QStringList({"C:\\p\\a\\1.prt.1"}));
    EXPECT_EQ(plan.compte(OperationFs::LitDossier), 3);
    ASSERT_EQ(r.avis.size(), 2);
    EXPECT_EQ(r.avis[1], QStringLiteral("  C:\\p\\c : accès refusé"));
    fs = FileSystem();

    r = scanne(QStringLiteral("C:\\nulle-part"), true);
    EXPECT_TRUE(state.TabFich.empty());
    EXPECT_EQ(r.repertoiresIgnores, 1);
    EXPECT_EQ(r.repertoiresVisites, 0);
}

// Read on several threads, the scan gives what reading each directory in its turn gives: the
// same entries in the same order, the same notices (names passed over, a directory that cannot
// be read, the garage left out), the same yields and progress, stopped or filled at the same
// place.
TEST_F(ScanTest, EnParalleleCommeEnSerie) {
    for (int a = 0; a < 6; ++a) {
        for (int b = 0; b < 4; ++b) {
            for (int c = 0; c < 5; ++c) {
                const QString rep = QStringLiteral("%1%2/%3%4/d%5/")
                                        .arg(a % 2 ? "A" : "a")
                                        .arg(a)
                                        .arg(b % 2 ? "Sous" : "sous")
                                        .arg(b)
                                        .arg(c);
                for (const char* nom : {"Piston.prt.1", "piston.prt.2", ".cache.prt.1", "m.asm.3"})
                    arbre.fichier(rep + nom);
            }
            arbre.fichier(QStringLiteral("a%1/x%2.drw.1").arg(a).arg(b));
        }
    }
    arbre.fichiers({"_/garage.prt.1", ".cache/cache.prt.1"});
    // A name that is not UTF-8, and a directory whose path is longer than the system reads.
    // (Windows names are UTF-16 and its long paths are read: neither is passed over there.)
#ifdef _WIN32
    constexpr int passes = 0;
#else
    constexpr int passes = 1;
    const QByteArray mal = QFile::encodeName(arbre.chemin("a0")) + "/mal\xE9.prt.1";
    ::close(::open(mal.constData(), O_CREAT | O_WRONLY, 0644));
    QString profond = arbre.chemin("A1");
    for (int n = 0; n < 16; ++n) profond += u'/' + QString(240, QChar(u'a' + n));
    ASSERT_TRUE(QDir().mkpath(profond));
    const int parent = ::open(QFile::encodeName(profond).constData(), O_RDONLY | O_DIRECTORY);
    const QByteArray trop(250, 'z');
    ASSERT_EQ(::mkdirat(parent, trop.constData(), 0755), 0);
    const auto nettoie = qScopeGuard([&] {
        ::unlinkat(parent, trop.constData(), AT_REMOVEDIR);
        ::close(parent);
        ::unlink(mal.constData());
    });
#endif

    struct Releve {
        QStringList liste, avis;
        int cedes = 0, visites = 0, ignores = 0, noms = 0;
        bool arrete = false, pleine = false;
        std::vector<std::array<qsizetype, 4>> progressions;
        bool operator==(const Releve&) const = default;
    };
    const auto releve = [&](unsigned n, qsizetype cap, int arretAu) {
        fils = n;
        capacite = cap;
        ui = {};
        ui.surCede = [&](int rang) { state.StopScan = rang == arretAu; };
        const ResultatScan r = scanne(QStringLiteral("C:\\"), true);
        Releve v{liste(),
                 r.avis,
                 ui.cedes,
                 r.repertoiresVisites,
                 r.repertoiresIgnores,
                 r.nomsIgnores,
                 r.arrete,
                 r.capaciteAtteinte,
                 {}};
        for (const ProgressionScan& p : ui.progressions)
            v.progressions.push_back({p.repertoiresVisites, p.fichiersTrouves, p.fichiersRepertoire,
                                      p.repertoiresTrouves});
        return v;
    };
    for (const auto& [cap, arretAu] :
         {std::pair<qsizetype, int>{CapaciteTabFich, 0}, {200, 0}, {CapaciteTabFich, 60}}) {
        const Releve serie = releve(1, cap, arretAu);
        ASSERT_EQ(serie.ignores, passes);
        ASSERT_EQ(serie.noms, passes);
        ASSERT_EQ(serie.arrete, arretAu > 0);
        ASSERT_EQ(serie.pleine, cap == 200);
        for (int essai = 0; essai < 3; ++essai)
            EXPECT_TRUE(releve(8, cap, arretAu) == serie) << cap << " " << arretAu;
    }
}

TEST_F(ScanTest, CapaciteInjectee) {
    arbre.fichiers({"p/1.prt.1", "p/2.prt.1", "p/3.prt.1", "p/s/4.prt.1", "p/t/5.prt.1"});
    capacite = 5;
    ResultatScan r = scanne(QStringLiteral("C:\\p"), true);
    EXPECT_EQ(state.TabFich.size(), 5u);
    EXPECT_FALSE(r.capaciteAtteinte);
    EXPECT_TRUE(r.avis.isEmpty());

    capacite = 3;
    r = scanne(QStringLiteral("C:\\p"), true);
    EXPECT_TRUE(r.capaciteAtteinte);
    EXPECT_EQ(liste(), QStringList({"C:\\p\\1.prt.1", "C:\\p\\2.prt.1", "C:\\p\\3.prt.1"}));
    ASSERT_EQ(r.avis.size(), 1);
    EXPECT_EQ(r.avis[0], QStringLiteral("La liste est pleine (3 fichiers) : les fichiers suivants "
                                        "n'y figurent pas."));
    capacite = 4;
    r = scanne(QStringLiteral("C:\\p"), true);
    EXPECT_TRUE(r.capaciteAtteinte);
    EXPECT_EQ(liste().last(), QStringLiteral("C:\\p\\s\\4.prt.1"));
}

}  // namespace
}  // namespace tidemark
