// Budgets for the benchmark programs: each program lists the figures it must meet, runs its
// benchmarks (several repetitions, medians kept) with the results written as JSON to
// bench/results/<program>.json, then prints every budgeted figure beside its budget and exits 1
// when one is missed or was not measured.
//
//   int main(int argc, char** argv) {
//       return bench::RunWithBudgets(argc, argv, "game_bench", {
//           {"update, busy scene", "BM_Update/busy", bench::CpuMicros, 50, "us"}, ...});
//   }
#pragma once

#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace bench {

enum Measure {
    CpuMicros,   // processor time per iteration
    RealMicros,  // wall-clock time per iteration (or the manual time, for UseManualTime runs)
    Counter,     // the named counter
    RealRatio,   // wall-clock time of the run over that of `other`
};

struct Budget {
    std::string figure;  // what the line says
    std::string run;     // benchmark name, without the aggregate suffix
    Measure measure;
    double limit;  // at most
    std::string unit;
    std::string counter = {};  // for Counter
    std::string other = {};    // for RealRatio
};

// Keeps every run for the budget check while printing them as the console reporter does.
class KeepingReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            // With repetitions only the median counts; a single run counts as it is.
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median") continue;
            kept[r.run_name.str()] = r;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, Run> kept;
};

inline double Seconds(const benchmark::BenchmarkReporter::Run& r, bool cpu) {
    double adjusted = cpu ? r.GetAdjustedCPUTime() : r.GetAdjustedRealTime();
    return adjusted / benchmark::GetTimeUnitMultiplier(r.time_unit);
}

inline int RunWithBudgets(int argc, char** argv, const char* program, const std::vector<Budget>& budgets,
                          int repetitions = 5) {
    const std::string dir = std::string(ZARNOK_SOURCE_DIR) + "/bench/results";
    mkdir(dir.c_str(), 0755);
    std::vector<std::string> extra = {
        "--benchmark_out=" + dir + "/" + program + ".json", "--benchmark_out_format=json",
        "--benchmark_repetitions=" + std::to_string(repetitions), "--benchmark_report_aggregates_only=true"};
    std::vector<char*> args(argv, argv + argc);
    // Arguments given on the command line come last and win.
    args.insert(args.begin() + 1, extra.size(), nullptr);
    for (size_t i = 0; i < extra.size(); ++i) args[1 + i] = extra[i].data();
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    KeepingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    int missed = 0;
    std::printf("\n%-58s %12s %12s\n", "Budget", "measured", "at most");
    for (const Budget& b : budgets) {
        auto it = reporter.kept.find(b.run);
        double value = -1;
        if (it != reporter.kept.end()) {
            const auto& r = it->second;
            switch (b.measure) {
                case CpuMicros:
                    value = Seconds(r, true) * 1e6;
                    break;
                case RealMicros:
                    value = Seconds(r, false) * 1e6;
                    break;
                case Counter: {
                    auto c = r.counters.find(b.counter);
                    if (c != r.counters.end()) value = c->second.value;
                    break;
                }
                case RealRatio: {
                    auto o = reporter.kept.find(b.other);
                    if (o != reporter.kept.end() && Seconds(o->second, false) > 0)
                        value = Seconds(r, false) / Seconds(o->second, false);
                    break;
                }
            }
        }
        const bool measured = value >= 0;
        const bool ok = measured && value <= b.limit;
        if (!ok) ++missed;
        if (measured) {
            std::printf("%-58s %9.3f %-2s %9.3f %-2s %s\n", b.figure.c_str(), value, b.unit.c_str(), b.limit,
                        b.unit.c_str(), ok ? "ok" : "MISSED");
        } else {
            std::printf("%-58s %12s %9.3f %-2s MISSED\n", b.figure.c_str(), "not measured", b.limit,
                        b.unit.c_str());
        }
    }
    std::printf("%s: %d budget%s missed\n", program, missed, missed == 1 ? "" : "s");
    return missed ? 1 : 0;
}

}  // namespace bench
