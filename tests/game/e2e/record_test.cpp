// Recorded games: a game played in the window through real X input and recorded replays in the
// scenario runner to the same game (the recording's state checks pass at every update, and the
// tables come out as the window saved them); a damaged recording is refused with its line named;
// the window replays a recording, ignoring the player but for the quit keys.
#include <regex>
#include <set>

#include "tests/game/e2e/game_driver.h"

namespace {

using namespace e2e;

class RecordTest : public GameTest {
  protected:
    // Plays and records a game once for the suite; the recording's text (empty on failure).
    std::string Recording() {
        static std::string text;
        if (!text.empty()) return text;
        Start("--record rec.txt");
        std::this_thread::sleep_for(1500ms);  // the loader, then the title
        EXPECT_EQ(xtest::Run("xdotool windowsize --sync " + std::to_string(window) + " 800 600"), 0);
        Hold("Left", 300ms);
        Key("Down Up");
        Hold("Right", 200ms);
        std::this_thread::sleep_for(300ms);
        Key("F4");
        EXPECT_EQ(game->Wait(10), 0);
        fs::remove(dir / "saved-by-window");
        if (fs::exists(dir / ".zorbinstate")) fs::rename(dir / ".zorbinstate", dir / "saved-by-window");
        return text = ReadFile(dir / "rec.txt");
    }

    // Replays `text` in the runner; its output and status.
    std::string Replay(const std::string& text, const std::string& dump, int* status) {
        std::ofstream(dir / "replay.txt", std::ios::binary) << text;
        return Sim("--script replay.txt --dump " + dump, status);
    }
};

// The text with its `n`th line (1-based) replaced.
std::string WithLine(const std::string& text, int n, const std::string& line) {
    std::istringstream in(text);
    std::string out;
    int at = 0;
    for (std::string l; std::getline(in, l);) out += (++at == n ? line : l) + "\n";
    return out;
}

std::string LineAt(const std::string& text, int n) {
    std::istringstream in(text);
    std::string l;
    for (int at = 0; at < n && std::getline(in, l); ++at) {
    }
    return l;
}

// The number (1-based) of the first line matching `pattern`, or 0.
int LineOf(const std::string& text, const std::string& pattern) {
    std::istringstream in(text);
    int at = 0;
    for (std::string l; std::getline(in, l);)
        if (++at && std::regex_match(l, std::regex(pattern))) return at;
    return 0;
}

TEST_F(RecordTest, AGamePlayedInTheWindowReplaysInTheRunner) {
    const std::string rec = Recording();
    ASSERT_FALSE(rec.empty());
    EXPECT_EQ(rec.rfind("zarnok-recording 1\nsize 640 480\ndesktop 1920 1200 8 8 8\n0 state ", 0), 0u);
    for (const char* line : {R"(\d+ render)", R"(\d+ clock \d+)", R"(\d+ check [0-9a-f]{8})",
                             R"(\d+ resize 800 600)", R"(\d+ key down 37)", R"(\d+ key up 39)"})
        EXPECT_NE(LineOf(rec, line), 0) << "no line like " << line;

    // Every update's check passes, and the tables are those the window saved.
    int status = -1;
    const std::string replayed = Replay(rec, "f_scores,f_devW,f_devH", &status);
    ASSERT_EQ(status, 0) << replayed;
    EXPECT_NE(replayed.find("\"f_devW\":800,\"f_devH\":600"), std::string::npos) << replayed;
    if (fs::exists(dir / "saved-by-window"))
        fs::copy_file(dir / "saved-by-window", dir / ".zorbinstate", fs::copy_options::overwrite_existing);
    const std::string loaded = Sim("--updates 1 --dump f_scores", &status);
    const auto scores = [](const std::string& out) { return out.substr(out.rfind("\"f_scores\"")); };
    EXPECT_EQ(scores(replayed).substr(0, scores(replayed).find(']')),
              scores(loaded).substr(0, scores(loaded).find(']')));
}

TEST_F(RecordTest, ADamagedRecordingIsRefusedWithItsLine) {
    const std::string rec = Recording();
    ASSERT_FALSE(rec.empty());
    const int clock = LineOf(rec, R"(40 clock \d+)"), check = LineOf(rec, R"(40 check .*)");
    const int keyDown = LineOf(rec, R"(\d+ key down 37)"), render = LineOf(rec, R"(60 render)");
    struct Case {
        std::string what, text, message;
    } cases[] = {
        {"another version", WithLine(rec, 1, "zarnok-recording 2"), "line 1: a recording of version 2"},
        {"a missing header line", WithLine(rec, 2, ""), "line 1: the recording's header"},
        {"an unreadable line", WithLine(rec, render, "60 rendr"),
         "line " + std::to_string(render) + ": cannot read"},
        {"a line out of order", WithLine(rec, render, "20 render"),
         "line " + std::to_string(render) + ": update 20"},
        {"a clock reading", WithLine(rec, clock, "40 clock 999999"),
         "line " + std::to_string(check) + ": the replayed game is not the recorded game after update 40"},
        {"a lost frame", WithLine(rec, render, ""), "after update 60"},
    };
    for (const Case& c : cases) {
        int status = -1;
        const std::string out = Replay(c.text, "f_mode", &status);
        EXPECT_EQ(status, 2) << c.what;
        EXPECT_NE(out.find(c.message), std::string::npos) << c.what << ":\n" << out;
    }
    // Another key is another game.
    std::string right = LineAt(rec, keyDown);
    right.replace(right.size() - 2, 2, "112");  // F1, the debug display
    int status = -1;
    const std::string out = Replay(WithLine(rec, keyDown, right), "f_mode", &status);
    EXPECT_EQ(status, 2) << out;
}

TEST_F(RecordTest, TheWindowReplaysIgnoringThePlayerButForTheQuitKeys) {
    const std::string rec = Recording();
    ASSERT_FALSE(rec.empty());
    fs::remove(dir / ".zorbinstate");
    std::ofstream(dir / "replay.txt", std::ios::binary) << rec;

    // To its end by itself, drawing the game, deaf to the player's keys, the state file left alone.
    Start("--replay replay.txt");
    std::this_thread::sleep_for(1500ms);
    Key("Return space");
    const std::vector<long> pixels = Pixels();
    EXPECT_GT(std::set<long>(pixels.begin(), pixels.end()).size(), 4u) << "a blank window";
    EXPECT_EQ(game->Wait(20), 0);
    EXPECT_FALSE(fs::exists(dir / ".zorbinstate"));

    // A replay made to last 1000 seconds: each quit key ends it at once, with status 0.
    std::ofstream(dir / "replay.txt", std::ios::app) << "60000 render\n";
    for (const char* key : {"Escape", "F4"}) {
        Start("--replay replay.txt");
        std::this_thread::sleep_for(500ms);
        Key(key);
        EXPECT_EQ(game->Wait(10), 0) << key;
    }
    Start("--replay replay.txt");
    xtest::SendCloseRequest(dpy, window);
    EXPECT_EQ(game->Wait(10), 0) << "the close request";
}

}  // namespace
