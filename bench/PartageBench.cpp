// Tidemark on a network share, against a parallel floor measured in the same run over the same
// mount. The share is a generated Pro/ENGINEER-like tree mounted through slowfs (a FUSE file
// system that makes every call wait, 200 µs by default, as a file server's round trip does).
//
//   scan                 the recursive scan         floor: read every directory (32 threads)
//   scan + analysis      "Visu Purge" after it      floor: read every directory and stat every
//   scan + search        "Recherche Multiples ?"           matching file (32 threads)
//   garage purge         "Traitement Purge" moving  floor: make the garage folders and rename
//                        the marked files               the same files (32 threads)
//
//   bench_partage [benchmark flags]
//   TIDEMARK_BENCH_SMALL=1 bench_partage         seconds-long run (20 folders, 2,000 files)
//   TIDEMARK_BENCH_DIRS=N TIDEMARK_BENCH_FILES=M bench_partage    (200 and 20,000 by default)
//   TIDEMARK_BENCH_DELAY_US=D bench_partage      the wait of every call (200)
//
// It needs /dev/fuse, the right to mount (root), and slowfs (built beside it from
// bench/slowfs when libfuse3-dev is installed); without them it says why and does nothing.
#include "bench/ArbreProE.h"
#include "bench/Medianes.h"

#include "core/AppState.h"
#include "core/Drives.h"
#include "core/FileSystem.h"
#include "core/TabConf.h"
#include "core/Wildcard.h"
#include "duplicates/RechercheDoublons.h"
#include "garage/Garage.h"
#include "inventory/Marquage.h"
#include "inventory/Scan.h"
#include "purge/AnalysePurge.h"
#include "purge/TraitementPurge.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace tidemark;

constexpr int FilsPlancher = 32;

// ---- The mount ------------------------------------------------------------------------

// slowfs serving `source` at `montage` while it lives.
class Montage {
public:
    Montage(const QString& source, const QString& montage, int attenteUs) : montage_(montage) {
#ifdef TIDEMARK_SLOWFS
        if (::access("/dev/fuse", R_OK | W_OK) != 0) {
            raison_ = QStringLiteral("/dev/fuse is missing or not usable");
            return;
        }
        processus_.setProgram(QStringLiteral(TIDEMARK_SLOWFS));
        processus_.setArguments({source, montage, QString::number(attenteUs), QStringLiteral("-f"),
                                 QStringLiteral("-o"), QStringLiteral("max_threads=64")});
        processus_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        processus_.start();
        if (!processus_.waitForStarted(5000)) {
            raison_ = QStringLiteral("slowfs could not start: ") + processus_.errorString();
            return;
        }
        // Mounted once the folder lies on another device than its parent.
        struct stat parent {};
        ::stat(QFile::encodeName(montage + QStringLiteral("/..")).constData(), &parent);
        for (int essai = 0; essai < 500; ++essai) {
            struct stat s {};
            if (::stat(QFile::encodeName(montage).constData(), &s) == 0 &&
                s.st_dev != parent.st_dev) {
                monte_ = true;
                return;
            }
            if (processus_.waitForFinished(10))
                break;
        }
        raison_ =
            QStringLiteral("slowfs could not mount %1 (no right to mount FUSE?)").arg(montage);
#else
        (void)source;
        (void)attenteUs;
        raison_ = QStringLiteral("slowfs was not built (libfuse3-dev and fuse3 missing)");
#endif
    }
    ~Montage() {
        if (monte_ && ::umount2(QFile::encodeName(montage_).constData(), 0) != 0)
            QProcess::execute(QStringLiteral("fusermount3"), {QStringLiteral("-u"), montage_});
        if (processus_.state() != QProcess::NotRunning && !processus_.waitForFinished(5000)) {
            processus_.kill();
            processus_.waitForFinished(1000);
        }
    }
    bool monte() const {
        return monte_;
    }
    QString raison() const {
        return raison_;
    }

private:
    QString montage_;
    QProcess processus_;
    bool monte_ = false;
    QString raison_;
};

// ---- The floors -----------------------------------------------------------------------

// Reads every directory below `racine` (its garage "_" aside) on FilsPlancher threads sharing
// one stack of directories, and stats every file whose name matches when `stat`; no order,
// nothing kept. Returns the files matched.
long long MarcheParallele(const QByteArray& racine, const Wildcard& filtre, bool avecStat) {
    std::mutex mutex;
    std::condition_variable cv;
    std::vector<QByteArray> pile{racine};
    int actifs = 0;
    std::atomic<long long> trouves{0};
    const auto travail = [&] {
        std::unique_lock verrou(mutex);
        for (;;) {
            cv.wait(verrou, [&] { return !pile.empty() || actifs == 0; });
            if (pile.empty())
                return;
            const QByteArray rep = std::move(pile.back());
            pile.pop_back();
            ++actifs;
            verrou.unlock();
            std::vector<QByteArray> sous;
            long long n = 0;
            const int fd = ::open(rep.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (DIR* d = fd >= 0 ? ::fdopendir(fd) : nullptr) {
                while (const dirent* e = ::readdir(d)) {
                    if (e->d_name[0] == '.' || (e->d_name[0] == '_' && e->d_name[1] == 0))
                        continue;
                    if (e->d_type == DT_DIR) {
                        sous.push_back(rep + '/' + e->d_name);
                    } else if (e->d_type == DT_REG &&
                               filtre.correspond(QString::fromUtf8(e->d_name))) {
                        struct stat s {};
                        if (!avecStat || ::fstatat(fd, e->d_name, &s, AT_SYMLINK_NOFOLLOW) == 0)
                            ++n;
                    }
                }
                ::closedir(d);
            } else if (fd >= 0) {
                ::close(fd);
            }
            trouves += n;
            verrou.lock();
            --actifs;
            for (QByteArray& s : sous) pile.push_back(std::move(s));
            cv.notify_all();
        }
    };
    std::vector<std::thread> fils;
    for (int f = 0; f < FilsPlancher; ++f) fils.emplace_back(travail);
    for (std::thread& f : fils) f.join();
    return trouves;
}

// ---- The tree and the commands --------------------------------------------------------

struct Terrain {
    QString source;   // the generated tree's folder (holds "arbre"), outside the mount
    QString montage;  // the same seen through slowfs: drive T
    DriveMap lecteurs;
    AppState reglages;  // the selection and options of the purge
    AppState liste;     // the list of one scan, analysed, for the search and the purge
    std::vector<std::pair<QByteArray, QByteArray>> deplacements;  // marked files: host, garage
};
Terrain* terrain = nullptr;

ResultatScan Scanne(AppState& state) {
    DemandeScan demande;
    demande.repertoire = QStringLiteral("T:\\arbre");
    demande.sousRepertoires = true;
    const FileSystem fs;
    ScanSansDialogue sansDialogue;
    ResultatScan r = Scan(state, demande, terrain->lecteurs, fs, sansDialogue);
    state.ListeDeFichiers = true;
    state.EtatMarque.assign(state.TabFich.size(), EtatVide);
    state.InfosLues.clear();
    return r;
}

double Secondes(const QElapsedTimer& chrono) {
    return double(chrono.nsecsElapsed()) / 1e9;
}

// The floor: every directory read on 32 threads, and with `stat` every matching file too.
void PlancherLecture(benchmark::State& etat, bool stat) {
    const Wildcard filtre(terrain->reglages.FiltreFich);
    long long n = 0;
    for (auto _ : etat) {
        QElapsedTimer chrono;
        chrono.start();
        n = MarcheParallele(QFile::encodeName(terrain->montage + QStringLiteral("/arbre")), filtre,
                            stat);
        etat.SetIterationTime(Secondes(chrono));
    }
    etat.counters["fichiers"] = double(n);
}

void BM_PlancherLecture(benchmark::State& etat) {
    PlancherLecture(etat, false);
}

void BM_PlancherLectureStat(benchmark::State& etat) {
    PlancherLecture(etat, true);
}

void BM_Scan(benchmark::State& etat) {
    AppState state = terrain->reglages;
    for (auto _ : etat) {
        QElapsedTimer chrono;
        chrono.start();
        Scanne(state);
        etat.SetIterationTime(Secondes(chrono));
    }
    etat.counters["fichiers"] = double(state.TabFich.size());
    if (state.TabFich.size() != terrain->liste.TabFich.size())
        etat.SkipWithError("the scan found another list than the first one");
}

void BM_Analyse(benchmark::State& etat) {
    AppState state = terrain->liste;
    const FileSystem fs;
    PlanPurge plan;
    for (auto _ : etat) {
        state.EtatMarque.assign(state.TabFich.size(), EtatVide);
        QElapsedTimer chrono;
        chrono.start();
        plan = AnalysePurge(state, terrain->lecteurs, fs);
        etat.SetIterationTime(Secondes(chrono));
    }
    etat.counters["marquees"] = double(plan.nbfich);
    if (!plan.illisibles.empty())
        etat.SkipWithError("some marked files could not be read");
}

void BM_Recherche(benchmark::State& etat) {
    const FileSystem fs;
    DemandeRecherche demande;
    demande.repertoire = QStringLiteral("T:\\arbre");
    ResultatRecherche r;
    for (auto _ : etat) {
        QElapsedTimer chrono;
        chrono.start();
        r = RechercheMultiples(std::as_const(terrain->liste), demande, terrain->lecteurs, fs);
        etat.SetIterationTime(Secondes(chrono));
    }
    etat.counters["couples"] = double(r.couples);
}

// Puts the moved files back and removes the garage, on the source tree (not through the
// share, so that it costs little), between two timed runs.
QString Remet() {
    const QByteArray montage = QFile::encodeName(terrain->montage);
    const QByteArray source = QFile::encodeName(terrain->source);
    for (const auto& [hote, garage] : terrain->deplacements) {
        const QByteArray de = source + garage.mid(montage.size());
        const QByteArray vers = source + hote.mid(montage.size());
        if (::rename(de.constData(), vers.constData()) != 0 && errno != ENOENT)
            return QStringLiteral("could not put back ") + QFile::decodeName(vers);
    }
    QDir(terrain->source + QStringLiteral("/_")).removeRecursively();
    return {};
}

// Runs `purge` after putting the tree back as it was; only `purge` is timed.
template <typename Purge>
void Purges(benchmark::State& etat, Purge purge) {
    for (auto _ : etat) {
        if (const QString erreur = Remet(); !erreur.isEmpty()) {
            etat.SkipWithError(erreur.toUtf8().constData());
            break;
        }
        QElapsedTimer chrono;
        chrono.start();
        const QString echec = purge();
        etat.SetIterationTime(Secondes(chrono));
        if (!echec.isEmpty()) {
            etat.SkipWithError(echec.toUtf8().constData());
            break;
        }
    }
    etat.counters["fichiers"] = double(terrain->deplacements.size());
}

void BM_PurgeGarage(benchmark::State& etat) {
    Purges(etat, [] {
        FileSystem fs;
        const ResultatTraitement r =
            TraitementPurge(terrain->liste, ModeDisposition::Deplacer, terrain->lecteurs, fs);
        if (!r.complet() || r.traitees != qsizetype(terrain->deplacements.size()))
            return QStringLiteral("the purge did not move every marked file: ") +
                   ComposeMessageEchecs(r.echecs).texte;
        return QString();
    });
}

// The floor of the purge: the files grouped by folder, the folders handed out to
// FilsPlancher threads; each makes its garage folder (and those above) and renames the files.
void BM_PlancherRenomme(benchmark::State& etat) {
    std::vector<std::vector<const std::pair<QByteArray, QByteArray>*>> dossiers;
    for (const auto& d : terrain->deplacements) {
        const QByteArray dossier = d.second.first(d.second.lastIndexOf('/'));
        if (dossiers.empty() || dossiers.back().front()->second.first(
                                    dossiers.back().front()->second.lastIndexOf('/')) != dossier)
            dossiers.emplace_back();
        dossiers.back().push_back(&d);
    }
    const qsizetype debut = QFile::encodeName(terrain->montage).size() + 1;
    Purges(etat, [&] {
        std::atomic<std::size_t> suivant{0};
        std::atomic<int> echecs{0};
        std::vector<std::thread> fils;
        for (int f = 0; f < FilsPlancher; ++f) {
            fils.emplace_back([&] {
                for (std::size_t k = suivant++; k < dossiers.size(); k = suivant++) {
                    const QByteArray& cible = dossiers[k].front()->second;
                    const QByteArray dossier = cible.first(cible.lastIndexOf('/'));
                    for (qsizetype fin = dossier.indexOf('/', debut);;
                         fin = dossier.indexOf('/', fin + 1)) {
                        const QByteArray niveau = fin < 0 ? dossier : dossier.first(fin);
                        if (::mkdir(niveau.constData(), 0777) != 0 && errno != EEXIST)
                            ++echecs;
                        if (fin < 0)
                            break;
                    }
                    for (const auto* d : dossiers[k]) {
                        if (::rename(d->first.constData(), d->second.constData()) != 0)
                            ++echecs;
                    }
                }
            });
        }
        for (std::thread& f : fils) f.join();
        return echecs > 0 ? QStringLiteral("some plain renames failed") : QString();
    });
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    const bench::ParametresArbre parametres =
        bench::ParametresDepuisEnvironnement({.repertoires = 200, .fichiers = 20000});
    const int attenteUs = qEnvironmentVariableIsSet("TIDEMARK_BENCH_DELAY_US")
                              ? qEnvironmentVariableIntValue("TIDEMARK_BENCH_DELAY_US")
                              : 200;
    QTemporaryDir dossier;
    Terrain t;
    t.source = dossier.path() + QStringLiteral("/source");
    t.montage = dossier.path() + QStringLiteral("/partage");
    QDir().mkpath(t.montage);
    // The tree is made in "source/arbre", before the mount.
    const QString arbre = t.source + QStringLiteral("/arbre");
    if (!dossier.isValid() || !QDir().mkpath(arbre) ||
        bench::GenereArbreProE(arbre, parametres).repertoires != parametres.repertoires) {
        std::fprintf(stderr, "the tree could not be made\n");
        return 1;
    }
    Montage montage(t.source, t.montage, attenteUs);
    if (!montage.monte()) {
        std::printf("Share benchmark skipped: %s\n", qPrintable(montage.raison()));
        return 0;
    }
    std::printf("Tree of %d folders and %d files behind slowfs, %d µs a call\n",
                parametres.repertoires, parametres.fichiers, attenteUs);
    t.lecteurs.ajoute(u'T', t.montage);

    // "purge --types prt,asm,drw,frm,tbl,sym,lay,dgm --keep 1 -r"
    const QStringList types = {QStringLiteral("prt"), QStringLiteral("asm"), QStringLiteral("drw"),
                               QStringLiteral("frm"), QStringLiteral("tbl"), QStringLiteral("sym"),
                               QStringLiteral("lay"), QStringLiteral("dgm")};
    for (LigneType& ligne : t.reglages.TabConf) ligne.selection = types.contains(ligne.cle) ? 1 : 0;
    t.reglages.FiltreFich = ConstruitFiltre(t.reglages.TabConf);
    t.reglages.options.ValNbRev = 1;
    t.reglages.options.ValNbRev1 = 0;
    terrain = &t;

    // The list, analysed once, for the search and the purge, and the files the purge moves.
    t.liste = t.reglages;
    Scanne(t.liste);
    const FileSystem fs;
    VisuPurge(t.liste, t.lecteurs, fs);
    for (std::size_t i = 0; i < t.liste.TabFich.size(); ++i) {
        if (!EstMarquee(EtatDeLigne(t.liste, i)))
            continue;
        const QString chemin = CheminEntree(t.liste, i);
        t.deplacements.emplace_back(QFile::encodeName(*t.lecteurs.versHote(chemin)),
                                    QFile::encodeName(*t.lecteurs.versHote(CheminGarage(chemin))));
    }
    std::printf("List: %zu entries, %zu marked\n", t.liste.TabFich.size(), t.deplacements.size());

    const bool petit = bench::ModePetit();
    for (auto* b : {benchmark::RegisterBenchmark("PlancherLecture", BM_PlancherLecture),
                    benchmark::RegisterBenchmark("Scan", BM_Scan),
                    benchmark::RegisterBenchmark("PlancherLectureStat", BM_PlancherLectureStat),
                    benchmark::RegisterBenchmark("Analyse", BM_Analyse),
                    benchmark::RegisterBenchmark("Recherche", BM_Recherche),
                    benchmark::RegisterBenchmark("PlancherRenomme", BM_PlancherRenomme),
                    benchmark::RegisterBenchmark("PurgeGarage", BM_PurgeGarage)}) {
        b->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(1)
            ->Repetitions(petit ? 1 : 5);
    }
    bench::Collecteur collecteur;
    benchmark::RunSpecifiedBenchmarks(&collecteur);
    Remet();

    const double lecture = collecteur.mediane("PlancherLecture");
    const double lectureStat = collecteur.mediane("PlancherLectureStat");
    const double renomme = collecteur.mediane("PlancherRenomme");
    const double scan = collecteur.mediane("Scan");
    const double analyse = collecteur.mediane("Analyse");
    const double recherche = collecteur.mediane("Recherche");
    const double purge = collecteur.mediane("PurgeGarage");
    const auto ligne = [](const char* quoi, double temps, const char* plancher, double base) {
        std::printf("  %-18s %9.1f ms   %-32s %9.1f ms   ratio %5.2f (target <= 1.5)\n", quoi,
                    temps, plancher, base, base > 0 ? temps / base : 0.0);
    };
    std::printf("\nMedian times on the share, against the floor (%d threads) of the same run:\n",
                FilsPlancher);
    ligne("scan", scan, "floor: read every directory", lecture);
    ligne("scan + analysis", scan + analyse, "floor: read, stat matching files", lectureStat);
    ligne("scan + search", scan + recherche, "floor: read, stat matching files", lectureStat);
    ligne("garage purge", purge, "floor: mkdir + rename the files", renomme);
    std::printf("  (analysis alone %.1f ms, search alone %.1f ms)\n", analyse, recherche);
    std::printf("  scan + analysis: %.2f s (target under 10 s at 200,000 files)\n",
                (scan + analyse) / 1000);
    benchmark::Shutdown();
    return 0;
}
