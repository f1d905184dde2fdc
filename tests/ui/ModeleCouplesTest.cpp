#include "core/AppState.h"
#include "core/Drives.h"
#include "session/ContenusCouples.h"
#include "ui/ModeleCouples.h"

#include <gtest/gtest.h>

#include <vector>

namespace tidemark::test {
namespace {

using M = ModeleCouples;

TEST(ModeleCouples, SortsOnEachColumnAndEveryRowKeepsItsCoupleNumber) {
    AppState state;
    state.CheminComplet = true;
    state.TabFich = {"C:\\w\\a\\p.prt.1", "C:\\w\\a\\q.prt.1", "C:\\w\\a\\r.prt.1",
                     "C:\\w\\b\\p.prt.2", "C:\\w\\b\\q.prt.2", "C:\\w\\b\\r.prt.2"};
    state.Couples = {{0, 3}, {1, 4}, {2, 5}};
    // Sizes and times (s) of the first files 30/3, 10/1, 30/2; of the second 5, 7 and none.
    const qint64 tailles[] = {30, 10, 30, 5, 7};
    const qint64 temps[] = {3, 1, 2, 9, 9};
    for (qint32 p = 0; p < 5; ++p)
        state.InfosLues.insert(p, {tailles[p], temps[p] * 1000000000, false, 1, quint64(p)});
    const DriveMap lecteurs = DriveMap::Depuis(u"C=/nonexistent-tidemark");
    ContenusCouples contenus(lecteurs);
    ModeleCouples modele(state, contenus);
    modele.rafraichit();

    const struct {
        int colonne;
        Qt::SortOrder ordre;
        std::vector<qint32> couples;  // row after row
    } cas[] = {
        {M::Taille1, Qt::AscendingOrder, {1, 0, 2}},   // a tie keeps the couples' order
        {M::Taille1, Qt::DescendingOrder, {0, 2, 1}},  // descending too
        {M::Taille2, Qt::AscendingOrder, {2, 0, 1}},   // no facts first
        {M::Date1, Qt::DescendingOrder, {0, 2, 1}},    // the newest first
        {M::Chemin2, Qt::DescendingOrder, {2, 1, 0}},  // the list's order, backwards
        {-1, Qt::AscendingOrder, {0, 1, 2}},
    };
    for (const auto& c : cas) {
        modele.sort(c.colonne, c.ordre);
        std::vector<qint32> lus;
        for (int r = 0; r < modele.rowCount(); ++r) lus.push_back(modele.couple(r));
        EXPECT_EQ(lus, c.couples) << c.colonne << ' ' << c.ordre;
        EXPECT_EQ(modele.rangee(std::size_t(c.couples[1])), 1);
    }
    EXPECT_EQ(modele.index(1, M::Chemin2).data().toString(), u"C:\\w\\b\\q.prt.2");
    EXPECT_EQ(modele.index(1, M::Taille1).data().toString(), u"10");
    EXPECT_FALSE(modele.index(2, M::Taille2).data().isValid());
    // What a narrow column may leave out: "C:\w\", the folders both paths begin with.
    EXPECT_EQ(modele.index(0, M::Chemin1).data(M::RolePrefixeCommun).toInt(), 5);

    // Cut down to a pair's couples, sorted as chosen last; the numbers stay the table's.
    modele.sort(M::Taille1, Qt::DescendingOrder);
    modele.restreint({1, 2});
    ASSERT_EQ(modele.rowCount(), 2);
    EXPECT_EQ(modele.couple(0), 2);
    EXPECT_EQ(modele.couple(1), 1);
    EXPECT_EQ(modele.rangee(0), -1);
}

}  // namespace
}  // namespace tidemark::test
