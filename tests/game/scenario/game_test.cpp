// Whole games in the real program through the scenario runner, with the generated data: the hints
// of the first difficulty, the game-over sequence and the saved tables, the sound options with the
// mix OpenAL Soft writes to a file, and screenshots of play at two window sizes.
#include <stb/stb_image.h>

#include "tests/game/scenario/sim_run.h"
#include "tests/native/audio/audio_test_util.h"

namespace {

using simtest::SimRun;
namespace fs = std::filesystem;

// A game started from the title once loading has finished: the difficulty highlighted (as a step of
// the controls leaves it) and Enter pressed for the one update before `start`, which prepares the
// game; its first update is the next.
std::string StartGame(int difficulty, int start = 30) {
    const std::string p = std::to_string(start - 1);
    const std::string d = std::to_string(difficulty);
    return p + " set f_menuSel " + d + "\n" + p + " set f_menuPicked " + d + "\n" + p + " key down 13\n" +
           std::to_string(start) + " key up 13\n";
}

// Difficulty d's highscore section of the state file: top and last ten interleaved, then the
// checksum.
std::string Scores(int d, std::vector<long> top, std::vector<long> last = {}) {
    top.resize(10), last.resize(10);
    std::string s;
    long check = 0;
    for (int k = 0; k < 10; ++k) {
        s += std::to_string(top[k]) + "|" + std::to_string(last[k]) + "|";
        check += (k + 4) * top[k] + (d + 3 + k) * last[k];
    }
    return s + std::to_string(check) + "|";
}
// A state file with the sound option `sound`, the default settings otherwise, no badges.
std::string State(int sound, const std::string& scores = Scores(0, {}) + Scores(1, {}) + Scores(2, {})) {
    return "0|0|0|0|0|" + std::to_string(sound) + "|0|0|0|0|64|64|10|0|1|0|0|0|0|0|0|0|0|0|0|" +
           std::to_string(1478 + 5 * sound) + "|0|0|0|0|0|0|0|0|0|" + scores;
}

class GameTest : public simtest::SimTest {
  protected:
    void SetUp() override {
        SimTest::SetUp();
        if (!IsSkipped() && !LinkData()) GTEST_SKIP() << "no data generator";
    }
};

TEST_F(GameTest, FirstDifficultyShowsItsTwoHintsThenLaunchesTheFirstWaveInUpdate320) {
    // "Move your ship left and right" (24 glyphs) stands at 0.4 of the height in updates 1-219,
    // "Your weapon Auto Fires" (19) at 0.6 in updates 121-269; the wave comes in update 320. Three
    // games started one pass apart, looked at every 50 passes, see each edge from both sides.
    for (int start = 28; start <= 30; ++start) {
        const SimRun r = Sim("--updates 400 --dump-every 50 --dump f_drawList,f_drawCount,f_font,f_level",
                             StartGame(1, start));
        ASSERT_EQ(r.dumps.size(), 8u);
        for (const std::string& d : r.dumps) {
            const int update = static_cast<int>(Value(d, "pass")) - start;
            const std::vector<double> list = Numbers(d, "f_drawList");
            const double count = Value(d, "f_drawCount"), font = Value(d, "f_font");
            int glyphs[2] = {0, 0};  // on the two hint lines
            for (size_t at = 0; at < count && at < list.size(); at += 15)
                for (int line = 0; line < 2; ++line)
                    glyphs[line] += list[at] == font && list[at + 2] == 480 * (line ? 0.6f : 0.4f);
            EXPECT_EQ(glyphs[0], update >= 1 && update <= 219 ? 24 : 0) << update;
            EXPECT_EQ(glyphs[1], update >= 121 && update <= 269 ? 19 : 0) << update;
            EXPECT_EQ(Value(d, "f_level"), update >= 320 ? 1 : 0) << update;
        }
    }
}

TEST_F(GameTest, LosingTheLastLifeFilesTheScoreAndReturnsToTheTitle) {
    std::ofstream(dir / ".zorbinstate")
        << State(1, Scores(0, {700}) + Scores(1, {}) + Scores(2, {90000, 100}));
    // Difficulty 3 with one life left; the ship stays in the middle until the enemies hit it.
    const SimRun r = Sim("--updates 900 --dump-every 1 --dump f_lives,f_gameOverTimer,f_mode,f_score",
                         StartGame(3) + "31 set f_lives 1\n31 set f_score 4000\n");
    ASSERT_EQ(r.status, 0);
    size_t hit = 32;
    while (hit < r.dumps.size() && Value(r.dumps[hit], "f_lives") > 0) ++hit;
    ASSERT_LT(hit + 90, r.dumps.size()) << "the ship was never hit";
    EXPECT_EQ(Value(r.dumps[hit], "f_gameOverTimer"), 1) << "in the update of the hit";
    for (size_t p = hit; p < hit + 89; ++p) ASSERT_EQ(Value(r.dumps[p], "f_mode"), 10) << p;
    EXPECT_EQ(Value(r.dumps[hit + 89], "f_mode"), 2);
    EXPECT_EQ(Value(r.dumps[hit + 90], "f_mode"), 1) << "the title is back";
    // Second in difficulty 3's top ten, first of its last ten, with the checksum; the rest kept.
    const long score = static_cast<long>(Value(r.dumps[hit + 90], "f_score"));
    EXPECT_GE(score, 4000);
    std::ifstream in(dir / ".zorbinstate");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
              State(1, Scores(0, {700}) + Scores(1, {}) + Scores(2, {90000, score, 100}, {score})));
}

TEST_F(GameTest, TheMixHoldsTheMusicTheShotsAndTheExplosionsEachUnderItsOption) {
    const std::string mix = audiotest::ConfigureOpenAL("wave");
    const std::string env = "ALSOFT_CONF='" + std::string(std::getenv("ALSOFT_CONF")) + "'";
    // Games of difficulty 2: the music alone (sound option 3); effects alone (option 2) with only
    // the shot's sound file, then only the five explosions; nothing with the sound off.
    const struct {
        const char* what;
        int option, updates;
        std::vector<std::string> sounds;
        bool heard;
    } runs[] = {{"music", 3, 200, {}, true},
                {"shots", 2, 450, {"002.wav"}, true},
                {"explosions", 2, 520, {"006.wav", "007.wav", "008.wav", "009.wav", "010.wav"}, true},
                {"nothing", 0, 350, {}, false}};
    for (const auto& run : runs) {
        ASSERT_TRUE(LinkData(run.sounds));
        std::ofstream(dir / ".zorbinstate") << State(run.option);
        fs::remove(mix);
        const SimRun r =
            Sim("--updates " + std::to_string(run.updates) + " --dump f_musicOn,f_sfxChannel,f_score",
                StartGame(2), env);
        ASSERT_EQ(r.dumps.size(), 1u) << run.what;
        const std::string& d = r.dumps[0];
        EXPECT_EQ(Value(d, "f_musicOn"), run.option == 3) << run.what;
        EXPECT_EQ(Value(d, "f_sfxChannel") > 0, run.option == 2)
            << run.what << ": effects play under option 2 only";
        EXPECT_TRUE(run.option != 2 || Value(d, "f_score") > 0) << run.what << ": enemies were shot";
        EXPECT_EQ(audiotest::ReadMix(mix).ActiveSeconds() > 0.05, run.heard) << run.what;
    }
}

TEST_F(GameTest, ScreenshotsOfAWaveTheGameOverAndSlowMotion) {
    // Written into the build tree for review, each at a moment the game's state confirms: enemies
    // in play, the overlay grown, the game slowed by the held action button.
    const fs::path out = fs::path(ZARNOK_BINARY_DIR) / "screenshots";
    fs::create_directories(out);
    const std::string over = StartGame(3) + "31 set f_score 4000\n60 set f_lives 0\n";
    const struct {
        const char *name, *size;
        int updates;
        std::string script;
        const char* field;  // and the range it holds in the last update
        double low, high;
    } shots[] = {
        {"wave", "640x480", 420, StartGame(2), "f_badCount", 10, 50},
        {"wave", "1920x1080", 540, StartGame(2), "f_badCount", 10, 50},
        {"game-over", "640x480", 130, over, "f_gameOverFrames", 60, 89},
        {"game-over", "1920x1080", 130, over, "f_gameOverFrames", 60, 89},
        {"slow-motion", "640x480", 431, StartGame(2) + "400 key down 90\n", "f_speed", 0, 0.3},
        {"slow-motion", "1920x1080", 580, StartGame(2) + "560 key down 90\n", "f_speed", 0, 0.3},
    };
    for (const auto& s : shots) {
        const std::string file = (out / (std::string(s.name) + "-" + s.size + ".png")).string();
        const SimRun r = Sim("--size " + std::string(s.size) + " --updates " + std::to_string(s.updates) +
                                 " --dump " + s.field + " --screenshot '" + file + "'",
                             s.script);
        ASSERT_EQ(r.dumps.size(), 1u) << file;
        const double v = Value(r.dumps[0], s.field);
        EXPECT_TRUE(v >= s.low && v <= s.high) << file << ": " << r.dumps[0];
        // More than the night sky: enemies, the ship and the HUD in colour.
        int w = 0, h = 0, n = 0;
        unsigned char* px = stbi_load(file.c_str(), &w, &h, &n, 3);
        ASSERT_NE(px, nullptr) << file;
        EXPECT_EQ(std::to_string(w) + "x" + std::to_string(h), s.size);
        long bright = 0;
        for (long i = 0; i < static_cast<long>(w) * h; ++i) bright += px[3 * i] + px[3 * i + 1] > 200;
        stbi_image_free(px);
        EXPECT_GT(bright, static_cast<long>(w) * h / 400) << file;
    }
}

}  // namespace
