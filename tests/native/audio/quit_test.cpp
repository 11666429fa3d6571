// A normal end of the program leaves nothing on standard error: the sound device is closed at exit.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include "audio_test_util.h"

using namespace audiotest;

namespace {

const std::string kMixFile = ConfigureOpenAL("null");

struct Outcome {
    int status = -1;
    std::string out, err;
};

Outcome RunProbe(const std::string& env, const std::string& mode, const std::string& sound) {
    std::string base = std::string(ZARNOK_BINARY_DIR) + "/tests/quit-probe-" + ProcessTag();
    std::string command = env + " '" + ZARNOK_BINARY_DIR + "/tests/audio_quit_probe' " + mode + " '" + sound +
                          "' >'" + base + ".out' 2>'" + base + ".err'";
    Outcome o;
    int raw = std::system(command.c_str());
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::vector<unsigned char> out = ReadFile(base + ".out"), err = ReadFile(base + ".err");
    o.out.assign(out.begin(), out.end());
    o.err.assign(err.begin(), err.end());
    std::remove((base + ".out").c_str());
    std::remove((base + ".err").c_str());
    return o;
}

class QuitTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir = new std::string(ScratchDir("quit-sounds"));
        sound = new std::string(*dir + "/tone.wav");
        ASSERT_EQ(Shell("sox -n -r 22050 -c 1 -b 16 '" + *sound + "' synth 0.3 sine 440"), 0);
    }
    static void TearDownTestSuite() { Shell("rm -rf '" + *dir + "'"); }
    static std::string* dir;
    static std::string* sound;
};
std::string* QuitTest::dir = nullptr;
std::string* QuitTest::sound = nullptr;

}  // namespace

TEST_F(QuitTest, ReturningFromMainOrQuittingPrintsNothingOnStandardError) {
    for (const char* mode : {"return", "quit"}) {
        Outcome o = RunProbe("", mode, *sound);
        EXPECT_EQ(o.status, 0) << mode;
        EXPECT_EQ(o.out, "played 0\n") << mode;
        EXPECT_EQ(o.err, "") << mode;
    }
}

TEST_F(QuitTest, WithoutADeviceTheProgramSaysSoAndRunsSilently) {
    Outcome o = RunProbe("ALSOFT_DRIVERS=no-such-driver", "quit", *sound);
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "OpenAl error: alcOpenDevice failed\nplayed -1\n");
}
