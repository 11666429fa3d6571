// The game under stress through the scenario runner, in the sanitizer build: the test folder with
// the game's data, the runs, and the soak's random input.
#pragma once

#include <cstdint>
#include <string>

#include "tests/game/scenario/sim_run.h"

// Seeded random input for the scenario runner: keys held for a while, typed characters, mouse
// drags (the touch path), joysticks plugged, moved and unplugged, suspend and resume, resizes and
// the full-screen key, as a script of the runner's own format, with a new game started every 5,000
// updates. The same seed gives the same script.
//
// Memory is read at checkpoints, since what the game holds depends on the window size and the
// screen: every kSoakCheckEvery updates from kSoakFirstCheck on, the last kSoakQuiet updates before
// the checkpoint bring no random input, only a 320 x 240 window, a new game of difficulty 1, and
// the full-screen key twice (a new GL context).
//
// The controls that end the program (F4, the close and back keys, the back buttons of a joystick
// and the cabinet's back letters) are never sent, so that one run lasts all its updates.
std::string soak_script(uint64_t seed, int updates);

constexpr int kSoakFirstCheck = 20000, kSoakCheckEvery = 50000, kSoakQuiet = 6000;

// The first checkpoint after `pass`.
inline int soak_next_checkpoint(int pass) {
    return pass < kSoakFirstCheck ? kSoakFirstCheck
                                  : pass + kSoakCheckEvery - (pass - kSoakFirstCheck) % kSoakCheckEvery;
}

namespace hardening {

namespace fs = std::filesystem;

// A test folder with the game's data linked in: the data/ that `make build` generated when there is
// one, else the build's own generator's (LinkData).
class HardeningTest : public simtest::SimTest {
  protected:
    void SetUp() override {
#if !defined(__SANITIZE_ADDRESS__)
        GTEST_SKIP() << "the soak and fault tests run in the sanitizer build (make test-asan, make soak)";
#endif
        SimTest::SetUp();
        if (IsSkipped()) return;
        const fs::path made = fs::path(ZARNOK_SOURCE_DIR) / "data";
        if (fs::exists(made / "gfx.png"))
            fs::create_directory_symlink(made, dir / "data");
        else
            ASSERT_TRUE(LinkData()) << "no game data and no generator";
        data = fs::read_symlink(dir / "data");
    }

    // Expect without rasteriser threads, and without the leak check at exit: it stops the world
    // through a tracer, which now and then dies beside the game's other threads ("LeakSanitizer has
    // encountered a fatal error"). These runs look for memory errors, which end the runner with
    // another status than 0; the unit tests check for leaks.
    simtest::SimRun Run(int updates, const std::string& script, const std::string& args,
                        const std::string& env = "", const simtest::OnLine& onLine = nullptr) {
        return Expect(
            updates, script, args,
            "export LP_NUM_THREADS=0 ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0\"; " + env,
            onLine);
    }

    fs::path data;  // the game's data folder
};

}  // namespace hardening
