#include "core/Wildcard.h"
#include "tests/support/QtGtest.h"

#include <gtest/gtest.h>

namespace tidemark {
namespace {

struct LigneMotif {
    const char16_t* motifs;
    const char16_t* nom;
    bool attendu;
};

void PrintTo(const LigneMotif& l, std::ostream* os) {
    // ";" would split the test's name in CTest's lists.
    *os << QString::fromUtf16(l.motifs).replace(u';', u'|').toStdString() << " ~ "
        << QString::fromUtf16(l.nom).toStdString();
}

class WildcardTest : public ::testing::TestWithParam<LigneMotif> {};

TEST_P(WildcardTest, MatchesWholeNameWithoutCase) {
    const LigneMotif& l = GetParam();
    EXPECT_EQ(Wildcard(l.motifs).correspond(l.nom), l.attendu)
        << QString::fromUtf16(l.motifs).toStdString() << " / "
        << QString::fromUtf16(l.nom).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WildcardTest,
    ::testing::Values(
        LigneMotif{u"*.prt.*", u"piston.prt.3", true},
        LigneMotif{u"*.prt.*", u"PISTON.PRT.3", true}, LigneMotif{u"*.prt.*", u"piston.prt.", true},
        LigneMotif{u"*.prt.*", u"piston.prt", true}, LigneMotif{u"*.prt.*", u"piston.prtx", false},
        LigneMotif{u"*.prt.*", u"piston.asm.1", false}, LigneMotif{u"*.xas", u"a.xas.1", false},
        LigneMotif{u"*.xas", u"a.XAS", true}, LigneMotif{u"trail.txt.*", u"xtrail.txt.1", false},
        LigneMotif{u"trail.txt.*", u"TRAIL.TXT.12", true},
        LigneMotif{u"trail.txt.*", u"trail.txt", true},
        LigneMotif{u"*.prt.*;*.drw.*", u"plan.drw.2", true},
        LigneMotif{u"*.prt.*;*.drw.*", u"plan.asm.2", false},
        LigneMotif{u"p?ston.*", u"piston.prt", true}, LigneMotif{u"p?ston.*", u"pston.prt", false},
        LigneMotif{u"*", u"n'importe quoi", true}, LigneMotif{u"*.PRT.*", u"pièce.prt.1", true},
        LigneMotif{u"PIÈCE.*", u"pièce.prt", true}, LigneMotif{u"*a*b*c", u"xaxbxcxc", true},
        LigneMotif{u"*a*b*c", u"xaxbxcx", false}, LigneMotif{u"", u"a", false},
        LigneMotif{u";;", u"a", false}, LigneMotif{u"*.prt.*", u"prt", false},
        LigneMotif{u"*.xas", u"xas", false}, LigneMotif{u"*aab*", u"xaaab", true},
        LigneMotif{u"*ÉTÉ", u"lété", true}));

}  // namespace
}  // namespace tidemark
