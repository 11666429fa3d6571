// The title menu, the options box, the pause menu and the credits, driven through the scenario
// runner with scripted keys, mouse, pads and cabinet letters; what they show is read back as the
// texts of the draw list and as the window's pixels.
#include <algorithm>
#include <map>
#include <sstream>

#include "tests/game/scenario/sim_run.h"

namespace {

namespace fs = std::filesystem;
using fs::path;
using simtest::Picture;
using simtest::Press;
using simtest::Scores;

const path kShots = path(ZARNOK_BINARY_DIR) / "screens";

class ScreensTest : public simtest::SimTest {
  protected:
    void SetUp() override {
        SimTest::SetUp();
        if (!IsSkipped() && !LinkData()) GTEST_SKIP() << "needs the data generator";
    }

    // A run's output, its dump lines by pass and, from another run of the same script, the draw
    // lists of every fifth pass (passes 4, 9, 14, ...): a dump of the whole list is large.
    struct Run {
        int status = -1;
        std::string out;
        std::map<int, std::string> pass, lists;
        double operator()(int p, const std::string& name) const { return Value(pass.at(p), name); }
        // The texts drawn in the update of a pass: glyphs on one baseline run together, a gap of
        // more than a glyph's advance is a space.
        std::vector<std::string> Texts(int p) const {
            std::vector<std::string> texts;
            const std::string& d = lists.at(p);
            const std::vector<double> f = Numbers(d, "f_drawList");
            const size_t count = std::min(f.size(), static_cast<size_t>(Value(d, "f_drawCount")));
            const int font = static_cast<int>(Value(d, "f_font"));
            double lastX = 0, lastY = -1e9;
            for (size_t at = 0; at + 15 <= count; at += 15) {
                if (static_cast<int>(f[at]) != font) {
                    lastY = -1e9;
                    continue;
                }
                const char ch = static_cast<char>(f[at + 6] + 32);
                if (f[at + 2] != lastY || f[at + 1] < lastX) {
                    texts.emplace_back(1, ch);
                } else {
                    if (f[at + 1] - lastX > 10.0 * f[at + 4]) texts.back() += ' ';
                    texts.back() += ch;
                }
                lastX = f[at + 1], lastY = f[at + 2];
            }
            return texts;
        }
        bool Shows(int p, const std::string& text) const {
            const auto texts = Texts(p);
            return std::find(texts.begin(), texts.end(), text) != texts.end();
        }
    };
    // Runs the runner in the test's folder (its saved state stays there between runs) for `updates`
    // passes, dumping `fields` every pass (none: once at the end), and the draw lists when `texts`.
    Run Play(int updates, const std::string& fields, const std::string& script = "", bool texts = false,
             const std::string& more = "") {
        const std::string n = "--updates " + std::to_string(updates) + " " + more;
        Run out;
        if (texts) {
            // The second run starts from the same saved state and leaves it as it was.
            const path state = dir / ".zorbinstate", kept = dir / "kept-state";
            if (fs::exists(state)) fs::copy_file(state, kept, fs::copy_options::overwrite_existing);
            for (const auto& d :
                 Sim(n + " --dump-every 5 --dump f_drawList,f_drawCount,f_font", script).dumps)
                out.lists[static_cast<int>(Value(d, "pass"))] = d;
            fs::remove(state);
            if (fs::exists(kept)) fs::rename(kept, state);
        }
        const simtest::SimRun r = Sim(n + (fields.empty() ? "" : " --dump-every 1 --dump " + fields), script);
        out.status = r.status;
        for (const auto& l : r.lines) out.out += l + "\n";
        for (const auto& d : r.dumps) out.pass[static_cast<int>(Value(d, "pass"))] = d;
        return out;
    }
};

constexpr int kLeft = 37, kRight = 39, kDown = 40, kEnter = 13, kEscape = 27, kN = 78, kF1 = 112, kF2 = 113;

TEST_F(ScreensTest, TitleByKeysStepsShowsTheListsRunsTheCreditsAndQuits) {
    // Steps right and left; the credits from pass 80 (near the end of the roll), F1 and F2 toggled
    // on and off, the roll scrolled with down and up held and closed by a click; then the quit
    // request.
    const std::string script = Press(30, kRight) + Press(40, kRight) + Press(50, kRight) + Press(60, kRight) +
                               Press(70, kLeft) + Press(80, kN) + "80 set f_creditsLine 44\n" +
                               Press(84, kF1) + Press(84, kF2) + Press(88, kF1) + Press(88, kF2) +
                               "130 key down 40\n150 key up 40\n150 key down 38\n170 key up 38\n" +
                               "200 mouse down 0 100 100\n202 mouse up 0 100 100\n240 key down 27\n";
    const Run r = Play(260,
                       "f_menuSel,f_difficulty,f_creditsOpen,f_creditsSlide,f_creditsScroll,f_creditsLine,f_"
                       "showInfo,vx_Zarnok_DebugMode",
                       script, true);
    EXPECT_EQ(r.status, 0) << "the quit request ends the program normally";
    EXPECT_EQ(r.pass.rbegin()->first, 240);
    EXPECT_TRUE(r.Shows(29, "Top 10") && r.Shows(29, "Last 10")) << "difficulty 1 highlighted at first";
    const int sel[][2] = {{29, 1}, {30, 2}, {40, 3}, {50, 4}, {60, 4}, {70, 3}};
    for (const auto& s : sel) EXPECT_EQ(r(s[0], "f_menuSel"), s[1]) << "pass " << s[0];
    EXPECT_EQ(r(45, "f_difficulty"), 3) << "the lists follow the highlight";
    EXPECT_FALSE(r.Shows(54, "Top 10")) << "no lists while the cog is highlighted";
    EXPECT_EQ(r(79, "f_creditsOpen"), 0);
    EXPECT_EQ(r(80, "f_creditsOpen"), 1);
    EXPECT_FALSE(r.Shows(99, "Top 10")) << "no lists under the credits";
    for (const int p : {83, 84, 85, 87, 88})  // once per press, however long it is held
        EXPECT_EQ(r(p, "vx_Zarnok_DebugMode") + r(p, "f_showInfo"), p >= 84 && p < 88 ? 2 : 0) << p;
    EXPECT_EQ(r(109, "f_creditsSlide"), 30);
    auto travelled = [&](int from, int to) {
        return 16 * (r(to, "f_creditsLine") - r(from, "f_creditsLine")) -
               (r(to, "f_creditsScroll") - r(from, "f_creditsScroll"));
    };
    EXPECT_NEAR(travelled(109, 129), 20 * 0.3, 0.01);
    EXPECT_NEAR(travelled(129, 149), 20 * 1.8, 0.01) << "down held";
    EXPECT_NEAR(travelled(149, 169), 20 * 1.8, 0.01) << "up held";
    bool sawSeparator = false, sawStart = false;
    for (int p = 114; p < 200; p += 5) {
        EXPECT_FALSE(r.Shows(p, "End")) << "pass " << p;
        sawSeparator = sawSeparator || r.Shows(p, "-=-=-");
        sawStart = sawStart || (r(p, "f_creditsLine") >= 49 && r.Shows(p, "Game design"));
    }
    EXPECT_TRUE(sawSeparator && sawStart) << "the roll went round";
    EXPECT_EQ(r(200, "f_creditsOpen"), 0) << "a click closes";
    EXPECT_EQ(r(230, "f_creditsSlide"), 0);
}

TEST_F(ScreensTest, TitleByMouseTapsChooseAndADragScrollsAndBounces) {
    // Icon 2 sits at (338, 384): the first tap highlights it, the second (at the centre, where the
    // row has brought it) starts a game of difficulty 2.
    const Run tap = Play(72, "f_menuSel,f_mode,f_difficulty,f_controlStyle",
                         "30 mouse down 0 338 384\n32 mouse up 0 338 384\n70 mouse down 0 250 384\n");
    EXPECT_EQ(tap(30, "f_menuSel"), 2);
    EXPECT_EQ(tap(69, "f_mode"), 1);
    EXPECT_NE(tap(70, "f_mode"), 1);
    EXPECT_EQ(tap(70, "f_difficulty"), 2);
    EXPECT_EQ(tap(70, "f_controlStyle"), 2) << "started by touch";

    // Flings far left and far right: the row coasts, and the end icons push it back into reach.
    for (int dir : {-1, 1}) {
        std::string drag = "30 mouse down 0 320 465\n";
        for (int i = 1; i <= 6; ++i)
            drag += std::to_string(30 + i) + " mouse move " + std::to_string(320 + dir * 40 * i) + " 465\n";
        drag += "37 mouse up 0 " + std::to_string(320 + dir * 240) + " 465\n";
        const Run r = Play(160, "f_scroll,f_menuSel,f_mode", drag);
        double far = 0;
        for (int p = 31; p < 160; ++p)
            far = dir < 0 ? std::min(far, r(p, "f_scroll")) : std::max(far, r(p, "f_scroll"));
        const double rest = r(159, "f_scroll");
        EXPECT_EQ(r(159, "f_mode"), 1) << "a drag is not a tap";
        if (dir < 0) {
            EXPECT_LT(far, -360) << "coasted past the last icon";
            EXPECT_GT(rest, -362) << "and came back";
            EXPECT_EQ(r(159, "f_menuSel"), 4);
        } else {
            EXPECT_GT(far, 140);
            EXPECT_LT(rest, 134);
            EXPECT_EQ(r(159, "f_menuSel"), 1);
        }
    }
}

TEST_F(ScreensTest, OptionsCycleSoundToggleTheCabinetAndSaveForTheNextStart) {
    // To the cog and open the box; it slides in for 30 updates, then Down selects Sound.
    std::string script =
        Press(30, kRight) + Press(34, kRight) + Press(38, kRight) + Press(44, kEnter) + Press(80, kDown);
    for (int i = 0; i < 5; ++i)
        script += std::to_string(90 + 10 * i) + " set f_musicOn 1\n" + Press(90 + 10 * i, kEnter);
    script += Press(140, kDown) + Press(150, kEnter) + Press(160, kEnter) + Press(170, kEnter) +
              Press(180, kEscape);
    const Run r =
        Play(220, "f_options,f_musicOn,f_optionsOpen,f_optionSel,vx_Zarnok_iCadeControls", script, true);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r(44, "f_optionsOpen"), 1);
    EXPECT_EQ(r(80, "f_optionSel"), 1);
    EXPECT_TRUE(r.Shows(89, "Sound : SFX + Music") && r.Shows(89, "iCade : Off") && r.Shows(89, "Credits"));
    // Each press steps the setting; the settings without music stop the tune.
    const struct {
        const char* label;
        int setting, music;
    } cycle[] = {{"Sound : SFX", 2, 0},
                 {"Sound : Music", 3, 1},
                 {"Sound : Off", 0, 0},
                 {"Sound : SFX + Music", 1, 1},
                 {"Sound : SFX", 2, 0}};
    for (int i = 0; i < 5; ++i) {
        const int p = 90 + 10 * i;
        for (int q : {p, p + 1})  // one step per press, however long the key is held
            EXPECT_NE(r.pass.at(q).find("\"f_options\":[0,0,0,0,0," + std::to_string(cycle[i].setting) + ","),
                      std::string::npos)
                << cycle[i].label;
        EXPECT_EQ(r(p, "f_musicOn"), cycle[i].music) << cycle[i].label;
        EXPECT_TRUE(r.Shows(p + 4, cycle[i].label)) << cycle[i].label;
    }
    EXPECT_EQ(r(150, "vx_Zarnok_iCadeControls"), 1);
    EXPECT_TRUE(r.Shows(154, "iCade : On"));
    EXPECT_EQ(r(155, "vx_Zarnok_iCadeControls"), 1) << "held, the switch does not flip back";
    EXPECT_EQ(r(160, "vx_Zarnok_iCadeControls"), 0);
    EXPECT_EQ(r(170, "vx_Zarnok_iCadeControls"), 1);
    EXPECT_EQ(r(180, "f_optionsOpen"), 0) << "back closes the box";

    // The box saved on closing; the next start loads every section.
    std::ifstream in(dir / ".zorbinstate");
    std::string state((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(state.find("0|0|0|0|0|2|0|"), std::string::npos) << state;
    const Run next = Play(2, "", "", false, "--dump f_options");
    for (const char* line : {"Settings Loaded", "Badges Loaded", "Highscore 0 Loaded", "Highscore 1 Loaded",
                             "Highscore 2 Loaded"})
        EXPECT_NE(next.out.find(line), std::string::npos) << line;
    EXPECT_NE(next.out.find("\"f_options\":[0,0,0,0,0,2,"), std::string::npos) << next.out;
}

TEST_F(ScreensTest, ConfirmStartsAGameWhosePauseResumesOpensOptionsAndQuitsIntoARecordedScore) {
    // Difficulty 2's best are 500, 300, 300, 100. Its game, chosen by keys after a touch (the
    // keyboard's control style), is quit with 300 once its last shots have left the screen.
    std::ofstream(dir / ".zorbinstate")
        << simtest::State(1, Scores(0, {}) + Scores(1, {500, 300, 300, 100}) + Scores(2, {}));
    std::string script = "0 set f_controlStyle 2\n" + Press(30, kRight) + Press(34, kEnter) +
                         Press(60, kEscape) + Press(80, kEnter);
    script += Press(100, kEscape) + Press(110, kRight) + Press(120, kEnter) + Press(160, kEscape);
    script += Press(200, kLeft) + Press(210, kLeft) + Press(220, kEnter) + "285 set f_score 300\n";
    const Run r = Play(340,
                       "f_mode,f_difficulty,f_controlStyle,f_paused,f_pauseDir,f_pauseY,f_pauseSel,f_"
                       "optionsOpen,f_gameOverTimer,f_scores",
                       script, true);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r(33, "f_mode"), 1);
    EXPECT_NE(r(34, "f_mode"), 1) << "confirm starts a game";
    EXPECT_EQ((std::vector<double>{r(59, "f_mode"), r(59, "f_difficulty"), r(59, "f_controlStyle")}),
              (std::vector<double>{10, 2, 0}));
    EXPECT_EQ(r(60, "f_paused"), 1);
    EXPECT_EQ(r(79, "f_pauseY"), 248) << "dropped to mid-height";
    EXPECT_EQ(r(80, "f_pauseDir"), -1) << "resumed";
    EXPECT_EQ(r(80, "f_paused"), 1) << "until the panel has left";
    EXPECT_EQ(r(95, "f_paused"), 0);
    EXPECT_EQ(r(110, "f_pauseSel"), 1);
    EXPECT_EQ(r(120, "f_optionsOpen"), 1);
    EXPECT_TRUE(r.Shows(154, "Fullscreen") && !r.Shows(154, "Credits")) << "no credits from a game";
    EXPECT_EQ(r(160, "f_optionsOpen"), 0);
    EXPECT_EQ(r(199, "f_paused"), 1) << "the pause panel again";
    EXPECT_EQ(r(210, "f_pauseSel"), -1);
    EXPECT_EQ(r(220, "f_gameOverTimer"), 1) << "quit";
    EXPECT_EQ(r(220, "f_paused"), 0);
    // Filed 4th, after the equal older scores, and announced so before and after filing.
    int filed = 221;
    while (filed < 339 && r(filed, "f_mode") == 10) ++filed;
    for (int p = filed - 14; p < filed + 15; ++p)
        EXPECT_TRUE(!r.lists.count(p) || r.Shows(p, "4th")) << "pass " << p;
    EXPECT_EQ(r(339, "f_mode"), 1) << "after the game-over sequence, the title";
    const std::vector<double> tables = Numbers(r.pass.at(339), "f_scores");
    EXPECT_EQ(std::vector<double>(&tables[10], &tables[15]), (std::vector<double>{500, 300, 300, 300, 100}));
    EXPECT_EQ(tables[40], 300) << "first of its last";
    int shown = 0;
    for (const auto& t : r.Texts(339)) shown += t == "300";
    EXPECT_EQ(shown, 4) << "three in the top list, one in the last";
}

// Every key, pad button, stick and cabinet letter of the control mapping pressed once over the
// title, most of them in the options box with its sound item selected. Each probe is an input =
// what it must do. Inputs: "k<key>", "j<pad>:<button>", "a<pad>:<axis>:<value>" (a stick),
// "c<press letter><release letter>" (the cabinet's characters); "o" opens the box, "x" the credits.
// Effects: 's' steps the sound setting, '+' and '-' move the selection, 'b' (back) closes the
// box (which slides for 30 updates), or else the credits opened just before, 'i' switches the cabinet
// protocol, '0' nothing. The run ends with a quit key, F4 or the pad's, in two runs that must agree on every
// dump.
TEST_F(ScreensTest, EveryKeyButtonStickAndCabinetLetterOfTheMapping) {
    std::istringstream probes(
        // Back, confirm (controls 10 to 15), the directions, the cabinet protocol switched on.
        "k27=b k192=b k46=b k8=b j0:6=b j1:7=b j2:14=b o=0 "
        "k90=s k74=s k32=s k13=s k88=s k75=s k17=s k67=s k76=s k16=s k86=s k73=s k66=s k85=s k78=s k79=s "
        "j0:0=s j1:1=s j2:2=s j3:3=s j0:4=s j1:5=s k40=+ k38=- k83=+ k87=- k39=+ k37=- k68=+ k65=- "
        "j2:11=+ j3:9=- j0:10=+ j1:8=- a0:0:0.7=+ a1:0:-0.7=- a2:1:-0.7=+ a3:1:0.7=- k40=+ k13=i "
        // Under it: its letters, the keys it keeps and the buttons; not the letter keys nor sticks.
        "cWE=- cHR=s cjn=s cKP=s cYT=s cUF=s cIM=s k32=s k13=s k17=s k16=s j0:0=s "
        "k90=0 k74=0 k88=0 k75=0 k67=0 k76=0 k86=0 k73=0 k66=0 k85=0 k78=0 k79=0 "
        "cXZ=+ cAQ=- cDC=+ k37=- k40=+ k38=- k39=+ j0:9=- k87=0 k83=0 k65=0 k68=0 a0:0:0.7=0 a0:1:0.7=0 "
        "cOG=b cLV=b x=0 k192=0 k27=b");
    std::vector<std::pair<int, std::string>> at;  // pass, probe
    std::string script;
    int p = 30;
    bool box = false;  // the options box is open
    int step = 5;
    for (std::string probe; probes >> probe; p += step) {
        at.push_back({p, probe});
        std::string a = probe.substr(1, probe.find('=') - 1), u, n, v;
        std::replace(a.begin(), a.end(), ':', ' ');
        std::istringstream(a) >> u >> n >> v;
        const std::string down = std::to_string(p) + " ", up = std::to_string(p + 2) + " ";
        const std::string joy = "joy " + u + (probe[0] == 'j' ? " button " : " axis ") + n + " ";
        if (probe[0] == 'k') script += down + "key down " + a + "\n" + up + "key up " + a + "\n";
        if (probe[0] == 'j' || probe[0] == 'a')
            script += down + joy + (probe[0] == 'j' ? "1" : v) + "\n" + up + joy + "0\n";
        if (probe[0] == 'c')
            script +=
                down + "char " + std::to_string(a[0]) + "\n" + up + "char " + std::to_string(a[1]) + "\n";
        if (probe[0] == 'o') script += down + "set f_optionsOpen 1\n" + down + "set f_optionSel 1\n";
        if (probe[0] == 'x' || (probe.back() == 'b' && !box))
            script += std::to_string(p - (probe[0] != 'x')) + " set f_creditsOpen 1\n";
        const bool open = probe[0] == 'o' || (box && probe.back() != 'b');
        step = open != box ? 35 : 5;  // the box slides in or out
        box = open;
    }
    const std::string args =
        "--updates " + std::to_string(p + 10) +
        " --dump-every 1 --dump f_options,f_optionSel,f_optionsOpen,f_creditsOpen,vx_Zarnok_iCadeControls";
    const simtest::SimRun r = Sim(args, script + std::to_string(p) + " key down 115\n");
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(r.dumps.size(), static_cast<size_t>(p + 1)) << "F4 ends the run at once";
    fs::remove(dir / ".zorbinstate");  // as the first run found it
    const simtest::SimRun pad = Sim(args, script + std::to_string(p) + " key down 432\n");
    EXPECT_EQ(pad.status, 0);
    EXPECT_EQ(pad.lines, r.lines);
    // The sound setting, the selection, the boxes open, the cabinet protocol after a pass. A letter
    // acts in the update after it arrives.
    auto state = [&](int pass) {
        const std::string& d = r.dumps.at(pass);
        return std::vector<double>{Numbers(d, "f_options").at(5), Value(d, "f_optionSel"),
                                   Value(d, "f_optionsOpen") + Value(d, "f_creditsOpen"),
                                   Value(d, "vx_Zarnok_iCadeControls")};
    };
    for (const auto& [pass, probe] : at) {
        std::vector<double> want = state(pass - 1);
        const char effect = probe.back();
        if (effect == 's') want[0] = (static_cast<int>(want[0]) + 1) % 4;
        if (effect == '+' || effect == '-') want[1] += effect == '+' ? 1 : -1;
        if (effect == 'b') want[2] = 0;
        if (effect == 'i') want[3] = 1 - want[3];
        if (probe[0] == 'o' || probe[0] == 'x') continue;
        EXPECT_EQ(state(pass + 1), want) << probe << " at pass " << pass;
        EXPECT_EQ(state(pass + 3), want) << probe << " held and let go";
    }
}

TEST_F(ScreensTest, ScreenshotsAtTwoSizes) {
    fs::create_directories(kShots);
    const std::string toOptions =
        Press(30, kRight) + Press(34, kRight) + Press(38, kRight) + Press(44, kEnter);
    const struct {
        const char* name;
        std::string script;
        int x, y, r, g, b;  // a virtual-screen pixel (y < 0: -y below the middle) and its colour (within 40)
    } shots[] = {{"title", "", 320, 0, 0, 0, 20},
                 {"options", toOptions, 320, 340, 127, 64, 3},
                 {"credits", Press(30, kN), 52, 8, 0, 255, 0},
                 {"pause", Press(30, kEnter) + Press(60, kEscape), 200, -50, 178, 105, 7}};
    for (const char* size : {"640x480", "1920x1080"}) {
        const int scale = std::string(size) == "640x480" ? 1 : 3, middle = scale == 1 ? 240 : 180;
        for (const auto& s : shots) {
            const path png = kShots / (std::string(s.name) + "-" + size + ".png");
            ASSERT_EQ(Play(100, "", s.script, false,
                           std::string("--size ") + size + " --screenshot '" + png.string() + "'")
                          .status,
                      0);
            const Picture pic(png);
            ASSERT_FALSE(pic.rgb.empty()) << png;
            const int want[] = {s.r, s.g, s.b};
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(pic.At(s.x * scale, (s.y < 0 ? middle - s.y : s.y) * scale, c), want[c], 40)
                    << png << " channel " << c;
        }
    }
}

}  // namespace
