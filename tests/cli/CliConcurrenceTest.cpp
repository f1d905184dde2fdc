// Two disposing runs meeting on one garage, as a scheduled tidemark-cli and the window would.
#include "core/Drives.h"
#include "core/FileSystem.h"
#include "garage/VerrouGarage.h"
#include "tests/cli/LanceCli.h"
#include "tests/support/TempTree.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace tidemark {
namespace {

// Two purges of one tree into its garage at once: every file is at its place or in the
// garage with its bytes, and the newest revision of every model stays.
void DeuxPurgesEnMemeTemps(bool garageAilleurs) {
    test::TempTree arbre, reglages;
    std::unique_ptr<test::MontageTmpfs> montage;
    if (garageAilleurs) {
        arbre.dossier("_");
        montage = std::make_unique<test::MontageTmpfs>(arbre.chemin("_"));
        if (!montage->monte())
            GTEST_SKIP() << montage->raison().toStdString();
    }
    std::map<QString, QByteArray> avant;
    for (int d = 0; d < 40; ++d) {
        for (int m = 0; m < 5; ++m) {
            for (int r = 1; r <= 4; ++r) {
                const QString relatif = QStringLiteral("proj/d%1/m%2.prt.%3").arg(d).arg(m).arg(r);
                avant[relatif] = relatif.toUtf8().repeated(100);
                arbre.fichier(relatif, avant[relatif]);
            }
        }
    }
    const QStringList arguments = {"purge",  "-r", "--types",  "prt",
                                   "--keep", "1",  "--garage", arbre.chemin("proj")};
    auto premier = test::DemarreCli(arguments, arbre.chemin(), reglages.chemin());
    auto second = test::DemarreCli(arguments, arbre.chemin(), reglages.chemin());
    for (QProcess* p : {premier.get(), second.get()}) {
        const test::Sortie s = test::FinCli(*p);
        EXPECT_TRUE(s.code == 0 || s.code == 1) << s.erreurs.toStdString();
    }
    for (const auto& [relatif, octets] : avant) {
        if (relatif.endsWith(u".4"))
            EXPECT_EQ(arbre.contenu(relatif), octets) << relatif.toStdString();
        else
            EXPECT_TRUE(arbre.contenu(relatif) == octets ||
                        arbre.contenu(QStringLiteral("_/") + relatif) == octets)
                << relatif.toStdString() << " is lost";
    }
}

TEST(CliConcurrence, DeuxPurgesDansUnGarageDuMemeSystemeNePerdentRien) {
    DeuxPurgesEnMemeTemps(false);
}

TEST(CliConcurrence, DeuxPurgesDansUnGarageDUnAutreSystemeNePerdentRien) {
    DeuxPurgesEnMemeTemps(true);
}

// A run waits while another holds the garage, says so on standard error, moves nothing
// meanwhile, and goes on once the lock is released.
TEST(CliConcurrence, UnePurgeAttendLeVerrouDuGarageEtLeDit) {
    test::TempTree arbre, reglages;
    arbre.fichiers({"proj/a.prt.1", "proj/a.prt.2"});
    const DriveMap lecteurs = DriveMap::Depuis(QStringLiteral("C=") + arbre.chemin());
    FileSystem fs;
    VerrousGarage tenu;
    ASSERT_TRUE(tenu.prend({u'C'}, lecteurs, true, fs));
    ASSERT_EQ(tenu.nombre(), 1);

    auto p = test::DemarreCli({"purge", "--types", "prt", "--garage", arbre.chemin("proj")},
                              arbre.chemin(), reglages.chemin());
    QString erreurs;
    QElapsedTimer chrono;
    chrono.start();
    while (!erreurs.contains(u"attente") && chrono.elapsed() < 10000 &&
           p->state() != QProcess::NotRunning) {
        p->waitForReadyRead(100);
        erreurs += QString::fromUtf8(p->readAllStandardError());
    }
    EXPECT_TRUE(erreurs.contains(u"une autre purge est en cours sur C: ; attente…"))
        << erreurs.toStdString();
    EXPECT_TRUE(arbre.existe("proj/a.prt.1"));
    tenu.libere();
    const test::Sortie s = test::FinCli(*p);
    EXPECT_EQ(s.code, 0) << s.erreurs.toStdString();
    EXPECT_EQ(arbre.tout(), (QStringList{"_/proj/a.prt.1", "proj/a.prt.2"}));
}

}  // namespace
}  // namespace tidemark
