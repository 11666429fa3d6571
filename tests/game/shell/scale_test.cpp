// The virtual screen, the scale and the image resolution level for a window size.
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

// The size table decides: 640 x 480 is above 630 wide and so loads the "-hd" files, and 1280 x 720
// is above 1230 wide and loads "-hd2".
TEST_F(ShellTest, ResolutionLevelBySize) {
    const int cases[][3] = {{640, 480, 2},  {630, 630, 1},   {631, 480, 2},  {1280, 720, 4}, {1230, 1230, 2},
                            {1024, 768, 2}, {1920, 1080, 4}, {600, 1231, 4}, {320, 240, 1}};
    for (const auto& c : cases) {
        vx_app__devWidth = c[0];
        vx_app__devHeight = c[1];
        app->p_SetHdLevel();
        EXPECT_EQ(app->f_hdLevel, c[2]) << c[0] << "x" << c[1];
        EXPECT_EQ(app->f_imgScale, 1.0f / c[2]) << c[0] << "x" << c[1];
    }
}

}  // namespace
