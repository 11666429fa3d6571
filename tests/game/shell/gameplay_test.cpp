// The playing screen without a window: filing a score, slow motion, the life bonus, the pause and
// shots that leave the screen.
#include "test_host.h"

namespace {

class GameplayTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        app->f_options[5] = 0;  // no sound device here
        app->p_ComputeScale(host->width, host->height);
        app->f_difficulty = 2;
        app->p_LoadGame();
        // Past the start-up invulnerability, at full speed.
        app->f_hurt = 0;
        app->f_speed = 1;
    }
    void Update() {
        input->p_BeginUpdate();
        app->p_Game();
        input->p_EndUpdate();
    }
    float* Shot(int i) { return app->f_shots.Data() + 10 * i; }
    // Draw commands of image slot 1 at (x, y) with `frame`: their sizes, alphas and blends.
    std::vector<float> Drawn(float x, float y, float frame) {
        std::vector<float> out;
        for (int at = 0; at + 15 <= app->f_drawCount; at += 15) {
            const float* c = app->f_drawList.Data() + at;
            if (c[0] == 1 && c[1] == x && c[2] == y && c[6] == frame)
                out.insert(out.end(), {c[4], c[7], c[13]});
        }
        return out;
    }
};

TEST_F(GameplayTest, AScoreIsAnnouncedWhereItIsFiled) {
    EXPECT_EQ(app->p_Nth(3).ToUtf8(), "3rd");
    EXPECT_EQ(app->p_Nth(10).ToUtf8(), "10th");
    EXPECT_TRUE(app->p_Nth(11).Empty());
    const int table[10] = {500, 300, 300, 100};
    for (int k = 0; k < 10; ++k) app->f_scores[10 + k] = table[k];
    app->f_scores[30 + 10] = 77;  // the last result of difficulty 2

    // A tie files after the equal older scores, and the announcement agrees before and after filing.
    app->f_score = 300;
    EXPECT_EQ(app->p_MyNth().ToUtf8(), "4th");
    EXPECT_EQ(app->f_i, 4);
    app->p_LoadMenu();
    app->f_mode = 1;
    EXPECT_EQ(app->p_MyNth().ToUtf8(), "4th");
    EXPECT_EQ((std::vector<int>(&app->f_scores[10], &app->f_scores[10] + 6)),
              (std::vector<int>{500, 300, 300, 300, 100, 0}));
    EXPECT_EQ(app->f_scores[40], 300);
    EXPECT_EQ(app->f_scores[41], 77);
    EXPECT_EQ(host->saves, 1);

    app->f_mode = 10;
    app->f_score = 501;
    EXPECT_EQ(app->p_MyNth().ToUtf8(), "1st!");
    app->f_score = 0;  // an empty score never places
    EXPECT_TRUE(app->p_MyNth().Empty());
    EXPECT_EQ(app->f_i, 0);
}

TEST_F(GameplayTest, SlowMotionSpendsHalfAnEnergyPerUpdateUntilEmpty) {
    app->f_players[10] = 3;
    KeyDown(90);  // Z, the first action button
    std::vector<float> energy, target;
    for (int i = 0; i < 8; ++i) {
        Update();
        energy.push_back(app->f_players[10]);
        target.push_back(app->f_targetSpeed);
    }
    EXPECT_EQ(energy, (std::vector<float>{2.5f, 2, 1.5f, 1, 0.5f, 0, 0, 0}));
    EXPECT_EQ(target, (std::vector<float>{0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 1, 1}));
    EXPECT_LT(app->f_speed, 0.7f);
}

TEST_F(GameplayTest, TheLifeBonusIsPaidOnceInTheUpdateAfterTheLastFormationEnemyFalls) {
    app->f_difficulty = 3;
    app->p_LoadGame();  // three lives and the first wave
    app->f_hurt = 0;
    // One enemy of the wave is left, with its last hit point gone: it falls in the next update.
    float* bad = app->f_baddies.Data();
    int kept = -1;
    for (int i = 0; i < 256; ++i) {
        if (bad[10 * i] > 0 && kept >= 0) bad[10 * i] = 0;
        if (bad[10 * i] > 0) kept = i;
    }
    ASSERT_GE(kept, 0);
    bad[10 * kept + 9] = 0;
    Update();
    EXPECT_LT(bad[10 * kept], 0) << "a falling wreck";
    EXPECT_EQ(app->f_score, 0);
    Update();
    EXPECT_EQ(app->f_score, 900);
    EXPECT_EQ(app->f_bonusText.ToUtf8(), "Life Bonus : 900");
    for (int i = 0; i < 30; ++i) Update();
    EXPECT_EQ(app->f_score, 900) << "once per wave";
}

TEST_F(GameplayTest, NothingHitsThePausedShip) {
    Update();
    const float shipX = app->f_players[1], shipY = app->f_players[2];
    app->f_hurt = 0.5f;
    float* s = Shot(50);
    s[0] = 2, s[1] = shipX, s[2] = shipY, s[4] = 8;
    app->f_paused = 1;
    Update();
    app->p_LoseLife(1, shipX, shipY);
    EXPECT_EQ(app->f_lives, 5);
    EXPECT_EQ(app->f_hurt, 0.5f) << "the hit timer stands still under the pause panel";
    EXPECT_EQ(s[2], shipY) << "shots stand still too";
    app->f_paused = 0;
    Update();
    EXPECT_EQ(app->f_lives, 4);
    EXPECT_EQ(app->f_hurt, 127);
}

TEST_F(GameplayTest, AShotLeavingTheScreenIsDrawnOnceMoreWithFrame15) {
    float* s = Shot(3);
    s[0] = 1, s[1] = 100, s[2] = -60, s[4] = -10;
    Update();
    EXPECT_EQ(s[0], 0);
    // The additive glow at double size, then the shot itself.
    EXPECT_EQ(Drawn(100, -70, 15), (std::vector<float>{2, 0.3f, 3, 1, 1, 1}));
    Update();
    EXPECT_TRUE(Drawn(100, -70, 15).empty());
    EXPECT_EQ(Drawn(320, 438, 16).size(), 6u) << "the ship fired meanwhile: a live shot has frame 16";
}

}  // namespace
