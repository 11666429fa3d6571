// The game shell driven end to end by the scenario runner: loading, the title mode, resizing,
// the quit keys, the loading screen's pixels, set lines, reproducible dumps and the runner's own
// refusals and standard input.
#include <stb/stb_image.h>

#include <csignal>

#include "tests/game/scenario/sim_run.h"

namespace {

namespace fs = std::filesystem;
using simtest::kSim;
using simtest::SimRun;

// The runner in a folder without data or saved state.
class ScenarioTest : public simtest::SimTest {};

TEST_F(ScenarioTest, LoadingTakes27UpdatesThenTheTitleRunsAndAResizeLoadsAgain) {
    const SimRun r =
        Sim("--updates 70 --dump f_loadStep,f_mode,f_hdLevel,f_scaleX,f_drawCount --dump-every 1",
            "40 resize 1920 1080\n");
    ASSERT_EQ(r.status, 0);
    const auto& d = r.dumps;
    ASSERT_EQ(d.size(), 70u);
    // Steps 2 .. 27, then the title; the render after the resize (pass 41) starts over.
    for (int pass = 0; pass < 70; ++pass) {
        const int step = pass <= 25 ? pass + 2 : pass >= 41 && pass <= 66 ? pass - 39 : 0;
        EXPECT_EQ(Value(d[pass], "f_loadStep"), step) << d[pass];
        EXPECT_EQ(Value(d[pass], "f_mode"), 1);
    }
    EXPECT_EQ(Value(d[26], "f_drawCount"), 25 * 15) << "the last loading step still shows the loading screen";
    EXPECT_GT(Value(d[27], "f_drawCount"), 25 * 15) << "the title's picture";
    EXPECT_EQ(Value(d[0], "f_hdLevel"), 2) << "640 x 480 is above 630 wide";
    EXPECT_EQ(Value(d[41], "f_hdLevel"), 4);
    EXPECT_EQ(Value(d[41], "f_scaleX"), 3);
}

TEST_F(ScenarioTest, QuitKeysEndWithStatusZero) {
    for (const char* key : {"115", "432"}) {
        const SimRun r = Sim("--updates 60 --dump f_mode", std::string("40 key down ") + key + "\n");
        EXPECT_EQ(r.status, 0) << key;
        const auto& d = r.dumps;
        ASSERT_EQ(d.size(), 1u) << key;
        EXPECT_EQ(Value(d[0], "pass"), 40) << key;
    }
}

TEST_F(ScenarioTest, TheLoadingScreenOnTheWindow) {
    const SimRun r = Sim("--updates 6 --screenshot shot.png");
    ASSERT_EQ(r.status, 0);
    int w = 0, h = 0, n = 0;
    unsigned char* px = stbi_load((dir / "shot.png").c_str(), &w, &h, &n, 3);
    ASSERT_NE(px, nullptr);
    ASSERT_EQ(w, 640);
    ASSERT_EQ(h, 480);
    auto at = [&](int x, int y, int c) { return int(px[(static_cast<size_t>(y) * w + x) * 3 + c]); };
    // Clear colour 40/40/80 above the band; the orange band (alpha 0.7) across the middle; the
    // yellow disc in the centre.
    const int expected[][5] = {{20, 100, 40, 40, 80}, {20, 240, 187, 124, 66}};
    for (const auto& e : expected)
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(at(e[0], e[1], c), e[2 + c], 3) << e[0] << "," << e[1];
    EXPECT_TRUE(at(320, 180, 0) > 200 && at(320, 180, 1) > 200 && at(320, 180, 2) < 60) << "the yellow disc";
    stbi_image_free(px);
}

TEST_F(ScenarioTest, SetLinesWriteFieldsBeforeTheUpdate) {
    const SimRun r = Sim("--updates 3 --dump f_difficulty,f_hurt,vx_random_Seed --dump-every 1",
                         "1 set f_difficulty 3\n1 set f_hurt -1.25\n2 set vx_random_Seed 77\n");
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(r.dumps.size(), 3u);
    EXPECT_NE(r.dumps[0].find("\"f_difficulty\":2,\"f_hurt\":0,"), std::string::npos) << r.dumps[0];
    EXPECT_NE(r.dumps[1].find("\"f_difficulty\":3,\"f_hurt\":-1.25,"), std::string::npos) << r.dumps[1];
    EXPECT_EQ(Value(r.dumps[2], "vx_random_Seed"), 77);
    // Unknown names, non-numbers, fractions for an int, arrays and a missing value are bad lines.
    for (const char* bad :
         {"f_nope 3", "f_difficulty x", "f_difficulty 2.5", "f_hurt nan", "f_scores 1", "f_hurt"})
        EXPECT_EQ(Sim("--updates 2", std::string("1 set ") + bad + "\n").status, 2) << bad;
}

TEST_F(ScenarioTest, TwoRunsGiveIdenticalDumps) {
    const std::string script =
        "3 mouse move 100 100\n5 key down 39\n9 key up 39\n20 mouse down 0 300 200\n"
        "24 mouse up 0 300 200\n28 joy 0 axis 0 0.7\n30 resize 1024 768\n";
    const std::string args =
        "--updates 70 --dump-every 7 --dump "
        "vx_random_Seed,f_loadStep,f_ptrX,f_ptrY,f_stars,f_drawList,f_touchVX";
    const SimRun a = Sim(args, script);
    const SimRun b = Sim(args, script);
    ASSERT_EQ(a.status, 0);
    ASSERT_EQ(a.dumps.size(), 10u);
    EXPECT_EQ(a.lines, b.lines);
}

TEST_F(ScenarioTest, BadArgumentsEndWithStatusTwo) {
    const struct {
        const char *args, *script;
        int status;
    } cases[] = {
        {"--size 16385x480", "", 2},  // a side past what X and a screenshot can hold
        {"--size 640x16385", "", 2},
        {"", "1 resize 16385 100\n", 2},
        {"--size 16384x8", "1 resize 8 16384\n", 0},  // the largest side still runs
        {"--script .", "", 2},                        // a folder is no script
        {"--dump ,", "", 2},                          // no names to dump
        {"--dump ''", "", 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Sim(std::string("--updates 2 ") + c.args, c.script).status, c.status) << c.args << c.script;
    // Events the run never reaches are reported, not dropped in silence.
    const SimRun r = Sim("--updates 2", "1 key down 37\n2 key down 37\n9 char 65\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("2 script event(s) at pass 2 or later"), std::string::npos) << r.err;
}

TEST_F(ScenarioTest, TheRunnerLetsGoOfStandardInput) {
    // Standard input stays open and silent, as in a pipeline that never closes it. A fatal error's
    // debugger handshake reads it, so the runner must have swapped it for an empty input by the
    // time it can report one (its fault handler is installed).
    int in[2];
    ASSERT_EQ(pipe(in), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(in[0], 0);
        dup2(null, 1);
        dup2(null, 2);
        if (chdir(dir.c_str()) != 0) _exit(126);
        setenv("ALSOFT_DRIVERS", "null", 1);
        execl(kSim.c_str(), kSim.c_str(), "--updates", "100000000", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(in[0]);
    const std::string proc = "/proc/" + std::to_string(pid);
    auto faultHandled = [&] {
        std::ifstream status(proc + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("SigCgt:", 0) == 0)
                return (std::stoull(line.substr(7), nullptr, 16) >> (SIGSEGV - 1)) & 1;
        return 0ull;
    };
    while (!faultHandled() && waitpid(pid, nullptr, WNOHANG) == 0) usleep(10000);
    std::error_code ec;
    const fs::path input = fs::read_symlink(proc + "/fd/0", ec);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    close(in[1]);
    EXPECT_EQ(input, "/dev/null");
}

}  // namespace
