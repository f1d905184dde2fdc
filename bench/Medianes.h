#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace tidemark::bench {

// Keeps the median real time of each benchmark (by name and argument) while printing as
// usual; without repetitions, the time of its one run.
class Collecteur : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            std::string nom = run.run_name.function_name;
            if (!run.run_name.args.empty())
                nom.append(1, '/').append(run.run_name.args);
            if (run.error_occurred)
                continue;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medianes[nom] = run.GetAdjustedRealTime();
            else if (run.run_type == Run::RT_Iteration)
                uniques[nom].push_back(run.GetAdjustedRealTime());
        }
        ConsoleReporter::ReportRuns(runs);
    }
    // In the benchmark's time unit (ms); 0 when it did not run.
    double mediane(const std::string& nom) {
        if (const auto it = medianes.find(nom); it != medianes.end())
            return it->second;
        std::vector<double>& temps = uniques[nom];
        if (temps.empty())
            return 0;
        std::sort(temps.begin(), temps.end());
        return temps[temps.size() / 2];
    }

private:
    std::map<std::string, double> medianes;
    std::map<std::string, std::vector<double>> uniques;
};

}  // namespace tidemark::bench
