#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QByteArray>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace tidemark::bench {

// The main() of the window benchmarks: a QApplication on the offscreen platform, the
// benchmarks run, then the median of each longest stall they put in `mesures` (ms, by action).
inline int LanceBancFenetre(int argc, char** argv,
                            std::map<std::string, std::vector<double>>& mesures) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::printf("\nLongest stall of the window's event loop (median, ms; goal < 100):\n");
    for (auto& [nom, valeurs] : mesures) {
        std::sort(valeurs.begin(), valeurs.end());
        std::printf("  %-24s %6.0f\n", nom.c_str(), valeurs[valeurs.size() / 2]);
    }
    return 0;
}

}  // namespace tidemark::bench
