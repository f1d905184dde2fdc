#include "inventory/Marquage.h"

#include "core/Identite.h"
#include "tests/support/QtGtest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tidemark {
namespace {

// A listed state: one entry per state character ('.' 0, 'X' 1, 'M' 2, '-' 3).
AppState Liste(const std::vector<const char*>& entrees, const std::string& etats) {
    AppState state;
    for (const char* entree : entrees) state.TabFich.push_back(QString::fromUtf8(entree));
    for (const char c : etats)
        state.EtatMarque.push_back(c == 'X'   ? EtatX
                                   : c == 'M' ? EtatM
                                   : c == '-' ? EtatTiret
                                              : EtatVide);
    state.ListeDeFichiers = true;
    return state;
}

std::string Etats(const AppState& state) {
    std::string s;
    for (const quint8 e : state.EtatMarque)
        s += e == EtatX ? 'X' : e == EtatM ? 'M' : e == EtatTiret ? '-' : '.';
    return s;
}

const std::vector<const char*> Entrees = {
    "C:\\proj\\axe.prt.1",    "C:\\proj\\axe.prt.2",   "C:\\proj\\piston.prt.1",
    "C:\\proj\\piston.prt.2", "C:\\proj\\trail.txt.4", "C:\\proj\\model.xas",
};

TEST(Marquage, LaLigneEstLaMarqueSuivieDeLEntreeEntiere) {
    const AppState state = Liste(Entrees, ".XM-..");
    EXPECT_EQ(TexteLigne(state, 0), QStringLiteral("      C:\\proj\\axe.prt.1"));
    EXPECT_EQ(TexteLigne(state, 1), QStringLiteral(" X  C:\\proj\\axe.prt.2"));
    EXPECT_EQ(TexteLigne(state, 2), QStringLiteral(" M  C:\\proj\\piston.prt.1"));
    EXPECT_EQ(TexteLigne(state, 3), QStringLiteral(" --  C:\\proj\\piston.prt.2"));
}

TEST(Marquage, CompteLesLignesEnEtat1Ou3) {
    EXPECT_EQ(CompteMarquees(Liste(Entrees, ".XM-X.")), 3);
    EXPECT_EQ(CompteMarquees(Liste(Entrees, "MMMM..")), 0);
    EXPECT_EQ(CompteMarquees(AppState{}), 0);
}

TEST(Marquage, CocherBasculeLesLignesChoisiesSeulement) {
    struct Cas {
        const char* nom;
        std::string avant;
        QList<int> selection;
        std::string apres;
        qsizetype nbfich;
    };
    const Cas cas[] = {
        {"marque une ligne vide", "......", {2}, "..X...", 1},
        {"tout état non nul devient vide", ".XM-..", {1, 2, 3}, "......", 0},
        {"aucune sélection ne change rien mais recompte", ".X.-..", {}, ".X.-..", 2},
        {"une ligne donnée deux fois est basculée une fois", "......", {4, 4}, "....X.", 1},
        {"les lignes hors de la liste sont ignorées", "......", {-1, 6, 99, 0}, "X.....", 1},
    };
    for (const Cas& c : cas) {
        AppState state = Liste(Entrees, c.avant);
        EXPECT_EQ(Cocher(state, c.selection), c.nbfich) << c.nom;
        EXPECT_EQ(Etats(state), c.apres) << c.nom;
        EXPECT_EQ(state.TabFich.size(), Entrees.size()) << c.nom;
    }
}

TEST(Marquage, InverserDeuxFoisRendLesLignes0Et1EtVideLesAutres) {
    AppState state = Liste(Entrees, ".XM-X.");
    EXPECT_EQ(Inverser(state), 2);
    EXPECT_EQ(Etats(state), "X....X");
    EXPECT_EQ(Inverser(state), 4);
    EXPECT_EQ(Etats(state), ".XXXX.") << "the M and -- lines come back as plain X";
    // The lines that were 0 or 1 are exactly as before.
    const std::string avant = ".XM-X.";
    const std::string apres = Etats(state);
    for (std::size_t i = 0; i < avant.size(); ++i) {
        if (avant[i] == '.' || avant[i] == 'X') {
            EXPECT_EQ(apres[i], avant[i]) << i;
        }
    }
}

TEST(Marquage, AjouterEtEnleverSuiventLeFiltreSurLaLigneEntiere) {
    struct Cas {
        const char* nom;
        bool ajouter;
        const char16_t* filtre;
        std::string avant;
        std::string apres;
    };
    const Cas cas[] = {
        {"filtre vide: toute ligne vide est marquée", true, u"", ".XM-..", "XXM-XX"},
        {"filtre vide: toute ligne en 1 est démarquée", false, u"", "XXM-X.", "..M-.."},
        {"sans regard à la casse", true, u"PISTON", "......", "..XX.."},
        {"les lignes en 2 et 3 ne sont pas marquées", true, u"piston", "..M-..", "..M-.."},
        // " X  " carries an X: every line in state 1 matches "x", whatever its entry.
        {"« X » trouve la marque", false, u"x", "XXXX.X", "......"},
        {"« X » trouve aussi les x des entrées", true, u"X", "......", "XX..XX"},
        {"Enlever laisse les états 2 et 3", false, u"x", "MM--XX", "MM--.."},
        // A filter may straddle the mark and the entry.
        {"à cheval sur la marque vide", true, u"  c:\\proj\\axe", "......", "XX...."},
        {"à cheval sur la marque X", false, u"x  c:\\proj\\p", "XXXX..", "XX...."},
        {"un filtre absent ne change rien", true, u"moteur", ".X....", ".X...."},
    };
    for (const Cas& c : cas) {
        AppState state = Liste(Entrees, c.avant);
        const QString filtre = QString::fromUtf16(c.filtre);
        const qsizetype n = c.ajouter ? Ajouter(state, filtre) : Enlever(state, filtre);
        EXPECT_EQ(Etats(state), c.apres) << c.nom;
        EXPECT_EQ(n, CompteMarquees(state)) << c.nom;
    }
}

TEST(Marquage, RienNeChangeQuandLaListeNeMontrePasDeFichiers) {
    AppState state = Liste(Entrees, ".X....");
    state.ListeDeFichiers = false;
    EXPECT_EQ(Cocher(state, {0, 2}), 0);
    EXPECT_EQ(Inverser(state), 0);
    EXPECT_EQ(Ajouter(state, u""), 0);
    EXPECT_EQ(Enlever(state, u""), 0);
    EXPECT_EQ(Etats(state), ".X....");
    EXPECT_EQ(EtatDeLigne(state, 1), EtatVide);
}

TEST(Marquage, ListeVideEtEtatsManquants) {
    AppState vide;
    vide.ListeDeFichiers = true;
    EXPECT_EQ(Inverser(vide), 0);
    EXPECT_EQ(Ajouter(vide, u"x"), 0);
    EXPECT_TRUE(vide.EtatMarque.empty());

    // A list whose states were never set counts as all blank and gets one state per entry.
    AppState state = Liste(Entrees, "");
    EXPECT_EQ(CompteMarquees(state), 0);
    EXPECT_EQ(Cocher(state, {5}), 1);
    EXPECT_EQ(Etats(state), ".....X");
}

}  // namespace
}  // namespace tidemark
