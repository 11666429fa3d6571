// The game as a player meets it: the real program in a window on a private X server, played with
// real key presses and ended by F4, Escape or a window manager's close request; checked by its
// pixels, exit status, state file and the mix OpenAL Soft wrote. The runner replays each recorded
// session, whose checks prove it the window's game at every update, to read the game's state.
#include <stb/stb_image.h>

#include <regex>
#include <set>

#include "tests/game/e2e/game_driver.h"
#include "tests/native/audio/audio_test_util.h"

namespace {

using namespace e2e;

// Probes on the virtual screen.
bool Lists(XImage* i, float s) {  // the title's score panel: "Top 10"
    return Bright(i, s, 515, 62, 600, 78) > 40;
}
bool NoLists(XImage* i, float s) {
    return !Lists(i, s);
}
bool Options(XImage* i, float s) {  // the options box's brown panel
    return Colour(i, s, 300, 420, {110, 145, 50, 80, 0, 30});
}
bool Paused(XImage* i, float s) {  // the pause panel
    return Colour(i, s, 200, 290, {151, 255, 70, 140, 0, 60});
}

// The replay shows a game of `difficulty` over 100 updates long, the ship steered left below
// x 300 and back right of that by its end.
void ExpectSteered(const std::vector<std::string>& passes, int difficulty) {
    int played = 0;
    float lowest = 1e9f, last = 0;
    for (const std::string& p : passes) {
        if (Field(p, "f_mode") != "10") continue;
        ++played;
        EXPECT_EQ(Field(p, "f_difficulty"), std::to_string(difficulty));
        lowest = std::min(lowest, last = std::stof(Split(Field(p, "f_players"), ',').at(1)));
    }
    EXPECT_GT(played, 100) << "difficulty " << difficulty;
    EXPECT_LT(lowest, 300.0f) << "the ship went left";
    EXPECT_GT(last, lowest + 20.0f) << "and came back right";
}

// One session through every screen: the loader, the title, the credits, the options box and full
// screen and back from it, a game of difficulty 2 (steering, slow motion, shots that hit, a pause,
// the options over the pause panel), quit into the game-over sequence, resizes, Escape. Then its
// replay, the recording damaged, and the next start with a game of difficulty 1 ended by F4.
TEST_F(GameTest, EveryScreenAGameItsReplayAndTheScoreOnTheNextStart) {
    const std::string mix = audiotest::ConfigureOpenAL("wave");
    unsetenv("ALSOFT_DRIVERS");
    Start("--record session.txt");
    ASSERT_TRUE(Loaded(Lists)) << "the loading screen, then the title with its score panel";
    Press("n");
    ASSERT_TRUE(WaitFor([](XImage* i, float s) {
        return Colour(i, s, 52, 8, {0, 40, 220, 255, 0, 40});
    })) << "the credits' green border";
    Press("Return");
    ASSERT_TRUE(WaitFor(Lists)) << "the credits closed";
    for (int i = 0; i < 3; ++i) Press("Right");  // the cog, the fourth icon: the lists go
    ASSERT_TRUE(WaitFor(NoLists));
    Press("Return");
    ASSERT_TRUE(WaitFor(Options));
    Updates(40);  // it takes keys once it has slid in
    for (int i = 0; i < 3; ++i) Press("Down");

    // The screen mode item lit, full screen and back: the label "Sound : SFX + Music" (the font)
    // and the back cog (an image) draw as before, their textures made again in each new context.
    int label = 0, cog = 0;
    const auto measure = [&](XImage* i, float s) {
        label = Bright(i, s, 90, 128, 400, 152), cog = Bright(i, s, 40, 0, 160, 120);
        return Options(i, s) && Colour(i, s, 90, 212, {0, 255, 91, 255, 0, 255});
    };
    ASSERT_TRUE(WaitFor(measure)) << "the screen mode item lit";
    const int label0 = label, cog0 = cog;
    Press("Return");
    EXPECT_TRUE(Loaded([&](XImage* i, float s) {
        return i->width == kScreenW && measure(i, s) && label > label0 * s * s / 2 && cog > cog0 * s * s / 2;
    })) << "full screen: "
        << label << "/" << label0 << ", " << cog << "/" << cog0;
    Press("Return");
    EXPECT_TRUE(Loaded([&](XImage* i, float s) {
        return i->width == 640 && measure(i, s) && std::abs(label - label0) < label0 / 10 &&
               std::abs(cog - cog0) < cog0 / 4;
    })) << "back in the window: "
        << label << "/" << label0 << ", " << cog << "/" << cog0;
    Press("Escape");
    ASSERT_TRUE(WaitFor([](XImage* i, float s) { return !Options(i, s); }));
    Updates(30);  // the box slides away below the window; the title takes no key until it is gone

    // Difficulty 2, two icons left of the cog: a wave, steering, slow motion, shots that hit.
    for (const char* key : {"Left", "Left", "Return"}) Press(key);
    ASSERT_TRUE(WaitFor(NoLists)) << "the game";
    Updates(330);
    for (const char* key : {"Left", "space", "Right"}) HoldFor(key, 35);
    Updates(120);

    // Paused, and stopped between two updates: the recording ends with an update's closing check.
    Press("Escape");
    ASSERT_TRUE(WaitFor(Paused)) << "the pause panel";
    const pid_t pid = std::atoi(Output("xdotool getwindowpid " + std::to_string(window)).c_str());
    ASSERT_TRUE(pid > 0 && kill(pid, SIGSTOP) == 0);
    const std::string text = ReadFile(dir / "session.txt");
    kill(pid, SIGCONT);
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(\n\d+ check [0-9a-f]{8}\n$)")))
        << "the recording is not flushed at each update: " << text.substr(text.size() - 80);
    Press("Escape");
    ASSERT_TRUE(WaitFor([](XImage* i, float s) { return !Paused(i, s); })) << "resumed";
    Updates(30);  // the panel slides away; no Escape counts until it is gone

    // Paused again, the options from the panel, which keep their selection: up from the screen
    // mode item to the sound, one step on ("SFX"), saved as the box closes.
    Press("Escape");
    ASSERT_TRUE(WaitFor(Paused));
    Press("Right");
    Press("Return");
    ASSERT_TRUE(WaitFor(Options)) << "the options box over the pause panel";
    Updates(40);
    for (const char* key : {"Up", "Up", "Return", "Escape"}) Press(key);
    Updates(40);
    const std::vector<std::string> state = Split(ReadFile(dir / ".zorbinstate"), '|');
    ASSERT_GE(state.size(), 98u);
    EXPECT_EQ(state[5], "2") << "Sound : SFX, saved as the box closed";

    // Quit, two steps left of the cog: the game-over sequence, the title. Resized as a player
    // drags its border (from the screen's corner), then ended.
    for (const char* key : {"Left", "Left", "Return"}) Press(key);
    ASSERT_TRUE(WaitFor(Lists)) << "game over, then the title";
    xtest::Run("xdotool windowmove --sync " + std::to_string(window) + " 0 0");
    for (const char* size : {"1280 720", "1920 1080"}) {
        xtest::Run("xdotool windowsize --sync " + std::to_string(window) + " " + size);
        Updates(60);
    }
    End("Escape");

    // The replay: each size in turn with every image loaded again at its level; pause, options,
    // slow motion, music and effects in play; the score in difficulty 2's tables.
    const auto passes = Replay(
        "f_mode,f_score,f_scores,f_paused,f_optionsOpen,f_speed,f_musicOn,f_sfxChannel,"
        "f_difficulty,f_players,f_devW,f_devH,f_hdLevel,f_loadStep");
    ASSERT_FALSE(passes.empty());
    ExpectSteered(passes, 2);
    long score = 0;
    std::set<std::string> seen;
    std::vector<std::string> sizes;
    for (const std::string& p : passes) {
        if (Field(p, "f_mode") == "10") {
            score = std::max(score, std::stol(Field(p, "f_score")));
            for (const char* f : {"f_paused", "f_optionsOpen", "f_musicOn"})
                if (Field(p, f) == "1") seen.insert(f);
            if (std::stof(Field(p, "f_speed")) < 0.5f) seen.insert("slow motion");
            if (Field(p, "f_sfxChannel") != "0") seen.insert("effects");
        }
        const std::string size =
            Field(p, "f_devW") + "x" + Field(p, "f_devH") + " level " + Field(p, "f_hdLevel");
        if (Field(p, "f_loadStep") == "0" && (sizes.empty() || sizes.back() != size)) sizes.push_back(size);
    }
    EXPECT_EQ(seen.size(), 5u) << "pause, options, music, slow motion and effects in play";
    EXPECT_EQ(sizes, (std::vector<std::string>{"640x480 level 2", "1280x1024 level 4", "640x480 level 2",
                                               "1280x720 level 4", "1920x1080 level 4"}));
    const std::string tables = Field(passes.back(), "f_scores");
    const std::vector<std::string> entries = Split(tables.substr(1), ',');
    EXPECT_GT(score, 0) << "shots hit";
    EXPECT_EQ(entries.at(10) + " " + entries.at(40), std::to_string(score) + " " + std::to_string(score))
        << "difficulty 2's best and last";
    EXPECT_GT(audiotest::ReadMix(mix).ActiveSeconds(), 1.0) << "music and effects heard";

    // The recording with one line changed: refused with the line named, or found another game.
    const std::vector<std::string> rec = Split(ReadFile(dir / "session.txt"), '\n');
    EXPECT_EQ(rec.at(0) + "|" + rec.at(1) + "|" + rec.at(2) + "|" + rec.at(3),
              "zarnok-recording 1|size 640 480|desktop 1280 1024 8 8 8|0 state 0");
    size_t render = rec.size() / 2, key = 0;
    while (rec.at(render).find(" render") == std::string::npos) ++render;
    const std::string mid = rec[render].substr(0, rec[render].find(' '));
    size_t clock = render, check = render;
    while (rec.at(clock).rfind(mid + " clock ", 0) != 0) ++clock;
    while (rec.at(check).rfind(mid + " check ", 0) != 0) ++check;
    while (rec.at(key).find(" key down 37") == std::string::npos) ++key;
    const auto line = [](size_t i) { return "line " + std::to_string(i + 1) + ": "; };
    const std::string differs = "the replayed game is not the recorded game after update ";
    const std::tuple<size_t, std::string, std::string> cases[] = {
        {0, "zarnok-recording 2", "line 1: a recording of version 2"},
        {render, mid + " rendr", line(render) + "cannot read"},
        {render, "1 render", line(render) + "update 1 comes after"},
        {clock, mid + " clock 999999", line(check) + differs + mid},
        {key, rec[key].substr(0, rec[key].size() - 2) + "112", differs},  // F1, the debug display
    };
    for (const auto& [at, with, message] : cases) {
        std::ofstream damaged(dir / "damaged.txt", std::ios::binary);
        for (size_t i = 0; i < rec.size(); ++i) damaged << (i == at ? with : rec[i]) << "\n";
        damaged.close();
        int status = -1;
        const std::string out = Sim("--script damaged.txt --dump f_mode", &status);
        EXPECT_EQ(status, 2) << message;
        EXPECT_NE(out.find(message), std::string::npos) << message << ":\n" << out;
    }

    // The next start shows the tables the window saved; a game of difficulty 1 ends with F4.
    setenv("ALSOFT_DRIVERS", "null", 1);
    Start("--record session.txt");
    ASSERT_TRUE(WaitFor(Lists));
    Press("Return");
    ASSERT_TRUE(WaitFor(NoLists));
    Steer();
    End("F4");
    const auto next = Replay("f_mode,f_scores,f_difficulty,f_players");
    ASSERT_FALSE(next.empty());
    EXPECT_EQ(Field(next.front(), "f_scores"), tables);
    ExpectSteered(next, 1);
}

// A game of difficulty 3 ended by the close request, and its recording shown in the window
// (--replay), at its own pace and deaf to the player but for the quit keys.
TEST_F(GameTest, ReplayedInTheWindowDeafToThePlayerButForTheQuitKeys) {
    Start("--record session.txt");
    ASSERT_TRUE(WaitFor(Lists));
    for (const char* key : {"Right", "Right", "Return"}) Press(key);
    ASSERT_TRUE(WaitFor(NoLists));
    Steer();
    End("");
    ExpectSteered(Replay("f_mode,f_difficulty,f_players"), 3);

    // To its end by itself, the state file left alone.
    fs::remove(dir / ".zorbinstate");
    Start("--replay session.txt");
    EXPECT_EQ(game->Wait(120), 0);
    EXPECT_FALSE(fs::exists(dir / ".zorbinstate"));

    // Cut before the first key and made to last 1000 seconds, it stays on the title whatever the
    // player presses, and each quit key ends it at once with status 0.
    std::ofstream replay(dir / "replay.txt", std::ios::binary);
    const std::vector<std::string> rec = Split(ReadFile(dir / "session.txt"), '\n');
    for (size_t i = 0; i < rec.size() && rec[i].find(" key down ") == std::string::npos; ++i)
        replay << rec[i] << "\n";
    replay << "60000 render\n";
    replay.close();
    for (const char* quit : {"Escape", "F4", ""}) {
        Start("--replay replay.txt");
        ASSERT_TRUE(WaitFor(Lists)) << "the title";
        xtest::Run("xdotool keydown Return space Left");
        EXPECT_EQ(game->Wait(2), -1) << "a key ended the replay";
        xtest::Run("xdotool keyup Return space Left");
        EXPECT_TRUE(Check(Lists)) << "a key started a game";
        End(quit);
    }
}

// The README's screenshot, a wave in full flight made by the runner into the build tree
// (docs/screenshot.png there), so that the committed copy can always be refreshed from the suite.
TEST_F(GameTest, TheReadmeScreenshotShowsAWaveInFlight) {
    const fs::path shot = fs::path(ZARNOK_BINARY_DIR) / "docs" / "screenshot.png";
    fs::create_directories(shot.parent_path());
    fs::remove(shot);
    // Difficulty 2; the ship steers left, then right, and slows time for a moment.
    std::ofstream(dir / "shot.txt")
        << "0 set f_difficulty 2\n30 set f_mode 11\n100 key down 37\n160 key up 37\n"
           "200 key down 39\n260 key up 39\n330 key down 32\n345 key up 32\n";
    int status = -1, w = 0, h = 0, n = 0, cw = 0, ch = 0;
    Sim("--script shot.txt --updates 360 --dump f_mode --screenshot '" + shot.string() + "'", &status);
    ASSERT_EQ(status, 0);
    unsigned char* pixels = stbi_load(shot.string().c_str(), &w, &h, &n, 3);
    ASSERT_NE(pixels, nullptr);
    std::set<int> colours;
    for (int i = 0; i < w * h; ++i)
        colours.insert(pixels[3 * i] << 16 | pixels[3 * i + 1] << 8 | pixels[3 * i + 2]);
    stbi_image_free(pixels);
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(640, 480));
    EXPECT_GT(colours.size(), 200u) << "ships, enemies, shots and the HUD";
    // The committed copy is one made here.
    const std::string committed = (fs::path(ZARNOK_SOURCE_DIR) / "docs" / "screenshot.png").string();
    ASSERT_TRUE(stbi_info(committed.c_str(), &cw, &ch, &n)) << "copy " << shot << " to docs/";
    EXPECT_EQ(std::make_pair(cw, ch), std::make_pair(w, h));
}

}  // namespace
