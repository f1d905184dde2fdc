// The background content reader answers for the couples asked, reads nothing while a command
// holds it, and starts afresh with a new table.
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

TEST(ContenusCouples, AnswersWhatIsAskedOnceNoCommandHoldsItAndStartsAfreshWithANewTable) {
    TempTree arbre;
    arbre.fichier(QStringLiteral("a/p.prt.1"), "même");
    arbre.fichier(QStringLiteral("b/p.prt.2"), "même");
    arbre.fichier(QStringLiteral("a/q.prt.1"), "autre");
    arbre.fichier(QStringLiteral("b/q.prt.2"), "AUTRE");
    arbre.fichier(QStringLiteral("b/r.prt.2"), "court");
    AppState state;
    state.TabFich = {"C:\\a\\p.prt.1", "C:\\a\\q.prt.1", "C:\\a\\r.prt.1",
                     "C:\\b\\p.prt.2", "C:\\b\\q.prt.2", "C:\\b\\r.prt.2"};
    state.Couples = {{0, 3}, {1, 4}, {2, 5}};  // a\r.prt.1 does not exist
    const DriveMap lecteurs = DriveMap::Depuis(QStringLiteral("C=") + arbre.chemin());
    ContenusCouples contenus(lecteurs);
    contenus.repart(state);
    std::vector<qint32> arrives;
    QObject::connect(&contenus, &ContenusCouples::lus, &contenus,
                     [&arrives](const std::vector<qint32>& k) {
                         arrives.insert(arrives.end(), k.begin(), k.end());
                     });

    contenus.suspend(true);
    contenus.demande({0, 1, 2});
    Attend(150, [&] { return !arrives.empty(); });
    EXPECT_TRUE(arrives.empty());
    contenus.suspend(false);
    Attend(10000, [&] { return arrives.size() == 3; });
    EXPECT_EQ(contenus.verdict(0), Contenu::Identique);
    EXPECT_EQ(contenus.verdict(1), Contenu::Different);
    EXPECT_EQ(contenus.verdict(2), Contenu::Illisible);

    // A new table: nothing of the old one is known of it; the whole of it is read when asked.
    state.Couples = {{1, 4}};
    contenus.repart(state);
    EXPECT_EQ(contenus.verdict(0), Contenu::NonCompare);
    contenus.demandeTout();
    Attend(10000, [&] { return contenus.verdict(0) != Contenu::NonCompare; });
    EXPECT_EQ(contenus.verdict(0), Contenu::Different);
}

}  // namespace
}  // namespace tidemark::test
