// The virtual screen and the scale for a window size.
#include "test_host.h"

namespace {

TEST_F(ShellTest, VirtualScreenAndScaleFollowTheWindow) {
    const struct {
        int w, h;
        float scale, jscrw, jscrh;
        int landscape;
    } cases[] = {
        {640, 480, 1.0f, 640, 480, 1},
        {1920, 1080, 3.0f, 640, 360, 1},          // width-fitted
        {800, 1280, 1280.0f / 480, 300, 480, 0},  // height-fitted
        {1280, 720, 2.0f, 640, 360, 1},
        {480, 480, 1.0f, 480, 480, 1},
        {1280, 1024, 1024.0f / 480, 600, 480, 1},
        {768, 1024, 1024.0f / 480, 360, 480, 0},  // fitted side exact
    };
    for (const auto& c : cases) {
        app->p_ComputeScale(c.w, c.h);
        EXPECT_EQ((std::vector<float>{app->f_scaleX, app->f_scaleY, vx_Zarnok_jscrw, vx_Zarnok_jscrh}),
                  (std::vector<float>{c.scale, c.scale, c.jscrw, c.jscrh}))
            << c.w << "x" << c.h;
        EXPECT_EQ(app->f_landscape, c.landscape) << c.w << "x" << c.h;
    }
    // The overscan margin narrows the scale but not the virtual size.
    vx_Zarnok_overscan = 32;
    app->p_ComputeScale(704, 480);
    EXPECT_FLOAT_EQ(app->f_scaleX, 1.0f);
    EXPECT_FLOAT_EQ(vx_Zarnok_jscrw, 640);
    EXPECT_FLOAT_EQ(vx_Zarnok_jscrh, 480 * 640.0f / 704);
}

}  // namespace
