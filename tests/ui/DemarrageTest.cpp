#include "core/Configurations.h"
#include "core/SettingsStore.h"
#include "tests/support/QtGtest.h"
#include "tests/support/TempTree.h"
#include "tests/ui/FenetreFixture.h"
#include "ui/Application.h"
#include "ui/FenetreAPropos.h"
#include "ui/Form1.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace tidemark {
namespace {

TEST(Demarrage, OpensTheMainWindowAndClosesTheAboutWindow) {
    MemorySettingsStore store;
    AppState exemple;
    exemple.TabConf[0].selection = 1;
    exemple.TabConf[2].selection = 1;
    SauveConfiguration(exemple, store, QStringLiteral("atelier"));
    store.save(SectionDemarrage, QStringLiteral("CurConf"), QStringLiteral("atelier"));

    Application application(store);
    application.demarre();
    ASSERT_NE(application.form1(), nullptr);
    EXPECT_TRUE(application.form1()->isVisible());
    EXPECT_EQ(application.form1()->windowTitle(), u"Velnor 2002/05 Tidemark v.1.05 du 25/11/2005");
    EXPECT_FALSE(application.aPropos()->isVisible());
    EXPECT_EQ(application.state().CurConf, u"atelier");
    EXPECT_EQ(application.state().FiltreFich, u"*.prt.*;*.drw.*");
}

TEST(Demarrage, FirstRunSelectsNothing) {
    MemorySettingsStore store;
    Application application(store);
    application.demarre();
    EXPECT_EQ(application.state().CurConf, u"");
    EXPECT_EQ(application.state().FiltreFich, u"*");
}

TEST(Demarrage, UnreadableSettingsFileIsSaidOnceTheWindowIsUp) {
    TIDEMARK_SAUF_WINDOWS("no named pipe or /dev/zero to put in a folder");
    test::ConfigTemporaire config;
    config.piege(QStringLiteral("Tidemark/Tidemark.conf"), test::TempTree::Piege::Tube);
    QtSettingsStore store;
    test::DialoguesTest dialogues;
    Application application(store, &dialogues);
    application.demarre();
    EXPECT_TRUE(application.form1()->isVisible());
    EXPECT_EQ(dialogues.erreurs,
              QStringList(QStringLiteral("Tidemark|") + store.avertissement() + u'|'));
}

TEST(APropos, ShowsNameAndVersionAndClosesOnClickOrKey) {
    FenetreAPropos fenetre;
    QStringList textes;
    for (QLabel* label : fenetre.findChildren<QLabel*>()) textes.append(label->text());
    EXPECT_TRUE(textes.contains(u"Tidemark"));
    EXPECT_TRUE(textes.contains(u"Version : 1.05 du 25/11/2005"));

    fenetre.show();
    QTest::mouseClick(fenetre.findChild<QLabel*>(QStringLiteral("LbVersion")), Qt::LeftButton);
    EXPECT_FALSE(fenetre.isVisible());

    fenetre.show();
    QTest::keyClick(&fenetre, Qt::Key_Space);
    EXPECT_FALSE(fenetre.isVisible());
}

}  // namespace
}  // namespace tidemark
