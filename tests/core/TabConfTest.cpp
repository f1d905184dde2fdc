#include "core/Identite.h"
#include "core/TabConf.h"
#include "tests/support/QtGtest.h"

#include <gtest/gtest.h>

namespace tidemark {
namespace {

TEST(TabConf, StartsWithTheFixedTypesAndNothingSelected) {
    const TableTypes table = TabConfInitiale();
    EXPECT_EQ(table[0].motif, u"*.prt.*");
    EXPECT_EQ(table[0].cle, u"prt");
    EXPECT_EQ(table[8].motif, u"trail.txt.*");
    EXPECT_EQ(table[8].cle, u"txt");
    EXPECT_EQ(table[13].motif, u"*.m_p");
    EXPECT_EQ(table[17].cle, u"idx");
    for (int i = 0; i < NbLignesTypes; ++i) {
        EXPECT_EQ(table[i].selection, 0);
        EXPECT_EQ(table[i].octets, 0);
        EXPECT_EQ(table[i].nombre, 0);
        EXPECT_EQ(table[i].cle.isEmpty(), i >= NbTypesFixes);
        EXPECT_EQ(table[i].motif.isEmpty(), i >= NbTypesFixes);
    }
}

TEST(TabConf, PatternListJoinsSelectedRowsInOrder) {
    TableTypes table = TabConfInitiale();
    EXPECT_EQ(ConstruitFiltre(table), u"*");
    table[2].selection = 1;
    table[0].selection = 1;
    EXPECT_EQ(ConstruitFiltre(table), u"*.prt.*;*.drw.*");
    // A user row counts only with both a pattern and a selection of exactly 1.
    table[18].motif = QStringLiteral("*.bak");
    EXPECT_EQ(ConstruitFiltre(table), u"*.prt.*;*.drw.*");
    table[19].selection = 1;
    EXPECT_EQ(ConstruitFiltre(table), u"*.prt.*;*.drw.*");
    table[18].selection = 1;
    EXPECT_EQ(ConstruitFiltre(table), u"*.prt.*;*.drw.*;*.bak");
    table[0].selection = 2;
    EXPECT_EQ(ConstruitFiltre(table), u"*.drw.*;*.bak");
}

TEST(TabConf, LooksUpFixedRowsByKeyWithoutCase) {
    TableTypes table = TabConfInitiale();
    EXPECT_EQ(LigneDuType(table, u"PRT"), 0);
    EXPECT_EQ(LigneDuType(table, u"txt"), 8);
    EXPECT_EQ(LigneDuType(table, u"idx"), 17);
    EXPECT_EQ(LigneDuType(table, u""), -1);
    EXPECT_EQ(LigneDuType(table, u"bak"), -1);
}

TEST(Identite, TextsAreExact) {
    EXPECT_EQ(identite::Version(), u"1.05");
    EXPECT_EQ(identite::TitreFenetrePrincipale(), u"Velnor 2002/05 Tidemark v.1.05 du 25/11/2005");
    EXPECT_EQ(MarqueVide.size(), 6);
    EXPECT_EQ(MarqueX, u" X  ");
    EXPECT_EQ(MarqueM, u" M  ");
    EXPECT_EQ(MarqueTiret, u" --  ");
}

}  // namespace
}  // namespace tidemark
