// The title menu, the options box, the pause menu and the credits, driven through the scenario
// runner with scripted keys, mouse, pads and cabinet letters; the runner checks the scripts' expect
// lines against the game's fields and the texts it draws. Screenshots of every screen.
#include <algorithm>
#include <sstream>

#include "tests/game/scenario/sim_run.h"

namespace {

namespace fs = std::filesystem;
using simtest::Press;

class ScreensTest : public simtest::DataTest {};

constexpr int kLeft = 37, kRight = 39, kDown = 40, kEnter = 13, kEscape = 27;
const std::string kToOptions = Press(30, kRight) + Press(34, kRight) + Press(38, kRight) + Press(44, kEnter);

TEST_F(ScreensTest, TitleByKeysStepsShowsTheListsRunsTheCreditsAndQuits) {
    // Steps right and left; the credits (N) from pass 80, near the end of the roll, scrolled with
    // down and up held, closed by a click; then the quit request ends the program in pass 240.
    Expect(260, Press(30, kRight) + Press(40, kRight) + Press(50, kRight) + Press(60, kRight) +
                    Press(70, kLeft) + Press(80, 78) + R"(80 set f_creditsLine 44
29 expect f_menuSel = 1; texts has "Top 10","0","0","0","0","0","0","0","0","0","0","Last 10"
30 expect f_menuSel = 2
40 expect f_menuSel = 3
45 expect f_difficulty = 3
50 expect f_menuSel = 4
60 expect f_menuSel = 4
70 expect f_menuSel = 3; f_creditsOpen = 0
80 expect f_creditsOpen = 1
80-239 expect texts !has "End"
120 set f_creditsScroll 0
120 expect f_creditsScroll = -0.3
130 key down 40
140 set f_creditsScroll 0
140 expect f_creditsScroll = -1.8
150 key up 40; down 38
150 expect texts has "Game design"
160 set f_creditsScroll 0
160 expect f_creditsScroll = -1.8
170 key up 38
200 mouse down 0 100 100
202 mouse up 0 100 100
200 expect f_creditsOpen = 0
240 key down 27
241 expect f_mode = -1
)");
}

TEST_F(ScreensTest, TitleByMouseTapsChooseAndADragScrollsAndBounces) {
    // Icon 2 sits at (338, 384): the first tap highlights it, the second (at the centre, where the
    // row has brought it) starts a game of difficulty 2, by touch.
    Expect(72, R"(30 mouse down 0 338 384
32 mouse up 0 338 384
30 expect f_menuSel = 2
69 expect f_mode = 1
70 mouse down 0 250 384
70 expect f_mode != 1; f_difficulty = 2; f_controlStyle = 2
)");
    // Flings far left and far right: the row coasts past the end icons, which push it back.
    const char* ends[] = {"47-55 expect f_scroll < -360\n150-159 expect f_scroll > -320; f_menuSel = 4\n",
                          "47-55 expect f_scroll > 300\n150-159 expect f_scroll < 70; f_menuSel = 1\n"};
    for (int dir : {-1, 1}) {
        std::string drag = "30 mouse down 0 320 465\n159 expect f_mode = 1\n";  // a drag is not a tap
        for (int i = 1; i <= 6; ++i)
            drag += std::to_string(30 + i) + " mouse move " + std::to_string(320 + dir * 40 * i) + " 465\n";
        Expect(160, drag + "37 mouse up 0 " + std::to_string(320 + dir * 240) + " 465\n" + ends[dir > 0]);
    }
}

TEST_F(ScreensTest, ConfirmStartsAGameWhosePauseResumesOpensOptionsAndQuitsIntoARecordedScore) {
    // Difficulty 2's best are 500, 300, 300, 100. Its game, chosen by keys after a touch (the
    // keyboard's control style), is quit with 300: filed 4th, after the equal older scores, and
    // announced so before and after filing (pass 309); the title's panel then shows it.
    Expect(340, "0 set f_controlStyle 2\n" + Press(30, kRight) + Press(34, kEnter) + Press(60, kEscape) +
                    Press(80, kEnter) + Press(100, kEscape) + Press(110, kRight) + Press(120, kEnter) +
                    Press(160, kEscape) + Press(200, kLeft) + Press(210, kLeft) + Press(220, kEnter) +
                    R"(29 set f_scores[10] 500; f_scores[11] 300; f_scores[12] 300; f_scores[13] 100
33 expect f_mode = 1
34 expect f_mode != 1
59 expect f_mode = 10; f_difficulty = 2; f_controlStyle = 0
60 expect f_paused = 1
80 expect f_paused = 1
95 expect f_paused = 0
120 expect f_optionsOpen = 1
160 expect f_optionsOpen = 0
199 expect f_paused = 1
220 expect f_gameOverTimer = 1; f_paused = 0
285 set f_score 300
295-323 expect texts has "4th"
308 expect f_mode = 10
309 expect f_mode = 2
339 expect f_mode = 1; f_scores has ,500,300,300,300,100,0,; f_scores[40] = 300
339 expect texts has "Top 10","500","300","300","300","100","0","0","0","0","0","Last 10","300","0",
)");
}

// Every key, pad button, stick and cabinet letter of the control mapping pressed once over the
// title, most of them in the options box with its sound item selected. Each probe is an input =
// what it must do. Inputs: "k<key>", "j<pad>:<button>", "a<pad>:<axis>:<value>" (a stick),
// "c<press letter><release letter>" (the cabinet's characters); "o" opens the box, "x" the credits.
// Effects: 's' steps the sound setting (its label follows; the settings without music stop it),
// '+' and '-' move the selection, 'b' (back) closes the box (which slides for 30 updates, and
// saves) or else the credits opened just before, 'i' switches the cabinet protocol, '0' nothing.
// The run ends at once with a quit key, F4 or the pad's; the next start loads the settings.
TEST_F(ScreensTest, EveryKeyButtonStickAndCabinetLetterOfTheMappingAndTheOptionsBoxSaving) {
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
    const char* kSound[] = {"Off", "SFX + Music", "SFX", "Music"};  // the sound setting's labels
    std::string script;
    int p = 30, sound = 1, sel = 0, open = 0, credits = 0, icade = 0;  // the state the probes leave
    for (std::string probe; probes >> probe;) {
        std::string a = probe.substr(1, probe.find('=') - 1), u, n, v;
        std::replace(a.begin(), a.end(), ':', ' ');
        std::istringstream(a) >> u >> n >> v;
        const std::string down = std::to_string(p) + " ", up = std::to_string(p + 2) + " ";
        const std::string joy = "joy " + u + (probe[0] == 'j' ? " button " : " axis ") + n + " ";
        const char effect = probe.back();
        if (probe[0] == 'k') script += down + "key down " + a + "\n" + up + "key up " + a + "\n";
        if (probe[0] == 'j' || probe[0] == 'a')
            script += down + joy + (probe[0] == 'j' ? "1" : v) + "\n" + up + joy + "0\n";
        if (probe[0] == 'c')
            script +=
                down + "char " + std::to_string(a[0]) + "\n" + up + "char " + std::to_string(a[1]) + "\n";
        if (probe[0] == 'o') script += down + "set f_optionsOpen 1\n" + down + "set f_optionSel 1\n", sel = 1;
        if (probe[0] == 'x' || (effect == 'b' && !open))  // the credits, opened just before
            script += std::to_string(p - (probe[0] != 'x')) + " set f_creditsOpen 1\n";
        if (effect == 's') script += down + "set f_musicOn 1\n";  // a setting without music stops it
        sound = (sound + (effect == 's')) % 4;
        sel += (effect == '+') - (effect == '-');
        icade ^= effect == 'i';
        const int was = open;
        open = probe[0] == 'o' || (open && effect != 'b');
        credits = probe[0] == 'x' || (credits && effect != 'b');
        // A letter acts in the update after it arrives; a held key or button acts once.
        if (probe[0] != 'o' && probe[0] != 'x')
            script += std::to_string(p + 1) + "-" + std::to_string(p + 3) +
                      " expect f_options[5] = " + std::to_string(sound) +
                      "; f_optionSel = " + std::to_string(sel) + "; f_optionsOpen = " + std::to_string(open) +
                      "; f_creditsOpen = " + std::to_string(credits) +
                      "; vx_Zarnok_iCadeControls = " + std::to_string(icade) + "\n";
        if (effect == 's')  // the label from the next update
            script += std::to_string(p + 2) + "-" + std::to_string(p + 3) +
                      " expect f_musicOn = " + std::to_string(sound % 2) +
                      "; texts has \"Sound : " + kSound[sound] + "\"\n";
        p += open != was ? 35 : 5;  // the box slides in or out
    }
    for (const char* quit : {" key down 115\n", " key down 432\n"}) {
        fs::remove(dir / ".zorbinstate");
        Expect(p + 10, script + std::to_string(p) + quit + std::to_string(p + 1) + " expect f_mode = -1\n");
    }
    // The box saved its settings on closing; the next start loads every section.
    std::ifstream in(dir / ".zorbinstate");
    const std::string state((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(state.rfind("0|0|0|0|0|" + std::to_string(sound) + "|", 0), 0u) << state;
    const simtest::SimRun next = Expect(2, "1 expect f_options[5] = " + std::to_string(sound) + "\n");
    for (const char* d : {"Settings", "Badges", "Highscore 0", "Highscore 1", "Highscore 2"})
        EXPECT_NE(std::find(next.lines.begin(), next.lines.end(), std::string(d) + " Loaded"),
                  next.lines.end());
}

TEST_F(ScreensTest, ScreenshotsOfEveryScreenAtTwoSizes) {
    // Written into the build tree for review, each at a moment the game's state confirms, with
    // more than the night sky: boxes, icons, texts, enemies, the ship and the HUD in colour.
    const std::string game = simtest::StartGame(2);
    const struct {
        const char *folder, *name;
        int updates;
        std::string script;
    } shots[] = {
        {"screens", "title", 100, "99 expect f_mode = 1\n"},
        {"screens", "options", 100, kToOptions + "99 expect f_optionsOpen = 1\n"},
        {"screens", "credits", 100, Press(30, 78) + "99 expect f_creditsOpen = 1\n"},
        {"screens", "pause", 100, game + Press(60, kEscape) + "99 expect f_paused = 1\n"},
        // The README's picture: the ship steers left, then right, and slows time for a moment.
        {"screenshots", "wave", 360,
         game + "100 key down 37\n160 key up 37\n200 key down 39\n260 key up 39\n330 key down 32\n345 key up "
                "32\n"
                "359 expect f_badCount > 9; f_badCount < 51\n"},
        {"screenshots", "game-over", 130, game + "60 set f_lives 0\n129 expect f_gameOverFrames > 59\n"},
        {"screenshots", "slow-motion", 540,
         game + "504 set f_players[10] 100; f_hurt 0\n505 key down 90\n539 expect f_speed < 0.3\n"},
    };
    for (const char* size : {"640x480", "1920x1080"}) {
        for (const auto& s : shots) {
            const fs::path png =
                fs::path(ZARNOK_BINARY_DIR) / s.folder / (std::string(s.name) + "-" + size + ".png");
            fs::create_directories(png.parent_path());
            Expect(s.updates, s.script,
                   std::string("--draw-every 50 --size ") + size + " --screenshot '" + png.string() + "'");
            const simtest::Picture pic(png);
            long bright = 0;
            for (size_t i = 0; i < pic.rgb.size(); i += 3) bright += pic.rgb[i] + pic.rgb[i + 1] > 200;
            EXPECT_EQ(std::to_string(pic.w) + "x" + std::to_string(pic.h), size) << png;
            EXPECT_GT(bright, static_cast<long>(pic.w) * pic.h / 400) << png;
        }
    }
    EXPECT_EQ(simtest::Picture(ZARNOK_SOURCE_DIR "/docs/screenshot.png").w, 640)
        << "the README's picture: copy build/screenshots/wave-640x480.png to docs/screenshot.png";
}

}  // namespace
