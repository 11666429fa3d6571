// Recorded games: a game played in the window through real X input and recorded replays in the
// scenario runner to the same game (the recording's state checks pass at every update, and the
// tables come out as the window saved them); a damaged recording is refused with its line named;
// the window replays a recording, ignoring the player but for the quit keys.
#include <signal.h>

#include <functional>
#include <regex>
#include <set>

#include "tests/game/e2e/game_driver.h"

namespace {

using namespace e2e;

// What a command prints.
std::string CommandOutput(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    for (char buf[256]; p && fgets(buf, sizeof buf, p);) out += buf;
    if (p) pclose(p);
    return out;
}

// The lines of a text.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

std::string Text(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
}

// The text of `lines` with line `n` (1-based) replaced.
std::string With(std::vector<std::string> lines, int n, const std::string& line) {
    lines.at(n - 1) = line;
    return Text(lines);
}

// The number (1-based) of the first line from line `from` on matching `pattern`, or 0.
int Find(const std::vector<std::string>& lines, const std::string& pattern, int from = 1) {
    for (size_t i = from - 1; i < lines.size(); ++i)
        if (std::regex_match(lines[i], std::regex(pattern))) return static_cast<int>(i) + 1;
    return 0;
}

class RecordTest : public GameTest {
  protected:
    // Records what `play` does in the window, ended by F4; the recording, and the state file the
    // window saved (if any) as saved-by-window.
    std::vector<std::string> Record(const std::function<void()>& play) {
        Start("--record session.txt");
        play();
        // Stopped between two updates, the game has written every update it made: the file ends
        // with an update's closing check, not wherever a write buffer happened to fill.
        const pid_t pid = std::atoi(CommandOutput("xdotool getwindowpid " + std::to_string(window)).c_str());
        if (pid > 0 && kill(pid, SIGSTOP) == 0) {
            const std::string text = ReadFile(dir / "session.txt");
            kill(pid, SIGCONT);
            EXPECT_TRUE(std::regex_search(text, std::regex(R"(\n\d+ check [0-9a-f]{8}\n$)")))
                << "the recording is not flushed at each update: " << text.substr(text.size() - 80);
        } else {
            ADD_FAILURE() << "no process for the window";
        }
        Key("F4");
        EXPECT_EQ(game->Wait(10), 0);
        fs::remove(dir / "saved-by-window");
        if (fs::exists(dir / ".zorbinstate")) fs::rename(dir / ".zorbinstate", dir / "saved-by-window");
        return Lines(ReadFile(dir / "session.txt"));
    }

    // Replays `text` in the runner; its output and status.
    std::string Replay(const std::string& text, const std::string& dump, int* status) {
        std::ofstream(dir / "replay.txt", std::ios::binary) << text;
        return Sim("--script replay.txt --dump " + dump, status);
    }
};

TEST_F(RecordTest, AGamePlayedInTheWindowReplaysInTheRunnerOrIsRefusedWhenDamaged) {
    // A game of difficulty 1 in a resized window: steering, slow motion, a pause, shots that hit.
    const std::vector<std::string> rec = Record([&] {
        Updates(40);  // the loader, then the title
        EXPECT_EQ(xtest::Run("xdotool windowsize --sync " + std::to_string(window) + " 800 600"), 0);
        Updates(40);
        Press("Return");
        Updates(330);  // the wave flies in
        HoldFor("Left", 30);
        HoldFor("space", 20);
        HoldFor("Right", 40);
        Press("Escape");
        Updates(20);
        Press("Escape");
        Updates(60);
    });
    ASSERT_GE(rec.size(), 4u);
    EXPECT_EQ(rec[0] + "|" + rec[1] + "|" + rec[2],
              "zarnok-recording 1|size 640 480|desktop 1920 1200 8 8 8");
    EXPECT_EQ(rec[3], "0 state 0") << "no state file yet";
    for (const char* line : {R"(\d+ render)", R"(\d+ clock \d+)", R"(\d+ check [0-9a-f]{8})",
                             R"(\d+ resize 800 600)", R"(\d+ key down 37)", R"(\d+ key up 39)"})
        EXPECT_NE(Find(rec, line), 0) << "no line like " << line;

    // Every update's check passes, and the tables are those the window saved.
    int status = -1;
    const std::string replayed =
        Replay(Text(rec), "f_mode,f_score,vx_random_Seed,f_scores,f_devW,f_devH", &status);
    ASSERT_EQ(status, 0) << replayed;
    EXPECT_NE(replayed.find("\"f_mode\":10,\"f_score\":"), std::string::npos) << replayed;
    EXPECT_EQ(replayed.find("\"f_score\":0,"), std::string::npos) << "no hit: " << replayed;
    EXPECT_NE(replayed.find("\"f_devW\":800,\"f_devH\":600"), std::string::npos) << replayed;
    if (fs::exists(dir / "saved-by-window"))
        fs::copy_file(dir / "saved-by-window", dir / ".zorbinstate", fs::copy_options::overwrite_existing);
    const std::string loaded = Sim("--updates 1 --dump f_scores", &status);
    const auto scores = [](const std::string& out) {
        const size_t at = out.rfind("\"f_scores\"");
        return at == std::string::npos ? "none" : out.substr(at, out.find(']', at) - at);
    };
    EXPECT_EQ(scores(replayed), scores(loaded));

    // Damage in the middle of the recording: the first frame there, its update's clock and check.
    const int render = Find(rec, R"(\d+ render)", static_cast<int>(rec.size()) / 2);
    ASSERT_GT(render, 0);
    const std::string mid = rec[render - 1].substr(0, rec[render - 1].find(' '));
    const int clock = Find(rec, mid + " clock .*", render), check = Find(rec, mid + " check .*", render);
    const int key = Find(rec, R"(\d+ key down 37)");
    ASSERT_TRUE(clock && check && key);
    std::string otherKey = rec.at(key - 1);
    otherKey.replace(otherKey.size() - 2, 2, "112");  // F1, the debug display
    const auto at = [](int line) { return "line " + std::to_string(line) + ": "; };
    struct Case {
        std::string what, text, message;
    } cases[] = {
        {"another version", With(rec, 1, "zarnok-recording 2"), "line 1: a recording of version 2"},
        {"a missing header line", With(rec, 2, ""), "line 1: the recording's header"},
        {"an unreadable line", With(rec, render, mid + " rendr"), at(render) + "cannot read"},
        {"a line out of order", With(rec, render, "1 render"), at(render) + "update 1 comes after"},
        {"a clock reading", With(rec, clock, mid + " clock 999999"),
         at(check) + "the replayed game is not the recorded game after update " + mid},
        {"a lost frame", With(rec, render, ""), "after update " + mid},
        {"another key", With(rec, key, otherKey), "is not the recorded game"},
    };
    for (const Case& c : cases) {
        const std::string out = Replay(c.text, "f_mode", &status);
        EXPECT_EQ(status, 2) << c.what;
        EXPECT_NE(out.find(c.message), std::string::npos) << c.what << ":\n" << out;
    }
}

TEST_F(RecordTest, TheWindowReplaysIgnoringThePlayerButForTheQuitKeys) {
    const std::vector<std::string> rec = Record([&] { Updates(60); });
    fs::remove(dir / ".zorbinstate");

    // To its end by itself, the state file left alone.
    std::ofstream(dir / "replay.txt", std::ios::binary) << Text(rec);
    Start("--replay replay.txt");
    EXPECT_EQ(game->Wait(30), 0);
    EXPECT_FALSE(fs::exists(dir / ".zorbinstate"));

    // Without its F4, and made to last 1000 seconds: it draws the game, deaf to the player's keys,
    // and each quit key ends it at once with status 0.
    const int f4 = Find(rec, R"(\d+ key down 115)");
    ASSERT_GT(f4, 0);
    std::ofstream(dir / "replay.txt", std::ios::binary)
        << Text(std::vector<std::string>(rec.begin(), rec.begin() + f4 - 1)) << "60000 render\n";
    for (const char* quit : {"Escape", "F4", ""}) {
        Start("--replay replay.txt");
        std::this_thread::sleep_for(1000ms);
        Key("Return space Left");
        EXPECT_EQ(game->Wait(0.3), -1) << "a key ended the replay";
        const std::vector<long> pixels = Pixels();
        EXPECT_GT(std::set<long>(pixels.begin(), pixels.end()).size(), 4u) << "a blank window";
        if (*quit)
            Key(quit);
        else
            xtest::SendCloseRequest(dpy, window);
        EXPECT_EQ(game->Wait(10), 0) << (*quit ? quit : "the close request");
    }
}

}  // namespace
