// What flies: waves and the enemy step (layouts and their reproducibility, firing, hits, falling
// wrecks), particles and stars.
#include <utility>
#include <vector>

#include "framework/random.h"
#include "test_host.h"

namespace {

using Floats = std::vector<float>;

class FlyingTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        vx_Zarnok_jscrw = 640;
        vx_Zarnok_jscrh = 480;
        app->f_options[5] = 0;  // no sound device here
        app->f_speed = 1;
        app->p_ResetParticles(250);
    }
    float* Bad(int c, int r) { return app->f_baddies.Data() + 10 * (16 * r + c); }
    float* Particle(int i) { return app->f_particles.Data() + 10 * i; }
    // The generator's seed after `draws` more draws; the generator itself is left as it was.
    static int SeedAfter(int draws) {
        const int keep = vx_random_Seed;
        for (int i = 0; i < draws; ++i) vx_random_Rnd();
        return std::exchange(vx_random_Seed, keep);
    }
};

TEST_F(FlyingTest, WavesAreMirroredReproducibleAndHarderEveryLevel) {
    std::vector<int> runs[2];  // every wave table and the seed left after each launch
    for (auto& run : runs) {
        app = new c_MyApp();
        app->f_difficulty = 2;
        vx_random_Seed = static_cast<int>(runs[0].size());  // what came before a wave does not matter
        for (int level = 1; level <= 15; ++level) {
            app->p_LaunchBaddies();
            for (int at = 0; at < 50; ++at) {
                const int v = app->f_waveData[at], c = at % 10, r = at / 10;
                const float* b = Bad(c, r);
                EXPECT_TRUE(v == app->f_waveData[10 * r + 9 - c] && (v <= 1 || r == 0))
                    << "mirrored, three hits on top";
                EXPECT_TRUE(v == 0 || (b[9] == (v == 1 ? 1 : 3) && b[8] == 2 * r + 10 && b[2] <= -480 &&
                                       b[2] > -960 && (v == 2 || level > 1 || b[0] == 14)))
                    << level << " " << at;  // kind A 14 on level 1
                run.push_back(v);
            }
            run.push_back(vx_random_Seed);
            run.push_back(app->f_fireDelay * 100 + app->f_fireInterval);
            EXPECT_TRUE(level > 1 || run.back() == 26 * 100 + 26) << run.back();  // fires every 26 updates
        }
        EXPECT_EQ(app->f_levelText.ToUtf8(), "Level 15");
        EXPECT_EQ((Floats{app->f_fireDelay, float(app->f_fireInterval)}), (Floats{-30, 15}))
            << "fires at once";
    }
    EXPECT_EQ(runs[0], runs[1]);
}

TEST_F(FlyingTest, OnTheHardestDifficultyOneEnemyFiresWhileTheWaveFliesIn) {
    app->f_difficulty = 3;
    app->p_LaunchBaddies();
    EXPECT_EQ(app->f_fireDelay, -4);
    int updates = 0;
    do {
        app->p_CLS2D();
        app->p_DoBaddies();
    } while (app->f_allArrived == 0 && ++updates < 400);
    EXPECT_TRUE(updates > 60 && updates < 400) << updates;  // one to two screens at 2 .. 6 a step
    // The countdown stands still until the whole wave is in place, so only one enemy fired.
    int shots = 0;
    for (int j = 21; j <= 99; ++j) shots += app->f_shots[10 * j] == 2;
    const float* shot = app->f_shots.Data() + 990;
    EXPECT_EQ((Floats{float(shots), shot[3], shot[4], app->f_fireDelay}), (Floats{1, 0, 8, 15}));
}

TEST_F(FlyingTest, EveryHitScoresAndAThreeHitEnemyFallsAsAWreck) {
    app->f_players[51] = app->f_players[52] = 40;  // the slot of column 2, row 0 is at (136, 45)
    app->f_hurt = 128;
    app->p_AddBad(2, 0, 5, 3);
    Bad(2, 0)[2] = Bad(2, 0)[5] = 0;
    for (int j : {0, 7, 20, 8}) {  // the last one just wide
        float* s = app->f_shots.Data() + 10 * j;
        s[0] = 1, s[1] = j == 8 ? 162 : 161 - j, s[2] = 32;
    }
    app->p_DoBaddies();
    const float* b = Bad(2, 0);
    EXPECT_EQ((Floats{app->f_shots[0], app->f_shots[70], app->f_shots[200], app->f_shots[80],
                      float(app->f_score), app->f_players[10], b[0], b[9]}),
              (Floats{0, 0, 0, 1, 15, 15, -5, 10000}));
    EXPECT_EQ(app->p_FreeParticle(), 10 * (250 - 3 - 7)) << "a spark per hit, seven ring pieces";
    // The wreck keeps the wave alive but not the formation, and is emptied 128 below the screen.
    app->p_DoBaddies();
    EXPECT_EQ((Floats{float(app->f_badCount), float(app->f_liveBadCount), b[4], b[2]}),
              (Floats{1, 0, 0.075f, 0.075f}));
    int updates = 1;
    while (b[0] != 0 && ++updates < 500) app->p_DoBaddies();
    EXPECT_TRUE(updates > 100 && updates < 200 && app->f_score == 15) << updates;
}

TEST_F(FlyingTest, ParticlesMoveByTheGameSpeedAgeAndAFullPoolKeepsItsDraws) {
    app->p_ThrowParticle(100, 200, 2, 9, 90, 2);              // falling debris, to the right
    app->p_ThrowParticle(50, 60, 90, 3, kOmitted, kOmitted);  // a spark flash, white, standing
    ASSERT_EQ(
        (Floats{Particle(250)[0], Particle(249)[0], Particle(249)[3], Particle(249)[7], Particle(249)[8]}),
        (Floats{2, 90, 0, 2, 9}));
    app->p_DoParticles();
    app->f_speed = 0.1f;
    app->p_DoParticles();
    EXPECT_FLOAT_EQ(Particle(250)[1], 102 + 0.2f * 0.95f);
    EXPECT_FLOAT_EQ(Particle(250)[4], 0.4f) << "gravity once per update, whatever the speed";
    app->f_speed = 1;
    int updates = 2;
    for (; Particle(249)[0] != 0 && updates < 200; ++updates) app->p_DoParticles();
    EXPECT_TRUE(updates >= 100 && updates <= 101) << updates;
    for (int i = 0; i <= 250; ++i) Particle(i)[0] = 1;
    const int after = SeedAfter(2);
    app->p_ThrowParticle(1, 2, 90, 9, kOmitted, kOmitted);
    EXPECT_EQ((Floats{float(vx_random_Seed == after), float(app->p_FreeParticle())}), (Floats{1, -1}));
}

TEST_F(FlyingTest, StarsDriftByDepthAndWrapWithAFreshDepthFrameAndCrossPosition) {
    app->p_ResetStars(2);
    float* s = app->f_stars.Data();
    s[1] = 100, s[2] = 100, s[3] = 0.5f;
    s[11] = -16.9f, s[12] = 77, s[13] = 0.2f;   // leaves on the left
    s[21] = 300, s[22] = 495.9f, s[23] = 0.4f;  // leaves at the bottom
    const int after = SeedAfter(6);             // three draws for each wrapped star
    app->p_DoStars(-1, 0.5f);
    EXPECT_EQ((Floats{float(vx_random_Seed == after), s[1], s[2]}), (Floats{1, 99.5f, 100.25f}));
    EXPECT_NEAR(s[11], 672 - 17.1f, 1e-3);
    EXPECT_NEAR(s[22], 496.1f - 512, 1e-3);
    EXPECT_TRUE(s[12] != 77.1f && s[21] != 299.6f && s[13] >= 0.2f && s[13] < 0.8f);
}

}  // namespace
