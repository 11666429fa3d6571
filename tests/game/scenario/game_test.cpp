// Whole games in the real program through the scenario runner, with the generated data: the hints
// of the first difficulty, the game-over sequence and the saved tables, the sound options with the
// mix OpenAL Soft writes to a file, and screenshots of play at two window sizes.
#include <stb/stb_image.h>

#include <cstdint>
#include <sstream>

#include "tests/game/scenario/sim_run.h"
#include "tests/native/audio/audio_test_util.h"

namespace {

using simtest::SimRun;
namespace fs = std::filesystem;

// A game starts the way the title's start button starts it, once loading has finished.
constexpr int kStart = 30;
std::string StartGame(int difficulty) {
    const std::string p = std::to_string(kStart);
    return p + " set f_difficulty " + std::to_string(difficulty) + "\n" + p + " set f_mode 11\n";
}

// A state file: default settings with the sound option `sound`, no badges, and the given top ten
// of each difficulty (last-ten lists empty), every section with its checksum.
std::string StateFile(int sound, const std::vector<std::vector<int>>& tops) {
    std::ostringstream s;
    int options[25] = {0, 0, 0, 0, 0, sound, 0, 0, 0, 0, 64, 64, 10, 0, 1};
    int sum = 0;
    for (int i = 0; i < 25; ++i) s << options[i] << "|", sum += i * options[i];
    s << sum << "|0|0|0|0|0|0|0|0|0|";
    for (int d = 0; d < 3; ++d) {
        uint32_t check = 0;
        for (int k = 0; k < 10; ++k) {
            const int top = k < static_cast<int>(tops[d].size()) ? tops[d][k] : 0;
            s << top << "|0|";
            check += static_cast<uint32_t>(k + 4) * static_cast<uint32_t>(top);
        }
        s << static_cast<int32_t>(check) << "|";
    }
    return s.str();
}

// The fields of a state file's highscore section for difficulty d: top and last ten interleaved,
// then the checksum.
std::vector<long> ScoreSection(const std::string& state, int d) {
    std::vector<long> fields;
    std::stringstream in(state);
    for (std::string f; std::getline(in, f, '|');) fields.push_back(std::stol(f));
    const size_t at = 26 + 9 + 21 * d;
    return fields.size() >= at + 21 ? std::vector<long>(fields.begin() + at, fields.begin() + at + 21)
                                    : std::vector<long>();
}

class GameTest : public simtest::SimTest {
  protected:
    void SetUp() override {
        SimTest::SetUp();
        if (IsSkipped()) return;
        if (!LinkData()) GTEST_SKIP() << "no data generator";
    }
    // Glyphs of the font drawn on the line y in a dump with f_drawList, f_drawCount and f_font.
    static int GlyphsOnLine(const std::string& dump, double y) {
        const std::vector<double> list = Numbers(dump, "f_drawList");
        const size_t count = Value(dump, "f_drawCount");
        const double font = Value(dump, "f_font");
        int n = 0;
        for (size_t at = 0; at + 15 <= count && at + 15 <= list.size(); at += 15)
            n += list[at] == font && list[at + 2] == y;
        return n;
    }
};

TEST_F(GameTest, FirstDifficultyShowsItsTwoHintsThenLaunchesTheFirstWaveInUpdate320) {
    // "Move your ship left and right" (24 glyphs) stands at 0.4 of the height in updates 1-219,
    // "Your weapon Auto Fires" (19) at 0.6 in updates 121-269; the wave comes in update 320. Three
    // games started one pass apart, looked at every 50 passes, see each edge from both sides.
    for (int start = 28; start <= 30; ++start) {
        const std::string p = std::to_string(start);
        const SimRun r = Sim("--updates 400 --dump-every 50 --dump f_drawList,f_drawCount,f_font,f_level",
                             p + " set f_difficulty 1\n" + p + " set f_mode 11\n");
        ASSERT_EQ(r.dumps.size(), 8u);
        for (const std::string& d : r.dumps) {
            const long update = Value(d, "pass") - start;
            EXPECT_EQ(GlyphsOnLine(d, 480 * 0.4f), update >= 1 && update <= 219 ? 24 : 0) << update;
            EXPECT_EQ(GlyphsOnLine(d, 480 * 0.6f), update >= 121 && update <= 269 ? 19 : 0) << update;
            EXPECT_EQ(Value(d, "f_level"), update >= 320 ? 1 : 0) << update;
        }
    }
}

TEST_F(GameTest, LosingTheLastLifeFilesTheScoreAndReturnsToTheTitle) {
    std::ofstream(dir / ".zorbinstate") << StateFile(1, {{700}, {}, {90000, 100}});
    // Difficulty 3 with one life left; the ship stays in the middle until the enemies hit it.
    const SimRun r = Sim("--updates 900 --dump-every 1 --dump f_lives,f_gameOverTimer,f_mode,f_score",
                         StartGame(3) + "31 set f_lives 1\n31 set f_score 4000\n");
    ASSERT_EQ(r.status, 0);
    size_t hit = kStart + 2;
    while (hit < r.dumps.size() && Value(r.dumps[hit], "f_lives") > 0) ++hit;
    ASSERT_LT(hit + 90, r.dumps.size()) << "the ship was never hit";
    EXPECT_EQ(Value(r.dumps[hit], "f_gameOverTimer"), 1) << "in the update of the hit";
    for (size_t p = hit; p < hit + 89; ++p) ASSERT_EQ(Value(r.dumps[p], "f_mode"), 10) << p;
    EXPECT_EQ(Value(r.dumps[hit + 89], "f_mode"), 2);
    EXPECT_EQ(Value(r.dumps[hit + 90], "f_mode"), 1) << "the title is back";
    const long score = Value(r.dumps[hit + 90], "f_score");
    EXPECT_GE(score, 4000);

    // The score is second of difficulty 3 and first of its last ten; the other tables are untouched.
    std::ifstream in(dir / ".zorbinstate");
    const std::string state((std::istreambuf_iterator<char>(in)), {});
    const std::vector<long> s = ScoreSection(state, 2);
    ASSERT_EQ(s.size(), 21u) << state;
    EXPECT_EQ((std::vector<long>{s[0], s[1], s[2], s[3], s[4], s[5]}),
              (std::vector<long>{90000, score, score, 0, 100, 0}));
    long check = 0;
    for (int k = 0; k < 10; ++k) check += (k + 4) * s[2 * k] + (2 + 3 + k) * s[2 * k + 1];
    EXPECT_EQ(s[20], check);
    EXPECT_EQ(ScoreSection(state, 0), ScoreSection(StateFile(1, {{700}, {}, {}}), 0));
}

TEST_F(GameTest, TheMixHoldsTheMusicTheShotsAndTheExplosionsEachUnderItsOption) {
    const std::string mixFile = audiotest::ConfigureOpenAL("wave");
    const std::string env = "ALSOFT_CONF='" + std::string(getenv("ALSOFT_CONF")) + "'";
    // Three games of difficulty 2: the music alone (sound option 3); then effects alone (option 2)
    // with only the shot's sound file present; then with only the five explosions present.
    const std::vector<std::string> explosions = {"006.wav", "007.wav", "008.wav", "009.wav", "010.wav"};
    std::vector<std::string> allEffects = {"001.wav", "002.wav", "003.wav", "004.wav", "005.wav",
                                           "095.wav", "096.wav", "098.wav", "099.wav"};
    allEffects.insert(allEffects.end(), explosions.begin(), explosions.end());
    auto without = [&](std::vector<std::string> keep) {
        std::vector<std::string> out;
        for (const auto& f : allEffects)
            if (std::find(keep.begin(), keep.end(), f) == keep.end()) out.push_back(f);
        return out;
    };
    const struct {
        const char* what;
        int option, updates;
        std::vector<std::string> missing;
        int musicOn;
    } runs[] = {{"music", 3, 200, {}, 1},
                {"shots", 2, 450, without({"002.wav"}), 0},
                {"explosions", 2, 520, without(explosions), 0}};
    for (const auto& run : runs) {
        fs::remove_all(dir / "data");
        ASSERT_TRUE(LinkData(run.missing));
        std::ofstream(dir / ".zorbinstate") << StateFile(run.option, {{}, {}, {}});
        fs::remove(mixFile);
        const SimRun r =
            Sim("--updates " + std::to_string(run.updates) + " --dump f_musicOn,f_sfxChannel,f_score",
                StartGame(2), env);
        ASSERT_EQ(r.status, 0) << run.what;
        ASSERT_EQ(r.dumps.size(), 1u);
        EXPECT_EQ(Value(r.dumps[0], "f_musicOn"), run.musicOn) << run.what;
        EXPECT_TRUE(run.option == 3 || Value(r.dumps[0], "f_score") > 0) << run.what << ": enemies were shot";
        // Option 3 leaves the effect channels alone; option 2 plays the effects.
        EXPECT_EQ(Value(r.dumps[0], "f_sfxChannel") == 0, run.option == 3) << run.what;
        const audiotest::Mix mix = audiotest::ReadMix(mixFile);
        EXPECT_GT(mix.ActiveSeconds(), 0.05) << run.what << " not heard in the mix";
    }
    // The control: with the sound off the mix stays silent.
    std::ofstream(dir / ".zorbinstate") << StateFile(0, {{}, {}, {}});
    fs::remove(mixFile);
    ASSERT_EQ(Sim("--updates 350", StartGame(2), env).status, 0);
    EXPECT_EQ(audiotest::ReadMix(mixFile).ActiveSeconds(), 0);
}

TEST_F(GameTest, ScreenshotsOfAWaveTheGameOverAndSlowMotion) {
    // Written into the build tree for review. Each is taken at a moment the game's state confirms:
    // enemies in play, the overlay grown, the game slowed by the held action button.
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
        ASSERT_EQ(r.status, 0) << file;
        ASSERT_EQ(r.dumps.size(), 1u);
        const double v = Real(r.dumps[0], s.field);
        EXPECT_TRUE(v >= s.low && v <= s.high) << file << ": " << r.dumps[0];
        // Something besides the night sky: enemies, the ship and the HUD in colour.
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
