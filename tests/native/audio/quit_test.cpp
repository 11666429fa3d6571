// How the program ends: normally with nothing on standard error (the sound device is closed at exit),
// after a fault with the device left alone. (Running without a device is a fault test of the game.)
#include <gtest/gtest.h>

#include <sys/wait.h>

#include "audio_test_util.h"

using namespace audiotest;

namespace {

const std::string kConfigured = ConfigureOpenAL("null");

struct Outcome {
    int status = -1;
    std::string out, err;
};

// Runs the probe, which plays a 0.3 s tone and ends by `mode` ("return" or "quit").
Outcome RunProbe(const std::string& mode) {
    static const std::string base = ScratchDir("quit-probe"), sound = base + "/tone.wav";
    static const int made = Shell("sox -n -r 22050 -c 1 -b 16 '" + sound + "' synth 0.3 sine 440");
    EXPECT_EQ(0, made);
    int raw = Shell(std::string("'") + ZARNOK_BINARY_DIR + "/tests/audio_quit_probe' " + mode + " '" + sound +
                    "' </dev/null >'" + base + "/out' 2>'" + base + "/err'");
    std::vector<unsigned char> out = ReadFile(base + "/out"), err = ReadFile(base + "/err");
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, {out.begin(), out.end()}, {err.begin(), err.end()}};
}

struct Cleanup : ::testing::Environment {
    void TearDown() override { Shell("rm -rf '" + ScratchDir("quit-probe") + "'"); }
};
const auto* cleanup = ::testing::AddGlobalTestEnvironment(new Cleanup);

}  // namespace

TEST(QuitTest, ReturningFromMainOrQuittingPrintsNothingOnStandardError) {
    for (const char* mode : {"return", "quit"}) {
        Outcome o = RunProbe(mode);
        EXPECT_EQ(o.status, 0) << mode;
        EXPECT_EQ(o.out, "played 0\n") << mode;
        EXPECT_EQ(o.err, "") << mode;
    }
}

// A fault ends the program with its report and leaves the device alone (OpenAL says it was not
// closed): closing it from inside the fault's handler could hang.
TEST(QuitTest, AFaultLeavesTheDeviceAlone) {
    Outcome o = RunProbe("segv");
    EXPECT_EQ(o.status, 255);
    EXPECT_EQ(o.out, "played 0\nZorbin Runtime Error : Memory access violation\n\n");
    EXPECT_NE(o.err.find("1 device not closed"), std::string::npos) << o.err;
}
