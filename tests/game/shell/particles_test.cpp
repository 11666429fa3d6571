// Particles and stars: motion, ageing, the full pool and the wrap at the screen's margin.
#include <cmath>
#include <vector>

#include "framework/random.h"
#include "test_host.h"

namespace {

class ParticlesTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        vx_Zarnok_jscrw = 640;
        vx_Zarnok_jscrh = 480;
        app->f_speed = 1;
        app->p_ResetParticles(250);
    }
    float* Rec(int i) { return app->f_particles.Data() + 10 * i; }
    // The seed after n more draws from the current one.
    static int SeedAfter(int n) {
        const int keep = vx_random_Seed;
        for (int i = 0; i < n; ++i) vx_random_Rnd();
        const int seed = vx_random_Seed;
        vx_random_Seed = keep;
        return seed;
    }
};

TEST_F(ParticlesTest, DebrisMovesByItsSpeedAndFallingDebrisGainsGravityOncePerUpdate) {
    app->p_ThrowParticle(100, 200, 1, 9, 90, 2);
    app->p_ThrowParticle(100, 200, 2, 9, 90, 2);
    ASSERT_EQ(Rec(250)[0], 1);  // the highest free record first
    ASSERT_EQ(Rec(249)[0], 2);
    const float life = Rec(250)[7];
    EXPECT_TRUE(life >= 0.7f && life < 1.3f) << life;
    app->p_DoParticles();
    EXPECT_FLOAT_EQ(Rec(250)[1], 102);
    EXPECT_FLOAT_EQ(Rec(250)[2], 200);
    EXPECT_FLOAT_EQ(Rec(250)[7], life - 0.01f);
    EXPECT_FLOAT_EQ(Rec(249)[4], 0.2f);  // gravity after the move
    app->f_speed = 0.1f;
    app->p_DoParticles();
    EXPECT_FLOAT_EQ(Rec(250)[1], 102.2f);
    EXPECT_FLOAT_EQ(Rec(249)[4], 0.4f) << "gravity does not follow the game speed";
    EXPECT_FLOAT_EQ(Rec(249)[3], 2 * 0.95f * 0.95f);
    EXPECT_EQ(app->f_alpha, 1) << "draw state reset after the loop";
    // Debris lives 70 .. 130 updates at full speed.
    app->f_speed = 1;
    int updates = 2;
    while (Rec(250)[0] != 0 && updates < 200) app->p_DoParticles(), ++updates;
    EXPECT_TRUE(updates >= 70 && updates <= 131) << updates;
}

TEST_F(ParticlesTest, FlashesStayPutAndLiveTheirSpan) {
    app->p_ThrowParticle(50, 60, 90, 3, kOmitted, kOmitted);
    app->p_ThrowParticle(50, 60, 92, 3, kOmitted, kOmitted);
    float* spark = Rec(250);
    EXPECT_EQ((std::vector<float>{spark[3], spark[4], spark[7], spark[8]}), (std::vector<float>{0, 0, 2, 9}));
    EXPECT_TRUE(spark[9] >= 0 && spark[9] < 16);
    EXPECT_TRUE(std::abs(spark[6]) >= 4 && std::abs(spark[6]) < 12);
    app->p_DoParticles();
    // Records are drawn in order, each flash additively at its own size: the large one from 0,
    // the spark from 0.6.
    const float* cmd = app->f_drawList.Data();
    EXPECT_EQ((std::vector<float>{cmd[0], cmd[4], cmd[13], cmd[15], cmd[19], cmd[28]}),
              (std::vector<float>{5, 0, 3, 5, 0.6f, 3}));
    int sparkUpdates = 1, bigUpdates = 0;
    for (; Rec(250)[0] != 0 && sparkUpdates < 200; ++sparkUpdates) {
        if (Rec(249)[0] != 0) ++bigUpdates;
        app->p_DoParticles();
    }
    EXPECT_TRUE(sparkUpdates >= 100 && sparkUpdates <= 101) << sparkUpdates;
    EXPECT_TRUE(bigUpdates >= 33 && bigUpdates <= 34) << bigUpdates;
}

TEST_F(ParticlesTest, AFullPoolDrawsOnlyTheMissingAngleAndSpeed) {
    for (int i = 0; i <= 250; ++i) Rec(i)[0] = 1;
    const std::vector<float> before(app->f_particles.Data(), app->f_particles.Data() + 5100);
    const int after = SeedAfter(2);
    app->p_ThrowParticle(1, 2, 90, 9, kOmitted, kOmitted);
    EXPECT_EQ(vx_random_Seed, after);
    app->p_ThrowParticle(1, 2, 3, 9, 10, 1);
    EXPECT_EQ(vx_random_Seed, after);
    EXPECT_EQ(std::vector<float>(app->f_particles.Data(), app->f_particles.Data() + 5100), before);
    EXPECT_EQ(app->p_FreeParticle(), -1);
    app->p_ResetParticles(-5);  // keeps the count, frees 0 .. 250
    EXPECT_EQ(app->f_particleMax, 250);
    EXPECT_EQ(app->p_FreeParticle(), 2500);
}

TEST_F(ParticlesTest, StarsDriftByDepthAndWrapWithAFreshDepthFrameAndCrossPosition) {
    app->p_ResetStars(3);
    auto star = [&](int i) { return app->f_stars.Data() + 10 * i; };
    star(0)[1] = 100, star(0)[2] = 100, star(0)[3] = 0.5f;
    star(1)[1] = -16.9f, star(1)[2] = 77, star(1)[3] = 0.2f;                // leaves on the left
    star(2)[1] = 300, star(2)[2] = 480 + 16 - 0.1f, star(2)[3] = 0.4f;      // leaves at the bottom
    star(3)[1] = 657, star(3)[2] = -5, star(3)[3] = 0.5f, star(3)[5] = 10;  // leaves on the right
    star(3)[6] = 0.25f;
    const int after = SeedAfter(9);  // three draws for each wrapped star
    app->p_DoStars(-1, 0.5f);
    EXPECT_EQ(vx_random_Seed, after);
    EXPECT_FLOAT_EQ(star(0)[1], 99.5f);
    EXPECT_FLOAT_EQ(star(0)[2], 100.25f);
    EXPECT_FLOAT_EQ(star(1)[1], -17.1f + 672);
    EXPECT_NE(star(1)[2], 77.1f);
    EXPECT_FLOAT_EQ(star(2)[2], 496.1f - 512);
    EXPECT_NE(star(2)[1], 299.6f);
    EXPECT_FLOAT_EQ(star(3)[1], 656.5f - 672);
    EXPECT_FLOAT_EQ(star(3)[5], 10.25f);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_TRUE(star(i)[3] >= 0.2f && star(i)[3] < 0.8f && star(i)[0] == std::floor(star(i)[0]));
        EXPECT_TRUE(star(i)[1] > -17 && star(i)[1] < 657 && star(i)[2] > -17 && star(i)[2] < 497) << i;
    }
    // Four stars at half size, each with its depth as alpha; then the draw state is reset.
    ASSERT_EQ(app->f_drawCount, 4 * 15);
    EXPECT_EQ((std::vector<float>{app->f_drawList[0], app->f_drawList[4], app->f_drawList[7]}),
              (std::vector<float>{96, 0.5f, 0.5f}));
    EXPECT_EQ(app->f_sizeX, 1);
}

TEST_F(ParticlesTest, RandCoversItsBoundsEvenly) {
    int counts[5] = {};
    for (int i = 0; i < 5000; ++i) {
        const int v = app->p_Rand(0, 4);
        ASSERT_TRUE(v >= 0 && v <= 4) << v;
        ++counts[v];
    }
    for (int c : counts) EXPECT_TRUE(c > 850 && c < 1150) << c;
}

}  // namespace
