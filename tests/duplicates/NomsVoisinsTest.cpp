#include "duplicates/NomsVoisins.h"

#include "core/Drives.h"
#include "core/FileSystem.h"
#include "core/NomsFichier.h"
#include "inventory/Scan.h"
#include "tests/support/QtGtest.h"
#include "tests/support/TempTree.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>
#include <utility>
#include <vector>

namespace tidemark {
namespace {

using test::TempTree;
using Paires = std::vector<std::pair<qint32, qint32>>;

Paires Positions(const AppState& state) {
    Paires paires;
    for (const AppState::Couple& c : state.Couples) paires.emplace_back(c.premier, c.second);
    return paires;
}

ResultatVoisins Detecte(AppState& state, const QString& numCar, qint32 capacite = CapaciteCouples) {
    DemandeVoisins demande;
    demande.NumCar = numCar;
    demande.capacite = capacite;
    ResultatVoisins resultat = DetecteNomsVoisins(state, demande);
    if (resultat.effectue)
        state.Couples = resultat.couples;
    return resultat;
}

AppState Liste(std::initializer_list<const char16_t*> entrees) {
    AppState state;
    for (const char16_t* e : entrees) state.TabFich.push_back(QString::fromUtf16(e));
    return state;
}

TEST(NomsVoisins, LesRadicauxNeDifferentQuALaPositionChoisie) {
    const struct {
        const char* cas;
        std::initializer_list<const char16_t*> entrees;
        const char* numCar;
        Paires attendus;
    } lignes[] = {
        {"c = 3: piston and pizton",
         {u"C:\\a\\piston.prt.1", u"C:\\b\\pizton.prt.4"},
         "3",
         {{0, 1}}},
        {"lengths differ", {u"C:\\a\\piston.prt", u"C:\\b\\pistons.prt"}, "3", {}},
        {"another position differs too", {u"C:\\a\\piston.prt", u"C:\\b\\pizten.prt"}, "3", {}},
        {"head and tail without regard to case",
         {u"C:\\a\\PISTON.prt", u"C:\\b\\piZton.PRT.2"},
         "3",
         {{0, 1}}},
        {"c = 1: equal from the second character on",
         {u"C:\\a\\apiece.prt", u"C:\\b\\Bpiece.prt.2", u"C:\\c\\xpieceZ.prt",
          u"C:\\c\\cpiece.prt"},
         "1",
         {{0, 1}, {0, 3}, {1, 3}}},
        {"identical radicals, same directory",
         {u"C:\\a\\x.prt.1", u"C:\\a\\X.PRT.2"},
         "2",
         {{0, 1}}},
        {"identical radicals, far position", {u"C:\\a\\x.prt.1", u"C:\\b\\x.prt"}, "50", {{0, 1}}},
        {"beyond the length only identical radicals match",
         {u"C:\\a\\abc.prt", u"C:\\b\\abd.prt", u"C:\\c\\ABC.prt.3"},
         "8",
         {{0, 2}}},
        {"one radical ends before c, the other at c",
         {u"C:\\a\\abc.prt", u"C:\\b\\abc.prtx"},
         "8",
         {}},
        {"the last character itself",
         {u"C:\\a\\abc.prt", u"C:\\b\\abc.prx", u"C:\\c\\abc.prtx"},
         "7",
         {{0, 1}}},
        {"the dot of the type may differ", {u"C:\\a\\ab.cde", u"C:\\b\\ab_cde"}, "3", {{0, 1}}},
        {"bare names", {u"piston.prt.1", u"pizton.prt.2"}, "3", {{0, 1}}},
    };
    for (const auto& l : lignes) {
        AppState state = Liste(l.entrees);
        state.RepBase = QStringLiteral("C:\\w");
        const ResultatVoisins r = Detecte(state, QString::fromUtf8(l.numCar));
        EXPECT_TRUE(r.effectue) << l.cas;
        EXPECT_FALSE(r.refuse) << l.cas;
        EXPECT_EQ(r.couples.size(), l.attendus.size()) << l.cas;
        EXPECT_EQ(Positions(state), l.attendus) << l.cas;
    }
}

TEST(NomsVoisins, UnNumCarQuiNEstPasUnEntierDAuMoinsUnEstRefuse) {
    const struct {
        const char16_t* texte;
        const char16_t* motif;  // a piece of the reason
    } refus[] = {
        {u"", u"nombre entier"},       {u"   ", u"nombre entier"},  {u"abc", u"« abc »"},
        {u"2.5", u"« 2.5 »"},          {u"3x", u"« 3x »"},          {u"+3", u"« +3 »"},
        {u"0", u"inférieure à 1"},     {u"000", u"inférieure à 1"}, {u"-1", u"inférieure à 1"},
        {u"\uFF13", u"nombre entier"},  // a full-width digit
    };
    for (const auto& l : refus) {
        AppState state = Liste({u"C:\\a\\x.prt", u"C:\\b\\x.prt"});
        state.Couples = {{5, 6}};
        const ResultatVoisins r = Detecte(state, QString::fromUtf16(l.texte));
        const std::string cas = QString::fromUtf16(l.texte).toStdString();
        EXPECT_TRUE(r.refuse) << cas;
        EXPECT_FALSE(r.effectue) << cas;
        EXPECT_TRUE(r.motif.startsWith(u"Détection refusée : ")) << cas;
        EXPECT_TRUE(r.motif.contains(QString::fromUtf16(l.motif))) << r.motif.toStdString();
        ASSERT_EQ(state.Couples.size(), 1u) << cas;
        EXPECT_EQ(state.Couples[0].premier, 5) << cas;
    }

    const struct {
        const char16_t* texte;
        int position;
    } acceptes[] = {{u"3", 3}, {u" 3 ", 3}, {u"007", 7}, {u"1", 1}, {u"99999999999", INT_MAX}};
    for (const auto& l : acceptes) {
        const PositionLue lue = LitPosition(QString::fromUtf16(l.texte));
        ASSERT_TRUE(lue.position.has_value()) << QString::fromUtf16(l.texte).toStdString();
        EXPECT_EQ(*lue.position, l.position);
        EXPECT_TRUE(lue.motif.isEmpty());
    }
}

TEST(NomsVoisins, SansSousRepertoiresRienNeChangeEtSansCoupleLaListeEstVide) {
    AppState state = Liste({u"C:\\a\\x.prt", u"C:\\b\\x.prt"});
    state.Couples = {{5, 6}};
    DemandeVoisins demande;
    demande.NumCar = QStringLiteral("abc");
    demande.sousRepertoires = false;
    const ResultatVoisins r = DetecteNomsVoisins(state, demande);
    EXPECT_FALSE(r.effectue);
    EXPECT_FALSE(r.refuse);
    EXPECT_EQ(state.Couples.size(), 1u);

    state = Liste({u"C:\\a\\x.prt", u"C:\\b\\yy.prt"});
    state.Couples = {{5, 6}};
    EXPECT_TRUE(Detecte(state, QStringLiteral("1")).effectue);
    EXPECT_TRUE(state.Couples.empty());
}

TEST(NomsVoisins, LaCapaciteArreteLaDetection) {
    AppState state = Liste({u"C:\\a\\p.prt", u"C:\\b\\p.prt", u"C:\\c\\p.prt", u"C:\\d\\p.prt"});
    ResultatVoisins r = Detecte(state, QStringLiteral("1"), 4);
    EXPECT_TRUE(r.capaciteAtteinte);
    EXPECT_EQ(Positions(state), (Paires{{0, 1}, {0, 2}, {0, 3}, {1, 2}}));
    ASSERT_EQ(r.avis.size(), 1);
    EXPECT_TRUE(r.avis[0].contains(u"4"));
    r = Detecte(state, QStringLiteral("1"), 6);
    EXPECT_FALSE(r.capaciteAtteinte);
    EXPECT_EQ(state.Couples.size(), 6u);
    EXPECT_TRUE(r.avis.isEmpty());
}

// Head and tail as written for position c: the c - 1 first characters and everything after
// position c; the lengths must agree and nothing is left out beyond the end.
bool VoisinsReference(QStringView a, QStringView b, int c) {
    if (a.size() != b.size())
        return false;
    if (c > a.size())
        return MemeRadical(a, b);
    return MemeRadical(a.first(c - 1), b.first(c - 1)) && MemeRadical(a.sliced(c), b.sliced(c));
}

TEST(NomsVoisins, DonneLesCouplesDesBouclesImbriqueesDansLeurOrdre) {
    const char16_t alphabet[] = u"abAB.é";
    QRandomGenerator hasard(42);
    for (int essai = 0; essai < 20; ++essai) {
        AppState state;
        for (int k = 0; k < 150; ++k) {
            QString nom;
            const int longueur = 1 + hasard.bounded(4);
            for (int i = 0; i < longueur; ++i) nom += QChar(alphabet[hasard.bounded(6)]);
            state.TabFich.push_back(QStringLiteral("C:\\d%1\\").arg(hasard.bounded(3)) + nom);
        }
        const int c = 1 + hasard.bounded(6);
        Detecte(state, QString::number(c));
        Paires attendus;
        for (std::size_t i = 0; i < state.TabFich.size(); ++i) {
            for (std::size_t j = i + 1; j < state.TabFich.size(); ++j) {
                if (VoisinsReference(NomSansRevision(state.TabFich[i]),
                                     NomSansRevision(state.TabFich[j]), c))
                    attendus.emplace_back(qint32(i), qint32(j));
            }
        }
        ASSERT_FALSE(attendus.empty());
        EXPECT_EQ(Positions(state), attendus) << "try " << essai << ", c = " << c;
    }
}

TEST(NomsVoisins, LesLignesDeLaListeSuiventLeScan) {
    TempTree tree;
    tree.fichiers({"w/a/piston.prt.1", "w/b/pizton.prt.4", "w/b/carter.asm.2"});
    AppState state;
    state.FiltreFich = QStringLiteral("*.prt.*;*.asm.*");
    DemandeScan scan;
    scan.repertoire = QStringLiteral("C:\\w");
    scan.sousRepertoires = true;
    ScanSansDialogue sansDialogue;
    FileSystem fs;
    ASSERT_TRUE(
        Scan(state, scan, DriveMap::Depuis(QStringLiteral("C=") + tree.chemin()), fs, sansDialogue)
            .effectue);
    const ResultatVoisins r = Detecte(state, QStringLiteral("3"));
    EXPECT_EQ(r.position, 3);
    ASSERT_EQ(state.Couples.size(), 1u);
    EXPECT_EQ(TexteCouple1(state, 0), QStringLiteral("C:\\w\\a\\piston.prt.1"));
    EXPECT_EQ(TexteCouple2(state, 0), QStringLiteral("C:\\w\\b\\pizton.prt.4"));
}

}  // namespace
}  // namespace tidemark
