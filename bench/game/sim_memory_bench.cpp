// The scenario runner's resident memory over long runs: the peak resident size of a 2,000-pass and
// of a 20,000-pass run, and the growth between them, which must stay flat (long scenarios run for
// tens of thousands of passes). Run from the repository root (the runner reads data/ there).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

// The largest growth in megabytes from 2,000 to 20,000 passes that counts as flat.
constexpr double kFlatGrowthMb = 32;

// Runs the runner for `passes` passes; the peak resident size in megabytes, or -1 on a failure.
double PeakResidentMb(int passes) {
    const std::string sim = std::string(ZARNOK_BINARY_DIR) + "/zarnok-sim";
    const std::string count = std::to_string(passes);
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("ALSOFT_DRIVERS", "null", 1);
        if (!freopen("/dev/null", "w", stdout)) _exit(126);
        execl(sim.c_str(), sim.c_str(), "--updates", count.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_RunnerResidentSize(benchmark::State& state) {
    for (auto _ : state) {
        const double shortRun = PeakResidentMb(2000), longRun = PeakResidentMb(20000);
        if (shortRun < 0 || longRun < 0) {
            state.SkipWithError("the scenario runner failed (is there a display and data/?)");
            break;
        }
        state.counters["rss_2k_passes_MB"] = shortRun;
        state.counters["rss_20k_passes_MB"] = longRun;
        state.counters["growth_MB"] = longRun - shortRun;
        if (longRun - shortRun > kFlatGrowthMb) state.SkipWithError("resident memory grows with the passes");
    }
}
BENCHMARK(BM_RunnerResidentSize)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
