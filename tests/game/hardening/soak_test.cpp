// The soak: the real game driven by seeded random input for a long run under the sanitizers. It
// must reach its last update without a sanitizer report, having played waves, and after the first
// 10,000 updates the memory it holds may grow by no more than 2 MiB. The runner draws every tenth
// update, and whenever the screen or the window size changes.
//
// What the game holds depends on the window size and the screen, so memory is read at checkpoints,
// each after updates of the same window size and screen without random input (see hardening.h).
// There the heap in use (the allocator's count of live bytes, from the runner's `heap_bytes`) in
// the second half of the run may exceed the first half's by no more than 2 MiB (the first
// checkpoint comes after 20,000 updates). The resident size is reported beside it but not bounded:
// under the sanitizer's allocator it swings by tens of MiB between checkpoints of the same state,
// with the memory it keeps cached after image sets of other sizes were freed.
//
// ZARNOK_SOAK_UPDATES sets the length (20,000 by default; 36,000 is ten minutes of play; `make
// soak` runs 1,000,000) and ZARNOK_SOAK_SEED the seed (1).
#include <algorithm>
#include <map>
#include <set>

#include "hardening.h"

namespace {

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

// A dump line's value of `name`, -1 when it has none.
long Value(const std::string& line, const std::string& name) {
    const size_t at = line.find("\"" + name + "\":");
    return at == std::string::npos ? -1 : std::atol(line.c_str() + at + name.size() + 3);
}

class Soak : public hardening::HardeningTest {};

TEST_F(Soak, RandomInputRunsToTheEndInBoundedMemory) {
    const int updates = static_cast<int>(EnvOr("ZARNOK_SOAK_UPDATES", 20000));
    const uint64_t seed = static_cast<uint64_t>(EnvOr("ZARNOK_SOAK_SEED", 1));
    const int every = 250;
    std::map<int, long> checkpoints;  // the least heap in the 2,000 updates before each
    long peak = -1, level = 0;
    int lastPass = -1;
    std::set<long> modes;
    const auto onLine = [&](pid_t pid, const std::string& line) {
        if (line.rfind("{\"pass\":", 0) != 0) return;
        lastPass = static_cast<int>(Value(line, "pass"));
        modes.insert(Value(line, "f_mode"));
        level = std::max(level, Value(line, "f_level"));
        peak = std::max(peak, ResidentBytes(pid));
        const int done = lastPass + 1, c = soak_next_checkpoint(lastPass);
        if (c - done >= 2000) return;
        const long heap = Value(line, "heap_bytes");
        long& least = checkpoints.try_emplace(c, heap).first->second;
        least = std::min(least, heap);
        if (done == c) {
            std::printf("soak: %d updates, at the checkpoint heap %.2f MiB\n", c, least / 1048576.0);
            std::fflush(stdout);
        }
    };
    // A small quarantine of freed blocks keeps the resident size near what the game holds.
    Run(updates, soak_script(seed, updates),
        "--dump f_mode,f_level,heap_bytes --dump-every " + std::to_string(every) + " --draw-every 10",
        "export ASAN_OPTIONS=\"$ASAN_OPTIONS:quarantine_size_mb=8\";", onLine);

    EXPECT_EQ(lastPass, updates - 1) << "the run ended early";
    EXPECT_GT(level, 0) << "no wave was played";
    std::string seen;
    for (long m : modes) seen += " " + std::to_string(m);
    std::printf("soak: %d updates, seed %llu, modes seen:%s, highest level %ld, peak resident %.1f MiB\n",
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
            half = std::max(half, least);
        }
        std::printf(
            "soak: %zu checkpoints, the most heap %.2f MiB in the first half, %.2f MiB in the second\n",
            checkpoints.size(), first / 1048576.0, second / 1048576.0);
        ASSERT_GT(first, 0) << "no heap readings";
        EXPECT_LE(second - first, 2L * 1024 * 1024) << "the heap grew after the first half";
    }
}

}  // namespace
