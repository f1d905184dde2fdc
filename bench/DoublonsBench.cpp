// The duplicate search, the review's first-couple search and the near-name detection over
// the file lists of one generated Pro/ENGINEER-like tree, against two baselines measured in
// the same run: a plain pass that derives every radical and does nothing else, and a plain
// lstat of every listed file (the floor of what reading the files costs).
//
// Then the informed review: the folder-pair grouping of the couples found at each length,
// and the content comparison of one screen of couples (the first 40 of the longest list,
// their files given 256 KiB each, some differing in their last byte only, so every file is
// read to its end) against a plain read of those same files, once each, in the same run.
//
// The tree draws its model names from a pool of ten names per folder, so a model recurs in
// another folder now and then, as copies do in real work directories: the list of the model
// types, cut to 50,000, 200,000 and 500,000 entries, keeps its couples below the table's
// size and shows how the time grows with entries plus couples. A second list, with every
// type (trail files in every folder), fills the table and shows the search that stops.
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
#include "duplicates/MemeContenu.h"
#include "duplicates/NomsVoisins.h"
#include "duplicates/PairesRepertoires.h"
#include "duplicates/RechercheDoublons.h"
#include "duplicates/RevueCouples.h"
#include "inventory/Scan.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace tidemark;

// The lists and what every benchmark needs, made once before they run.
struct Terrain {
    DriveMap lecteurs;
    AppState modeles;  // the model rows selected: the couples stay below the table's size
    AppState tous;     // every Pro/ENGINEER row: trail files everywhere fill the table
    std::vector<qsizetype> tailles;  // the lengths the model list is cut to
    std::map<qsizetype, AppState> coupees;
    std::map<qsizetype, std::vector<QByteArray>> hotes;  // host path of every entry
    std::map<qsizetype, qint64> couples;                 // couples found at each length
    std::map<qsizetype, qint64> lus;                     // files the search read
    AppState ecranEtat;             // the longest list and the couples of its search
    std::vector<QByteArray> ecran;  // host paths of the files of one screen of couples
    qint64 octetsEcran = 0;
};
Terrain* terrain = nullptr;

// Couples a screen of the review shows.
constexpr int NbCouplesEcran = 40;

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

AppState& Liste(const benchmark::State& etat) {
    return terrain->coupees.at(etat.range(0));
}

void BM_RadicauxSeuls(benchmark::State& etat) {
    const std::vector<QString>& liste = Liste(etat).TabFich;
    for (auto _ : etat) {
        qsizetype total = 0;
        for (const QString& e : liste) total += NomSansRevision(e).size();
        benchmark::DoNotOptimize(total);
    }
}

void BM_LstatSeul(benchmark::State& etat) {
    for (auto _ : etat) {
        qint64 total = 0;
        for (const QByteArray& hote : terrain->hotes.at(etat.range(0))) {
            struct stat s {};
            if (::lstat(hote.constData(), &s) == 0)
                total += s.st_size;
        }
        benchmark::DoNotOptimize(total);
    }
}

void Recherche(benchmark::State& etat, AppState& state) {
    const FileSystem fs;
    DemandeRecherche demande;
    demande.repertoire = QStringLiteral("T:\\arbre");
    ResultatRecherche r;
    for (auto _ : etat) {
        r = RechercheMultiples(state, demande, terrain->lecteurs, fs);
        benchmark::DoNotOptimize(state.Couples.data());
    }
    etat.counters["entrees"] = double(state.TabFich.size());
    etat.counters["couples"] = double(r.couples);
    etat.counters["lus"] = double(state.InfosLues.size());
    etat.counters["arret"] = r.capaciteAtteinte ? 1 : 0;
    if (&state != &terrain->tous) {
        terrain->couples[qsizetype(state.TabFich.size())] = r.couples;
        terrain->lus[qsizetype(state.TabFich.size())] = state.InfosLues.size();
    }
}

void BM_Recherche(benchmark::State& etat) {
    Recherche(etat, Liste(etat));
}
void BM_RechercheTousTypes(benchmark::State& etat) {
    Recherche(etat, terrain->tous);
}

void BM_PremierCouple(benchmark::State& etat) {
    const FileSystem fs;
    DemandeRecherche demande;
    CoupleRevue revue;
    for (auto _ : etat) {
        revue = PremierCouple(Liste(etat), demande, terrain->lecteurs, fs);
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
        r = DetecteNomsVoisins(Liste(etat), demande);
        benchmark::DoNotOptimize(r.couples.data());
    }
    etat.counters["couples"] = double(r.couples.size());
    etat.counters["arret"] = r.capaciteAtteinte ? 1 : 0;
}

void BM_PairesRepertoires(benchmark::State& etat) {
    // The couples of a duplicate search (the near-name benchmark left its own in the list).
    AppState state = Liste(etat);
    RechercheMultiples(state, DemandeRecherche{}, terrain->lecteurs, FileSystem());
    std::vector<PaireRepertoires> paires;
    for (auto _ : etat) {
        paires = PairesRepertoires(Vue(state));
        benchmark::DoNotOptimize(paires.data());
    }
    etat.counters["couples"] = double(state.Couples.size());
    etat.counters["paires"] = double(paires.size());
}

// One screen of couples compared, the cache emptied before each.
void BM_ContenuEcran(benchmark::State& etat) {
    const AppState& state = terrain->ecranEtat;
    CacheContenus cache;
    ContenusCompares r;
    for (auto _ : etat) {
        cache.clear();
        r = CompareContenus(Vue(state), 0, NbCouplesEcran, terrain->lecteurs, cache);
        benchmark::DoNotOptimize(r.verdicts.data());
    }
    etat.counters["octets"] = double(r.octetsLus);
    etat.counters["fichiers"] = double(r.fichiersLus);
    etat.counters["identiques"] =
        double(std::count(r.verdicts.begin(), r.verdicts.end(), Contenu::Identique));
}

// The same files read once each, whole, in chunks of the comparison's size, with nothing
// compared: the floor.
void BM_LectureSeule(benchmark::State& etat) {
    std::vector<char> tampon(64 * 1024);  // the chunk size of the comparison
    for (auto _ : etat) {
        qint64 total = 0;
        for (const QByteArray& hote : terrain->ecran) {
            const int fd = ::open(hote.constData(), O_RDONLY | O_CLOEXEC);
            for (ssize_t n; fd >= 0 && (n = ::read(fd, tampon.data(), tampon.size())) > 0;)
                total += n;
            if (fd >= 0)
                ::close(fd);
        }
        benchmark::DoNotOptimize(total);
    }
}

// Searches `liste` and gives the files of its first couples 256 KiB each, every other one differing
// from the rest in its last byte, and keeps their host paths.
void PrepareEcran(const AppState& liste) {
    AppState& state = terrain->ecranEtat;
    state = liste;
    RechercheMultiples(state, DemandeRecherche{}, terrain->lecteurs, FileSystem());
    QByteArray contenu(256 * 1024, 'p');
    std::set<qint32> fichiers;
    for (std::size_t k = 0; k < std::min<std::size_t>(NbCouplesEcran, state.Couples.size()); ++k)
        fichiers.insert({state.Couples[k].premier, state.Couples[k].second});
    for (const qint32 p : fichiers) {
        const QString hote = *terrain->lecteurs.versHote(CheminEntree(state, std::size_t(p)));
        contenu.back() = terrain->ecran.size() % 2 ? 'q' : 'p';
        QFile f(hote);
        if (f.open(QIODevice::WriteOnly) && f.write(contenu) == contenu.size())
            terrain->octetsEcran += contenu.size();
        terrain->ecran.push_back(QFile::encodeName(hote));
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    // Enough files for 500,000 model entries, about 100 a folder as in the other benchmarks.
    bench::ParametresArbre parametres =
        bench::ParametresDepuisEnvironnement({.repertoires = 6600, .fichiers = 660000});
    const bool petit = bench::ModePetit();
    parametres.noms = 10 * parametres.repertoires;
    QTemporaryDir dossier;
    if (bench::FaitArbreTemporaire(dossier, parametres, "Tree").isEmpty())
        return 1;
    Terrain t;
    t.lecteurs.ajoute(u'T', dossier.path());
    terrain = &t;
    Scanne(t.modeles, QStringLiteral("T:\\arbre"), PremiereLigneAuxiliaire);
    Scanne(t.tous, QStringLiteral("T:\\arbre"), NbTypesFixes);
    const auto longueur = qsizetype(t.modeles.TabFich.size());
    std::printf("Lists: %lld entries with the model types, %zu with every type\n",
                static_cast<long long>(longueur), t.tous.TabFich.size());
    for (const qsizetype taille : {50000, 200000, 500000}) {
        if (taille <= longueur)
            t.tailles.push_back(taille);
    }
    if (t.tailles.empty())  // a small run: a tenth, two fifths and the whole of the list
        t.tailles = {longueur / 10, longueur * 2 / 5, longueur};
    for (const qsizetype taille : t.tailles) {
        AppState& state = t.coupees[taille];
        state = t.modeles;
        state.TabFich.resize(std::size_t(taille));
        std::vector<QByteArray>& hotes = t.hotes[taille];
        for (std::size_t i = 0; i < state.TabFich.size(); ++i)
            hotes.push_back(QFile::encodeName(*t.lecteurs.versHote(CheminEntree(state, i))));
    }

    std::vector<benchmark::internal::Benchmark*> parTaille;
    for (const auto& [nom, fonction] :
         std::initializer_list<std::pair<const char*, void (*)(benchmark::State&)>>{
             {"RadicauxSeuls", BM_RadicauxSeuls},
             {"LstatSeul", BM_LstatSeul},
             {"Recherche", BM_Recherche},
             {"PremierCouple", BM_PremierCouple},
             {"NomsVoisins", BM_NomsVoisins}}) {
        auto* b = benchmark::RegisterBenchmark(nom, fonction);
        for (const qsizetype taille : t.tailles) b->Arg(taille);
        parTaille.push_back(b);
    }
    // The grouping runs after the search at each length, over the couples it left.
    auto* paires = benchmark::RegisterBenchmark("PairesRepertoires", BM_PairesRepertoires);
    for (const qsizetype taille : t.tailles) paires->Arg(taille);
    parTaille.push_back(paires);
    parTaille.push_back(benchmark::RegisterBenchmark("RechercheTousTypes", BM_RechercheTousTypes));
    PrepareEcran(t.coupees[t.tailles.back()]);
    parTaille.push_back(benchmark::RegisterBenchmark("ContenuEcran", BM_ContenuEcran));
    parTaille.push_back(benchmark::RegisterBenchmark("LectureSeule", BM_LectureSeule));
    for (auto* b : parTaille) {
        b->Unit(benchmark::kMillisecond)->Repetitions(petit ? 3 : 5)->UseRealTime();
        b->ReportAggregatesOnly(true)->Iterations(petit ? 5 : 1);
    }
    bench::Collecteur collecteur;
    benchmark::RunSpecifiedBenchmarks(&collecteur);

    const auto mediane = [&](const char* nom, qsizetype taille) {
        return collecteur.mediane(std::string(nom) + '/' + std::to_string(taille));
    };
    std::printf("\nMedian times over the model list (target < 500 ms each below the cap):\n");
    for (const qsizetype taille : t.tailles) {
        const double base = mediane("RadicauxSeuls", taille);
        const double lstat = mediane("LstatSeul", taille);
        const qint64 couples = t.couples[taille];
        std::printf(
            "  %7lld entries, %7lld couples, %6lld files read: radicals only %7.2f ms, lstat "
            "only %7.2f ms\n",
            static_cast<long long>(taille), static_cast<long long>(couples),
            static_cast<long long>(t.lus[taille]), base, lstat);
        for (const char* nom : {"Recherche", "PremierCouple", "NomsVoisins"}) {
            const double m = mediane(nom, taille);
            std::printf("    %-14s %8.2f ms  %5.2f x lstat only  %6.0f ns per entry or couple\n",
                        nom, m, lstat > 0 ? m / lstat : 0.0,
                        m * 1e6 / double(taille + (std::string(nom) == "Recherche" ? couples : 0)));
        }
    }
    std::printf(
        "  RechercheTousTypes %8.2f ms over %zu entries (every type; stops at the "
        "table's size)\n",
        collecteur.mediane("RechercheTousTypes"), t.tous.TabFich.size());
    for (const qsizetype taille : t.tailles)
        std::printf("  PairesRepertoires %8.2f ms over the %lld couples of %lld entries\n",
                    mediane("PairesRepertoires", taille), static_cast<long long>(t.couples[taille]),
                    static_cast<long long>(taille));
    const double ecran = collecteur.mediane("ContenuEcran");
    const double lecture = collecteur.mediane("LectureSeule");
    std::printf(
        "Same content of one screen (%d couples, %zu files, %lld bytes): %.3f ms, plain read "
        "of those files %.3f ms, ratio %.2f (target <= 1 read of each file)\n",
        NbCouplesEcran, t.ecran.size(), static_cast<long long>(t.octetsEcran), ecran, lecture,
        lecture > 0 ? ecran / lecture : 0.0);

    // Memory of the couple table: the bytes the vector holds, per couple kept.
    const FileSystem fs;
    for (AppState* state : {&t.coupees[t.tailles.back()], &t.tous}) {
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
