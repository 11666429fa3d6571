// The game as a player meets it, checked by its pixels, exit status, state file and the mix OpenAL
// Soft wrote, and by the runner replaying the recorded session (whose checks prove it the same game).
#include <set>

#include "tests/game/e2e/game_driver.h"
#include "tests/native/audio/audio_test_util.h"

namespace {

using namespace e2e;

// Probes on the virtual screen: the title's "Top 10", the options, pause and credits panels.
const Probe Lists = [](XImage* i, float s) { return Bright(i, s, 515, 62, 600, 78) > 40; };
const Probe Options = [](XImage* i, float s) { return Colour(i, s, 300, 420, {110, 145, 50, 80, 0, 30}); };
const Probe Paused = [](XImage* i, float s) { return Colour(i, s, 200, 290, {151, 255, 70, 140, 0, 60}); };
const Probe Credits = [](XImage* i, float s) { return Colour(i, s, 52, 8, {0, 40, 220, 255, 0, 40}); };
const auto Not = [](const Probe& p) -> Probe { return [p](XImage* i, float s) { return !p(i, s); }; };

// The replay holds over 100 updates of play at `difficulty`, the ship steered left, then right.
void ExpectSteered(const std::vector<std::string>& passes, int difficulty) {
    std::vector<float> x;
    for (const std::string& p : passes)
        if (Field(p, "f_mode") == "10" && Field(p, "f_difficulty") == std::to_string(difficulty))
            x.push_back(std::stof(Split(Field(p, "f_players"), ',').at(1)));
    ASSERT_GT(x.size(), 100u) << "difficulty " << difficulty;
    const float lowest = *std::min_element(x.begin(), x.end());
    EXPECT_LT(lowest, 300.0f) << "the ship went left";
    EXPECT_GT(x.back(), lowest + 20.0f) << "and came back right";
}

// One session through every screen and a game of difficulty 2; its replay; the next start.
TEST_F(EndToEnd, EveryScreenAGameItsReplayAndTheScoreOnTheNextStart) {
    const std::string mix = audiotest::ConfigureOpenAL("wave");
    unsetenv("ALSOFT_DRIVERS");
    Start("--record session.txt");
    ASSERT_TRUE(Loaded(Lists)) << "the loading screen, then the title with its score panel";
    Press("n");
    ASSERT_TRUE(WaitFor(Credits));
    Press("Return");
    for (const char* key : {"Right", "Right", "Right", "Return"}) Press(key);  // the cog, the fourth icon
    ASSERT_TRUE(WaitFor(Options));
    Updates(40);  // it takes keys once it has slid in
    for (int i = 0; i < 3; ++i) Press("Down");

    // Full screen by the item and back by F11 (new contexts): the label (the font) and the cog (an
    // image) still draw.
    int label = 0, cog = 0;
    const auto measure = [&](XImage* i, float s) {
        label = Bright(i, s, 90, 128, 400, 152), cog = Bright(i, s, 40, 0, 160, 120);
        return Options(i, s) && Colour(i, s, 90, 212, {0, 255, 91, 255, 0, 255});
    };
    ASSERT_TRUE(WaitFor(measure)) << "the screen mode item lit";
    const int label0 = label, cog0 = cog;
    Press("Return");
    EXPECT_TRUE(Loaded([&](XImage* i, float s) {
        return i->width == 1280 && measure(i, s) && label > label0 * s * s / 2 && cog > cog0 * s * s / 2;
    })) << "full screen, by the options item";
    Press("F11");
    EXPECT_TRUE(Loaded([&](XImage* i, float s) {
        return i->width == 640 && measure(i, s) && std::abs(label - label0) < label0 / 10 &&
               std::abs(cog - cog0) < cog0 / 4;
    })) << "back in the window, by F11: "
        << label << "/" << label0 << ", " << cog << "/" << cog0;
    Press("Escape");
    Updates(30);  // the box slides away below the window; the title takes no key until it is gone

    // Difficulty 2, two icons left of the cog: a wave, steering, slow motion, shots that hit.
    for (const char* key : {"Left", "Left", "Return"}) Press(key);
    ASSERT_TRUE(WaitFor(Not(Lists))) << "the game";
    Updates(330);
    for (const char* key : {"Left", "space", "Right"}) HoldFor(key, 35);
    Updates(120);

    // Paused, and stopped between two updates: the recording ends with an update's closing check.
    Press("Escape");
    ASSERT_TRUE(WaitFor(Paused)) << "the pause panel";
    const pid_t pid = std::atoi(Output("xdotool getwindowpid " + std::to_string(window)).c_str());
    ASSERT_TRUE(pid > 0 && kill(pid, SIGSTOP) == 0);
    const std::string text = ReadFile(dir / "session.txt"), last = Split(text, '\n').back();
    kill(pid, SIGCONT);
    EXPECT_TRUE(text.back() == '\n' && last.size() == last.find(" check ") + 15) << "not flushed: " << last;
    Press("Escape");
    ASSERT_TRUE(WaitFor(Not(Paused))) << "resumed";
    Updates(30);  // the panel slides away; no Escape counts until it is gone

    // The options from the pause panel, up from the screen mode item: "Music" alone, saved on closing.
    Press("Escape");
    ASSERT_TRUE(WaitFor(Paused));
    for (const char* key : {"Right", "Return"}) Press(key);
    ASSERT_TRUE(WaitFor(Options)) << "the options box over the pause panel";
    Updates(40);
    for (const char* key : {"Up", "Up", "Return", "Return", "Escape"}) Press(key);
    Updates(40);
    EXPECT_EQ(Split(ReadFile(dir / ".zorbinstate"), '|').at(5), "3") << "the sound setting, saved";

    // Quit, two steps left of the cog: game over, the title; resized as by its border, and ended.
    for (const char* key : {"Left", "Left", "Return"}) Press(key);
    ASSERT_TRUE(WaitFor(Lists)) << "game over, then the title";
    xtest::Run("xdotool windowmove --sync " + std::to_string(window) + " 0 0");
    for (const char* size : {"1280 720", "1920 1080"}) {
        xtest::Run("xdotool windowsize --sync " + std::to_string(window) + " " + size);
        Updates(60);
    }
    End("Escape");
    EXPECT_GT(audiotest::ReadMix(mix).ActiveSeconds(), 1.0) << "music and effects heard";

    // The replay: each size with every image loaded at its level, slow motion, music and effects.
    const auto passes = Replay(
        "f_mode,f_score,f_scores,f_speed,f_musicOn,f_sfxChannel,f_difficulty,f_players,"
        "f_devW,f_devH,f_hdLevel,f_loadStep");
    ASSERT_FALSE(passes.empty());
    ExpectSteered(passes, 2);
    long score = 0;
    std::set<std::string> seen;
    std::string sizes;
    for (const std::string& p : passes) {
        if (Field(p, "f_mode") == "10") {
            score = std::max(score, std::stol(Field(p, "f_score")));
            if (std::stof(Field(p, "f_speed")) < 0.5f) seen.insert("slow motion");
            if (Field(p, "f_musicOn") == "1") seen.insert("music");
            if (Field(p, "f_sfxChannel") != "0") seen.insert("effects");
        }
        const std::string size =
            " " + Field(p, "f_devW") + "x" + Field(p, "f_devH") + "/" + Field(p, "f_hdLevel");
        if (Field(p, "f_loadStep") == "0" && !sizes.ends_with(size)) sizes += size;
    }
    EXPECT_EQ(seen.size(), 3u) << "slow motion, music and effects";
    EXPECT_EQ(sizes, " 640x480/2 1280x1024/4 640x480/2 1280x720/4 1920x1080/4") << "sizes/image level";
    const std::string tables = Field(passes.back(), "f_scores");
    EXPECT_GT(score, 0) << "shots hit";
    EXPECT_EQ(Split(tables, ',').at(10), std::to_string(score)) << "difficulty 2's best";

    // The recording with one line changed: refused with the line named, or found another game.
    const std::vector<std::string> rec = Split(ReadFile(dir / "session.txt"), '\n');
    size_t render = rec.size() / 2, clock;
    while (rec.at(render).find(" render") == std::string::npos) ++render;
    const std::string mid = rec[render].substr(0, rec[render].find(' '));
    for (clock = render; rec.at(clock).rfind(mid + " clock ", 0) != 0;) ++clock;
    const std::tuple<size_t, std::string, std::string> cases[] = {
        {0, "zarnok-recording 2", "line 1: a recording of version 2"},
        {render, mid + " rendr", "line " + std::to_string(render + 1) + ": cannot read"},
        {clock, mid + " clock 999999", "the replayed game is not the recorded game after update " + mid},
    };
    for (const auto& [at, with, message] : cases) {
        std::ofstream damaged(dir / "damaged.txt", std::ios::binary);
        for (size_t i = 0; i < rec.size(); ++i) damaged << (i == at ? with : rec[i]) << "\n";
        damaged.close();
        int status = -1;
        const std::string out = Sim("--script damaged.txt --dump f_mode", &status);
        EXPECT_TRUE(status == 2 && out.find(message) != std::string::npos) << message << ":\n" << out;
    }

    // The next start shows the saved tables; difficulty 1, the music alone heard, ended by F4.
    Start("--record session.txt");
    ASSERT_TRUE(WaitFor(Lists));
    Press("Return");
    Steer();
    End("F4");
    EXPECT_GT(audiotest::ReadMix(mix).ActiveSeconds(), 1.0) << "the music heard";
    const auto next = Replay("f_mode,f_scores,f_difficulty,f_players");
    EXPECT_EQ(Field(next.at(0), "f_scores"), tables);
    ExpectSteered(next, 1);
}

// A game of difficulty 3, and its recording shown in the window, deaf to all but the quit keys.
TEST_F(EndToEnd, ReplayedInTheWindowDeafToThePlayerButForTheQuitKeys) {
    Start("--record session.txt");
    ASSERT_TRUE(WaitFor(Lists));
    for (const char* key : {"Right", "Right", "Return"}) Press(key);
    Steer();
    End("");
    ExpectSteered(Replay("f_mode,f_difficulty,f_players"), 3);

    // To its end by itself, the state file left alone.
    fs::remove(dir / ".zorbinstate");
    Start("--replay session.txt");
    EXPECT_EQ(game->Wait(120), 0);
    EXPECT_FALSE(fs::exists(dir / ".zorbinstate"));

    // Cut before the first key and made to last 1000 s: the title stays, each quit key ends it.
    std::ofstream replay(dir / "replay.txt", std::ios::binary);
    const std::vector<std::string> rec = Split(ReadFile(dir / "session.txt"), '\n');
    for (size_t i = 0; i < rec.size() && rec[i].find(" key down ") == std::string::npos; ++i)
        replay << rec[i] << "\n";
    replay << "60000 render\n" << std::flush;
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

}  // namespace
