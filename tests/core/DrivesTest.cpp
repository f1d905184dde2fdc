#include "core/Drives.h"
#include "core/FileSystem.h"
#include "core/SettingsStore.h"
#include "tests/support/QtGtest.h"
#include "tests/support/TempTree.h"

#include <QDir>

#include <gtest/gtest.h>

namespace tidemark {
namespace {

DriveMap CarteAnn() {
    return DriveMap::Depuis(u"C=/home/ann; z=/ ;D=/mnt/data/;x=relatif;7=/x;=/y");
}

TEST(Drives, ParsesTheEnvironmentForm) {
    const DriveMap carte = CarteAnn();
    EXPECT_EQ(carte.lettres(), (QList<QChar>{u'C', u'D', u'Z'}));
    EXPECT_EQ(carte.racine(u'c'), u"/home/ann");
    EXPECT_EQ(carte.racine(u'D'), u"/mnt/data");
    EXPECT_EQ(carte.racine(u'Q'), u"");
}

TEST(Drives, HostPathTakesTheLongestWholeComponentPrefix) {
    const DriveMap carte = CarteAnn();
    EXPECT_EQ(carte.versLecteur(QStringLiteral("/home/ann/x")), u"C:\\x");
    EXPECT_EQ(carte.versLecteur(QStringLiteral("/home/ann/proj/moteur/")), u"C:\\proj\\moteur");
    EXPECT_EQ(carte.versLecteur(QStringLiteral("/home/ann")), u"C:\\");
    EXPECT_EQ(carte.versLecteur(QStringLiteral("/home/annie/x")), u"Z:\\home\\annie\\x");
    EXPECT_EQ(carte.versLecteur(QStringLiteral("/mnt/data/a/../b")), u"D:\\b");
    EXPECT_EQ(carte.versLecteur(QStringLiteral("/")), u"Z:\\");

    const DriveMap sansRacine = DriveMap::Depuis(u"C=/home/ann");
    EXPECT_FALSE(sansRacine.versLecteur(QStringLiteral("/home/annie")).has_value());
    EXPECT_FALSE(sansRacine.versLecteur(QString()).has_value());
    EXPECT_TRUE(DriveMap::MessageHorsLecteur(QStringLiteral("/srv")).contains(u"/srv"));
}

TEST(Drives, DrivePathGoesBackToTheHost) {
    const DriveMap carte = CarteAnn();
    EXPECT_EQ(carte.versHote(QStringLiteral("C:\\proj\\piston.prt.1")),
              u"/home/ann/proj/piston.prt.1");
    EXPECT_EQ(carte.versHote(QStringLiteral("c:/proj")), u"/home/ann/proj");
    EXPECT_EQ(carte.versHote(QStringLiteral("C:\\")), u"/home/ann");
    EXPECT_EQ(carte.versHote(QStringLiteral("C:")), u"/home/ann");
    EXPECT_EQ(carte.versHote(QStringLiteral("Z:\\etc")), u"/etc");
    EXPECT_FALSE(carte.versHote(QStringLiteral("Q:\\x")).has_value());
    EXPECT_FALSE(carte.versHote(QStringLiteral("C:\\..\\bob")).has_value());
    EXPECT_FALSE(carte.versHote(QStringLiteral("/home/ann")).has_value());
}

TEST(Drives, DrivePathIsBroughtToItsOneForm) {
    const DriveMap carte = CarteAnn();
    EXPECT_EQ(carte.normalise(QStringLiteral("z:\\home\\ann\\x")), u"C:\\x");
    EXPECT_EQ(carte.normalise(QStringLiteral("c:\\a\\.\\b\\")), u"C:\\a\\b");
    EXPECT_EQ(carte.versLecteurDepuisSaisie(QStringLiteral("/mnt/data/y")), u"D:\\y");
    EXPECT_EQ(carte.versLecteurDepuisSaisie(QStringLiteral("d:/y")), u"D:\\y");
}

TEST(Drives, RelativeHostPathIsTakenFromTheCurrentFolder) {
    DriveMap carte;
    carte.ajoute(u'C', QDir::currentPath());
    EXPECT_EQ(carte.versLecteur(QStringLiteral("sous/dossier")), u"C:\\sous\\dossier");
}

TEST(Drives, CurrentMapComesFromEnvironmentThenSettingsThenDefault) {
    const QByteArray ancien = qgetenv("TIDEMARK_DRIVES");
    MemorySettingsStore store;
    qunsetenv("TIDEMARK_DRIVES");
    DriveMap carte = DriveMap::Courante(store);
#ifdef _WIN32
    // The host's own drives, each its own root.
    EXPECT_EQ(carte.racine(u'C'), u"C:/");
#else
    EXPECT_EQ(carte.racine(u'C'), QDir::cleanPath(QDir::homePath()));
    EXPECT_EQ(carte.racine(u'Z'), u"/");
#endif

    store.save(QStringLiteral("drives"), QStringLiteral("d"), QStringLiteral("/mnt/d"));
    carte = DriveMap::Courante(store);
    EXPECT_EQ(carte.lettres(), QList<QChar>{u'D'});

    qputenv("TIDEMARK_DRIVES", "E=/srv/e");
    carte = DriveMap::Courante(store);
    EXPECT_EQ(carte.lettres(), QList<QChar>{u'E'});
    if (ancien.isNull())
        qunsetenv("TIDEMARK_DRIVES");
    else
        qputenv("TIDEMARK_DRIVES", ancien);
}

// Z is the tree, C its folder "home"; "ailleurs" lies on no drive.
TEST(Drives, TypedDirectoryIsFollowedThenJudged) {
    TIDEMARK_SAUF_WINDOWS("symbolic links need a privilege an ordinary user lacks");
    test::TempTree arbre, ailleurs;
    arbre.fichiers({"home/proj/a.prt.1", "home/_/proj/a.prt.1", "home/d/_/x"});
    arbre.lien("home/dehors", ailleurs.chemin());
    arbre.lien("home/vers_garage", arbre.chemin("home/_/proj"));
    arbre.lien("home/vers_proj", QStringLiteral("proj"));
    DriveMap carte;
    carte.ajoute(u'Z', arbre.chemin());
    carte.ajoute(u'C', arbre.chemin("home"));
    carte.ajoute(u'D', arbre.chemin("home/d"));
    using R = RefusRepertoire;
    const std::pair<QString, R> cas[] = {
        {"c:/proj", R::Aucun},
        {arbre.chemin("home/proj"), R::Aucun},
        {"Z:\\home\\vers_proj", R::Aucun},
        {"C:\\_\\proj", R::DansGarage},
        {"Z:\\home\\_", R::DansGarage},
        {"C:\\vers_garage", R::DansGarage},
        {"C:\\d\\_", R::DansGarage},
        {"C:\\dehors", R::HorsLecteur},
        {ailleurs.chemin(), R::HorsLecteur},
        {"C:\\proj\\a.prt.1", R::PasUnDossier},
        {"C:\\rien", R::Absent},
    };
    for (const auto& [saisie, refus] : cas) {
        const RepertoireResolu r = ResoutRepertoireSaisi(saisie, carte, FileSystem());
        EXPECT_EQ(r.refus, refus) << saisie.toStdString() << " " << r.raison.toStdString();
        EXPECT_EQ(r.chemin, refus == R::Aucun ? u"C:\\proj" : u"") << saisie.toStdString();
        EXPECT_EQ(r.raison.contains(saisie), refus != R::Aucun);
    }
}

TEST(Drives, PathHelpers) {
    EXPECT_TRUE(EstRacineLecteur(u"C:\\"));
    EXPECT_FALSE(EstRacineLecteur(u"C:\\x"));
    EXPECT_FALSE(EstRacineLecteur(u"C:"));
    EXPECT_FALSE(EstRacineLecteur(u"1:\\"));
    EXPECT_TRUE(EstCheminLecteur(u"d:"));
    EXPECT_FALSE(EstCheminLecteur(u"/d:"));
    EXPECT_EQ(RacineLecteur(u'c'), u"C:\\");
    EXPECT_EQ(JoindreChemin(QStringLiteral("C:\\"), u"a.prt.1"), u"C:\\a.prt.1");
    EXPECT_EQ(JoindreChemin(QStringLiteral("C:\\p"), u"a.prt.1"), u"C:\\p\\a.prt.1");
}

}  // namespace
}  // namespace tidemark
