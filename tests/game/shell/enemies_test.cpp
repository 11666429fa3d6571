// Waves and the enemy step: layouts, their reproducibility, firing, hits and falling wrecks.
#include <cmath>
#include <vector>

#include "framework/random.h"
#include "test_host.h"

namespace {

class EnemiesTest : public ShellTest {
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
    // Runs one enemy step with a fresh picture; the fire countdown runs as the playing screen does.
    void Step() {
        app->p_CLS2D();
        app->p_DoBaddies();
        if (app->f_allArrived == 1) app->f_fireDelay -= app->f_speed;
    }
    // The wave table of the last launch, rows 0 .. 4, and the seed left behind.
    struct Wave {
        std::vector<int> table;
        int seed;
        bool operator==(const Wave&) const = default;
    };
    Wave Launch() {
        app->p_LaunchBaddies();
        return {std::vector<int>(app->f_waveData.Data(), app->f_waveData.Data() + 50), vx_random_Seed};
    }
};

TEST_F(EnemiesTest, WavesAreSymmetricReproducibleAndMatchTheirRecords) {
    for (int d = 1; d <= 3; ++d) {
        std::vector<Wave> runs[2];
        for (auto& run : runs) {
            app = new c_MyApp();
            app->f_difficulty = d;
            vx_random_Seed = 99 * d;  // what came before a wave does not matter
            for (int level = 1; level <= 15; ++level) {
                run.push_back(Launch());
                ASSERT_EQ(app->f_level, level);
                EXPECT_EQ(app->f_levelText.ToUtf8(), "Level " + std::to_string(level));
                const int kindA = (5 * d + level) * 7 % 32 + 1;
                for (int r = 0; r < 5; ++r) {
                    for (int c = 0; c < 10; ++c) {
                        const int v = app->f_waveData[c + 10 * r];
                        EXPECT_EQ(v, app->f_waveData[9 - c + 10 * r]) << d << " " << level;
                        EXPECT_TRUE(v <= 1 || r == 0) << "three-hit enemies only in the top row";
                        const float* b = Bad(c, r);
                        if (v == 0) continue;
                        EXPECT_EQ(b[9], v == 1 ? 1 : 3);
                        EXPECT_TRUE(v == 2 || b[0] == kindA);
                        EXPECT_TRUE(b[2] <= -480 && b[2] > -960 && b[8] == 2 * r + 10 && b[1] == 0);
                        EXPECT_TRUE(std::abs(b[6]) >= 0.5f && std::abs(b[6]) < 2 && b[7] < 100);
                    }
                }
            }
        }
        EXPECT_EQ(runs[0], runs[1]) << "difficulty " << d;
    }
    // Level 1 of difficulty 2 fires every 26 updates and starts with kind 14; difficulty 3 starts
    // its countdown below zero; difficulty 1 from level 12 reloads at 15 but starts at 12.
    app = new c_MyApp();
    app->f_difficulty = 2;
    app->p_LaunchBaddies();
    EXPECT_EQ((std::vector<float>{app->f_fireDelay, float(app->f_fireInterval), app->f_levelTextTime}),
              (std::vector<float>{26, 26, 2}));
    app->f_difficulty = 3;
    app->f_level = 0;
    app->p_LaunchBaddies();
    EXPECT_EQ((std::vector<float>{app->f_fireDelay, float(app->f_fireInterval)}),
              (std::vector<float>{-4, 15}));
    app->f_difficulty = 1;
    app->f_level = 11;
    app->p_LaunchBaddies();
    EXPECT_EQ((std::vector<float>{app->f_fireDelay, float(app->f_fireInterval)}),
              (std::vector<float>{12, 15}));
}

TEST_F(EnemiesTest, EnemiesFlyInThenFireOneShotAtATime) {
    app->f_difficulty = 3;
    app->p_LaunchBaddies();
    Step();
    EXPECT_EQ(app->f_allArrived, 0);
    EXPECT_GT(app->f_badCount, 0);
    EXPECT_EQ(app->f_badCount, app->f_liveBadCount);
    int updates = 1;
    while (app->f_allArrived == 0 && updates < 400) Step(), ++updates;
    EXPECT_TRUE(updates > 60 && updates < 400) << updates;  // one to two screens at 2 .. 6 a step
    // The countdown started below zero, so one enemy fired while flying in, and only one: the
    // countdown stands still until the whole wave has arrived.
    auto enemyShots = [&] {
        int n = 0;
        for (int j = 21; j <= 99; ++j) n += app->f_shots[10 * j] == 2;
        return n;
    };
    EXPECT_EQ(enemyShots(), 1);
    EXPECT_EQ(app->f_fireDelay, 14) << "reloaded to 15, counting since the last arrival";
    app->f_shots[990] = 0;
    // Firing: a shot from the highest free enemy record, straight down, with the countdown reloaded.
    app->f_fireDelay = -1;
    int fired = 0;
    for (int i = 0; i < 200 && fired == 0; ++i) {
        Step();
        fired = enemyShots();
        if (app->f_fireDelay >= 0) app->f_fireDelay = -1;
    }
    ASSERT_EQ(fired, 1);
    const float* shot = app->f_shots.Data() + 990;
    EXPECT_EQ((std::vector<float>{shot[0], shot[3], shot[4]}), (std::vector<float>{2, 0, 8}));
    // With every enemy shot record busy, passing the test reloads the countdown without a shot.
    for (int j = 21; j <= 99; ++j) app->f_shots[10 * j] = 2;
    app->f_fireDelay = -1;
    for (int i = 0; i < 200 && app->f_fireDelay < 0; ++i) app->p_DoBaddies();
    EXPECT_EQ(app->f_fireDelay, 15);
    // Paused: nobody fires or moves in, but the wobble goes on.
    app->p_LaunchBaddies();
    app->f_paused = 1;
    app->f_fireDelay = -1000;
    std::vector<float> before(app->f_baddies.Data(), app->f_baddies.Data() + 2560);
    for (int i = 0; i < 300; ++i) app->p_DoBaddies();
    EXPECT_EQ(app->f_fireDelay, -1000);
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 10; ++c) {
            const int at = 10 * (16 * r + c);
            EXPECT_EQ(Bad(c, r)[2], before[at + 2]);
            EXPECT_TRUE(Bad(c, r)[0] == 0 || Bad(c, r)[5] != before[at + 5]);
        }
}

TEST_F(EnemiesTest, EveryHitScoresAndAThreeHitEnemyFallsAsAWreck) {
    app->f_players[51] = 40;
    app->f_players[52] = 40;
    app->f_players[10] = 100;
    app->f_players[1] = 320;
    app->f_players[2] = 448;
    app->f_hurt = 128;
    app->p_AddBad(2, 0, 5, 3);
    Bad(2, 0)[2] = 0;
    Bad(2, 0)[5] = 0;  // no wobble offset: the enemy is at (136, 45)
    for (int j : {0, 7, 20}) {
        float* s = app->f_shots.Data() + 10 * j;
        s[0] = 1, s[1] = 136 + 25 - j, s[2] = 45 - 13;
    }
    app->f_shots[10 * 8] = 1, app->f_shots[81] = 136 + 26, app->f_shots[82] = 45;  // just wide
    app->p_DoBaddies();
    EXPECT_EQ((std::vector<float>{app->f_shots[0], app->f_shots[70], app->f_shots[200], app->f_shots[80]}),
              (std::vector<float>{0, 0, 0, 1}));
    EXPECT_EQ(app->f_score, 15);
    EXPECT_EQ(app->f_players[10], 115);
    const float* b = Bad(2, 0);
    EXPECT_EQ((std::vector<float>{b[0], b[9], b[4]}), (std::vector<float>{-5, 10000, 0}));
    int sparks = 0, rings = 0;
    for (int i = 0; i <= 250; ++i) {
        sparks += app->f_particles[10 * i] == 90;
        rings += app->f_particles[10 * i] == 3;
    }
    EXPECT_EQ((std::vector<int>{sparks, rings}), (std::vector<int>{3, 7}));
    // The wreck counts toward the wave but not the formation, falls faster and faster and is
    // emptied once it is 128 below the screen.
    app->p_DoBaddies();
    EXPECT_EQ((std::vector<int>{app->f_badCount, app->f_liveBadCount}), (std::vector<int>{1, 0}));
    EXPECT_FLOAT_EQ(b[4], 0.075f);
    EXPECT_FLOAT_EQ(b[2], 0.075f);
    int updates = 1;
    while (b[0] != 0 && updates < 500) app->p_DoBaddies(), ++updates;
    EXPECT_TRUE(updates > 100 && updates < 200) << updates;
    EXPECT_EQ(app->f_score, 15) << "destroying an enemy scores nothing extra";
}

}  // namespace
