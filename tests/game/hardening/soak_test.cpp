// The soak: the real game driven by seeded random input for a long run under the sanitizers. It
// must reach its last update without a sanitizer report, having played waves, and after the first
// 10,000 updates the memory it holds may grow by no more than 2 MiB. The runner draws every tenth
// update, and whenever the screen or the window size changes.
//
// What the game holds depends on the window size and the screen, so memory is read at checkpoints,
// each after updates of the same window size and screen without random input (see
// soak_script.h). There the heap in use (the allocator's count of live bytes, from the runner's
// `heap_bytes`) in the second half of the run may exceed the first half's by no more than 2 MiB
// (the first checkpoint comes after 20,000 updates). The resident size
// is reported beside it but not bounded: under the sanitizer's allocator it swings by tens of MiB
// between checkpoints of the same state, with the memory it keeps cached after image sets of
// other sizes were freed.
//
// ZARNOK_SOAK_UPDATES sets the length (20,000 by default; 36,000 is ten minutes of play; `make
// soak` runs 1,000,000) and ZARNOK_SOAK_SEED the seed (1).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "sim_child.h"
#include "soak_script.h"

namespace {

namespace fs = std::filesystem;

long EnvOr(const char* name, long fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::atol(v) : fallback;
}

// The process's own resident memory, without the pages of mapped files (the drivers' libraries),
// which the kernel drops and reads back as other programs need memory.
long ResidentBytes(pid_t pid) {
    std::ifstream statm("/proc/" + std::to_string(pid) + "/statm");
    long size = 0, resident = -1, shared = 0;
    statm >> size >> resident >> shared;
    return resident < 0 ? -1 : (resident - shared) * sysconf(_SC_PAGESIZE);
}

class Soak : public hardening::HardeningTest {};

TEST_F(Soak, RandomInputRunsToTheEndInBoundedMemory) {
#if !defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the soak runs in the sanitizer build (make test-asan, make soak)";
#endif
    const int updates = static_cast<int>(EnvOr("ZARNOK_SOAK_UPDATES", 20000));
    const uint64_t seed = static_cast<uint64_t>(EnvOr("ZARNOK_SOAK_SEED", 1));
    ASSERT_TRUE(LinkGameData()) << "no game data and no generator";
    std::ofstream(dir / "soak.txt") << soak_script(seed, updates);

    const int every = 250;
    std::map<int, std::pair<long, long>> checkpoints;  // the least heap and resident size before each
    long peak = -1;
    int lastPass = -1, level = 0;
    std::set<int> modes;
    hardening::SimOptions o;
    o.folder = dir.string();
    o.args = {"--updates",    std::to_string(updates),
              "--script",     "soak.txt",
              "--dump",       "f_mode,f_level,heap_bytes",
              "--dump-every", std::to_string(every),
              "--draw-every", "10"};
    // A small quarantine of freed blocks keeps the resident size near what the game holds.
    o.asanOptions = ":quarantine_size_mb=8";
    o.onLine = [&](pid_t pid, const std::string& line) {
        if (line.rfind("{\"pass\":", 0) != 0) return;
        lastPass = std::atoi(line.c_str() + 8);
        const size_t m = line.find("\"f_mode\":");
        if (m != std::string::npos) modes.insert(std::atoi(line.c_str() + m + 9));
        const size_t l = line.find("\"f_level\":");
        if (l != std::string::npos) level = std::max(level, std::atoi(line.c_str() + l + 10));
        const size_t h = line.find("\"heap_bytes\":");
        const long heap = h == std::string::npos ? -1 : std::atol(line.c_str() + h + 13);
        const long rss = ResidentBytes(pid);
        peak = std::max(peak, rss);
        const int done = lastPass + 1;
        for (int c = done; c < done + 2000; c += every) {
            if (!soak_checkpoint(c)) continue;
            auto& least = checkpoints.try_emplace(c, heap, rss).first->second;
            least = {std::min(least.first, heap), std::min(least.second, rss)};
            if (done == c) {
                std::printf("soak: %d updates, at the checkpoint heap %.2f MiB, resident %.1f MiB\n", c,
                            least.first / 1048576.0, least.second / 1048576.0);
                std::fflush(stdout);
            }
        }
    };
    const hardening::SimResult r = hardening::RunSim(o);

    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.Reports(), "");
    EXPECT_EQ(lastPass, updates - 1) << "the run ended early";
    EXPECT_GT(level, 0) << "no wave was played";
    std::string seen;
    for (int m : modes) seen += " " + std::to_string(m);
    std::printf("soak: %d updates, seed %llu, modes seen:%s, highest level %d, peak resident %.1f MiB\n",
                updates, static_cast<unsigned long long>(seed), seen.c_str(), level, peak / 1048576.0);
    // The heap at a checkpoint still depends on what the game loaded before: it creeps up as rarely
    // used images find their place on the atlas pages, and drops by tens of MiB when a set is
    // collected. Bounded memory means the second half of the run never holds more than the first
    // did; a leak would raise it by what it lost.
    if (checkpoints.size() >= 4) {
        long first = 0, second = 0;
        size_t i = 0;
        for (const auto& [c, least] : checkpoints) {
            long& half = i++ < checkpoints.size() / 2 ? first : second;
            half = std::max(half, least.first);
        }
        std::printf(
            "soak: %zu checkpoints, the most heap %.2f MiB in the first half, %.2f MiB in the second\n",
            checkpoints.size(), first / 1048576.0, second / 1048576.0);
        ASSERT_GT(first, 0) << "no heap readings";
        EXPECT_LE(second - first, 2L * 1024 * 1024) << "the heap grew after the first half";
    }
}

}  // namespace
