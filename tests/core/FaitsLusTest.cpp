#include "core/FaitsLus.h"

#include <gtest/gtest.h>

namespace tidemark {
namespace {

InfoFichier Taille(qint64 taille) {
    InfoFichier info;
    info.taille = taille;
    return info;
}

TEST(FaitsLus, RangeParPositionDansNImporteQuelOrdre) {
    FaitsLus faits;
    EXPECT_EQ(faits.trouve(0), nullptr);
    faits.insert(7, Taille(70));
    faits.insert(2, Taille(20));
    faits.insert(400000, Taille(4));
    faits.insert(7, Taille(71));  // read again: replaced, not counted twice
    EXPECT_EQ(faits.size(), 3);
    EXPECT_EQ(faits.value(7).taille, 71);
    EXPECT_EQ(faits.value(2).taille, 20);
    EXPECT_EQ(faits.value(400000).taille, 4);
    for (const qint32 absente : {-1, 0, 3, 8, 399999, 400001})
        EXPECT_FALSE(faits.contains(absente)) << absente;
    EXPECT_EQ(faits.value(3), InfoFichier{});

    // Reserving keeps what is there and adds nothing.
    faits.reserve(500000);
    EXPECT_EQ(faits.size(), 3);
    EXPECT_EQ(faits.value(2).taille, 20);
    faits.clear();
    EXPECT_TRUE(faits.isEmpty());
    EXPECT_FALSE(faits.contains(2));
}

TEST(FaitsLus, UneCopieNeChangeQuAvecCeQuOnLuiFait) {
    FaitsLus plan;
    plan.insert(1, Taille(10));
    FaitsLus etat = plan;  // shared until one of them changes
    etat.insert(1, Taille(11));
    etat.insert(5, Taille(50));
    EXPECT_EQ(plan.value(1).taille, 10);
    EXPECT_FALSE(plan.contains(5));
    EXPECT_EQ(plan.size(), 1);
    EXPECT_EQ(etat.value(1).taille, 11);
    EXPECT_EQ(etat.size(), 2);

    FaitsLus vide = etat;
    vide.clear();
    EXPECT_EQ(etat.size(), 2);
    plan.insert(9, Taille(90));
    EXPECT_FALSE(etat.contains(9));
}

}  // namespace
}  // namespace tidemark
