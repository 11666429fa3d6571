// The game shell driven end to end by the scenario runner: loading, the title mode, resizing, the
// loading screen's pixels, set and expect lines and the runner's own refusals and standard input.
#include <csignal>

#include "tests/game/scenario/sim_run.h"

namespace {

// The runner in a folder without data or saved state.
class ScenarioTest : public simtest::SimTest {};

TEST_F(ScenarioTest, LoadingTakes27UpdatesThenTheTitleRunsAndAResizeLoadsAgain) {
    // Steps 2 .. 27, then the title; the render after the resize (pass 41) starts over.
    std::string script =
        "40 resize 1920 1080\n0 expect f_hdLevel = 2\n41 expect f_hdLevel = 4; f_scaleX = 3\n"
        "0-69 expect f_mode = 1\n26 expect f_drawCount = 375\n27 expect f_drawCount > 375\n";
    for (int p = 0; p < 70; ++p)
        script += std::to_string(p) + " expect f_loadStep = " +
                  std::to_string(p <= 25              ? p + 2
                                 : p >= 41 && p <= 66 ? p - 39
                                                      : 0) +
                  "\n";
    Expect(70, script);
}

TEST_F(ScenarioTest, TheLoadingScreenOnTheWindow) {
    Expect(6, "", "--screenshot shot.png");
    const simtest::Picture pic(dir / "shot.png");
    ASSERT_EQ(std::vector<int>({pic.w, pic.h}), std::vector<int>({640, 480}));
    // Clear colour 40/40/80 above the band; the orange band (alpha 0.7) across the middle; the
    // yellow disc in the centre.
    const int expected[][5] = {{20, 100, 40, 40, 80}, {20, 240, 187, 124, 66}};
    for (const auto& e : expected)
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(pic.At(e[0], e[1], c), e[2 + c], 3) << e[0] << "," << e[1];
    EXPECT_TRUE(pic.At(320, 180, 0) > 200 && pic.At(320, 180, 1) > 200 && pic.At(320, 180, 2) < 60);
}

TEST_F(ScenarioTest, SetAndExpectLinesAndBadInputEndingWithStatusTwo) {
    Expect(2,
           "1 set f_difficulty 3; f_hurt -1.25; f_players[10] 7\n1 expect f_difficulty = 3; f_hurt = -1.25\n"
           "0-1 expect f_loadStep < 4\n1 expect f_players[10] > 6.5; f_players[10] != f_players[9]\n");
    Expect(2, "1 resize 8 16384\n", "--size 16384x8");  // the largest side still runs
    for (const char* script : {"1 set f_hurt 1\n1 expect f_hurt != 1\n", "0-1 expect f_loadStep < 3\n"})
        EXPECT_EQ(Sim("--updates 2", script).status, 3) << script;
    // Sides past what X and a screenshot can hold, a folder as script, no names to dump.
    for (const char* args : {"--size 16385x480", "--size 640x16385", "--script .", "--dump ,", "--dump ''"})
        EXPECT_EQ(Sim(std::string("--updates 2 ") + args).status, 2) << args;
    // Unknown names, non-numbers, fractions for an int, arrays, elements past the end, missing
    // values, expects past the last update or with an unknown comparison.
    for (const char* script :
         {"1 resize 16385 100", "1 set f_nope 3", "1 set f_difficulty x", "1 set f_difficulty 2.5",
          "1 set f_hurt nan", "1 set f_scores 1", "1 set f_scores[150] 1", "1 set f_hurt",
          "2 expect f_hurt = 0", "1 expect f_hurt ~ 0", "1 expect f_hurt =", "1 set f_hurt 1; f_nope 2"})
        EXPECT_EQ(Sim("--updates 2", std::string(script) + "\n").status, 2) << script;
    // Events the run never reaches are reported, not dropped in silence.
    const simtest::SimRun late = Expect(2, "1 key down 37\n2 key down 37\n9 char 65\n");
    EXPECT_NE(late.out.find("2 script event(s) at pass 2 or later"), std::string::npos) << late.out;
}

TEST_F(ScenarioTest, TheRunnerLetsGoOfStandardInput) {
    // Standard input is a pipe that stays open and silent, as in a pipeline that never closes it. A
    // fatal error's debugger handshake reads it, so the runner must have swapped it for an empty
    // input by the time it prints its first line.
    std::filesystem::path input;
    Sim("--updates 100000000 --dump-every 1 --dump f_mode", "", "ALSOFT_DRIVERS=null",
        [&](pid_t pid, const std::string&) {
            std::error_code ec;
            if (input.empty())
                input = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/fd/0", ec);
            kill(pid, SIGKILL);
        });
    EXPECT_EQ(input, "/dev/null");
}

}  // namespace
