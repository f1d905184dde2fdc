#include "core/Configurations.h"
#include "core/Demarrage.h"
#include "core/Reglages.h"
#include "tests/support/QtGtest.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

namespace tidemark {
namespace {

const QString Exemple =
    QStringLiteral("1|0|1|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|*.bak|1||0||0|0|1|2|0|");

// prt and drw selected, *.bak selected, read-only off, unnumbered first on, keep 2 and 0.
AppState EtatExemple() {
    AppState state;
    state.TabConf[0].selection = 1;
    state.TabConf[2].selection = 1;
    state.TabConf[18].motif = QStringLiteral("*.bak");
    state.TabConf[18].selection = 1;
    state.options = {0, 1, 2, 0};
    return state;
}

TEST(Configurations, ExampleIsSavedAndReloadedByteForByte) {
    test::ConfigTemporaire config;
    QtSettingsStore store;
    ASSERT_EQ(SauveConfiguration(EtatExemple(), store, QStringLiteral("atelier")), u"");
    EXPECT_EQ(store.get(SectionDemarrage, QStringLiteral("_atelier")), Exemple);

    AppState relu;
    relu.TabConf[5].selection = 1;  // overwritten by the load
    relu.TabConf[3].octets = 77;    // totals are not touched by a load
    ChargeConfiguration(relu, store, QStringLiteral("atelier"));
    EXPECT_EQ(TexteConfiguration(relu.TabConf, relu.options), Exemple);
    EXPECT_EQ(relu.TabConf[3].octets, 77);
    EXPECT_EQ(relu.TabConf[5].selection, 0);
    EXPECT_EQ(ConstruitFiltre(relu.TabConf), u"*.prt.*;*.drw.*;*.bak");
}

TEST(Configurations, EmptyUserPatternReloadsEmptyWithItsSelection) {
    AppState state;
    state.TabConf[19].selection = 1;
    const QString texte = TexteConfiguration(state.TabConf, state.options);
    EXPECT_TRUE(texte.contains(u"||0||1||0|"));
    AppState relu;
    relu.TabConf[19].motif = QStringLiteral("*.old");
    LitConfiguration(texte, relu.TabConf, relu.options);
    EXPECT_EQ(relu.TabConf[19].motif, u"");
    EXPECT_EQ(relu.TabConf[19].selection, 1);
}

TEST(Configurations, MalformedValuesLoadWhatTheyCan) {
    struct Cas {
        const char* texte;
        int prt, asm_, nbRev, nbRev1, caches;
    };
    const Cas cas[] = {
        // Letters where numbers go: leading digits, else 0; kept counts clamped.
        {"x|1|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|||||||abc|0|0|-4|", 0, 1, 1, 0, 0},
        // Missing final "|": the last field is still read.
        {"1|1|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|||||||1|0|3|2", 1, 1, 3, 2, 1},
        // Too few fields: later targets keep their reset values.
        {"1|", 1, 0, 1, 0, 0},
        // Too many fields: every field from the 28th on goes to the aux count.
        {"0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|||||||0|0|5|1|2|9|", 0, 0, 5, 9, 0},
        // A stored 0 model revisions never reaches the analysis.
        {"0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|||||||0|0|0|0|", 0, 0, 1, 0, 0},
        // Empty fields leave the reset values and still advance.
        {"||1|", 0, 0, 1, 0, 0},
        {"garbage", 0, 0, 1, 0, 0},
    };
    for (const Cas& c : cas) {
        AppState state;
        state.options.ValCaches = 0;
        state.TabConf[1].selection = 1;
        LitConfiguration(QString::fromLatin1(c.texte), state.TabConf, state.options);
        SCOPED_TRACE(c.texte);
        EXPECT_EQ(state.TabConf[0].selection, c.prt);
        EXPECT_EQ(state.TabConf[1].selection, c.asm_);
        EXPECT_EQ(state.options.ValNbRev, c.nbRev);
        EXPECT_EQ(state.options.ValNbRev1, c.nbRev1);
        EXPECT_EQ(state.options.ValCaches, c.caches);
    }
    AppState state;
    LitConfiguration(QStringLiteral("||1|"), state.TabConf, state.options);
    EXPECT_EQ(state.TabConf[2].selection, 1);
}

TEST(Configurations, LoadingAnUnknownNameKeepsTheTableAndResetsCounts) {
    MemorySettingsStore store;
    AppState state = EtatExemple();
    state.options.ValNbRev = 5;
    state.options.ValNbRev1 = 3;
    ChargeConfiguration(state, store, QStringLiteral("inconnue"));
    EXPECT_EQ(state.TabConf[0].selection, 1);
    EXPECT_EQ(state.TabConf[18].motif, u"*.bak");
    EXPECT_EQ(state.options.ValNbRev, 1);
    EXPECT_EQ(state.options.ValNbRev1, 0);
    EXPECT_EQ(state.options.ValMaitreSansInd, 1);  // kept when not set by a configuration
}

TEST(Configurations, NamesAreSortedWithoutCaseAndUnlimited) {
    MemorySettingsStore store;
    AppState state;
    for (const char* nom : {"gamma", "beta", "Alpha"})
        SauveConfiguration(state, store, QString::fromLatin1(nom));
    store.save(SectionDemarrage, QStringLiteral("toppos"), QStringLiteral("1"));
    RafraichitNoms(state, store);
    EXPECT_EQ(state.ListConf, (QStringList{"Alpha", "beta", "gamma"}));

    for (int i = 0; i < 20; ++i)
        SauveConfiguration(state, store, QStringLiteral("n%1").arg(i, 2, 10, QChar(u'0')));
    SauveConfiguration(state, store, QStringLiteral("BETA"));  // same key as beta
    RafraichitNoms(state, store);
    EXPECT_EQ(state.ListConf.size(), 23);
    EXPECT_EQ(state.ListConf.first(), u"Alpha");
    EXPECT_EQ(state.ListConf.last(), u"n19");
    EXPECT_EQ(NomStocke(state.ListConf, QStringLiteral("ALPHA")), u"Alpha");
    EXPECT_EQ(NomStocke(state.ListConf, QStringLiteral("delta")), u"");
}

TEST(Configurations, SaveAndEraseRefuseWhatWouldBeLost) {
    MemorySettingsStore store;
    AppState state;
    EXPECT_EQ(SauveConfiguration(state, store, QString()), u"");
    EXPECT_FALSE(SauveConfiguration(state, store, QStringLiteral("a/b")).isEmpty());
    EXPECT_FALSE(SauveConfiguration(state, store, QStringLiteral("a\\b")).isEmpty());
    state.TabConf[20].motif = QStringLiteral("*.x|y");
    EXPECT_TRUE(SauveConfiguration(state, store, QStringLiteral("tube")).contains(u"|"));
    EXPECT_TRUE(store.getAll(SectionDemarrage).isEmpty());

    state.TabConf[20].motif.clear();
    SauveConfiguration(state, store, QStringLiteral("tube"));
    EffaceConfiguration(store, QStringLiteral("autre"));
    EffaceConfiguration(store, QString());
    EXPECT_EQ(store.getAll(SectionDemarrage).size(), 1);
    EffaceConfiguration(store, QStringLiteral("TUBE"));
    EXPECT_TRUE(store.getAll(SectionDemarrage).isEmpty());
}

TEST(Demarrage, LoadsTheCurrentConfigurationFromTheStore) {
    MemorySettingsStore store;
    AppState premier = EtatInitial(store);
    EXPECT_EQ(premier.CurConf, u"");
    EXPECT_EQ(ConstruitFiltre(premier.TabConf), u"*");
    EXPECT_EQ(premier.options.ValNbRev, 1);

    SauveConfiguration(EtatExemple(), store, QStringLiteral("Atelier"));
    store.save(SectionDemarrage, QStringLiteral("curconf"), QStringLiteral("atelier"));
    const AppState state = EtatInitial(store);
    EXPECT_EQ(state.CurConf, u"atelier");
    EXPECT_EQ(state.ListConf, QStringList{"Atelier"});
    EXPECT_EQ(ConstruitFiltre(state.TabConf), u"*.prt.*;*.drw.*;*.bak");
    EXPECT_EQ(state.options.ValNbRev, 2);
    EXPECT_TRUE(state.FiltreFich.isEmpty());
}

}  // namespace
}  // namespace tidemark
