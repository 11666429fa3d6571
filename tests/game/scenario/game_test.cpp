// Whole games in the real program through the scenario runner, with the generated data: the hints
// and waves of the first difficulty; a game of the hardest one with a hit, the life bonus, shots,
// particles, stars, slow motion and the last life planted and checked update by update, and its
// score filed; a paused ship; the sound options in the mix OpenAL Soft writes to a file.
#include <algorithm>

#include "tests/game/scenario/sim_run.h"
#include "tests/native/audio/audio_test_util.h"

namespace {

using simtest::SimRun;
using simtest::StartGame;

class GameTest : public simtest::DataTest {};

TEST_F(GameTest, FirstDifficultyShowsItsHintsThenEveryWaveIsMirroredAndTheSameWhateverCameBefore) {
    // The hints stand in updates 1-219 and 121-269 of the game, the first wave comes in update 320.
    // From pass 449 on, the hint countdown set to 1 runs out and launches the next wave every 50
    // passes (the ship shielded): mirrored layouts, three-hit enemies (2) on the top row only, and
    // the same layouts and seeds from another start and seed.
    const std::string hints = R"(30 expect texts !has "Move your ship left and right"
31-249 expect texts has "Move your ship left and right"
250 expect texts !has "Move"; texts !has "Your weapon"
151-299 expect texts has "Your weapon Auto Fires"
300 expect texts !has "Your weapon"
349 expect f_level = 0
350 expect f_level = 1
)";
    std::string waves;
    for (int p = 449; p < 800; p += 50) {
        waves += std::to_string(p) + " set f_tutorialTime 1; f_hurt 50\n" + std::to_string(p) +
                 " expect f_level = " + std::to_string((p - 349) / 50);
        for (int at = 0; at < 50; ++at)
            waves += "; f_waveData[" + std::to_string(at) + "] " + (at < 10 ? "< 3" : "< 2") +
                     "; f_waveData[" + std::to_string(at) + "] = f_waveData[" +
                     std::to_string(at - at % 10 + 9 - at % 10) + "]";
        waves += "\n";
    }
    const auto run = [&](int start) {
        const std::string seed =
            std::to_string(start) + " set vx_random_Seed " + std::to_string(7919 * start) + "\n";
        const SimRun r = Expect(800, StartGame(1, start) + seed + waves + (start == 30 ? hints : ""),
                                "--dump-every 50 --dump f_waveData,vx_random_Seed");
        return std::vector<std::string>(r.dumps.begin() + std::min<size_t>(8, r.dumps.size()), r.dumps.end());
    };
    EXPECT_EQ(run(30), run(29));
}

TEST_F(GameTest, AHardestGameScoresPaysTheLifeBonusOnceSlowsEndsAndFilesTheScore) {
    // The wave cleared but for one enemy with one hit left, in slot (0, 4) at (40, 149), and a shot
    // on it: 5 points and 5 energy, and the bonus in the next update, once. At game speed 0.25, a
    // spark moves and fades, a flash fades faster and out; the stars drift by half their depth and
    // wrap 512 up with a new depth; a shot leaving the screen is freed and drawn once more, glow and
    // shot, with frame 15. Slow motion spends the 5 energy in 10 updates, then stops. An enemy shot
    // takes the last life: 89 updates of the overlay, the sequence's end (mode 2), the title.
    std::string script = StartGame(3) + "40 set f_baddies[0] 0";
    for (int slot = 1; slot < 80; slot += slot % 16 == 9 ? 7 : 1)
        script += "; f_baddies[" + std::to_string(10 * slot) + "] 0";
    script += R"(
29 set f_scores[20] 90000; f_scores[21] 100
30 expect f_fireDelay = -4; f_fireInterval = 15; f_level = 1; f_lives = 3
40 set f_baddies[640] 14; f_baddies[649] 1; f_players[51] 40; f_players[52] 40; f_shots[0] 1; f_shots[1] 40
40 set f_shots[2] 149
40 expect f_score = 5; f_players[10] = 5; f_liveBadCount = 1
41 expect f_score = 905; f_bonusText = "Life Bonus : 900"; f_liveBadCount = 0
42-69 expect f_score = 905
45 set f_hurt 120; f_speed 0.25; f_particles[2000] 1; f_particles[2001] 100; f_particles[2003] 2
45 set f_particles[2007] 0.5; f_particles[2010] 90; f_particles[2017] 0.004
45 set f_stars[2] 496; f_stars[3] 0.5; f_stars[12] 100; f_stars[13] 0.4
45 set f_shots[990] 1; f_shots[991] 100; f_shots[992] -63; f_shots[994] -10
45 expect f_particles[2001] = 100.5; f_particles[2007] = 0.4975; f_particles[2010] = 0
45 expect f_stars[2] = -15.75; f_stars[3] > 0.19; f_stars[3] < 0.8; f_stars[3] != 0.5; f_stars[12] = 100.2
45 expect f_shots[990] = 0; f_drawList has ,1,100,-65.5,0,2,2,15,; f_drawList has ,1,100,-65.5,0,1,1,15,
46 expect f_drawList !has ,100,-65.5,
50 set f_hurt 0
50 key down 90
50 expect f_players[10] = 4.5; f_targetSpeed = 0.1
59 expect f_players[10] = 0; f_targetSpeed = 0.1
60-69 expect f_players[10] = 0; f_targetSpeed = 1; f_gameOverFrames = 0
70 set f_lives 1; f_shots[990] 2; f_shots[991] 320; f_shots[992] 448
70 expect f_lives = 0; f_gameOverFrames = 1
158 expect f_mode = 10; f_gameOverFrames = 89
159 expect f_mode = 2; f_gameOverFrames = 73
160 expect f_mode = 1; f_gameOverFrames = 71; f_scores has ,90000,905,100,0,; f_scores[50] = 905
)";
    Expect(161, script);
    // Filed second in difficulty 3's top ten and first of its last ten: the next start loads it.
    const SimRun r = Expect(2, "1 expect f_scores has ,90000,905,100,0,; f_scores[50] = 905\n");
    EXPECT_NE(std::find(r.lines.begin(), r.lines.end(), "Highscore 2 Loaded"), r.lines.end());
}

TEST_F(GameTest, NothingHitsAPausedShipAndTheHitLandsOnResuming) {
    // A wreck planted on the paused ship, its hit timer all but run out: the lives and the timer
    // stay under the pause panel, and a life is lost in the first update that runs the game again.
    Expect(114, StartGame(3) + simtest::Press(60, 27) + simtest::Press(100, 13) + R"(
70 set f_hurt 0.5; f_players[51] 40; f_players[52] 40; f_baddies[640] -14; f_baddies[641] 280; f_baddies[642] 299
70 set f_baddies[645] 0
70-112 expect f_lives = 3
70-111 expect f_hurt = 0.5
111 expect f_paused = 1
112 expect f_paused = 0
113 expect f_lives = 2
)");
}

TEST_F(GameTest, TheMixHoldsTheMusicTheShotsAndTheExplosionsEachUnderItsOption) {
    const std::string mix = audiotest::ConfigureOpenAL("wave");  // ALSOFT_CONF for the runs below
    // Games of difficulty 2 (level 1: kind A, 14, below the top row, firing every 26 updates): the
    // music alone (sound option 3); effects alone (option 2) with only the shot's sound file, then
    // only the five explosions; nothing with the sound off.
    const struct {
        const char* checks;
        int option, updates;
        std::vector<std::string> sounds;
    } runs[] = {
        {"f_musicOn = 1; f_sfxChannel = 0", 3, 200, {}},
        {"f_musicOn = 0; f_sfxChannel > 0; f_score > 0", 2, 450, {"002.wav"}},
        {"f_musicOn = 0; f_sfxChannel > 0", 2, 520, {"006.wav", "007.wav", "008.wav", "009.wav", "010.wav"}},
        {"f_musicOn = 0; f_sfxChannel = 0", 0, 350, {}}};
    for (const auto& run : runs) {
        ASSERT_TRUE(LinkData(run.sounds));
        std::ofstream(dir / ".zorbinstate") << "0|0|0|0|0|" + std::to_string(run.option) +
                                                   "|0|0|0|0|64|64|10|0|1|0|0|0|0|0|0|0|0|0|0|" +
                                                   std::to_string(1478 + 5 * run.option) + "|";
        std::filesystem::remove(mix);
        Expect(run.updates,
               StartGame(2) +
                   "30 expect f_level = 1; f_fireInterval = 26; f_baddies[160] = 14; f_baddies[250] = 14\n" +
                   std::to_string(run.updates - 1) + " expect " + run.checks + "\n",
               "", "");
        EXPECT_EQ(audiotest::ReadMix(mix).ActiveSeconds() > 0.05, run.option != 0) << run.checks;
    }
}

}  // namespace
