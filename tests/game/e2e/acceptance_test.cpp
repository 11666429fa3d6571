// The game as a player meets it: the real program in a window on a private X server, played with
// real key presses (xdotool) and closed by a window manager's close request, checked by its
// pixels, its exit status and its state file. Each session is recorded (--record); the runner
// replays the recording to read the game's state at every update, which the recording's own checks
// prove to be the state the window had.
#include <map>
#include <set>

#include "tests/game/e2e/game_driver.h"
#include "tests/native/audio/audio_test_util.h"

namespace {

using namespace e2e;

class AcceptanceTest : public GameTest {
  protected:
    // Starts a recorded session.
    void Play() { Start("--record session.txt"); }

    // The window's picture, for telling screens apart.
    std::vector<long> Picture() {
        std::vector<long> p = Pixels();
        EXPECT_GT(std::set<long>(p.begin(), p.end()).size(), 8u) << "a blank window";
        return p;
    }

    // Ends the session with `how` (a key held until the game ends, or "" for the close request),
    // which must end it with status 0.
    void End(const std::string& how) {
        if (how.empty())
            xtest::SendCloseRequest(dpy, window);
        else
            xtest::Run("xdotool keydown " + how);
        EXPECT_EQ(game->Wait(10), 0) << (how.empty() ? "the close request" : how);
        if (!how.empty()) xtest::Run("xdotool keyup " + how);
    }

    // The session replayed in the runner: the named fields after every update, by update.
    std::vector<std::map<std::string, std::string>> Replay(const std::string& names) {
        int status = -1;
        const std::string out = Sim("--script session.txt --dump-every 1 --dump " + names, &status);
        EXPECT_EQ(status, 0) << out.substr(out.size() > 600 ? out.size() - 600 : 0);
        std::vector<std::map<std::string, std::string>> passes;
        std::istringstream lines(out);
        for (std::string l; std::getline(lines, l);) {
            if (l.rfind("{\"pass\":", 0) != 0) continue;
            std::map<std::string, std::string> fields;
            for (size_t at = 1; at < l.size();) {
                const size_t colon = l.find("\":", at);
                if (colon == std::string::npos) break;
                const std::string name = l.substr(at + 1, colon - at - 1);
                size_t end = colon + 2, depth = 0;
                for (; end < l.size() && (depth || (l[end] != ',' && l[end] != '}')); ++end)
                    depth += l[end] == '[' ? 1 : l[end] == ']' ? -1 : 0;
                fields[name] = l.substr(colon + 2, end - colon - 2);
                at = end + 1;
            }
            passes.push_back(fields);
        }
        return passes;
    }

    // The window's size.
    std::pair<int, int> Size() {
        XWindowAttributes a{};
        XGetWindowAttributes(dpy, window, &a);
        return {a.width, a.height};
    }
    // How many colours the window shows: more than a handful means a picture, not a blank.
    size_t Colours() {
        const std::vector<long> pixels = Pixels();
        return std::set<long>(pixels.begin(), pixels.end()).size();
    }
};

TEST_F(AcceptanceTest, FullScreenAndBackAndResizesReloadTheImagesAtTheirLevel) {
    Play();
    Updates(60);
    EXPECT_GT(Colours(), 8u) << "the title";

    // F11: full screen on the whole 1920 x 1200 screen, and back to a 640 x 480 window, with no
    // window manager to hand the new window the focus.
    // The switch makes a new window: wait for one of the given width.
    const auto switchTo = [&](int width) {
        Key("F11");
        for (int i = 0; i < 500 && Size().first != width; ++i)
            std::this_thread::sleep_for(10ms), window = FindWindow();
    };
    switchTo(1920);
    EXPECT_EQ(Size(), std::make_pair(1920, 1200));
    Updates(60);
    EXPECT_GT(Colours(), 8u) << "full screen";
    switchTo(640);
    EXPECT_EQ(Size(), std::make_pair(640, 480));
    Updates(60);

    // Resized as a player drags its border (at the screen's corner, so that it stays on screen).
    xtest::Run("xdotool windowmove --sync " + std::to_string(window) + " 0 0");
    for (const char* size : {"1280 720", "1920 1080"}) {
        xtest::Run("xdotool windowsize --sync " + std::to_string(window) + " " + size);
        Updates(60);
        EXPECT_GT(Colours(), 8u) << size;
    }
    End("F4");

    // Each size in turn, and a reload of every image at its level after each change.
    const auto passes = Replay("f_devW,f_devH,f_hdLevel,f_loadStep,f_fullscreen");
    std::vector<std::string> seen;
    for (const auto& p : passes) {
        const std::string size = p.at("f_devW") + "x" + p.at("f_devH") + " level " + p.at("f_hdLevel");
        if (p.at("f_loadStep") == "0" && (seen.empty() || seen.back() != size)) seen.push_back(size);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"640x480 level 2", "1920x1200 level 4", "640x480 level 2",
                                              "1280x720 level 4", "1920x1080 level 4"}));
}

TEST_F(AcceptanceTest, TheLoadingScreenThenTheTitle) {
    Start();
    // Polled closely: the loading screen's clear colour shows for only about half a second, then
    // the title's dark blue.
    bool loading = false, title = false;
    for (auto end = std::chrono::steady_clock::now() + 10s; !title && std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(5ms)) {
        XImage* img = XGetImage(dpy, window, 20, 100, 1, 1, AllPlanes, ZPixmap);
        const long p = img ? static_cast<long>(XGetPixel(img, 0, 0) & 0xFFFFFF) : -1;
        if (img) XDestroyImage(img);
        loading |= p == 0x282850;
        title = loading && p >= 0x000011 && p <= 0x000017;
    }
    EXPECT_TRUE(loading);
    EXPECT_TRUE(title);
    End("F4");
}

// The numbers of a dumped array.
std::vector<long> Numbers(const std::string& array) {
    std::vector<long> out;
    for (size_t at = 1; at < array.size();) {
        out.push_back(std::strtol(array.c_str() + at, nullptr, 10));
        at = array.find(',', at);
        if (at == std::string::npos) break;
        ++at;
    }
    return out;
}

TEST_F(AcceptanceTest, AGameAtEachDifficultyChosenWithTheKeyboardAndSteeredWithTheArrows) {
    // Each ended another way: F4, the close request, Escape on the title after quitting the game.
    const struct {
        int difficulty;
        const char* end;
    } games[] = {{1, "F4"}, {2, ""}, {3, "Escape"}};
    for (const auto& g : games) {
        Play();
        Updates(60);
        const std::vector<long> title = Picture();
        for (int i = 1; i < g.difficulty; ++i) Press("Right");
        Press("Return");
        Updates(60);
        EXPECT_NE(Picture(), title) << "the playing screen";
        HoldFor("Left", 40);
        Updates(10);
        HoldFor("Right", 20);
        if (*g.end == 'E') {
            Press("Escape");  // the pause panel, its quit button, then the game-over sequence
            Press("Left");
            Press("Return");
            Updates(150);
        }
        End(g.end);

        const auto passes = Replay("f_mode,f_difficulty,f_players");
        ASSERT_FALSE(passes.empty());
        int played = 0;
        float lowest = 1e9f, highest = -1e9f, last = 0;
        for (const auto& p : passes) {
            if (p.at("f_mode") != "10") continue;
            ++played;
            EXPECT_EQ(p.at("f_difficulty"), std::to_string(g.difficulty));
            const float x = std::strtof(p.at("f_players").c_str() + p.at("f_players").find(',') + 1, nullptr);
            lowest = std::min(lowest, x), highest = std::max(highest, x), last = x;
        }
        EXPECT_GT(played, 100) << "difficulty " << g.difficulty;
        EXPECT_LT(lowest, 300.0f) << "the ship went left";
        EXPECT_GT(last, lowest + 20.0f) << "and came back right";
        if (*g.end == 'E') {
            EXPECT_EQ(passes.back().at("f_mode"), "1") << "back on the title";
        }
    }
}

// The state file's fields, as the game wrote them last.
std::vector<std::string> ReadState(const fs::path& folder) {
    std::vector<std::string> fields;
    std::istringstream in(ReadFile(folder / ".zorbinstate"));
    for (std::string f; std::getline(in, f, '|');) fields.push_back(f);
    return fields;
}

TEST_F(AcceptanceTest, PauseOptionsQuitIntoGameOverAndTheScoreOnTheNextStart) {
    // OpenAL Soft writes what the game plays into a file.
    const std::string mixFile = audiotest::ConfigureOpenAL("wave");
    unsetenv("ALSOFT_DRIVERS");
    Play();
    Updates(60);
    const std::vector<long> title = Picture();

    // The options box from the title: the cog is the fourth icon.
    Press("Right");
    Press("Right");
    Press("Right");
    Press("Return");
    Updates(40);
    EXPECT_NE(Picture(), title) << "the options box";
    Press("Escape");
    Updates(40);
    Press("Left");
    Press("Left");

    // Difficulty 2: a wave, steering, shots that hit, slow motion.
    Press("Return");
    Updates(330);
    HoldFor("Left", 30);
    HoldFor("space", 30);
    HoldFor("Right", 30);
    Updates(120);
    const std::vector<long> playing = Picture();

    // Pause and resume with Escape.
    Press("Escape");
    Updates(30);
    const std::vector<long> paused = Picture();
    EXPECT_NE(paused, playing);
    Press("Escape");
    Updates(30);

    // Pause, the options from the pause panel: the sound setting one step on ("SFX"), saved.
    Press("Escape");
    Updates(30);
    Press("Right");
    Press("Return");
    Updates(40);
    EXPECT_NE(Picture(), paused) << "the options box over the pause panel";
    Press("Down");
    Press("Return");
    Press("Escape");
    Updates(40);
    const std::vector<std::string> closed = ReadState(dir);
    ASSERT_GE(closed.size(), 6u);
    EXPECT_EQ(closed[5], "2") << "the options box saves as it closes, before the game ends";

    // Quit from the pause panel (two steps left of the cog): the game-over sequence, then the
    // title; Escape there ends it.
    Press("Left");
    Press("Left");
    Press("Return");
    Updates(150);
    End("Escape");

    // The state file: the sound setting and the game's score in difficulty 2's tables.
    const std::vector<std::string> state = ReadState(dir);
    ASSERT_GE(state.size(), 98u);
    EXPECT_EQ(state[5], "2") << "Sound : SFX";

    const auto passes =
        Replay("f_mode,f_score,f_scores,f_paused,f_optionsOpen,f_speed,f_musicOn,f_sfxChannel");
    ASSERT_FALSE(passes.empty());
    long score = 0;
    bool paused2 = false, options = false, slowed = false, music = false, effects = false;
    for (const auto& p : passes) {
        if (p.at("f_mode") == "10") score = std::max(score, std::atol(p.at("f_score").c_str()));
        paused2 |= p.at("f_paused") == "1";
        options |= p.at("f_optionsOpen") == "1" && p.at("f_mode") == "10";
        slowed |= p.at("f_mode") == "10" && std::atof(p.at("f_speed").c_str()) < 0.5;
        music |= p.at("f_mode") == "10" && p.at("f_musicOn") == "1";
        effects |= p.at("f_mode") == "10" && p.at("f_sfxChannel") != "0";
    }
    EXPECT_GT(score, 0) << "shots hit";
    EXPECT_TRUE(paused2 && options && slowed && music && effects);
    const std::vector<long> tables = Numbers(passes.back().at("f_scores"));
    ASSERT_GE(tables.size(), 60u);
    EXPECT_EQ(tables[10], score) << "the best of difficulty 2";
    EXPECT_EQ(tables[40], score) << "the last of difficulty 2";
    EXPECT_EQ(state[56] + " " + state[57], std::to_string(score) + " " + std::to_string(score))
        << "difficulty 2's best and last in the state file";
    EXPECT_GT(audiotest::ReadMix(mixFile).ActiveSeconds(), 1.0) << "music and effects heard";

    // The next start shows it in the tables.
    setenv("ALSOFT_DRIVERS", "null", 1);
    Play();
    Updates(60);
    End("F4");
    const auto next = Replay("f_scores");
    ASSERT_FALSE(next.empty());
    EXPECT_EQ(Numbers(next.front().at("f_scores")), tables);
}

}  // namespace
