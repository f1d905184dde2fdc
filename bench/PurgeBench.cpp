// "Visu Purge" and "Traitement Purge" on generated Pro/ENGINEER-like trees, each against a
// baseline measured in the same run.
//
// 1. The analysis (the three passes and the writing of the plan into the state) over the
//    file list of a real generated tree, cut to 50,000, 200,000 and 500,000 entries to show
//    how the time grows. The list comes from a scan of a tree on disk, not from memory: the
//    totals pass reads the size of every file it marks, so only real files give a true
//    figure (a warm one: the tree was just made and scanned). Baseline: a plain lstat of
//    the same marked files, the floor of what the totals pass costs.
// 2. The whole disposal run in garage mode ("Deplacer") on a freshly generated tree, against
//    moving the same files into the same garage layout with plain rename(2) calls, the
//    garage folders made first as the purge makes them. Each iteration regenerates its tree
//    and runs the scan and the analysis with the clock stopped.
//
//   bench_purge [benchmark flags]
//   TIDEMARK_BENCH_SMALL=1 bench_purge      seconds-long run (small trees, small lists)
//   TIDEMARK_BENCH_DIRS=N TIDEMARK_BENCH_FILES=M bench_purge     size of the analysis tree
#include "bench/ArbreProE.h"
#include "bench/Medianes.h"

#include "core/AppState.h"
#include "core/Drives.h"
#include "core/FileSystem.h"
#include "core/TabConf.h"
#include "garage/Garage.h"
#include "inventory/Marquage.h"
#include "inventory/Scan.h"
#include "purge/AnalysePurge.h"
#include "purge/TraitementPurge.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

using namespace tidemark;

// The drive the trees are mounted on: its root is the temporary folder, so the garage
// T:\_ lies beside the tree and goes with it.
constexpr char16_t LettreLecteur = u'T';

// Options of a user clearing out as much as the program allows: every Pro/ENGINEER type
// selected, one revision of each model kept, no trail, log or information file kept.
void PrepareEtat(AppState& state) {
    for (int ligne = 0; ligne < NbTypesFixes; ++ligne)
        state.TabConf[std::size_t(ligne)].selection = 1;
    state.FiltreFich = ConstruitFiltre(state.TabConf);
    state.options.ValNbRev = 1;
    state.options.ValNbRev1 = 0;
}

// A recursive scan of T:\arbre, the list then shown as files with every line blank, as the
// window leaves it.
ResultatScan Scanne(AppState& state, const DriveMap& lecteurs, qsizetype capacite) {
    DemandeScan demande;
    demande.repertoire = QStringLiteral("T:\\arbre");
    demande.sousRepertoires = true;
    demande.capacite = capacite;
    const FileSystem fs;
    ScanSansDialogue sansDialogue;
    const ResultatScan r = Scan(state, demande, lecteurs, fs, sansDialogue);
    state.ListeDeFichiers = true;
    state.EtatMarque.assign(state.TabFich.size(), EtatVide);
    state.InfosLues.clear();
    return r;
}

// ---- The analysis ---------------------------------------------------------------------

struct TerrainAnalyse {
    DriveMap lecteurs;
    AppState liste;                  // the scanned list of the whole tree
    std::vector<qsizetype> tailles;  // the list lengths measured
};
TerrainAnalyse* analyse = nullptr;

// The first n entries of the list, every line blank.
AppState Debut(qsizetype n) {
    AppState state = analyse->liste;
    state.TabFich.resize(std::size_t(n));
    state.EtatMarque.assign(std::size_t(n), EtatVide);
    return state;
}

void BM_Analyse(benchmark::State& etat) {
    const qsizetype n = etat.range(0);
    AppState state = Debut(n);
    const FileSystem fs;
    PlanPurge plan;
    for (auto _ : etat) {
        // Each run starts from a list with no mark, as after a scan.
        etat.PauseTiming();
        state.EtatMarque.assign(std::size_t(n), EtatVide);
        etat.ResumeTiming();
        plan = VisuPurge(state, analyse->lecteurs, fs);
        benchmark::DoNotOptimize(state.EtatMarque.data());
    }
    etat.counters["entrees"] = double(n);
    etat.counters["marquees"] = double(plan.nbfich);
    if (!plan.illisibles.empty())
        etat.SkipWithError("some marked files could not be read");
}

void BM_LstatDesMarquees(benchmark::State& etat) {
    const qsizetype n = etat.range(0);
    AppState state = Debut(n);
    const FileSystem fs;
    const PlanPurge plan = AnalysePurge(state, analyse->lecteurs, fs);
    std::vector<QByteArray> hotes;
    for (std::size_t i = 0; i < std::size_t(n); ++i) {
        if (EstMarquee(plan.etats[i]))
            hotes.push_back(QFile::encodeName(*analyse->lecteurs.versHote(CheminEntree(state, i))));
    }
    for (auto _ : etat) {
        qint64 total = 0;
        for (const QByteArray& hote : hotes) {
            struct stat s {};
            if (::lstat(hote.constData(), &s) == 0)
                total += s.st_size;
        }
        benchmark::DoNotOptimize(total);
    }
    etat.counters["entrees"] = double(n);
    etat.counters["marquees"] = double(hotes.size());
}

// ---- The disposal run -----------------------------------------------------------------

bench::ParametresArbre parametresPurge;

// A generated tree with its list analysed, and what the plain moves need.
struct ArbrePurge {
    QTemporaryDir dossier;
    DriveMap lecteurs;
    AppState state;
    qsizetype marquees = 0;
    std::vector<QByteArray> dossiersGarage;  // host paths, each after its parent
    std::vector<std::pair<QByteArray, QByteArray>> deplacements;  // host source, target
    QString erreur;
};

std::unique_ptr<ArbrePurge> NouvelArbre() {
    auto arbre = std::make_unique<ArbrePurge>();
    const QString racine = arbre->dossier.path() + QStringLiteral("/arbre");
    if (!arbre->dossier.isValid() || !QDir().mkpath(racine)) {
        arbre->erreur = QStringLiteral("no temporary folder");
        return arbre;
    }
    const bench::StatistiquesArbre stats = bench::GenereArbreProE(racine, parametresPurge);
    if (stats.repertoires != parametresPurge.repertoires) {
        arbre->erreur = QStringLiteral("the tree could not be made in full");
        return arbre;
    }
    arbre->lecteurs.ajoute(LettreLecteur, arbre->dossier.path());
    PrepareEtat(arbre->state);
    Scanne(arbre->state, arbre->lecteurs, CapaciteTabFich);
    const FileSystem fs;
    VisuPurge(arbre->state, arbre->lecteurs, fs);

    // The same files, their garage places and every garage folder from T:\_ down; a folder
    // sorts after its parent, which is a prefix of it.
    std::set<QString> niveaux;
    for (std::size_t i = 0; i < arbre->state.TabFich.size(); ++i) {
        if (!EstMarquee(EtatDeLigne(arbre->state, i)))
            continue;
        ++arbre->marquees;
        const QString chemin = CheminEntree(arbre->state, i);
        const QString garage = CheminGarage(chemin);
        for (qsizetype fin = garage.indexOf(u'\\', 3); fin >= 0;
             fin = garage.indexOf(u'\\', fin + 1))
            niveaux.insert(garage.first(fin));
        arbre->deplacements.emplace_back(QFile::encodeName(*arbre->lecteurs.versHote(chemin)),
                                         QFile::encodeName(*arbre->lecteurs.versHote(garage)));
    }
    for (const QString& niveau : niveaux)
        arbre->dossiersGarage.push_back(QFile::encodeName(*arbre->lecteurs.versHote(niveau)));
    return arbre;
}

// Runs `corps` on a new tree at each iteration; making the tree, and removing the one
// before, are left out of the time.
template <typename Corps>
void SurArbresNeufs(benchmark::State& etat, Corps corps) {
    std::unique_ptr<ArbrePurge> arbre;
    qsizetype marquees = 0;
    for (auto _ : etat) {
        etat.PauseTiming();
        arbre.reset();
        arbre = NouvelArbre();
        etat.ResumeTiming();
        if (!arbre->erreur.isEmpty()) {
            etat.SkipWithError(arbre->erreur.toUtf8().constData());
            break;
        }
        const QString echec = corps(*arbre);
        if (!echec.isEmpty()) {
            etat.SkipWithError(echec.toUtf8().constData());
            break;
        }
        marquees = arbre->marquees;
    }
    // The last tree goes once the clock has stopped for good.
    arbre.reset();
    etat.counters["fichiers"] = double(marquees);
}

void BM_PurgeGarage(benchmark::State& etat) {
    SurArbresNeufs(etat, [](ArbrePurge& arbre) {
        FileSystem fs;
        const ResultatTraitement r =
            TraitementPurge(arbre.state, ModeDisposition::Deplacer, arbre.lecteurs, fs);
        if (!r.complet() || r.traitees != arbre.marquees)
            return QStringLiteral("the purge did not move every marked file: ") +
                   ComposeMessageEchecs(r.echecs).texte;
        return QString();
    });
}

void BM_RenameSimple(benchmark::State& etat) {
    SurArbresNeufs(etat, [](ArbrePurge& arbre) {
        for (const QByteArray& dossier : arbre.dossiersGarage) {
            if (::mkdir(dossier.constData(), 0777) != 0 && errno != EEXIST)
                return QStringLiteral("mkdir failed: ") + QFile::decodeName(dossier);
        }
        for (const auto& [source, cible] : arbre.deplacements) {
            if (::rename(source.constData(), cible.constData()) != 0)
                return QStringLiteral("rename failed: ") + QFile::decodeName(source);
        }
        return QString();
    });
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    // The analysis tree: enough files for a list at the scan's capacity (500,001 entries),
    // about 100 a folder as in the other benchmarks; the small run keeps the shared size.
    const bench::ParametresArbre parametres =
        bench::ParametresDepuisEnvironnement({.repertoires = 6200, .fichiers = 620000});
    const bool petit = bench::ModePetit();
    // The trees of the disposal run, made again for every iteration of both sides.
    parametresPurge.repertoires = petit ? 20 : 500;
    parametresPurge.fichiers = petit ? 2000 : 50000;

    QTemporaryDir dossier;
    if (bench::FaitArbreTemporaire(dossier, parametres, "Analysis tree").isEmpty())
        return 1;
    TerrainAnalyse t;
    t.lecteurs.ajoute(LettreLecteur, dossier.path());
    PrepareEtat(t.liste);
    const ResultatScan scan = Scanne(t.liste, t.lecteurs, CapaciteTabFich);
    const qsizetype longueur = qsizetype(t.liste.TabFich.size());
    std::printf("List: %lld entries%s\n", static_cast<long long>(longueur),
                scan.capaciteAtteinte ? " (the scan's capacity)" : "");
    for (const qsizetype taille : {50000, 200000, 500000}) {
        if (taille <= longueur)
            t.tailles.push_back(taille);
    }
    if (t.tailles.empty()) {
        // A small run: a tenth, two fifths and the whole of the list.
        t.tailles = {longueur / 10, longueur * 2 / 5, longueur};
    }
    analyse = &t;

    auto* const analyseBench = benchmark::RegisterBenchmark("Analyse", BM_Analyse);
    auto* const lstatBench = benchmark::RegisterBenchmark("LstatDesMarquees", BM_LstatDesMarquees);
    for (auto* b : {analyseBench, lstatBench}) {
        for (const qsizetype taille : t.tailles) b->Arg(taille);
        b->Unit(benchmark::kMillisecond)->UseRealTime();
        if (!petit)
            b->Iterations(5);
    }
    for (auto* b : {benchmark::RegisterBenchmark("PurgeGarage", BM_PurgeGarage),
                    benchmark::RegisterBenchmark("RenameSimple", BM_RenameSimple)}) {
        b->Unit(benchmark::kMillisecond)->UseRealTime();
        b->Iterations(petit ? 1 : 2);
    }
    bench::Collecteur collecteur;
    benchmark::RunSpecifiedBenchmarks(&collecteur);

    std::printf("\nAnalysis (\"Visu Purge\") over the scanned list, median times:\n");
    double premier = 0;
    for (const qsizetype taille : t.tailles) {
        const std::string arg = std::to_string(taille);
        const double m = collecteur.mediane(std::string("Analyse/").append(arg));
        const double l = collecteur.mediane(std::string("LstatDesMarquees/").append(arg));
        const double parEntree = m * 1e6 / double(taille);
        if (premier == 0)
            premier = parEntree;
        std::printf(
            "  %7lld entries: %8.2f ms, %6.0f ns per entry (%.2f x the smallest), "
            "lstat of the marked files alone %8.2f ms (%.2f x)\n",
            static_cast<long long>(taille), m, parEntree, premier > 0 ? parEntree / premier : 0.0,
            l, l > 0 ? m / l : 0.0);
    }
    std::printf("  target: under 500 ms at 500,000 entries, the time per entry flat\n");

    const double purge = collecteur.mediane("PurgeGarage");
    const double simple = collecteur.mediane("RenameSimple");
    std::printf(
        "\nDisposal run on a %d-folder, %d-file tree: median purge in garage mode %.2f ms, "
        "median plain mkdir + rename(2) %.2f ms, ratio %.2f (target <= 1.5)\n",
        parametresPurge.repertoires, parametresPurge.fichiers, purge, simple,
        simple > 0 ? purge / simple : 0.0);
    benchmark::Shutdown();
    return 0;
}
