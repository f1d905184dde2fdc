// The duplicate search, the review's first-couple search and the near-name detection over
// the file list of one generated Pro/ENGINEER-like tree, against two baselines measured in
// the same run: a plain pass that derives every radical and does nothing else, and a plain
// lstat of every listed file (the floor of what reading the files costs).
//
//   bench_doublons [benchmark flags]
//   TIDEMARK_BENCH_SMALL=1 bench_doublons      seconds-long run (20 folders, 2,000 files)
//   TIDEMARK_BENCH_DIRS=N TIDEMARK_BENCH_FILES=M bench_doublons
#include "bench/ArbreProE.h"
#include "bench/Medianes.h"

#include "core/AppState.h"
#include "core/Drives.h"
#include "core/FileSystem.h"
#include "core/NomsFichier.h"
#include "core/TabConf.h"
#include "duplicates/NomsVoisins.h"
#include "duplicates/RechercheDoublons.h"
#include "duplicates/RevueCouples.h"
#include "inventory/Scan.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

using namespace tidemark;

// The lists and what every benchmark needs, made once before they run.
struct Terrain {
    DriveMap lecteurs;
    AppState modeles;  // the model rows selected: the couples stay below the table's size
    AppState tous;     // every Pro/ENGINEER row: trail files everywhere fill the table
    std::vector<QByteArray> hotes;  // host path of every entry of `modeles`
};
Terrain* terrain = nullptr;
std::size_t sansPlafond = 0;  // couples of the search with no cap

void Scanne(AppState& state, const QString& racine, int lignes) {
    TableTypes table = TabConfInitiale();
    for (int i = 0; i < lignes; ++i) table[i].selection = 1;
    state.FiltreFich = ConstruitFiltre(table);
    DemandeScan demande;
    demande.repertoire = racine;
    demande.sousRepertoires = true;
    FileSystem fs;
    ScanSansDialogue sansDialogue;
    Scan(state, demande, terrain->lecteurs, fs, sansDialogue);
}

void BM_RadicauxSeuls(benchmark::State& etat) {
    const std::vector<QString>& liste = terrain->modeles.TabFich;
    for (auto _ : etat) {
        qsizetype total = 0;
        for (const QString& e : liste) total += NomSansRevision(e).size();
        benchmark::DoNotOptimize(total);
    }
    etat.counters["entrees"] = double(liste.size());
}

void BM_LstatSeul(benchmark::State& etat) {
    for (auto _ : etat) {
        qint64 total = 0;
        for (const QByteArray& hote : terrain->hotes) {
            struct stat s {};
            if (::lstat(hote.constData(), &s) == 0)
                total += s.st_size;
        }
        benchmark::DoNotOptimize(total);
    }
    etat.counters["entrees"] = double(terrain->hotes.size());
}

void Recherche(benchmark::State& etat, AppState& state, qint32 capacite = CapaciteCouples) {
    const FileSystem fs;
    DemandeRecherche demande;
    demande.repertoire = QStringLiteral("T:\\arbre");
    demande.capacite = capacite;
    ResultatRecherche r;
    for (auto _ : etat) {
        r = RechercheMultiples(state, demande, terrain->lecteurs, fs);
        benchmark::DoNotOptimize(state.Couples.data());
    }
    etat.counters["entrees"] = double(state.TabFich.size());
    etat.counters["couples"] = double(r.couples);
    etat.counters["lus"] = double(state.InfosLues.size());
    etat.counters["arret"] = r.capaciteAtteinte ? 1 : 0;
}

void BM_RechercheModeles(benchmark::State& etat) {
    Recherche(etat, terrain->modeles);
}
void BM_RechercheTousTypes(benchmark::State& etat) {
    Recherche(etat, terrain->tous);
}
// The same search with no cap: how the time grows with the couples.
void BM_RechercheSansPlafond(benchmark::State& etat) {
    Recherche(etat, terrain->modeles, std::numeric_limits<qint32>::max());
    sansPlafond = terrain->modeles.Couples.size();
}

void BM_PremierCouple(benchmark::State& etat) {
    const FileSystem fs;
    DemandeRecherche demande;
    CoupleRevue revue;
    for (auto _ : etat) {
        revue = PremierCouple(terrain->modeles, demande, terrain->lecteurs, fs);
        benchmark::DoNotOptimize(revue.couple.premier);
    }
    if (!revue.trouve)
        etat.SkipWithError("no couple in the list");
}

void BM_NomsVoisins(benchmark::State& etat) {
    DemandeVoisins demande;
    demande.NumCar = QStringLiteral("3");
    ResultatVoisins r;
    for (auto _ : etat) {
        r = DetecteNomsVoisins(terrain->modeles, demande);
        benchmark::DoNotOptimize(terrain->modeles.Couples.data());
    }
    etat.counters["couples"] = double(r.couples);
    etat.counters["arret"] = r.capaciteAtteinte ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    const bench::ParametresArbre parametres = bench::ParametresDepuisEnvironnement();
    QTemporaryDir dossier;
    if (bench::FaitArbreTemporaire(dossier, parametres, "Tree").isEmpty())
        return 1;
    Terrain t;
    t.lecteurs.ajoute(u'T', dossier.path());
    terrain = &t;
    Scanne(t.modeles, QStringLiteral("T:\\arbre"), PremiereLigneAuxiliaire);
    Scanne(t.tous, QStringLiteral("T:\\arbre"), NbTypesFixes);
    for (std::size_t i = 0; i < t.modeles.TabFich.size(); ++i)
        t.hotes.push_back(QFile::encodeName(*t.lecteurs.versHote(CheminEntree(t.modeles, i))));
    std::printf("Lists: %zu entries with the model types, %zu with every type\n",
                t.modeles.TabFich.size(), t.tous.TabFich.size());

    const bool petit = parametres.fichiers < 20000;
    for (auto* b :
         {benchmark::RegisterBenchmark("RadicauxSeuls", BM_RadicauxSeuls),
          benchmark::RegisterBenchmark("LstatSeul", BM_LstatSeul),
          benchmark::RegisterBenchmark("RechercheModeles", BM_RechercheModeles),
          benchmark::RegisterBenchmark("PremierCouple", BM_PremierCouple),
          benchmark::RegisterBenchmark("NomsVoisins", BM_NomsVoisins),
          benchmark::RegisterBenchmark("RechercheTousTypes", BM_RechercheTousTypes),
          benchmark::RegisterBenchmark("RechercheSansPlafond", BM_RechercheSansPlafond)}) {
        b->Unit(benchmark::kMillisecond)->Repetitions(petit ? 3 : 5)->UseRealTime();
        b->ReportAggregatesOnly(true);
        if (!petit)
            b->Iterations(2);
    }
    bench::Collecteur collecteur;
    benchmark::RunSpecifiedBenchmarks(&collecteur);

    const auto mediane = [&](const char* nom) { return collecteur.mediane(nom); };
    const double base = mediane("RadicauxSeuls");
    const double lstat = mediane("LstatSeul");
    std::printf(
        "\nMedians over %zu entries (model types): radicals only %.2f ms, lstat only "
        "%.2f ms\n",
        t.modeles.TabFich.size(), base, lstat);
    for (const char* nom : {"RechercheModeles", "PremierCouple", "NomsVoisins"}) {
        const double m = mediane(nom);
        std::printf(
            "  %-18s %8.2f ms   %6.1f x radicals only   %5.2f x lstat only   "
            "(target < 500 ms)\n",
            nom, m, base > 0 ? m / base : 0.0, lstat > 0 ? m / lstat : 0.0);
    }
    std::printf("  %-18s %8.2f ms over %zu entries (every type; stops at the table's size)\n",
                "RechercheTousTypes", mediane("RechercheTousTypes"), t.tous.TabFich.size());
    const double libre = mediane("RechercheSansPlafond");
    std::printf("  %-18s %8.2f ms for %zu couples, no cap: %.0f ns per entry or couple\n",
                "RechercheSansPlafond", libre, sansPlafond,
                libre * 1e6 / double(t.modeles.TabFich.size() + sansPlafond));

    // Memory of the couple table: the bytes the vector holds, per couple kept.
    const FileSystem fs;
    for (AppState* state : {&t.modeles, &t.tous}) {
        DemandeRecherche demande;
        const ResultatRecherche r = RechercheMultiples(*state, demande, t.lecteurs, fs);
        if (r.couples > 0)
            std::printf(
                "Couple table: %lld couples%s, %.1f bytes a couple (target < 16)\n",
                static_cast<long long>(r.couples),
                r.capaciteAtteinte ? " (stopped at the table's size)" : "",
                double(state->Couples.capacity() * sizeof(AppState::Couple)) / double(r.couples));
    }
    benchmark::Shutdown();
    return 0;
}
