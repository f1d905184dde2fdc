#include "core/Reglages.h"
#include "core/SettingsStore.h"
#include "tests/support/QtGtest.h"
#include "tests/support/TempTree.h"

#include <QDirIterator>
#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

#include <memory>

namespace tidemark {
namespace {

// The same behaviour is asked of the real store and of the in-memory one.
class SettingsStoreTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (GetParam())
            store_ = std::make_unique<QtSettingsStore>();
        else
            store_ = std::make_unique<MemorySettingsStore>();
    }
    test::ConfigTemporaire config_;  // before store_: the real store reads it when made
    std::unique_ptr<SettingsStore> store_;
};

TEST_P(SettingsStoreTest, KeysAreOneWithoutRegardToCase) {
    store_->save(SectionDemarrage, QStringLiteral("curconf"), QStringLiteral("atelier"));
    EXPECT_EQ(store_->get(SectionDemarrage, QStringLiteral("CurConf")), u"atelier");
    store_->save(SectionDemarrage, QStringLiteral("CURCONF"), QStringLiteral("bureau"));
    EXPECT_EQ(store_->get(SectionDemarrage, QStringLiteral("curConf")), u"bureau");
    const QList<PaireReglage> tout = store_->getAll(SectionDemarrage);
    ASSERT_EQ(tout.size(), 1);
    EXPECT_EQ(tout[0].first, u"curconf");  // the first spelling is kept
    EXPECT_EQ(tout[0].second, u"bureau");
    store_->remove(SectionDemarrage, QStringLiteral("CurConf"));
    EXPECT_TRUE(store_->getAll(SectionDemarrage).isEmpty());
}

TEST_P(SettingsStoreTest, MissingKeysGiveTheDefault) {
    EXPECT_EQ(store_->get(SectionDemarrage, QStringLiteral("absent"), QStringLiteral("d")), u"d");
    EXPECT_TRUE(store_->getAll(QStringLiteral("vide")).isEmpty());
    store_->remove(SectionDemarrage, QStringLiteral("absent"));  // nothing happens
    EXPECT_TRUE(store_->getAll(SectionDemarrage).isEmpty());
}

TEST_P(SettingsStoreTest, GetAllListsEveryKeyWithItsValue) {
    store_->save(SectionDemarrage, QStringLiteral("_beta"), QStringLiteral("1|"));
    store_->save(SectionDemarrage, QStringLiteral("toppos"), QStringLiteral("12"));
    store_->save(SectionDemarrage, QStringLiteral("_Alpha"), QStringLiteral("2|"));
    QStringList cles;
    for (const PaireReglage& paire : store_->getAll(SectionDemarrage))
        cles.append(paire.first + u'=' + paire.second);
    cles.sort();
    EXPECT_EQ(cles, (QStringList{"_Alpha=2|", "_beta=1|", "toppos=12"}));
}

INSTANTIATE_TEST_SUITE_P(Backends, SettingsStoreTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "QSettings" : "Memory"; });

TEST(QtSettingsStore, PersistsUnderTheApplicationNameAsPlainText) {
    test::ConfigTemporaire config;
    {
        QtSettingsStore store;
        store.save(SectionDemarrage, QStringLiteral("OptPurge"), TexteBooleen(true));
        store.save(SectionDemarrage, QStringLiteral("_atelier"), QStringLiteral("1|0|"));
    }
    QtSettingsStore relu;
    EXPECT_EQ(relu.get(SectionDemarrage, QStringLiteral("optpurge")), u"True");
    EXPECT_EQ(relu.get(SectionDemarrage, QStringLiteral("_ATELIER")), u"1|0|");
#ifdef _WIN32
    // In the registry, under the current user, as text.
    const QSettings registre(QStringLiteral("HKEY_CURRENT_USER\\Software\\Tidemark\\Tidemark"),
                             QSettings::NativeFormat);
    EXPECT_EQ(registre.value(SectionDemarrage + QStringLiteral("/OptPurge")).toString(), u"True");
#else
    EXPECT_TRUE(QFile::exists(config.chemin() + QStringLiteral("/Tidemark/Tidemark.conf")));
#endif
}

TEST(QtSettingsStore, UnreadableFileGivesDefaultsInMemoryAndAWarning) {
    TIDEMARK_SAUF_WINDOWS("the settings are in the registry, no file to spoil");
    // The organisation's file, read too, past the bound.
    test::ConfigTemporaire config;
    config.piege(QStringLiteral("Tidemark.conf"), test::TempTree::Piege::Enorme,
                 LimiteReglages + 1);
    QtSettingsStore store;
    EXPECT_TRUE(store.avertissement().startsWith(
        "Réglages non lus : « " + config.chemin("Tidemark.conf") + " » dépasse 16 Mo."));
    store.save(SectionDemarrage, QStringLiteral("CurConf"), QStringLiteral("atelier"));
    EXPECT_EQ(store.get(SectionDemarrage, QStringLiteral("curconf")), u"atelier");
    EXPECT_EQ(config.tout(), QStringList{"Tidemark.conf"});  // nothing written
    QFile::remove(config.chemin("Tidemark.conf"));
    EXPECT_EQ(QtSettingsStore().avertissement(), u"");
}

TEST(Reglages, EmptyStoreGivesEveryDefault) {
    MemorySettingsStore store;
    EXPECT_EQ(reglages::LitPosition(store, reglages::TopPos), 1416.0f);
    EXPECT_EQ(reglages::LitPosition(store, reglages::LeftPos), 2964.0f);
    EXPECT_EQ(reglages::LitPosition(store, reglages::TopPos2), 1416.0f);
    EXPECT_EQ(reglages::LitPosition(store, reglages::LeftPos2), 2964.0f);
    EXPECT_EQ(reglages::Lit(store, reglages::Opt), u"Repert");
    EXPECT_EQ(reglages::Lit(store, reglages::MemRepert), u"c:\\");
    EXPECT_FALSE(reglages::LitBooleen(store, reglages::OptPurge));
    EXPECT_FALSE(reglages::LitBooleen(store, reglages::OptDouble));
    EXPECT_TRUE(reglages::LitBooleen(store, reglages::Form2V));
    EXPECT_EQ(reglages::Lit(store, reglages::CurConf), u"");
}

TEST(Reglages, BooleansAndPositionsReadBack) {
    MemorySettingsStore store;
    for (const char* vrai : {"True", "true", "TRUE", " True "}) {
        store.save(SectionDemarrage, reglages::OptDouble, QString::fromLatin1(vrai));
        EXPECT_TRUE(reglages::LitBooleen(store, reglages::OptDouble)) << vrai;
    }
    for (const char* autre : {"False", "oui", "1", "", "Truee"}) {
        store.save(SectionDemarrage, reglages::OptDouble, QString::fromLatin1(autre));
        EXPECT_FALSE(reglages::LitBooleen(store, reglages::OptDouble)) << autre;
    }
    reglages::SauvePosition(store, reglages::TopPos, 1234.5f);
    EXPECT_EQ(store.get(SectionDemarrage, QStringLiteral("toppos")), u"1234.5");
    EXPECT_EQ(reglages::LitPosition(store, reglages::TopPos), 1234.5f);
    store.save(SectionDemarrage, reglages::LeftPos, QStringLiteral("à gauche"));
    EXPECT_EQ(reglages::LitPosition(store, reglages::LeftPos), 2964.0f);
}

}  // namespace
}  // namespace tidemark
