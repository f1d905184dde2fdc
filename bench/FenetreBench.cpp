// How long the main window's event loop can stall while the long commands run: a timer on
// the window's thread fires every 2 ms, and the longest gap between two of its ticks is the
// figure, for the scan, "Visu Purge", "Traitement Purge", "Recherche Multiples ?" and
// "Ces Fichiers" on a generated tree of 100,000 files (on /dev/shm when it is there). Each
// repetition makes its tree afresh, since the purge changes it. The time reported is that of
// the five commands together; each command's stall is a counter (ms), and their medians are
// printed at the end. The goal is under 100 ms each.
//
//   bench_fenetre [benchmark flags]
//   TIDEMARK_BENCH_SMALL=1 bench_fenetre     seconds-long run (small tree)
#include "bench/ArbreProE.h"
#include "bench/ArretsFenetre.h"

#include "core/SettingsStore.h"
#include "session/Session.h"
#include "ui/Application.h"
#include "ui/Dialogues.h"
#include "ui/Form1.h"
#include "ui/Form2.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace tidemark;

// Every question answered "Oui", every message printed: nothing modal stops the run.
class DialoguesMuets : public Dialogues {
public:
    bool ouiNon(QWidget*, const QString&, const QString&) override { return true; }
    bool confirme(QWidget*, const QString&, const QString&, bool) override { return true; }
    void erreur(QWidget*, const QString& texte, const QString&) override {
        std::fprintf(stderr, "%s\n", qPrintable(texte));
    }
    void avertissement(QWidget*, const QString& texte, const QString&, const QString&) override {
        std::fprintf(stderr, "%s\n", qPrintable(texte.left(200)));
    }
};

// Clicks a button of the window (or of `dans`) and returns the longest stall of the event
// loop until the command it started is over, in ms.
double Arret(Form1& fenetre, const char* bouton, QWidget* dans = nullptr) {
    auto* b = (dans ? dans : &fenetre)->findChild<QAbstractButton*>(QLatin1String(bouton));
    if (!b || !b->isEnabled()) {
        std::fprintf(stderr, "%s is not available\n", bouton);
        return -1;
    }
    QElapsedTimer depuis;
    qint64 pire = 0;
    QTimer sonde;
    sonde.setInterval(2);
    QObject::connect(&sonde, &QTimer::timeout, &fenetre,
                     [&] { pire = std::max(pire, depuis.restart()); });
    QEventLoop boucle;
    const auto fin = QObject::connect(&fenetre.session(), &Session::commandeChangee, &boucle, [&] {
        if (!fenetre.session().occupee())
            boucle.quit();
    });
    depuis.start();
    sonde.start();
    // The click itself runs on this thread too: its time counts.
    b->click();
    if (fenetre.session().occupee())
        boucle.exec();
    pire = std::max(pire, depuis.elapsed());
    QObject::disconnect(fin);
    return double(pire);
}

std::map<std::string, std::vector<double>> Mesures;

void BM_Fenetre(benchmark::State& etat) {
    bench::ParametresArbre parametres;
    parametres.repertoires = 1000;
    parametres.fichiers = 100000;
    parametres = bench::ParametresDepuisEnvironnement(parametres);
    for (auto _ : etat) {
        etat.PauseTiming();
        const QString base = QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                 ? QStringLiteral("/dev/shm/tidemark-bench-XXXXXX")
                                 : QString();
        QTemporaryDir dossier(base);
        const QString racine = bench::FaitArbreTemporaire(dossier, parametres, "tree");
        if (racine.isEmpty()) {
            etat.SkipWithError("no tree");
            return;
        }
        qputenv("TIDEMARK_DRIVES", QByteArray("C=") + dossier.path().toUtf8());
        MemorySettingsStore store;
        store.save(SectionDemarrage, QStringLiteral("memrepert"), QStringLiteral("c:\\arbre"));
        DialoguesMuets dialogues;
        Application app(store, &dialogues);
        app.demarre();
        Form1& fenetre = *app.form1();
        while (fenetre.session().occupee()) QCoreApplication::processEvents();
        // Every Pro/ENGINEER type of the table, as a user clearing out a tree would.
        for (int k = 0; k < 18; ++k) {
            auto* c =
                app.form1()->form2()->findChild<QAbstractButton*>(QStringLiteral("Chk%1").arg(k));
            if (c && !c->isChecked())
                c->click();
        }
        Arret(fenetre, "CmdAppliquer", fenetre.form2());
        etat.ResumeTiming();

        const double scan = Arret(fenetre, "sousrep");
        const double visu = Arret(fenetre, "CmdPurge");
        const double traitement = Arret(fenetre, "CmdTrait");
        const double recherche = Arret(fenetre, "CmdMulti");
        Arret(fenetre, "CmdTraitMulti");
        const double ces = Arret(fenetre, "CmdDepMulti1");
        etat.counters["scan_ms"] = scan;
        etat.counters["visu_ms"] = visu;
        etat.counters["traitement_ms"] = traitement;
        etat.counters["recherche_ms"] = recherche;
        etat.counters["ces_fichiers_ms"] = ces;
        for (const auto& [nom, valeur] :
             std::map<std::string, double>{{"scan", scan},
                                           {"Visu Purge", visu},
                                           {"Traitement Purge", traitement},
                                           {"Recherche Multiples ?", recherche},
                                           {"Ces Fichiers", ces}})
            Mesures[nom].push_back(valeur);
        etat.PauseTiming();
        app.form1()->hide();
        qunsetenv("TIDEMARK_DRIVES");
        etat.ResumeTiming();
    }
}
BENCHMARK(BM_Fenetre)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

}  // namespace

int main(int argc, char** argv) {
    return tidemark::bench::LanceBancFenetre(argc, argv, Mesures);
}
