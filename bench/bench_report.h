#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

// Prints one line per benchmark, "name: median unit", from runs registered with repetitions.
class LineReporter : public benchmark::BenchmarkReporter {
public:
    std::map<std::string, double> medians;
    bool ReportContext(const Context&) override { return true; }
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median") continue;
            std::string name = run.run_name.function_name;
            std::printf("%s: %.3f ms\n", name.c_str(), run.GetAdjustedRealTime());
            medians[name] = run.GetAdjustedRealTime();
            std::fflush(stdout);
        }
    }
};
