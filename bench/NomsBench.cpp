// The file-name routines over 500,000 generated list entries, against a baseline that only
// reads every character of each entry once.
#include "bench/ArbreProE.h"
#include "core/NomsFichier.h"

#include <QString>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using namespace tidemark;

std::vector<QString> Entrees() {
    const int nombre = bench::ModePetit() ? 5'000 : 500'000;
    static const char* const types[] = {"prt", "asm", "drw", "txt", "log", "inf", "xas", "idx"};
    std::vector<QString> entrees;
    entrees.reserve(nombre);
    for (int i = 0; i < nombre; ++i) {
        const QString dossier =
            QStringLiteral("C:\\projets\\moteur%1\\sous%2").arg(i % 97).arg(i % 13);
        const char* type = types[i % 8];
        QString nom =
            i % 8 == 3 ? QStringLiteral("trail") : QStringLiteral("PIECE_%1").arg(i % 4001);
        nom += u'.' + QLatin1String(type);
        if (i % 8 < 6)
            nom += u'.' + QString::number(1 + i % 12);
        entrees.push_back(dossier + u'\\' + nom);
    }
    return entrees;
}

const std::vector<QString>& Donnees() {
    static const std::vector<QString> entrees = Entrees();
    return entrees;
}

void BM_LectureSeule(benchmark::State& etat) {
    const auto& entrees = Donnees();
    for (auto _ : etat) {
        qsizetype total = 0;
        for (const QString& e : entrees) {
            for (QChar c : e) total += c.unicode() == u'.';
        }
        benchmark::DoNotOptimize(total);
    }
    etat.SetItemsProcessed(etat.iterations() * qint64(entrees.size()));
}

void BM_RoutinesDeNom(benchmark::State& etat) {
    const auto& entrees = Donnees();
    for (auto _ : etat) {
        qsizetype total = 0;
        for (const QString& e : entrees) {
            total += NomFichier(e).size() + NomRepertoire(e).size() + NomSansRevision(e).size() +
                     TypeFichier(e).size() + NumRevision(e, false);
        }
        benchmark::DoNotOptimize(total);
    }
    etat.SetItemsProcessed(etat.iterations() * qint64(entrees.size()));
}

BENCHMARK(BM_LectureSeule)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RoutinesDeNom)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
