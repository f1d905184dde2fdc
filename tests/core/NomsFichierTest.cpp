#include "core/NomsFichier.h"
#include "tests/support/QtGtest.h"

#include <gtest/gtest.h>

namespace tidemark {
namespace {

struct LigneNom {
    const char16_t* entree;
    const char16_t* nom;
    const char16_t* repertoire;
    const char16_t* sansRevision;
    const char16_t* type;
    int revision;          // flag not set
    int revisionAvecFlag;  // flag set
};

void PrintTo(const LigneNom& l, std::ostream* os) {
    *os << QString::fromUtf16(l.entree).toStdString();
}

class NomsFichierTest : public ::testing::TestWithParam<LigneNom> {};

TEST_P(NomsFichierTest, CutsTheEntry) {
    const LigneNom& l = GetParam();
    const QString entree = QString::fromUtf16(l.entree);
    EXPECT_EQ(NomFichier(entree), QStringView(l.nom));
    EXPECT_EQ(NomRepertoire(entree), QStringView(l.repertoire));
    EXPECT_EQ(NomSansRevision(entree), QStringView(l.sansRevision));
    EXPECT_EQ(TypeFichier(entree), QStringView(l.type));
    EXPECT_EQ(NumRevision(entree, false), l.revision);
    EXPECT_EQ(NumRevision(entree, true), l.revisionAvecFlag);
}

INSTANTIATE_TEST_SUITE_P(
    Table, NomsFichierTest,
    ::testing::Values(
        LigneNom{u"C:\\proj\\piston.prt.12", u"piston.prt.12", u"C:\\proj", u"piston.prt", u"prt",
                 12, 12},
        LigneNom{u"piston.prt.3", u"piston.prt.3", u"", u"piston.prt", u"prt", 3, 3},
        LigneNom{u"C:\\proj\\trail.txt.7", u"trail.txt.7", u"C:\\proj", u"trail.txt", u"txt", 7, 7},
        LigneNom{u"C:\\proj\\piston.prt", u"piston.prt", u"C:\\proj", u"piston.prt", u"prt", 0,
                 100000},
        LigneNom{u"C:\\proj\\pièce.xas", u"pièce.xas", u"C:\\proj", u"pièce.xas", u"xas", 0,
                 100000},
        LigneNom{u"C:\\proj\\a.b.c.4", u"a.b.c.4", u"C:\\proj", u"a.b.c", u"b.c", 4, 4},
        LigneNom{u"C:\\proj\\LISEZMOI", u"LISEZMOI", u"C:\\proj", u"LISEZMOI", u"", 0, 0},
        LigneNom{u"C:\\arch.2\\moteur", u"moteur", u"C:\\arch.2", u"moteur", u"", 0, 0},
        // An entry ending in "\" has an empty name part.
        LigneNom{u"C:\\proj\\", u"", u"C:\\proj", u"", u"", 0, 0},
        // In a drive root the directory has no trailing "\".
        LigneNom{u"C:\\x.prt.1", u"x.prt.1", u"C:", u"x.prt", u"prt", 1, 1},
        // A trailing dot after a type: two dots, empty suffix.
        LigneNom{u"piston.prt.", u"piston.prt.", u"", u"piston.prt", u"prt", 0, 0},
        // A single trailing dot: one dot.
        LigneNom{u"piston.", u"piston.", u"", u"piston.", u"", 0, 100000},
        LigneNom{u".prt.2", u".prt.2", u"", u".prt", u"prt", 2, 2},
        // A non-numeric suffix groups with the numbered revisions of the same radical.
        LigneNom{u"piston.prt.bak", u"piston.prt.bak", u"", u"piston.prt", u"prt", 0, 0},
        LigneNom{u"a..5", u"a..5", u"", u"a.", u"", 5, 5},
        LigneNom{u"piston.prt.3a", u"piston.prt.3a", u"", u"piston.prt", u"prt", 3, 3},
        // Beyond a 32-bit number the value saturates instead of wrapping round.
        LigneNom{u"p.prt.99999999999999", u"p.prt.99999999999999", u"", u"p.prt", u"prt",
                 2147483647, 2147483647}));

TEST(ValeurEntiere, ReadsLeadingDigitsAfterSpaces) {
    EXPECT_EQ(ValeurEntiere(u"12"), 12);
    EXPECT_EQ(ValeurEntiere(u"  7x"), 7);
    EXPECT_EQ(ValeurEntiere(u""), 0);
    EXPECT_EQ(ValeurEntiere(u"bak"), 0);
    EXPECT_EQ(ValeurEntiere(u"-3"), 0);
    EXPECT_EQ(ValeurEntiere(u"2147483647"), 2147483647);
    EXPECT_EQ(ValeurEntiere(u"2147483648"), 2147483647);
}

// The quick comparison answers as the library's comparison that folds case, every pair of a
// set of names with ASCII case pairs, accents, the Kelvin sign and the long s (which fold to
// "k" and "s"), a pair of surrogates and texts of different lengths.
TEST(EgauxSansCasse, RepondCommeLaComparaisonDeLaBibliotheque) {
    const QString textes[] = {
        u"piston.prt"_qs,  u"PISTON.PRT"_qs,  u"Piston.Prt"_qs,  u"piston.prs"_qs,
        u"piston.prt "_qs, u"k.prt"_qs,       u"\u212A.prt"_qs,  u"K.PRT"_qs,
        u"s"_qs,           u"\u017F"_qs,      u"S"_qs,           u"été"_qs,
        u"ÉTÉ"_qs,         u"ete"_qs,         u"ß"_qs,           u"ss"_qs,
        u"\U0001D400a"_qs, u"\U0001D400A"_qs, u"\U0001D401a"_qs, u""_qs,
        u"@"_qs,           u"`"_qs,           u"["_qs,           u"{"_qs};
    int egaux = 0;
    for (const QString& a : textes) {
        for (const QString& b : textes) {
            const bool attendu = a.compare(b, Qt::CaseInsensitive) == 0;
            EXPECT_EQ(EgauxSansCasse(a, b), attendu) << a.toStdString() << " / " << b.toStdString();
            egaux += attendu && a != b;
        }
    }
    EXPECT_GE(egaux, 10) << "the set holds pairs that differ only by case";
}

}  // namespace
}  // namespace tidemark
