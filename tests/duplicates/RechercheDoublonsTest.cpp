#include "duplicates/RechercheDoublons.h"

#include "core/Drives.h"
#include "core/FileSystem.h"
#include "core/NomsFichier.h"
#include "inventory/Scan.h"
#include "tests/support/QtGtest.h"
#include "tests/support/TempTree.h"

#include <QFile>
#include <QHash>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>
#include <vector>

#include <unistd.h>

namespace tidemark {
namespace {

using test::TempTree;
using Paire = std::pair<QString, QString>;

// A temporary tree mounted as drive C:, listed from C:\w with every subdirectory.
struct Arbre {
    TempTree tree;
    DriveMap lecteurs = DriveMap::Depuis(QStringLiteral("C=") + tree.chemin());
    FileSystem fs;
    AppState state;

    explicit Arbre(std::initializer_list<const char*> fichiers = {}) {
        for (const char* f : fichiers) tree.fichier(QStringLiteral("w/") + QString::fromUtf8(f));
        tree.dossier(QStringLiteral("w"));
    }
    void scanne() {
        state.FiltreFich = QStringLiteral("*");
        DemandeScan demande;
        demande.repertoire = QStringLiteral("C:\\w");
        demande.sousRepertoires = true;
        ScanSansDialogue sansDialogue;
        ASSERT_TRUE(Scan(state, demande, lecteurs, fs, sansDialogue).effectue);
    }
    ResultatRecherche cherche(qint32 capacite = CapaciteCouples) {
        DemandeRecherche demande;
        demande.repertoire = QStringLiteral("C:\\w");
        demande.capacite = capacite;
        return RechercheMultiples(state, demande, lecteurs, fs);
    }
    std::vector<Paire> couples() const {
        std::vector<Paire> paires;
        for (std::size_t k = 0; k < state.Couples.size(); ++k)
            paires.emplace_back(TexteCouple1(state, k), TexteCouple2(state, k));
        return paires;
    }
    void lienDur(const char* cible, const char* lien) {
        tree.lienDur(QString::fromUtf8(cible), QString::fromUtf8(lien));
    }
};

QString W(const char16_t* relatif) {
    return QStringLiteral("C:\\w\\") + QString::fromUtf16(relatif);
}

TEST(RechercheDoublons, UnCoupleJointDeuxFichiersDeMemeRadicalDansDeuxRepertoires) {
    TIDEMARK_SAUF_WINDOWS("folders ignore case there: names that differ only by case are one file");
    const struct {
        const char* cas;
        std::initializer_list<const char*> fichiers;
        std::vector<Paire> attendus;
    } lignes[] = {
        {"the radicals compare without regard to case",
         {"a/piston.prt.3", "b/PISTON.PRT.7"},
         {{W(u"a\\piston.prt.3"), W(u"b\\PISTON.PRT.7")}}},
        {"x.prt and x.prt.2 share the radical x.prt",
         {"a/x.prt", "b/x.prt.2"},
         {{W(u"a\\x.prt"), W(u"b\\x.prt.2")}}},
        {"x.prt and x.asm differ", {"a/x.prt", "b/x.asm"}, {}},
        {"one dot keeps its suffix",
         {"a/plan.drw", "b/plan.drw.1"},
         {{W(u"a\\plan.drw"), W(u"b\\plan.drw.1")}}},
        {"three files give three couples in order",
         {"a/p.prt.1", "b/p.prt.2", "c/p.prt.3"},
         {{W(u"a\\p.prt.1"), W(u"b\\p.prt.2")},
          {W(u"a\\p.prt.1"), W(u"c\\p.prt.3")},
          {W(u"b\\p.prt.2"), W(u"c\\p.prt.3")}}},
        {"revisions side by side in one directory are no couple", {"a/p.prt.1", "a/p.prt.2"}, {}},
        {"two revisions against one other directory",
         {"a/p.prt.1", "a/p.prt.2", "b/P.prt.9"},
         {{W(u"a\\p.prt.1"), W(u"b\\P.prt.9")}, {W(u"a\\p.prt.2"), W(u"b\\P.prt.9")}}},
        {"sibling folders that differ by case are two directories",
         {"A/p.prt.1", "a/p.prt.2"},
         {{W(u"A\\p.prt.1"), W(u"a\\p.prt.2")}}},
        {"couples ordered by the first file, then the second",
         {"a/y.prt", "a/x.prt", "b/x.prt.2", "b/y.prt.4"},
         {{W(u"a\\x.prt"), W(u"b\\x.prt.2")}, {W(u"a\\y.prt"), W(u"b\\y.prt.4")}}},
        {"a file of the base directory and one below it",
         {"p.prt", "sous/p.prt.1"},
         {{W(u"p.prt"), W(u"sous\\p.prt.1")}}},
        {"accented letters fold too",
         {"a/ÉTÉ.prt", "b/été.prt.2"},
         {{W(u"a\\ÉTÉ.prt"), W(u"b\\été.prt.2")}}},
        {"the Kelvin sign folds to k",
         {"a/\u212Aelvin.prt", "b/kelvin.prt"},
         {{W(u"a\\\u212Aelvin.prt"), W(u"b\\kelvin.prt")}}},
        {"a name without a dot is its own radical",
         {"a/Makefile", "b/makefile"},
         {{W(u"a\\Makefile"), W(u"b\\makefile")}}},
        {"unrelated names", {"a/p.prt.1", "b/q.prt.1", "c/pp.prt.1"}, {}},
    };
    for (const auto& l : lignes) {
        Arbre arbre(l.fichiers);
        arbre.scanne();
        const ResultatRecherche r = arbre.cherche();
        EXPECT_TRUE(r.effectuee) << l.cas;
        EXPECT_FALSE(r.capaciteAtteinte) << l.cas;
        EXPECT_EQ(r.couples, qint64(l.attendus.size())) << l.cas;
        EXPECT_EQ(arbre.couples(), l.attendus) << l.cas;
    }
}

TEST(RechercheDoublons, UnFichierAtteintParDeuxCheminsNeFaitPasDeCouple) {
    TIDEMARK_SAUF_WINDOWS("symbolic links need a privilege an ordinary user lacks");
    Arbre arbre({"a/h.prt.1", "c/h.prt.2", "a/s.prt", "a/d.prt.1"});
    arbre.tree.dossier(QStringLiteral("w/b"));
    arbre.lienDur("w/a/h.prt.1", "w/b/h.prt.1");                                   // a hard link
    arbre.tree.lien(QStringLiteral("w/b/s.prt.3"), QStringLiteral("../a/s.prt"));  // a link
    arbre.tree.lien(QStringLiteral("w/lien"), QStringLiteral("a"));  // a folder reached twice
    arbre.scanne();
    // The scan does not follow the folder link; config.pro search paths may name both.
    arbre.state.TabFich.push_back(W(u"lien\\d.prt.1"));
    arbre.cherche();
    const std::vector<Paire> attendus = {{W(u"a\\h.prt.1"), W(u"c\\h.prt.2")},
                                         {W(u"b\\h.prt.1"), W(u"c\\h.prt.2")}};
    EXPECT_EQ(arbre.couples(), attendus);
}

TEST(RechercheDoublons, DeuxFichiersDeMemeTailleEtMemeDateRestentDeuxFichiers) {
    // A copy that kept its date: only the identity tells it from a second name of one file.
    Arbre arbre({"a/e.prt.1", "b/e.prt.2", "c/e.prt.3"});
    for (const char* f : {"w/a/e.prt.1", "w/b/e.prt.2", "w/c/e.prt.3"})
        arbre.tree.date(QString::fromUtf8(f), 1'100'000'000);
    ASSERT_TRUE(QFile::remove(arbre.tree.chemin(QStringLiteral("w/c/e.prt.3"))));
    arbre.lienDur("w/a/e.prt.1", "w/c/e.prt.3");
    arbre.scanne();
    arbre.cherche();
    const std::vector<Paire> attendus = {{W(u"a\\e.prt.1"), W(u"b\\e.prt.2")},
                                         {W(u"b\\e.prt.2"), W(u"c\\e.prt.3")}};
    EXPECT_EQ(arbre.couples(), attendus);
}

TEST(RechercheDoublons, UnLienQuiNeMeneNullePartResteUnFichierDistinct) {
    TIDEMARK_SAUF_WINDOWS("symbolic links need a privilege an ordinary user lacks");
    Arbre arbre({"a/z.prt.1"});
    arbre.tree.lien(QStringLiteral("w/b/z.prt.2"), QStringLiteral("nulle-part"));
    arbre.scanne();
    arbre.cherche();
    const std::vector<Paire> attendus = {{W(u"a\\z.prt.1"), W(u"b\\z.prt.2")}};
    EXPECT_EQ(arbre.couples(), attendus);
}

// The nested loops of the plain comparison: every entry against every later one.
std::vector<std::pair<qint32, qint32>> Reference(const AppState& state, const DriveMap& lecteurs) {
    std::vector<std::pair<qint32, qint32>> couples;
    const std::size_t n = state.TabFich.size();
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j) {
            if (!MemeRadical(NomSansRevision(state.TabFich[i]),
                             NomSansRevision(state.TabFich[j])) ||
                MemeRepertoire(RepertoireEntree(state, i), RepertoireEntree(state, j)))
                continue;
            const auto a = FileSystem().identity(*lecteurs.versHote(CheminEntree(state, i)));
            const auto b = FileSystem().identity(*lecteurs.versHote(CheminEntree(state, j)));
            if (a && b && *a != *b)
                couples.emplace_back(qint32(i), qint32(j));
        }
    }
    return couples;
}

TEST(RechercheDoublons, DonneLesCouplesDesBouclesImbriqueesDansLeurOrdre) {
    const char* const dossiers[] = {"M", "m", "m/sous", "n", "o/p/q", ""};
    const char* const radicaux[] = {"piston.prt", "PISTON.prt", "carter.asm", "plan.drw",
                                    "trail.txt",  "vis.prt",    "Vis.PRT",    "axe"};
    // The last tree is large enough for the files to be read ahead on two threads.
    for (const auto& [graine, fichiers] : {std::pair{1u, 120}, {2u, 120}, {3u, 120}, {4u, 900}}) {
        QRandomGenerator hasard(graine);
        Arbre arbre;
        for (int k = 0; k < fichiers; ++k) {
            const QString dossier = QString::fromUtf8(dossiers[hasard.bounded(6)]);
            QString nom = QString::fromUtf8(radicaux[hasard.bounded(8)]);
            if (hasard.bounded(3) > 0)
                nom += u'.' + QString::number(hasard.bounded(1, 9));
            const QString relatif = (dossier.isEmpty() ? QString() : dossier + u'/') + nom;
            if (!arbre.tree.existe(QStringLiteral("w/") + relatif))
                arbre.tree.fichier(QStringLiteral("w/") + relatif);
        }
        arbre.tree.fichier(QStringLiteral("w/n/solo.prt.1"));
        arbre.lienDur("w/n/solo.prt.1", "w/o/solo.prt.1");
        arbre.scanne();
        // A directory met twice, as a config.pro naming it twice would list it.
        const std::size_t n = arbre.state.TabFich.size();
        for (std::size_t i = 0; i < n; i += 7)
            arbre.state.TabFich.push_back(arbre.state.TabFich[i]);
        arbre.state.TabFich.push_back(W(u"M\\absent\\piston.prt.1"));  // not on disk

        arbre.cherche();
        const auto attendus = Reference(arbre.state, arbre.lecteurs);
        ASSERT_GT(attendus.size(), 50u);
        std::vector<std::pair<qint32, qint32>> trouves;
        for (const AppState::Couple& c : arbre.state.Couples)
            trouves.emplace_back(c.premier, c.second);
        EXPECT_EQ(trouves, attendus) << "seed " << graine;
    }
}

TEST(RechercheDoublons, LaRangeeDonneLesDeuxChemins) {
    Arbre arbre({"a/x.prt.1", "b/x.prt.2"});
    arbre.scanne();
    arbre.cherche();
    ASSERT_EQ(arbre.state.Couples.size(), 1u);
    const RangeeListV rangee = RangeeCouple(arbre.state, 0);
    EXPECT_EQ(rangee.premier, W(u"a\\x.prt.1"));
    EXPECT_EQ(rangee.second, W(u"b\\x.prt.2"));
}

TEST(RechercheDoublons, LaRechercheSArreteAuDelaDeLaCapacite) {
    // One radical in four directories: six couples.
    const struct {
        qint32 capacite;
        bool atteinte;
        std::size_t gardes;
    } lignes[] = {{3, true, 3}, {5, true, 5}, {6, false, 6}, {100, false, 6}, {0, true, 0}};
    for (const auto& l : lignes) {
        Arbre arbre({"a/p.prt.1", "b/p.prt.2", "c/p.prt.3", "d/p.prt.4"});
        arbre.scanne();
        const ResultatRecherche r = arbre.cherche(l.capacite);
        EXPECT_EQ(r.capaciteAtteinte, l.atteinte) << l.capacite;
        ASSERT_EQ(arbre.state.Couples.size(), l.gardes) << l.capacite;
        const std::vector<Paire> tous = {
            {W(u"a\\p.prt.1"), W(u"b\\p.prt.2")}, {W(u"a\\p.prt.1"), W(u"c\\p.prt.3")},
            {W(u"a\\p.prt.1"), W(u"d\\p.prt.4")}, {W(u"b\\p.prt.2"), W(u"c\\p.prt.3")},
            {W(u"b\\p.prt.2"), W(u"d\\p.prt.4")}, {W(u"c\\p.prt.3"), W(u"d\\p.prt.4")}};
        EXPECT_EQ(arbre.couples(), std::vector<Paire>(tous.begin(), tous.begin() + l.gardes));
        EXPECT_LE(arbre.state.Couples.capacity(), arbre.state.Couples.size() + 1);
        if (l.atteinte) {
            EXPECT_TRUE(r.avis[0].contains(QString::number(l.capacite)));
            EXPECT_EQ(r.avis, QStringList{TexteCapaciteAtteinte(l.capacite).trimmed()});
        } else {
            EXPECT_TRUE(r.avis.isEmpty());
        }
    }
}

TEST(RechercheDoublons, SansSousRepertoiresRienNeChange) {
    Arbre arbre({"a/p.prt.1", "b/p.prt.2"});
    arbre.scanne();
    arbre.state.Couples = {{7, 9}};
    arbre.state.InfosLues.insert(3, InfoFichier{});
    DemandeRecherche demande;
    demande.sousRepertoires = false;
    const ResultatRecherche r = RechercheMultiples(arbre.state, demande, arbre.lecteurs, arbre.fs);
    EXPECT_FALSE(r.effectuee);
    ASSERT_EQ(arbre.state.Couples.size(), 1u);
    EXPECT_EQ(arbre.state.Couples[0].premier, 7);
    EXPECT_EQ(arbre.state.InfosLues.size(), 1);
}

TEST(RechercheDoublons, UneListeDeZeroOuUnFichierNeDonneAucunCouple) {
    for (auto fichiers : {std::initializer_list<const char*>{}, {"a/p.prt.1"}}) {
        Arbre arbre(fichiers);
        arbre.scanne();
        arbre.state.Couples = {{0, 0}};
        const ResultatRecherche r = arbre.cherche();
        EXPECT_TRUE(r.effectuee);
        EXPECT_TRUE(arbre.state.Couples.empty());
        EXPECT_TRUE(r.avis.isEmpty());
    }
}

TEST(RechercheDoublons, LitLesFichiersDesRadicauxPresentsDansDeuxRepertoiresSeulement) {
    Arbre arbre;
    arbre.tree.fichier(QStringLiteral("w/a/p.prt.1"), "12345");
    arbre.tree.fichier(QStringLiteral("w/a/seul.prt.1"));
    arbre.tree.fichier(QStringLiteral("w/a/seul.prt.2"));
    arbre.tree.fichier(QStringLiteral("w/b/p.prt.2"), "12");
    arbre.tree.date(QStringLiteral("w/b/p.prt.2"), 1'000'000'000);
    arbre.scanne();
    arbre.state.InfosLues.insert(99, InfoFichier{});  // left by an earlier analysis
    arbre.cherche();
    // Entries: a\p.prt.1, a\seul.prt.1, a\seul.prt.2, b\p.prt.2.
    ASSERT_EQ(arbre.state.TabFich.size(), 4u);
    EXPECT_EQ(arbre.state.InfosLues.size(), 2);
    ASSERT_TRUE(arbre.state.InfosLues.contains(0));
    ASSERT_TRUE(arbre.state.InfosLues.contains(3));
    EXPECT_EQ(arbre.state.InfosLues.value(0).taille, 5);
    EXPECT_EQ(arbre.state.InfosLues.value(3).taille, 2);
    EXPECT_EQ(arbre.state.InfosLues.value(3).modificationNs, 1'000'000'000LL * 1'000'000'000LL);
}

// Enough entries in groups of two folders or more to be read ahead on two threads, two
// folders each: every entry gets its own file's facts, in the second half as in the first
// (and the tsan preset sees the two threads share the work).
TEST(RechercheDoublons, UneLongueListeLueSurDeuxFilsDonneAChaqueEntreeSesFaits) {
    Arbre arbre;
    QHash<QString, qint64> tailles;
    for (int k = 0; k < 600; ++k) {
        const QString relatif = QStringLiteral("d%1/m%2.prt.%3").arg(k % 4).arg(k / 4).arg(k % 4);
        arbre.tree.fichier(QStringLiteral("w/") + relatif, QByteArray(1 + k % 97, 'x'));
        tailles.insert(QStringLiteral("C:\\w\\") + QString(relatif).replace(u'/', u'\\'),
                       1 + k % 97);
    }
    arbre.scanne();
    arbre.cherche();
    ASSERT_EQ(arbre.state.TabFich.size(), 600u);
    ASSERT_EQ(arbre.state.InfosLues.size(), 600);
    for (std::size_t i = 0; i < arbre.state.TabFich.size(); ++i) {
        const QString& entree = arbre.state.TabFich[i];
        EXPECT_EQ(arbre.state.InfosLues.value(qint32(i)).taille, tailles.value(entree))
            << entree.toStdString();
    }
}

TEST(RechercheDoublons, UneEntreeIllisibleNEntreDansAucunCoupleEtEstSignalee) {
    Arbre arbre({"a/q.prt.1", "b/q.prt.2", "c/q.prt.3"});
    arbre.scanne();
    ASSERT_TRUE(QFile::remove(arbre.tree.chemin(QStringLiteral("w/b/q.prt.2"))));
    const ResultatRecherche r = arbre.cherche();
    const std::vector<Paire> attendus = {{W(u"a\\q.prt.1"), W(u"c\\q.prt.3")}};
    EXPECT_EQ(arbre.couples(), attendus);
    ASSERT_EQ(r.illisibles.size(), 1u);
    EXPECT_EQ(r.illisibles[0].position, 1);
    EXPECT_FALSE(r.illisibles[0].raison.isEmpty());
    ASSERT_EQ(r.avis.size(), 1);
    EXPECT_TRUE(r.avis[0].startsWith(u"1 fichier n'a pas pu être lu")) << r.avis[0].toStdString();
    EXPECT_TRUE(r.avis[0].contains(W(u"b\\q.prt.2"))) << r.avis[0].toStdString();
}

TEST(RechercheDoublons, LaProgressionAvanceSansAppelParEntree) {
    Arbre arbre;
    for (int k = 0; k < 600; ++k)
        arbre.tree.fichier(QStringLiteral("w/d%1/f%2.prt.1").arg(k % 3).arg(k));
    arbre.scanne();
    std::vector<std::pair<qint64, qint64>> appels;
    DemandeRecherche demande;
    demande.progression = [&](qint64 valeur, qint64 nombre) {
        appels.emplace_back(valeur, nombre);
    };
    RechercheMultiples(arbre.state, demande, arbre.lecteurs, arbre.fs);
    ASSERT_FALSE(appels.empty());
    EXPECT_EQ(appels.front(), std::make_pair(qint64(0), qint64(600)));
    EXPECT_LE(appels.size(), 300u);
    for (std::size_t k = 1; k < appels.size(); ++k) {
        EXPECT_GT(appels[k].first, appels[k - 1].first);
        EXPECT_LT(appels[k].first, 600);
    }
}

TEST(RechercheDoublons, LesRepertoiresSeComparentCommeLeSystemeDeFichiers) {
    const struct {
        const char16_t* a;
        const char16_t* b;
        bool meme;
    } lignes[] = {
        {u"C:\\w\\a", u"C:\\w\\a", true},
        {u"C:\\w\\a", u"c:\\w\\a", true},
        {u"C:\\W\\A", u"c:\\w\\a", false},
        {u"C:\\w\\A", u"C:\\w\\a", false},
        {u"C:\\w", u"C:\\w\\", false},
        {u"C:\\w", u"D:\\w", false},
        {u"C:", u"c:", true},
        {u"", u"", true},
    };
    for (const auto& l : lignes)
        EXPECT_EQ(MemeRepertoire(QString::fromUtf16(l.a), QString::fromUtf16(l.b)), l.meme)
            << QString::fromUtf16(l.a).toStdString() << " / "
            << QString::fromUtf16(l.b).toStdString();

    AppState state;
    state.TabFich = {QStringLiteral("p.prt"), QStringLiteral("C:\\x\\q.prt")};
    state.RepBase = QStringLiteral("C:\\w");
    EXPECT_EQ(RepertoireEntree(state, 0), QStringView(u"C:\\w"));
    EXPECT_EQ(RepertoireEntree(state, 1), QStringView(u"C:\\x"));
    state.RepBase = QStringLiteral("C:\\");
    EXPECT_EQ(RepertoireEntree(state, 0), NomRepertoire(CheminEntree(state, 0)));
}

TEST(RechercheDoublons, LeHachageSuitLaComparaisonSansCasse) {
    const struct {
        const char16_t* a;
        const char16_t* b;
    } lignes[] = {{u"PISTON.prt", u"piston.PRT"},
                  {u"ÉTÉ", u"été"},
                  {u"\u212A", u"k"},
                  {u"\u017F", u"S"},
                  {u"\u1E9E", u"ß"},
                  {u"\U00010400", u"\U00010428"}};
    for (const auto& l : lignes) {
        const QString a = QString::fromUtf16(l.a);
        const QString b = QString::fromUtf16(l.b);
        ASSERT_TRUE(MemeRadical(a, b)) << a.toStdString();
        EXPECT_EQ(HachageSansCasse(a, 7), HachageSansCasse(b, 7)) << a.toStdString();
    }
    EXPECT_NE(HachageSansCasse(u"piston.prt"), HachageSansCasse(u"pistons.prt"));
}

}  // namespace
}  // namespace tidemark
