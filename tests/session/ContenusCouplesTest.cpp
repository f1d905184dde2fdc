// The background content reader answers for the couples asked, reads nothing while a command
// holds it, opens each file once for one request, and answers again from its cache.
#include "session/ContenusCouples.h"

#include "core/Drives.h"
#include "tests/support/TempTree.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace tidemark::test {
namespace {

// Lets the events come for `ms` milliseconds, or until `fait` holds.
template <typename F>
void Attend(int ms, F fait) {
    QElapsedTimer minuteur;
    minuteur.start();
    while (!fait() && minuteur.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

TEST(ContenusCouples, AnswersWhatIsAskedOnceNoCommandHoldsItReadingEachFileOnce) {
    TempTree arbre;
    for (const char* p : {"a/p.prt.1", "b/p.prt.2", "c/p.prt.3"})
        arbre.fichier(QString::fromUtf8(p), "même");
    arbre.fichier(QStringLiteral("a/q.prt.1"), "autre");
    arbre.fichier(QStringLiteral("b/q.prt.2"), "AUTRE");
    arbre.fichier(QStringLiteral("b/r.prt.2"), "court");
    AppState state;
    state.TabFich = {"C:\\a\\p.prt.1", "C:\\a\\q.prt.1", "C:\\a\\r.prt.1", "C:\\b\\p.prt.2",
                     "C:\\b\\q.prt.2", "C:\\b\\r.prt.2", "C:\\c\\p.prt.3"};
    // Each p file is in two couples; a\r.prt.1 does not exist.
    state.Couples = {{0, 3}, {0, 6}, {3, 6}, {1, 4}, {2, 5}};
    const DriveMap lecteurs = DriveMap::Depuis(QStringLiteral("C=") + arbre.chemin());
    ContenusCouples contenus(lecteurs);
    contenus.repart(state);
    std::vector<qint32> arrives;
    QObject::connect(&contenus, &ContenusCouples::lus, &contenus,
                     [&arrives](const std::vector<qint32>& k) {
                         arrives.insert(arrives.end(), k.begin(), k.end());
                     });

    contenus.suspend(true);
    contenus.demande({0, 1, 2, 3, 4});
    Attend(150, [&] { return !arrives.empty(); });
    EXPECT_TRUE(arrives.empty());
    contenus.suspend(false);
    Attend(10000, [&] { return arrives.size() == 5; });
    const Contenu attendus[] = {Contenu::Identique, Contenu::Identique, Contenu::Identique,
                                Contenu::Different, Contenu::Illisible};
    for (std::size_t k = 0; k < 5; ++k) EXPECT_EQ(contenus.verdict(k), attendus[k]) << k;
    // Five files opened, each once, where couple by couple would have opened eight.
    EXPECT_EQ(contenus.fichiersLus(), 5);

    // A new table: nothing of the old one is known of it; the whole of it is read when asked,
    // and the files that did not change are answered by the cache without being opened.
    state.Couples = {{1, 4}, {0, 6}};
    contenus.repart(state);
    EXPECT_EQ(contenus.verdict(0), Contenu::NonCompare);
    contenus.demandeTout();
    Attend(10000, [&] { return contenus.verdict(1) != Contenu::NonCompare; });
    EXPECT_EQ(contenus.verdict(0), Contenu::Different);
    EXPECT_EQ(contenus.verdict(1), Contenu::Identique);
    EXPECT_EQ(contenus.fichiersLus(), 5);
}

}  // namespace
}  // namespace tidemark::test
