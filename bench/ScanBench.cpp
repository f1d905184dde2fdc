// The recursive scan against a plain readdir walk that only counts the matching names, on
// one generated Pro/ENGINEER-like tree, measured in the same run; then the memory the file
// list costs per entry.
//
//   bench_scan [benchmark flags]
//   TIDEMARK_BENCH_SMALL=1 bench_scan      seconds-long run (20 folders, 2,000 files)
//   TIDEMARK_BENCH_DIRS=N TIDEMARK_BENCH_FILES=M bench_scan
#include "bench/ArbreProE.h"
#include "bench/Medianes.h"

#include "core/AppState.h"
#include "core/Drives.h"
#include "core/FileSystem.h"
#include "core/TabConf.h"
#include "core/Wildcard.h"
#include "inventory/Scan.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

#include <dirent.h>
#include <malloc.h>

namespace {

using namespace tidemark;

// The tree and what both sides need, made once before the benchmarks run.
struct Terrain {
    QString racineHote;  // the generated tree
    QString racineLecteur;
    DriveMap lecteurs;
    QString filtre;  // every Pro/ENGINEER type selected, as a user purging would
};
Terrain* terrain = nullptr;

// The baseline: depth first over the host tree, counting the non-hidden regular files whose
// name matches, with no order, no entry kept.
qsizetype ParcoursSimple(const QByteArray& racine, const Wildcard& filtre) {
    qsizetype compte = 0;
    std::vector<QByteArray> pile{racine};
    while (!pile.empty()) {
        const QByteArray rep = std::move(pile.back());
        pile.pop_back();
        DIR* d = ::opendir(rep.constData());
        if (!d)
            continue;
        while (const dirent* e = ::readdir(d)) {
            if (e->d_name[0] == '.')
                continue;
            if (e->d_type == DT_DIR)
                pile.push_back(rep + '/' + e->d_name);
            else if (e->d_type == DT_REG && filtre.correspond(QString::fromUtf8(e->d_name)))
                ++compte;
        }
        ::closedir(d);
    }
    return compte;
}

qsizetype ScanComplet(AppState& state) {
    DemandeScan demande;
    demande.repertoire = terrain->racineLecteur;
    demande.sousRepertoires = true;
    FileSystem fs;
    ScanSansDialogue sansDialogue;
    Scan(state, demande, terrain->lecteurs, fs, sansDialogue);
    return static_cast<qsizetype>(state.TabFich.size());
}

void BM_ParcoursSimple(benchmark::State& etat) {
    const Wildcard filtre(terrain->filtre);
    const QByteArray racine = QFile::encodeName(terrain->racineHote);
    qsizetype compte = 0;
    for (auto _ : etat) {
        compte = ParcoursSimple(racine, filtre);
        benchmark::DoNotOptimize(compte);
    }
    etat.counters["fichiers"] = static_cast<double>(compte);
}

void BM_Scan(benchmark::State& etat) {
    AppState state;
    state.FiltreFich = terrain->filtre;
    qsizetype compte = 0;
    for (auto _ : etat) {
        compte = ScanComplet(state);
        benchmark::DoNotOptimize(state.TabFich.data());
    }
    etat.counters["fichiers"] = static_cast<double>(compte);
    // Both sides must see the same files, or the comparison means nothing.
    const qsizetype attendu =
        ParcoursSimple(QFile::encodeName(terrain->racineHote), Wildcard(terrain->filtre));
    if (compte != attendu)
        etat.SkipWithError("the scan and the plain walk found different counts");
}

// Bytes in use on the heap: small blocks of the arenas and blocks mapped on their own.
size_t TasUtilise() {
    const struct mallinfo2 info = ::mallinfo2();
    return info.uordblks + info.hblkhd;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    const bench::ParametresArbre parametres = bench::ParametresDepuisEnvironnement();
    QTemporaryDir dossier;
    Terrain t;
    t.racineHote = bench::FaitArbreTemporaire(dossier, parametres, "Tree");
    if (t.racineHote.isEmpty())
        return 1;
    t.lecteurs.ajoute(u'T', dossier.path());
    t.racineLecteur = QStringLiteral("T:\\arbre");
    TableTypes table = TabConfInitiale();
    for (int i = 0; i < NbTypesFixes; ++i) table[i].selection = 1;
    t.filtre = ConstruitFiltre(table);
    terrain = &t;

    const bool petit = parametres.fichiers < 20000;
    for (auto* b : {benchmark::RegisterBenchmark("ParcoursSimple", BM_ParcoursSimple),
                    benchmark::RegisterBenchmark("Scan", BM_Scan)}) {
        b->Unit(benchmark::kMillisecond)->Repetitions(petit ? 3 : 5)->UseRealTime();
        if (!petit)
            b->Iterations(2);
    }
    bench::Collecteur collecteur;
    benchmark::RunSpecifiedBenchmarks(&collecteur);

    // Memory: the heap in use before and after one scan into an empty list, divided by the
    // entries; it counts each QString's block with its allocator overhead, the vector of
    // QStrings and whatever else the scan keeps.
    AppState state;
    state.FiltreFich = t.filtre;
    malloc_trim(0);
    const size_t avant = TasUtilise();
    const qsizetype entrees = ScanComplet(state);
    const size_t apres = TasUtilise();
    // The same estimated from the strings themselves: the QString object, its data block
    // (16-byte header, the characters and a terminating 0) rounded up as malloc does.
    size_t estime = state.TabFich.capacity() * sizeof(QString);
    for (const QString& e : state.TabFich) {
        const size_t bloc = 16 + (static_cast<size_t>(e.capacity()) + 1) * 2 + 8;
        estime += std::max<size_t>(32, (bloc + 15) / 16 * 16);
    }
    double longueur = 0;
    for (const QString& e : state.TabFich) longueur += static_cast<double>(e.size());

    const double simple = collecteur.mediane("ParcoursSimple");
    const double scan = collecteur.mediane("Scan");
    std::printf(
        "\nMedian plain walk: %.2f ms, median scan: %.2f ms, ratio scan/walk: %.2f "
        "(target <= 1.5)\n",
        simple, scan, simple > 0 ? scan / simple : 0.0);
    if (entrees > 0)
        std::printf(
            "Memory: %lld entries, mean length %.1f characters, %.0f bytes per entry "
            "measured by mallinfo2, %.0f estimated from the strings (target < 300)\n",
            static_cast<long long>(entrees), longueur / static_cast<double>(entrees),
            static_cast<double>(apres - avant) / static_cast<double>(entrees),
            static_cast<double>(estime) / static_cast<double>(entrees));
    benchmark::Shutdown();
    return 0;
}
