// The playing screen without a window, where a scenario cannot reach: the place announced for a
// score that ties a table entry, and a paused game that nothing can hit.
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
        app->f_hurt = 0;  // past the start-up shield
        app->f_speed = 1;
    }
};

TEST_F(GameplayTest, ATieIsAnnouncedWhereItIsFiled) {
    const int table[10] = {500, 300, 300, 100};
    for (int k = 0; k < 10; ++k) app->f_scores[10 + k] = table[k];
    app->f_score = 300;  // files after the equal older scores: 4th, before and after filing
    EXPECT_EQ(app->p_MyNth().ToUtf8(), "4th");
    app->p_LoadMenu();
    app->f_mode = 1;
    EXPECT_EQ(app->p_MyNth().ToUtf8(), "4th");
    EXPECT_EQ((std::vector<int>(&app->f_scores[10], &app->f_scores[10] + 6)),
              (std::vector<int>{500, 300, 300, 300, 100, 0}));
}

TEST_F(GameplayTest, NothingHitsThePausedShip) {
    app->p_Game();
    const float shipX = app->f_players[1], shipY = app->f_players[2];
    app->f_hurt = 0.5f;
    float* s = app->f_shots.Data() + 500;  // an enemy shot on the ship
    s[0] = 2, s[1] = shipX, s[2] = shipY, s[4] = 8;
    app->f_paused = 1;
    app->p_Game();
    app->p_LoseLife(1, shipX, shipY);
    EXPECT_EQ((std::vector<float>{float(app->f_lives), app->f_hurt, s[2]}),
              (std::vector<float>{5, 0.5f, shipY}))
        << "the hit timer and the shots stand still under the pause panel";
    app->f_paused = 0;
    app->p_Game();
    EXPECT_EQ(app->f_lives, 4);
}

}  // namespace
