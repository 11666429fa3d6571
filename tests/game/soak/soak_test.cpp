// The real game played with seeded random input through the scenario runner: steering, slow
// motion, pausing, pointer presses, joystick sway, window resizes and new games of every
// difficulty. In the sanitizer build any report ends the runner with a failing status.
//
// One minute of play by default; ZARNOK_SOAK_UPDATES sets another length (36000 is ten minutes).
#include <random>

#include "tests/game/scenario/sim_run.h"

namespace {

class SoakTest : public simtest::SimTest {};

std::string RandomPlay(int updates, unsigned seed) {
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    std::string s;
    auto line = [&](int pass, const std::string& what) { s += std::to_string(pass) + " " + what + "\n"; };
    const int keys[] = {37, 39, 90, 88, 32, 27};
    const char* sizes[] = {"640 480", "1920 1080", "800 1280", "1024 768"};
    for (int pass = 30; pass < updates; pass += 1 + pick(40)) {
        if (pass % 2400 < 40) {
            line(pass, "set f_difficulty " + std::to_string(1 + pick(3)));
            line(pass, "set f_mode 11");
        }
        const int what = pick(100);
        if (what < 60) {
            const int key = keys[pick(what < 58 ? 5 : 6)];
            line(pass, "key down " + std::to_string(key));
            line(pass + 2 + pick(90), "key up " + std::to_string(key));
        } else if (what < 75) {
            line(pass, "mouse move " + std::to_string(pick(640)) + " " + std::to_string(pick(480)));
        } else if (what < 85) {
            const std::string at = std::to_string(pick(640)) + " " + std::to_string(pick(480));
            line(pass, "mouse down 0 " + at);
            line(pass + 1 + pick(30), "mouse up 0 " + at);
        } else if (what < 95) {
            line(pass, "joy 0 axis 0 " + std::to_string((pick(201) - 100) / 100.0));
        } else if (what < 99) {
            line(pass, "set f_paused 0");
        } else {
            line(pass, std::string("resize ") + sizes[pick(4)]);
        }
    }
    return s;
}

TEST_F(SoakTest, RandomPlayRunsCleanly) {
    if (!LinkData()) GTEST_SKIP() << "no data generator";
    const char* env = std::getenv("ZARNOK_SOAK_UPDATES");
    const int updates = env ? std::atoi(env) : 3600;
    const simtest::SimRun r = Sim("--updates " + std::to_string(updates) +
                                      " --dump-every 600 --dump f_mode,f_level,f_score,vx_random_Seed",
                                  RandomPlay(updates, 2026));
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(r.dumps.size(), static_cast<size_t>(updates / 600));
    long levels = 0;
    for (const std::string& d : r.dumps) levels += Value(d, "f_level");
    EXPECT_GT(levels, 0) << "waves were played";
}

}  // namespace
