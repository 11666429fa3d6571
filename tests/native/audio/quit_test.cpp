// How the program ends: normally with nothing on standard error (the sound device is closed at exit),
// after a fault with the device left alone. (Running without a device is a fault test of the game.)
#include <gtest/gtest.h>

#include <sys/wait.h>

#include "audio_test_util.h"

using namespace audiotest;

namespace {

const std::string kConfigured = ConfigureOpenAL("null");

// The probe plays a 0.3 s tone and ends by returning from main, through the empty fatal error or by
// a fault. A fault ends the program with its report and leaves the device alone (OpenAL says it was
// not closed): closing it from inside the fault's handler could hang.
TEST(QuitTest, ReturningOrQuittingPrintsNothingOnStandardErrorAndAFaultLeavesTheDeviceAlone) {
    const std::string base = ScratchDir("quit-probe"), sound = base + "/tone.wav";
    ASSERT_EQ(Shell("sox -n -r 22050 -c 1 -b 16 '" + sound + "' synth 0.3 sine 440"), 0);
    const struct {
        const char* mode;
        int status;
        std::string out, err;
    } cases[] = {
        {"return", 0, "played 0\n", ""},
        {"quit", 0, "played 0\n", ""},
        {"segv", 255, "played 0\nZorbin Runtime Error : Memory access violation\n\n", "1 device not closed"}};
    for (const auto& c : cases) {
        int raw = Shell(std::string("'") + ZARNOK_BINARY_DIR + "/tests/audio_quit_probe' " + c.mode + " '" +
                        sound + "' </dev/null >'" + base + "/out' 2>'" + base + "/err'");
        std::vector<unsigned char> out = ReadFile(base + "/out"), err = ReadFile(base + "/err");
        EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, c.status) << c.mode;
        EXPECT_EQ(std::string(out.begin(), out.end()), c.out) << c.mode;
        const std::string errors(err.begin(), err.end());
        EXPECT_TRUE(c.err.empty() ? errors.empty() : errors.find(c.err) != std::string::npos) << errors;
    }
    Shell("rm -rf '" + base + "'");
}

}  // namespace
