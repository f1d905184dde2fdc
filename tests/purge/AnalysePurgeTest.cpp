#include "purge/AnalysePurge.h"

#include "inventory/Marquage.h"
#include "tests/purge/BancPurge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <tuple>
#include <vector>

#include <unistd.h>

namespace tidemark {
namespace {

using test::BancPurge;

// Row numbers of TabConf used below.
constexpr int Prt = 0, Trail = 8, Log = 9, Inf = 10, Xas = 11, Idx = 17;

struct CasMarques {
    const char* nom;
    std::vector<const char*> fichiers;  // in list order
    int nbRev;
    int nbRev1;
    int sansIndice;                  // ValMaitreSansInd
    std::vector<int> lignesCochees;  // TabConf rows selected
    std::string attendu;             // '.' 0, 'X' 1, 'M' 2, '-' 3, one per file
};

const CasMarques Cas[] = {
    {"keep 2 of five revisions",
     {"p/piston.prt.1", "p/piston.prt.2", "p/piston.prt.3", "p/piston.prt.4", "p/piston.prt.5"},
     2,
     0,
     0,
     {Prt},
     "XXXMM"},
    {"same names in two directories are two groups",
     {"a/piston.prt.1", "a/piston.prt.2", "a/piston.prt.3", "b/piston.prt.1", "b/piston.prt.2"},
     1,
     0,
     0,
     {Prt},
     "XXMXM"},
    {"sibling folders that differ only by case are two groups",
     {"Moteur/piston.prt.1", "Moteur/piston.prt.2", "moteur/piston.prt.3"},
     1,
     0,
     0,
     {Prt},
     "XM."},
    {"names differing only by case are one group",
     {"p/PISTON.PRT.3", "p/piston.prt.4"},
     1,
     0,
     0,
     {Prt},
     "XM"},
    {"revision numbers with gaps: only 9 is kept",
     {"p/a.prt.1", "p/a.prt.2", "p/a.prt.5", "p/a.prt.9"},
     2,
     0,
     0,
     {Prt},
     "XXXM"},
    {"keep count larger than the group keeps all",
     {"p/a.prt.1", "p/a.prt.2"},
     5,
     0,
     0,
     {Prt},
     "MM"},
    {"keep 0 models is read as 1", {"p/a.prt.1", "p/a.prt.2", "p/a.prt.3"}, 0, 0, 0, {Prt}, "XXM"},
    {"negative keep is read as 1", {"p/a.prt.1", "p/a.prt.2"}, -4, 0, 0, {Prt}, "XM"},
    {"a single file stays blank", {"p/a.prt.7"}, 1, 0, 0, {Prt}, "."},
    {"neighbours of other types are other groups",
     {"p/a.asm.1", "p/a.asm.2", "p/a.prt.1", "p/a.prt.2"},
     1,
     0,
     0,
     {Prt},
     "XMXM"},
    {"trail series, keep-aux 0, trail checked: all purged as --",
     {"t/trail.txt.1", "t/trail.txt.2", "t/trail.txt.3", "t/trail.txt.4", "t/trail.txt.5",
      "t/trail.txt.6", "t/trail.txt.7", "t/trail.txt.8", "t/trail.txt.9"},
     1,
     0,
     0,
     {Trail},
     "---------"},
    {"trail series, keep-aux 0, trail unchecked: all X",
     {"t/trail.txt.1", "t/trail.txt.2", "t/trail.txt.3", "t/trail.txt.4", "t/trail.txt.5",
      "t/trail.txt.6", "t/trail.txt.7", "t/trail.txt.8", "t/trail.txt.9"},
     1,
     0,
     0,
     {},
     "XXXXXXXXX"},
    {"single trail, keep-aux 0, trail checked", {"t/trail.txt.1"}, 1, 0, 0, {Trail}, "-"},
    {"single trail, keep-aux 1", {"t/trail.txt.1"}, 1, 1, 0, {Trail}, "."},
    {"TRAIL.TXT in capitals is a trail", {"t/TRAIL.TXT.3"}, 1, 0, 0, {Trail}, "-"},
    {"trail series with keep-aux 3 uses it, not keep",
     {"t/trail.txt.1", "t/trail.txt.2", "t/trail.txt.3", "t/trail.txt.4"},
     1,
     3,
     0,
     {Trail},
     "XMMM"},
    {"negative keep-aux is read as 0", {"t/trail.txt.1", "t/trail.txt.2"}, 1, -2, 0, {Trail}, "--"},
    {"single log, keep-aux 2, stays blank", {"l/x.log.4"}, 1, 2, 0, {Log}, "."},
    {"log series, keep-aux 2",
     {"l/x.log.1", "l/x.log.2", "l/x.log.3", "l/x.log.4"},
     1,
     2,
     0,
     {Log},
     "XXMM"},
    {"log series, keep-aux 0, log checked", {"l/x.log.1", "l/x.log.2"}, 3, 0, 0, {Log}, "--"},
    {"log series, keep-aux 0, log unchecked", {"l/x.log.1", "l/x.log.2"}, 3, 0, 0, {}, "XX"},
    {"inf, keep-aux 0, checked", {"i/a.inf.1", "i/b.inf.1"}, 1, 0, 0, {Inf}, "--"},
    {"inf, keep-aux 1: no auxiliary rule", {"i/a.inf.1", "i/a.inf.2"}, 1, 1, 0, {Inf}, "XM"},
    {"no-index flag set: the unnumbered file is kept",
     {"p/piston.prt", "p/piston.prt.1", "p/piston.prt.2", "p/piston.prt.3"},
     1,
     0,
     1,
     {Prt},
     "MXXX"},
    {"no-index flag clear: the unnumbered file is revision 0",
     {"p/piston.prt", "p/piston.prt.1", "p/piston.prt.2", "p/piston.prt.3"},
     1,
     0,
     0,
     {Prt},
     "XXXM"},
    {"xas checked", {"m/model.xas"}, 1, 0, 0, {Xas}, "-"},
    {"xas unchecked", {"m/model.xas"}, 1, 0, 0, {Prt}, "."},
    {"idx checked, capitals", {"m/MODEL.IDX"}, 1, 0, 0, {Idx}, "-"},
    {"every unrevisioned type checked",
     {"m/a.xas", "m/a.xpr", "m/a.m_p", "m/a.crc", "m/a.err", "m/a.ers", "m/a.idx", "m/a.txt"},
     1,
     0,
     0,
     {11, 12, 13, 14, 15, 16, 17},
     "-------."},
    {"user type files are purged like models",
     {"u/notes.dat.1", "u/notes.dat.2"},
     1,
     0,
     0,
     {18},
     "XM"},
};

TEST(AnalysePurge, MarquesDesRevisionsEtDesFichiersAuxiliaires) {
    for (const CasMarques& c : Cas) {
        BancPurge banc;
        banc.liste(c.fichiers);
        banc.state.options.ValNbRev = c.nbRev;
        banc.state.options.ValNbRev1 = c.nbRev1;
        banc.state.options.ValMaitreSansInd = c.sansIndice;
        for (const int ligne : c.lignesCochees)
            banc.state.TabConf[std::size_t(ligne)].selection = 1;
        const PlanPurge plan = VisuPurge(banc.state, banc.lecteurs, banc.fs);
        EXPECT_EQ(banc.etats(), c.attendu) << c.nom;
        const qsizetype marquees = std::count_if(c.attendu.begin(), c.attendu.end(),
                                                 [](char e) { return e == 'X' || e == '-'; });
        EXPECT_EQ(plan.nbfich, marquees) << c.nom;
        EXPECT_EQ(CompteMarquees(banc.state), marquees) << c.nom;
        EXPECT_TRUE(banc.tree.tout().size() == qsizetype(c.fichiers.size())) << c.nom;
    }
}

TEST(AnalysePurge, LesLignesMontrentLaMarqueSuivieDeLEntree) {
    BancPurge banc;
    banc.liste({"p/piston.prt.1", "p/piston.prt.2", "p/model.xas", "p/seul.prt.4"});
    banc.selectionne({Prt, Xas});
    VisuPurge(banc.state, banc.lecteurs, banc.fs);
    EXPECT_EQ(TexteLigne(banc.state, 0), QStringLiteral(" X  C:\\p\\piston.prt.1"));
    EXPECT_EQ(TexteLigne(banc.state, 1), QStringLiteral(" M  C:\\p\\piston.prt.2"));
    EXPECT_EQ(TexteLigne(banc.state, 2), QStringLiteral(" --  C:\\p\\model.xas"));
    EXPECT_EQ(TexteLigne(banc.state, 3), QStringLiteral("      C:\\p\\seul.prt.4"));
}

TEST(AnalysePurge, LesMarquesALaMainSontLePointDeDepart) {
    BancPurge banc;
    banc.liste({"p/a.prt.1", "p/a.prt.2", "p/seul.prt.3", "p/autre.prt.1"});
    banc.selectionne({Prt});
    // Hand marks before the analysis: a group is decided again, a single file keeps its mark.
    banc.state.EtatMarque = {EtatVide, EtatX, EtatX, EtatVide};
    const PlanPurge plan = VisuPurge(banc.state, banc.lecteurs, banc.fs);
    EXPECT_EQ(banc.etats(), "XMX.");
    EXPECT_TRUE(plan.infos.contains(2)) << "a hand-marked file is read for the re-check";
}

TEST(AnalysePurge, LesTotauxParTypeComptentLesFichiersMarquesSaufLesTypesUtilisateur) {
    BancPurge banc;
    banc.tree.fichier(QStringLiteral("p/piston.prt.1"), QByteArray(10, 'a'));
    banc.tree.fichier(QStringLiteral("p/piston.prt.2"), QByteArray(20, 'b'));
    banc.tree.fichier(QStringLiteral("p/piston.prt.3"), QByteArray(30, 'c'));
    banc.tree.fichier(QStringLiteral("p/trail.txt.1"), QByteArray(5, 't'));
    banc.tree.fichier(QStringLiteral("p/trail.txt.2"), QByteArray(7, 't'));
    banc.tree.fichier(QStringLiteral("p/model.xas"), QByteArray(100, 'x'));
    banc.tree.fichier(QStringLiteral("p/notes.dat.1"), QByteArray(1000, 'n'));
    banc.tree.fichier(QStringLiteral("p/notes.dat.2"), QByteArray(2000, 'n'));
    banc.liste({"p/model.xas", "p/notes.dat.1", "p/notes.dat.2", "p/piston.prt.1", "p/piston.prt.2",
                "p/piston.prt.3", "p/trail.txt.1", "p/trail.txt.2"});
    banc.selectionne({Prt, Trail, Xas, 18});
    banc.state.TabConf[18].motif = QStringLiteral("*.dat.*");
    // Totals of an earlier analysis are cleared, on every row.
    banc.state.TabConf[20].octets = 77;
    banc.state.TabConf[5].nombre = 3;

    const PlanPurge plan = VisuPurge(banc.state, banc.lecteurs, banc.fs);
    EXPECT_EQ(banc.etats(), "-XMXXM--");
    EXPECT_EQ(plan.nbfich, 6);
    EXPECT_EQ(banc.state.TabConf[Prt].octets, 30);
    EXPECT_EQ(banc.state.TabConf[Prt].nombre, 2);
    EXPECT_EQ(banc.state.TabConf[Trail].octets, 12);
    EXPECT_EQ(banc.state.TabConf[Trail].nombre, 2);
    EXPECT_EQ(banc.state.TabConf[Xas].octets, 100);
    EXPECT_EQ(banc.state.TabConf[Xas].nombre, 1);
    for (int ligne = 18; ligne < NbLignesTypes; ++ligne) {
        EXPECT_EQ(banc.state.TabConf[std::size_t(ligne)].octets, 0) << ligne;
        EXPECT_EQ(banc.state.TabConf[std::size_t(ligne)].nombre, 0) << ligne;
    }
    EXPECT_EQ(banc.state.TabConf[5].nombre, 0);
    EXPECT_EQ(plan.totalOctets(), 142);
    EXPECT_EQ(plan.totalNombre(), 5);
    // The facts of every marked file, user types included, and of the two kept revisions
    // are kept for the re-check.
    EXPECT_EQ(banc.state.InfosLues.size(), 8);
    EXPECT_EQ(banc.state.InfosLues.value(1).taille, 1000);
    EXPECT_EQ(banc.state.InfosLues.value(3).taille, 10);
    EXPECT_EQ(*banc.fs.info(banc.tree.chemin(QStringLiteral("p/trail.txt.2"))),
              banc.state.InfosLues.value(7));
    EXPECT_EQ(*banc.fs.info(banc.tree.chemin(QStringLiteral("p/piston.prt.3"))),
              banc.state.InfosLues.value(5))
        << "a kept revision is read";
    EXPECT_TRUE(plan.avis.isEmpty());
}

TEST(AnalysePurge, UnFichierIllisibleEstHorsDesTotauxEtNommeDansUnAvis) {
    BancPurge banc;
    banc.liste({"p/a.prt.1", "p/a.prt.2", "p/a.prt.3"});
    banc.selectionne({Prt});
    ASSERT_TRUE(banc.fs.forceRemove(banc.tree.chemin(QStringLiteral("p/a.prt.1"))).ok());
    const PlanPurge plan = VisuPurge(banc.state, banc.lecteurs, banc.fs);
    EXPECT_EQ(banc.etats(), "XXM") << "the marks do not depend on the disk";
    EXPECT_EQ(plan.nbfich, 2);
    EXPECT_EQ(banc.state.TabConf[Prt].nombre, 1);
    EXPECT_EQ(banc.state.TabConf[Prt].octets, QByteArray("p/a.prt.2").size());
    EXPECT_EQ(plan.illisibles, std::vector<qint32>{0});
    EXPECT_FALSE(banc.state.InfosLues.contains(0));
    ASSERT_EQ(plan.avis.size(), 1);
    EXPECT_EQ(plan.avis[0],
              QStringLiteral("Taille illisible, fichier compté dans aucun total : C:\\p\\a.prt.1"));
}

TEST(AnalysePurge, LesTaillesSontLuesDansLeBonDossier) {
    TIDEMARK_SAUF_WINDOWS("folders ignore case there: names that differ only by case are one file");
    BancPurge banc;
    banc.tree.fichier(QStringLiteral("r.prt.1"), QByteArray(1, 'r'));
    banc.tree.fichier(QStringLiteral("a/x.prt.1"), QByteArray(3, 'a'));
    banc.tree.fichier(QStringLiteral("a/b/x.prt.1"), QByteArray(50, 'b'));
    banc.tree.fichier(QStringLiteral("A/x.prt.1"), QByteArray(700, 'A'));
    banc.liste({"r.prt.1", "r.prt.2", "a/x.prt.1", "a/x.prt.2", "a/b/x.prt.1", "a/b/x.prt.2",
                "A/x.prt.1", "A/x.prt.2"});
    banc.selectionne({Prt});
    const PlanPurge plan = VisuPurge(banc.state, banc.lecteurs, banc.fs);
    EXPECT_EQ(banc.etats(), "XMXMXMXM");
    EXPECT_EQ(banc.state.TabConf[Prt].octets, 1 + 3 + 50 + 700);
    EXPECT_EQ(banc.state.InfosLues.value(4).taille, 50);
    EXPECT_EQ(banc.state.InfosLues.value(6).taille, 700);
    EXPECT_TRUE(plan.avis.isEmpty()) << plan.avis.join(u'\n').toStdString();
}

TEST(AnalysePurge, LesNomsNusSontLusSousLeRepertoireDeBase) {
    BancPurge banc;
    banc.tree.fichier(QStringLiteral("proj/a.prt.1"), "12345");
    banc.tree.fichier(QStringLiteral("proj/a.prt.2"), "1");
    banc.state.TabFich = {QStringLiteral("a.prt.1"), QStringLiteral("a.prt.2")};
    banc.state.RepBase = QStringLiteral("C:\\proj");
    banc.state.EtatMarque.assign(2, EtatVide);
    banc.state.ListeDeFichiers = true;
    banc.selectionne({Prt});
    const PlanPurge plan = VisuPurge(banc.state, banc.lecteurs, banc.fs);
    EXPECT_EQ(banc.etats(), "XM");
    EXPECT_EQ(banc.state.TabConf[Prt].octets, 5);
    EXPECT_TRUE(plan.avis.isEmpty());
}

TEST(AnalysePurge, UneListeVideDonneDesTotauxNuls) {
    BancPurge banc;
    banc.state.ListeDeFichiers = false;
    banc.state.MessagesListe = {QStringLiteral("      aucun répertoire de recherche")};
    banc.state.TabConf[3].octets = 9;
    int appels = 0;
    const PlanPurge plan =
        VisuPurge(banc.state, banc.lecteurs, banc.fs, [&](qint64, qint64) { ++appels; });
    EXPECT_EQ(plan.nbfich, 0);
    EXPECT_EQ(plan.totalOctets(), 0);
    EXPECT_EQ(banc.state.TabConf[3].octets, 0);
    EXPECT_EQ(appels, 0);
    EXPECT_FALSE(banc.state.ListeDeFichiers) << "the list keeps showing its notices";
}

TEST(AnalysePurge, LAnalyseNeToucheNiLEtatNiLeDisque) {
    BancPurge banc;
    banc.liste({"p/a.prt.1", "p/a.prt.2", "p/a.xas"});
    banc.selectionne({Prt, Xas});
    const QStringList avant = banc.tree.tout();
    const PlanPurge plan = AnalysePurge(banc.state, banc.lecteurs, banc.fs);
    EXPECT_EQ(banc.etats(), "...");
    EXPECT_TRUE(banc.state.InfosLues.isEmpty());
    EXPECT_EQ(banc.state.TabConf[Prt].nombre, 0);
    EXPECT_EQ(banc.tree.tout(), avant);
    EXPECT_EQ(plan.nbfich, 2);
    for (int op = 0; op < int(OperationFs::Nombre); ++op)
        EXPECT_EQ(banc.plan.compte(OperationFs(op)), 0);

    // A plan made for another list is refused whole.
    banc.state.TabFich.pop_back();
    EXPECT_FALSE(AppliquePlan(banc.state, plan));
    EXPECT_EQ(banc.etats(), "...");
    EXPECT_TRUE(banc.state.InfosLues.isEmpty());
}

TEST(AnalysePurge, UneListeQuiMontraitDesMessagesMontreDeNouveauLesFichiers) {
    BancPurge banc;
    banc.liste({"p/a.prt.1", "p/a.prt.2"});
    banc.selectionne({Prt});
    banc.state.ListeDeFichiers = false;      // e.g. couples written in the list
    banc.state.EtatMarque = {EtatX, EtatX};  // not shown: not a starting point
    VisuPurge(banc.state, banc.lecteurs, banc.fs);
    EXPECT_TRUE(banc.state.ListeDeFichiers);
    EXPECT_EQ(banc.etats(), "XM");
}

TEST(AnalysePurge, LaProgressionFinitSurLaDerniereLigneDeChaquePasse) {
    BancPurge banc;
    std::vector<const char*> fichiers;
    std::vector<QByteArray> noms;
    for (int i = 1; i <= 1000; ++i)
        noms.push_back(QStringLiteral("p/a.prt.%1").arg(i, 4, 10, QChar(u'0')).toUtf8());
    for (const QByteArray& nom : noms) fichiers.push_back(nom.constData());
    banc.liste(fichiers);
    banc.selectionne({Prt});
    std::vector<std::tuple<EtapeAnalyse, qsizetype, qsizetype>> appels;
    VisuPurge(banc.state, banc.lecteurs, banc.fs, [&](qint64 v, qint64 t) {
        appels.emplace_back(EtapeAnalyse(v / 1000), v % 1000, t / 3);
    });
    ASSERT_FALSE(appels.empty());
    for (const EtapeAnalyse etape :
         {EtapeAnalyse::Revisions, EtapeAnalyse::Auxiliaires, EtapeAnalyse::Totaux}) {
        qsizetype precedente = -1, derniere = -1;
        int nombre = 0;
        for (const auto& [e, p, t] : appels) {
            if (e != etape)
                continue;
            ++nombre;
            EXPECT_EQ(t, 1000);
            EXPECT_GT(p, precedente);
            precedente = derniere = p;
        }
        EXPECT_EQ(derniere, 999) << int(etape);
        EXPECT_LE(nombre, 258) << "a few hundred calls, not one per entry";
    }
}

// A list long enough to be analysed in slices on several threads gives what analysing each
// directory on its own gives: slices never cut a group, and their results come back in list
// order. One group of 5,000 revisions lies across the middle of the list, where a cut would
// fall; two files vanish after the listing, one in each half.
TEST(AnalysePurge, UneLongueListeDonneCeQueDonneChaqueRepertoireAnalyseSeul) {
    BancPurge banc;
    std::vector<QByteArray> noms;
    std::vector<std::size_t> debutsRepertoires;
    for (int d = 0; d < 30; ++d) {
        debutsRepertoires.push_back(noms.size());
        const QByteArray rep = QByteArray("d") + QByteArray::number(d).rightJustified(2, '0');
        if (d == 15) {
            for (int r = 1; r <= 5000; ++r)
                noms.push_back(rep + "/long.prt." + QByteArray::number(r).rightJustified(4, '0'));
            continue;
        }
        for (int m = 0; m < 40; ++m) {
            for (int r = 1; r <= 1 + (m + d) % 6; ++r)
                noms.push_back(rep + "/m" + QByteArray::number(m) + ".prt." +
                               QByteArray::number(r));
        }
        for (int r = 1; r <= 4; ++r) noms.push_back(rep + "/trail.txt." + QByteArray::number(r));
        noms.push_back(rep + "/m0.xas");
        noms.push_back(rep + "/notes.doc.1");
        noms.push_back(rep + "/notes.doc.2");
    }
    // Hard links to seven files of different sizes: making ten thousand files with their own
    // inodes takes seconds on some file systems.
    for (int t = 0; t < 7; ++t)
        banc.tree.fichier(QStringLiteral("source%1").arg(t), QByteArray(t * 100 + 1, 'x'));
    banc.liste({});
    for (std::size_t i = 0; i < noms.size(); ++i) {
        const QString relatif = QString::fromUtf8(noms[i]);
        banc.tree.dossier(relatif.section(u'/', 0, 0));
        banc.tree.lienDur(QStringLiteral("source%1").arg(i % 7), relatif);
        banc.state.TabFich.push_back(BancPurge::Lecteur(relatif));
    }
    banc.state.EtatMarque.assign(noms.size(), EtatVide);
    banc.selectionne({Prt, Trail, Xas});
    banc.state.options.ValNbRev = 2;
    banc.state.options.ValNbRev1 = 0;
    ASSERT_TRUE(QFile::remove(banc.tree.chemin(QStringLiteral("d03/m1.prt.1"))));
    ASSERT_TRUE(QFile::remove(banc.tree.chemin(QStringLiteral("d27/m2.prt.1"))));
    debutsRepertoires.push_back(noms.size());

    // Each directory alone: a short list, one slice.
    std::vector<quint8> etats;
    std::array<qint64, NbLignesTypes> octets{}, nombres{};
    qsizetype nbfich = 0;
    std::vector<qint32> illisibles;
    QStringList avis;
    FaitsLus infos;
    for (std::size_t d = 0; d + 1 < debutsRepertoires.size(); ++d) {
        AppState seul = banc.state;
        const auto debut = qint32(debutsRepertoires[d]);
        seul.TabFich.assign(banc.state.TabFich.begin() + debut,
                            banc.state.TabFich.begin() + qint32(debutsRepertoires[d + 1]));
        seul.EtatMarque.assign(seul.TabFich.size(), EtatVide);
        const PlanPurge p = AnalysePurge(seul, banc.lecteurs, banc.fs);
        etats.insert(etats.end(), p.etats.begin(), p.etats.end());
        for (int l = 0; l < NbLignesTypes; ++l) {
            octets[std::size_t(l)] += p.octets[std::size_t(l)];
            nombres[std::size_t(l)] += p.nombres[std::size_t(l)];
        }
        nbfich += p.nbfich;
        for (const qint32 i : p.illisibles) illisibles.push_back(debut + i);
        avis.append(p.avis);
        for (qint32 i = 0; i < qint32(seul.TabFich.size()); ++i) {
            if (p.infos.contains(i))
                infos.insert(debut + i, p.infos.value(i));
        }
    }

    std::vector<std::tuple<EtapeAnalyse, qsizetype, qsizetype>> appels;
    const qint64 tous = qint64(noms.size());
    const PlanPurge plan = AnalysePurge(
        banc.state, banc.lecteurs, banc.fs,
        [&](qint64 v, qint64 t) { appels.emplace_back(EtapeAnalyse(v / tous), v % tous, t / 3); });
    EXPECT_EQ(plan.etats, etats);
    EXPECT_EQ(plan.octets, octets);
    EXPECT_EQ(plan.nombres, nombres);
    EXPECT_EQ(plan.nbfich, nbfich);
    EXPECT_EQ(plan.illisibles, illisibles);
    EXPECT_EQ(plan.avis, avis);
    EXPECT_EQ(plan.avis.size(), 2);
    ASSERT_EQ(plan.infos.size(), infos.size());
    for (qint32 i = 0; i < qint32(noms.size()); ++i)
        ASSERT_EQ(plan.infos.trouve(i) != nullptr, infos.contains(i)) << i;
    for (qint32 i = 0; i < qint32(noms.size()); ++i)
        ASSERT_EQ(plan.infos.value(i), infos.value(i)) << i;
    EXPECT_EQ(std::count(etats.begin() + qsizetype(debutsRepertoires[15]),
                         etats.begin() + qsizetype(debutsRepertoires[16]), EtatM),
              2)
        << "the long group is one group";

    // Progress still covers the whole list, pass by pass, in order.
    const auto n = qsizetype(noms.size());
    for (const EtapeAnalyse etape :
         {EtapeAnalyse::Revisions, EtapeAnalyse::Auxiliaires, EtapeAnalyse::Totaux}) {
        qsizetype precedente = -1;
        for (const auto& [e, p, t] : appels) {
            if (e != etape)
                continue;
            EXPECT_EQ(t, n);
            EXPECT_GT(p, precedente);
            precedente = p;
        }
        EXPECT_EQ(precedente, n - 1) << int(etape);
    }
}

}  // namespace
}  // namespace tidemark
