// How long the window's event loop can stall with half a million couples in the couple
// table: a timer on the window's thread fires every 2 ms, and the longest gap between two
// of its ticks is the figure, while the table is filled, scrolled page after page and to
// random places, sorted on a column, and while the folder pairs are made and counted. The couples
// are made in memory (1,000 folders of 1,000 names, each folder paired with one other), on
// a drive whose files do not exist: the background reader finds them unreadable at once, so
// the figures are those of the window alone. The goal is under 100 ms each.
//
//   bench_tablecouples [benchmark flags]
//   TIDEMARK_BENCH_SMALL=1 bench_tablecouples     a small table
#include "bench/ArbreProE.h"
#include "bench/ArretsFenetre.h"

#include "core/Drives.h"
#include "core/FileSystem.h"
#include "duplicates/RechercheDoublons.h"
#include "session/Session.h"
#include "ui/TableCouples.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace tidemark;

// Runs `action` on the window's thread and then lets the event loop run for `ms`; returns
// the longest gap between two ticks of the probe, the action's own time included.
double Arret(const std::function<void()>& action, int ms = 30) {
    QElapsedTimer depuis;
    qint64 pire = 0;
    QTimer sonde;
    sonde.setInterval(2);
    QObject::connect(&sonde, &QTimer::timeout, [&] { pire = std::max(pire, depuis.restart()); });
    depuis.start();
    sonde.start();
    action();
    QElapsedTimer attente;
    attente.start();
    while (attente.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return double(std::max(pire, depuis.elapsed()));
}

std::map<std::string, std::vector<double>> Mesures;

void BM_TableCouples(benchmark::State& etat) {
    const int repertoires = bench::ModePetit() ? 20 : 1000;
    const int noms = 1000;
    AppState initial;
    initial.CheminComplet = true;
    initial.TabFich.reserve(std::size_t(repertoires * noms));
    for (int d = 0; d < repertoires; ++d)
        for (int n = 0; n < noms; ++n)
            initial.TabFich.push_back(
                QStringLiteral("C:\\projets\\lot %1\\sous-ensemble\\piece-%2.prt.%3")
                    .arg(d, 4, 10, QChar(u'0'))
                    .arg(n, 5, 10, QChar(u'0'))
                    .arg(d % 7 + 1));
    // Folder d shares its names with folder d + repertoires / 2.
    const int moitie = repertoires / 2;
    for (int d = 0; d < moitie; ++d)
        for (int n = 0; n < noms; ++n)
            initial.Couples.push_back({d * noms + n, (d + moitie) * noms + n});
    initial.InfosLues.reserve(qsizetype(initial.TabFich.size()));
    for (std::size_t p = 0; p < initial.TabFich.size(); ++p)
        initial.InfosLues.insert(
            qint32(p), {qint64(p % 9973) * 1000, qint64(p) * 1000000000, false, 1, quint64(p)});
    const DriveMap lecteurs = DriveMap::Depuis(u"C=/nonexistent-tidemark-bench");
    FileSystem fs;

    for (auto _ : etat) {
        etat.PauseTiming();
        Session session(initial, lecteurs, fs);
        TableCouples table(session);
        table.resize(1200, 700);
        table.show();
        QTreeView* vue = table.couples();
        etat.ResumeTiming();

        const double remplissage =
            Arret([&] { Q_EMIT session.rechercheTerminee(ResultatRecherche{}); }, 200);
        double defilement = 0;
        QScrollBar* barre = vue->verticalScrollBar();
        for (int i = 0; i < 50; ++i)
            defilement = std::max(
                defilement, Arret([&] { barre->setValue(barre->value() + barre->pageStep()); }));
        for (int i = 0; i < 50; ++i)
            defilement = std::max(
                defilement, Arret([&] {
                    barre->setValue(int(QRandomGenerator::global()->bounded(barre->maximum() + 1)));
                }));
        const double tri = Arret([&] { vue->header()->setSortIndicator(2, Qt::DescendingOrder); });
        // The pairs come from the background reader, then the contents of the whole table.
        const double paires = Arret([&] { table.setCurrentIndex(1); }, 1500);
        etat.counters["remplissage_ms"] = remplissage;
        etat.counters["defilement_ms"] = defilement;
        etat.counters["tri_ms"] = tri;
        etat.counters["paires_ms"] = paires;
        for (const auto& [nom, valeur] :
             std::map<std::string, double>{{"fill", remplissage},
                                           {"scroll (worst of 100)", defilement},
                                           {"sort by size", tri},
                                           {"folder pairs", paires}})
            Mesures[nom].push_back(valeur);
    }
    etat.counters["couples"] = double(initial.Couples.size());
}
BENCHMARK(BM_TableCouples)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

}  // namespace

int main(int argc, char** argv) {
    return tidemark::bench::LanceBancFenetre(argc, argv, Mesures);
}
